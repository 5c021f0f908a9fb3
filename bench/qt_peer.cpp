// The peer: what a plain Qt program gets from Qt's own Firebird driver
// (QIBASE) over the results view's statement, next to the bare client-library
// loop measured in the same run.
//
//   (a) a forward-only QSqlQuery fetching every row;
//   (b) QSqlQueryModel fetching every row into its cache, with the increase
//       of the peak resident memory (each run in a fresh process of its own,
//       so that one run's freed memory does not hide the next one's);
//   (c) QTableView over that model on the offscreen platform: opening and
//       the first screen painted, a full repaint of that screen, then
//       PageDown through the first rows with the time from each key to the
//       repainted screen.
//
//   qt_peer [host:database] [--runs N] [--pagedown-rows N]
//
// The default database is the local veltor-bench.fdb (db/make-demo <database>
// --large). User and password come from ISC_USER / ISC_PASSWORD.
//
// Output, for scripts: lines starting with "#" are comments; every other line
// is "name unit median min max runs", whitespace-separated, one per figure.

#include "bare_fetch.h"
#include "qt_database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

const char* const kModelChildOption = "--model-child";

[[noreturn]] void Fail(const QString& message) {
    std::fprintf(stderr, "qt_peer: %s\n", qPrintable(message));
    std::exit(1);
}

// --- figures ---------------------------------------------------------------------

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = p * (values.size() - 1);
    const auto low = static_cast<std::size_t>(rank);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (rank - low);
}

void PrintFigure(const char* name, const char* unit, const std::vector<double>& runs) {
    const auto [lo, hi] = std::minmax_element(runs.begin(), runs.end());
    std::printf("%-30s %-7s %14.4f %14.4f %14.4f %4zu\n", name, unit, Percentile(runs, 0.5), *lo,
                *hi, runs.size());
}

// --- memory ------------------------------------------------------------------------

// A line of /proc/self/status in bytes ("VmHWM", "VmRSS").
long long StatusBytes(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// Lets the peak resident size start again from the current one (Linux 4.0
// on); without it the peak since the process began is what is read.
void ResetPeakResident() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// --- Qt's driver ---------------------------------------------------------------------

// (a) Seconds from execute to the last row of a forward-only query.
double FetchForwardOnly(const QSqlDatabase& db, long* rows) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(kResultsSelect)))
        Fail(query.lastError().text());
    QElapsedTimer timer;
    timer.start();
    if (!query.exec())
        Fail(query.lastError().text());
    long n = 0;
    while (query.next())
        ++n;
    *rows = n;
    return timer.nsecsElapsed() / 1e9;
}

struct ModelRun {
    double seconds = 0;
    long rows = 0;
    long long peakIncrease = 0;
};

// (b), in the child process: the model fetching every row, its time and the
// peak resident memory it added. Prints "seconds rows bytes".
int RunModelChild(const QString& database) {
    const QSqlDatabase db = OpenQtDatabase(database);
    ModelRun run;
    {
        QSqlQueryModel model;
        ResetPeakResident();
        const long long before = StatusBytes("VmRSS");
        QElapsedTimer timer;
        timer.start();
        model.setQuery(QString::fromLatin1(kResultsSelect), db);
        if (model.lastError().isValid())
            Fail(model.lastError().text());
        while (model.canFetchMore())
            model.fetchMore();
        run.seconds = timer.nsecsElapsed() / 1e9;
        run.rows = model.rowCount();
        run.peakIncrease = StatusBytes("VmHWM") - before;
    }
    std::printf("%.6f %ld %lld\n", run.seconds, run.rows, run.peakIncrease);
    return 0;
}

ModelRun ModelInChild(const QString& program, const QString& database) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QString::fromLatin1(kModelChildOption), database});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        Fail(QStringLiteral("the model run failed"));
    const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() != 3)
        Fail(QStringLiteral("the model run printed no figures"));
    return {parts[0].toDouble(), parts[1].toLong(), parts[2].toLongLong()};
}

