#include "controls/GridFindBar.h"

#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "ui/UserDialogs.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

TGridFindBar::TGridFindBar(TDBGrid* grid) : QFrame(grid), grid_(grid) {
    setObjectName(QStringLiteral("find_bar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(3, 2, 3, 2);
    layout->setSpacing(2);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("find_e"));
    text_->setClearButtonEnabled(true);
    previous_ = new QToolButton(this);
    previous_->setObjectName(QStringLiteral("find_previous_btn"));
    previous_->setArrowType(Qt::UpArrow);
    next_ = new QToolButton(this);
    next_->setObjectName(QStringLiteral("find_next_btn"));
    next_->setArrowType(Qt::DownArrow);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("find_status_lbl"));
    status_->setStyleSheet(QStringLiteral("color: #b00020"));
    close_ = new QToolButton(this);
    close_->setObjectName(QStringLiteral("find_close_btn"));
    close_->setText(QStringLiteral("\u00d7"));
    close_->setAutoRaise(true);
    layout->addWidget(text_, 1);
    layout->addWidget(previous_);
    layout->addWidget(next_);
    layout->addWidget(status_);
    layout->addWidget(close_);
    connect(previous_, &QToolButton::clicked, this, [this] { Find(true); });
    connect(next_, &QToolButton::clicked, this, [this] { Find(false); });
    connect(close_, &QToolButton::clicked, this, [this] { Close(); });
    connect(text_, &QLineEdit::textEdited, status_, [this] { status_->clear(); });
    TranslateCaptions();
    hide();
}

void TGridFindBar::TranslateCaptions() {
    const TGridCaptions& c = GridCaptions();
    text_->setPlaceholderText(c.Find);
    previous_->setToolTip(c.FindPrevious);
    next_->setToolTip(c.FindNext);
    close_->setToolTip(c.CloseFind);
    if (!status_->text().isEmpty())
        status_->setText(c.NoMatch);
}

QString TGridFindBar::Status() const {
    return status_->text();
}

void TGridFindBar::Open() {
    TranslateCaptions();
    show();
    raise();
    grid_->Actions().PlaceFindBar();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

void TGridFindBar::Close() {
    const bool hadFocus = isAncestorOf(focusWidget());
    hide();
    status_->clear();
    if (hadFocus || !grid_->hasFocus())
        grid_->setFocus(Qt::OtherFocusReason);
}

bool TGridFindBar::Find(bool backwards) {
    bool found = false;
    const bool done =
        HandleEvent([&] { found = grid_->Actions().FindInColumn(text_->text(), backwards); });
    status_->setText(done && !found ? GridCaptions().NoMatch : QString());
    return found;
}

void TGridFindBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        Close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Find(event->modifiers() & Qt::ShiftModifier);
        return;
    case Qt::Key_F3:
        Find(event->modifiers() & Qt::ShiftModifier);
        return;
    case Qt::Key_Up:
        Find(true);
        return;
    case Qt::Key_Down:
        Find(false);
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}
