#include "controls/DBGridAccessible.h"

#include "base/Exception.h"
#include "controls/DBGrids.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <utility>

TGridAccessibleCaptions& GridAccessibleCaptions() {
    static TGridAccessibleCaptions captions;
    return captions;
}

// The texts assistive technology reads come from the same fields the grid
// paints, through the same window of rows.
QString TDBGrid::CellText(int col, int row) const {
    if (!Shows() || row < 0 || row >= link_.RecordCount() || col < 0 ||
        col >= static_cast<int>(columns_.size()) || !columns_[col].Field)
        return QString();
    auto& link = const_cast<TGridDataLink&>(link_);
    const int saved = link.ActiveRow();
    QString text;
    link.SetActiveRow(row);
    IgnoreFailure("a value that cannot be shown reads as an empty cell",
                  [&] { text = columns_[col].Field->DisplayText(); });
    link.SetActiveRow(saved);
    return text;
}

namespace {

class TGridAccessible;

// What a row is doing, in the words of the shell's language.
QString RowStateText(TDataSetState state) {
    const TGridAccessibleCaptions& c = GridAccessibleCaptions();
    switch (state) {
    case stEdit:
        return c.Editing;
    case stInsert:
        return c.Inserting;
    case stBrowse:
        return c.Browsing;
    case stInactive:
        break;
    }
    return QString();
}

// The facts of a grid the description reads; everything is read live, so a
// cell interface kept by assistive technology never holds stale text.
struct TGridFacts {
    static bool Active(const TDBGrid& g) { return g.DataLink().Active() && g.DataLink().DataSet(); }
    static int Rows(const TDBGrid& g) { return Active(g) ? g.DataLink().RecordCount() : 0; }
    static int Columns(const TDBGrid& g) {
        const auto& cols = g.Columns();
        return cols.size() == 1 && !cols[0].Field ? 0 : static_cast<int>(cols.size());
    }
    static int CurrentRow(const TDBGrid& g) { return Rows(g) > 0 ? g.DataLink().ActiveRow() : -1; }
    static TDataSetState State(const TDBGrid& g) {
        return Active(g) ? g.DataLink().DataSet()->State() : stInactive;
    }
    static bool RowSelected(const TDBGrid& g, int row) {
        if (g.SelectedRows().empty() || row < 0 || row >= Rows(g))
            return false;
        auto& link = const_cast<TGridDataLink&>(g.DataLink());
        const int saved = link.ActiveRow();
        link.SetActiveRow(row);
        const bool selected = g.IsRowSelected(link.DataSet()->Bookmark());
        link.SetActiveRow(saved);
        return selected;
    }
    static int RowTop(const TDBGrid& g, int row) {
        return g.TitleHeight() + (g.Options().Contains(dgTitles) ? 1 : 0) + row * g.RowHeight();
    }
};

// One cell of the grid's layout: row -1 is the title row, column -1 the
// indicator column.
class TGridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    TGridCellAccessible(TDBGrid* grid, int row, int col) : grid_(grid), row_(row), col_(col) {}

