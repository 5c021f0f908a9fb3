// Reading a parameter or column value in the program's forms.

#include "base/FormatSettings.h"
#include "fib/FIBStoredForms.h"
#include "fib/FIBXSQLDA.h"
#include "fib/fib.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

template <typename T> T Read(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[noreturn]] void Invalid() {
    FIBError(fibeInvalidDataConversion);
}

int64_t Trunc64(double v) {
    const double t = std::trunc(v);
    if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0))
        Invalid();
    return static_cast<int64_t>(t);
}

// A scaled integer divided down to whole units, truncating toward zero.
int64_t Unscale(int64_t value, int scale) {
    if (scale < 0)
        return value / IntPowerOfTen(-scale);
    if (scale > 0)
        return value * IntPowerOfTen(scale);
    return value;
}

double ScaledToDouble(int64_t value, int scale) {
    if (scale < 0)
        return static_cast<double>(value) / PowerOfTen(-scale);
    return static_cast<double>(value) * PowerOfTen(scale);
}

// 1234567 with scale -4 -> 123.4567, with the locale's separator.
QString ScaledIntegerText(int64_t value, int scale) {
    if (scale >= 0)
        return QString::number(Unscale(value, scale));
    const bool negative = value < 0;
    // The magnitude as text, without overflow for the smallest value.
    QString digits = QString::number(static_cast<quint64>(negative ? -(value + 1) : value) +
                                     (negative ? 1u : 0u));
    const int places = -scale;
    if (digits.size() <= places)
        digits = QString(places - digits.size() + 1, u'0') + digits;
    digits.insert(digits.size() - places, FormatSettings().DecimalSeparator);
    return negative ? u'-' + digits : digits;
}

} // namespace

TTextCodec TFIBXSQLVAR::Codec() const {
    const short type = SQLType();
    const int charset = (type == SQLText || type == SQLVarying) ? (var_->sqlsubtype & 0xFF) : -1;
    return Owner().XSQLCodec(charset);
}

QByteArray TFIBXSQLVAR::CharBytes() const {
    const char* p = var_->sqldata;
    QByteArray bytes;
    if (SQLType() == SQLVarying) {
        const int len = Read<int16_t>(p);
        bytes = QByteArray(p + 2, std::max(0, std::min<int>(len, var_->sqllen)));
    } else {
        bytes = QByteArray(p, var_->sqllen);
    }
    if (Owner().XSQLTrimCharFields()) {
        qsizetype n = bytes.size();
        while (n > 0 && static_cast<unsigned char>(bytes.at(n - 1)) < 33)
            --n;
        bytes.truncate(n);
    }
    return bytes;
}

QString TFIBXSQLVAR::TextValue() const {
    const char* p = var_->sqldata;
    const int scale = var_->sqlscale;
    switch (SQLType()) {
    case SQLText:
    case SQLVarying:
        return DecodeText(CharBytes(), Codec());
    case SQLDouble:
    case SQLFloat:
    case SQLDFloat:
        return FloatToStr(AsDouble());
    case SQLShort:
    case SQLLong:
        return scale == 0 ? QString::number(AsInt64()) : FloatToStr(AsDouble());
    case SQLInt64:
        return ScaledIntegerText(Read<int64_t>(p), scale);
    case SQLTimestamp:
        return DateTimeToStr(AsDateTime());
    case SQLDate:
        return DateToStr(AsDateTime());
    case SQLTime:
        return TimeToStr(AsDateTime());
    case SQLArray:
        return QStringLiteral("(ARRAY)");
    case SQLBoolean:
    case SQLBooleanOld:
        return AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        Invalid();
    }
}

QByteArray TFIBXSQLVAR::AsString() const {
    if (hasBlob_)
        return blobContent_;
    if (IsNull())
        return QByteArray();
    switch (SQLType()) {
    case SQLText:
    case SQLVarying:
        return CharBytes();
    case SQLBlob:
        return Owner().XSQLReadBlob(AsQuad());
    default:
        return EncodeText(TextValue(), Owner().XSQLCodec(-1));
    }
}

