#include "dataset/FieldTextBridge.h"

#include "base/FormatSettings.h"

#include <cmath>

// The format-token engine and the numeric format rules live in the shared
// text routines; until they are in this tree, display formats render in the
// locale's default forms.

QString DateTimeText(const QString& /*format*/, double value) {
    return DateTimeToStr(value);
}

QString NumberText(const QString& /*format*/, double value) {
    return FloatToStr(value);
}

QString GeneralFloatText(double value, int precision) {
    if (precision >= 15 || !std::isfinite(value))
        return FloatToStr(value);
    return FloatToStr(QString::number(value, 'g', precision).toDouble());
}

QString CurrencyText(double value) {
    return QString::number(value, 'f', 2).replace(u'.', FormatSettings().DecimalSeparator);
}
