// Giving a parameter a value: every setter ends in the raw set, which the
// parameters of the same name share.

#include "base/Component.h"
#include "base/FormatSettings.h"
#include "fib/FIBStoredForms.h"
#include "fib/FIBXSQLDA.h"
#include "fib/fib.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr qsizetype kMaxCharParam = 32767;

bool IsNumericType(short type) {
    switch (type) {
    case SQLDouble:
    case SQLFloat:
    case SQLLong:
    case SQLShort:
    case SQLDFloat:
    case SQLInt64:
        return true;
    default:
        return false;
    }
}

bool IsDateTimeType(short type) {
    return type == SQLTimestamp || type == SQLTime || type == SQLDate;
}

} // namespace

bool TFIBXSQLVAR::IsNumericDescribed() const {
    return described_ && IsNumericType(serverType_);
}

bool TFIBXSQLVAR::IsDateTimeDescribed() const {
    return described_ && IsDateTimeType(serverType_);
}

void TFIBXSQLVAR::SetAsInteger(int32_t value) {
    SetRaw(SQLLong, sizeof value, &value);
    Defer(Variant(value));
}

void TFIBXSQLVAR::SetAsSmallInt(int16_t value) {
    SetRaw(SQLShort, sizeof value, &value);
    Defer(Variant(value));
}

void TFIBXSQLVAR::SetAsInt64(int64_t value) {
    if (Owner().XSQLDialect() >= 3) {
        SetRaw(SQLInt64, sizeof value, &value);
    } else if (value >= std::numeric_limits<int32_t>::min() &&
               value <= std::numeric_limits<int32_t>::max()) {
        const int32_t v32 = static_cast<int32_t>(value);
        SetRaw(SQLLong, sizeof v32, &v32);
    } else {
        // Dialects 1 and 2 have no 64-bit integer; a value that does not fit
        // 32 bits travels as a double rather than cut to its low half.
        const double d = static_cast<double>(value);
        SetRaw(SQLDouble, sizeof d, &d);
    }
    Defer(Variant(value));
}

void TFIBXSQLVAR::SetAsCurrency(int64_t tenThousandths) {
    if (Owner().XSQLDialect() >= 3) {
        SetRaw(SQLInt64, sizeof tenThousandths, &tenThousandths);
        SetScale(-4);
    } else {
        const double d = static_cast<double>(tenThousandths) / 10000.0;
        SetRaw(SQLDouble, sizeof d, &d);
    }
    Defer(Variant::Currency(tenThousandths));
}

void TFIBXSQLVAR::SetAsDouble(double value) {
    SetRaw(SQLDouble, sizeof value, &value);
    Defer(Variant(value));
}

void TFIBXSQLVAR::SetAsDateTime(double value) {
    const TServerTimestamp ts = DateTimeToServerTimestamp(value);
    char bytes[8];
    std::memcpy(bytes, &ts.date, 4);
    std::memcpy(bytes + 4, &ts.time, 4);
    SetRaw(SQLTimestamp, sizeof bytes, bytes);
    Defer(Variant::DateTime(value));
}

void TFIBXSQLVAR::SetAsDate(double value) {
    SetAsDateTime(std::trunc(value));
}

void TFIBXSQLVAR::SetAsBoolean(bool value) {
    if (described_ && (serverType_ == SQLBoolean || serverType_ == SQLBooleanOld)) {
        const int16_t v = value ? 1 : 0;
        SetRaw(serverType_, serverType_ == SQLBoolean ? 1 : 2, &v);
    } else {
        SetAsInteger(value ? 1 : 0);
    }
    Defer(Variant(value));
}

void TFIBXSQLVAR::SetAsQuad(const ISC_QUAD& id) {
    short type = SQLType();
    if (type != SQLBlob && type != SQLArray && type != SQLQuad)
        type = SQLBlob;
    const short subtype = var_->sqlsubtype;
    SetRaw(type, sizeof id, &id);
    ForLinked([subtype](TFIBXSQLVAR& v) { v.var_->sqlsubtype = subtype; });
}

