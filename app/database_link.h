#pragma once
// The places where start-up, shutdown and the view switches reach the main
// window's database connection DataBase and its transaction Transaction.
// Tests may replace them to make them fail or to record their order.

#include <functional>

// Start-up: attach DataBase, then start Transaction. Raises what they raise.
void connect_database();
// Confirmed exit: commit the default transaction of DataBase when it is active.
void commit_at_exit();
// Before a view switch: commit the default transaction, then make sure
// DataBase is attached.
void prepare_view_switch();

// Replaces the steps above (tests make them fail or record their order);
// nullptr restores them. An empty function does nothing.
struct TDatabaseLinkSteps {
    std::function<void()> connect;
    std::function<void()> commit;
    std::function<void()> view_switch;
};
void SetDatabaseLinkSteps(const TDatabaseLinkSteps* steps);