    bool isValid() const override {
        return grid_ && row_ < TGridFacts::Rows(*grid_) && col_ < TGridFacts::Columns(*grid_);
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return QString();
        const bool current = IsCurrentRow();
        switch (t) {
        case QAccessible::Name:
            if (row_ < 0)
                return col_ >= 0 ? grid_->Columns()[col_].Title() : QString();
            if (col_ < 0)
                return current ? RowStateText(TGridFacts::State(*grid_)) : QString();
            return grid_->CellText(col_, row_);
        case QAccessible::Description:
            // The state of the row goes with each of its cells, so that
            // moving into a row being edited says so.
            return current && col_ >= 0 ? RowStateText(TGridFacts::State(*grid_)) : QString();
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return QRect();
        QRect r;
        if (row_ < 0)
            r = col_ >= 0 ? grid_->TitleRect(col_)
                          : QRect(0, 0, grid_->IndicatorWidth(), grid_->TitleHeight());
        else if (col_ < 0)
            r = QRect(0, TGridFacts::RowTop(*grid_, row_), grid_->IndicatorWidth(),
                      grid_->RowHeight());
        else
            r = grid_->CellRect(col_, row_);
        if (r.isNull())
            return QRect();
        return QRect(grid_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::Role role() const override {
        if (row_ < 0)
            return QAccessible::ColumnHeader;
        return col_ < 0 ? QAccessible::RowHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.disabled = !grid_->isEnabled();
        s.invisible = !grid_->isVisible() || rect().isNull();
        if (row_ < 0 || col_ < 0)
            return s;
        const TColumn& column = grid_->Columns()[col_];
        const bool current = IsCurrentRow() && col_ == grid_->SelectedIndex();
        s.focusable = true;
        s.selectable = true;
        s.focused = current && grid_->hasFocus();
        s.active = current;
        s.selected = current || TGridFacts::RowSelected(*grid_, row_);
        s.readOnly = column.ReadOnly;
        s.editable = !column.ReadOnly && column.Field;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableCellInterface && row_ >= 0 && col_ >= 0)
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return state().selected; }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override { return col_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    bool IsCurrentRow() const { return row_ >= 0 && row_ == TGridFacts::CurrentRow(*grid_); }
    TGridAccessible* Table() const;

    QPointer<TDBGrid> grid_;
    int row_;
    int col_;
};

// Sends the current cell's focus once the grid has taken the focus: Qt tells
// of the grid itself first, and a reader should land on the cell.
class TGridFocusWatcher : public QObject {
public:
    TGridFocusWatcher(TDBGrid* grid, TGridAccessible* table) : QObject(grid), table_(table) {
        grid->installEventFilter(this);
    }
    void Forget() { table_ = nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TGridAccessible* table_;
};

class TGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TGridAccessible(TDBGrid* grid)
        : QAccessibleWidget(grid, QAccessible::Table), watcher_(new TGridFocusWatcher(grid, this)) {
    }
    ~TGridAccessible() override {
        if (watcher_)
            watcher_->Forget();
        for (QAccessible::Id id : std::as_const(ids_))
            QAccessible::deleteAccessibleInterface(id);
    }

    TDBGrid& Grid() const { return *static_cast<TDBGrid*>(widget()); }

    // The layout: (rows + 1) x (columns + 1) cells, the title row and the
    // indicator column first, then the in-place editor while it is shown.
    int Width() const { return TGridFacts::Columns(Grid()) + 1; }
    int CellCount() const { return (TGridFacts::Rows(Grid()) + 1) * Width(); }
    bool EditorShown() const { return Grid().EditorMode() && Grid().InplaceEditor()->isVisible(); }

    QAccessibleInterface* Cell(int row, int col) const {
        const auto key = std::make_pair(row, col);
        if (auto it = ids_.constFind(key); it != ids_.constEnd())
            if (QAccessibleInterface* cell = QAccessible::accessibleInterface(*it))
                return cell;
        auto* cell = new TGridCellAccessible(&Grid(), row, col);
        ids_.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }

    int childCount() const override { return CellCount() + (EditorShown() ? 1 : 0); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0)
            return nullptr;
        if (index < CellCount())
            return Cell(index / Width() - 1, index % Width() - 1);
        if (index == CellCount() && EditorShown())
            return QAccessible::queryAccessibleInterface(Grid().InplaceEditor());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        if (child->object() && child->object() == Grid().InplaceEditor())
            return EditorShown() ? CellCount() : -1;
        const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
        for (auto it = ids_.constBegin(); it != ids_.constEnd(); ++it)
            if (it.value() == id) {
                const auto [row, col] = it.key();
                if (row >= TGridFacts::Rows(Grid()) || col >= TGridFacts::Columns(Grid()))
                    return -1;
                return (row + 1) * Width() + col + 1;
            }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint global(x, y);
        for (int i = childCount() - 1; i >= 0; --i)
            if (QAccessibleInterface* c = child(i); c && c->rect().contains(global))
                return c;
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (EditorShown() && Grid().InplaceEditor()->hasFocus())
            return QAccessible::queryAccessibleInterface(Grid().InplaceEditor());
        return CurrentCell();
    }

    QString text(QAccessible::Text t) const override {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty()) {
            // Named by the label that stands for it, as a sighted user reads it.
            for (const QLabel* label : Grid().window()->findChildren<QLabel*>())
                if (label->buddy() == &Grid())
                    return label->text();
        }
        return text;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
            return nullptr;
        return Cell(row, column);
    }
    int selectedCellCount() const override { return CurrentCell() ? 1 : 0; }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        if (QAccessibleInterface* cell = CurrentCell())
            cells << cell;
        return cells;
    }
    QString columnDescription(int column) const override {
        if (column < 0 || column >= columnCount())
            return QString();
        return Grid().Columns()[column].Title();
    }
    QString rowDescription(int row) const override {
        return row >= 0 && row == TGridFacts::CurrentRow(Grid())
                   ? RowStateText(TGridFacts::State(Grid()))
                   : QString();
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return TGridFacts::Columns(Grid()); }
    int rowCount() const override { return TGridFacts::Rows(Grid()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        for (int r = 0; r < rowCount(); ++r)
            if (isRowSelected(r))
                rows << r;
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return TGridFacts::RowSelected(Grid(), row); }
    // Selecting goes through the grid's own keys and clicks, which move the
    // dataset as the user would.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    QAccessibleInterface* CurrentCell() const {
        const int row = TGridFacts::CurrentRow(Grid());
        const int col = Grid().SelectedIndex();
        if (row < 0 || col < 0 || col >= columnCount())
            return nullptr;
        return Cell(row, col);
    }

