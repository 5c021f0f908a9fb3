// Fetch speed of TFIBQuery against a bare loop of client-library calls over
// the same statement and the same descriptor layout: the results view's
// three-table join over the large demo database (1,000,000 results).
//
//   fetch_bench [host:database] [--runs N]   (default: the local veltor-bench.fdb;
//   create it with db/make-demo <database> --large)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).
// Output: figures.h.

#include "bare_fetch.h"
#include "fib/FIBQuery.h"
#include "figures.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

namespace {

double FetchThroughQuery(TFIBDatabase& db, TFIBTransaction& tr, long* rows) {
    TFIBQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SetSQLText(QString::fromLatin1(kResultsSelect));
    q.SetGoToFirstRecordOnExecute(false);
    q.Prepare();
    QElapsedTimer timer;
    timer.start();
    q.ExecQuery();
    long n = 0;
    while (q.Next())
        ++n;
    const double seconds = timer.nsecsElapsed() / 1e9;
    q.Close();
    *rows = n;
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = TakeRunsOption(argc, argv, 3);
    TBenchConnection connection(BenchDatabaseName(argc, argv));
    TFIBDatabase* db = connection.db;
    TFIBTransaction* tr = connection.tr;
    try {
        db->SetConnected(true);
        tr->StartTransaction();
        // The two one after the other in every run, so that both see the
        // same state of the machine and neither profits from a warmer cache
        // throughout.
        TFigures figures;
        long rows = 0;
        for (int run = 0; run < runs; ++run) {
            long bareRows = 0;
            long queryRows = 0;
            double cpu = ProcessCpuMs();
            const double bare = FetchBare(*db, *tr, kResultsSelect, &bareRows);
            const double bareCpu = ProcessCpuMs() - cpu;
            cpu = ProcessCpuMs();
            const double query = FetchThroughQuery(*db, *tr, &queryRows);
            const double queryCpu = ProcessCpuMs() - cpu;
            if (queryRows != bareRows) {
                std::fprintf(stderr, "row counts differ: %ld / %ld\n", queryRows, bareRows);
                return 1;
            }
            rows = queryRows;
            figures.Add("bare_fetch", "rows/s", bareRows / bare);
            figures.Add("query_fetch", "rows/s", queryRows / query);
            figures.Add("query_fetch_vs_bare", "ratio", bare / query);
            figures.Add("bare_fetch_cpu", "s", bareCpu / 1000);
            figures.Add("query_fetch_cpu", "s", queryCpu / 1000);
        }
        tr->Commit();
        std::printf("# fetch_bench: TFIBQuery against the bare client-library loop, %ld rows, "
                    "%d runs\n",
                    rows, runs);
        figures.Print();
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
