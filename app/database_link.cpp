#include "app/database_link.h"

#include "app/main_unit.h"
#include "fib/pFIBDatabase.h"

namespace {

const TDatabaseLinkSteps* replaced = nullptr;

void run(const std::function<void()>& step) {
    if (step)
        step();
}

} // namespace

void SetDatabaseLinkSteps(const TDatabaseLinkSteps* steps) {
    replaced = steps;
}

void connect_database() {
    if (replaced)
        return run(replaced->connect);
    main_frm->DataBase->SetConnected(true);
    main_frm->Transaction->SetActive(true);
}

void commit_at_exit() {
    if (replaced)
        return run(replaced->commit);
    // A transaction that is not active holds nothing to save; its commit's
    // "not active" error would only look like a failed save.
    const TFIBTransaction* transaction = main_frm->DataBase->DefaultTransaction();
    if (transaction && !transaction->Active())
        return;
    main_frm->DataBase->CommitDefaultTransaction();
}

void prepare_view_switch() {
    if (replaced)
        return run(replaced->view_switch);
    main_frm->DataBase->CommitDefaultTransaction();
    main_frm->DataBase->Connect(true);
}
