#include "ui/DesignScale.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

TDesignScale::TDesignScale(const QFont& font)
    : factor_(std::max(1.0, double(QFontMetrics(font).height()) / kDesignedTextHeight)) {}

int TDesignScale::operator()(int designed) const {
    return static_cast<int>(std::lround(designed * factor_));
}

QPoint TDesignScale::operator()(QPoint designed) const {
    return {(*this)(designed.x()), (*this)(designed.y())};
}

QSize TDesignScale::operator()(QSize designed) const {
    if (designed.isEmpty())
        return designed;
    return {(*this)(designed.width()), (*this)(designed.height())};
}

QRect TDesignScale::operator()(const QRect& designed) const {
    const QPoint topLeft = (*this)(designed.topLeft());
    if (designed.isEmpty())
        return {topLeft, designed.size()};
    const QPoint end = (*this)(designed.topLeft() + QPoint(designed.width(), designed.height()));
    return {topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y())};
}
