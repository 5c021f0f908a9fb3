// The program told to stop by a signal: SIGTERM at logout, at shutdown or from
// kill, SIGINT from Ctrl+C, SIGHUP when its terminal goes. Nobody is there to
// answer a question, so it leaves as a confirmed exit does, without asking:
// the typed row is posted, the transaction committed, options.ini written,
// and it ends within seconds, whatever dialog is open. What it cannot save it
// names on its standard error, and then it ends anyway.
//
// The real program runs as a child (signals_child) on a database file opened
// by the client library's embedded engine and on the private server; what
// the database holds afterwards is read with isql.

#include "tests/reliability/Sitting.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <sys/types.h>

using namespace veltor::test;

namespace {

// A normal leave takes well under a second; a sanitized program on a busy
// machine needs more to start its end, but never this long.
constexpr int kPromptMs = 10000;
// The longest the program waits for a server that does not answer.
constexpr int kGiveUpMs = 10000;

const QRegularExpression kSanitizerReport(QStringLiteral("Sanitizer|runtime error:"));

QString SignalsChildProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/signals_child");
}

// A database file of the test's own, opened without any server: the
// client library's embedded engine, in the program and in isql alike.
class EmbeddedDatabase {
public:
    EmbeddedDatabase() : path_(dir_.filePath(QStringLiteral("veltor.fdb"))) {
        QProcess make;
        make.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ISC_USER"), TestUser());
        env.insert(QStringLiteral("ISC_PASSWORD"), TestPassword());
        make.setProcessEnvironment(env);
        make.start(SourceDir() + QStringLiteral("/db/make-demo"),
                   {path_, QStringLiteral("--empty")});
        if (!make.waitForFinished(120000) || make.exitCode() != 0)
            throw std::runtime_error("make-demo failed: " + make.readAll().toStdString());
        QFile fixture(SourceDir() + QStringLiteral("/tests/support/fixture.sql"));
        if (!fixture.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read the fixture");
        Isql(QString::fromUtf8(fixture.readAll()));
    }
    QString ConnectionString() const { return path_; }
    QString Isql(const QString& sql) const {
        QString out;
        if (RunIsql(path_, sql, &out) != 0)
            throw std::runtime_error("isql failed: " + out.toStdString());
        return out;
    }

private:
    QTemporaryDir dir_;
    QString path_;
};

// Where the program's database is, and how the test reads it back.
struct Place {
    QString name;
    QString connection;
    std::function<QString(const QString&)> isql;