QString TFIBXSQLVAR::AsWideString() const {
    if (hasWide_)
        return wideText_;
    if (hasBlob_)
        return DecodeText(blobContent_, Owner().XSQLCodec(-1));
    if (IsNull())
        return QString();
    if (SQLType() == SQLBlob)
        return DecodeText(Owner().XSQLReadBlob(AsQuad()), Owner().XSQLCodec(-1));
    return TextValue();
}

int64_t TFIBXSQLVAR::AsInt64() const {
    if (IsNull())
        return 0;
    const char* p = var_->sqldata;
    switch (SQLType()) {
    case SQLShort:
        return Unscale(Read<int16_t>(p), var_->sqlscale);
    case SQLLong:
        return Unscale(Read<int32_t>(p), var_->sqlscale);
    case SQLInt64:
        return Unscale(Read<int64_t>(p), var_->sqlscale);
    case SQLDouble:
    case SQLDFloat:
        return Trunc64(Read<double>(p));
    case SQLFloat:
        return Trunc64(Read<float>(p));
    case SQLText:
    case SQLVarying: {
        int64_t v = 0;
        if (!TryStrToInt64(DecodeText(CharBytes(), Codec()), &v))
            Invalid();
        return v;
    }
    default:
        Invalid();
    }
}

int32_t TFIBXSQLVAR::AsInteger() const {
    const int64_t v = AsInt64();
    // Cutting a 64-bit value to its low half would return a different number.
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        Invalid();
    return static_cast<int32_t>(v);
}

double TFIBXSQLVAR::AsDouble() const {
    if (IsNull())
        return 0;
    const char* p = var_->sqldata;
    switch (SQLType()) {
    case SQLShort:
        return ScaledToDouble(Read<int16_t>(p), var_->sqlscale);
    case SQLLong:
        return ScaledToDouble(Read<int32_t>(p), var_->sqlscale);
    case SQLInt64:
        return ScaledToDouble(Read<int64_t>(p), var_->sqlscale);
    case SQLDouble:
    case SQLDFloat:
        return Read<double>(p);
    case SQLFloat:
        return Read<float>(p);
    case SQLBoolean:
    case SQLBooleanOld:
        return AsBoolean() ? 1 : 0;
    case SQLText:
    case SQLVarying: {
        double v = 0;
        if (!TryStrToFloat(DecodeText(CharBytes(), Codec()), &v))
            Invalid();
        return v;
    }
    default:
        Invalid();
    }
}

double TFIBXSQLVAR::AsDateTime() const {
    if (IsNull())
        return 0;
    const char* p = var_->sqldata;
    switch (SQLType()) {
    case SQLTimestamp:
        return ServerTimestampToDateTime(Read<int32_t>(p), Read<uint32_t>(p + 4));
    case SQLDate:
        return ServerDateToDateTime(Read<int32_t>(p));
    case SQLTime:
        return ServerTimeToDateTime(Read<uint32_t>(p));
    case SQLText:
    case SQLVarying: {
        double v = 0;
        if (!TryStrToDateTime(DecodeText(CharBytes(), Codec()), &v))
            Invalid();
        return v;
    }
    default:
        Invalid();
    }
}

bool TFIBXSQLVAR::AsBoolean() const {
    if (IsNull())
        return false;
    switch (SQLType()) {
    case SQLBoolean:
        return var_->sqldata[0] != 0;
    case SQLBooleanOld:
        return Read<int16_t>(var_->sqldata) != 0;
    default:
        return AsInt64() != 0;
    }
}

ISC_QUAD TFIBXSQLVAR::AsQuad() const {
    ISC_QUAD id{};
    if (IsNull())
        return id;
    switch (SQLType()) {
    case SQLBlob:
    case SQLArray:
    case SQLQuad:
        std::memcpy(&id, var_->sqldata, sizeof id);
        return id;
    default:
        Invalid();
    }
}

