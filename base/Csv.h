#pragma once
// Comma-separated values as RFC 4180 gives them: fields separated by commas,
// records ended by CR LF, a field that holds a comma, a double quote, CR or
// LF enclosed in double quotes with its double quotes doubled. Everything is
// appended to a caller's buffer, so that a long export allocates only as the
// buffer grows.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Appends one field's UTF-8 bytes, quoted when they need it (no separator).
void AppendCsvField(QByteArray& out, QByteArrayView utf8);
// The same for text, converted to UTF-8.
void AppendCsvField(QByteArray& out, const QString& text);
// Ends a record.
inline void EndCsvRecord(QByteArray& out) {
    out.append("\r\n", 2);
}
