#pragma once
// The registration link of a statement or dataset with its connection and its
// transaction. The owner of the link fills in the hooks it wants told about;
// the connection and the transaction call them.

#include <functional>
#include <vector>

class TComponent;
class TFIBDatabase;
class TFIBTransaction;

class TFIBBase {
public:
    using Hook = std::function<void()>;

    explicit TFIBBase(TComponent* owner);
    // Unregisters from the connection and the transaction.
    ~TFIBBase();
    TFIBBase(const TFIBBase&) = delete;
    TFIBBase& operator=(const TFIBBase&) = delete;

    TComponent* Owner() const { return owner_; }

    TFIBDatabase* Database() const { return database_; }
    // Moves the link to another connection. When the link has no transaction
    // yet and its owner is not being loaded, it takes the new connection's
    // DefaultTransaction.
    void SetDatabase(TFIBDatabase* database);

    TFIBTransaction* Transaction() const { return transaction_; }
    // Moves the link to another transaction. When the link's connection is
    // not one the transaction spans, it takes the transaction's
    // DefaultDatabase.
    void SetTransaction(TFIBTransaction* transaction);

    // Slots in the connection's and transaction's lists (-1 when none).
    int DatabaseIndex() const { return databaseIndex_; }
    int TransactionIndex() const { return transactionIndex_; }

    Hook OnDatabaseConnecting; // before the connection attaches
    Hook OnDatabaseConnected;  // after it attached
    Hook OnDatabaseDisconnecting;
    Hook OnDatabaseDisconnected;
    Hook OnDatabaseFree;      // the connection is being destroyed
    Hook OnTransactionEnding; // read the transaction's phase for the kind of end
    Hook OnTransactionEnded;
    Hook OnBeforeTransactionStart;
    Hook OnAfterTransactionStart;
    Hook OnTransactionFree; // the transaction is being destroyed
    // The server connection broke: drop every server handle without a call
    // that could raise; the connection is already marked disconnected.
    Hook OnConnectionLost;

private:
    friend class TFIBDatabase;
    friend class TFIBTransaction;
    friend class TFIBLinkList;

    // Called by a connection or transaction that goes away: forget it
    // without unregistering (its lists are being torn down).
    void ForgetDatabase();
    void ForgetTransaction();

    TFIBDatabase* database_ = nullptr;
    int databaseIndex_ = -1;
    TFIBTransaction* transaction_ = nullptr;
    int transactionIndex_ = -1;
    TComponent* owner_;
};

// The links registered with a connection or a transaction. A removed link
// leaves its slot free (nullptr), so the other links keep their indexes; a new
// link takes the first free slot.
class TFIBLinkList {
public:
    int Add(TFIBBase* link);
    void Remove(int index);
    int Count() const { return static_cast<int>(links_.size()); }
    TFIBBase* At(int index) const { return links_.at(index); }

    // Calls one hook of every link that has it, last registered first when
    // reversed. A hook may unregister links, so the list is re-read at every
    // step. The walk stops before a call once keepGoing (when given) says no.
    // With tolerateFailures a failing hook does not stop the walk; otherwise
    // its exception ends the walk.
    void ForEach(TFIBBase::Hook TFIBBase::*hook, bool reversed,
                 const std::function<bool()>& keepGoing = {}, bool tolerateFailures = false);
    // For a connection or transaction that is being destroyed: tells the
    // links, last registered first, through their hook (whose exceptions are
    // swallowed: destruction goes on); each link still registered afterwards
    // is then cut loose by forget. Empties the list.
    void Release(TFIBBase::Hook TFIBBase::*hook, void (*forget)(TFIBBase&));

private:
    std::vector<TFIBBase*> links_;
};
