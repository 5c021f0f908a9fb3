#include "controls/GridExport.h"

#include "base/AtomicFile.h"
#include "base/Csv.h"
#include "base/Exception.h"
#include "base/Format.h"
#include "base/FormatSettings.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

constexpr qsizetype kFlushBytes = 1 << 20;

[[noreturn]] void CannotWrite(const QString& path) {
    throw Exception(FormatText(QStringLiteral("Unable to write to %s"), {path}));
}

void AppendDigits(QByteArray& out, int value, int width) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0)
        out.append(digits[--n]);
}

template <typename Number> void AppendNumber(QByteArray& out, Number value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end - text);
}

// An int64 scaled by 10^decimals, written exactly.
void AppendScaled(QByteArray& out, int64_t value, int decimals) {
    if (decimals <= 0) {
        AppendNumber(out, value);
        return;
    }
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char fraction[20];
    for (int i = decimals - 1; i >= 0; --i) {
        fraction[i] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    if (negative)
        out.append('-');
    AppendNumber(out, magnitude);
    out.append('.');
    out.append(fraction, decimals);
}

// A field's value in its native form (see the field classes); false when the
// field is null.
template <class T> bool NativeValue(TField* field, void* scratch, T* value) {
    if (!field->GetData(scratch))
        return false;
    std::memcpy(value, scratch, sizeof *value);
    return true;
}

} // namespace

void AppendIsoDateTime(QByteArray& out, double value, TFieldType type) {
    const bool date = type != ftTime;
    const bool time = type != ftDate;
    if (date) {
        const QDate d = DateOf(value);
        int year = d.year();
        if (year < 0) {
            out.append('-');
            year = -year;
        }
        AppendDigits(out, year, 4);
        out.append('-');
        AppendDigits(out, d.month(), 2);
        out.append('-');
        AppendDigits(out, d.day(), 2);
    }
    if (!time)
        return;
    if (date)
        out.append('T');
    const QTime t = TimeOf(value);
    AppendDigits(out, t.hour(), 2);
    out.append(':');
    AppendDigits(out, t.minute(), 2);
    out.append(':');
    AppendDigits(out, t.second(), 2);
    if (t.msec() != 0) {
        out.append('.');
        AppendDigits(out, t.msec(), 3);
    }
}

TCsvExport::TCsvExport(TDataSet& dataSet, std::vector<TCsvColumn> columns)
    : ds_(dataSet), columns_(std::move(columns)) {}

bool TCsvExport::Run(const QString& path, const TProgress& progress) {
    rows_ = 0;
    ds_.CheckActive();
    ds_.EnsureBrowse();

    // Text of a one-byte character set goes to UTF-8 through a table, not a
    // string per value.
    byteUtf8_.assign(256, QByteArray());
    for (int b = 1; b < 256 && !byteUtf8_.empty(); ++b) {
        const QString text = ds_.DecodeFieldText(QByteArray(1, static_cast<char>(b)));
        if (text.size() == 1)
            byteUtf8_[b] = text.toUtf8();
        else
            byteUtf8_.clear();
    }
    int scratch = 16;
    for (const TCsvColumn& c : columns_)
        if (c.Field)
            scratch = std::max(scratch, c.Field->DataSize() + 1);
    scratch_.assign(static_cast<size_t>(scratch), 0);

    TAtomicFile file;
    if (!file.Open(path, 0644))
        CannotWrite(path);
    const int saved = ds_.Bookmark();
    const int row = ds_.ActiveRow();
    ds_.DisableControls();
    bool completed = false;
    try {
        completed = WriteRows(file, path, progress);
    } catch (...) {
        IgnoreFailure("the export's own error is the one to report", [&] { ComeBack(saved, row); });
        ds_.EnableControls();
        throw;
    }
    try {
        ComeBack(saved, row);
    } catch (...) {
        ds_.EnableControls();
        throw;
    }
    ds_.EnableControls();
    if (!completed) {
        file.Discard();
        return false;
    }
    if (!file.Commit())
        CannotWrite(path);
    return true;
}

void TCsvExport::ComeBack(int bookmark, int row) {
    // The window as it was: its top record at the top, the current one at
    // its row below it.
    ds_.First();
    if (bookmark <= 0)
        return;
    const int top = std::max(1, bookmark - row);
    if (top > 1)
        ds_.GotoBookmark(top);
    if (bookmark > top)
        ds_.MoveBy(bookmark - top);
}

bool TCsvExport::WriteRows(TAtomicFile& file, const QString& path, const TProgress& progress) {
    QByteArray out;
    out.reserve(kFlushBytes + 64 * 1024);
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0)
            out.append(',');
        AppendCsvField(out, columns_[i].Title);
    }
    EndCsvRecord(out);
    if (progress && !progress(0))
        return false;

    QElapsedTimer sinceTold;
    sinceTold.start();
    ds_.First();
    while (!ds_.IsEmpty()) {
        AppendRecord(out);
        ++rows_;
        if (out.size() >= kFlushBytes) {
            if (!file.Write(out))
                CannotWrite(path);
            out.truncate(0);
        }
        if (progress && rows_ % kClockEvery == 0 && sinceTold.hasExpired(kProgressMs)) {
            if (!progress(rows_))
                return false;
            sinceTold.start();
        }
        if (ds_.MoveBy(1) == 0)
            break;
    }
    if (!file.Write(out))
        CannotWrite(path);
    return !progress || progress(rows_);
}

void TCsvExport::AppendRecord(QByteArray& out) {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0)
            out.append(',');
        if (columns_[i].Field)
            AppendValue(out, columns_[i].Field);
    }
    EndCsvRecord(out);
}

void TCsvExport::AppendString(QByteArray& out, TField* field) {
    if (byteUtf8_.empty()) {
        AppendCsvField(out, field->AsString());
        return;
    }
    if (!field->GetData(scratch_.data()))
        return;
    field_.truncate(0);
    for (const char* p = scratch_.data(); *p; ++p)
        field_.append(byteUtf8_[static_cast<unsigned char>(*p)]);
    AppendCsvField(out, QByteArrayView(field_));
}

void TCsvExport::AppendValue(QByteArray& out, TField* field) {
    void* data = scratch_.data();
    const TFieldType type = field->DataType();
    int16_t small = 0;
    int32_t integer = 0;
    int64_t large = 0;
    double real = 0;
    switch (type) {
    case ftString:
        AppendString(out, field);
        return;
    case ftSmallint:
        if (NativeValue(field, data, &small))
            AppendNumber(out, small);
        return;
    case ftInteger:
    case ftWord:
        if (NativeValue(field, data, &integer))
            AppendNumber(out, integer);
        return;
    case ftLargeint:
        if (NativeValue(field, data, &large))
            AppendNumber(out, large);
        return;
    case ftBCD:
        if (NativeValue(field, data, &large))
            AppendScaled(out, large, field->Size());
        return;
    case ftFloat:
    case ftCurrency:
        if (NativeValue(field, data, &real))
            AppendNumber(out, real);
        return;
    case ftBoolean:
        if (field->GetData(data))
            out.append(*static_cast<const uint8_t*>(data) ? "true" : "false");
        return;
    case ftDate:
    case ftTime:
    case ftDateTime:
        if (NativeValue(field, data, &real))
            AppendIsoDateTime(out, real, type);
        return;
    default:
        if (!field->IsNull())
            AppendCsvField(out, field->AsString());
        return;
    }
}
