#pragma once
// The places where start-up, shutdown and the view switches reach the main
// window's database connection DataBase and its transaction Transaction.
// Tests may replace them to make them fail or to record their order.

#include <QString>
#include <functional>

class TDataSet;

// Start-up: attach DataBase, then start Transaction. Raises what they raise.
void connect_database();
// Confirmed exit: commit the default transaction of DataBase when it is
// active; changes lost with the connection are attached for and sent again
// first.
void commit_at_exit();
// Before a view switch: commit the default transaction when it is active,
// then make sure DataBase is attached. After a lost connection the changes
// it took with it are sent again and committed.
void prepare_view_switch();
// Before a row being typed is posted: when the server connection was lost,
// attach again with the same parameters (raises what the attach raises) and
// send again what the lost transaction held (restore_posted_changes).
void reconnect_after_loss();
// What the datasets posted since the last commit, which the server rolled
// back with the lost connection, is sent again in the new transaction, in
// order. A change refused (a row gone or changed by another user, a key
// taken) is shown in an error box and dropped; the others go in, and an
// information box tells how many. A connection lost again stops it, keeping
// what was not refused for the next attempt.
void restore_posted_changes();
// Whether the server connection was lost and is not yet attached again.
bool connection_lost();
// A step of a view switch: open or close one dataset.
void set_dataset_open(TDataSet& dataset, bool open);

// Replaces the steps above (tests make them fail or record their order);
// nullptr restores them. An empty function does nothing.
struct TDatabaseLinkSteps {
    std::function<void()> connect;
    std::function<void()> commit;
    std::function<void()> view_switch;
    std::function<void()> reconnect;
    std::function<bool()> lost;
    // Told each dataset a view switch opens or closes, by name.
    std::function<void(const QString& name, bool open)> dataset;
};
void SetDatabaseLinkSteps(const TDatabaseLinkSteps* steps);
