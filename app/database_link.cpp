#include "app/database_link.h"

#include "dataset/DB.h"
#include "dataset/PostJournal.h"
#include "fib/pFIBDatabase.h"
#include "settings/Language.h"
#include "ui/UserDialogs.h"

namespace {

// No transaction to commit: the datasets still open show rows of a cursor
// that went with the transaction (a lost connection takes both). Closing
// them is what the commit would have done, so that the view reads anew.
void close_datasets(const TShellDatabase& db) {
    for (TDataSet* ds : db.datasets)
        if (ds->Active())
            ds->Close();
}

// Attaches again after a lost connection and sends what went with it.
void reattach(const TShellDatabase& db) {
    if (!db.database.ConnectionLost())
        return;
    db.database.Connect(true);
    restore_posted_changes(db);
}

} // namespace

void connect_database(const TShellDatabase& db) {
    db.database.SetConnected(true);
    db.transaction.SetActive(true);
}

void commit_at_exit(const TShellDatabase& db) {
    // Changes the server lost with the connection are still owed: leaving
    // without them is the user's choice, offered when this fails.
    if (!db.journal.IsEmpty())
        reattach(db);
    // A transaction that is not active holds nothing to save; its commit's
    // "not active" error would only look like a failed save.
    const TFIBTransaction* transaction = db.database.DefaultTransaction();
    if (transaction && !transaction->Active())
        return;
    db.database.CommitDefaultTransaction();
}

void prepare_view_switch(const TShellDatabase& db) {
    // A switch that failed after its commit (a connect or an open refused)
    // left no transaction; committing that would fail every later switch.
    const TFIBTransaction* transaction = db.database.DefaultTransaction();
    if (!transaction || transaction->Active()) {
        // One in which nothing has run yet (the one started with the
        // connection, at the first switch) holds nothing to save and, read
        // committed, sees what a new one would: it stays, which spares the
        // commit's and the next start's round trips.
        if (!transaction || transaction->Used())
            db.database.CommitDefaultTransaction();
    } else {
        close_datasets(db);
        // What a lost connection took is sent again and saved by this switch,
        // as the commit above saves what the user changed.
        reattach(db);
        if (transaction->Active())
            db.database.CommitDefaultTransaction();
    }
    db.database.Connect(true);
}

void reconnect_after_loss(const TShellDatabase& db) {
    reattach(db);
}

void restore_posted_changes(const TShellDatabase& db) {
    TPostJournal& journal = db.journal;
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
            if (db.database.ConnectionLost()) {
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
             TMsgIcon::None, TMsgButtons::Ok, db.window});
}

bool connection_lost(const TShellDatabase& db) {
    return db.database.ConnectionLost();
}

void set_dataset_open(TDataSet& dataset, bool open) {
    if (open)
        dataset.Open();
    else
        dataset.Close();
}

TDatabaseLinkSteps server_steps(const TShellDatabase& db) {
    TDatabaseLinkSteps steps;
    steps.connect = [db] { connect_database(db); };
    steps.commit = [db] { commit_at_exit(db); };
    steps.view_switch = [db] { prepare_view_switch(db); };
    steps.reconnect = [db] { reconnect_after_loss(db); };
    steps.lost = [db] { return connection_lost(db); };
    steps.dataset = set_dataset_open;
    return steps;
}
