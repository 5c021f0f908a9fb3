// The results view's dataset over the large demo database, measured against
// a bare client-library loop on the same statement in the same run:
//   - Last (every row into the record cache) in rows per second, as a ratio
//     of the bare loop's rate;
//   - the record cache's bytes per row against the row's size on the wire;
//   - Open plus the first window of 30 rows, on the 1,000,000-row database
//     and on the 100,000-row one;
//   - allocations made by MoveBy(1) once the window is full.
//
//   dataset_bench [large-database [small-database]]
//   (defaults: the local veltor-bench.fdb and veltor-bench-100k.fdb; create
//   them with db/make-demo <database> --large and db/make-demo <database>)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).

#include "bare_fetch.h"
#include "dataset/pFIBDataSet.h"

#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
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

const QStringList kSelect = {"SELECT ",
                             "    fakultet.nazva, ",
                             "    student.kurs, ",
                             "    student.grupa, ",
                             "    student.familiya, ",
                             "    student.imya, ",
                             "    student.otchestvo, ",
                             "    resultat.ocinka,",
                             "    resultat.vrema ",
                             "FROM ",
                             "    resultat ",
                             "INNER JOIN ",
                             "    student ON resultat.s_id=student.s_id ",
                             "INNER JOIN ",
                             "    fakultet on fakultet.f_id=student.f_id"};

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
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
        ds->SetSelectSQL(kSelect);
        source.SetDataSet(ds);
        link.SetDataSource(&source);
        link.SetBufferRows(30);
    }
    ~Watched() { delete ds; }
    TpFIBDataSet* ds;
    TDataSource source;
    GridLink link;
};

// Open and the first 30-row window, best of five, in milliseconds.
double OpenFirstWindowMs(Connection& c) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        Watched w(c);
        QElapsedTimer timer;
        timer.start();
        w.ds->Open();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (w.ds->WindowCount() != 30) {
            std::fprintf(stderr, "the first window holds %d rows\n", w.ds->WindowCount());
            std::exit(1);
        }
        best = std::min(best, ms);
        w.ds->Close();
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const QString large = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                   : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/"
                                                    "veltor-bench.fdb");
    const QString small = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                   : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/"
                                                    "veltor-bench-100k.fdb");
    try {
        Connection big(large);

        // Last on the dataset against the bare loop, alternating, best of
        // three each so that neither profits from a warmer server cache.
        double bestBare = 1e9;
        double bestLast = 1e9;
        long bareRows = 0;
        long lastRows = 0;
        double wirePerRow = 0;
        double cachePerRow = 0;
        long rssDeltaKiB = 0;
        int fixedPart = 0;
        for (int round = 0; round < 3; ++round) {
            TBareFetch bare;
            bestBare = std::min(bestBare, FetchBare(*big.db, *big.tr, kResultsSelect, &bare));
            bareRows = bare.Rows;
            wirePerRow = bare.WireBytesPerRow;
            Watched w(big);
            w.ds->Open();
            const long rssBefore = ResidentKiB();
            QElapsedTimer timer;
            timer.start();
            w.ds->Last();
            bestLast = std::min(bestLast, timer.nsecsElapsed() / 1e9);
            lastRows = w.ds->RecordCount();
            rssDeltaKiB = ResidentKiB() - rssBefore;
            cachePerRow = static_cast<double>(w.ds->Cache().MemoryUsed()) / lastRows;
            fixedPart = w.ds->Layout().FixedSize();
        }
        if (lastRows != bareRows) {
            std::fprintf(stderr, "row counts differ: %ld / %ld\n", lastRows, bareRows);
            return 1;
        }
        const double lastRate = lastRows / bestLast;
        const double bareRate = bareRows / bestBare;
        std::printf("rows:                           %ld\n", lastRows);
        std::printf("Last into the cache:            %.0f rows/s\n", lastRate);
        std::printf("client library loop:            %.0f rows/s\n", bareRate);
        std::printf("ratio (goal >= 0.9):            %.3f\n", lastRate / bareRate);
        std::printf("cache bytes per row:            %.1f (fixed part %d)\n", cachePerRow,
                    fixedPart);
        std::printf("row size on the wire:           %.1f bytes\n", wirePerRow);
        std::printf("cache / wire:                   %.2f\n", cachePerRow / wirePerRow);
        std::printf("cache for all rows:             %.1f MB (goal <= 154 MB)\n",
                    cachePerRow * lastRows / 1e6);
        std::printf("resident growth during Last:    %.1f MB\n", rssDeltaKiB / 1024.0);

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
            std::printf("allocations per MoveBy(1), rows already cached:  %.4f\n",
                        static_cast<double>(cached) / fetchMoves);
            std::printf("allocations per MoveBy(1), rows being fetched:   %.4f"
                        " (cache blocks)\n",
                        static_cast<double>(fetching) / fetchMoves);
        }

        std::printf("Open + first window of 30, %ld rows:  %.2f ms (goal < 50 ms)\n", lastRows,
                    OpenFirstWindowMs(big));
        big.tr->Commit();

        Connection little(small);
        long smallRows = 0;
        FetchBare(*little.db, *little.tr, kResultsSelect, &smallRows);
        std::printf("Open + first window of 30, %ld rows:  %.2f ms (goal < 50 ms)\n", smallRows,
                    OpenFirstWindowMs(little));
        little.tr->Commit();
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
