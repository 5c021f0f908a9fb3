#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace veltor::test {

namespace {

QString Env(const char* name, const char* fallback) {
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? QString::fromLatin1(fallback) : QString::fromLocal8Bit(v);
}

QString DataDir() {
    return Env("VELTOR_TEST_DATA_DIR", "/var/lib/firebird/3.0/data");
}

QString ProgramTag() {
    QString name = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).baseName();
    if (name.isEmpty())
        name = QStringLiteral("test");
    return name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
}

[[noreturn]] void Fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

void RunChecked(const QStringList& args, const QString& input) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ISC_USER"), TestUser());
    env.insert(QStringLiteral("ISC_PASSWORD"), TestPassword());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(args.first(), args.mid(1));
    if (!p.waitForStarted())
        Fail(QStringLiteral("cannot start %1").arg(args.first()));
    p.write(input.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(300000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        Fail(QStringLiteral("%1 failed: %2").arg(args.join(' '), QString::fromUtf8(p.readAll())));
}

// The program's database. The holder is made before main, so it goes after
// every static made later, those that hold connections to the database
// included.
struct ProgramDatabaseHolder {
    TestDatabase* database = nullptr;
    TestData data = TestData::SchemaOnly;
    QString setup;
    ~ProgramDatabaseHolder() { delete database; }
} program_database;

} // namespace

TestDatabase& ProgramDatabase(TestData data, const QString& setup) {
    ProgramDatabaseHolder& h = program_database;
    if (!h.database) {
        auto made = std::make_unique<TestDatabase>(data);
        if (!setup.isEmpty())
            made->Isql(setup);
        h.data = data;
        h.setup = setup;
        h.database = made.release();
    } else if (h.data != data || h.setup != setup) {
        Fail(QStringLiteral("the program's database was made with other data or setup"));
    }
    return *h.database;
}

QString TestHost() {
    return Env("VELTOR_TEST_HOST", "127.0.0.1");
}
QString TestUser() {
    return Env("VELTOR_TEST_USER", "SYSDBA");
}
QString TestPassword() {
    return Env("VELTOR_TEST_PASSWORD", "tarnwheel");
}
QString SourceDir() {
    return Env("VELTOR_SOURCE_DIR", VELTOR_SOURCE_DIR_DEFAULT);
}

int RunIsql(const QString& database, const QString& input, QString* output) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("ISC_USER"));
    env.remove(QStringLiteral("ISC_PASSWORD"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("isql-fb"),
            {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-ch"),
             QStringLiteral("UTF8"), QStringLiteral("-user"), TestUser(),
             QStringLiteral("-password"), TestPassword(), database});
    if (!p.waitForStarted())
        return -1;
    p.write(input.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(300000);
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TestDatabase::TestDatabase(TestData data) : host_(TestHost()) {
    Create(data, DataDir());
}

TestDatabase::TestDatabase(TestData data, const QString& host, const QString& dataDir)
    : host_(host) {
    Create(data, dataDir);
}

void TestDatabase::Create(TestData data, const QString& dataDir) {
    static std::atomic<int> counter{0};
    path_ = QStringLiteral("%1/veltor_test_%2_%3_%4.fdb")
                .arg(dataDir, ProgramTag())
                .arg(::getpid())
                .arg(counter++);
    const QString makeDemo = SourceDir() + QStringLiteral("/db/make-demo");
    QStringList args{makeDemo, ConnectionString()};
    if (data == TestData::SchemaOnly || data == TestData::Fixture)
        args << QStringLiteral("--empty");
    RunChecked(args, QString());
    if (data == TestData::Fixture) {
        QFile f(SourceDir() + QStringLiteral("/tests/support/fixture.sql"));
        if (!f.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("cannot read %1").arg(f.fileName()));
        Isql(QString::fromUtf8(f.readAll()));
    }
}

TestDatabase::~TestDatabase() {
    try {
        Drop();
    } catch (const std::exception& e) {
        fprintf(stderr, "warning: test database %s not dropped: %s\n", qPrintable(path_), e.what());
    }
}

QString TestDatabase::ConnectionString() const {
    return host_ + QLatin1Char(':') + path_;
}

QString TestDatabase::Isql(const QString& sql) const {
    QString out;
    const int rc = RunIsql(ConnectionString(), sql, &out);
    if (rc != 0)
        Fail(QStringLiteral("isql failed on %1:\n%2").arg(sql.left(200), out));
    return out;
}

long long TestDatabase::QueryInt(const QString& select) const {
    const QString out = Isql(QStringLiteral("set heading off;\n") + select + QStringLiteral(";\n"));
    bool ok = false;
    const long long v = out.trimmed().toLongLong(&ok);
    if (!ok)
        Fail(QStringLiteral("not an integer from %1: %2").arg(select, out));
    return v;
}

void TestDatabase::Drop() {
    if (dropped_)
        return;
    dropped_ = true;
    Isql(QStringLiteral("DROP DATABASE;\n"));
}

} // namespace veltor::test
