// The results view's CSV export against fetching the same rows: every row of
// the results dataset over the large demo database (1,000,000 results) into
// the record cache with Last, and the same dataset, freshly opened, written
// to a CSV file (which fetches as it goes). The goal: the export takes at
// most twice the time of the fetch.
//
//   export_bench [host:database] [--runs N]   (default: the local
//   veltor-bench.fdb; create it with db/make-demo <database> --large)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).

#include "bare_fetch.h"
#include "controls/GridExport.h"
#include "dataset/pFIBDataSet.h"
#include "figures.h"

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

struct Timing {
    double Seconds = 0;
    double CpuMs = 0;
    long Rows = 0;
};

// Open and Last: every row into the record cache.
Timing Fetch(TBenchConnection& c) {
    QElapsedTimer timer;
    const double cpu = ProcessCpuMs();
    timer.start();
    Watched w(c);
    w.ds->Last();
    return {timer.nsecsElapsed() / 1e9, ProcessCpuMs() - cpu, w.ds->RecordCount()};
}

// Open and the CSV file, which fetches as it goes.
Timing Export(TBenchConnection& c, const QString& path) {
    QElapsedTimer timer;
    const double cpu = ProcessCpuMs();
    timer.start();
    Watched w(c);
    std::vector<TCsvColumn> columns;
    for (TField* f : w.ds->FieldList())
        columns.push_back({f, f->DisplayName()});
    TCsvExport exporter(*w.ds, std::move(columns));
    exporter.Run(path, [](qint64) { return true; });
    return {timer.nsecsElapsed() / 1e9, ProcessCpuMs() - cpu,
            static_cast<long>(exporter.RowsWritten())};
}

} // namespace

int main(int argc, char** argv) {
    const int runs = TakeRunsOption(argc, argv, 3);
    TBenchConnection connection(BenchDatabaseName(argc, argv));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.csv"));
    try {
        connection.db->SetConnected(true);
        connection.tr->StartTransaction();
        // The two alternate in every run, so that neither profits from a
        // warmer server cache.
        TFigures figures;
        long rows = 0;
        for (int run = 0; run < runs; ++run) {
            const Timing fetch = Fetch(connection);
            const Timing exported = Export(connection, path);
            if (fetch.Rows != exported.Rows) {
                std::fprintf(stderr, "row counts differ: %ld fetched, %ld exported\n", fetch.Rows,
                             exported.Rows);
                return 1;
            }
            rows = fetch.Rows;
            figures.Add("fetch_last", "s", fetch.Seconds);
            figures.Add("export_csv", "s", exported.Seconds);
            figures.Add("export_vs_fetch", "ratio", exported.Seconds / fetch.Seconds);
            figures.Add("fetch_last_cpu", "ms", fetch.CpuMs);
            figures.Add("export_csv_cpu", "ms", exported.CpuMs);
            figures.Add("export_file_mb", "MB", QFileInfo(path).size() / 1e6);
        }
        connection.tr->Commit();
        std::printf("# The results dataset, %ld rows: open and Last, against open and the CSV "
                    "export of every row; goal: the export at most twice the fetch\n",
                    rows);
        figures.Print();
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
