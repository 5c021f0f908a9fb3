// Numeric and date-time fields.

#include "dataset/DBFields.h"
#include "dataset/FieldTextBridge.h"

#include "base/Format.h"
#include "base/FormatSettings.h"

#include <cmath>
#include <limits>

namespace {

QString NotInteger(const QString& text, const QString& field) {
    return FormatText(QStringLiteral("'%s' is not a valid integer value for field '%s'"),
                      {text, field});
}

int64_t RoundToInt64(double value) {
    return static_cast<int64_t>(std::llround(value));
}

} // namespace

// ---------------------------------------------------------------------------
// TNumericField

TNumericField::TNumericField(TComponent* owner) : TField(owner) {
    SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const QString& format) {
    if (format == displayFormat_)
        return;
    displayFormat_ = format;
    PropertyChanged(false);
}

void TNumericField::SetEditFormat(const QString& format) {
    if (format == editFormat_)
        return;
    editFormat_ = format;
    PropertyChanged(false);
}

const QString& TNumericField::TextFormat(bool displayText) const {
    return displayText || editFormat_.isEmpty() ? displayFormat_ : editFormat_;
}

void TNumericField::SetIntegerText(const QString& value) {
    if (value.isEmpty()) {
        Clear();
        return;
    }
    int64_t v = 0;
    if (!ParseFieldInteger(value, &v))
        DatabaseError(NotInteger(value, DisplayName()));
    SetAsLargeIntValue(v);
}

bool TNumericField::IsValidChar(QChar ch) const {
    return ch.isDigit() || ch == u'+' || ch == u'-' || ch == FormatSettings().DecimalSeparator ||
           ch == u'e' || ch == u'E';
}

// ---------------------------------------------------------------------------
// TIntegerField, TSmallintField

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftInteger);
}

bool TIntegerField::ReadValue(int32_t* value) const {
    return GetData(value);
}

void TIntegerField::WriteValue(int32_t value) {
    SetData(&value);
}

void TIntegerField::RangeOf(int64_t* min, int64_t* max) const {
    if (MinValue != 0 || MaxValue != 0) {
        *min = MinValue;
        *max = MaxValue;
    } else {
        *min = std::numeric_limits<int32_t>::min();
        *max = std::numeric_limits<int32_t>::max();
    }
}

void TIntegerField::CheckRange(int64_t value) const {
    int64_t min = 0;
    int64_t max = 0;
    RangeOf(&min, &max);
    if (value < min || value > max)
        RangeError(static_cast<double>(value), static_cast<double>(min), static_cast<double>(max));
}

int32_t TIntegerField::GetAsInteger() const {
    int32_t v = 0;
    return ReadValue(&v) ? v : 0;
}

void TIntegerField::SetAsIntegerValue(int32_t value) {
    CheckRange(value);
    WriteValue(value);
}

int64_t TIntegerField::GetAsLargeInt() const {
    return GetAsInteger();
}

void TIntegerField::SetAsLargeIntValue(int64_t value) {
    CheckRange(value);
    WriteValue(static_cast<int32_t>(value));
}

double TIntegerField::GetAsFloat() const {
    return GetAsInteger();
}

void TIntegerField::SetAsFloatValue(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 9.2e18)
        RangeError(value, static_cast<double>(std::numeric_limits<int32_t>::min()),
                   static_cast<double>(std::numeric_limits<int32_t>::max()));
    SetAsLargeIntValue(RoundToInt64(value));
}

QString TIntegerField::GetAsString() const {
    int32_t v = 0;
    return ReadValue(&v) ? QString::number(v) : QString();
}

void TIntegerField::SetAsStringValue(const QString& value) {
    SetIntegerText(value);
}

QString TIntegerField::TextValue(bool displayText) const {
    int32_t v = 0;
    if (!ReadValue(&v))
        return QString();
    const QString& format = TextFormat(displayText);
    if (format.isEmpty())
        return QString::number(v);
    return NumberText(format, v);
}

