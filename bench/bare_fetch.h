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

// A connection and a transaction in the program's configuration (WIN1251,
// dialect 3), not yet connected.
struct TBenchConnection {
    explicit TBenchConnection(const QString& database);
    TComponent root;
    TFIBDatabase* db;
    TFIBTransaction* tr;
};

// The client library alone: its own statement, an XSQLDA laid out as the
// server describes it, buffers allocated once. Returns the seconds from
// execute to the last fetch; *rows receives the row count.
double FetchBare(TFIBDatabase& db, TFIBTransaction& tr, const char* select, long* rows);
