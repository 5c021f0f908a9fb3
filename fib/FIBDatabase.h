#pragma once
// The connection to one Firebird database (TFIBDatabase) and the server
// transaction over one or more connections (TFIBTransaction). Statements and
// datasets hang on both through their TFIBBase links.

#include "base/Component.h"
#include "base/Listeners.h"
#include "fib/FIBBase.h"
#include "fib/FIBTypes.h"
#include "fib/IB_Intf.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
class TFIBDatabase;
class TFIBTransaction;

// Views of the user_name, password, sql_role_name and lc_ctype lines of a
// connection's DBParams: reading finds the line, writing replaces, appends or
// (for an empty value) deletes it.
class TConnectParams {
public:
    explicit TConnectParams(TFIBDatabase* database) : database_(database) {}

    QString UserName() const { return Value(QStringLiteral("user_name")); }
    void SetUserName(const QString& v) { SetValue(QStringLiteral("user_name"), v); }
    QString Password() const { return Value(QStringLiteral("password")); }
    void SetPassword(const QString& v) { SetValue(QStringLiteral("password"), v); }
    QString RoleName() const { return Value(QStringLiteral("sql_role_name")); }
    void SetRoleName(const QString& v) { SetValue(QStringLiteral("sql_role_name"), v); }
    QString CharSet() const { return Value(QStringLiteral("lc_ctype")); }
    // Upper-cased (ASCII letters) before it is written.
    void SetCharSet(const QString& v);
    bool IB2007() const { return ib2007_; }
    void SetIB2007(bool v) { ib2007_ = v; }

private:
    int FindLine(const QString& itemName) const;
    QString Value(const QString& itemName) const;
    void SetValue(const QString& itemName, const QString& value);

    TFIBDatabase* database_;
    bool ib2007_ = false;
};

class TFIBDatabase : public TComponent {
public:
    explicit TFIBDatabase(TComponent* owner = nullptr);
    ~TFIBDatabase() override;

    void SetName(const QString& name) override;

    // --- published properties ---
    QString DBName() const;
    void SetDBName(const QString& name);
    const QStringList& DBParams() const { return dbParams_; }
    void SetDBParams(const QStringList& params);
    TConnectParams& ConnectParams() { return connectParams_; }
    TFIBTransaction* DefaultTransaction() const { return defaultTransaction_; }
    void SetDefaultTransaction(TFIBTransaction* transaction);
    TFIBTransaction* DefaultUpdateTransaction() const { return defaultUpdateTransaction_; }
    void SetDefaultUpdateTransaction(TFIBTransaction* transaction);
    int32_t SQLDialect() const { return sqlDialect_; }
    void SetSQLDialect(int32_t dialect);
    uint32_t Timeout() const { return timeout_; }
    void SetTimeout(uint32_t milliseconds);
    const QString& LibraryName() const { return libraryName_; }
    void SetLibraryName(const QString& name);
    bool UseLoginPrompt() const { return useLoginPrompt_; }
    void SetUseLoginPrompt(bool v) { useLoginPrompt_ = v; }
    bool SynchronizeTime() const { return synchronizeTime_; }
    void SetSynchronizeTime(bool v) { synchronizeTime_ = v; }
    bool UpperOldNames() const { return upperOldNames_; }
    void SetUpperOldNames(bool v) { upperOldNames_ = v; }
    uint32_t WaitForRestoreConnect() const { return waitForRestoreConnect_; }
    void SetWaitForRestoreConnect(uint32_t v) { waitForRestoreConnect_ = v; }
    bool Connected() const { return handle_ != 0; }
    // A client call failed because the server connection broke; cleared by
    // the next successful Connect, which attaches with the same parameters.
    bool ConnectionLost() const { return connectionLost_; }
    // While loading, True is remembered: Loaded connects and starts the
    // default transaction.
    void SetConnected(bool connected);

