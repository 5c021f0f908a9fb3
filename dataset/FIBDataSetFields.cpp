// Moving values between the record buffer's stored forms and fields,
// statement parameters and results.

#include "dataset/FIBDataSet.h"
#include "dataset/FieldTextBridge.h"

#include "base/Format.h"
#include "base/FormatSettings.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBStoredForms.h"
#include "fib/fib.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

template <typename T> T Load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T> void Store(char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

bool IsText(const TColumnSlot& s) {
    return s.SQLType == SQLText || s.SQLType == SQLVarying;
}

// The unscaled integer of an integer column.
int64_t RawInteger(const TColumnSlot& s, const char* p) {
    switch (s.SQLType) {
    case SQLShort:
        return Load<int16_t>(p);
    case SQLLong:
        return Load<int32_t>(p);
    case SQLInt64:
        return s.Scale < -4 ? std::llround(Load<double>(p)) : Load<int64_t>(p);
    case SQLBoolean:
    case SQLBooleanOld:
        return Load<uint8_t>(p) ? 1 : 0;
    case SQLDouble:
    case SQLDFloat:
        return std::llround(Load<double>(p));
    case SQLFloat:
        return std::llround(Load<float>(p));
    default:
        return 0;
    }
}

// The value of a numeric column, scale applied.
double NumericValue(const TColumnSlot& s, const char* p) {
    switch (s.SQLType) {
    case SQLDouble:
    case SQLDFloat:
        return Load<double>(p);
    case SQLFloat:
        return Load<float>(p);
    case SQLInt64:
        if (s.Scale < -4)
            return Load<double>(p);
        return static_cast<double>(Load<int64_t>(p)) * PowerOfTen(s.Scale);
    default:
        return static_cast<double>(RawInteger(s, p)) * PowerOfTen(s.Scale);
    }
}

double DateTimeValue(const TColumnSlot& s, const char* p) {
    switch (s.SQLType) {
    case SQLTimestamp:
        return StoredTimestampToDateTime(Load<double>(p));
    case SQLDate:
        return StoredDateToDateTime(Load<int32_t>(p));
    case SQLTime:
        return StoredTimeToDateTime(Load<int32_t>(p));
    default:
        return NumericValue(s, p);
    }
}

void StoreNumeric(const TColumnSlot& s, char* p, double value) {
    switch (s.SQLType) {
    case SQLDouble:
    case SQLDFloat:
        Store(p, value);
        return;
    case SQLFloat:
        Store(p, static_cast<float>(value));
        return;
    case SQLInt64:
        if (s.Scale < -4)
            Store(p, value);
        else
            Store(p, static_cast<int64_t>(std::llround(value * PowerOfTen(-s.Scale))));
        return;
    case SQLLong:
        Store(p, static_cast<int32_t>(std::llround(value * PowerOfTen(-s.Scale))));
        return;
    case SQLShort:
        Store(p, static_cast<int16_t>(std::llround(value * PowerOfTen(-s.Scale))));
        return;
    case SQLBoolean:
    case SQLBooleanOld:
        Store(p, static_cast<uint8_t>(value != 0 ? 1 : 0));
        return;
    default:
        return;
    }
}

void StoreInteger(const TColumnSlot& s, char* p, int64_t value) {
    if (s.Scale != 0 || s.SQLType == SQLDouble || s.SQLType == SQLFloat || s.SQLType == SQLDFloat) {
        StoreNumeric(s, p, static_cast<double>(value));
        return;
    }
    switch (s.SQLType) {
    case SQLInt64:
        Store(p, value);
        return;
    case SQLLong:
        Store(p, static_cast<int32_t>(value));
        return;
    case SQLShort:
        Store(p, static_cast<int16_t>(value));
        return;
    case SQLBoolean:
    case SQLBooleanOld:
        Store(p, static_cast<uint8_t>(value != 0 ? 1 : 0));
        return;
    default:
        return;
    }
}

void StoreDateTime(const TColumnSlot& s, char* p, double value) {
    const TServerTimestamp ts = DateTimeToServerTimestamp(value);
    switch (s.SQLType) {
    case SQLTimestamp:
        Store(p, StoredTimestamp(ts.date, ts.time));
        return;
    case SQLDate:
        Store(p, StoredDate(ts.date));
        return;
    case SQLTime:
        Store(p, StoredTime(ts.time));
        return;
    default:
        StoreNumeric(s, p, value);
        return;
    }
}

} // namespace

int TFIBCustomDataSet::FieldColumn(const TField* field) const {
    const int col = field->FieldNo() - 1;
    return col >= 0 && col < layout_.ColumnCount() ? col : -1;
}

