// The grid's keyboard, mouse and focus handling, and its in-place editor.

#include "controls/DBGrids.h"

#include "controls/ControlDialogs.h"
#include "controls/DBGridActions.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

namespace {

constexpr int kResizeGrip = 3;

bool PrintableText(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = event.text();
    if (text.isEmpty())
        return false;
    // By characters, not UTF-16 units: an emoji is two units, neither of
    // them printable on its own.
    for (char32_t c : QStringView(text).toUcs4())
        if (!QChar::isPrint(c))
            return false;
    return true;
}

// Whether the line edit changes its text on a key the grid left to it, and
// the text it would insert. It inserts a key's text by its own rule, which
// lets in format characters (a zero-width non-joiner, say) and Ctrl+Alt
// (AltGr on some systems), and refuses Ctrl and Ctrl+Shift.
bool ChangesText(const QKeyEvent& event, QString& incoming) {
    const QString text = event.text();
    if (!text.isEmpty()) {
        const char32_t first = QStringView(text).toUcs4().value(0);
        const Qt::KeyboardModifiers mods = event.modifiers();
        const bool ctrl =
            mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier);
        const QChar::Category category = QChar::category(first);
        if (category == QChar::Other_Format ||
            (!ctrl && (QChar::isPrint(first) || category == QChar::Other_PrivateUse))) {
            incoming = text;
            return true;
        }
    }
    if (event.matches(QKeySequence::Paste)) {
        incoming = QApplication::clipboard()->text();
        return true;
    }
    if (event.key() == Qt::Key_Backspace || event.key() == Qt::Key_Delete)
        return true;
    for (QKeySequence::StandardKey k :
         {QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo, QKeySequence::DeleteEndOfLine,
          QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
          QKeySequence::DeleteCompleteLine})
        if (event.matches(k))
            return true;
    return false;
}

bool AcceptsAll(const TField* field, const QString& text) {
    // A character beyond the basic plane is judged as an unknown printable
    // character: a text field takes it into the editor, and posting then
    // says plainly whether the database can store it.
    for (char32_t c : QStringView(text).toUcs4())
        if (!field->IsValidChar(c > 0xFFFF ? QChar(QChar::ReplacementCharacter) : QChar(c)))
            return false;
    return true;
}

} // namespace

// --- in-place editor ----------------------------------------------------------

TInplaceEdit::TInplaceEdit(TDBGrid* grid) : QLineEdit(grid->viewport()), grid_(grid) {
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this] { TextEdited(); });
}

bool TInplaceEdit::MayChange(const QString& incoming) {
    TField* field = grid_->SelectedField();
    if (!field || !AcceptsAll(field, incoming))
        return false;
    bool may = false;
    HandleEvent([&] { may = grid_->CanEditModify(); });
    return may;
}

void TInplaceEdit::TextEdited() {
    // Every way in asks MayChange first; a way that did not would leave text
    // in a row that is not being edited, shown but never stored.
    if (!grid_->link_.Editing()) {
        setText(grid_->editText_);
        return;
    }
    grid_->EditorTextEdited();
}

bool TInplaceEdit::IsGridKey(const QKeyEvent& event) const {
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Insert:
    case Qt::Key_Escape:
    case Qt::Key_F2:
    case Qt::Key_F5:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    case Qt::Key_Delete:
    case Qt::Key_F:
        return ctrl;
    case Qt::Key_Home:
    case Qt::Key_End:
        return ctrl;
    case Qt::Key_Left:
        // At the start of the text the caret has nowhere to go: the column does.
        return ctrl || (cursorPosition() == 0 && !hasSelectedText()) ||
               (hasSelectedText() && selectedText() == text());
    case Qt::Key_Right:
        return ctrl || (cursorPosition() == text().size() && !hasSelectedText()) ||
               (hasSelectedText() && selectedText() == text());
    default:
        return false;
    }
}

bool TInplaceEdit::event(QEvent* event) {
    // Tab moves between the grid's columns, not along the focus chain.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            grid_->Options().Contains(dgTabs) && !(key->modifiers() & Qt::AltModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    if (IsGridKey(*event)) {
        bool handled = false;
        const bool completed = HandleEvent([&] { handled = grid_->HandleKey(*event); });
        if (handled || !completed) {
            // Taken, or refused with the error shown: not the grid's again.
            event->accept();
            return;
        }
    }
    QString incoming;
    if (ChangesText(*event, incoming) && !MayChange(incoming))
        return;
    QLineEdit::keyPressEvent(event);
}

