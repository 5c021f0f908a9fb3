// Attaching, detaching and what the connection learns about the server.

#include "fib/FIBDatabase.h"
#include "fib/fib.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>

namespace {

// Recursive: a before-connect hook may itself attach another connection.
std::recursive_mutex& AttachLock() {
    static std::recursive_mutex lock;
    return lock;
}

bool EqualsAnyCase(const QString& value, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (value.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The process's connected stream sockets.
std::set<int> ConnectedStreamSockets() {
    std::set<int> sockets;
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System);
    for (const QString& name : fds) {
        bool number = false;
        const int fd = name.toInt(&number);
        struct stat st {};
        if (!number || ::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode))
            continue;
        int type = 0;
        socklen_t length = sizeof type;
        sockaddr_storage peer{};
        socklen_t peerLength = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM &&
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0 &&
            (peer.ss_family == AF_INET || peer.ss_family == AF_INET6))
            sockets.insert(fd);
    }
    return sockets;
}

// The one socket that appeared since before, or -1.
int NewSocket(const std::set<int>& before) {
    int found = -1;
    for (int fd : ConnectedStreamSockets()) {
        if (before.count(fd))
            continue;
        if (found >= 0)
            return -1;
        found = fd;
    }
    return found;
}

} // namespace

void TFIBDatabase::CutLostSocket() {
    if (socket_ >= 0)
        ::shutdown(socket_, SHUT_RDWR);
    socket_ = -1;
}

void TFIBDatabase::Connect(bool raiseOnFailure) {
    if (Connected())
        return;
    for (int32_t& v : serverVersion_)
        v = -1;
    ISC_STATUS status = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(AttachLock());
        if (Connected())
            FIBError(fibeDatabaseOpen);
        if (dbName_.isEmpty())
            FIBError(fibeDatabaseNameMissing);
        IIBClientLibrary& lib = ClientLibrary();
        links_.ForEach(&TFIBBase::OnDatabaseConnecting, false);
        // No login dialog exists in this layer: the parameter lines carry the
        // credentials.
        const QByteArray& dpb = DPB();
        // Attaching is serialized, so the socket that appears is this
        // attachment's.
        const std::set<int> socketsBefore = ConnectedStreamSockets();
        status = lib.isc_attach_database(StatusVector(), static_cast<short>(dbName_.size()),
                                         dbName_.constData(), &handle_,
                                         static_cast<short>(dpb.size()), dpb.constData());
        RestoreFloatingPointControl();
        socket_ = status == 0 ? NewSocket(socketsBefore) : -1;
    }
    if (status != 0) {
        handle_ = 0;
        if (raiseOnFailure)
            IBError(ClientLibrary(), this);
        return;
    }
    connectionLost_ = false;
    StatusCheck(status, false);
    ReadServerFacts();
    if (OnConnect)
        OnConnect(this);
    connectListeners_.CallWhile([this] { return Connected(); }, this);
    links_.ForEach(&TFIBBase::OnDatabaseConnected, false, [this] { return Connected(); });
}

void TFIBDatabase::PrefetchAttachmentFacts() {
    attachmentFacts_.clear();
    static const char items[] = {char(isc_info_attachment_id),     char(isc_info_db_sql_dialect),
                                 char(isc_info_firebird_version),  char(isc_info_version),
                                 char(frb_info_att_charset),       char(isc_info_ods_version),
                                 char(isc_info_ods_minor_version), char(isc_info_end)};
    QByteArray answer(4096, '\0');
    IIBClientLibrary& lib = ClientLibrary();
    ISC_STATUS_ARRAY own{};
    const ISC_STATUS status = lib.isc_database_info(own, &handle_, short(sizeof items), items,
                                                    short(answer.size()), answer.data());
    RestoreFloatingPointControl();
    // Unanswered here, each item is asked on its own as before, and fails
    // there if it must.
    if (status != 0)
        return;
    for (qsizetype at = 0; at + 3 <= answer.size();) {
        const auto item = static_cast<uint8_t>(answer[at]);
        if (item == isc_info_end || item == isc_info_truncated || item == isc_info_error)
            break;
        const int length = static_cast<int>(lib.isc_vax_integer(answer.constData() + at + 1, 2));
        if (length < 0 || at + 3 + length > answer.size())
            break;
        attachmentFacts_.insert(item, answer.mid(at, 3 + length));
        at += 3 + length;
    }
}

