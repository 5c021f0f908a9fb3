#pragma once
// The process-wide registry of cached statements: per connection, idle
// statements keyed by their trimmed text, and those in use, under one lock.
// A one-off statement (generator value, server time, a single value) is
// acquired, executed and released still prepared for the next caller.

#include <QString>

class TFIBDatabase;
class TFIBTransaction;
class TFIBQuery;

namespace TFIBQueryRegistry {

// An idle statement of that text (its transaction replaced if different,
// its cursor closed), or a new one on database and transaction.
TFIBQuery* Acquire(TFIBDatabase* database, TFIBTransaction* transaction, const QString& text);
// Back to the idle pool under its trimmed text.
void Release(TFIBQuery* query);
// Frees the handle of the idle statement of that text.
void DropText(TFIBDatabase* database, const QString& text);
// Destroys the connection's cached statements (called when it goes away).
void ForgetDatabase(TFIBDatabase* database);
// Statements cached for a connection, idle and in use (for tests).
int CachedCount(TFIBDatabase* database);

} // namespace TFIBQueryRegistry

// Acquires on construction, releases on destruction.
class TCachedQuery {
public:
    TCachedQuery(TFIBDatabase* database, TFIBTransaction* transaction, const QString& text)
        : query_(TFIBQueryRegistry::Acquire(database, transaction, text)) {}
    ~TCachedQuery() { TFIBQueryRegistry::Release(query_); }
    TCachedQuery(const TCachedQuery&) = delete;
    TCachedQuery& operator=(const TCachedQuery&) = delete;
    TFIBQuery* operator->() const { return query_; }
    TFIBQuery& operator*() const { return *query_; }

private:
    TFIBQuery* query_;
};

// A transaction that a piece of work starts only when it is not running yet.
// Leaving the scope without Commit or Keep (the work failed) rolls back a
// transaction started here, quietly, so that the work's own error is the one
// reported. One that was already running holds its owner's uncommitted work
// and is never ended here.
class TTransactionScope {
public:
    explicit TTransactionScope(TFIBTransaction* transaction);
    ~TTransactionScope();
    TTransactionScope(const TTransactionScope&) = delete;
    TTransactionScope& operator=(const TTransactionScope&) = delete;

    bool Started() const { return started_; }
    // The work is done: a transaction started here is committed, after the
    // cursor of the statement given is closed. Nothing is rolled back from
    // here on, also when the close or the commit fails.
    void Commit(TFIBQuery* cursor = nullptr);
    // The work is done and the transaction stays as it is: one started here
    // runs on, for the caller to end.
    void Keep() { done_ = true; }

private:
    TFIBTransaction* transaction_;
    bool started_ = false;
    bool done_ = false;
};