// --- the view ---------------------------------------------------------------------------

// A table view that counts its paints, so that a measurement can wait for
// the screen it caused.
class TPaintCountingView : public QTableView {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        QTableView::paintEvent(event);
        ++paints;
    }
};

// Runs the event loop until the view has painted after `before` paints, or
// a second has passed (a key that changed nothing paints nothing).
void WaitForPaint(const TPaintCountingView& view, int before) {
    QElapsedTimer waited;
    waited.start();
    while (view.paints == before && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// CPU time of the process in milliseconds.
double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct ViewRun {
    double openMs = 0;
    double repaintMs = 0;
    double repaintCpuMs = 0;
    std::vector<double> keyMs;
    std::vector<double> keyCpuMs;
    int rowsPerPage = 0;
    int reachedRow = 0;
};

// (c) The view over a fresh model: open and first screen, then PageDown
// until the current row reaches `rows`.
ViewRun RunView(const QSqlDatabase& db, int rows) {
    ViewRun run;
    QSqlQueryModel model;
    TPaintCountingView view;
    // room for about 30 rows, the window our own grid is measured with
    const int rowHeight = view.verticalHeader()->defaultSectionSize();
    view.resize(900, view.horizontalHeader()->sizeHint().height() + 30 * rowHeight +
                         2 * view.frameWidth());
    QElapsedTimer timer;
    timer.start();
    model.setQuery(QString::fromLatin1(kResultsSelect), db);
    if (model.lastError().isValid())
        Fail(model.lastError().text());
    view.setModel(&model);
    view.show();
    WaitForPaint(view, 0);
    run.openMs = timer.nsecsElapsed() / 1e6;
    run.rowsPerPage = view.viewport()->height() / rowHeight;

    // A full repaint of the screen, averaged over a few.
    const int repaints = 20;
    const double cpu = ProcessCpuMs();
    timer.restart();
    for (int i = 0; i < repaints; ++i)
        view.viewport()->repaint();
    run.repaintMs = timer.nsecsElapsed() / 1e6 / repaints;
    run.repaintCpuMs = (ProcessCpuMs() - cpu) / repaints;

    view.setFocus();
    view.setCurrentIndex(model.index(0, 0));
    QCoreApplication::processEvents();
    int stuck = 0;
    while (view.currentIndex().row() < rows - 1 && stuck < 3) {
        const int rowBefore = view.currentIndex().row();
        const int paintsBefore = view.paints;
        const double cpu = ProcessCpuMs();
        timer.restart();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &release);
        WaitForPaint(view, paintsBefore);
        run.keyMs.push_back(timer.nsecsElapsed() / 1e6);
        run.keyCpuMs.push_back(ProcessCpuMs() - cpu);
        stuck = view.currentIndex().row() == rowBefore ? stuck + 1 : 0;
    }
    run.reachedRow = view.currentIndex().row() + 1;
    return run;
}

// --- the run -------------------------------------------------------------------------------

struct Options {
    QString database;
    int runs = 5;
    int pageDownRows = 100000;
};

Options ParseOptions(const QStringList& args) {
    Options o;
    QStringList positional;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            o.runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pagedown-rows") && i + 1 < args.size())
            o.pageDownRows = std::max(1, args[++i].toInt());
        else if (args[i].startsWith(QLatin1String("--")))
            Fail(QStringLiteral("unknown option %1").arg(args[i]));
        else
            positional << args[i];
    }
    o.database = positional.isEmpty() ? BenchDatabaseName(0, nullptr) : positional.first();
    return o;
}

