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

    // A connection or transaction that is being destroyed tells its links,
    // last registered first, through their hook (whose exceptions are
    // swallowed: destruction goes on); each link still registered afterwards
    // is then cut loose by forget. Clears the list.
    // A link list reuses the first free slot; a removed link leaves its slot
    // free, so the other links keep their indexes.
    static int AddToLinks(std::vector<TFIBBase*>& links, TFIBBase* link);
    static void RemoveFromLinks(std::vector<TFIBBase*>& links, int index);
    static void ReleaseLinks(std::vector<TFIBBase*>& links, Hook TFIBBase::*hook,
                             void (*forget)(TFIBBase&));

private:
    friend class TFIBDatabase;
    friend class TFIBTransaction;

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
