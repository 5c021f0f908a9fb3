// Program start to the first painted students view, against a minimal Qt
// program showing one empty window, each started afresh as its own process
// on the offscreen platform. The program runs its real start-up, splash wait
// included; the wait (2000 ms) is subtracted from its figure, so that the
// difference between the two is what our own start-up costs.
//
//   startup_bench [host:database] [--runs N]
//
// The default database is the local veltor-bench.fdb. The program's folder
// is a temporary one with its options.ini pointing at that database and the
// bundled language files. User and password come from ISC_USER /
// ISC_PASSWORD. Output: figures.h.

#include "app/Application.h"
#include "app/main_unit.h"
#include "app/startup.h"
#include "bare_fetch.h"
#include "controls/DBGrids.h"
#include "figures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const char* const kProgramChildOption = "--program-child";
constexpr double kSplashWaitMs = 2000;

long long MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

[[noreturn]] void Fail(const QString& message) {
    std::fprintf(stderr, "startup_bench: %s\n", qPrintable(message));
    std::exit(1);
}

// Notices the student grid's first paint and, once that paint is done,
// prints the clock and ends the process.
class TFirstViewWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!done_ && event->type() == QEvent::Paint && main_frm &&
            watched == main_frm->student_db->viewport()) {
            done_ = true;
            QTimer::singleShot(0, [] {
                std::printf("%lld\n", MonotonicNs());
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool done_ = false;
};

// The program as its own main runs it, in the prepared folder.
int RunProgramChild(int argc, char** argv, const QString& folder) {
    TApplication app(argc, argv);
    TFirstViewWatch watch;
    app.installEventFilter(&watch);
    set_program_file(folder + QStringLiteral("/veltor-admin"));
    run_program();
    Fail(QStringLiteral("the program ended before it painted the students view"));
}

// Starts a program and returns the milliseconds from the start to the
// clock it prints at its first paint.
double TimeToFirstPaint(const QString& program, const QStringList& arguments) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const long long start = MonotonicNs();
    child.start(program, arguments);
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        Fail(QStringLiteral("%1 did not paint").arg(program));
    const long long painted = child.readAllStandardOutput().trimmed().toLongLong();
    if (painted <= start)
        Fail(QStringLiteral("%1 printed no clock").arg(program));
    return (painted - start) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], kProgramChildOption) == 0)
        return RunProgramChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    const int runs = TakeRunsOption(argc, argv, 5);
    QCoreApplication app(argc, argv);
    const QString database = BenchDatabaseName(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        Fail(QStringLiteral("no temporary folder"));
    if (!PrepareProgramFolder(folder.path(), database))
        Fail(QStringLiteral("cannot write the program folder %1").arg(folder.path()));
    const QString self = QCoreApplication::applicationFilePath();
    const QString minimal =
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_minimal_window");

    TFigures figures;
    // One start of each before measuring: the first start of anything reads
    // its libraries from disk.
    TimeToFirstPaint(minimal, {});
    TimeToFirstPaint(self, {QString::fromLatin1(kProgramChildOption), folder.path()});
    for (int run = 0; run < runs; ++run) {
        const double floor = TimeToFirstPaint(minimal, {});
        const double ours =
            TimeToFirstPaint(self, {QString::fromLatin1(kProgramChildOption), folder.path()}) -
            kSplashWaitMs;
        figures.Add("start_students_view_less_splash", "ms", ours);
        figures.Add("start_minimal_qt_window", "ms", floor);
        figures.Add("start_beyond_minimal", "ms", ours - floor);
    }
    std::printf("# startup_bench: start to the first painted students view (less the splash's "
                "%.0f ms) against a minimal Qt window\n",
                kSplashWaitMs);
    std::printf("# database %s; %d runs\n", qPrintable(database), runs);
    figures.Print();
    return 0;
}
