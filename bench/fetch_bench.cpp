// Fetch speed of TFIBQuery against a bare loop of client-library calls over
// the same statement and the same descriptor layout: the results view's
// three-table join over the large demo database (1,000,000 results).
//
//   fetch_bench [host:database]   (default: the local veltor-bench.fdb;
//   create it with db/make-demo <database> --large)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).

#include "bare_fetch.h"
#include "fib/FIBQuery.h"

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
    TBenchConnection connection(BenchDatabaseName(argc, argv));
    TFIBDatabase* db = connection.db;
    TFIBTransaction* tr = connection.tr;
    try {
        db->SetConnected(true);
        tr->StartTransaction();
        // Alternate the two, best of three each, so that neither profits
        // from a warmer cache.
        double bestQuery = 1e9;
        double bestBare = 1e9;
        long queryRows = 0;
        long bareRows = 0;
        for (int round = 0; round < 3; ++round) {
            bestBare = std::min(bestBare, FetchBare(*db, *tr, kResultsSelect, &bareRows));
            bestQuery = std::min(bestQuery, FetchThroughQuery(*db, *tr, &queryRows));
        }
        tr->Commit();
        if (queryRows != bareRows) {
            std::fprintf(stderr, "row counts differ: %ld / %ld\n", queryRows, bareRows);
            return 1;
        }
        const double queryRate = queryRows / bestQuery;
        const double bareRate = bareRows / bestBare;
        std::printf("rows fetched:        %ld\n", queryRows);
        std::printf("TFIBQuery:           %.0f rows/s\n", queryRate);
        std::printf("client library loop: %.0f rows/s\n", bareRate);
        std::printf("ratio:               %.3f\n", queryRate / bareRate);
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
