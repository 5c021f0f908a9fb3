#include "fib/FIBDatabase.h"

#include "fib/FIBErrorKinds.h"
#include "fib/fib.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

// Every live connection, so that those still attached at the end of the
// process are detached and transactions can drop references to themselves.
struct ConnectionRegistry {
    std::mutex lock;
    std::vector<TFIBDatabase*> connections;
};
ConnectionRegistry& Registry() {
    static ConnectionRegistry* registry = new ConnectionRegistry; // outlives exit handlers
    return *registry;
}

} // namespace

// --- TConnectParams ----------------------------------------------------------

int TConnectParams::FindLine(const QString& itemName) const {
    const QString name = itemName.toUpper();
    const QStringList& lines = database_->DBParams();
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].toUpper();
        if (line.startsWith(name) || line.mid(8).startsWith(name))
            return i;
    }
    return -1;
}

QString TConnectParams::Value(const QString& itemName) const {
    const int i = FindLine(itemName);
    if (i < 0)
        return QString();
    const QString& line = database_->DBParams()[i];
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}

void TConnectParams::SetValue(const QString& itemName, const QString& value) {
    QStringList lines = database_->DBParams();
    const int i = FindLine(itemName);
    if (value.isEmpty()) {
        if (i >= 0)
            lines.removeAt(i);
    } else if (i >= 0) {
        lines[i] = itemName + QLatin1Char('=') + value;
    } else {
        lines.append(itemName + QLatin1Char('=') + value);
    }
    database_->SetDBParams(lines);
}

void TConnectParams::SetCharSet(const QString& v) {
    QString upper = v;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    SetValue(QStringLiteral("lc_ctype"), upper);
}

// --- construction and destruction ---------------------------------------------

TFIBDatabase::TFIBDatabase(TComponent* owner) : TComponent(owner) {
    internalTransaction_ = new TFIBTransaction(nullptr);
    internalTransaction_->SetName(Name() + QStringLiteral("_InternalTransaction"));
    internalTransaction_->SetDefaultDatabase(this);
    internalTransaction_->SetTimeoutAction(TACommit);
    internalTransaction_->SetTimeout(1000);
    internalTransaction_->SetTRParams({QStringLiteral("write"), QStringLiteral("isc_tpb_nowait"),
                                       QStringLiteral("read_committed"),
                                       QStringLiteral("rec_version")});
    std::lock_guard<std::mutex> guard(Registry().lock);
    Registry().connections.push_back(this);
}

