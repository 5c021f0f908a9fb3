#include "fib/FIBDatabase.h"
#include "fib/fib.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {

// One entry of the transaction existence block of isc_start_multiple.
struct TransactionExistenceBlock {
    isc_db_handle* database;
    int tpbLength;
    const char* tpb;
};

// The idle timer belongs to the user-interface thread; a start or stop asked
// for from elsewhere is carried out there. Without an application there is
// no message loop to drive it, so it is not started.
void RunOnTimerThread(QTimer* timer, std::function<void()> action) {
    if (!timer || !QCoreApplication::instance())
        return;
    if (QThread::currentThread() == timer->thread())
        action();
    else
        QMetaObject::invokeMethod(timer, std::move(action), Qt::QueuedConnection);
}

} // namespace

TFIBTransaction::TFIBTransaction(TComponent* owner) : TComponent(owner) {}

TFIBTransaction::~TFIBTransaction() {
    MarkDestroying();
    if (Active()) {
        try {
            TFIBTransaction::EndTransaction(HardForm(timeoutAction_), true);
        } catch (...) {
            handle_ = 0;
        }
    }
    IgnoreFailure("a destructor does not throw; every listener is still told",
                  [this] { destroyed_.CallReversed(this); });
    links_.Release(&TFIBBase::OnTransactionFree, [](TFIBBase& link) { link.ForgetTransaction(); });
    for (TFIBDatabase* db : std::vector<TFIBDatabase*>(databases_))
        db->RemoveTransaction(this);
    databases_.clear();
    defaultDatabase_ = nullptr;
    TFIBDatabase::TransactionDestroyed(this);
    idleTimer_.reset();
    DestroyComponents();
}

// --- properties ----------------------------------------------------------------

void TFIBTransaction::SetActive(bool active) {
    if (active && !Active())
        StartTransaction();
    else if (!active && Active())
        Rollback();
}

void TFIBTransaction::SetDefaultDatabase(TFIBDatabase* database) {
    if (Active())
        FIBError(fibeInTransaction, {FullComponentName(this)});
    if (database == defaultDatabase_)
        return;
    TFIBDatabase* old = defaultDatabase_;
    if (database) {
        for (TFIBDatabase* other : databases_)
            if (other != old && other->LibraryName() != database->LibraryName())
                throw Exception(FormatText(
                    QStringLiteral("%s.\r\nTransaction can't work with different client library."),
                    {FullComponentName(this)}));
        database->AddTransaction(this);
    }
    const int oldIndex = IndexOfDatabase(old);
    if (old) {
        old->RemoveTransaction(this);
        if (oldIndex >= 0)
            databases_.erase(databases_.begin() + oldIndex);
    }
    if (database && IndexOfDatabase(database) < 0) {
        if (oldIndex >= 0)
            databases_.insert(databases_.begin() + oldIndex, database);
        else
            databases_.push_back(database);
    }
    defaultDatabase_ = database;
}

void TFIBTransaction::SetTimeout(uint32_t milliseconds) {
    timeout_ = milliseconds;
    if (timeout_ == 0) {
        idleTimer_.reset();
        return;
    }
    if (!idleTimer_) {
        idleTimer_ = std::make_unique<QTimer>();
        if (QCoreApplication::instance() &&
            QCoreApplication::instance()->thread() != QThread::currentThread())
            idleTimer_->moveToThread(QCoreApplication::instance()->thread());
        QObject::connect(idleTimer_.get(), &QTimer::timeout, idleTimer_.get(),
                         [this] { IdleTick(); });
    }
    const int interval = static_cast<int>(std::min<uint32_t>(timeout_, INT32_MAX));
    QTimer* timer = idleTimer_.get();
    RunOnTimerThread(timer, [timer, interval] { timer->setInterval(interval); });
    if (QCoreApplication::instance() == nullptr)
        timer->setInterval(interval);
    if (Active())
        RunOnTimerThread(timer, [timer] { timer->start(); });
}

