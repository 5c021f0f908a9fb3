#pragma once
// Panels whose controls keep their distance to the anchored panel edges when
// the panel is resized, and the client area whose panels each fill it whole.
// The designed geometry is in the pixels of the designed text; a panel made
// under a larger font places everything at that font's scale.

#include "ui/DesignScale.h"

#include <QFrame>
#include <QList>
#include <QPointer>
#include <QRect>

enum TAnchor { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

class TPanel : public QFrame {
    Q_OBJECT
public:
    // designedSize: the size the controls' geometries refer to.
    TPanel(QWidget* parent, const QString& name, QSize designedSize);

    // Places a child at its designed geometry and keeps it anchored. A
    // designed geometry without a size sizes the child to its content (a
    // caption), at every arrangement. Placed again, a child takes its new
    // design.
    void Place(QWidget* child, QRect designed, int anchors = akLeft | akTop);
    // What the designed pixels are multiplied by here.
    const TDesignScale& Scale() const { return scale_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Placement {
        QPointer<QWidget> child; // a child destroyed before the panel drops out
        QRect designed;
        int anchors;
        bool autoSize; // the size follows the content, not the design
    };
    void Arrange(const Placement& p);

    TDesignScale scale_; // from the font the panel was made with
    QSize designedSize_; // at the panel's scale, as are the placements
    QList<Placement> placements_;
};

// The main window's client area: every child panel covers it.
class TClientArea : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