TTextCodec TFIBCustomDataSet::Codec() const {
    return Database() && Database()->UnicodeConnection() ? TTextCodec::Utf8 : TTextCodec::Win1251;
}

QString TFIBCustomDataSet::DecodeFieldText(const QByteArray& bytes) const {
    return DecodeText(bytes, Codec());
}

QByteArray TFIBCustomDataSet::EncodeFieldText(const QString& text) const {
    return EncodeText(text, Codec());
}

// The bytes of a text column in a buffer.
static QByteArray TextBytes(const TRecordLayout& layout, const char* buffer, int col) {
    const TColumnSlot& s = layout.Column(col);
    const char* fixed = TRecordLayout::Fixed(buffer);
    if (s.Long)
        return QByteArray(buffer + s.CapOffset, TRecordLayout::LongLength(fixed, s));
    const char* p = fixed + s.Offset;
    return QByteArray(p, static_cast<qsizetype>(strnlen(p, static_cast<size_t>(s.Size - 1))));
}

static void TrimTrailing(QByteArray* bytes, char limit) {
    qsizetype n = bytes->size();
    while (n > 0 &&
           static_cast<unsigned char>(bytes->at(n - 1)) <= static_cast<unsigned char>(limit))
        --n;
    bytes->truncate(n);
}

bool TFIBCustomDataSet::GetFieldData(const TField* field, void* dest) const {
    const int col = FieldColumn(field);
    const char* buffer = ActiveBuffer();
    if (col < 0 || !buffer)
        return false;
    const char* fixed = TRecordLayout::Fixed(buffer);
    if (TRecordLayout::IsNull(fixed, col))
        return false;
    if (!dest)
        return true;
    const TColumnSlot& s = layout_.Column(col);
    const char* p = fixed + s.Offset;
    char* out = static_cast<char*>(dest);
    switch (field->DataType()) {
    case ftString: {
        QByteArray bytes = IsText(s) ? TextBytes(layout_, buffer, col)
                                     : EncodeFieldText(ColumnValue(buffer, col).ToString());
        if (options_ & poTrimCharFields)
            TrimTrailing(&bytes, ' ');
        const int stop = bytes.indexOf('\0');
        if (stop >= 0)
            bytes.truncate(stop);
        if (bytes.size() > field->Size())
            FIBError(74, {Name(), field->FieldName()});
        std::memcpy(out, bytes.constData(), static_cast<size_t>(bytes.size()));
        out[bytes.size()] = 0;
        return true;
    }
    case ftSmallint:
        Store(out, static_cast<int16_t>(RawInteger(s, p)));
        return true;
    case ftInteger:
    case ftWord:
        Store(out, static_cast<int32_t>(s.Scale == 0 ? RawInteger(s, p)
                                                     : std::llround(NumericValue(s, p))));
        return true;
    case ftLargeint:
        Store(out, s.Scale == 0 ? RawInteger(s, p) : std::llround(NumericValue(s, p)));
        return true;
    case ftBoolean:
        Store(out, static_cast<uint8_t>(RawInteger(s, p) != 0 ? 1 : 0));
        return true;
    case ftFloat:
    case ftCurrency:
        Store(out, NumericValue(s, p));
        return true;
    case ftBCD:
        if (s.SQLType == SQLInt64 && s.Scale == -field->Size())
            Store(out, Load<int64_t>(p));
        else
            Store(out, static_cast<int64_t>(
                           std::llround(NumericValue(s, p) * PowerOfTen(field->Size()))));
        return true;
    case ftDate:
    case ftTime:
    case ftDateTime:
        Store(out, DateTimeValue(s, p));
        return true;
    default:
        std::memcpy(out, p, static_cast<size_t>(s.Size));
        return true;
    }
}