void TInplaceEdit::mouseReleaseEvent(QMouseEvent* event) {
    // Where the system has a selection, the middle button pastes it.
    QClipboard* clipboard = QApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection() && !isReadOnly()) {
        const QString pasted = clipboard->text(QClipboard::Selection);
        if ((!pasted.isEmpty() || hasSelectedText()) && !MayChange(pasted)) {
            event->accept();
            return;
        }
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TInplaceEdit::dropEvent(QDropEvent* event) {
    const QString dropped = event->mimeData() ? event->mimeData()->text() : QString();
    if (!dropped.isEmpty() && !MayChange(dropped)) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void TInplaceEdit::inputMethodEvent(QInputMethodEvent* event) {
    // A commit or a replacement changes the text; so does the start of a
    // composition, which takes the selected text away.
    const bool changes = !event->commitString().isEmpty() || event->replacementLength() > 0 ||
                         (hasSelectedText() && !event->preeditString().isEmpty());
    if (changes && !MayChange(event->commitString())) {
        // The composition may go on showing; only what it would change goes.
        deselect();
        QInputMethodEvent shown(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&shown);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void TInplaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const QWidget* next = QApplication::focusWidget();
    const bool insideGrid = next && (next == grid_ || grid_->isAncestorOf(next));
    if (!insideGrid && event->reason() != Qt::ActiveWindowFocusReason &&
        event->reason() != Qt::PopupFocusReason)
        grid_->GridExit();
}

void TInplaceEdit::contextMenuEvent(QContextMenuEvent* event) {
    // The standard menu could change the text without asking the field.
    event->ignore();
}

// --- keys ---------------------------------------------------------------------

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    HandleEvent([&] {
        handled = HandleKey(*event);
        if (!handled && PrintableText(*event)) {
            TypeChar(event->text());
            handled = true;
        }
    });
    if (handled)
        event->accept();
    else
        QAbstractScrollArea::keyPressEvent(event);
}

bool TDBGrid::event(QEvent* event) {
    // Tab belongs to the grid while dgTabs is set, not to the focus chain.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            options_.Contains(dgTabs) && !(key->modifiers() & Qt::AltModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TDBGrid::TypeChar(const QString& text) {
    TField* f = SelectedField();
    if (!f || !Shows() || !AcceptsAll(f, text))
        return;
    if (!CanEditModify())
        return;
    ShowEditor();
    if (!editorMode_)
        return;
    editor_->selectAll();
    editor_->insert(text);
    editModified_ = true;
}

bool TDBGrid::HandleKey(QKeyEvent& event) {
    if (!Shows())
        return false;
    const bool moves = MovesRecord(event);
    const bool handled = HandleGridKey(event);
    if (handled && moves)
        SelectAfterMove(event.modifiers() & Qt::ShiftModifier);
    return handled;
}

bool TDBGrid::MovesRecord(const QKeyEvent& event) const {
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        return ctrl || columns_.size() == 1;
    default:
        return false;
    }
}

bool TDBGrid::HandleGridKey(QKeyEvent& event) {
    TDataSet* ds = link_.DataSet();
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    const bool alt = event.modifiers() & Qt::AltModifier;
    const int last = static_cast<int>(columns_.size()) - 1;
    const bool single = columns_.size() == 1;

    switch (event.key()) {
    case Qt::Key_Up:
        if (ctrl)
            KeyMove(-link_.ActiveRow());
        else
            PriorRow();
        return true;
    case Qt::Key_Down:
        if (ctrl)
            KeyMove(link_.RecordCount() - 1 - link_.ActiveRow());
        else
            NextRow();
        return true;
    case Qt::Key_PageUp:
        KeyMove(ctrl ? -link_.ActiveRow() : -visibleRows_);
        return true;
    case Qt::Key_PageDown:
        KeyMove(ctrl ? link_.RecordCount() - 1 - link_.ActiveRow() : visibleRows_);
        return true;
    case Qt::Key_Home:
        if (ctrl || single)
            ds->First();
        else
            SetSelectedIndex(0);
        return true;
    case Qt::Key_End:
        if (ctrl || single)
            ds->Last();
        else
            SetSelectedIndex(last);
        return true;
    case Qt::Key_Left:
        SetSelectedIndex(ctrl ? 0 : NextColumn(col_, -1));
        return true;
    case Qt::Key_Right:
        SetSelectedIndex(ctrl ? last : NextColumn(col_, 1));
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (alt || !options_.Contains(dgTabs))
            return false;
        TabMove(event.key() == Qt::Key_Backtab || (event.modifiers() & Qt::ShiftModifier));
        return true;
    case Qt::Key_Insert:
        if (ctrl || event.modifiers() & Qt::ShiftModifier)
            return false;
        if (ds->CanModify() && !readOnly_ && options_.Contains(dgEditing)) {
            ds->Insert();
            appended_ = false;
        }
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            return false;
        DeleteRecord();
        return true;
    case Qt::Key_Escape:
        if (editModified_) {
            LoadEditorText();
        } else if (ds->State() == stEdit || ds->State() == stInsert) {
            ds->Cancel();
        }
        if (!options_.Contains(dgAlwaysShowEditor))
            HideEditor();
        return true;
    case Qt::Key_F2:
        ShowEditor();
        return true;
    case Qt::Key_F5:
        // The navigator's Refresh, for whoever works without a mouse: the
        // navigator's buttons take no focus. Allowed where that button is.
        if (event.modifiers() != Qt::NoModifier)
            return false;
        if (ds->CanModify())
            ds->Refresh();
        return true;
    case Qt::Key_F:
        if (!ctrl)
            return false;
        actions_->ShowFindBar();
        return true;
    case Qt::Key_C:
        if (!ctrl || editorMode_)
            return false;
        actions_->CopyCell();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        UpdateData();
        if (!options_.Contains(dgAlwaysShowEditor))
            SetEditorMode(!editorMode_);
        return true;
    default:
        return false;
    }
}

int TDBGrid::NextColumn(int from, int step) const {
    const int count = static_cast<int>(columns_.size());
    for (int c = from + step; c >= 0 && c < count; c += step)
        if (columns_[c].Width > 0)
            return c;
    return from;
}

void TDBGrid::KeyMove(int distance) {
    if (distance != 0)
        link_.DataSet()->MoveBy(distance);
}

void TDBGrid::NextRow() {
    TDataSet* ds = link_.DataSet();
    if (UntouchedInsert()) {
        if (AtEndOfData())
            return;
        ds->Cancel();
    } else {
        ds->MoveBy(1);
    }
    if (ds->AtEnd() && ds->CanModify() && !readOnly_ && options_.Contains(dgEditing)) {
        ds->Append();
        appended_ = true;
    }
}

void TDBGrid::PriorRow() {
    TDataSet* ds = link_.DataSet();
    if (UntouchedInsert() && AtEndOfData())
        ds->Cancel();
    else
        ds->MoveBy(-1);
}

void TDBGrid::TabMove(bool back) {
    const int count = static_cast<int>(columns_.size());
    const int start = col_;
    int c = col_;
    for (int guard = 0; guard <= 2 * count; ++guard) {
        c += back ? -1 : 1;
        if (c >= count) {
            c = 0;
            NextRow();
        } else if (c < 0) {
            c = count - 1;
            PriorRow();
        }
        if (c == start || columns_[c].TabStop)
            break;
    }
    SetSelectedIndex(c);
}

void TDBGrid::DeleteRecord() {
    TDataSet* ds = link_.DataSet();
    if (readOnly_ || ds->IsEmpty() || !ds->CanModify())
        return;
    if (options_.Contains(dgConfirmDelete) && !AskDeleteRecord(this))
        return;
    ds->Delete();
}

// --- mouse --------------------------------------------------------------------

int TDBGrid::ResizeColumnAt(const QPoint& pos) const {
    if (!options_.Contains(dgColumnResize) || !options_.Contains(dgTitles) ||
        pos.y() >= TitleHeight())
        return -1;
    for (int c = leftCol_; c < static_cast<int>(columns_.size()); ++c) {
        const QRect r = TitleRect(c);
        if (!r.isNull() && std::abs(pos.x() - (r.right() + 1)) <= kResizeGrip)
            return c;
    }
    return -1;
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    resizeCol_ = ResizeColumnAt(pos);
    if (resizeCol_ >= 0) {
        resizeStartX_ = pos.x();
        resizeStartWidth_ = columns_[resizeCol_].Width;
        return;
    }
    if (options_.Contains(dgTitles) && pos.y() < TitleHeight()) {
        const int c = ColumnAt(pos.x());
        moveCol_ = options_.Contains(dgColumnResize) && c >= 0 && columns_[c].Field ? c : -1;
        return;
    }
    const int row = RowAt(pos.y());
    const int col = ColumnAt(pos.x());
    if (row < 0 || !Shows() || row >= link_.RecordCount())
        return;
    HandleEvent([&] { ClickCell(col, row, col == -1, event->modifiers()); });
}

void TDBGrid::ClickCell(int col, int row, bool indicator, Qt::KeyboardModifiers modifiers) {
    const bool marking = MultiSelect() && (modifiers & (Qt::ControlModifier | Qt::ShiftModifier));
    const bool wasCurrent = !indicator && !marking && row == link_.ActiveRow() && col == col_;
    UpdateData();
    HideEditor();
    const int distance = row - link_.ActiveRow();
    if (distance != 0)
        link_.DataSet()->MoveBy(distance);
    if (!indicator && col >= 0)
        SetSelectedIndex(col);
    if (MultiSelect() && (modifiers & Qt::ControlModifier))
        ToggleCurrentRow();
    else
        SelectAfterMove(modifiers & Qt::ShiftModifier);
    if (wasCurrent)
        ShowEditor();
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizeCol_ >= 0) {
        const int width = std::max(0, resizeStartWidth_ + pos.x() - resizeStartX_);
        columns_[resizeCol_].Width = width;
        PlaceEditor();
        viewport()->update();
        return;
    }
    const bool grip = ResizeColumnAt(pos) >= 0;
    viewport()->setCursor(grip ? Qt::SplitHCursor : Qt::ArrowCursor);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizeCol_ >= 0) {
        const int col = resizeCol_;
        resizeCol_ = -1;
        const int width = std::max(0, resizeStartWidth_ + pos.x() - resizeStartX_);
        HandleEvent([&] { ResizeColumn(col, width); });
        return;
    }
    if (moveCol_ >= 0) {
        const int from = moveCol_;
        moveCol_ = -1;
        const int to = pos.y() < TitleHeight() ? ColumnAt(pos.x()) : -1;
        if (to >= 0 && to != from)
            HandleEvent([&] { MoveColumn(from, to); });
        else if (to == from && OnTitleClick)
            HandleEvent([&] { OnTitleClick(*this, columns_[from].Field); });
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TDBGrid::ResizeColumn(int col, int pixels) {
    TField* f = columns_[col].Field;
    if (!f) {
        columns_[col].Width = pixels;
        viewport()->update();
        return;
    }
    // The field keeps the width; its layout change rebuilds the columns.
    f->SetDisplayWidth(std::max(DisplayWidthForPixels(QFontMetrics(font()), pixels), 0));
    LayoutChanged();
}

void TDBGrid::MoveColumn(int from, int to) {
    TField* moved = columns_[from].Field;
    TField* target = columns_[to].Field;
    if (!moved || !target)
        return;
    const bool wasCurrent = from == col_;
    moved->SetIndex(target->Index());
    LayoutChanged();
    if (wasCurrent)
        for (int c = 0; c < static_cast<int>(columns_.size()); ++c)
            if (columns_[c].Field == moved)
                SetSelectedIndex(c);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick)
        HandleEvent([&] { OnDblClick(*this); });
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && Shows())
        HandleEvent([&] { link_.DataSet()->MoveBy(-steps); });
    event->accept();
}

// --- focus --------------------------------------------------------------------

bool TDBGrid::IsFocusedGrid() const {
    const QWidget* f = QApplication::focusWidget();
    return f && (f == this || f == editor_);
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (options_.Contains(dgAlwaysShowEditor) && CanEditShow())
        ShowEditor();
    else if (editorMode_)
        editor_->setFocus();
    viewport()->update();
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
    if (IsFocusedGrid())
        return;
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    GridExit();
}

void TDBGrid::GridExit() {
    if (!Shows())
        return;
    const bool done = HandleEvent([&] {
        TDataSet* ds = link_.DataSet();
        if (options_.Contains(dgCancelOnExit) && UntouchedInsert())
            ds->Cancel();
        else
            UpdateData();
    });
    if (!done)
        RestoreFocus();
}

void TDBGrid::RestoreFocus() {
    // Taken back once the focus change under way has finished.
    QTimer::singleShot(0, this, [this] {
        if (editorMode_)
            editor_->setFocus(Qt::OtherFocusReason);
        else
            setFocus(Qt::OtherFocusReason);
    });
}
