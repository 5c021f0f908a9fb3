#include "app/database_link.h"

#include "app/main_unit.h"
#include "dataset/DB.h"
#include "dataset/PostJournal.h"
#include "dataset/pFIBDataSet.h"
#include "fib/pFIBDatabase.h"
#include "settings/Language.h"
#include "ui/UserDialogs.h"

namespace {

const TDatabaseLinkSteps* replaced = nullptr;

void run(const std::function<void()>& step) {
    if (step)
        step();
}

// No transaction to commit: the datasets still open show rows of a cursor
// that went with the transaction (a lost connection takes both). Closing
// them is what the commit would have done, so that the view reads anew.
void close_datasets() {
    for (TDataSet* ds : {static_cast<TDataSet*>(main_frm->student_dataset),
                         static_cast<TDataSet*>(main_frm->test_dataset),
                         static_cast<TDataSet*>(main_frm->faculty_dataset),
                         static_cast<TDataSet*>(main_frm->discipline_dataset),
                         static_cast<TDataSet*>(main_frm->resultat_dataset),
                         static_cast<TDataSet*>(main_frm->dataset)})
        if (ds->Active())
            ds->Close();
}

// Attaches again after a lost connection and sends what went with it.
void reattach() {
    if (!main_frm->DataBase->ConnectionLost())
        return;
    main_frm->DataBase->Connect(true);
    restore_posted_changes();
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
    // Changes the server lost with the connection are still owed: leaving
    // without them is the user's choice, offered when this fails.
    if (!main_frm->Journal().IsEmpty())
        reattach();
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
    // A switch that failed after its commit (a connect or an open refused)
    // left no transaction; committing that would fail every later switch.
    const TFIBTransaction* transaction = main_frm->DataBase->DefaultTransaction();
    if (!transaction || transaction->Active()) {
        main_frm->DataBase->CommitDefaultTransaction();
    } else {
        close_datasets();
        // What a lost connection took is sent again and saved by this switch,
        // as the commit above saves what the user changed.
        reattach();
        if (transaction->Active())
            main_frm->DataBase->CommitDefaultTransaction();
    }
    main_frm->DataBase->Connect(true);
}

void reconnect_after_loss() {
    if (replaced)
        return run(replaced->reconnect);
    reattach();
}

void restore_posted_changes() {
    TPostJournal& journal = main_frm->Journal();
    if (journal.IsEmpty())
        return;
    std::vector<size_t> refused;
    int sent = 0;
    const size_t count = journal.Entries().size();
    for (size_t i = 0; i < count; ++i) {
        try {
            TPostJournal::Reapply(journal.Entries()[i]);
            ++sent;
        } catch (...) {
            if (main_frm->DataBase->ConnectionLost()) {
                // Gone again, and what was sent with it: all of it is still
                // owed, except what the user was already told is refused.
                journal.Remove(refused);
                throw;
            }
            ShowException(std::current_exception());
            refused.push_back(i);
        }
    }
    journal.Remove(refused);
    if (sent > 0)
        ShowMessageBox(
            {ApplicationTitle(),
             translate(QStringLiteral("_CHANGES_RESTORED_")) + u' ' + QString::number(sent),
             TMsgIcon::None, TMsgButtons::Ok, main_frm});
}

bool connection_lost() {
    if (replaced)
        return replaced->lost && replaced->lost();
    return main_frm->DataBase->ConnectionLost();
}

void set_dataset_open(TDataSet& dataset, bool open) {
    if (replaced) {
        if (replaced->dataset)
            replaced->dataset(dataset.Name(), open);
        return;
    }
    if (open)
        dataset.Open();
    else
        dataset.Close();
}
