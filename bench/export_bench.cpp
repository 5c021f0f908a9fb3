// The results view's CSV export against fetching the same rows: every row of
// the results dataset over the large demo database (1,000,000 results) into
// the record cache with Last, and the same dataset, freshly opened, written
// to a CSV file (which fetches as it goes). The goal: the export takes at
// most twice the time of the fetch.
//
//   export_bench [host:database]   (default: the local veltor-bench.fdb;
//   create it with db/make-demo <database> --large)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).

#include "bare_fetch.h"
#include "controls/GridExport.h"
#include "dataset/pFIBDataSet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// A grid's link: 30 visible rows, so the window is what the view has.
class GridLink : public TDataLink {
public:
    GridLink() { SetVisual(true); }
};

struct Watched {
    explicit Watched(TBenchConnection& c) {
        ds = new TpFIBDataSet(&c.root);
        ds->SetDatabase(c.db);
        ds->SetTransaction(c.tr);
        ds->SetSelectSQL(QString::fromLatin1(kResultsSelect).split(QStringLiteral("\r\n")));
        source.SetDataSet(ds);
        link.SetDataSource(&source);
        link.SetBufferRows(30);
        ds->Open();
    }
    ~Watched() {
        link.SetDataSource(nullptr);
        delete ds;
    }
    TpFIBDataSet* ds;
    TDataSource source;
    GridLink link;
};

double Fetch(TBenchConnection& c, long* rows) {
    QElapsedTimer timer;
    timer.start();
    Watched w(c);
    w.ds->Last();
    const double seconds = timer.nsecsElapsed() / 1e9;
    *rows = w.ds->RecordCount();
    return seconds;
}

double Export(TBenchConnection& c, const QString& path, long* rows) {
    QElapsedTimer timer;
    timer.start();
    Watched w(c);
    std::vector<TCsvColumn> columns;
    for (TField* f : w.ds->FieldList())
        columns.push_back({f, f->DisplayName()});
    TCsvExport exporter(*w.ds, std::move(columns));
    exporter.Run(path, [](qint64) { return true; });
    const double seconds = timer.nsecsElapsed() / 1e9;
    *rows = static_cast<long>(exporter.RowsWritten());
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    TBenchConnection connection(BenchDatabaseName(argc, argv));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.csv"));
    try {
        connection.db->SetConnected(true);
        connection.tr->StartTransaction();
        // Alternate the two, best of three each, so that neither profits
        // from a warmer server cache.
        double bestFetch = 1e9;
        double bestExport = 1e9;
        long fetched = 0;
        long exported = 0;
        for (int round = 0; round < 3; ++round) {
            bestFetch = std::min(bestFetch, Fetch(connection, &fetched));
            bestExport = std::min(bestExport, Export(connection, path, &exported));
        }
        connection.tr->Commit();
        if (fetched != exported) {
            std::fprintf(stderr, "row counts differ: %ld fetched, %ld exported\n", fetched,
                         exported);
            return 1;
        }
        std::printf("rows:                       %ld\n", fetched);
        std::printf("file size:                  %.1f MB\n", QFileInfo(path).size() / 1e6);
        std::printf("fetch (open + Last):        %.3f s\n", bestFetch);
        std::printf("export (open + CSV file):   %.3f s\n", bestExport);
        std::printf("ratio export / fetch:       %.2f (goal: at most 2.00)\n",
                    bestExport / bestFetch);
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
