#include "fib/FIBQueryRegistry.h"

#include "base/Exception.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"

#include <QHash>
#include <QMultiHash>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct Pool {
    QMultiHash<QString, TFIBQuery*> idle;
    // In use, with the key it was asked for: the statement's own text may
    // differ in its line breaks.
    QHash<TFIBQuery*, QString> inUse;
    TListenerRegistration destroyListener;
};

struct Registry {
    std::mutex lock;
    std::unordered_map<TFIBDatabase*, Pool> pools;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry; // outlives every connection
    return *registry;
}

void CloseQuietly(TFIBQuery* q) {
    IgnoreFailure("the cursor counts as closed even when the server refuses", [q] { q->Close(); });
}

} // namespace

namespace TFIBQueryRegistry {

TFIBQuery* Acquire(TFIBDatabase* database, TFIBTransaction* transaction, const QString& text) {
    Registry& r = TheRegistry();
    const QString key = text.trimmed();
    TFIBQuery* query = nullptr;
    bool newPool = false;
    {
        std::lock_guard<std::mutex> guard(r.lock);
        newPool = r.pools.find(database) == r.pools.end();
        Pool& pool = r.pools[database];
        auto it = pool.idle.find(key);
        if (it != pool.idle.end()) {
            query = it.value();
            pool.idle.erase(it);
        } else {
            query = new TFIBQuery(nullptr);
        }
        pool.inUse.insert(query, key);
    }
    if (newPool) {
        TListenerRegistration forget =
            database->DestroyListeners().Add([](TFIBDatabase* db) { ForgetDatabase(db); });
        std::lock_guard<std::mutex> guard(r.lock);
        r.pools[database].destroyListener = std::move(forget);
    }
    if (query->Database() != database) { // a new one
        try {
            query->SetDatabase(database);
            query->SetTransaction(transaction);
            query->SetSQLText(text);
        } catch (...) {
            {
                std::lock_guard<std::mutex> guard(r.lock);
                r.pools[database].inUse.remove(query);
            }
            delete query;
            throw;
        }
        return query;
    }
    if (query->Transaction() != transaction)
        query->SetTransaction(transaction);
    CloseQuietly(query);
    return query;
}

void Release(TFIBQuery* query) {
    if (!query)
        return;
    CloseQuietly(query);
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.pools.find(query->Database());
    if (it == r.pools.end()) { // its connection went away meanwhile
        delete query;
        return;
    }
    const QString key = it->second.inUse.take(query);
    it->second.idle.insert(key.isEmpty() ? query->SQLText().trimmed() : key, query);
}

void DropText(TFIBDatabase* database, const QString& text) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.pools.find(database);
    if (it == r.pools.end())
        return;
    for (TFIBQuery* q : it->second.idle.values(text.trimmed()))
        IgnoreFailure("the handle is forgotten even when the server refuses to free it",
                      [q] { q->FreeHandle(); });
}

void ForgetDatabase(TFIBDatabase* database) {
    Registry& r = TheRegistry();
    Pool pool;
    {
        std::lock_guard<std::mutex> guard(r.lock);
        auto it = r.pools.find(database);
        if (it == r.pools.end())
            return;
        pool = std::move(it->second);
        r.pools.erase(it);
    }
    for (TFIBQuery* q : pool.idle)
        delete q;
    // Statements in use are deleted when they are released.
}

int CachedCount(TFIBDatabase* database) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.pools.find(database);
    return it == r.pools.end() ? 0
                               : static_cast<int>(it->second.idle.size() + it->second.inUse.size());
}

} // namespace TFIBQueryRegistry

TTransactionScope::TTransactionScope(TFIBTransaction* transaction) : transaction_(transaction) {
    if (!transaction_->Active()) {
        transaction_->StartTransaction();
        started_ = true;
    }
}

TTransactionScope::~TTransactionScope() {
    if (!done_ && started_ && transaction_->Active())
        IgnoreFailure("the failure that ended the work is the one to report",
                      [this] { transaction_->Rollback(); });
}

void TTransactionScope::Commit(TFIBQuery* cursor) {
    done_ = true;
    if (!started_)
        return;
    if (cursor)
        cursor->Close();
    transaction_->Commit();
}
