// The results view's dataset over the large demo database, measured against
// a bare client-library loop on the same statement in the same run:
//   - Last (every row into the record cache) in rows per second, as a ratio
//     of the bare loop's rate;
//   - the record cache's bytes per row against the row's size on the wire,
//     and the peak resident memory Last adds (in a process of its own, so
//     that one run's freed memory does not hide the next one's);
//   - Open plus the first window of 30 rows, on the 1,000,000-row database
//     and on the 100,000-row one, against the bare loop's execute and first
//     30 fetches;
//   - allocations made by MoveBy(1) once the window is full.
//
//   dataset_bench [large-database [small-database]] [--runs N]
//   (defaults: the local veltor-bench.fdb and veltor-bench-100k.fdb; create
//   them with db/make-demo <database> --large and db/make-demo <database>)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).
// Output: figures.h.

#include "bare_fetch.h"
#include "dataset/pFIBDataSet.h"
#include "figures.h"
#include "model/TestingSql.h"

#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

std::atomic<long> g_allocations{0};

} // namespace

// Counts every allocation of the process.
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// A line of /proc/self/status in bytes ("VmHWM", "VmRSS").
long long StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(key) + ':';
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atoll(line.c_str() + prefix.size()) * 1024;
    return 0;
}

// Lets the peak resident size start again from the current one (Linux 4.0
// on); without it the peak since the process began is what is read.
void ResetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// A connected benchmark connection with its transaction started.
struct Connection : TBenchConnection {
    explicit Connection(const QString& database) : TBenchConnection(database) {
        db->SetConnected(true);
        tr->StartTransaction();
    }
};

// The grid's link: 30 visible rows.
class GridLink : public TDataLink {
public:
    GridLink() { SetVisual(true); }
};

struct Watched {
    Watched(Connection& c) {
        ds = new TpFIBDataSet(&c.root);
        ds->SetName(QStringLiteral("resultat_dataset"));
        ds->SetDatabase(c.db);
        ds->SetTransaction(c.tr);
        ds->SetSelectSQL(ResultatStatements().SelectSQL);
        source.SetDataSet(ds);
        link.SetDataSource(&source);
        link.SetBufferRows(30);
    }
    ~Watched() { delete ds; }
    TpFIBDataSet* ds;
    TDataSource source;
    GridLink link;
};

// Open and the first 30-row window, in milliseconds.
double OpenFirstWindowMs(Connection& c) {
    Watched w(c);
    QElapsedTimer timer;
    timer.start();
    w.ds->Open();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (w.ds->WindowCount() != 30) {
        std::fprintf(stderr, "the first window holds %d rows\n", w.ds->WindowCount());
        std::exit(1);
    }
    w.ds->Close();
    return ms;
}

// The bare loop's floor for the same: prepare, describe, execute and 30
// fetches, as a new dataset prepares its statement at open.
double BareFirstWindowMs(Connection& c) {
    TBareFetch bare;
    QElapsedTimer timer;
    timer.start();
    FetchBare(*c.db, *c.tr, kResultsSelect, &bare, 30);
    return timer.nsecsElapsed() / 1e6;
}

const char* const kLastChildOption = "--last-child";

// In a process of its own: Last on the watched dataset, its time and the
// peak resident memory it added. Prints "seconds rows bytes".
int RunLastChild(const QString& database) {
    Connection c(database);
    Watched w(c);
    w.ds->Open();
    ResetPeakResident();
    const long long before = StatusBytes("VmRSS");
    QElapsedTimer timer;
    timer.start();
    w.ds->Last();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const long long peak = StatusBytes("VmHWM") - before;
    std::printf("%.6f %d %lld\n", seconds, w.ds->RecordCount(), peak);
    return 0;
}

struct TLastRun {
    double seconds = 0;
    long rows = 0;
    long long peakIncrease = 0;
};