    // --- events (empty unless assigned) ---
    std::function<void(TFIBDatabase*)> OnConnect;
    std::function<void(TFIBDatabase*)> BeforeDisconnect;
    std::function<void(TFIBDatabase*)> AfterDisconnect;
    std::function<void(TFIBDatabase*)> OnTimeout;
    // Called when the idle timer fires; leaving keep true keeps the connection.
    std::function<void(TFIBDatabase*, bool& keep)> OnIdleConnect;
    std::function<void(TFIBTransaction*)> BeforeStartTransaction;
    std::function<void(TFIBTransaction*)> AfterStartTransaction;
    std::function<void(TFIBTransaction*, TTransactionAction, bool force)> BeforeEndTransaction;
    std::function<void(TFIBTransaction*, TTransactionAction, bool force)> AfterEndTransaction;

    // Listeners of other objects, called after the matching event.
    TListenerList<TFIBDatabase*>& ConnectListeners() { return connectListeners_; }
    TListenerList<TFIBDatabase*>& DisconnectListeners() { return disconnectListeners_; }
    TListenerList<TFIBDatabase*>& DestroyListeners() { return destroyListeners_; }

    // --- operations ---
    // Attaches unless attached. A refused attach raises the server error when
    // raiseOnFailure is set and otherwise leaves the connection unattached.
    virtual void Connect(bool raiseOnFailure = true);
    // Ends the transactions, tells the links, detaches. With force, failures
    // of the transactions and links are ignored.
    virtual void Disconnect(bool force = false);
    void CommitDefaultTransaction();
    void RollbackDefaultTransaction();
    // Client error 12 when not connected.
    void CheckConnected() const;

    // A one-off select: the value of column (all columns as a list when column
    // is negative) of the first row, run in transaction or, when none is
    // given, in the internal transaction, which is then committed.
    QVariant SelectValue(const QString& sql, int column = 0,
                         TFIBTransaction* transaction = nullptr);
    // The next value of a generator, advanced by step.
    int64_t GeneratorValue(const QString& generatorName, int64_t step = 1,
                           TFIBTransaction* transaction = nullptr);

    // --- server facts, as read at the last connect ---
    bool ServerIsFirebird() const { return serverIsFirebird_; }
    bool ServerIsInterBase8() const { return serverIsInterBase8_; }
    int32_t ServerMajorVersion() const;
    int32_t ServerMinorVersion() const;
    int32_t ServerReleaseVersion() const;
    int32_t ServerBuildVersion() const;
    // The server's version text (Firebird version item, or the general one).
    const QString& ServerVersionText() const { return serverVersionText_; }
    int32_t OdsMajor() const; // asked on each use
    int32_t OdsMinor() const;
    int32_t AttachmentID() const { return attachmentId_; }
    int32_t DatabaseSQLDialect() const { return databaseDialect_; }
    // Local time minus server time at the last connect, in days.
    double ServerTimeOffset() const { return serverTimeOffset_; }
    bool PreFirebird2Server() const;
    bool UnicodeConnection() const;
    bool TextNeedsTranslation() const;
    bool KOI8Connection() const;
    bool ColumnCharsetTranslation() const { return columnCharsetTranslation_; }
    bool NoCharsetConnection() const { return noCharsetConnection_; }
    bool CharsetIsUnicode(int charsetId) const;
    int CharsetBytesPerChar(int charsetId) const;
    bool OldStyleNames() const { return sqlDialect_ < 3 || upperOldNames_; }

