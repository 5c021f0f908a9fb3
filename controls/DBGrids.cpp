#include "controls/DBGrids.h"

#include "base/Exception.h"
#include "controls/DBGridAccessible.h"
#include "controls/DBGridActions.h"
#include "ui/DesignScale.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

TDBGridOptions DefaultGridOptions() {
    TDBGridOptions o{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                     dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
    if (QLocale::system().language() == QLocale::Korean)
        o = o.With(dgAlwaysShowEditor);
    return o;
}

int GridColumnWidth(const QFontMetrics& font, int displayWidth, const QFontMetrics* titleFont,
                    const QString& title) {
    const int overhang = 0;
    int width = (font.horizontalAdvance(QLatin1Char('0')) - overhang) * displayWidth + overhang + 4;
    if (titleFont)
        width = std::max(width, titleFont->horizontalAdvance(title) + 4);
    return width;
}

int DisplayWidthForPixels(const QFontMetrics& font, int pixels) {
    const int overhang = 0;
    const int average = std::max(font.averageCharWidth(), 1);
    return (pixels + average / 2 - overhang - 3) / average;
}

// --- data link ----------------------------------------------------------------

TGridDataLink::TGridDataLink(TDBGrid* grid) : grid_(grid) {
    SetVisual(true);
}

TGridDataLink::~TGridDataLink() = default;

void TGridDataLink::LinkActiveChange() {
    grid_->LinkActive();
}

void TGridDataLink::LinkDataSetChange() {
    grid_->DataSetChanged();
}

void TGridDataLink::LinkDataSetScroll(int distance) {
    grid_->DataSetScrolled(distance);
}

void TGridDataLink::LinkEditingChange() {
    grid_->EditingChanged();
}

void TGridDataLink::LinkFocusControl(TField* field) {
    grid_->FocusField(field);
}

void TGridDataLink::LinkLayoutChange() {
    grid_->LayoutChanged();
}

void TGridDataLink::LinkRecordChange(TField* field) {
    grid_->RecordChanged(field);
}

void TGridDataLink::LinkUpdateData() {
    grid_->UpdateData();
}

// --- grid: set-up -------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent)
    : QAbstractScrollArea(parent), link_(this), editor_(new TInplaceEdit(this)),
      options_(DefaultGridOptions()), titleFont_(font()) {
    InstallGridAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setRange(0, 2);
    verticalScrollBar()->setPageStep(1);
    horizontalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { VerticalBarAction(action); });
    actions_ = std::make_unique<TDBGridActions>(*this);
    resize(320, 120);
    LayoutChanged();
}

TDBGrid::~TDBGrid() {
    link_.SetDataSource(nullptr);
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (source == link_.DataSource())
        return;
    HideEditor();
    link_.SetDataSource(source);
    LayoutChanged();
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    options_ = options;
    if (!MultiSelect())
        selected_.clear();
    if (options_.Contains(dgAlwaysShowEditor) && CanEditShow())
        ShowEditor();
    LayoutChanged();
}

void TDBGrid::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (readOnly_)
        HideEditor();
    LayoutChanged();
}

void TDBGrid::SetTitleFont(const QFont& font) {
    titleFont_ = font;
    LayoutChanged();
}

TField* TDBGrid::SelectedField() const {
    if (col_ < 0 || col_ >= static_cast<int>(columns_.size()))
        return nullptr;
    return columns_[col_].Field;
}

int TDBGrid::ShownRowCount() const {
    return std::max(1, Shows() ? link_.RecordCount() : 0);
}

// --- columns and layout -------------------------------------------------------