Variant TIntegerField::GetAsVariantValue() const {
    return Variant(GetAsInteger());
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
    SetDataType(ftSmallint);
}

bool TSmallintField::ReadValue(int32_t* value) const {
    int16_t v = 0;
    if (!GetData(&v))
        return false;
    *value = v;
    return true;
}

void TSmallintField::WriteValue(int32_t value) {
    const auto v = static_cast<int16_t>(value);
    SetData(&v);
}

void TSmallintField::RangeOf(int64_t* min, int64_t* max) const {
    if (MinValue != 0 || MaxValue != 0) {
        *min = MinValue;
        *max = MaxValue;
    } else {
        *min = std::numeric_limits<int16_t>::min();
        *max = std::numeric_limits<int16_t>::max();
    }
}

// ---------------------------------------------------------------------------
// TLargeintField

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftLargeint);
}

int64_t TLargeintField::GetAsLargeInt() const {
    int64_t v = 0;
    return GetData(&v) ? v : 0;
}

void TLargeintField::SetAsLargeIntValue(int64_t value) {
    SetData(&value);
}

int32_t TLargeintField::GetAsInteger() const {
    const int64_t v = GetAsLargeInt();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        RangeError(static_cast<double>(v), std::numeric_limits<int32_t>::min(),
                   std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(v);
}

void TLargeintField::SetAsIntegerValue(int32_t value) {
    SetAsLargeIntValue(value);
}

double TLargeintField::GetAsFloat() const {
    return static_cast<double>(GetAsLargeInt());
}

void TLargeintField::SetAsFloatValue(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 9.2e18)
        RangeError(value, -9.2e18, 9.2e18);
    SetAsLargeIntValue(RoundToInt64(value));
}

QString TLargeintField::GetAsString() const {
    int64_t v = 0;
    return GetData(&v) ? QString::number(v) : QString();
}

void TLargeintField::SetAsStringValue(const QString& value) {
    SetIntegerText(value);
}

QString TLargeintField::TextValue(bool displayText) const {
    int64_t v = 0;
    if (!GetData(&v))
        return QString();
    const QString& format = TextFormat(displayText);
    return format.isEmpty() ? QString::number(v) : NumberText(format, static_cast<double>(v));
}

Variant TLargeintField::GetAsVariantValue() const {
    return Variant(GetAsLargeInt());
}

// ---------------------------------------------------------------------------
// TFloatField, TBCDField

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftFloat);
}

void TFloatField::SetCurrency(bool on) {
    if (on == currency_)
        return;
    currency_ = on;
    PropertyChanged(false);
}

void TFloatField::SetPrecision(int precision) {
    precision = std::clamp(precision, 2, 15);
    if (precision == precision_)
        return;
    precision_ = precision;
    PropertyChanged(false);
}

bool TFloatField::ReadValue(double* value) const {
    return GetData(value);
}

void TFloatField::WriteValue(double value) {
    SetData(&value);
}

void TFloatField::CheckRange(double value) const {
    if ((MinValue != 0 || MaxValue != 0) && (value < MinValue || value > MaxValue))
        RangeError(value, MinValue, MaxValue);
}

double TFloatField::GetAsFloat() const {
    double v = 0;
    return ReadValue(&v) ? v : 0;
}

void TFloatField::SetAsFloatValue(double value) {
    CheckRange(value);
    WriteValue(value);
}

