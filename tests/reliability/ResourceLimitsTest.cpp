// The results read on a machine whose memory runs out before the last row:
// the real program (memory_limit_child, built without sanitizers) under an
// address-space limit set with prlimit while it runs.

#include "tests/reliability/Sitting.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace veltor::test;

namespace {

// Headroom above what the program holds once the results are shown: enough
// for the first screens of rows, far too little for all 100,000.
constexpr long long kHeadroomBytes = 2 * 1024 * 1024;

QString ChildProgram() {
    const QString dir = qEnvironmentVariable("VELTOR_PLAIN_BUILD_DIR");
    return dir.isEmpty() ? QString()
                         : dir + QStringLiteral("/tests/reliability/memory_limit_child");
}

long long AddressSpaceBytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression vmSize(QStringLiteral("^VmSize:\\s+(\\d+) kB"),
                                    QRegularExpression::MultilineOption);
    const auto m = vmSize.match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() * 1024 : -1;
}

// The child's findings, "key value" a line; errors may be many.
struct Findings {
    QStringList errors;
    QMap<QString, QString> values;

    void Read(const QString& output) {
        for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
            const QString key = line.section(u' ', 0, 0);
            const QString value = line.section(u' ', 1);
            if (key == QLatin1String("error"))
                errors << value;
            else
                values[key] = value;
        }
    }
};

} // namespace

TEST(ResourceLimits, ResultsBeyondTheMemoryLimitFailClearlyAndTheRowsHeldStayWhole) {
    const QString child = ChildProgram();
    if (child.isEmpty() || !QFileInfo(child).isExecutable())
        GTEST_SKIP() << "no build without sanitizers (scripts/test makes one and sets "
                        "VELTOR_PLAIN_BUILD_DIR)";
    if (QStandardPaths::findExecutable(QStringLiteral("prlimit")).isEmpty())
        GTEST_SKIP() << "prlimit is not installed";
    TestDatabase& db = SharedDemoDatabase();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(child, {db.ConnectionString(), TestUser(), TestPassword()});
    ASSERT_TRUE(program.waitForStarted());
    QString output;
    while (!output.contains(QLatin1String("ready\n")) && program.waitForReadyRead(60000))
        output += QString::fromUtf8(program.readAllStandardOutput());
    ASSERT_TRUE(output.contains(QLatin1String("ready\n")))
        << output.toStdString() << program.readAllStandardError().toStdString();

    const long long held = AddressSpaceBytes(program.processId());
    ASSERT_GT(held, 0);
    QProcess prlimit;
    prlimit.start(QStringLiteral("prlimit"),
                  {QStringLiteral("--pid"), QString::number(program.processId()),
                   QStringLiteral("--as=%1:unlimited").arg(held + kHeadroomBytes)});
    ASSERT_TRUE(prlimit.waitForFinished(10000));
    ASSERT_EQ(prlimit.exitCode(), 0) << prlimit.readAllStandardError().toStdString();

    program.write("go\n");
    program.closeWriteChannel();
    ASSERT_TRUE(program.waitForFinished(180000));
    output += QString::fromUtf8(program.readAllStandardOutput());
    const std::string log = output.toStdString() + program.readAllStandardError().toStdString();
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit) << "the program crashed\n" << log;
    ASSERT_EQ(program.exitCode(), 0) << log;

    Findings found;
    found.Read(output);
    // One box, in plain words, and the rows read before it are there.
    EXPECT_EQ(found.errors, QStringList{QStringLiteral("Out of memory.")}) << log;
    const int rowsHeld = found.values.value(QStringLiteral("held")).toInt();
    EXPECT_GT(rowsHeld, 0) << log;
    EXPECT_LT(rowsHeld, 100000) << log;
    EXPECT_EQ(found.values.value(QStringLiteral("first")),
              found.values.value(QStringLiteral("opened")))
        << log;
    // With the memory back, the fetch went on from where it stopped: every
    // row once, none lost at the failure.
    EXPECT_EQ(found.values.value(QStringLiteral("count")).toLongLong(),
              db.QueryInt(QStringLiteral("select count(*) from resultat")))
        << log;
    EXPECT_EQ(found.values.value(QStringLiteral("marks")).toLongLong(),
              db.QueryInt(QStringLiteral("select sum(cast(ocinka * 100 as bigint)) from resultat")))
        << log;
}
