#pragma once
// The program's connection and transaction components: TFIBDatabase and
// TFIBTransaction with the events and the transaction mode the program's
// configuration offers.

#include "fib/FIBDatabase.h"

class TpFIBDatabase : public TFIBDatabase {
public:
    explicit TpFIBDatabase(TComponent* owner = nullptr) : TFIBDatabase(owner) {}

    // Called before attaching with the parameter lines, which it may change;
    // clearing the continue flag ends the connect silently.
    std::function<void(TpFIBDatabase*, QStringList& params, bool& proceed)> BeforeConnect;

    void Connect(bool raiseOnFailure = true) override;
};

class TpFIBTransaction : public TFIBTransaction {
public:
    explicit TpFIBTransaction(TComponent* owner = nullptr) : TFIBTransaction(owner) {}
    // An active transaction is ended here, through this layer's events.
    ~TpFIBTransaction() override;

    // tpbDefault sends TRParams as written; the other modes replace them at
    // every start.
    TTPBMode TPBMode() const { return tpbMode_; }
    void SetTPBMode(TTPBMode mode) { tpbMode_ = mode; }

    std::function<void(TFIBTransaction*)> BeforeStart;
    std::function<void(TFIBTransaction*)> AfterStart;
    std::function<void(TFIBTransaction*, TTransactionAction, bool force)> BeforeEnd;
    std::function<void(TFIBTransaction*, TTransactionAction, bool force)> AfterEnd;
    std::function<void(TComponent* statement, int statementType)> BeforeSQLExecute;
    std::function<void(TComponent* statement, int statementType)> AfterSQLExecute;

    // Starting an active transaction does nothing.
    void StartTransaction() override;
    void EndTransaction(TTransactionAction action, bool force) override;
    void SQLExecuteNotify(TComponent* statement, int statementType, int phase) override;

private:
    TTPBMode tpbMode_ = tpbReadCommitted;
};