    // --- for transactions, statements and datasets ---
    // The client library binding, loaded on first request.
    IIBClientLibraryPtr Client();
    IIBClientLibrary& ClientLibrary() { return *Client(); }
    bool ClientLoaded() const { return client_ != nullptr; }
    isc_db_handle* Handle() { return &handle_; }
    isc_db_handle HandleValue() const { return handle_; }
    TFIBTransaction* InternalTransaction() const { return internalTransaction_; }
    int TransactionCount() const { return static_cast<int>(transactions_.size()); }
    TFIBTransaction* Transactions(int index) const { return transactions_.at(index); }
    int IndexOfTransaction(const TFIBTransaction* transaction) const;
    TFIBTransaction* FirstActiveTransaction() const;
    // Registered links; a slot may be empty (nullptr).
    int SQLObjectCount() const { return links_.Count(); }
    TFIBBase* SQLObjects(int index) const { return links_.At(index); }
    // After every client call: restores the floating-point state, restarts
    // the idle timer and, when raiseError is set, raises a non-zero status.
    // A status that says the connection broke first releases every handle
    // of the attachment (ReleaseLostConnection).
    void StatusCheck(ISC_STATUS status, bool raiseError);
    // Whether the calling thread's status vector says the server connection
    // is gone (network failure, attachment shut down or killed).
    static bool StatusSaysConnectionLost();
    // The DPB as it will be sent, rebuilt first if DBParams changed.
    const QByteArray& DPB();
    // Raw answer of isc_database_info for one item (empty when not answered).
    QByteArray DatabaseInfo(uint8_t item, int bufferSize = 512);
    // An integer item's value, or fallback when the server does not answer it.
    int32_t DatabaseInfoInt(uint8_t item, int32_t fallback = -1);

    // --- stopping a long request (FIBCancel.cpp) ---
    // Stops what runs on this connection: the server is asked to stop the
    // request it is running (fb_cancel_operation, fb_cancel_raise), and
    // every fetch of this connection's statements fails before it reaches
    // the server, until DropPendingCancel. The call that is stopped fails
    // with the server's "operation was cancelled" (isc_cancelled, which
    // StatusSaysCancelled tells). The server stops a count or a grouping it
    // is computing, but not a cursor read row by row: it is between two
    // requests then, and the fetch check stops the read. Meant for another
    // thread than the one inside the call, or for the same thread between
    // the fetches of a long read: it touches only an atomic flag, the
    // attachment handle and a status vector of its own. False when not
    // attached.
    bool CancelOperation();
    // Ends a stop: fetches go through again, and a cancel the server took
    // after its request had ended is dropped there (disable, then enable),
    // so that it does not stop the next request. Failures are ignored.
    void DropPendingCancel();
    bool StopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }
    // Raises the server's "operation was cancelled" with sender as source.
    [[noreturn]] void RaiseCancelled(const TComponent* sender);
    // Whether the calling thread's status vector says the request was
    // cancelled.
    static bool StatusSaysCancelled();

protected:
    void Loaded() override;
    // The server-time query of the connect sequence.
    void SynchronizeServerTime();

