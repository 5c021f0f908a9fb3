#include "qt_database.h"

#include "bare_fetch.h"

#include <QSqlError>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::exit(1);
}

} // namespace

QSqlDatabase OpenQtDatabase(const QString& database) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
        Fail(QStringLiteral("Qt's QIBASE driver is not installed (Debian: libqt6sql6-ibase)"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"));
    // host:path, unless the part before the colon is a drive letter
    const qsizetype colon = database.indexOf(u':');
    if (colon > 1) {
        db.setHostName(database.left(colon));
        db.setDatabaseName(database.mid(colon + 1));
    } else {
        db.setDatabaseName(database);
    }
    db.setUserName(BenchUser());
    db.setPassword(BenchPassword());
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=WIN1251")); // as the program connects
    if (!db.open())
        Fail(QStringLiteral("cannot open %1: %2").arg(database, db.lastError().text()));
    return db;
}
