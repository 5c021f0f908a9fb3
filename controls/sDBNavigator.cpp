#include "controls/sDBNavigator.h"

#include "controls/ControlDialogs.h"
#include "ui/DesignScale.h"
#include "ui/UserDialogs.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>
#include <qdrawutil.h>

namespace {

constexpr int kMinButton = 6;

TNavigateBtn ButtonAt(int index) {
    return static_cast<TNavigateBtn>(index);
}

} // namespace

TNavigatorLayout NavigatorLayout(int width, int height, int border, int visibleCount) {
    TNavigatorLayout l;
    const int count = std::max(visibleCount, 1);
    l.minWidth = visibleCount * kMinButton + 2 * border;
    l.minHeight = kMinButton + 2 * border;
    const int inner = std::max(width, l.minWidth) - 2 * border;
    l.buttonWidth = visibleCount > 0 ? inner / count : 0;
    l.buttonHeight = std::max(height, l.minHeight) - 2 * border;
    l.barWidth = visibleCount > 0 ? visibleCount * l.buttonWidth + 2 * border : width;
    return l;
}

QStringList DefaultNavigatorHints() {
    return {QStringLiteral("First record"),  QStringLiteral("Prior record"),
            QStringLiteral("Next record"),   QStringLiteral("Last record"),
            QStringLiteral("Insert record"), QStringLiteral("Delete record"),
            QStringLiteral("Edit record"),   QStringLiteral("Post edit"),
            QStringLiteral("Cancel edit"),   QStringLiteral("Refresh data")};
}

// --- data link ----------------------------------------------------------------

TsNavDataLink::TsNavDataLink(TsDBNavigator* navigator) : navigator_(navigator) {
    SetVisual(true);
}

TsNavDataLink::~TsNavDataLink() = default;

void TsNavDataLink::LinkActiveChange() {
    navigator_->UpdateEnabled(TsDBNavigator::TRecompute::All);
}

void TsNavDataLink::LinkDataSetChange() {
    navigator_->UpdateEnabled(TsDBNavigator::TRecompute::Moving);
}

void TsNavDataLink::LinkEditingChange() {
    navigator_->UpdateEnabled(TsDBNavigator::TRecompute::Editing);
}

// --- button -------------------------------------------------------------------

TNavButton::TNavButton(TsDBNavigator* navigator, TNavigateBtn kind)
    : QAbstractButton(navigator), navigator_(navigator), kind_(kind) {
    setFocusPolicy(Qt::NoFocus);
    repeat_.setSingleShot(false);
    // A coarse timer may fire up to a twentieth early: a press held 380 ms
    // would already repeat.
    repeat_.setTimerType(Qt::PreciseTimer);
    connect(&repeat_, &QTimer::timeout, this, &TNavButton::RepeatTick);
    connect(this, &QAbstractButton::clicked, this, [this] { navigator_->ClickButton(kind_); });
}

bool TNavButton::Repeats() const {
    return kind_ == TNavigateBtn::nbPrior || kind_ == TNavigateBtn::nbNext;
}

void TNavButton::mousePressEvent(QMouseEvent* event) {
    QAbstractButton::mousePressEvent(event);
    if (Repeats() && isDown()) {
        repeat_.setInterval(kInitialRepeatMs);
        repeat_.start();
    }
}

void TNavButton::mouseReleaseEvent(QMouseEvent* event) {
    repeat_.stop();
    QAbstractButton::mouseReleaseEvent(event);
}

void TNavButton::RepeatTick() {
    repeat_.setInterval(kRepeatMs);
    if (!isDown() || !isEnabled()) {
        // Let go of, or disabled under the mouse (the end was reached).
        repeat_.stop();
        return;
    }
    if (!navigator_->ClickButton(kind_))
        repeat_.stop();
}

void TNavButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TNavButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TNavButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const QPalette& pal = palette();
    if (isDown()) {
        p.fillRect(r, pal.color(QPalette::Mid));
        qDrawShadePanel(&p, r, pal, true, 1);
    } else if (hovered_ && isEnabled()) {
        qDrawShadePanel(&p, r, pal, false, 1);
    }
    const QIcon icon = navigator_->ImageFor(kind_);
    const QRect inner = r.adjusted(2, 2, -2, -2).translated(isDown() ? QPoint(1, 1) : QPoint());
    const double scale = TDesignScale(font()).Factor();
    if (!icon.isNull()) {
        const int side = NavigatorGlyphSide(r.size(), scale);
        icon.paint(&p, QRect(inner.center() - QPoint(side / 2, side / 2), QSize(side, side)),
                   Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    } else {
        const QColor ink =
            pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
        PaintNavigatorGlyph(p, kind_, inner, ink, scale);
    }
    if (navigator_->hasFocus() && navigator_->FocusedButton() == kind_) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = r.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

// --- navigator ----------------------------------------------------------------

TsDBNavigator::TsDBNavigator(QWidget* parent) : QWidget(parent), link_(this) {
    setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i < kNavigateBtnCount; ++i)
        buttons_[i] = new TNavButton(this, ButtonAt(i));
    ApplyHints();
    resize(240, 25);
    LayoutButtons();
    UpdateEnabled(TRecompute::All);
}

TsDBNavigator::~TsDBNavigator() {
    link_.SetDataSource(nullptr);
}

TDataSource* TsDBNavigator::DataSource() const {
    return link_.DataSource();
}

void TsDBNavigator::SetDataSource(TDataSource* source) {
    link_.SetDataSource(source);
    UpdateEnabled(TRecompute::All);
}

void TsDBNavigator::SetVisibleButtons(TNavButtonSet buttons) {
    visible_ = buttons;
    for (int i = 0; i < kNavigateBtnCount; ++i)
        buttons_[i]->setVisible(visible_.Contains(ButtonAt(i)));
    if (!visible_.Contains(focused_))
        MoveFocus(1);
    LayoutButtons();
}

void TsDBNavigator::SetAlignedToParent(bool aligned) {
    aligned_ = aligned;
    LayoutButtons();
}

void TsDBNavigator::SetHints(const QStringList& hints) {
    // A list that reads exactly as the defaults is not kept as a custom list.
    hints_ = hints == DefaultNavigatorHints() ? QStringList() : hints;
    ApplyHints();
}

QString TsDBNavigator::ButtonHint(TNavigateBtn button) const {
    return Button(button)->toolTip();
}

void TsDBNavigator::ApplyHints() {
    const QStringList defaults = DefaultNavigatorHints();
    for (int i = 0; i < kNavigateBtnCount; ++i) {
        const bool custom = i < hints_.size() && !hints_[i].isEmpty();
        buttons_[i]->setToolTip(custom ? hints_[i] : defaults[i]);
        // The buttons have no caption: a screen reader names them by the hint.
        buttons_[i]->setAccessibleName(buttons_[i]->toolTip());
    }
}

QIcon TsDBNavigator::ImageFor(TNavigateBtn button) const {
    const int index = firstImageIndex_ + static_cast<int>(button);
    if (index < 0 || index >= images_.size())
        return QIcon();
    return images_[index];
}

void TsDBNavigator::LayoutButtons() {
    if (laying_)
        return;
    laying_ = true;
    const TNavigatorLayout l = NavigatorLayout(width(), height(), kBorder, visible_.Count());
    setMinimumSize(l.minWidth, l.minHeight);
    int x = kBorder;
    for (TNavButton* b : buttons_) {
        if (visible_.Contains(b->Kind())) {
            b->setGeometry(x, kBorder, l.buttonWidth, l.buttonHeight);
            x += l.buttonWidth;
        } else {
            // Hidden buttons stay out of the panel.
            b->setGeometry(-l.buttonWidth - 100, kBorder, l.buttonWidth, l.buttonHeight);
        }
    }
    if (!aligned_ && visible_.Count() > 0 && width() != l.barWidth)
        resize(l.barWidth, height());
    laying_ = false;
}

void TsDBNavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutButtons();
}

void TsDBNavigator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    qDrawShadePanel(&p, rect(), palette(), false, kBorder);
}

void TsDBNavigator::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        UpdateEnabled(TRecompute::All);
}

void TsDBNavigator::UpdateEnabled(TRecompute what) {
    TDataSet* ds = link_.Active() && link_.DataSource() ? link_.DataSource()->DataSet() : nullptr;
    const bool on = isEnabled() && ds;
    const bool canModify = on && ds->CanModify();
    const bool editing = on && link_.Editing();
    const bool atBegin = on && ds->AtBegin();
    const bool atEnd = on && ds->AtEnd();

    auto set = [this](TNavigateBtn b, bool enabled) { Button(b)->setEnabled(enabled); };
    if (what != TRecompute::Editing) {
        set(TNavigateBtn::nbFirst, on && !atBegin);
        set(TNavigateBtn::nbPrior, on && !atBegin);
        set(TNavigateBtn::nbNext, on && !atEnd);
        set(TNavigateBtn::nbLast, on && !atEnd);
        set(TNavigateBtn::nbDelete, canModify && !(atBegin && atEnd));
    }
    if (what != TRecompute::Moving) {
        set(TNavigateBtn::nbInsert, canModify);
        set(TNavigateBtn::nbEdit, canModify && !editing);
        set(TNavigateBtn::nbPost, canModify && editing);
        set(TNavigateBtn::nbCancel, canModify && editing);
        set(TNavigateBtn::nbRefresh, canModify);
    }
}

void TsDBNavigator::ButtonAction(TNavigateBtn button) {
    TDataSource* source = link_.DataSource();
    if (source && source->State() != stInactive) {
        if (BeforeAction)
            BeforeAction(this, button);
        TDataSet* ds = source->DataSet();
        switch (button) {
        case TNavigateBtn::nbFirst:
            ds->First();
            break;
        case TNavigateBtn::nbPrior:
            ds->Prior();
            break;
        case TNavigateBtn::nbNext:
            ds->Next();
            break;
        case TNavigateBtn::nbLast:
            ds->Last();
            break;
        case TNavigateBtn::nbInsert:
            ds->Insert();
            break;
        case TNavigateBtn::nbDelete:
            if (confirmDelete_ && !AskDeleteRecord(this))
                break;
            ds->Delete();
            break;
        case TNavigateBtn::nbEdit:
            ds->Edit();
            break;
        case TNavigateBtn::nbPost:
            ds->Post();
            break;
        case TNavigateBtn::nbCancel:
            ds->Cancel();
            break;
        case TNavigateBtn::nbRefresh:
            ds->Refresh();
            break;
        }
    }
    if (OnClick)
        OnClick(this, button);
}

bool TsDBNavigator::ClickButton(TNavigateBtn button) {
    return HandleEvent([&] { ButtonAction(button); });
}

void TsDBNavigator::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
        if (visible_.Contains(focused_) && Button(focused_)->isEnabled())
            Button(focused_)->click();
        break;
    case Qt::Key_Left:
        MoveFocus(-1);
        break;
    case Qt::Key_Right:
        MoveFocus(1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TsDBNavigator::MoveFocus(int step) {
    int i = static_cast<int>(focused_);
    for (int n = 0; n < kNavigateBtnCount; ++n) {
        i += step;
        if (i < 0 || i >= kNavigateBtnCount)
            return; // no wrap: the focus stays on the outermost visible button
        if (visible_.Contains(ButtonAt(i))) {
            Button(focused_)->update();
            focused_ = ButtonAt(i);
            Button(focused_)->update();
            return;
        }
    }
}

void TsDBNavigator::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    Button(focused_)->update();
}

void TsDBNavigator::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    Button(focused_)->update();
}