private:
    friend class TFIBTransaction;
    friend class TFIBBase;
    friend class TConnectParams;

    void SetDBParamsInternal(const QStringList& params);
    void AddTransaction(TFIBTransaction* transaction);
    void RemoveTransaction(TFIBTransaction* transaction);
    void Attach(bool raiseOnFailure);
    void ReadServerFacts();
    // Asks the server, in one request, every item an attachment keeps for
    // its lifetime that the connect sequence and the version checks read.
    void PrefetchAttachmentFacts();
    void ComputeCharsetFlags();
    void ParseServerVersion() const;
    void EndTransactionsForDisconnect(bool force);
    // Statements, transactions and the attachment let go of their handles;
    // failures are ignored and the calling thread's status vector is kept,
    // so the error on its way is reported as the server gave it.
    void ReleaseLostConnection();
    // Closes the attachment's own socket, so that what the client library
    // still asks over it fails at once instead of waiting for a server that
    // has stopped reading it.
    void CutLostSocket();
    void CallDisconnectEvent(const std::function<void(TFIBDatabase*)>& event, const char* name);
    bool InUnicodeSet(int charsetId) const;
    void IdleTimerFired();
    void StopIdleTimer();
    static void DisconnectAllAtExit();
    // A transaction going away: connections drop their references to it.
    static void TransactionDestroyed(TFIBTransaction* transaction);

    QByteArray dbName_;
    QStringList dbParams_;
    TConnectParams connectParams_{this};
    TFIBTransaction* defaultTransaction_ = nullptr;
    TFIBTransaction* defaultUpdateTransaction_ = nullptr;
    int32_t sqlDialect_ = 1;
    uint32_t timeout_ = 0;
    QString libraryName_ = QStringLiteral("gds32.dll");
    bool useLoginPrompt_ = false;
    bool synchronizeTime_ = true;
    bool upperOldNames_ = false;
    uint32_t waitForRestoreConnect_ = 0;
    bool streamedConnected_ = false;

    isc_db_handle handle_ = 0;
    // The TCP socket the client library opened for this attachment; -1 for
    // an embedded one, or when it could not be told apart.
    int socket_ = -1;
    bool connectionLost_ = false;
    QByteArray dpb_;
    bool dpbOutdated_ = true;
    IIBClientLibraryPtr client_;
    TFIBLinkList links_;
    std::vector<TFIBTransaction*> transactions_;
    TFIBTransaction* internalTransaction_ = nullptr;

    int32_t attachmentId_ = -1;
    // The prefetched answers, by item, as isc_database_info gives them
    // (item, length word, value): each request is a round trip.
    QHash<uint8_t, QByteArray> attachmentFacts_;
    int32_t databaseDialect_ = 1;
    QString serverVersionText_;
    mutable int32_t serverVersion_[4] = {-1, -1, -1, -1};
    double serverTimeOffset_ = 0;
    bool serverIsFirebird_ = false;
    bool serverIsInterBase8_ = false;
    bool unicodeConnection_ = false;
    bool noCharsetConnection_ = false;
    bool textNeedsTranslation_ = false;
    bool columnCharsetTranslation_ = false;
    bool koi8Connection_ = false;

    std::unique_ptr<QTimer> idleTimer_;
    std::chrono::steady_clock::time_point lastCallTime_;
    std::atomic<bool> stopRequested_{false};

    TListenerList<TFIBDatabase*> connectListeners_;
    TListenerList<TFIBDatabase*> disconnectListeners_;
    TListenerList<TFIBDatabase*> destroyListeners_;
};

class TFIBTransaction : public TComponent {
public:
    explicit TFIBTransaction(TComponent* owner = nullptr);
    ~TFIBTransaction() override;

    // --- published properties ---
    bool Active() const { return handle_ != 0; }
    // True while inactive starts; False while active rolls back.
    void SetActive(bool active);
    TFIBDatabase* DefaultDatabase() const { return defaultDatabase_; }
    void SetDefaultDatabase(TFIBDatabase* database);
    uint32_t Timeout() const { return timeout_; }
    void SetTimeout(uint32_t milliseconds);
    TTransactionAction TimeoutAction() const { return timeoutAction_; }
    void SetTimeoutAction(TTransactionAction action) { timeoutAction_ = action; }
    const QStringList& TRParams() const { return trParams_; }
    void SetTRParams(const QStringList& params);
    const QString& UserKindTransaction() const { return userKind_; }
    void SetUserKindTransaction(const QString& kind) { userKind_ = kind; }

    std::function<void(TFIBTransaction*)> OnTimeout;

    // Listeners of other objects (datasets register their transaction events
    // here). The end listeners receive the action and the force flag.
    using StartListeners = TListenerList<TFIBTransaction*>;
    using EndListeners = TListenerList<TFIBTransaction*, TTransactionAction, bool>;
    StartListeners& BeforeStartListeners() { return beforeStart_; }
    StartListeners& AfterStartListeners() { return afterStart_; }
    EndListeners& BeforeEndListeners() { return beforeEnd_; }
    EndListeners& AfterEndListeners() { return afterEnd_; }
    StartListeners& DestroyListeners() { return destroyed_; }