Variant TFIBXSQLVAR::AsVariant() const {
    if (hasBlob_)
        return Variant(blobContent_);
    if (IsNull())
        return Variant::Null();
    const char* p = var_->sqldata;
    const int scale = var_->sqlscale;
    switch (SQLType()) {
    case SQLText:
    case SQLVarying:
        if (Owner().XSQLCharsetIsUnicode(var_->sqlsubtype & 0xFF))
            return Variant(AsWideString());
        return Variant(CharBytes());
    case SQLDouble:
    case SQLFloat:
    case SQLDFloat:
        return Variant(AsDouble());
    case SQLShort:
    case SQLLong:
        if (scale != 0)
            return Variant(AsDouble());
        return Variant(static_cast<int32_t>(AsInt64()));
    case SQLTimestamp:
    case SQLDate:
    case SQLTime:
        return Variant::DateTime(AsDateTime());
    case SQLInt64: {
        const int64_t v = Read<int64_t>(p);
        if (scale == 0)
            return Variant(v);
        // Currency holds four decimals, so a scale of -1..-4 fits exactly,
        // unless the value lies beyond the currency range (NUMERIC(18,2)
        // near its limit): then it is the value itself as a double.
        int64_t currency = 0;
        if (scale >= -4 && !__builtin_mul_overflow(v, IntPowerOfTen(4 + scale), &currency))
            return Variant(static_cast<double>(currency) / 10000.0);
        return Variant(AsDouble());
    }
    case SQLBlob:
        return Variant(AsString());
    case SQLArray:
        return Variant(QStringLiteral("(Array)"));
    case SQLBoolean:
    case SQLBooleanOld:
        return Variant(AsBoolean());
    default:
        Invalid();
    }
}

// ---------------------------------------------------------------------------
// Stored forms

int TFIBXSQLVAR::StoredSize() const {
    switch (SQLType()) {
    case SQLText:
    case SQLVarying: {
        const int perChar = std::max(1, Owner().XSQLBytesPerChar(var_->sqlsubtype & 0xFF));
        if (var_->sqllen / perChar > 12)
            return 4 + var_->sqllen;
        return var_->sqllen + 1;
    }
    case SQLTimestamp:
        return sizeof(double);
    case SQLTime:
    case SQLDate:
        return sizeof(int32_t);
    case SQLInt64:
        return 8;
    default:
        return std::max<int>(1, var_->sqllen);
    }
}

void TFIBXSQLVAR::WriteStored(char* dest) const {
    const int size = StoredSize();
    std::memset(dest, 0, static_cast<size_t>(size));
    if (IsNull())
        return;
    const char* p = var_->sqldata;
    switch (SQLType()) {
    case SQLText:
    case SQLVarying: {
        const bool varying = SQLType() == SQLVarying;
        const int len = varying ? std::clamp<int>(Read<int16_t>(p), 0, var_->sqllen) : var_->sqllen;
        const char* bytes = varying ? p + 2 : p;
        if (size == var_->sqllen + 1) {
            std::memcpy(dest, bytes, static_cast<size_t>(len));
        } else {
            const int32_t len32 = len;
            std::memcpy(dest, &len32, 4);
            std::memcpy(dest + 4, bytes, static_cast<size_t>(len));
        }
        return;
    }
    case SQLTimestamp: {
        const double ms = StoredTimestamp(Read<int32_t>(p), Read<uint32_t>(p + 4));
        std::memcpy(dest, &ms, sizeof ms);
        return;
    }
    case SQLDate: {
        const int32_t day = StoredDate(Read<int32_t>(p));
        std::memcpy(dest, &day, sizeof day);
        return;
    }
    case SQLTime: {
        const int32_t ms = StoredTime(Read<uint32_t>(p));
        std::memcpy(dest, &ms, sizeof ms);
        return;
    }
    case SQLInt64:
        if (var_->sqlscale < -4) {
            const double v = AsDouble();
            std::memcpy(dest, &v, sizeof v);
            return;
        }
        std::memcpy(dest, p, 8);
        return;
    default:
        std::memcpy(dest, p, static_cast<size_t>(std::min<int>(size, var_->sqllen)));
        return;
    }
}