    // The grid calls from inside the dataset's notifications, while its
    // window of rows may be half moved; reading the cells waits until the
    // operation is over, and several changes of one operation tell once.
    void NotifyLater() {
        if (pending_)
            return;
        pending_ = true;
        QPointer<TDBGrid> grid(&Grid());
        QTimer::singleShot(0, &Grid(), [this, grid] {
            if (!grid)
                return;
            pending_ = false;
            Notify(false);
        });
    }

    // Tells what changed since the last call: another current cell (its
    // focus, when the grid has it), the current cell's text, the row state.
    void Notify(bool focusGained) {
        TDBGrid& grid = Grid();
        const int row = TGridFacts::CurrentRow(grid);
        const int col = grid.SelectedIndex();
        const TDataSetState state = TGridFacts::State(grid);
        QAccessibleInterface* cell = CurrentCell();
        const QString text = cell ? cell->text(QAccessible::Name) : QString();

        const bool moved = row != lastRow_ || col != lastCol_;
        if (cell && grid.hasFocus() && (moved || focusGained)) {
            QAccessibleEvent focus(cell, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        } else if (cell && moved) {
            QAccessibleEvent selection(cell, QAccessible::Selection);
            QAccessible::updateAccessibility(&selection);
        } else if (cell && text != lastText_) {
            QAccessibleEvent name(cell, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&name);
        }
        if (cell && state != lastState_ && !moved) {
            QAccessibleEvent header(Cell(row, -1), QAccessible::NameChanged);
            QAccessible::updateAccessibility(&header);
            QAccessibleEvent description(cell, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&description);
        }
        lastRow_ = row;
        lastCol_ = col;
        lastText_ = text;
        lastState_ = state;
    }

private:
    QPointer<TGridFocusWatcher> watcher_;
    bool pending_ = false;
    mutable QHash<std::pair<int, int>, QAccessible::Id> ids_;
    int lastRow_ = -2;
    int lastCol_ = -2;
    QString lastText_;
    TDataSetState lastState_ = stInactive;
};

bool TGridFocusWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && table_ && QAccessible::isActive()) {
        QTimer::singleShot(0, this, [this] {
            if (table_ && table_->Grid().hasFocus())
                table_->Notify(true);
        });
    }
    return QObject::eventFilter(watched, event);
}

TGridAccessible* TGridCellAccessible::Table() const {
    return grid_
               ? static_cast<TGridAccessible*>(QAccessible::queryAccessibleInterface(grid_.data()))
               : nullptr;
}

QList<QAccessibleInterface*> TGridCellAccessible::columnHeaderCells() const {
    if (!isValid() || !grid_->Options().Contains(dgTitles))
        return {};
    return {Table()->Cell(-1, col_)};
}

QList<QAccessibleInterface*> TGridCellAccessible::rowHeaderCells() const {
    if (!isValid() || !grid_->Options().Contains(dgIndicator))
        return {};
    return {Table()->Cell(row_, -1)};
}

QAccessibleInterface* GridFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TDBGrid") && object && object->isWidgetType())
        return new TGridAccessible(static_cast<TDBGrid*>(object));
    return nullptr;
}

} // namespace

void InstallGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(GridFactory);
        return true;
    }();
    (void)installed;
}

void NotifyGridAccessibility(TDBGrid& grid) {
    // The editor is Qt's own editable text; it is named after its column
    // whether or not anybody listens yet, as a reader may start at any time.
    const int col = grid.SelectedIndex();
    const QString title =
        col >= 0 && col < TGridFacts::Columns(grid) ? grid.Columns()[col].Title() : QString();
    if (grid.InplaceEditor()->accessibleName() != title)
        grid.InplaceEditor()->setAccessibleName(title);
    if (!QAccessible::isActive())
        return;
    if (auto* table = static_cast<TGridAccessible*>(QAccessible::queryAccessibleInterface(&grid)))
        table->NotifyLater();
}
