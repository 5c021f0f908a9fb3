// Fetch speed of TFIBQuery against a bare loop of client-library calls over
// the same statement and the same descriptor layout: the results view's
// three-table join over the large demo database (1,000,000 results).
//
//   fetch_bench [host:database]   (default: the local veltor-bench.fdb;
//   create it with db/make-demo <database> --large)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).

#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char* const kSelect = "SELECT \r\n    fakultet.nazva, \r\n    student.kurs, \r\n"
                            "    student.grupa, \r\n    student.familiya, \r\n"
                            "    student.imya, \r\n    student.otchestvo, \r\n"
                            "    resultat.ocinka,\r\n    resultat.vrema \r\nFROM \r\n"
                            "    resultat \r\nINNER JOIN \r\n"
                            "    student ON resultat.s_id=student.s_id \r\nINNER JOIN \r\n"
                            "    fakultet on fakultet.f_id=student.f_id\r\n";

QString Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return QString::fromLocal8Bit(v && *v ? v : fallback);
}

double FetchThroughQuery(TFIBDatabase& db, TFIBTransaction& tr, long* rows) {
    TFIBQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SetSQLText(QString::fromLatin1(kSelect));
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

// The client library alone: its own statement, an XSQLDA laid out as the
// server describes it, buffers allocated once.
double FetchBare(TFIBDatabase& db, TFIBTransaction& tr, long* rows) {
    IIBClientLibrary& lib = db.ClientLibrary();
    ISC_STATUS_ARRAY sv{};
    isc_stmt_handle stmt = 0;
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "%s failed (%ld)\n", what, static_cast<long>(sv[1]));
        std::exit(2);
    };
    if (lib.isc_dsql_alloc_statement2(sv, db.Handle(), &stmt))
        fail("isc_dsql_alloc_statement2");
    std::vector<char> memory(XSQLDA_LENGTH(1));
    auto* da = reinterpret_cast<XSQLDA*>(memory.data());
    da->version = SQLDA_VERSION1;
    da->sqln = 1;
    if (lib.isc_dsql_prepare(sv, tr.Handle(), &stmt, 0, kSelect, 3, da))
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
    if (lib.isc_dsql_execute(sv, tr.Handle(), &stmt, 3, nullptr))
        fail("isc_dsql_execute");
    long count = 0;
    ISC_STATUS status;
    while ((status = lib.isc_dsql_fetch(sv, &stmt, 3, da)) == 0)
        ++count;
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (status != 100)
        fail("isc_dsql_fetch");
    lib.isc_dsql_free_statement(sv, &stmt, DSQL_drop);
    *rows = count;
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const QString database = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                      : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/"
                                                       "veltor-bench.fdb");
    TComponent root;
    auto* db = new TFIBDatabase(&root);
    auto* tr = new TFIBTransaction(&root);
    db->SetDBName(database);
    db->SetDBParams({QStringLiteral("lc_ctype=WIN1251"),
                     QStringLiteral("user_name=") + Env("ISC_USER", "SYSDBA"),
                     QStringLiteral("password=") + Env("ISC_PASSWORD", "tarnwheel")});
    db->SetSQLDialect(3);
    db->SetLibraryName(QStringLiteral("fbclient.dll"));
    db->SetDefaultTransaction(tr);
    tr->SetDefaultDatabase(db);
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
            bestBare = std::min(bestBare, FetchBare(*db, *tr, &bareRows));
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
