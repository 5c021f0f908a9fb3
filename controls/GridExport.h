#pragma once
// Every row of a dataset written as CSV (UTF-8, RFC 4180, a header of column
// titles, dates and times in ISO 8601, numbers with a dot), atomically: the
// target appears only when the last row is written, and an error or a cancel
// leaves no file behind. Rows not fetched yet are fetched as the export goes.

#include "dataset/DB.h"

#include <QString>
#include <functional>
#include <vector>

struct TCsvColumn {
    TField* Field = nullptr;
    QString Title;
};

class TCsvExport {
public:
    // Told the count of rows written so far now and then; returns false to
    // cancel the export.
    using TProgress = std::function<bool(qint64 rows)>;
    // Told by the clock, not by a count of rows: across a slow network a
    // few thousand rows take seconds, and a Cancel must be heard within a
    // fetch or two; on a fast one the user's window is not kept busy with
    // more updates than can be seen.
    static constexpr int kProgressMs = 50;
    static constexpr int kClockEvery = 64; // rows between looks at the clock

    TCsvExport(TDataSet& dataSet, std::vector<TCsvColumn> columns);

    // Writes the file; returns false when the progress callback cancelled
    // (no file is left then). Raises "Unable to write to %s" when the file
    // cannot be written, and whatever the dataset raises while fetching. The
    // dataset's current record is the same afterwards; its controls see
    // nothing of the walk.
    bool Run(const QString& path, const TProgress& progress = {});
    qint64 RowsWritten() const { return rows_; }

private:
    bool WriteRows(class TAtomicFile& file, const QString& path, const TProgress& progress);
    void ComeBack(int bookmark, int row);
    void AppendRecord(QByteArray& out);
    void AppendValue(QByteArray& out, TField* field);
    void AppendString(QByteArray& out, TField* field);

    TDataSet& ds_;
    std::vector<TCsvColumn> columns_;
    qint64 rows_ = 0;
    // One character set byte as UTF-8, when the dataset's text is one byte
    // per character; empty otherwise.
    std::vector<QByteArray> byteUtf8_;
    std::vector<char> scratch_;
    QByteArray field_;
};

// The text of a date-time value (days since 30 December 1899) in ISO 8601:
// "2024-05-17" for a date, "13:05:09" for a time, "2024-05-17T13:05:09" for
// both; milliseconds are added (".250") when they are not zero.
void AppendIsoDateTime(QByteArray& out, double value, TFieldType type);
