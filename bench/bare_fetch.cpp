#include "bare_fetch.h"

#include "model/TestingModel.h"
#include "model/TestingSql.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QString Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return QString::fromLocal8Bit(v && *v ? v : fallback);
}

// The select as the results dataset sends it: every line followed by CR LF.
const QByteArray& ResultsSelectText() {
    static const QByteArray text = [] {
        QByteArray t;
        for (const QString& line : ResultatStatements().SelectSQL)
            t += line.toLatin1() + "\r\n";
        return t;
    }();
    return text;
}

} // namespace

const char* const kResultsSelect = ResultsSelectText().constData();

QString BenchDatabaseName(int argc, char** argv) {
    return argc > 1 ? QString::fromLocal8Bit(argv[1])
                    : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/veltor-bench.fdb");
}

QString BenchUser() {
    return Env("ISC_USER", "SYSDBA");
}

QString BenchPassword() {
    return Env("ISC_PASSWORD", "tarnwheel");
}

TBenchConnection::TBenchConnection(const QString& database) {
    const TModelConnection c = TTestingModel::MakeConnection(root);
    db = c.DataBase;
    tr = c.Transaction;
    db->SetDBName(database);
    db->SetDBParams(db->DBParams() + QStringList{QStringLiteral("user_name=") + BenchUser(),
                                                 QStringLiteral("password=") + BenchPassword()});
}

double FetchBare(TFIBDatabase& db, TFIBTransaction& tr, const char* select, TBareFetch* result,
                 long maxRows) {
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
    if (lib.isc_dsql_prepare(sv, tr.Handle(), &stmt, 0, select, 3, da))
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
    // Adding up the wire size costs a few additions per row, nothing beside
    // a fetch call.
    QElapsedTimer timer;
    timer.start();
    if (lib.isc_dsql_execute(sv, tr.Handle(), &stmt, 3, nullptr))
        fail("isc_dsql_execute");
    long count = 0;
    long long wire = 0;
    ISC_STATUS status = 0;
    while ((maxRows < 0 || count < maxRows) &&
           (status = lib.isc_dsql_fetch(sv, &stmt, 3, da)) == 0) {
        ++count;
        for (int i = 0; i < n; ++i) {
            const XSQLVAR& v = da->sqlvar[i];
            const bool nullable = v.sqltype & 1;
            if (nullable)
                wire += 2;
            if (nullable && indicators[i] == -1)
                continue;
            wire += (v.sqltype & ~1) == SQL_VARYING
                        ? 2 + *reinterpret_cast<const ISC_SHORT*>(v.sqldata)
                        : v.sqllen;
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (status != 0 && status != 100)
        fail("isc_dsql_fetch");
    lib.isc_dsql_free_statement(sv, &stmt, DSQL_drop);
    result->Rows = count;
    result->WireBytesPerRow = count ? static_cast<double>(wire) / count : 0;
    return seconds;
}

double FetchBare(TFIBDatabase& db, TFIBTransaction& tr, const char* select, long* rows) {
    TBareFetch result;
    const double seconds = FetchBare(db, tr, select, &result);
    *rows = result.Rows;
    return seconds;
}

bool PrepareProgramFolder(const QString& folder, const QString& database) {
    const QString ini = QStringLiteral("[General]\nLanguage=English\nSave_Forms_Position=0\n"
                                       "[Main_Form]\nX=0\nY=0\n"
                                       "[DataBase]\nDBName=%1\nUserName=%2\nUserPass=%3\n")
                            .arg(database, BenchUser(), BenchPassword());
    const QByteArray data = ini.toUtf8();
    QFile file(folder + QStringLiteral("/options.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return false;
    const QDir languages(QStringLiteral(VELTOR_LANGUAGES_DIR));
    if (!QDir(folder).mkpath(QStringLiteral("Languages")))
        return false;
    for (const QString& name : languages.entryList({QStringLiteral("*.olg")}, QDir::Files))
        if (!QFile::copy(languages.filePath(name), folder + QStringLiteral("/Languages/") + name))
            return false;
    return true;
}