void TDBGrid::BuildColumns() {
    TField* current = SelectedField();
    columns_.clear();
    TDataSet* ds = Shows() ? link_.DataSet() : nullptr;
    const QFontMetrics fm(font());
    const QFontMetrics tfm(titleFont_);
    const bool titles = options_.Contains(dgTitles);
    if (ds) {
        for (TField* f : ds->FieldList()) {
            if (!f->Visible())
                continue;
            TColumn c;
            c.Field = f;
            c.Width =
                GridColumnWidth(fm, f->DisplayWidth(), titles ? &tfm : nullptr, f->DisplayName());
            c.ReadOnly = readOnly_ || f->ReadOnly();
            // A grid that cannot edit still moves column by column on Tab.
            c.TabStop = !c.ReadOnly && !f->IsCalculated();
            columns_.push_back(c);
        }
    }
    if (columns_.empty())
        columns_.push_back(TColumn{nullptr, kDefaultColWidth, true, false});

    col_ = 0;
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i)
        if (current && columns_[i].Field == current)
            col_ = i;
    leftCol_ = std::min(leftCol_, static_cast<int>(columns_.size()) - 1);
}

void TDBGrid::UpdateRowMetrics() {
    const QFontMetrics fm(font());
    const QFontMetrics tfm(titleFont_);
    titleHeight_ = tfm.boundingRect(QStringLiteral("Wg")).height() + 4;
    titleHeight_ = std::max(titleHeight_, tfm.height() + 4);
    rowHeight_ = fm.height() + 3 + (options_.Contains(dgRowLines) ? 1 : 0);
    const TDesignScale design(font());
    indicatorScale_ = design.Factor();
    indicatorWidth_ = design(kIndicatorWidth);
}

int TDBGrid::TitleHeight() const {
    return options_.Contains(dgTitles) ? titleHeight_ : 0;
}

void TDBGrid::UpdateBufferRows() {
    const int room = viewport()->height() - TitleHeight();
    visibleRows_ = std::max(1, room / std::max(rowHeight_, 1));
    if (link_.BufferRows() != visibleRows_)
        link_.SetBufferRows(visibleRows_);
}

void TDBGrid::LayoutChanged() {
    if (layingOut_)
        return;
    layingOut_ = true;
    HandleEvent([&] {
        BuildColumns();
        UpdateRowMetrics();
        UpdateBufferRows();
    });
    layingOut_ = false;
    MakeColumnVisible(col_);
    UpdateScrollBars();
    if (editorMode_ && !CanEditShow())
        HideEditor();
    LoadEditorText();
    PlaceEditor();
    viewport()->update();
}

// The bars' signals stay connected: the scroll area shows or hides a bar when
// its range changes, and a value set here scrolls to where the grid already is.
void TDBGrid::UpdateScrollBars() {
    QScrollBar* h = horizontalScrollBar();
    const int line = options_.Contains(dgColLines) ? 1 : 0;
    int total = 0;
    for (const TColumn& c : columns_)
        total += c.Width + line;
    const bool fits = total <= viewport()->width() - DataLeft() && leftCol_ == 0;
    h->setRange(0, fits ? 0 : std::max(0, static_cast<int>(columns_.size()) - 1));
    h->setPageStep(1);
    h->setValue(leftCol_);

    UpdateVerticalBar();
}

// Once every row is fetched the record number says where the current record
// stands, and the bar shows it (the thumb a page of rows long). Before that
// nobody knows how many rows follow: the bar has three positions, at the
// first record, somewhere between, at the end.
void TDBGrid::UpdateVerticalBar() {
    QScrollBar* v = verticalScrollBar();
    TDataSet* ds = Shows() ? link_.DataSet() : nullptr;
    const int count = ds ? ds->RecordCount() : 0;
    const int number = ds && ds->State() != stInsert ? ds->RecordNumber() : 0;
    sequenced_ = ds && !ds->IsEmpty() && ds->IsSequenced() && number > 0 && count > 1;
    if (sequenced_) {
        v->setRange(0, count - 1);
        v->setPageStep(std::max(1, visibleRows_));
        v->setSingleStep(1);
        v->setValue(std::clamp(number - 1, 0, count - 1));
        return;
    }
    v->setRange(0, 2);
    v->setPageStep(1);
    if (!ds || ds->IsEmpty())
        v->setValue(0);
    else if (ds->AtEnd())
        v->setValue(2);
    else if (ds->AtBegin() || ds->RecordNumber() == 1)
        v->setValue(0);
    else
        v->setValue(1);
}

