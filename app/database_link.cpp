#include "app/database_link.h"

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
    // The connection layer is wired in here: DataBase.Connected, then Transaction.Active.
}

void commit_at_exit() {
    if (replaced)
        return run(replaced->commit);
    // The connection layer is wired in here: DataBase.CommitDefaultTransaction.
}

void prepare_view_switch() {
    if (replaced)
        return run(replaced->view_switch);
    // The connection layer is wired in here: CommitDefaultTransaction, then Connect(true).
}