void TFIBCustomDataSet::SetFieldData(TField* field, const void* source) {
    if (State() != stEdit && State() != stInsert)
        FIBError(fibeNotEditing, {FullComponentName(this)});
    if (State() == stEdit && !CanEdit())
        FIBError(fibeCannotUpdate, {FullComponentName(this)});
    if (State() == stInsert && !CanInsert())
        FIBError(fibeCannotInsert, {FullComponentName(this)});
    const int col = FieldColumn(field);
    char* buffer = ActiveBuffer();
    if (col < 0 || !buffer)
        return;
    char* fixed = TRecordLayout::Fixed(buffer);
    const TColumnSlot& s = layout_.Column(col);
    char* p = fixed + s.Offset;
    if (!source) {
        TRecordLayout::SetNull(fixed, col, true);
        std::memset(p, 0, static_cast<size_t>(s.Size));
        DataEvent(dnFieldChange, FieldInfo(field));
        return;
    }
    const char* in = static_cast<const char*>(source);
    switch (field->DataType()) {
    case ftString: {
        if (!IsText(s)) {
            // A string field over a non-text column: through the value.
            double v = 0;
            if (!ParseFieldFloat(DecodeFieldText(QByteArray(in)), &v))
                DatabaseError(FormatText(QStringLiteral("'%s' is not a valid floating point value"),
                                         {DecodeFieldText(QByteArray(in))}));
            StoreNumeric(s, p, v);
            break;
        }
        const int capacity = s.Long ? s.Capacity : s.Size - 1;
        QByteArray bytes(in,
                         static_cast<qsizetype>(strnlen(in, static_cast<size_t>(capacity) + 1)));
        bytes.truncate(capacity);
        if (options_ & poTrimCharFields)
            TrimTrailing(&bytes, ' ');
        if (s.Long) {
            std::memcpy(buffer + s.CapOffset, bytes.constData(), static_cast<size_t>(bytes.size()));
            TRecordLayout::SetLongLength(fixed, s, static_cast<int>(bytes.size()));
        } else {
            std::memset(p, 0, static_cast<size_t>(s.Size));
            std::memcpy(p, bytes.constData(), static_cast<size_t>(bytes.size()));
        }
        break;
    }
    case ftSmallint:
        StoreInteger(s, p, Load<int16_t>(in));
        break;
    case ftInteger:
    case ftWord:
        StoreInteger(s, p, Load<int32_t>(in));
        break;
    case ftLargeint:
        StoreInteger(s, p, Load<int64_t>(in));
        break;
    case ftBoolean:
        StoreInteger(s, p, Load<uint8_t>(in));
        break;
    case ftFloat:
    case ftCurrency:
        StoreNumeric(s, p, Load<double>(in));
        break;
    case ftBCD:
        if (s.SQLType == SQLInt64 && s.Scale == -field->Size())
            Store(p, Load<int64_t>(in));
        else
            StoreNumeric(s, p, static_cast<double>(Load<int64_t>(in)) * PowerOfTen(-field->Size()));
        break;
    case ftDate:
    case ftTime:
    case ftDateTime:
        StoreDateTime(s, p, Load<double>(in));
        break;
    default:
        std::memcpy(p, in, static_cast<size_t>(s.Size));
        break;
    }
    TRecordLayout::SetNull(fixed, col, false);
    DataEvent(dnFieldChange, FieldInfo(field));
}

bool TFIBCustomDataSet::GetBlobData(const TField* field, QByteArray* data) const {
    // Blob contents are not kept in the cache; the program shows no blob
    // column. The field reads as empty.
    data->clear();
    return GetFieldData(field, nullptr);
}

void TFIBCustomDataSet::CheckFieldText(const TField* field, const QString& text) const {
    if (Codec() == TTextCodec::Utf8)
        return;
    char32_t c = 0;
    if (FirstCharOutsideCodePage(text, &c))
        DatabaseError(FormatText(QStringLiteral("The character %s cannot be stored in field '%s': "
                                                "the connection character set WIN1251 has no "
                                                "such character"),
                                 {CharacterText(c), field->DisplayName()}));
}

Variant TFIBCustomDataSet::ColumnValue(const char* buffer, int col) const {
    const char* fixed = TRecordLayout::Fixed(buffer);
    if (TRecordLayout::IsNull(fixed, col))
        return Variant::Null();
    const TColumnSlot& s = layout_.Column(col);
    const char* p = fixed + s.Offset;
    switch (s.SQLType) {
    case SQLText:
    case SQLVarying: {
        QByteArray bytes = TextBytes(layout_, buffer, col);
        if (options_ & poTrimCharFields)
            TrimTrailing(&bytes, ' ');
        return Variant(DecodeFieldText(bytes));
    }
    case SQLShort:
    case SQLLong:
        if (s.Scale == 0)
            return Variant(static_cast<int32_t>(RawInteger(s, p)));
        return Variant(NumericValue(s, p));
    case SQLInt64:
        if (s.Scale == 0)
            return Variant(RawInteger(s, p));
        return Variant(NumericValue(s, p));
    case SQLDouble:
    case SQLFloat:
    case SQLDFloat:
        return Variant(NumericValue(s, p));
    case SQLTimestamp:
    case SQLDate:
    case SQLTime:
        return Variant::DateTime(DateTimeValue(s, p));
    case SQLBoolean:
    case SQLBooleanOld:
        return Variant(RawInteger(s, p) != 0);
    default:
        return Variant::ByteArray(QByteArray(p, s.Size));
    }
}