TLastRun LastInChild(const char* self, const QString& database) {
    const std::string command =
        std::string("'") + self + "' " + kLastChildOption + " '" + database.toStdString() + "'";
    FILE* child = popen(command.c_str(), "r");
    TLastRun run;
    if (!child ||
        std::fscanf(child, "%lf %ld %lld", &run.seconds, &run.rows, &run.peakIncrease) != 3) {
        std::fprintf(stderr, "the Last run printed no figures\n");
        std::exit(1);
    }
    if (pclose(child) != 0)
        std::exit(1);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kLastChildOption) == 0)
        return RunLastChild(QString::fromLocal8Bit(argv[2]));
    const int runs = TakeRunsOption(argc, argv, 3);
    const QString large = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                   : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/"
                                                    "veltor-bench.fdb");
    const QString small = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                   : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/"
                                                    "veltor-bench-100k.fdb");
    try {
        TFigures figures;
        long rows = 0;
        long smallRows = 0;
        Connection big(large);
        Connection little(small);
        FetchBare(*little.db, *little.tr, kResultsSelect, &smallRows);
        for (int run = 0; run < runs; ++run) {
            // Last on the dataset against the bare loop just before it.
            TBareFetch bare;
            const double bareCpuStart = ProcessCpuMs();
            const double bareSeconds = FetchBare(*big.db, *big.tr, kResultsSelect, &bare);
            const double bareCpu = ProcessCpuMs() - bareCpuStart;
            double lastSeconds = 0;
            double lastCpu = 0;
            double cachePerRow = 0;
            {
                Watched w(big);
                w.ds->Open();
                const double cpu = ProcessCpuMs();
                QElapsedTimer timer;
                timer.start();
                w.ds->Last();
                lastSeconds = timer.nsecsElapsed() / 1e9;
                lastCpu = ProcessCpuMs() - cpu;
                rows = w.ds->RecordCount();
                cachePerRow = static_cast<double>(w.ds->Cache().MemoryUsed()) / rows;
            }
            if (rows != bare.Rows) {
                std::fprintf(stderr, "row counts differ: %ld / %ld\n", rows, bare.Rows);
                return 1;
            }
            figures.Add("bare_fetch", "rows/s", bare.Rows / bareSeconds);
            figures.Add("dataset_last", "rows/s", rows / lastSeconds);
            figures.Add("dataset_last_vs_bare", "ratio", bareSeconds / lastSeconds);
            figures.Add("bare_fetch_cpu", "s", bareCpu / 1000);
            figures.Add("dataset_last_cpu", "s", lastCpu / 1000);
            figures.Add("dataset_cache_bytes_per_row", "B", cachePerRow);
            figures.Add("wire_bytes_per_row", "B", bare.WireBytesPerRow);
            figures.Add("dataset_cache_vs_wire", "ratio", cachePerRow / bare.WireBytesPerRow);
            figures.Add("dataset_cache_all_rows", "MB", cachePerRow * rows / 1e6);

            // The peak resident memory Last adds, in a fresh process.
            const TLastRun child = LastInChild(argv[0], large);
            figures.Add("dataset_peak_rss_increase", "MB", child.peakIncrease / 1e6);
            figures.Add("dataset_peak_bytes_per_row", "B",
                        static_cast<double>(child.peakIncrease) / child.rows);

            for (auto [c, size] : {std::pair{&big, "1m"}, std::pair{&little, "100k"}}) {
                const double bareMs = BareFirstWindowMs(*c);
                const double openMs = OpenFirstWindowMs(*c);
                figures.Add(std::string("dataset_open_first_window_") + size, "ms", openMs);
                figures.Add(std::string("bare_first_window_") + size, "ms", bareMs);
                figures.Add(std::string("dataset_open_first_window_") + size + "_vs_bare", "ratio",
                            openMs / bareMs);
            }
        }

        // MoveBy(1) over cached rows and over rows still to be fetched.
        {
            Watched w(big);
            w.ds->Open();
            w.ds->MoveBy(29); // the window is full
            long before = g_allocations.load();
            const int fetchMoves = 100000;
            for (int i = 0; i < fetchMoves; ++i)
                w.ds->MoveBy(1);
            const long fetching = g_allocations.load() - before;
            w.ds->First();
            w.ds->MoveBy(29);
            before = g_allocations.load();
            for (int i = 0; i < fetchMoves; ++i)
                w.ds->MoveBy(1);
            const long cached = g_allocations.load() - before;
            figures.Add("allocations_per_move_cached", "count",
                        static_cast<double>(cached) / fetchMoves);
            figures.Add("allocations_per_move_fetching", "count",
                        static_cast<double>(fetching) / fetchMoves);
        }
        big.tr->Commit();
        little.tr->Commit();
        std::printf("# dataset_bench: the results dataset against the bare client-library loop\n");
        std::printf("# %ld and %ld rows; %d runs; cache growth in blocks of 32 records\n", rows,
                    smallRows, runs);
        figures.Print();
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