void TFIBDatabase::ReadServerFacts() {
    PrefetchAttachmentFacts();
    attachmentId_ = DatabaseInfoInt(isc_info_attachment_id, -1);
    serverTimeOffset_ = 0;
    databaseDialect_ = DatabaseInfoInt(isc_info_db_sql_dialect, 1);
    if (databaseDialect_ < sqlDialect_)
        sqlDialect_ = databaseDialect_;
    if (synchronizeTime_)
        SynchronizeServerTime();
    ComputeCharsetFlags();
}

namespace {

// A version item's answer: a count byte, a length byte, then the text.
QString VersionText(const QByteArray& answer) {
    if (answer.size() < 2)
        return QString();
    const int length = static_cast<uint8_t>(answer[1]);
    return QString::fromLocal8Bit(answer.mid(2, length));
}

} // namespace

void TFIBDatabase::ComputeCharsetFlags() {
    const QString firebirdVersion = VersionText(DatabaseInfo(isc_info_firebird_version));
    serverIsFirebird_ = !firebirdVersion.isEmpty();
    serverVersionText_ =
        serverIsFirebird_ ? firebirdVersion : VersionText(DatabaseInfo(isc_info_version, 1024));
    ParseServerVersion();
    serverIsInterBase8_ = !serverIsFirebird_ && ServerMajorVersion() >= 8;
    if (serverIsFirebird_ && ServerMajorVersion() >= 2) {
        const int32_t id = DatabaseInfoInt(frb_info_att_charset, -1);
        unicodeConnection_ = InUnicodeSet(id);
        noCharsetConnection_ = id == 0;
        textNeedsTranslation_ = unicodeConnection_ || noCharsetConnection_;
        const bool version21 =
            ServerMajorVersion() > 2 || (ServerMajorVersion() == 2 && ServerMinorVersion() >= 1);
        const int32_t odsMajor = OdsMajor(), odsMinor = OdsMinor();
        const bool ods111 = odsMajor > 11 || (odsMajor == 11 && odsMinor >= 1);
        columnCharsetTranslation_ = textNeedsTranslation_ && version21 && ods111;
        koi8Connection_ = id == 63 || id == 64;
    } else {
        const QString charSet = connectParams_.CharSet();
        unicodeConnection_ = EqualsAnyCase(charSet, {"UNICODE_FSS", "UTF8"});
        noCharsetConnection_ = charSet.isEmpty() || EqualsAnyCase(charSet, {"NONE"});
        textNeedsTranslation_ = unicodeConnection_ || noCharsetConnection_;
        columnCharsetTranslation_ = false;
        koi8Connection_ = false;
    }
}

// From the fifth character to the one before the last, each non-digit ends a
// number: "LI-V3.0.11.33703 Firebird 3.0" gives 3, 0, 11, 33703.
void TFIBDatabase::ParseServerVersion() const {
    const QString& text = serverVersionText_;
    int index = 0;
    int32_t run = 0;
    for (qsizetype i = 4; i < text.size() - 1 && index < 4; ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            run = run * 10 + (c.unicode() - '0');
        } else {
            serverVersion_[index++] = run;
            run = 0;
        }
    }
    for (; index < 4; ++index)
        serverVersion_[index] = 0;
}

int32_t TFIBDatabase::ServerMajorVersion() const {
    if (serverVersion_[0] < 0)
        ParseServerVersion();
    return serverVersion_[0];
}
int32_t TFIBDatabase::ServerMinorVersion() const {
    if (serverVersion_[1] < 0)
        ParseServerVersion();
    return serverVersion_[1];
}
int32_t TFIBDatabase::ServerReleaseVersion() const {
    if (serverVersion_[2] < 0)
        ParseServerVersion();
    return serverVersion_[2];
}
int32_t TFIBDatabase::ServerBuildVersion() const {
    if (serverVersion_[3] < 0)
        ParseServerVersion();
    return serverVersion_[3];
}

int32_t TFIBDatabase::OdsMajor() const {
    if (!Connected())
        return -1;
    return const_cast<TFIBDatabase*>(this)->DatabaseInfoInt(isc_info_ods_version, -1);
}

