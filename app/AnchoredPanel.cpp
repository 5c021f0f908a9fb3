#include "app/AnchoredPanel.h"

#include <QResizeEvent>

TPanel::TPanel(QWidget* parent, const QString& name, QSize designedSize)
    : QFrame(parent), scale_(font()), designedSize_(scale_(designedSize)) {
    setObjectName(name);
    resize(designedSize_);
}

void TPanel::Place(QWidget* child, QRect designed, int anchors) {
    const bool autoSize = designed.size().isEmpty();
    const QRect scaled = scale_(designed);
    // Placed again, a child takes its new design (a bar shown above it).
    for (Placement& p : placements_)
        if (p.child == child) {
            p = {child, scaled, anchors, autoSize};
            Arrange(p);
            return;
        }
    placements_.append({child, scaled, anchors, autoSize});
    Arrange(placements_.last());
}

void TPanel::Arrange(const Placement& p) {
    if (!p.child)
        return;
    const int dw = width() - designedSize_.width();
    const int dh = height() - designedSize_.height();
    QRect r = p.designed;
    // A caption translated after the design needs the size of its own text.
    if (p.autoSize)
        r.setSize(p.child->sizeHint());
    if (p.anchors & akRight) {
        if (p.anchors & akLeft)
            r.setWidth(r.width() + dw);
        else
            r.moveLeft(r.left() + dw);
    }
    if (p.anchors & akBottom) {
        if (p.anchors & akTop)
            r.setHeight(r.height() + dh);
        else
            r.moveTop(r.top() + dh);
    }
    p.child->setGeometry(r);
}

void TPanel::resizeEvent(QResizeEvent* event) {
    for (const Placement& p : placements_)
        Arrange(p);
    QFrame::resizeEvent(event);
}

void TClientArea::resizeEvent(QResizeEvent* event) {
    for (QWidget* panel : findChildren<TPanel*>(Qt::FindDirectChildrenOnly))
        panel->setGeometry(rect());
    QWidget::resizeEvent(event);
}
