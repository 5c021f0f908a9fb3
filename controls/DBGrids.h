#pragma once
// The data grid: the records of a dataset as rows, its visible fields as
// columns. It paints only the records of the dataset's window (its link asks
// for as many buffered rows as whole data rows fit), edits one cell at a time
// in an editor of its own, and moves, inserts and deletes records from the
// keyboard. Every event handler stops exceptions and hands them to the
// program's error presenter, leaving the focus and the editor where they were.

#include "dataset/DB.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QLineEdit>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class QFontMetrics;
class TDBGrid;
class TDBGridActions;

enum TDBGridOption {
    dgEditing,
    dgAlwaysShowEditor,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection,
    dgConfirmDelete,
    dgCancelOnExit,
    dgMultiSelect
};

class TDBGridOptions {
public:
    TDBGridOptions() = default;
    TDBGridOptions(std::initializer_list<TDBGridOption> options) {
        for (TDBGridOption o : options)
            bits_ |= 1u << o;
    }
    bool Contains(TDBGridOption o) const { return bits_ & (1u << o); }
    TDBGridOptions With(TDBGridOption o) const {
        TDBGridOptions r = *this;
        r.bits_ |= 1u << o;
        return r;
    }
    TDBGridOptions Without(TDBGridOption o) const {
        TDBGridOptions r = *this;
        r.bits_ &= ~(1u << o);
        return r;
    }
    bool operator==(const TDBGridOptions&) const = default;

private:
    unsigned bits_ = 0;
};

// The options of a new grid; a system whose language is Korean also gets
// dgAlwaysShowEditor.
TDBGridOptions DefaultGridOptions();

// Column width arithmetic. Qt fonts have no overhang, so it counts as 0.
// A field's column: "0"-width x DisplayWidth + 4, at least the title + 4.
int GridColumnWidth(const QFontMetrics& font, int displayWidth, const QFontMetrics* titleFont,
                    const QString& title);
// The DisplayWidth a column dragged to pixels stands for.
int DisplayWidthForPixels(const QFontMetrics& font, int pixels);

// One shown field. Every value is derived from the field and the grid.
struct TColumn {
    TField* Field = nullptr; // none: the one empty column of a closed grid
    int Width = 0;
    bool ReadOnly = false; // the grid's or the field's
    bool TabStop = false;
    QString Title() const { return Field ? Field->DisplayName() : QString(); }
    TAlignment Alignment() const { return Field ? Field->Alignment() : taLeftJustify; }
};

class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TDBGrid* grid);
    ~TGridDataLink() override;

protected:
    void LinkActiveChange() override;
    void LinkDataSetChange() override;
    void LinkDataSetScroll(int distance) override;
    void LinkEditingChange() override;
    void LinkFocusControl(TField* field) override;
    void LinkLayoutChange() override;
    void LinkRecordChange(TField* field) override;
    void LinkUpdateData() override;

private:
    TDBGrid* grid_;
};

// The grid's in-place editor: it keeps its own text until the grid writes it
// into the field, accepts only the characters the field accepts and at most
// the field's size. However text comes in (keys, the clipboard, the middle
// button's selection, a drop, an input method) the row goes into editing
// first, or the text is refused and the editor keeps what it held.
class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(TDBGrid* grid);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool IsGridKey(const QKeyEvent& event) const;
    // Whether the text may change, incoming being what would be inserted:
    // the field must accept every character of it, and the row must be in
    // editing or go into it now.
    bool MayChange(const QString& incoming);
    // Takes back a change made while the row is not editing: one that came
    // by a way that did not ask MayChange first.
    void TextEdited();
    TDBGrid* grid_;
};

class TDBGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source);
    const TGridDataLink& DataLink() const { return link_; }

    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    const QFont& TitleFont() const { return titleFont_; }
    void SetTitleFont(const QFont& font);

    std::function<void(TDBGrid&)> OnDblClick;
    // A click on a column's title (pressed and released on the same title,
    // not dragged); what it means is the owner's.
    std::function<void(TDBGrid&, TField*)> OnTitleClick;
    // The column of field shows an arrow in its title, up or down; nullptr:
    // no arrow.
    void SetSortMark(const TField* field, bool descending);
    const TField* SortMarkField() const { return sortField_; }

    // The context menu, the find bar and their captions.
    TDBGridActions& Actions() const { return *actions_; }

    // dgMultiSelect: the marks (bookmarks) of the selected records. Ctrl+click
    // adds or removes a record, Shift+click and Shift with the moving keys
    // select the records from the anchor to the current one, a plain move or
    // click starts anew.
    const std::set<int>& SelectedRows() const { return selected_; }
    void ClearSelection();
    bool IsRowSelected(int bookmark) const { return selected_.count(bookmark) > 0; }

    // The shown columns and the current one.
    const std::vector<TColumn>& Columns() const { return columns_; }
    int SelectedIndex() const { return col_; }
    // Writes pending editor text first; a failure keeps the column.
    void SetSelectedIndex(int column);
    TField* SelectedField() const;

    // The editor: shown or not, its text, whether it holds unsaved text.
    bool EditorMode() const { return editorMode_; }
    void SetEditorMode(bool on);
    TInplaceEdit* InplaceEditor() const { return editor_; }
    bool EditorModified() const { return editModified_; }

    // Geometry in viewport coordinates. The indicator column is 11 pixels
    // wide for the designed text height and grows with a larger font, its
    // images with it.
    static constexpr int kIndicatorWidth = 11;
    int IndicatorWidth() const { return indicatorWidth_; }
    static constexpr int kDefaultColWidth = 64;
    int TitleHeight() const;
    int RowHeight() const { return rowHeight_; }
    int VisibleRowCount() const { return visibleRows_; }
    // The rectangle of data column col at shown row (0 = first data row);
    // empty when the column is scrolled out of view.
    QRect CellRect(int col, int row) const;
    QRect TitleRect(int col) const;
    // What the grid shows: one row at least.
    int ShownRowCount() const;
    // The display text of data column col at shown row, as painted; empty
    // outside the records shown (DBGridAccessible.cpp).
    QString CellText(int col, int row) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TGridDataLink;
    friend class TInplaceEdit;
    friend class TDBGridActions;

    // The link is active and its dataset is one the grid may show.
    bool Shows() const { return link_.Active() && !refused_; }

    // Link hooks.
    void LinkActive();
    void DataSetChanged();
    void DataSetScrolled(int distance);
    void RecordChanged(TField* field);
    void EditingChanged();
    void FocusField(TField* field);

    // Columns and layout.
    void LayoutChanged();
    void BuildColumns();
    void UpdateRowMetrics();
    void UpdateBufferRows();
    void UpdateScrollBars();
    void UpdateVerticalBar();
    void VerticalBarAction(int action);
    void MakeColumnVisible(int col);
    int FirstVisibleColumn() const { return leftCol_; }
    int ColumnAt(int x) const;
    int RowAt(int y) const;
    int DataLeft() const;

    // Editing.
    bool CanEditShow() const;
    // Asks the data source to edit; true when the cell may now change.
    bool CanEditModify();
    void ShowEditor();
    void HideEditor();
    void PlaceEditor();
    // Loads the current field's edit text into the editor.
    void LoadEditorText();
    // Writes the editor text into the current field when it was changed and
    // differs from the field's edit text.
    void UpdateData();
    void EditorTextEdited();
    bool UntouchedInsert() const;
    // The current record is the last one: the dataset hit its end, or the
    // current record is one the grid appended after the last.
    bool AtEndOfData() const;
    bool IsFocusedGrid() const;
    // The focus left the grid and its editor for another control.
    void GridExit();
    void RestoreFocus();

    // Keys (the grid's and those the editor hands over); true when handled.
    bool HandleKey(QKeyEvent& event);
    bool HandleGridKey(QKeyEvent& event);
    bool MovesRecord(const QKeyEvent& event) const;
    void KeyMove(int distance);
    void NextRow();
    void PriorRow();
    void TabMove(bool back);
    void DeleteRecord();
    void TypeChar(const QString& text);
    int NextColumn(int from, int step) const;

    // Multi-select: the anchor and the range to the current record.
    bool MultiSelect() const { return options_.Contains(dgMultiSelect); }
    void SelectRange(int from, int to);
    void ToggleCurrentRow();
    // After a move: Shift extends from the anchor, otherwise anew.
    void SelectAfterMove(bool extend);
    void SelectionMaybeStale();

    // Mouse.
    void ClickCell(int col, int row, bool indicator, Qt::KeyboardModifiers modifiers = {});
    int ResizeColumnAt(const QPoint& pos) const;
    void ResizeColumn(int col, int pixels);
    void MoveColumn(int from, int to);

    // Painting helpers (DBGridPaint.cpp).
    void PaintGrid(QPainter& p, const QRect& dirty);
    void PaintTitles(QPainter& p);
    void PaintSortMark(QPainter& p, const QRect& title) const;
    void PaintRows(QPainter& p);
    void PaintIndicator(QPainter& p, const QRect& cell, int row, bool selected);
    void PaintCell(QPainter& p, const QRect& cell, int col, int row, bool current, bool selected);

    TGridDataLink link_;
    TInplaceEdit* editor_;
    TDBGridOptions options_;
    bool readOnly_ = false;
    QFont titleFont_;
    std::vector<TColumn> columns_;
    int col_ = 0;
    int leftCol_ = 0;
    int rowHeight_ = 18;
    int indicatorWidth_ = kIndicatorWidth;
    double indicatorScale_ = 1.0;
    int titleHeight_ = 18;
    int visibleRows_ = 1;
    bool editorMode_ = false;
    bool editModified_ = false;
    bool writing_ = false;
    bool appended_ = false; // the pending new record was appended by the grid
    QString editText_;      // the field text the editor was loaded with
    bool layingOut_ = false;
    bool refused_ = false;   // a unidirectional dataset: shown as closed
    bool sequenced_ = false; // the vertical bar tells record numbers

    std::set<int> selected_;
    int anchor_ = 0;
    int lastCount_ = 0;
    bool inserting_ = false;

    std::unique_ptr<TDBGridActions> actions_;

    // Title drags: resizing a column's right edge or moving a column.
    int resizeCol_ = -1;
    int resizeStartX_ = 0;
    int resizeStartWidth_ = 0;
    int moveCol_ = -1;
    const TField* sortField_ = nullptr;
    bool sortDescending_ = false;
};