void TDBGrid::VerticalBarAction(int action) {
    QScrollBar* v = verticalScrollBar();
    const int target = v->sliderPosition();
    HandleEvent([&] {
        TDataSet* ds = Shows() ? link_.DataSet() : nullptr;
        if (!ds)
            return;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            ds->MoveBy(1);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            ds->MoveBy(-1);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            ds->MoveBy(visibleRows_);
            break;
        case QAbstractSlider::SliderPageStepSub:
            ds->MoveBy(-visibleRows_);
            break;
        case QAbstractSlider::SliderToMinimum:
            ds->First();
            break;
        case QAbstractSlider::SliderToMaximum:
            ds->Last();
            break;
        case QAbstractSlider::SliderMove:
            // Dragging the thumb means a record only where the bar counts them.
            if (sequenced_ && ds->RecordNumber() > 0) {
                if (target <= v->minimum())
                    ds->First();
                else if (target >= v->maximum())
                    ds->Last();
                else
                    ds->MoveBy(target + 1 - ds->RecordNumber());
            }
            break;
        default:
            break;
        }
    });
    // The bar shows where the dataset is, not where the slider was put.
    QTimer::singleShot(0, this, [this] { UpdateScrollBars(); });
}

void TDBGrid::scrollContentsBy(int, int) {
    const int wanted = horizontalScrollBar()->value();
    if (wanted != leftCol_) {
        leftCol_ = std::clamp(wanted, 0, static_cast<int>(columns_.size()) - 1);
        PlaceEditor();
        viewport()->update();
    }
}

int TDBGrid::DataLeft() const {
    return options_.Contains(dgIndicator) ? indicatorWidth_ + 1 : 0;
}

QRect TDBGrid::CellRect(int col, int row) const {
    if (col < leftCol_ || col >= static_cast<int>(columns_.size()))
        return QRect();
    const int line = options_.Contains(dgColLines) ? 1 : 0;
    int x = DataLeft();
    for (int c = leftCol_; c < col; ++c)
        x += columns_[c].Width + line;
    const int rowLine = options_.Contains(dgRowLines) ? 1 : 0;
    const int y = TitleHeight() + (options_.Contains(dgTitles) ? 1 : 0) + row * rowHeight_;
    return QRect(x, y, columns_[col].Width, rowHeight_ - rowLine);
}

QRect TDBGrid::TitleRect(int col) const {
    QRect r = CellRect(col, 0);
    if (r.isNull())
        return r;
    return QRect(r.left(), 0, r.width(), TitleHeight());
}

int TDBGrid::ColumnAt(int x) const {
    const int line = options_.Contains(dgColLines) ? 1 : 0;
    int left = DataLeft();
    if (x < left)
        return -1;
    for (int c = leftCol_; c < static_cast<int>(columns_.size()); ++c) {
        const int right = left + columns_[c].Width + line;
        if (x < right)
            return c;
        left = right;
    }
    return -2;
}

int TDBGrid::RowAt(int y) const {
    const int top = TitleHeight() + (options_.Contains(dgTitles) ? 1 : 0);
    if (y < top)
        return -1;
    return (y - top) / std::max(rowHeight_, 1);
}

void TDBGrid::MakeColumnVisible(int col) {
    if (col < 0 || col >= static_cast<int>(columns_.size()))
        return;
    if (col < leftCol_) {
        leftCol_ = col;
    } else {
        const int line = options_.Contains(dgColLines) ? 1 : 0;
        const int room = viewport()->width() - DataLeft();
        while (leftCol_ < col) {
            int used = 0;
            for (int c = leftCol_; c <= col; ++c)
                used += columns_[c].Width + line;
            if (used <= room)
                break;
            ++leftCol_;
        }
    }
    UpdateScrollBars();
}

void TDBGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (actions_)
        actions_->PlaceFindBar();
    HandleEvent([&] { UpdateBufferRows(); });
    MakeColumnVisible(col_);
    PlaceEditor();
    viewport()->update();
}

void TDBGrid::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        editor_->setFont(font());
        LayoutChanged();
    } else if (event->type() == QEvent::EnabledChange) {
        viewport()->update();
    }
}

// --- link hooks ---------------------------------------------------------------

void TDBGrid::LinkActive() {
    TDataSet* ds = link_.Active() ? link_.DataSet() : nullptr;
    // Rows that can be read only once cannot be scrolled back to.
    refused_ = ds && ds->IsUniDirectional();
    if (!Shows()) {
        HideEditor();
        selected_.clear();
    }
    lastCount_ = ds && !refused_ ? ds->RecordCount() : 0;
    inserting_ = false;
    LayoutChanged();
    if (refused_)
        throw EDatabaseError(QStringLiteral("Operation not allowed on a unidirectional dataset"));
}

void TDBGrid::DataSetChanged() {
    SelectionMaybeStale();
    UpdateScrollBars();
    LoadEditorText();
    PlaceEditor();
    viewport()->update();
}

void TDBGrid::DataSetScrolled(int distance) {
    UpdateScrollBars();
    LoadEditorText();
    PlaceEditor();
    if (std::abs(distance) >= visibleRows_ || distance == 0) {
        viewport()->update();
        return;
    }
    // Only the rows the window moved past need new paint; the rest moves.
    const int top = TitleHeight() + (options_.Contains(dgTitles) ? 1 : 0);
    const QRect rows(0, top, viewport()->width(), visibleRows_ * rowHeight_);
    viewport()->scroll(0, distance * rowHeight_, rows);
    // The indicator and the highlight follow the current record.
    viewport()->update(QRect(0, top, viewport()->width(), visibleRows_ * rowHeight_));
}

void TDBGrid::RecordChanged(TField* field) {
    if (writing_)
        return;
    TField* current = SelectedField();
    if (field && field != current && editModified_)
        UpdateData();
    if (field) {
        for (int c = 0; c < static_cast<int>(columns_.size()); ++c)
            if (columns_[c].Field == field) {
                const QRect r = CellRect(c, link_.ActiveRow());
                viewport()->update(r.adjusted(-1, -1, 1, 1));
            }
    } else {
        viewport()->update();
    }
    if (current && (!field || field == current)) {
        QString text;
        HandleEvent([&] { text = current->Text(); });
        if (text != editText_)
            LoadEditorText();
    }
}

void TDBGrid::EditingChanged() {
    if (!link_.Editing()) {
        editModified_ = false;
        appended_ = false;
        // A record inserted into the cache moves the marks of those after it.
        if (inserting_)
            selected_.clear();
        inserting_ = false;
    } else if (TDataSet* ds = link_.DataSet(); ds && ds->State() == stInsert) {
        inserting_ = true;
    }
    viewport()->update(QRect(0, 0, indicatorWidth_ + 1, viewport()->height()));
    NotifyGridAccessibility(*this);
}

void TDBGrid::FocusField(TField* field) {
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c)
        if (columns_[c].Field == field) {
            SetSelectedIndex(c);
            break;
        }
    setFocus();
}

// --- editing ------------------------------------------------------------------

bool TDBGrid::CanEditShow() const {
    if (!options_.Contains(dgEditing) || options_.Contains(dgRowSelect) || readOnly_)
        return false;
    if (!Shows() || link_.ReadOnly())
        return false;
    if (col_ < 0 || col_ >= static_cast<int>(columns_.size()))
        return false;
    const TColumn& c = columns_[col_];
    if (!c.Field || c.ReadOnly || !c.Field->CanModify())
        return false;
    const TFieldType t = c.Field->DataType();
    const bool textless = t == ftBlob || t == ftMemo || t == ftBytes || t == ftUnknown;
    return !textless || c.Field->OnSetText;
}