bool TFIBTransaction::IdleTimerRunning() const {
    return idleTimer_ && idleTimer_->isActive();
}

void TFIBTransaction::SetTRParams(const QStringList& params) {
    if (Active())
        FIBError(fibeInTransaction, {FullComponentName(this)});
    trParams_ = params;
    tpbOutdated_ = true;
}

const QByteArray& TFIBTransaction::TPB() {
    if (tpbOutdated_) {
        tpbOutdated_ = false;
        try {
            tpb_ = BuildTPB(trParams_);
        } catch (...) {
            tpbOutdated_ = true;
            throw;
        }
    }
    return tpb_;
}

// --- connections -----------------------------------------------------------------

int TFIBTransaction::IndexOfDatabase(const TFIBDatabase* database) const {
    auto it = std::find(databases_.begin(), databases_.end(), database);
    return it == databases_.end() ? -1 : static_cast<int>(it - databases_.begin());
}

void TFIBTransaction::AddDatabase(TFIBDatabase* database) {
    if (!database || IndexOfDatabase(database) >= 0)
        return;
    if (!databases_.empty() && databases_.front()->LibraryName() != database->LibraryName())
        throw Exception(FormatText(
            QStringLiteral("%s.\r\nTransaction can't work with different client library."),
            {FullComponentName(this)}));
    databases_.push_back(database);
    database->AddTransaction(this);
}

void TFIBTransaction::RemoveDatabase(TFIBDatabase* database) {
    const int index = IndexOfDatabase(database);
    if (index < 0)
        return;
    databases_.erase(databases_.begin() + index);
    database->RemoveTransaction(this);
    if (defaultDatabase_ == database)
        defaultDatabase_ = nullptr;
}

void TFIBTransaction::ForgetDatabase(TFIBDatabase* database) {
    const int index = IndexOfDatabase(database);
    if (index >= 0)
        databases_.erase(databases_.begin() + index);
    if (defaultDatabase_ == database)
        defaultDatabase_ = nullptr;
}

TFIBDatabase* TFIBTransaction::MainDatabase() const {
    if (defaultDatabase_)
        return defaultDatabase_;
    return databases_.empty() ? nullptr : databases_.front();
}

IIBClientLibrary& TFIBTransaction::ClientLibrary() const {
    TFIBDatabase* main = MainDatabase();
    if (!main)
        FIBError(fibeNoDatabasesInTransaction, {FullComponentName(this)});
    return main->ClientLibrary();
}

// --- links -------------------------------------------------------------------------

void TFIBTransaction::SQLExecuteNotify(TComponent*, int, int) {}

// --- start and end ---------------------------------------------------------------

void TFIBTransaction::CheckInTransaction() const {
    if (!Active())
        FIBError(fibeNotInTransaction, {FullComponentName(this)});
}

void TFIBTransaction::StatusCheck(ISC_STATUS status, bool raiseError) {
    RestoreFloatingPointControl();
    idleMark_ = false;
    used_ = true;
    // Indexed, not copied: this runs after every fetched row.
    for (size_t i = 0; i < databases_.size(); ++i)
        databases_[i]->StatusCheck(status, false);
    if (raiseError && status != 0)
        IBError(ClientLibrary(), this);
}