int32_t TFloatField::GetAsInteger() const {
    const double v = GetAsFloat();
    if (!(v >= std::numeric_limits<int32_t>::min() - 0.5 &&
          v < std::numeric_limits<int32_t>::max() + 0.5))
        RangeError(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(RoundToInt64(v));
}

void TFloatField::SetAsIntegerValue(int32_t value) {
    SetAsFloat(value);
}

int64_t TFloatField::GetAsLargeInt() const {
    return RoundToInt64(GetAsFloat());
}

QString TFloatField::GetAsString() const {
    double v = 0;
    return ReadValue(&v) ? FloatToStr(v) : QString();
}

void TFloatField::SetAsStringValue(const QString& value) {
    if (value.isEmpty()) {
        Clear();
        return;
    }
    double v = 0;
    if (!ParseFieldFloat(value, &v))
        DatabaseError(
            FormatText(QStringLiteral("'%s' is not a valid floating point value for field '%s'"),
                       {value, DisplayName()}));
    SetAsFloat(v);
}

QString TFloatField::TextValue(bool displayText) const {
    double v = 0;
    if (!ReadValue(&v))
        return QString();
    const QString& format = TextFormat(displayText);
    if (!format.isEmpty())
        return NumberText(format, v);
    if (currency_)
        return CurrencyText(v);
    return GeneralFloatText(v, precision_);
}

Variant TFloatField::GetAsVariantValue() const {
    return Variant(GetAsFloat());
}

TBCDField::TBCDField(TComponent* owner) : TFloatField(owner) {
    SetDataType(ftBCD);
}

bool TBCDField::ReadValue(double* value) const {
    int64_t raw = 0;
    if (!GetData(&raw))
        return false;
    *value = static_cast<double>(raw) / std::pow(10.0, Size());
    return true;
}

void TBCDField::WriteValue(double value) {
    const double scaled = value * std::pow(10.0, Size());
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.2e18)
        RangeError(value, -9.2e18 / std::pow(10.0, Size()), 9.2e18 / std::pow(10.0, Size()));
    const int64_t raw = RoundToInt64(scaled);
    SetData(&raw);
}

// ---------------------------------------------------------------------------
// TDateTimeField, TDateField, TTimeField

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) {
    SetDataType(ftDateTime);
}

void TDateTimeField::SetDisplayFormat(const QString& format) {
    if (format == displayFormat_)
        return;
    displayFormat_ = format;
    PropertyChanged(false);
}

double TDateTimeField::GetAsDateTime() const {
    double v = 0;
    return GetData(&v) ? v : 0;
}

void TDateTimeField::SetAsDateTimeValue(double value) {
    SetData(&value);
}

double TDateTimeField::GetAsFloat() const {
    return GetAsDateTime();
}

void TDateTimeField::SetAsFloatValue(double value) {
    SetAsDateTime(value);
}

QString TDateTimeField::DefaultText(double value) const {
    return DateTimeToStr(value);
}

bool TDateTimeField::ParseText(const QString& text, double* value) const {
    return ParseFieldDateTime(text, TFieldDateKind::DateTime, value);
}

QString TDateTimeField::TextValue(bool displayText) const {
    double v = 0;
    if (!GetData(&v))
        return QString();
    if (displayText && !displayFormat_.isEmpty())
        return DateTimeText(displayFormat_, v);
    return DefaultText(v);
}

QString TDateTimeField::GetAsString() const {
    return TextValue(false);
}

void TDateTimeField::SetAsStringValue(const QString& value) {
    if (value.isEmpty()) {
        Clear();
        return;
    }
    double v = 0;
    if (!ParseText(value, &v))
        DatabaseError(InvalidFieldDateTime(value, DataType() == ftDate ? TFieldDateKind::Date
                                                  : DataType() == ftTime
                                                      ? TFieldDateKind::Time
                                                      : TFieldDateKind::DateTime));
    SetAsDateTime(v);
}

Variant TDateTimeField::GetAsVariantValue() const {
    return Variant::DateTime(GetAsDateTime());
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftDate);
}

QString TDateField::DefaultText(double value) const {
    return DateToStr(value);
}

bool TDateField::ParseText(const QString& text, double* value) const {
    return ParseFieldDateTime(text, TFieldDateKind::Date, value);
}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftTime);
}

QString TTimeField::DefaultText(double value) const {
    return TimeToStr(value);
}

bool TTimeField::ParseText(const QString& text, double* value) const {
    return ParseFieldDateTime(text, TFieldDateKind::Time, value);
}
