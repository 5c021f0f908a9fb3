// Attaching to and detaching from the local server, what the connection
// learns at attach, and the rules for changing it while attached.

#include "tests/fib-conn/ConnTestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace conn_test;
using namespace veltor::test;

namespace {

class Database : public ::testing::Test {
protected:
    ProgramComponents p{ProgramDatabase().ConnectionString()};
};

QString DataDir() {
    const QByteArray v = qgetenv("VELTOR_TEST_DATA_DIR");
    return v.isEmpty() ? QStringLiteral("/var/lib/firebird/3.0/data") : QString::fromLocal8Bit(v);
}

// A database of SQL dialect 1, made and dropped through isql.
class Dialect1Database {
public:
    Dialect1Database() {
        path_ = QStringLiteral("%1/veltor_test_conn_d1_%2.fdb").arg(DataDir()).arg(getpid());
        Run(QStringLiteral("SET SQL DIALECT 1;\nCREATE DATABASE '%1' USER '%2' PASSWORD '%3';\n")
                .arg(ConnectionString(), TestUser(), TestPassword()));
    }
    ~Dialect1Database() {
        Run(QStringLiteral("CONNECT '%1' USER '%2' PASSWORD '%3';\nDROP DATABASE;\n")
                .arg(ConnectionString(), TestUser(), TestPassword()));
    }
    QString ConnectionString() const { return TestHost() + QLatin1Char(':') + path_; }

private:
    static void Run(const QString& input) {
        QProcess isql;
        isql.setProcessChannelMode(QProcess::MergedChannels);
        isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-b")});
        ASSERT_TRUE(isql.waitForStarted());
        isql.write(input.toUtf8());
        isql.closeWriteChannel();
        isql.waitForFinished(60000);
        ASSERT_EQ(isql.exitCode(), 0) << isql.readAll().toStdString();
    }
    QString path_;
};

} // namespace

TEST_F(Database, AttachReadsServerFactsAndDetachClearsTheHandle) {
    ASSERT_NO_THROW(p.database->SetConnected(true));
    EXPECT_TRUE(p.database->Connected());
    EXPECT_GT(p.database->AttachmentID(), 0);
    EXPECT_EQ(p.database->SQLDialect(), 3);
    EXPECT_TRUE(p.database->ServerIsFirebird());
    EXPECT_EQ(p.database->ServerMajorVersion(), 3);
    EXPECT_EQ(p.database->ServerMinorVersion(), 0);
    EXPECT_GT(p.database->ServerBuildVersion(), 0);
    EXPECT_FALSE(p.database->PreFirebird2Server());
    EXPECT_GE(p.database->OdsMajor(), 12);
    EXPECT_FALSE(p.database->UnicodeConnection());
    EXPECT_FALSE(p.database->NoCharsetConnection());
    EXPECT_FALSE(p.database->TextNeedsTranslation());
    EXPECT_FALSE(p.database->ColumnCharsetTranslation());
    EXPECT_FALSE(p.database->KOI8Connection());
    // Same machine: local time minus server time is within a few seconds.
    EXPECT_NEAR(p.database->ServerTimeOffset(), 0.0, 5.0 / 86400);
    EXPECT_EQ(p.database->CharsetBytesPerChar(4), 4);
    EXPECT_EQ(p.database->CharsetBytesPerChar(52), 1);

    p.database->SetConnected(false);
    EXPECT_FALSE(p.database->Connected());
    EXPECT_EQ(p.database->HandleValue(), 0u);
}

TEST_F(Database, ConnectOnConnectedConnectionMakesNoServerCall) {
    int connecting = 0;
    TFIBBase link(nullptr);
    link.OnDatabaseConnecting = [&] { ++connecting; };
    link.SetDatabase(p.database);
    p.database->Connect(true);
    ASSERT_EQ(connecting, 1);
    const isc_db_handle handle = p.database->HandleValue();
    const int32_t attachment = p.database->AttachmentID();
    // A call to the server would leave this code in the vector.
    StatusVector()[1] = 12345;
    p.database->Connect(true);
    EXPECT_EQ(StatusVector()[1], 12345);
    EXPECT_EQ(connecting, 1);
    EXPECT_EQ(p.database->HandleValue(), handle);
    EXPECT_EQ(p.database->AttachmentID(), attachment);
}

