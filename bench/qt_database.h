#pragma once
// The peer's connection: Qt's own Firebird driver (QIBASE) on the same
// database as the program, with the program's character set.

#include <QSqlDatabase>
#include <QString>

// Opens a QIBASE connection to host:path (or a plain path), with the user
// and password of BenchUser / BenchPassword. Ends the process with a message
// when the driver is missing or the database does not open.
QSqlDatabase OpenQtDatabase(const QString& database);
