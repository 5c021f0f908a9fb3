#include "fib/pFIBDatabase.h"

void TpFIBDatabase::Connect(bool raiseOnFailure) {
    if (Connected())
        return;
    if (BeforeConnect) {
        QStringList params = DBParams();
        bool proceed = true;
        BeforeConnect(this, params, proceed);
        if (!proceed)
            return;
        SetDBParams(params);
    }
    TFIBDatabase::Connect(raiseOnFailure);
}

TpFIBTransaction::~TpFIBTransaction() {
    // Ended before this layer goes, so that its end events and the
    // connection's are told as for any other end.
    MarkDestroying();
    if (Active())
        IgnoreFailure("a destructor does not throw",
                      [this] { EndTransaction(HardForm(TimeoutAction()), true); });
}

void TpFIBTransaction::StartTransaction() {
    if (Active())
        return;
    if (tpbMode_ == tpbReadCommitted)
        SetTRParams({QStringLiteral("write"), QStringLiteral("isc_tpb_nowait"),
                     QStringLiteral("read_committed"), QStringLiteral("rec_version")});
    else if (tpbMode_ == tpbRepeatableRead)
        SetTRParams({QStringLiteral("write"), QStringLiteral("isc_tpb_nowait"),
                     QStringLiteral("concurrency")});
    TFIBDatabase* main = MainDatabase();
    if (main && main->BeforeStartTransaction)
        main->BeforeStartTransaction(this);
    if (BeforeStart)
        BeforeStart(this);
    TFIBTransaction::StartTransaction();
    if (AfterStart)
        AfterStart(this);
    if (main && main->AfterStartTransaction)
        main->AfterStartTransaction(this);
}

void TpFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
    TFIBDatabase* main = MainDatabase();
    if (main && main->BeforeEndTransaction)
        main->BeforeEndTransaction(this, action, force);
    if (BeforeEnd)
        BeforeEnd(this, action, force);
    TFIBTransaction::EndTransaction(action, force);
    if (AfterEnd)
        AfterEnd(this, action, force);
    if (main && main->AfterEndTransaction)
        main->AfterEndTransaction(this, action, force);
}

void TpFIBTransaction::SQLExecuteNotify(TComponent* statement, int statementType, int phase) {
    if (phase == 0 && BeforeSQLExecute)
        BeforeSQLExecute(statement, statementType);
    else if (phase == 1 && AfterSQLExecute)
        AfterSQLExecute(statement, statementType);
}