void TFIBCustomDataSet::ColumnToParam(const char* buffer, int col, TFIBXSQLVAR& param) const {
    const char* fixed = TRecordLayout::Fixed(buffer);
    if (TRecordLayout::IsNull(fixed, col)) {
        param.SetIsNull(true);
        return;
    }
    const TColumnSlot& s = layout_.Column(col);
    const char* p = fixed + s.Offset;
    switch (s.SQLType) {
    case SQLText:
    case SQLVarying:
        param.SetAsString(TextBytes(layout_, buffer, col));
        return;
    case SQLShort:
    case SQLLong:
    case SQLInt64:
        if (s.SQLType == SQLInt64 && s.Scale < -4) {
            param.SetAsDouble(Load<double>(p));
            return;
        }
        if (s.Scale == 0) {
            if (s.SQLType == SQLShort)
                param.SetAsSmallInt(Load<int16_t>(p));
            else if (s.SQLType == SQLLong)
                param.SetAsInteger(Load<int32_t>(p));
            else
                param.SetAsInt64(Load<int64_t>(p));
            return;
        }
        param.SetRaw(s.SQLType, static_cast<short>(s.Size), p);
        param.SetScale(s.Scale);
        return;
    case SQLDouble:
    case SQLDFloat:
        param.SetAsDouble(Load<double>(p));
        return;
    case SQLFloat:
        param.SetRaw(SQLFloat, 4, p);
        return;
    case SQLTimestamp: {
        const double ms = Load<double>(p);
        const auto days =
            static_cast<int64_t>(std::floor(ms / static_cast<double>(kMSecsPerDayInt)));
        const auto rest = static_cast<int64_t>(ms - static_cast<double>(days * kMSecsPerDayInt));
        const ISC_TIMESTAMP ts{static_cast<ISC_DATE>(days - kServerDateDelta),
                               static_cast<ISC_TIME>(rest * 10)};
        param.SetRaw(SQLTimestamp, sizeof ts, &ts);
        return;
    }
    case SQLDate: {
        const ISC_DATE d = Load<int32_t>(p) - kServerDateDelta;
        param.SetRaw(SQLDate, sizeof d, &d);
        return;
    }
    case SQLTime: {
        const ISC_TIME t = static_cast<ISC_TIME>(Load<int32_t>(p)) * 10;
        param.SetRaw(SQLTime, sizeof t, &t);
        return;
    }
    case SQLBoolean:
    case SQLBooleanOld:
        param.SetAsBoolean(Load<uint8_t>(p) != 0);
        return;
    case SQLBlob:
    case SQLArray:
    case SQLQuad:
        param.SetAsQuad(Load<ISC_QUAD>(p));
        return;
    default:
        return;
    }
}

void TFIBCustomDataSet::ParamToColumn(const TFIBXSQLVAR& value, char* buffer, int col) const {
    char* fixed = TRecordLayout::Fixed(buffer);
    const TColumnSlot& s = layout_.Column(col);
    char* p = fixed + s.Offset;
    if (value.IsNull()) {
        TRecordLayout::SetNull(fixed, col, true);
        std::memset(p, 0, static_cast<size_t>(s.Size));
        return;
    }
    TRecordLayout::SetNull(fixed, col, false);
    if (IsText(s)) {
        QByteArray bytes = value.AsString();
        const int capacity = s.Long ? s.Capacity : s.Size - 1;
        bytes.truncate(capacity);
        if (s.Long) {
            std::memcpy(buffer + s.CapOffset, bytes.constData(), static_cast<size_t>(bytes.size()));
            TRecordLayout::SetLongLength(fixed, s, static_cast<int>(bytes.size()));
        } else {
            std::memset(p, 0, static_cast<size_t>(s.Size));
            std::memcpy(p, bytes.constData(), static_cast<size_t>(bytes.size()));
        }
        return;
    }
    if (value.SQLType() == s.SQLType && value.SQLScale() == s.Scale &&
        value.StoredSize() == s.Size) {
        std::vector<char> tmp(static_cast<size_t>(s.Size));
        value.WriteStored(tmp.data());
        std::memcpy(p, tmp.data(), tmp.size());
        return;
    }
    switch (s.SQLType) {
    case SQLTimestamp:
    case SQLDate:
    case SQLTime:
        StoreDateTime(s, p, value.AsDateTime());
        return;
    case SQLBlob:
    case SQLArray:
    case SQLQuad:
        Store(p, value.AsQuad());
        return;
    default:
        if (s.Scale == 0 && s.SQLType != SQLDouble && s.SQLType != SQLFloat)
            StoreInteger(s, p, value.AsInt64());
        else
            StoreNumeric(s, p, value.AsDouble());
        return;
    }
}
