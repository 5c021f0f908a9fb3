#pragma once
// Comma-separated values as RFC 4180 gives them: fields separated by commas,
// records ended by CR LF, a field that holds a comma, a double quote, CR or
// LF enclosed in double quotes with its double quotes doubled. Everything is
// appended to a caller's buffer, so that a long export allocates only as the
// buffer grows.
//
// The reader takes what spreadsheets write under the same rules: the
// separator may also be a semicolon or a tab (detected from the first
// records), records may end with LF or CR alone, and the text may be UTF-8
// (with or without a byte-order mark) or code page 1251 (detected). Both
// sides quote by the one rule of CsvFieldNeedsQuotes, so what the writer
// writes the reader gives back unchanged.

#include "base/Exception.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// Whether a field holding these characters must be enclosed in quotes.
bool CsvFieldNeedsQuotes(QByteArrayView utf8, char separator = ',');

// Appends one field's UTF-8 bytes, quoted when they need it (no separator).
void AppendCsvField(QByteArray& out, QByteArrayView utf8, char separator = ',');
// The same for text, converted to UTF-8.
void AppendCsvField(QByteArray& out, const QString& text, char separator = ',');
// Ends a record.
inline void EndCsvRecord(QByteArray& out) {
    out.append("\r\n", 2);
}

enum class TCsvEncoding { Detect, Utf8, Win1251 };
// 0 in TCsvReadOptions::separator: detect among these.
inline constexpr char kCsvSeparators[] = {',', ';', '\t'};

struct TCsvReadOptions {
    TCsvEncoding encoding = TCsvEncoding::Detect;
    char separator = 0;
    // A larger file is refused before it is read.
    qint64 maxBytes = 32 * 1024 * 1024;
};

struct TCsvTable {
    TCsvEncoding encoding = TCsvEncoding::Utf8; // as detected or chosen
    char separator = ',';
    // Every record, the header first; lines that hold nothing are left out.
    QList<QStringList> records;
    // The line of the file on which each record starts, counting from 1.
    QList<int> lines;
};

// Why a file could not be read. The message is English for logs and tests;
// a window shows its own text for the kind, with Line() where it matters.
enum class TCsvProblem {
    cpCannotOpen,    // missing, a folder, no permission
    cpReadFailed,    // went away or failed while it was read
    cpTooLarge,      // over TCsvReadOptions::maxBytes
    cpNotText,       // NUL or other control bytes
    cpEmpty,         // nothing but blanks and line breaks
    cpUnclosedQuote, // a quote opened on Line() is never closed
};

class ECsvError : public Exception {
public:
    ECsvError(TCsvProblem problem, const QString& message, int line = 0)
        : Exception(message), problem_(problem), line_(line) {}
    TCsvProblem Problem() const { return problem_; }
    int Line() const { return line_; }

private:
    TCsvProblem problem_;
    int line_;
};

// The records of a file's bytes; raises ECsvError.
TCsvTable ReadCsv(QByteArrayView bytes, const TCsvReadOptions& options = {});
// The same from a file, read whole; raises ECsvError.
TCsvTable ReadCsvFile(const QString& path, const TCsvReadOptions& options = {});
