#pragma once
// What the fetch benchmarks share: the results view's statement, a
// connection to the benchmark database, and the floor every fetch is
// measured against, a bare loop of client-library calls.

#include "fib/FIBDatabase.h"

#include <QString>
#include <memory>

// The results view's three-table join, as the view sends it.
extern const char* const kResultsSelect;

// The large demo database on the local server, or the first argument
// (host:database). Create it with db/make-demo <database> --large.
QString BenchDatabaseName(int argc, char** argv);
// ISC_USER / ISC_PASSWORD, by default SYSDBA / tarnwheel.
QString BenchUser();
QString BenchPassword();

// A program folder for the real main window: the language files, and an
// options.ini naming database with the benchmark's user, English captions
// and the window at the top left. False when a file cannot be written.
bool PrepareProgramFolder(const QString& folder, const QString& database);

// A connection and a transaction in the program's configuration (WIN1251,
// dialect 3), not yet connected.
struct TBenchConnection {
    explicit TBenchConnection(const QString& database);
    TComponent root;
    TFIBDatabase* db;
    TFIBTransaction* tr;
};

// What a bare fetch loop reports besides its time.
struct TBareFetch {
    long Rows = 0;
    // Bytes per row as the server sends them: VARCHAR data with its length
    // word, fixed columns whole, an indicator per nullable column.
    double WireBytesPerRow = 0;
};

// The client library alone: its own statement, an XSQLDA laid out as the
// server describes it, buffers allocated once. Fetches every row, or the
// first maxRows when that is not negative. Returns the seconds from execute
// to the last fetch.
double FetchBare(TFIBDatabase& db, TFIBTransaction& tr, const char* select, TBareFetch* result,
                 long maxRows = -1);
// The same, for callers that want the row count only.
double FetchBare(TFIBDatabase& db, TFIBTransaction& tr, const char* select, long* rows);