TEST_F(Database, RejectedPasswordLeavesConnectionClosedAndNamesIt) {
    p.database->ConnectParams().SetPassword("wrong-password");
    const EFIBInterBaseError e =
        Raised<EFIBInterBaseError>([&] { p.database->SetConnected(true); });
    EXPECT_FALSE(p.database->Connected());
    EXPECT_EQ(p.database->HandleValue(), 0u);
    EXPECT_TRUE(e.Message().startsWith("main_frm.DataBase:\r\n")) << e.what();
    EXPECT_EQ(e.GDSCode(), isc_login) << e.what();
    EXPECT_TRUE(e.ServerText().endsWith(".\r\n")) << e.what();
    EXPECT_EQ(e.Sender(), p.database);

    // Without raise-on-failure the refusal is silent.
    EXPECT_NO_THROW(p.database->Connect(false));
    EXPECT_FALSE(p.database->Connected());
}

TEST_F(Database, MissingDatabaseFileIsServerError) {
    p.database->SetDBName(TestHost() + ":/var/lib/firebird/3.0/data/veltor_no_such_file.fdb");
    const EFIBInterBaseError e = Raised<EFIBInterBaseError>([&] { p.database->Connect(); });
    EXPECT_FALSE(p.database->Connected());
    EXPECT_EQ(e.GDSCode(), isc_io_error) << e.what();
    EXPECT_TRUE(e.Message().contains("veltor_no_such_file.fdb")) << e.what();
}

TEST_F(Database, PreconditionsOfConnectAreClientErrors) {
    p.database->SetDBName("");
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.database->Connect(); }).Message(),
              "Database name is missing.");
    p.database->SetDBName(ProgramDatabase().ConnectionString());
    p.database->SetDBParams({"lc_ctype=WIN1251", "page_size=4096"});
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.database->Connect(); }).Message(),
              "DPB Constant (isc_dpb_page_size) is unsupported.");
    EXPECT_FALSE(p.database->Connected());
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.database->CheckConnected(); }).Message(),
              "main_frm.DataBase: Cannot perform operation -- DB is not open.");
}

TEST_F(Database, Dialect1DatabaseLowersSQLDialect) {
    Dialect1Database d1;
    p.database->SetDBName(d1.ConnectionString());
    ASSERT_NO_THROW(p.database->Connect());
    EXPECT_EQ(p.database->DatabaseSQLDialect(), 1);
    EXPECT_EQ(p.database->SQLDialect(), 1);
    EXPECT_TRUE(p.database->OldStyleNames());
    // Raising it above the database's own dialect is refused.
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.database->SetSQLDialect(3); }).SQLErrorCode(), 61);
    p.database->Disconnect();
}

TEST_F(Database, PropertiesThatShapeTheAttachmentAreFixedWhileConnected) {
    p.database->Connect();
    const QString name = p.database->DBName();
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.database->SetDBName("other.fdb"); }).SQLErrorCode(),
              13);
    EXPECT_NO_THROW(p.database->SetDBName(name));
    EXPECT_EQ(
        Raised<EFIBClientError>([&] { p.database->ConnectParams().SetUserName("X"); }).Message(),
        "Cannot perform operation -- DB is currently open.");
    EXPECT_EQ(
        Raised<EFIBClientError>([&] { p.database->SetLibraryName("fbclient.dll"); }).SQLErrorCode(),
        13);
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.database->SetSQLDialect(0); }).SQLErrorCode(), 61);
    EXPECT_TRUE(p.database->Connected());
}

TEST_F(Database, DisconnectEndsActiveTransactionsByTheirTimeoutAction) {
    p.database->Connect();
    p.transaction->StartTransaction();
    std::vector<TTransactionAction> ended;
    const TListenerRegistration listener = p.transaction->AfterEndListeners().Add(
        [&](TFIBTransaction*, TTransactionAction a, bool force) {
            EXPECT_TRUE(force);
            ended.push_back(a);
        });
    p.transaction->SetTimeoutAction(TACommitRetaining);
    p.database->Disconnect();
    EXPECT_EQ(ended, std::vector<TTransactionAction>({TACommit}));
    EXPECT_FALSE(p.transaction->Active());
    EXPECT_FALSE(p.database->Connected());
}