bool TDBGrid::CanEditModify() {
    if (!CanEditShow())
        return false;
    return link_.Edit();
}

void TDBGrid::SetEditorMode(bool on) {
    if (on)
        ShowEditor();
    else
        HideEditor();
}

void TDBGrid::ShowEditor() {
    if (!CanEditShow())
        return;
    const bool wasShown = editorMode_;
    editorMode_ = true;
    if (!wasShown)
        LoadEditorText();
    PlaceEditor();
    editor_->show();
    if (hasFocus() || QApplication::focusWidget() == nullptr)
        editor_->setFocus();
    else if (IsFocusedGrid())
        editor_->setFocus();
    viewport()->update();
}

void TDBGrid::HideEditor() {
    if (!editorMode_)
        return;
    const bool hadFocus = editor_->hasFocus();
    editorMode_ = false;
    // The grid takes the focus before its editor hides: a focused widget
    // that hides hands the focus on down the tab chain, and the grid would
    // take that as the user leaving it (and drop its untouched new row).
    if (hadFocus)
        setFocus();
    editor_->hide();
    viewport()->update();
}

void TDBGrid::PlaceEditor() {
    if (!editorMode_)
        return;
    const QRect cell = CellRect(col_, Shows() ? link_.ActiveRow() : 0);
    if (cell.isNull()) {
        editor_->setGeometry(-1000, -1000, 10, 10);
        return;
    }
    editor_->setGeometry(cell);
}

void TDBGrid::LoadEditorText() {
    TField* f = SelectedField();
    QString text;
    if (f && Shows())
        HandleEvent([&] { text = f->Text(); });
    editText_ = text;
    editModified_ = false;
    const int maxLength = f && f->DataType() == ftString && f->Size() > 0 ? f->Size() : 32767;
    editor_->setMaxLength(maxLength);
    editor_->setText(text);
    editor_->setAlignment(f && f->Alignment() == taRightJustify ? Qt::AlignRight : Qt::AlignLeft);
    if (editorMode_)
        editor_->selectAll();
    NotifyGridAccessibility(*this);
}

void TDBGrid::UpdateData() {
    if (!editModified_)
        return;
    TField* f = SelectedField();
    if (!f || !Shows()) {
        editModified_ = false;
        return;
    }
    const QString text = editor_->text();
    if (text != f->Text()) {
        writing_ = true;
        try {
            f->SetText(text);
        } catch (...) {
            writing_ = false;
            throw;
        }
        writing_ = false;
    }
    editModified_ = false;
    // Show the text as the field now gives it back.
    editText_ = f->Text();
    if (editor_->text() != editText_)
        editor_->setText(editText_);
    viewport()->update();
}

void TDBGrid::EditorTextEdited() {
    editModified_ = true;
}

bool TDBGrid::UntouchedInsert() const {
    TDataSet* ds = link_.DataSet();
    return ds && ds->State() == stInsert && !ds->Modified() && !editModified_ &&
           !ds->DetailsHoldTypedRows();
}

bool TDBGrid::AtEndOfData() const {
    TDataSet* ds = link_.DataSet();
    if (!ds)
        return false;
    // The dataset does not mark a record appended after the last as the end.
    return ds->AtEnd() || (ds->State() == stInsert && appended_);
}

void TDBGrid::SetSelectedIndex(int column) {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return;
    if (column == col_) {
        MakeColumnVisible(col_);
        return;
    }
    UpdateData();
    col_ = column;
    MakeColumnVisible(col_);
    if (editorMode_ && !CanEditShow() && !options_.Contains(dgAlwaysShowEditor))
        HideEditor();
    else if (editorMode_ && !CanEditShow())
        HideEditor();
    LoadEditorText();
    PlaceEditor();
    viewport()->update();
}
