#include "tests/accessibility/DesktopSession.h"

#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <csignal>
#include <stdexcept>

namespace veltor::test {

namespace {

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

// Reads the first line a starting process writes (a display number, a bus
// address).
QString FirstLine(QProcess& p, const char* what) {
    QByteArray line;
    for (int i = 0; i < 100 && !line.contains('\n'); ++i) {
        if (!p.waitForReadyRead(200) && p.state() == QProcess::NotRunning)
            break;
        line += p.readAllStandardOutput();
    }
    if (!line.contains('\n'))
        Fail(QStringLiteral("%1 did not start: %2")
                 .arg(QLatin1String(what), QString::fromUtf8(p.readAllStandardError())));
    return QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
}

void Stop(std::unique_ptr<QProcess>& p) {
    if (!p || p->state() == QProcess::NotRunning)
        return;
    p->terminate();
    if (!p->waitForFinished(10000)) {
        p->kill();
        p->waitForFinished(5000);
    }
}

} // namespace

QString ProgramPath() {
    return QStringLiteral(VELTOR_PROGRAM_PATH);
}

QString DesktopSession::Missing() {
    QStringList missing;
    for (const char* tool : {"Xvfb", "dbus-daemon", "dbus-send"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            missing << QLatin1String(tool);
    if (!QFileInfo::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher")))
        missing << QStringLiteral("at-spi2-core");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QStringLiteral("import pyatspi")});
    if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0)
        missing << QStringLiteral("python3-pyatspi");
    if (!QFileInfo::exists(ProgramPath()))
        missing << ProgramPath();
    return missing.join(QStringLiteral(", "));
}

DesktopSession::DesktopSession(const QString& screen, int dpi)
    : env_(QProcessEnvironment::systemEnvironment()) {
    if (!runtime_.isValid())
        Fail(QStringLiteral("no runtime folder"));
    QFile::setPermissions(runtime_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Nothing of the caller's desktop or session may leak in.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                             "AT_SPI_BUS_ADDRESS", "QT_SCALE_FACTOR", "QT_FONT_DPI"})
        env_.remove(QLatin1String(name));
    env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());

    xserver_ = std::make_unique<QProcess>();
    xserver_->setProcessEnvironment(env_);
    xserver_->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), screen, QStringLiteral("-dpi"), QString::number(dpi),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    env_.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + FirstLine(*xserver_, "Xvfb"));

    bus_ = std::make_unique<QProcess>();
    bus_->setProcessEnvironment(env_);
    bus_->start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    env_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), FirstLine(*bus_, "dbus-daemon"));

    // The accessibility bus starts on demand; a program looks for it only
    // when it starts, so it is asked for first, and switched on as a
    // screen reader switches it on.
    QString out;
    QString err;
    const QStringList bus = {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                             QStringLiteral("--dest=org.a11y.Bus"),
                             QStringLiteral("/org/a11y/bus")};
    if (Run(QStringLiteral("dbus-send"),
            bus + QStringList{QStringLiteral("org.a11y.Bus.GetAddress")}, 30000, &out, &err) != 0)
        Fail(QStringLiteral("no accessibility bus: ") + err);
    if (Run(QStringLiteral("dbus-send"),
            bus + QStringList{QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                              QStringLiteral("string:org.a11y.Status"),
                              QStringLiteral("string:IsEnabled"),
                              QStringLiteral("variant:boolean:true")},
            30000, &out, &err) != 0)
        Fail(QStringLiteral("accessibility not switched on: ") + err);
}

DesktopSession::~DesktopSession() {
    Stop(program_);
    Stop(bus_);
    Stop(xserver_);
}

void DesktopSession::StartProgram(const QString& database, const QStringList& extraEnvironment) {
    const QString program = folder_.FilePath(QStringLiteral("veltor-admin"));
    if (!QFile::copy(ProgramPath(), program))
        Fail(QStringLiteral("cannot copy the program to ") + program);
    QFile english(SourceDir() + QStringLiteral("/settings/languages/English.olg"));
    if (!english.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("no English language file"));
    folder_.WriteFile(QStringLiteral("Languages/English.olg"), english.readAll());
    folder_.WriteFile(
        QStringLiteral("options.ini"),
        ProgramOptions(database, TestUser(), TestPassword(), QStringLiteral("English")));

    QProcessEnvironment env = env_;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // A sanitized program's leak report at its end is not this test's subject.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    for (const QString& assignment : extraEnvironment) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        env.insert(assignment.left(eq), assignment.mid(eq + 1));
    }
    program_ = std::make_unique<QProcess>();
    program_->setProcessEnvironment(env);
    program_->setProcessChannelMode(QProcess::MergedChannels);
    program_->setWorkingDirectory(folder_.Path());
    program_->start(program, {});
    if (!program_->waitForStarted(30000))
        Fail(QStringLiteral("the program did not start: ") + program_->errorString());
}

QString DesktopSession::ProgramOutput() {
    if (program_)
        programOutput_ += QString::fromUtf8(program_->readAll());
    return programOutput_;
}

bool DesktopSession::ProgramRunning() const {
    return program_ && program_->state() == QProcess::Running;
}

int DesktopSession::Run(const QString& tool, const QStringList& arguments, int timeoutMs,
                        QString* output, QString* error) {
    QProcess p;
    p.setProcessEnvironment(env_);
    p.start(tool, arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        if (output)
            *output = QString::fromUtf8(p.readAllStandardOutput());
        if (error)
            *error = QString::fromUtf8(p.readAllStandardError()) + QStringLiteral(" (timed out)");
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    if (error)
        *error = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace veltor::test
