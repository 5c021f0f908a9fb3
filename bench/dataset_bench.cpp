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

#include "dataset/pFIBDataSet.h"
#include "fib/FIBDatabase.h"

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

QString Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return QString::fromLocal8Bit(v && *v ? v : fallback);
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

struct Connection {
    explicit Connection(const QString& database) {
        db = new TFIBDatabase(&root);
        tr = new TFIBTransaction(&root);
        db->SetDBName(database);
        db->SetDBParams({QStringLiteral("lc_ctype=WIN1251"),
                         QStringLiteral("user_name=") + Env("ISC_USER", "SYSDBA"),
                         QStringLiteral("password=") + Env("ISC_PASSWORD", "tarnwheel")});
        db->SetSQLDialect(3);
        db->SetLibraryName(QStringLiteral("fbclient.dll"));
        db->SetDefaultTransaction(tr);
        tr->SetDefaultDatabase(db);
        db->SetConnected(true);
        tr->StartTransaction();
    }
    TComponent root;
    TFIBDatabase* db;
    TFIBTransaction* tr;
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

// The bare loop: the client library's own statement and descriptor. Adds up
// the bytes of each row as the server sends them (VARCHAR data with its
// length word, fixed columns whole, an indicator per nullable column).
double FetchBare(Connection& c, long* rows, double* wireBytesPerRow) {
    IIBClientLibrary& lib = c.db->ClientLibrary();
    ISC_STATUS_ARRAY sv{};
    isc_stmt_handle stmt = 0;
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "%s failed (%ld)\n", what, static_cast<long>(sv[1]));
        std::exit(2);
    };
    const QByteArray text = kSelect.join(QStringLiteral("\r\n")).toLatin1();
    if (lib.isc_dsql_alloc_statement2(sv, c.db->Handle(), &stmt))
        fail("isc_dsql_alloc_statement2");
    std::vector<char> memory(XSQLDA_LENGTH(1));
    auto* da = reinterpret_cast<XSQLDA*>(memory.data());
    da->version = SQLDA_VERSION1;
    da->sqln = 1;
    if (lib.isc_dsql_prepare(sv, c.tr->Handle(), &stmt, 0, text.constData(), 3, da))
        fail("isc_dsql_prepare");
    const int n = da->sqld;
    memory.assign(XSQLDA_LENGTH(n), 0);
    da = reinterpret_cast<XSQLDA*>(memory.data());
    da->version = SQLDA_VERSION1;
    da->sqln = static_cast<ISC_SHORT>(n);
    if (lib.isc_dsql_describe(sv, &stmt, 3, da))
        fail("isc_dsql_describe");
    std::vector<std::vector<char>> buffers(n);
    std::vector<ISC_SHORT> indicators(n);
    for (int i = 0; i < n; ++i) {
        XSQLVAR& v = da->sqlvar[i];
        const int type = v.sqltype & ~1;
        buffers[i].resize(type == SQL_VARYING ? v.sqllen + 2 : std::max<int>(v.sqllen, 8));
        v.sqldata = buffers[i].data();
        v.sqlind = &indicators[i];
    }
    QElapsedTimer timer;
    timer.start();
    if (lib.isc_dsql_execute(sv, c.tr->Handle(), &stmt, 3, nullptr))
        fail("isc_dsql_execute");
    long count = 0;
    long long wire = 0;
    ISC_STATUS status;
    while ((status = lib.isc_dsql_fetch(sv, &stmt, 3, da)) == 0) {
        ++count;
        for (int i = 0; i < n; ++i) {
            const XSQLVAR& v = da->sqlvar[i];
            if (v.sqltype & 1)
                wire += 2;
            if ((v.sqltype & 1) && indicators[i] == -1)
                continue;
            wire += (v.sqltype & ~1) == SQL_VARYING
                        ? 2 + *reinterpret_cast<const ISC_SHORT*>(v.sqldata)
                        : v.sqllen;
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (status != 100)
        fail("isc_dsql_fetch");
    lib.isc_dsql_free_statement(sv, &stmt, DSQL_drop);
    *rows = count;
    *wireBytesPerRow = count ? static_cast<double>(wire) / count : 0;
    return seconds;
}

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
            bestBare = std::min(bestBare, FetchBare(big, &bareRows, &wirePerRow));
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
        double unused = 0;
        FetchBare(little, &smallRows, &unused);
        std::printf("Open + first window of 30, %ld rows:  %.2f ms (goal < 50 ms)\n", smallRows,
                    OpenFirstWindowMs(little));
        little.tr->Commit();
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