void TFIBTransaction::StartTransaction() {
    if (Active())
        FIBError(fibeInTransaction, {FullComponentName(this)});
    if (databases_.empty())
        FIBError(fibeNoDatabasesInTransaction, {FullComponentName(this)});
    const QByteArray& tpb = TPB();
    std::vector<TransactionExistenceBlock> block;
    for (TFIBDatabase* db : databases_) {
        db->CheckConnected();
        block.push_back({db->Handle(), static_cast<int>(tpb.size()), tpb.constData()});
    }
    links_.ForEach(&TFIBBase::OnBeforeTransactionStart, false);
    if (!Active()) {
        beforeStart_.Call(this);
        IIBClientLibrary& lib = ClientLibrary();
        const ISC_STATUS status = lib.isc_start_multiple(
            StatusVector(), &handle_, static_cast<short>(block.size()), block.data());
        StatusCheck(status, false);
        if (status != 0) {
            handle_ = 0;
            IBError(lib, this);
        }
        used_ = false;
        afterStart_.Call(this);
    }
    links_.ForEach(&TFIBBase::OnAfterTransactionStart, false);
    phase_ = trActive;
    idleMark_ = false;
    if (idleTimer_ && timeout_ > 0) {
        QTimer* timer = idleTimer_.get();
        RunOnTimerThread(timer, [timer] { timer->start(); });
    }
}

void TFIBTransaction::BeforeEndNotify(TTransactionAction action, bool force) {
    links_.ForEach(&TFIBBase::OnTransactionEnding, true);
    beforeEnd_.Call(this, action, force);
}

void TFIBTransaction::AfterEndNotify(TTransactionAction action, bool force) {
    links_.ForEach(&TFIBBase::OnTransactionEnded, true);
    afterEnd_.Call(this, action, force);
}

void TFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
    CheckInTransaction();
    IIBClientLibrary& lib = ClientLibrary();
    try {
        switch (action) {
        case TARollbackRetaining:
        case TACommitRetaining: {
            phase_ = action == TACommitRetaining ? trCommitRetaining : trRollbackRetaining;
            BeforeEndNotify(action, force);
            const ISC_STATUS status = action == TACommitRetaining
                                          ? lib.isc_commit_retaining(StatusVector(), &handle_)
                                          : lib.isc_rollback_retaining(StatusVector(), &handle_);
            StatusCheck(status, true);
            AfterEndNotify(action, force);
            break;
        }
        case TACommit:
        case TARollback: {
            phase_ = action == TACommit ? trCommitting : trRollbacking;
            BeforeEndNotify(action, force);
            ISC_STATUS status = action == TACommit
                                    ? lib.isc_commit_transaction(StatusVector(), &handle_)
                                    : lib.isc_rollback_transaction(StatusVector(), &handle_);
            StatusCheck(status, false);
            if (force) {
                if (status != 0)
                    StatusCheck(lib.isc_rollback_transaction(StatusVector(), &handle_), false);
                handle_ = 0;
            } else if (status != 0) {
                IBError(lib, this);
            }
            AfterEndNotify(action, force);
            break;
        }
        }
    } catch (...) {
        // A refused end leaves the transaction as the server left it; the
        // phase must not keep claiming that an end is under way.
        phase_ = handle_ ? trActive : trInactive;
        throw;
    }
    phase_ = handle_ ? trActive : trInactive;
    if (!handle_ && idleTimer_) {
        QTimer* timer = idleTimer_.get();
        RunOnTimerThread(timer, [timer] { timer->stop(); });
    }
}

void TFIBTransaction::ReleaseLostHandle() {
    if (handle_) {
        ISC_STATUS_ARRAY own{};
        if (TFIBDatabase* main = MainDatabase(); main && main->ClientLoaded())
            main->ClientLibrary().isc_rollback_transaction(own, &handle_);
        RestoreFloatingPointControl();
    }
    handle_ = 0;
    phase_ = trInactive;
    idleMark_ = false;
    if (idleTimer_) {
        QTimer* timer = idleTimer_.get();
        RunOnTimerThread(timer, [timer] { timer->stop(); });
    }
}

void TFIBTransaction::IdleTick() {
    // Runs from the event loop: nothing may escape into it; a failure goes to
    // the background error handler.
    try {
        if (!Active()) {
            idleTimer_->stop();
            return;
        }
        if (!idleMark_) {
            idleMark_ = true;
            return;
        }
        EndTransaction(timeoutAction_, true);
        if (OnTimeout)
            OnTimeout(this);
    } catch (...) {
        ReportBackgroundError(std::current_exception());
    }
}
