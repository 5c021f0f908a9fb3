// The data grid over the results view's dataset on the large demo database
// (1,000,000 results), on the offscreen platform, with 30 visible rows:
//   - opening the dataset and the first painted screen;
//   - a full repaint of the 30-row window;
//   - PageDown held through the first 100,000 rows, each key timed to its
//     repainted screen (p50, p95, max), and the processor time each key
//     cost this process (which the machine's other work does not inflate);
// and, in the same run, the same rows fetched without the grid: through the
// dataset moving a page at a time under a plain 30-row link, and by the bare
// client-library loop. The ratios say what the grid adds.
//
//   grid_bench [host:database] [--runs N] [--pagedown-rows N] [--screenshot file.png]
//
// The default database is the local veltor-bench.fdb (db/make-demo <database>
// --large). User and password come from ISC_USER / ISC_PASSWORD.
// Output: figures.h.

#include "bare_fetch.h"
#include "controls/DBGrids.h"
#include "figures.h"
#include "model/TestingModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr int kWindowRows = 30;

// The grid, counting its paints so that a key can be timed to the screen it
// caused.
class TCountingGrid : public TDBGrid {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        TDBGrid::paintEvent(event);
        ++paints;
    }
};

// Runs the event loop until the grid has painted after `before` paints, or a
// second has passed (a key that changed nothing paints nothing).
void WaitForPaint(const TCountingGrid& grid, int before) {
    QElapsedTimer waited;
    waited.start();
    while (grid.paints == before && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The model of the main window, connected to the benchmark database.
struct TModel {
    explicit TModel(const QString& database) {
        form.SetName(QStringLiteral("main_frm"));
        form.BeginLoading();
        model = std::make_unique<TTestingModel>(form);
        form.EndLoading();
        model->DataBase->SetDBName(database);
        model->DataBase->SetDBParams({QStringLiteral("lc_ctype=WIN1251"),
                                      QStringLiteral("user_name=") + BenchUser(),
                                      QStringLiteral("password=") + BenchPassword()});
        model->DataBase->SetConnected(true);
    }
    ~TModel() {
        if (model->Transaction->Active())
            model->Transaction->Commit();
        form.DestroyComponents();
    }
    TpFIBDataSet& Results() { return *model->Results.resultat_dataset; }
    TDataSource& ResultsSource() { return *model->Results.resultat_datasource; }

    TComponent form;
    std::unique_ptr<TTestingModel> model;
};

// Sizes the grid so that exactly `rows` whole data rows fit (the scroll
// bars come and go as the layout settles, hence the loop).
void FitRows(TDBGrid& grid, int rows) {
    for (int i = 0; i < 8 && grid.VisibleRowCount() != rows; ++i) {
        grid.resize(grid.width(),
                    grid.height() + (rows - grid.VisibleRowCount()) * grid.RowHeight());
        QCoreApplication::processEvents();
    }
}

struct TGridRun {
    double openMs = 0;
    double repaintMs = 0;
    double repaintCpuMs = 0;
    std::vector<double> keyMs;
    std::vector<double> keyCpuMs;
    long reached = 0;
};

TGridRun RunGrid(TModel& m, long rows, const QString& screenshot) {
    TGridRun run;
    TCountingGrid grid;
    grid.resize(599, 600); // the results view's width
    grid.SetDataSource(&m.ResultsSource());
    // The results' columns are wider than the view: the bar is there anyway,
    // and keeping it makes the row room the same closed and open.
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid.show();
    WaitForPaint(grid, 0);
    FitRows(grid, kWindowRows);

    QElapsedTimer timer;
    int before = grid.paints;
    timer.start();
    m.Results().Open();
    WaitForPaint(grid, before);
    run.openMs = timer.nsecsElapsed() / 1e6;
    if (m.Results().WindowCount() != kWindowRows) {
        throw std::runtime_error("the window holds " + std::to_string(m.Results().WindowCount()) +
                                 " rows, not 30");
    }

    grid.activateWindow();
    grid.setFocus();
    QCoreApplication::processEvents();
    if (!screenshot.isEmpty())
        grid.grab().save(screenshot);

    // A full repaint, averaged over a few so that the clock's grain is small.
    const int repaints = 20;
    const double cpu = ProcessCpuMs();
    timer.restart();
    for (int i = 0; i < repaints; ++i)
        grid.viewport()->repaint();
    run.repaintMs = timer.nsecsElapsed() / 1e6 / repaints;
    run.repaintCpuMs = (ProcessCpuMs() - cpu) / repaints;

    int stuck = 0;
    bool held = false;
    while (m.Results().RecordNumber() < rows && stuck < 3) {
        const int recordBefore = m.Results().RecordNumber();
        before = grid.paints;
        const double cpu = ProcessCpuMs();
        timer.restart();
        // A held key repeats: every press after the first is an auto-repeat.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, QString(), held);
        QCoreApplication::sendEvent(&grid, &press);
        WaitForPaint(grid, before);
        run.keyMs.push_back(timer.nsecsElapsed() / 1e6);
        run.keyCpuMs.push_back(ProcessCpuMs() - cpu);
        held = true;
        stuck = m.Results().RecordNumber() == recordBefore ? stuck + 1 : 0;
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(&grid, &release);
    run.reached = m.Results().RecordNumber();
    m.Results().Close();
    return run;
}

// A link as the grid's, without the grid: the window of 30 rows.
class TWindowLink : public TDataLink {
public:
    TWindowLink() { SetVisual(true); }
};

// The dataset alone moving a page at a time to the same row: milliseconds
// per page.
std::vector<double> RunDataSetPages(TModel& m, long rows) {
    TWindowLink link;
    link.SetDataSource(&m.ResultsSource());
    link.SetBufferRows(kWindowRows);
    m.Results().Open();
    std::vector<double> pageMs;
    QElapsedTimer timer;
    while (m.Results().RecordNumber() < rows) {
        timer.restart();
        if (m.Results().MoveBy(kWindowRows) == 0)
            break;
        pageMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    m.Results().Close();
    link.SetDataSource(nullptr);
    return pageMs;
}

double Sum(const std::vector<double>& v) {
    double s = 0;
    for (double x : v)
        s += x;
    return s;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = TakeRunsOption(argc, argv, 3);
    long pageDownRows = 100000;
    QString database = BenchDatabaseName(0, nullptr);
    QString screenshot;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--pagedown-rows") == 0 && i + 1 < argc)
            pageDownRows = std::max(1L, std::atol(argv[++i]));
        else if (qstrcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = QString::fromLocal8Bit(argv[++i]);
        else
            database = QString::fromLocal8Bit(argv[i]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    try {
        TModel m(database);
        TFigures figures;
        long reached = 0;
        for (int run = 0; run < runs; ++run) {
            // The three over the same rows, one after the other, so that all
            // see the same state of the machine and of the server's cache.
            const TGridRun grid = RunGrid(m, pageDownRows, run == 0 ? screenshot : QString());
            reached = grid.reached;
            const std::vector<double> pages = RunDataSetPages(m, reached);
            TBareFetch bare;
            m.model->Transaction->StartTransaction();
            const double bareMs = FetchBare(*m.model->DataBase, *m.model->Transaction,
                                            kResultsSelect, &bare, reached) *
                                  1000;
            m.model->Transaction->Commit();

            const double keys = static_cast<double>(grid.keyMs.size());
            const double gridTotal = Sum(grid.keyMs);
            const double pagesTotal = Sum(pages);
            figures.Add("grid_open_first_screen", "ms", grid.openMs);
            figures.Add("grid_full_repaint_30_rows", "ms", grid.repaintMs);
            figures.Add("grid_full_repaint_cpu", "ms", grid.repaintCpuMs);
            figures.Add("grid_pagedown_p50", "ms", Percentile(grid.keyMs, 0.5));
            figures.Add("grid_pagedown_p95", "ms", Percentile(grid.keyMs, 0.95));
            figures.Add("grid_pagedown_max", "ms", Percentile(grid.keyMs, 1.0));
            figures.Add("grid_pagedown_cpu_p50", "ms", Percentile(grid.keyCpuMs, 0.5));
            figures.Add("grid_pagedown_cpu_p95", "ms", Percentile(grid.keyCpuMs, 0.95));
            figures.Add("dataset_page_p50", "ms", Percentile(pages, 0.5));
            figures.Add("dataset_page_p95", "ms", Percentile(pages, 0.95));
            figures.Add("bare_fetch_per_page", "ms", bareMs / keys);
            figures.Add("grid_pagedown_total", "s", gridTotal / 1000);
            figures.Add("dataset_pages_total", "s", pagesTotal / 1000);
            figures.Add("bare_fetch_same_rows", "s", bareMs / 1000);
            figures.Add("grid_pagedown_vs_dataset", "ratio", gridTotal / pagesTotal);
            figures.Add("grid_pagedown_vs_bare", "ratio", gridTotal / bareMs);
        }
        std::printf("# grid_bench: the data grid over the results dataset, %d visible rows\n",
                    kWindowRows);
        std::printf("# database %s; PageDown to row %ld; %d runs\n", qPrintable(database), reached,
                    runs);
        figures.Print();
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "grid_bench: %s\n", qPrintable(e.Message()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "grid_bench: %s\n", e.what());
        return 1;
    }
}