    long long Count(const QString& select) const {
        return isql(QStringLiteral("set heading off;\n") + select + QStringLiteral(";\n"))
            .trimmed()
            .toLongLong();
    }
    // The rows the child typed: the faculty it posted, and the student it
    // was typing, of that faculty.
    long long Faculties(const QString& tag) const {
        return Count(
            QStringLiteral("select count(*) from fakultet where nazva = 'Faculty %1'").arg(tag));
    }
    long long Students(const QString& tag) const {
        return Count(QStringLiteral("select count(*) from student s join fakultet f "
                                    "on f.f_id = s.f_id where s.familiya = 'Student %1' "
                                    "and f.nazva = 'Faculty %1'")
                         .arg(tag));
    }
};

Place Embedded() {
    static EmbeddedDatabase db;
    return {QStringLiteral("embedded"), db.ConnectionString(),
            [](const QString& sql) { return db.Isql(sql); }};
}

Place Server() {
    static std::unique_ptr<TestDatabase> db = ProgramServer().MakeDatabase(TestData::Fixture);
    return {QStringLiteral("server"), db->ConnectionString(),
            [](const QString& sql) { return db->Isql(sql); }};
}

// The program as a child, in a program folder of its own.
class Child {
public:
    Child(const Place& place, const QString& scenario, const QString& tag) {
        folder.WriteFile(QStringLiteral("options.ini"),
                         ProgramOptions(place.connection, TestUser(), TestPassword(),
                                        QStringLiteral("English")));
        folder.WriteFile(QStringLiteral("Languages/English.olg"), "[WORDS]\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The leak check at exit stops every thread, and its tracer now and
        // then dies on one still ending then (twice in some two hundred exits
        // here; threads of the client library live until exit): a failure of
        // the tool, not of the program. Memory errors and undefined behaviour
        // are still caught, and the leak check runs in the test program.
        const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
        process.setProcessEnvironment(env);
        process.start(SignalsChildProgram(), {folder.Path(), scenario, tag});
    }
    ~Child() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Whether the child typed its rows and waits for the signal.
    bool Ready() {
        while (!out.contains(QLatin1String("ready\n")) && !out.contains(QLatin1String("failed")) &&
               process.waitForReadyRead(120000))
            out += QString::fromUtf8(process.readAllStandardOutput());
        return out.contains(QLatin1String("ready\n"));
    }
    void Send(int signo) const { ::kill(static_cast<pid_t>(process.processId()), signo); }
    // Milliseconds until the child ended, or -1 when it still runs after ms.
    qint64 WaitForEnd(int ms) {
        QElapsedTimer clock;
        clock.start();
        if (!process.waitForFinished(ms))
            return -1;
        const qint64 took = clock.elapsed();
        out += QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return took;
    }
    bool Crashed() const {
        return process.exitStatus() != QProcess::NormalExit ||
               kSanitizerReport.match(err).hasMatch();
    }
    std::string Log() {
        if (process.state() != QProcess::NotRunning)
            err += QString::fromUtf8(process.readAllStandardError());
        return ("stdout:\n" + out + "\nstderr:\n" + err).toStdString();
    }
    bool OptionsSaved() const {
        // Only a save writes the window's position.
        return folder.ReadFile(QStringLiteral("options.ini")).contains("[Main_Form]");
    }

    TempProgramFolder folder;
    QProcess process;
    QString out;
    QString err;
};

const char* SignalName(int signo) {
    return signo == SIGTERM ? "SIGTERM" : signo == SIGINT ? "SIGINT" : "SIGHUP";
}

// Names of the typed rows, new at every call: the databases serve every case
// (and every repetition) of the program.
QString Tag(const QString& what) {
    static int count = 0;
    return what + QStringLiteral(" %1").arg(++count);
}

// Each signal, on each kind of database: the row posted and the row still
// being typed are both committed, options.ini is written, and the program
// ends promptly, cleanly, with exit code 0.
TEST(Signals, EachSignalLeavesAsAConfirmedExitOnAnEmbeddedOrServerDatabase) {
    for (const Place& place : {Embedded(), Server()}) {
        for (const int signo : {SIGTERM, SIGINT, SIGHUP}) {
            const QString tag =
                Tag(place.name + QLatin1Char(' ') + QLatin1String(SignalName(signo)));
            SCOPED_TRACE(tag.toStdString());
            Child child(place, QStringLiteral("typed"), tag);
            ASSERT_TRUE(child.Ready()) << child.Log();
            ASSERT_FALSE(child.OptionsSaved());
            child.Send(signo);
            const qint64 took = child.WaitForEnd(kPromptMs + kGiveUpMs);
            ASSERT_GE(took, 0) << "the program did not end\n" << child.Log();
            EXPECT_LT(took, kPromptMs) << child.Log();
            EXPECT_FALSE(child.Crashed()) << child.Log();
            EXPECT_EQ(child.process.exitCode(), 0) << child.Log();
            EXPECT_EQ(place.Faculties(tag), 1) << child.Log();
            EXPECT_EQ(place.Students(tag), 1) << "the row being typed\n" << child.Log();
            EXPECT_TRUE(child.OptionsSaved()) << child.Log();
        }
    }
}

// A dialog open at the time waits for an answer nobody gives: it is closed
// as if cancelled, and the program leaves as without it.
TEST(Signals, OpenDialogDoesNotHoldTheExit) {
    const Place place = Embedded();
    for (const char* scenario : {"options", "exit"}) {
        const QString tag = Tag(QStringLiteral("dialog ") + QLatin1String(scenario));
        SCOPED_TRACE(scenario);
        Child child(place, QString::fromLatin1(scenario), tag);
        ASSERT_TRUE(child.Ready()) << child.Log();
        child.Send(SIGTERM);
        const qint64 took = child.WaitForEnd(kPromptMs + kGiveUpMs);
        ASSERT_GE(took, 0) << "the program did not end\n" << child.Log();
        EXPECT_LT(took, kPromptMs) << child.Log();
        EXPECT_FALSE(child.Crashed()) << child.Log();
        EXPECT_EQ(child.process.exitCode(), 0) << child.Log();
        EXPECT_EQ(place.Faculties(tag), 1) << child.Log();
        EXPECT_EQ(place.Students(tag), 1) << child.Log();
        EXPECT_TRUE(child.OptionsSaved()) << child.Log();
    }
}

// More signals while the program leaves (a session manager and a user both
// asking) change nothing: one leave, everything saved.
TEST(Signals, FurtherSignalsWhileLeavingAreHarmless) {
    const Place place = Embedded();
    const QString tag = Tag(QStringLiteral("signals in a burst"));
    Child child(place, QStringLiteral("typed"), tag);
    ASSERT_TRUE(child.Ready()) << child.Log();
    for (const int signo : {SIGTERM, SIGTERM, SIGINT, SIGHUP})
        child.Send(signo);
    const qint64 took = child.WaitForEnd(kPromptMs + kGiveUpMs);
    ASSERT_GE(took, 0) << "the program did not end\n" << child.Log();
    EXPECT_LT(took, kPromptMs) << child.Log();
    EXPECT_FALSE(child.Crashed()) << child.Log();
    EXPECT_EQ(child.process.exitCode(), 0) << child.Log();
    EXPECT_EQ(place.Faculties(tag), 1) << child.Log();
    EXPECT_EQ(place.Students(tag), 1) << child.Log();
}

// Brings the private server back however a test ends.
struct ServerBack {
    ~ServerBack() {
        ProgramServer().Thaw();
        ProgramServer().Start();
    }
};

// The server went away before the signal: neither the typed row nor the
// transaction can be saved. The program still ends at once, without a
// question, says on its standard error what was lost, and fails.
TEST(Signals, ServerGoneAtTheSignalEndsAndNamesWhatWasNotSaved) {
    const Place place = Server();
    const QString tag = Tag(QStringLiteral("server stopped"));
    ServerBack back;
    Child child(place, QStringLiteral("typed"), tag);
    ASSERT_TRUE(child.Ready()) << child.Log();
    ProgramServer().Stop();
    child.Send(SIGTERM);
    const qint64 took = child.WaitForEnd(kPromptMs + kGiveUpMs);
    ASSERT_GE(took, 0) << "the program did not end\n" << child.Log();
    EXPECT_LT(took, kPromptMs) << child.Log();
    EXPECT_FALSE(child.Crashed()) << child.Log();
    EXPECT_NE(child.process.exitCode(), 0) << child.Log();
    EXPECT_THAT(child.err.toStdString(), testing::HasSubstr("main_frm.student_dataset"));
    EXPECT_THAT(child.err.toStdString(), testing::HasSubstr("rolled back"));
    EXPECT_TRUE(child.OptionsSaved()) << child.Log();
    ProgramServer().Start();
    EXPECT_EQ(place.Faculties(tag), 0) << "said lost, and lost";
    EXPECT_EQ(place.Students(tag), 0);
}

// A server that takes the request and never answers: the program does not
// wait for it for ever. It gives up after a few seconds and says so.
TEST(Signals, ServerThatDoesNotAnswerIsGivenUpOn) {
    const Place place = Server();
    const QString tag = Tag(QStringLiteral("server frozen"));
    ServerBack back;
    Child child(place, QStringLiteral("typed"), tag);
    ASSERT_TRUE(child.Ready()) << child.Log();
    ProgramServer().Freeze();
    child.Send(SIGTERM);
    const qint64 took = child.WaitForEnd(kGiveUpMs + kPromptMs);
    ASSERT_GE(took, 0) << "the program did not end\n" << child.Log();
    EXPECT_FALSE(child.Crashed()) << child.Log();
    EXPECT_NE(child.process.exitCode(), 0) << child.Log();
    EXPECT_THAT(child.err.toStdString(), testing::HasSubstr("not yet committed"));
    ProgramServer().Thaw();
    EXPECT_EQ(place.Students(tag), 0);
}

} // namespace