TFIBDatabase::~TFIBDatabase() {
    MarkDestroying();
    if (internalTransaction_->Active()) {
        try {
            internalTransaction_->Commit();
        } catch (...) {
            IgnoreFailure("a destructor does not throw",
                          [this] { internalTransaction_->EndTransaction(TACommit, true); });
        }
    }
    delete internalTransaction_;
    internalTransaction_ = nullptr;
    StopIdleTimer();
    idleTimer_.reset();
    if (Connected()) {
        try {
            Disconnect(true);
        } catch (...) {
            handle_ = 0;
            socket_ = -1;
        }
    }
    IgnoreFailure("a destructor does not throw; every listener is still told",
                  [this] { destroyListeners_.Call(this); });
    links_.Release(&TFIBBase::OnDatabaseFree, [](TFIBBase& link) {
        link.SetTransaction(nullptr);
        link.ForgetDatabase();
    });
    for (TFIBTransaction* t : std::vector<TFIBTransaction*>(transactions_))
        t->ForgetDatabase(this);
    transactions_.clear();
    {
        std::lock_guard<std::mutex> guard(Registry().lock);
        auto& all = Registry().connections;
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    DestroyComponents();
}

void TFIBDatabase::SetName(const QString& name) {
    TComponent::SetName(name);
    if (internalTransaction_)
        internalTransaction_->SetName(name + QStringLiteral("_InternalTransaction"));
}

void TFIBDatabase::Loaded() {
    if (internalTransaction_)
        internalTransaction_->SetName(Name() + QStringLiteral("_InternalTransaction"));
    if (!streamedConnected_)
        return;
    streamedConnected_ = false;
    Connect(true);
    if (defaultTransaction_ && !defaultTransaction_->Active())
        defaultTransaction_->StartTransaction();
}

void TFIBDatabase::TransactionDestroyed(TFIBTransaction* transaction) {
    std::lock_guard<std::mutex> guard(Registry().lock);
    for (TFIBDatabase* db : Registry().connections) {
        if (db->defaultTransaction_ == transaction)
            db->defaultTransaction_ = nullptr;
        if (db->defaultUpdateTransaction_ == transaction)
            db->defaultUpdateTransaction_ = nullptr;
    }
}

void TFIBDatabase::DisconnectAllAtExit() {
    std::vector<TFIBDatabase*> all;
    {
        std::lock_guard<std::mutex> guard(Registry().lock);
        all = Registry().connections;
    }
    for (TFIBDatabase* db : all) {
        IgnoreFailure("the process is ending: every other connection is still closed", [db] {
            if (db->Connected())
                db->Disconnect(false);
        });
    }
}

// --- properties ----------------------------------------------------------------

QString TFIBDatabase::DBName() const {
    return QString::fromLocal8Bit(dbName_);
}

void TFIBDatabase::SetDBName(const QString& name) {
    const QByteArray bytes = name.toLocal8Bit();
    if (bytes == dbName_)
        return;
    if (Connected())
        FIBError(fibeDatabaseOpen);
    dbName_ = bytes;
}

void TFIBDatabase::SetDBParams(const QStringList& params) {
    if (params == dbParams_)
        return;
    if (Connected())
        FIBError(fibeDatabaseOpen);
    dbParams_ = params;
    dpbOutdated_ = true;
}

void TFIBDatabase::SetDefaultTransaction(TFIBTransaction* transaction) {
    defaultTransaction_ = transaction;
}

void TFIBDatabase::SetDefaultUpdateTransaction(TFIBTransaction* transaction) {
    defaultUpdateTransaction_ = transaction;
}

void TFIBDatabase::SetSQLDialect(int32_t dialect) {
    if (dialect < 1 || (Connected() && dialect > databaseDialect_))
        FIBError(fibeSQLDialectInvalid);
    sqlDialect_ = dialect;
}

void TFIBDatabase::SetTimeout(uint32_t milliseconds) {
    timeout_ = milliseconds;
    if (timeout_ == 0) {
        StopIdleTimer();
        idleTimer_.reset();
        return;
    }
    if (!idleTimer_) {
        idleTimer_ = std::make_unique<QTimer>();
        idleTimer_->setSingleShot(true);
        QObject::connect(idleTimer_.get(), &QTimer::timeout, idleTimer_.get(),
                         [this] { IdleTimerFired(); });
    }
    idleTimer_->setInterval(static_cast<int>(std::min<uint32_t>(timeout_, INT32_MAX)));
    if (Connected() && QCoreApplication::instance())
        idleTimer_->start();
}

void TFIBDatabase::SetLibraryName(const QString& name) {
    if (Connected())
        FIBError(fibeDatabaseOpen);
    if (name == libraryName_)
        return;
    client_.reset();
    libraryName_ = name;
}

void TFIBDatabase::SetConnected(bool connected) {
    // While the owner is being built the other properties (name, parameters,
    // default transaction) may not be set yet: the attach waits for Loaded.
    if (IsLoading()) {
        streamedConnected_ = connected;
        return;
    }
    if (connected)
        Connect(true);
    else if (Connected())
        Disconnect(false);
}

IIBClientLibraryPtr TFIBDatabase::Client() {
    if (!client_) {
        client_ = LoadClientLibrary(libraryName_);
        // Registered after the library's own exit handlers, so it runs
        // before them while the library is still whole.
        static std::once_flag atExit;
        std::call_once(atExit, [] { std::atexit(&TFIBDatabase::DisconnectAllAtExit); });
    }
    return client_;
}

const QByteArray& TFIBDatabase::DPB() {
    if (dpbOutdated_) {
        dpbOutdated_ = false;
        try {
            dpb_ = BuildDPB(dbParams_);
        } catch (...) {
            dpbOutdated_ = true;
            throw;
        }
    }
    return dpb_;
}

// --- registration ----------------------------------------------------------------

void TFIBDatabase::AddTransaction(TFIBTransaction* transaction) {
    if (IndexOfTransaction(transaction) < 0)
        transactions_.push_back(transaction);
}

void TFIBDatabase::RemoveTransaction(TFIBTransaction* transaction) {
    transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), transaction),
                        transactions_.end());
    if (defaultTransaction_ == transaction)
        defaultTransaction_ = nullptr;
    if (defaultUpdateTransaction_ == transaction)
        defaultUpdateTransaction_ = nullptr;
}

int TFIBDatabase::IndexOfTransaction(const TFIBTransaction* transaction) const {
    auto it = std::find(transactions_.begin(), transactions_.end(), transaction);
    return it == transactions_.end() ? -1 : static_cast<int>(it - transactions_.begin());
}

