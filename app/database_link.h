#pragma once
// What start-up, shutdown and the view switches do with the main window's
// database connection and its transaction. The window runs them through the
// steps it holds (TDatabaseLinkSteps), which tests replace to make them fail
// or to record their order.

#include <QString>
#include <functional>
#include <vector>

class QWidget;
class TDataSet;
class TPostJournal;
class TpFIBDatabase;
class TpFIBTransaction;

// What the routines below work on.
struct TShellDatabase {
    TpFIBDatabase& database;
    TpFIBTransaction& transaction;
    // What the datasets posted in the open transaction, to be sent again when
    // the server loses it.
    TPostJournal& journal;
    // Every dataset on the transaction, in the order they are closed when it
    // went with the connection.
    std::vector<TDataSet*> datasets;
    // The window the routines' message boxes belong to.
    QWidget* window = nullptr;
};

// Start-up: attach the database, then start the transaction. Raises what
// they raise.
void connect_database(const TShellDatabase& db);
// Confirmed exit: commit the default transaction of the database when it is
// active; changes lost with the connection are attached for and sent again
// first.
void commit_at_exit(const TShellDatabase& db);
// Before a view switch: commit the default transaction when it is active,
// then make sure the database is attached. After a lost connection the
// changes it took with it are sent again and committed.
void prepare_view_switch(const TShellDatabase& db);
// Before a row being typed is posted: when the server connection was lost,
// attach again with the same parameters (raises what the attach raises) and
// send again what the lost transaction held (restore_posted_changes).
void reconnect_after_loss(const TShellDatabase& db);
// What the datasets posted since the last commit, which the server rolled
// back with the lost connection, is sent again in the new transaction, in
// order. A change refused (a row gone or changed by another user, a key
// taken) is shown in an error box and dropped; the others go in, and an
// information box tells how many. A connection lost again stops it, keeping
// what was not refused for the next attempt.
void restore_posted_changes(const TShellDatabase& db);
// Whether the server connection was lost and is not yet attached again.
bool connection_lost(const TShellDatabase& db);
// A step of a view switch: open or close one dataset.
void set_dataset_open(TDataSet& dataset, bool open);

// The steps the main window takes with its connection. An empty step does
// nothing; an empty lost answers false.
struct TDatabaseLinkSteps {
    std::function<void()> connect;
    std::function<void()> commit;
    std::function<void()> view_switch;
    std::function<void()> reconnect;
    std::function<bool()> lost;
    // Told each dataset a view switch opens or closes.
    std::function<void(TDataSet& dataset, bool open)> dataset;
};

// The routines above on db, as the window runs them unless a test gives it
// other steps.
TDatabaseLinkSteps server_steps(const TShellDatabase& db);