int RunPeer(const Options& o) {
    TBenchConnection ours(o.database);
    ours.db->SetConnected(true);
    ours.tr->StartTransaction();
    const QSqlDatabase qt = OpenQtDatabase(o.database);
    const QString self = QCoreApplication::applicationFilePath();

    std::vector<double> bareRate, forwardRate, forwardRatio, modelRate, modelRatio, modelMB,
        modelBytesPerRow, openMs, repaintMs, repaintCpuMs, p50, p95, cpu50, cpu95;
    long rows = 0;
    int rowsPerPage = 0;
    int reached = 0;
    for (int run = 0; run < o.runs; ++run) {
        // Each Qt figure is set against the bare loop measured just before
        // it, so that both see the same state of the machine.
        long bareRows = 0;
        double bare = FetchBare(*ours.db, *ours.tr, kResultsSelect, &bareRows);
        long forwardRows = 0;
        const double forward = FetchForwardOnly(qt, &forwardRows);
        if (forwardRows != bareRows)
            Fail(QStringLiteral("row counts differ: %1 / %2").arg(forwardRows).arg(bareRows));
        rows = bareRows;
        bareRate.push_back(rows / bare);
        forwardRate.push_back(rows / forward);
        forwardRatio.push_back(bare / forward);

        bare = FetchBare(*ours.db, *ours.tr, kResultsSelect, &bareRows);
        const ModelRun model = ModelInChild(self, o.database);
        if (model.rows != rows)
            Fail(QStringLiteral("the model holds %1 rows, not %2").arg(model.rows).arg(rows));
        modelRate.push_back(rows / model.seconds);
        modelRatio.push_back(bare / model.seconds);
        modelMB.push_back(model.peakIncrease / 1e6);
        modelBytesPerRow.push_back(static_cast<double>(model.peakIncrease) / rows);

        const ViewRun view = RunView(qt, std::min<long>(o.pageDownRows, rows));
        openMs.push_back(view.openMs);
        repaintMs.push_back(view.repaintMs);
        repaintCpuMs.push_back(view.repaintCpuMs);
        p50.push_back(Percentile(view.keyMs, 0.5));
        p95.push_back(Percentile(view.keyMs, 0.95));
        cpu50.push_back(Percentile(view.keyCpuMs, 0.5));
        cpu95.push_back(Percentile(view.keyCpuMs, 0.95));
        rowsPerPage = view.rowsPerPage;
        reached = view.reachedRow;
    }
    ours.tr->Commit();

    std::printf("# qt_peer: Qt %s QIBASE driver against the bare client-library loop\n",
                qVersion());
    std::printf("# database %s, %ld rows, %d runs; PageDown to row %d, %d rows a page\n",
                qPrintable(o.database), rows, o.runs, reached, rowsPerPage);
    std::printf("# %-28s %-7s %14s %14s %14s %4s\n", "name", "unit", "median", "min", "max",
                "runs");
    PrintFigure("bare_fetch", "rows/s", bareRate);
    PrintFigure("qt_forward_fetch", "rows/s", forwardRate);
    PrintFigure("qt_forward_fetch_vs_bare", "ratio", forwardRatio);
    PrintFigure("qt_model_fetch", "rows/s", modelRate);
    PrintFigure("qt_model_fetch_vs_bare", "ratio", modelRatio);
    PrintFigure("qt_model_peak_rss_increase", "MB", modelMB);
    PrintFigure("qt_model_bytes_per_row", "B", modelBytesPerRow);
    PrintFigure("qt_view_open_first_screen", "ms", openMs);
    PrintFigure("qt_view_full_repaint", "ms", repaintMs);
    PrintFigure("qt_view_full_repaint_cpu", "ms", repaintCpuMs);
    PrintFigure("qt_view_pagedown_p50", "ms", p50);
    PrintFigure("qt_view_pagedown_p95", "ms", p95);
    PrintFigure("qt_view_pagedown_cpu_p50", "ms", cpu50);
    PrintFigure("qt_view_pagedown_cpu_p95", "ms", cpu95);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], kModelChildOption) == 0) {
        QCoreApplication app(argc, argv);
        return RunModelChild(QString::fromLocal8Bit(argv[2]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = ParseOptions(QCoreApplication::arguments());
    try {
        return RunPeer(options);
    } catch (const Exception& e) {
        Fail(e.Message());
    }
}