TEST_F(Database, HooksAndEventsRunInTheirOrderAroundConnectAndDisconnect) {
    std::vector<std::string> log;
    TFIBBase first(nullptr), second(nullptr);
    for (auto [link, tag] : {std::pair{&first, "1"}, std::pair{&second, "2"}}) {
        const std::string t = tag;
        link->OnDatabaseConnecting = [&log, t] { log.push_back("connecting" + t); };
        link->OnDatabaseConnected = [&log, t] { log.push_back("connected" + t); };
        link->OnDatabaseDisconnecting = [&log, t] { log.push_back("disconnecting" + t); };
        link->OnDatabaseDisconnected = [&log, t] { log.push_back("disconnected" + t); };
        link->SetDatabase(p.database);
    }
    // A link without a transaction takes the connection's default one.
    EXPECT_EQ(first.Transaction(), p.transaction);
    p.database->OnConnect = [&](TFIBDatabase*) { log.push_back("OnConnect"); };
    const TListenerRegistration listener =
        p.database->ConnectListeners().Add([&](TFIBDatabase*) { log.push_back("listener"); });
    p.database->BeforeDisconnect = [&](TFIBDatabase*) { log.push_back("BeforeDisconnect"); };
    p.database->AfterDisconnect = [&](TFIBDatabase*) { log.push_back("AfterDisconnect"); };
    p.database->Connect();
    p.database->Disconnect();
    EXPECT_EQ(log, std::vector<std::string>({"connecting1", "connecting2", "OnConnect", "listener",
                                             "connected1", "connected2", "BeforeDisconnect",
                                             "disconnecting1", "disconnecting2", "disconnected1",
                                             "disconnected2", "AfterDisconnect"}));
}

TEST_F(Database, FailingBeforeDisconnectIsReportedWithTheConnectionsName) {
    p.database->Connect();
    p.database->BeforeDisconnect = [](TFIBDatabase*) { throw Exception("boom"); };
    try {
        p.database->Disconnect();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Error of main_frm.DataBase.BeforeDisconnect. boom");
    }
    EXPECT_TRUE(p.database->Connected());
    p.database->BeforeDisconnect = nullptr;
}

TEST_F(Database, DefaultTransactionServicesNeedADefaultTransaction) {
    p.database->Connect();
    p.transaction->StartTransaction();
    p.database->CommitDefaultTransaction();
    EXPECT_FALSE(p.transaction->Active());
    p.database->SetDefaultTransaction(nullptr);
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.database->RollbackDefaultTransaction(); }).Message(),
              "Transaction not assigned for main_frm.DataBase.");
}

TEST_F(Database, DestroyingTheConnectionDetachesAndReleasesItsLinks) {
    TFIBBase link(nullptr);
    bool told = false;
    link.OnDatabaseFree = [&] { told = true; };
    link.SetDatabase(p.database);
    p.database->Connect();
    p.transaction->StartTransaction();
    delete p.database;
    EXPECT_TRUE(told);
    EXPECT_EQ(link.Database(), nullptr);
    EXPECT_EQ(link.Transaction(), nullptr);
    EXPECT_FALSE(p.transaction->Active());
    EXPECT_EQ(p.transaction->DefaultDatabase(), nullptr);
    EXPECT_EQ(p.transaction->DatabaseCount(), 0);
}

// The attach lock is held while the links are told; one of them may attach
// another connection on the same thread without deadlocking.
TEST_F(Database, ConnectingHookMayAttachAnotherConnection) {
    ProgramComponents other(ProgramDatabase().ConnectionString());
    TFIBBase link(nullptr);
    link.OnDatabaseConnecting = [&] { other.database->Connect(); };
    link.SetDatabase(p.database);
    ASSERT_NO_THROW(p.database->Connect());
    EXPECT_TRUE(other.database->Connected());
    EXPECT_NE(other.database->AttachmentID(), p.database->AttachmentID());
}

// Connected stored in the form: the attach waits until loading ends, then the
// default transaction starts too.
TEST(DatabaseLoading, ConnectedSetWhileLoadingConnectsAndStartsTransactionWhenLoaded) {
    TComponent form;
    form.SetName(QStringLiteral("main_frm"));
    form.BeginLoading();
    auto* database = new TpFIBDatabase(&form);
    auto* transaction = new TpFIBTransaction(&form);
    database->SetName(QStringLiteral("DataBase"));
    database->SetDBName(ProgramDatabase().ConnectionString());
    database->SetDBParams({QStringLiteral("lc_ctype=WIN1251")});
    database->ConnectParams().SetUserName(TestUser());
    database->ConnectParams().SetPassword(TestPassword());
    database->SetLibraryName(QStringLiteral("fbclient.dll"));
    database->SetConnected(true);
    EXPECT_FALSE(database->Connected());
    // Set after Connected, as a stored description may list them.
    database->SetDefaultTransaction(transaction);
    transaction->SetDefaultDatabase(database);
    form.EndLoading();
    EXPECT_TRUE(database->Connected());
    EXPECT_EQ(database->InternalTransaction()->Name(), "DataBase_InternalTransaction");
    EXPECT_TRUE(transaction->Active());
    transaction->Commit();
}