    // --- operations ---
    virtual void StartTransaction();
    void Commit() { EndTransaction(TACommit, false); }
    void CommitRetaining() { EndTransaction(TACommitRetaining, false); }
    void Rollback() { EndTransaction(TARollback, false); }
    void RollbackRetaining() { EndTransaction(TARollbackRetaining, false); }
    // With force a refused hard end is rolled back and the transaction ends
    // without an error.
    virtual void EndTransaction(TTransactionAction action, bool force);
    // Client error 15 when not active.
    void CheckInTransaction() const;

    // Connections the transaction spans; the first of them (or
    // DefaultDatabase) is its main connection.
    int DatabaseCount() const { return static_cast<int>(databases_.size()); }
    TFIBDatabase* Databases(int index) const { return databases_.at(index); }
    int IndexOfDatabase(const TFIBDatabase* database) const;
    // Adds a connection; one using another client library is refused.
    void AddDatabase(TFIBDatabase* database);
    void RemoveDatabase(TFIBDatabase* database);
    TFIBDatabase* MainDatabase() const;

    // --- for statements and datasets ---
    isc_tr_handle* Handle() { return &handle_; }
    isc_tr_handle HandleValue() const { return handle_; }
    TTransactionPhase Phase() const { return phase_; }
    // Whether a client call has been made in the transaction since it
    // started: a statement prepared, run or fetched, a blob, a question.
    bool Used() const { return used_; }
    // The main connection's client library.
    IIBClientLibrary& ClientLibrary() const;
    // After every client call made in this transaction: restores the
    // floating-point state, clears the idle mark, runs each connection's
    // status check and, when raiseError is set, raises a non-zero status with
    // the transaction as sender.
    void StatusCheck(ISC_STATUS status, bool raiseError);
    // Told before (phase 0) and after (phase 1) a statement executes.
    virtual void SQLExecuteNotify(TComponent* statement, int statementType, int phase);
    int SQLObjectCount() const { return links_.Count(); }
    TFIBBase* SQLObjects(int index) const { return links_.At(index); }
    // The TPB as it will be sent, rebuilt first if TRParams changed.
    const QByteArray& TPB();
    bool IdleTimerRunning() const;

private:
    friend class TFIBBase;
    friend class TFIBDatabase;

    void BeforeEndNotify(TTransactionAction action, bool force);
    void AfterEndNotify(TTransactionAction action, bool force);
    void IdleTick();
    void ForgetDatabase(TFIBDatabase* database);
    // The connection broke: roll back on a private status vector, ignore the
    // outcome, and become inactive without telling the statements and
    // datasets (an edit being typed stays in its dataset).
    void ReleaseLostHandle();

    isc_tr_handle handle_ = 0;
    TTransactionPhase phase_ = trInactive;
    bool used_ = false;
    TFIBDatabase* defaultDatabase_ = nullptr;
    uint32_t timeout_ = 0;
    TTransactionAction timeoutAction_ = TARollback;
    QStringList trParams_;
    QString userKind_ = QStringLiteral("NoUserKind");
    QByteArray tpb_;
    bool tpbOutdated_ = true;
    std::vector<TFIBDatabase*> databases_;
    TFIBLinkList links_;
    std::unique_ptr<QTimer> idleTimer_;
    bool idleMark_ = false;

    StartListeners beforeStart_;
    StartListeners afterStart_;
    EndListeners beforeEnd_;
    EndListeners afterEnd_;
    StartListeners destroyed_;
};

// The parameter blocks, built from name=value lines. The lines are stored
// back trimmed. Unknown names are client error 9 / 11, names of the tables
// that this layer does not support are client error 8 / 10.
QByteArray BuildDPB(QStringList& lines);
QByteArray BuildTPB(QStringList& lines);
