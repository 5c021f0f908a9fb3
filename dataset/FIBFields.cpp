// The field classes of the SQL-backed dataset.

#include "dataset/FIBFields.h"
#include "dataset/FIBDataSet.h"

#include "fib/FIBStoredForms.h"

#include <cmath>

TFIBStringField::TFIBStringField(TComponent* owner) : TStringField(owner) {}

void TFIBStringField::SetEmptyStrToNull(bool on) {
    emptyStrToNull_ = on;
    emptyStrToNullStored_ = true;
}

void TFIBStringField::TakeDataSetDefault(bool emptyStrToNull) {
    if (!emptyStrToNullStored_)
        emptyStrToNull_ = emptyStrToNull;
}

void TFIBStringField::SetAsStringValue(const QString& value) {
    if (value.isEmpty() && emptyStrToNull_) {
        auto* ds = dynamic_cast<const TFIBCustomDataSet*>(DataSet());
        if (!ds || !ds->EmptyStringIsDefaultFor(this)) {
            Clear();
            return;
        }
    }
    TStringField::SetAsStringValue(value);
}

bool TFIBIntegerField::GetAsBoolean() const {
    return AsInteger() > 0;
}

void TFIBIntegerField::SetAsBooleanValue(bool value) {
    SetAsInteger(value ? 1 : 0);
}

bool TFIBSmallIntField::GetAsBoolean() const {
    return AsInteger() > 0;
}

void TFIBSmallIntField::SetAsBooleanValue(bool value) {
    SetAsInteger(value ? 1 : 0);
}

QString TFIBFloatField::TextValue(bool displayText) const {
    return TFloatField::TextValue(displayText).trimmed();
}

void TFIBFloatField::WriteValue(double value) {
    auto* ds = dynamic_cast<const TFIBCustomDataSet*>(DataSet());
    const int col = FieldNo() - 1;
    if (ds && col >= 0 && col < ds->ColumnCount()) {
        const TColumnSlot& s = ds->Layout().Column(col);
        if ((s.SQLType == SQLLong || s.SQLType == SQLShort) && s.Scale < 0) {
            const double limit =
                (s.SQLType == SQLLong ? 2147483647.0 : 32767.0) * PowerOfTen(s.Scale);
            if (value < -limit || value > limit)
                RangeError(value, -limit, limit);
            if (RoundByScale)
                value = std::round(value * PowerOfTen(-s.Scale)) * PowerOfTen(s.Scale);
        }
    }
    TFloatField::WriteValue(value);
}

static QString WithMsec(const QString& text, double value) {
    const double frac = value - std::floor(value);
    const auto ms = static_cast<int>(std::llround(frac * 86400000.0) % 1000);
    if (ms == 0)
        return text;
    return text + u'.' + QString::number(ms).rightJustified(3, u'0');
}

QString TFIBDateTimeField::TextValue(bool displayText) const {
    const QString text = TDateTimeField::TextValue(displayText);
    if (!ShowMsec || text.isEmpty())
        return text;
    return WithMsec(text, AsDateTime());
}

QString TFIBTimeField::TextValue(bool displayText) const {
    const QString text = TTimeField::TextValue(displayText);
    if (!ShowMsec || text.isEmpty())
        return text;
    return WithMsec(text, AsDateTime());
}
