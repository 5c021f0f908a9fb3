#include "base/Variant.h"

#include "base/Exception.h"
#include "base/FormatSettings.h"
#include "base/TextCodec.h"

#include <cmath>
#include <limits>

Variant Variant::Null() {
    Variant v;
    v.type_ = TVarType::varNull;
    return v;
}

Variant Variant::Currency(int64_t tenThousandths) {
    Variant v;
    v.type_ = TVarType::varCurrency;
    v.int_ = tenThousandths;
    return v;
}

Variant Variant::CurrencyFromDouble(double value) {
    const double scaled = std::round(value * 10000.0);
    if (!(std::fabs(scaled) < 9.2e18))
        throw EConvertError();
    return Currency(static_cast<int64_t>(scaled));
}

Variant Variant::DateTime(double days) {
    Variant v;
    v.type_ = TVarType::varDate;
    v.real_ = days;
    return v;
}

Variant Variant::ByteArray(const QByteArray& bytes) {
    Variant v;
    v.type_ = TVarType::varByteArray;
    v.bytes_ = bytes;
    return v;
}

Variant Variant::Array(std::vector<Variant> items) {
    Variant v;
    v.type_ = TVarType::varArray;
    v.items_ = std::move(items);
    return v;
}

bool Variant::IsOrdinal() const {
    switch (type_) {
    case TVarType::varShortInt:
    case TVarType::varByte:
    case TVarType::varSmallint:
    case TVarType::varWord:
    case TVarType::varInteger:
    case TVarType::varLongWord:
    case TVarType::varInt64:
        return true;
    default:
        return false;
    }
}

bool Variant::IsFloat() const {
    return type_ == TVarType::varSingle || type_ == TVarType::varDouble;
}

bool Variant::IsNumeric() const {
    return IsOrdinal() || IsFloat() || type_ == TVarType::varCurrency;
}

namespace {

int64_t TruncToInt64(double v) {
    const double t = std::trunc(v);
    if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0))
        throw EConvertError();
    return static_cast<int64_t>(t);
}

} // namespace

int64_t Variant::ToInt64() const {
    if (IsOrdinal() || type_ == TVarType::varBoolean)
        return int_;
    switch (type_) {
    case TVarType::varEmpty:
        return 0;
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varDate:
        return TruncToInt64(real_);
    case TVarType::varCurrency:
        return int_ / 10000;
    case TVarType::varString:
    case TVarType::varUString: {
        int64_t v = 0;
        if (TryStrToInt64(ToString(), &v))
            return v;
        double d = 0;
        if (TryStrToFloat(ToString(), &d))
            return TruncToInt64(std::round(d));
        break;
    }
    default:
        break;
    }
    throw EConvertError();
}

int32_t Variant::ToInt32() const {
    const int64_t v = ToInt64();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw EConvertError();
    return static_cast<int32_t>(v);
}

double Variant::ToDouble() const {
    if (IsOrdinal() || type_ == TVarType::varBoolean)
        return static_cast<double>(int_);
    switch (type_) {
    case TVarType::varEmpty:
        return 0;
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varDate:
        return real_;
    case TVarType::varCurrency:
        return static_cast<double>(int_) / 10000.0;
    case TVarType::varString:
    case TVarType::varUString: {
        double d = 0;
        if (TryStrToFloat(ToString(), &d))
            return d;
        break;
    }
    default:
        break;
    }
    throw EConvertError();
}

int64_t Variant::ToCurrency() const {
    if (type_ == TVarType::varCurrency)
        return int_;
    if (IsOrdinal() || type_ == TVarType::varBoolean) {
        if (int_ > 922337203685477 || int_ < -922337203685477)
            throw EConvertError();
        return int_ * 10000;
    }
    return CurrencyFromDouble(ToDouble()).int_;
}

double Variant::ToDateTime() const {
    if (type_ == TVarType::varDate)
        return real_;
    if (IsText()) {
        double d = 0;
        if (TryStrToDateTime(ToString(), &d))
            return d;
        throw EConvertError();
    }
    return ToDouble();
}

bool Variant::ToBool() const {
    switch (type_) {
    case TVarType::varBoolean:
        return int_ != 0;
    case TVarType::varString:
    case TVarType::varUString: {
        const QString t = ToString().trimmed();
        if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
            return false;
        return ToDouble() != 0;
    }
    default:
        return ToDouble() != 0;
    }
}

QString Variant::ToString() const {
    switch (type_) {
    case TVarType::varEmpty:
        return QString();
    case TVarType::varNull:
    case TVarType::varArray:
        throw EConvertError();
    case TVarType::varSingle:
    case TVarType::varDouble:
        return FloatToStr(real_);
    case TVarType::varCurrency:
        return FloatToStr(static_cast<double>(int_) / 10000.0);
    case TVarType::varDate:
        return DateTimeToStr(real_);
    case TVarType::varString:
    case TVarType::varByteArray:
        return DecodeText(bytes_);
    case TVarType::varUString:
        return wide_;
    case TVarType::varBoolean:
        return int_ ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return QString::number(int_);
    }
}

QByteArray Variant::ToBytes() const {
    if (type_ == TVarType::varString || type_ == TVarType::varByteArray)
        return bytes_;
    return EncodeText(ToString());
}

bool Variant::operator==(const Variant& other) const {
    if (IsNumeric() && other.IsNumeric()) {
        if ((IsOrdinal() || type_ == TVarType::varCurrency) && type_ == other.type_)
            return int_ == other.int_;
        return ToDouble() == other.ToDouble();
    }
    if (type_ != other.type_) {
        if (IsText() && other.IsText())
            return ToString() == other.ToString();
        return false;
    }
    switch (type_) {
    case TVarType::varEmpty:
    case TVarType::varNull:
        return true;
    case TVarType::varDate:
        return real_ == other.real_;
    case TVarType::varString:
    case TVarType::varByteArray:
        return bytes_ == other.bytes_;
    case TVarType::varUString:
        return wide_ == other.wide_;
    case TVarType::varBoolean:
        return int_ == other.int_;
    case TVarType::varArray:
        return items_ == other.items_;
    default:
        return false;
    }
}