TFIBTransaction* TFIBDatabase::FirstActiveTransaction() const {
    for (TFIBTransaction* t : transactions_)
        if (t->Active())
            return t;
    return nullptr;
}

// --- client calls ----------------------------------------------------------------

void TFIBDatabase::StatusCheck(ISC_STATUS status, bool raiseError) {
    RestoreFloatingPointControl();
    lastCallTime_ = std::chrono::steady_clock::now();
    if (status != 0 && Connected() && StatusSaysConnectionLost())
        ReleaseLostConnection();
    if (timeout_ && idleTimer_ && Connected() && QCoreApplication::instance())
        idleTimer_->start();
    if (raiseError && status != 0)
        IBError(ClientLibrary(), this);
}

bool TFIBDatabase::StatusSaysConnectionLost() {
    return StatusContains(LostConnectionCodes());
}

// The server end of the attachment is gone, and so is every transaction and
// statement on it. Their handles are still held by the client library, which
// must be told to let go (it would otherwise tear them down at process exit,
// after the connection has died, and crash). Nothing here may raise or
// overwrite the error that is being reported.
void TFIBDatabase::ReleaseLostConnection() {
    connectionLost_ = true;
    // A server that has shut the attachment down may stop reading its
    // socket while the client library waits for an answer to the release
    // calls below, for ever. With the socket closed, they fail at once and
    // release the handles all the same.
    CutLostSocket();
    links_.ForEach(&TFIBBase::OnConnectionLost, false, {}, true);
    for (TFIBTransaction* t : std::vector<TFIBTransaction*>(transactions_))
        t->ReleaseLostHandle();
    if (client_ && handle_) {
        ISC_STATUS_ARRAY own{};
        client_->isc_detach_database(own, &handle_);
        RestoreFloatingPointControl();
    }
    handle_ = 0;
    StopIdleTimer();
}

QByteArray TFIBDatabase::DatabaseInfo(uint8_t item, int bufferSize) {
    CheckConnected();
    IIBClientLibrary& lib = ClientLibrary();
    QByteArray answer;
    if (const auto fact = attachmentFacts_.constFind(item); fact != attachmentFacts_.cend()) {
        answer = *fact;
        answer.resize(std::max<qsizetype>(answer.size(), bufferSize), '\0');
    } else {
        const char request[] = {static_cast<char>(item), static_cast<char>(isc_info_end)};
        answer = QByteArray(bufferSize, '\0');
        const ISC_STATUS status =
            lib.isc_database_info(StatusVector(), &handle_, short(sizeof request), request,
                                  static_cast<short>(bufferSize), answer.data());
        StatusCheck(status, true);
    }
    if (static_cast<uint8_t>(answer[0]) != item)
        return QByteArray();
    const int length = static_cast<int>(lib.isc_vax_integer(answer.constData() + 1, 2));
    if (length < 0 || 3 + length > bufferSize)
        return QByteArray();
    return answer.mid(3, length);
}

int32_t TFIBDatabase::DatabaseInfoInt(uint8_t item, int32_t fallback) {
    const QByteArray data = DatabaseInfo(item);
    if (data.isEmpty())
        return fallback;
    return static_cast<int32_t>(
        ClientLibrary().isc_vax_integer(data.constData(), static_cast<short>(data.size())));
}

void TFIBDatabase::CheckConnected() const {
    if (!Connected())
        FIBError(fibeDatabaseClosed, {FullComponentName(this)});
}

// --- default transaction ------------------------------------------------------------

void TFIBDatabase::CommitDefaultTransaction() {
    if (!defaultTransaction_)
        FIBError(fibeTransactionNotAssigned, {FullComponentName(this)});
    defaultTransaction_->Commit();
}

void TFIBDatabase::RollbackDefaultTransaction() {
    if (!defaultTransaction_)
        FIBError(fibeTransactionNotAssigned, {FullComponentName(this)});
    defaultTransaction_->Rollback();
}

// --- idle timer ------------------------------------------------------------------------

void TFIBDatabase::StopIdleTimer() {
    if (idleTimer_)
        idleTimer_->stop();
}

void TFIBDatabase::IdleTimerFired() {
    // Runs from the event loop: nothing may escape into it; a failure goes to
    // the background error handler.
    try {
        if (!Connected())
            return;
        bool keep = false;
        if (OnIdleConnect)
            OnIdleConnect(this, keep);
        if (keep) {
            idleTimer_->start();
            return;
        }
        Disconnect(true);
        if (OnTimeout)
            OnTimeout(this);
    } catch (...) {
        ReportBackgroundError(std::current_exception());
    }
}