void TFIBXSQLVAR::SetText(const QByteArray& bytes, bool fromWide) {
    if (bytes.isEmpty()) {
        if (IsNumericDescribed() || IsDateTimeDescribed()) {
            SetIsNull(true);
            return;
        }
        SetRaw(SQLText, 0, "");
        return;
    }
    const QString upperName = name_.toUpper();
    if (described_ &&
        (upperName == QLatin1String("DB_KEY") || upperName == QLatin1String("RDB$DB_KEY"))) {
        // A row key travels in its own described form.
        QByteArray key = bytes.left(serverLen_);
        key.append(QByteArray(serverLen_ - key.size(), '\0'));
        SetRaw(serverType_, serverLen_, key.constData());
        return;
    }
    if (IsNumericDescribed()) {
        QByteArray number = bytes;
        number.replace(',', '.');
        const QChar sep = FormatSettings().DecimalSeparator;
        if (sep != u',' && sep != u'.')
            number.replace(EncodeText(QString(sep), Owner().XSQLCodec(-1)), ".");
        SetRaw(SQLText, static_cast<short>(number.size()), number.constData());
        return;
    }
    Q_UNUSED(fromWide);
    SetRaw(SQLText, static_cast<short>(bytes.size()), bytes.constData());
}

void TFIBXSQLVAR::SetAsString(const QByteArray& value) {
    if (value.size() > kMaxCharParam) {
        SetBlobContent(value);
        Defer(Variant(value));
        return;
    }
    SetText(value, false);
    Defer(Variant(value));
}

void TFIBXSQLVAR::SetAsWideString(const QString& value) {
    const QByteArray bytes = EncodeText(value, Owner().XSQLCodec(-1));
    if (bytes.size() > kMaxCharParam)
        throw Exception(
            FormatText(QStringLiteral("%s. Value for WideString Parameter \"%s\" too long"),
                       {FullComponentName(Owner().XSQLComponent()), name_}));
    SetText(bytes, true);
    if (!IsNull())
        ForLinked([&value](TFIBXSQLVAR& v) {
            v.hasWide_ = true;
            v.wideText_ = value;
        });
    Defer(Variant(value));
}

void TFIBXSQLVAR::SetAsVariant(const Variant& value) {
    const bool toDateTime = described_ && (serverType_ == SQLTimestamp || serverType_ == SQLDate);
    if (toDateTime && value.IsNumeric()) {
        SetAsDateTime(value.ToDouble());
        return;
    }
    switch (value.Type()) {
    case TVarType::varEmpty:
    case TVarType::varNull:
        SetIsNull(true);
        return;
    case TVarType::varShortInt:
    case TVarType::varByte:
    case TVarType::varSmallint:
    case TVarType::varWord:
    case TVarType::varInteger:
        SetAsInteger(static_cast<int32_t>(value.ToInt64()));
        return;
    case TVarType::varLongWord:
        // Above 2^31 an unsigned 32-bit value needs 64 bits.
        if (value.ToInt64() > std::numeric_limits<int32_t>::max())
            SetAsInt64(value.ToInt64());
        else
            SetAsInteger(static_cast<int32_t>(value.ToInt64()));
        return;
    case TVarType::varSingle:
    case TVarType::varDouble:
        SetAsDouble(value.ToDouble());
        return;
    case TVarType::varCurrency:
        SetAsCurrency(value.ToCurrency());
        return;
    case TVarType::varDate:
        SetAsDateTime(value.ToDateTime());
        return;
    case TVarType::varInt64:
        SetAsInt64(value.ToInt64());
        return;
    case TVarType::varString:
        SetAsString(value.ToBytes());
        return;
    case TVarType::varUString:
        SetAsWideString(value.ToString());
        return;
    case TVarType::varBoolean:
        SetAsBoolean(value.ToBool());
        return;
    case TVarType::varByteArray:
        SetBlobContent(value.ToBytes());
        Defer(value);
        return;
    case TVarType::varArray:
        FIBError(2);
    }
}