int32_t TFIBDatabase::OdsMinor() const {
    if (!Connected())
        return -1;
    return const_cast<TFIBDatabase*>(this)->DatabaseInfoInt(isc_info_ods_minor_version, -1);
}

bool TFIBDatabase::PreFirebird2Server() const {
    return !(Connected() && serverIsFirebird_ && ServerMajorVersion() >= 2);
}

bool TFIBDatabase::UnicodeConnection() const {
    if (Connected())
        return unicodeConnection_;
    return EqualsAnyCase(const_cast<TFIBDatabase*>(this)->connectParams_.CharSet(),
                         {"UNICODE_FSS", "UTF8"});
}

bool TFIBDatabase::TextNeedsTranslation() const {
    if (Connected())
        return textNeedsTranslation_;
    const QString charSet = const_cast<TFIBDatabase*>(this)->connectParams_.CharSet();
    return charSet.isEmpty() || EqualsAnyCase(charSet, {"UNICODE_FSS", "UTF8", "NONE"});
}

bool TFIBDatabase::KOI8Connection() const {
    if (Connected())
        return koi8Connection_;
    return EqualsAnyCase(const_cast<TFIBDatabase*>(this)->connectParams_.CharSet(),
                         {"KOI8R", "KOI8U"});
}

bool TFIBDatabase::InUnicodeSet(int charsetId) const {
    if (charsetId == 3)
        return true;
    if (serverIsFirebird_)
        return charsetId == 4;
    if (serverIsInterBase8_)
        return charsetId == 8 || charsetId == 59 || charsetId == 64;
    return false;
}

bool TFIBDatabase::CharsetIsUnicode(int charsetId) const {
    if (columnCharsetTranslation_ || noCharsetConnection_)
        return charsetId <= 255 && InUnicodeSet(charsetId);
    return UnicodeConnection() && charsetId >= 2;
}

int TFIBDatabase::CharsetBytesPerChar(int charsetId) const {
    if (charsetId == 3)
        return 3;
    if (!Connected())
        return 1;
    if (serverIsFirebird_ && charsetId == 4)
        return 4;
    if (serverIsInterBase8_) {
        if (charsetId == 8 || charsetId == 64)
            return 2;
        if (charsetId == 59)
            return 4;
    }
    return 1;
}

// --- disconnect ------------------------------------------------------------------

void TFIBDatabase::CallDisconnectEvent(const std::function<void(TFIBDatabase*)>& event,
                                       const char* name) {
    if (!event)
        return;
    try {
        event(this);
    } catch (const Exception& e) {
        const QString format =
            IsDestroying()
                ? QStringLiteral("Error of %s.%s. Probably you are trying to get access to "
                                 "destroyed components. %s")
                : QStringLiteral("Error of %s.%s. %s");
        throw Exception(FormatText(format, {FullComponentName(this), name, e.Message()}));
    } catch (const std::exception& e) {
        const QString format =
            IsDestroying()
                ? QStringLiteral("Error of %s.%s. Probably you are trying to get access to "
                                 "destroyed components. %s")
                : QStringLiteral("Error of %s.%s. %s");
        throw Exception(FormatText(format, {FullComponentName(this), name, e.what()}));
    }
}

void TFIBDatabase::EndTransactionsForDisconnect(bool force) {
    for (TFIBTransaction* t : std::vector<TFIBTransaction*>(transactions_)) {
        if (IndexOfTransaction(t) < 0 || !t->Active())
            continue;
        try {
            t->EndTransaction(HardForm(t->TimeoutAction()), true);
        } catch (...) {
            if (!force)
                throw;
        }
    }
}

void TFIBDatabase::Disconnect(bool force) {
    CheckConnected();
    CallDisconnectEvent(BeforeDisconnect, "BeforeDisconnect");
    disconnectListeners_.Call(this);
    EndTransactionsForDisconnect(force);
    links_.ForEach(&TFIBBase::OnDatabaseDisconnecting, false, {}, force);
    // A refused detach is not reported: the connection is gone for us either way.
    client_->isc_detach_database(StatusVector(), &handle_);
    RestoreFloatingPointControl();
    handle_ = 0;
    socket_ = -1;
    StopIdleTimer();
    links_.ForEach(&TFIBBase::OnDatabaseDisconnected, false, {}, force);
    CallDisconnectEvent(AfterDisconnect, "AfterDisconnect");
}
