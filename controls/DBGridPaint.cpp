// Painting of the grid: the title row, the indicator column and the records
// of the link's window, nothing else.

#include "controls/Contrast.h"
#include "controls/DBGrids.h"

#include <QApplication>
#include <QHash>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QStaticText>
#include <QStyleOptionFocusRect>
#include <cmath>
#include <optional>

namespace {

// Makes each shown row in turn the dataset's active row, so that the fields
// read that record, and puts the current record back at the end.
class TActiveRowScope {
public:
    explicit TActiveRowScope(TDataLink& link) : link_(link), saved_(link.ActiveRow()) {}
    ~TActiveRowScope() { link_.SetActiveRow(saved_); }
    TActiveRowScope(const TActiveRowScope&) = delete;
    TActiveRowScope& operator=(const TActiveRowScope&) = delete;

private:
    TDataLink& link_;
    int saved_;
};

Qt::Alignment TextAlignment(TAlignment a) {
    switch (a) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// Laying a text out is most of what painting a cell costs, and a grid's
// columns repeat their values (faculties, courses, groups, names), so the
// laid-out texts are kept, for the one font the cells are painted in: a page
// of new records mostly reuses them. The store is emptied when it is full or
// the font changes.
class TLaidOutTexts {
public:
    const QStaticText& Get(const QFont& font, const QString& text) {
        if (!(font == font_)) {
            texts_.clear();
            font_ = font;
        }
        auto it = texts_.constFind(text);
        if (it == texts_.constEnd()) {
            if (texts_.size() >= kLimit)
                texts_.clear();
            QStaticText laidOut(text);
            laidOut.setTextFormat(Qt::PlainText);
            laidOut.prepare(QTransform(), font);
            it = texts_.insert(text, laidOut);
        }
        return *it;
    }

private:
    static constexpr qsizetype kLimit = 2048;
    QFont font_;
    QHash<QString, QStaticText> texts_;
};

TLaidOutTexts& LaidOutTexts() {
    static TLaidOutTexts texts;
    return texts;
}

// One line of text in a box, aligned and clipped as drawText would with
// TextSingleLine, through the store of laid-out texts.
void DrawCellText(QPainter& p, const QRect& box, Qt::Alignment alignment, const QString& text) {
    if (text.isEmpty())
        return;
    if (text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t')) {
        p.drawText(box, alignment | Qt::TextSingleLine, text);
        return;
    }
    const QStaticText& laidOut = LaidOutTexts().Get(p.font(), text);
    const QSizeF size = laidOut.size();
    qreal x = box.left();
    if (alignment & Qt::AlignRight)
        x = box.left() + box.width() - size.width();
    else if (alignment & Qt::AlignHCenter)
        x = box.left() + (box.width() - size.width()) / 2;
    const QPointF at(qRound(x), qRound(box.top() + (box.height() - size.height()) / 2));
    const bool clip = at.x() < box.left() || at.x() + size.width() > box.left() + box.width() ||
                      size.height() > box.height();
    if (clip) {
        p.save();
        p.setClipRect(box, Qt::IntersectClip);
    }
    p.drawStaticText(at, laidOut);
    if (clip)
        p.restore();
}

enum class TIndicator { Arrow, Edit, Insert, MultiDot, MultiArrow };

// The indicator images, drawn in a 6 x 11 box centred in the cell, larger
// by scale under a larger font.
void PaintIndicatorGlyph(QPainter& p, const QRect& cell, TIndicator kind, const QColor& ink,
                         double scale) {
    const double left = cell.left() + std::floor((cell.width() - 6 * scale) / 2);
    const double top = cell.top() + std::floor((cell.height() - 11 * scale) / 2);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(left, top);
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (kind) {
    case TIndicator::Arrow:
        p.drawPolygon(QPolygonF{{{1, 1.5}, {1, 9.5}, {5, 5.5}}});
        break;
    case TIndicator::Edit:
        // A text cursor: a stem with short bars at both ends.
        p.drawRect(QRectF(2.5, 1, 1, 9));
        p.drawRect(QRectF(1, 1, 4, 1));
        p.drawRect(QRectF(1, 9, 4, 1));
        break;
    case TIndicator::MultiDot:
        p.drawEllipse(QRectF(1, 4, 4, 4));
        break;
    case TIndicator::MultiArrow: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1));
        p.drawPolygon(QPolygonF{{{1.5, 2}, {1.5, 9}, {5, 5.5}}});
        break;
    }
    case TIndicator::Insert: {
        p.setBrush(Qt::NoBrush);
        QPen pen(ink, 1.2);
        p.setPen(pen);
        const QPointF c(3, 5.5);
        p.drawLine(c + QPointF(0, -3), c + QPointF(0, 3));
        p.drawLine(c + QPointF(-2.6, -1.5), c + QPointF(2.6, 1.5));
        p.drawLine(c + QPointF(-2.6, 1.5), c + QPointF(2.6, -1.5));
        break;
    }
    }
    p.restore();
}

} // namespace

void TDBGrid::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    PaintGrid(p, event->rect());
}

void TDBGrid::PaintGrid(QPainter& p, const QRect& dirty) {
    p.fillRect(dirty, palette().color(QPalette::Base));
    PaintTitles(p);
    PaintRows(p);
}

void TDBGrid::PaintTitles(QPainter& p) {
    if (!options_.Contains(dgTitles))
        return;
    const QPalette& pal = palette();
    const int h = TitleHeight();
    const QColor fixed = pal.color(QPalette::Button);
    const QColor line = pal.color(QPalette::Dark);
    p.fillRect(QRect(0, 0, viewport()->width(), h), fixed);
    p.setPen(line);
    p.drawLine(0, h, viewport()->width(), h);
    if (options_.Contains(dgIndicator))
        p.drawLine(indicatorWidth_, 0, indicatorWidth_, h);
    p.setFont(titleFont_);
    for (int c = leftCol_; c < static_cast<int>(columns_.size()); ++c) {
        const QRect r = TitleRect(c);
        if (r.left() > viewport()->width())
            break;
        p.setPen(
            pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        const bool marked = sortField_ && columns_[c].Field == sortField_;
        p.drawText(r.adjusted(2, 0, marked ? -2 - r.height() / 2 - 2 : -2, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, columns_[c].Title());
        if (marked)
            PaintSortMark(p, r);
        if (options_.Contains(dgColLines)) {
            p.setPen(line);
            p.drawLine(r.right() + 1, 0, r.right() + 1, h);
        }
    }
}

void TDBGrid::SetSortMark(const TField* field, bool descending) {
    sortField_ = field;
    sortDescending_ = descending;
    viewport()->update();
}

// A small filled triangle at the title's right end: point up for ascending.
void TDBGrid::PaintSortMark(QPainter& p, const QRect& title) const {
    const int side = std::max(4, title.height() / 3);
    const int right = title.right() - 3;
    const int mid = title.center().y();
    const QPoint tip(right - side / 2, sortDescending_ ? mid + side / 2 : mid - side / 2);
    const int base = sortDescending_ ? mid - side / 2 : mid + side / 2;
    const QPoint arrow[3] = {QPoint(right - side, base), QPoint(right, base), tip};
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawPolygon(arrow, 3);
    p.restore();
}

void TDBGrid::PaintRows(QPainter& p) {
    const QPalette& pal = palette();
    const int rows = ShownRowCount();
    const int current = Shows() ? link_.ActiveRow() : -1;
    const QColor line = pal.color(QPalette::Mid);
    const int top = TitleHeight() + (options_.Contains(dgTitles) ? 1 : 0);
    const int shown = std::min(rows, visibleRows_ + 1);
    const bool reading = Shows() && link_.RecordCount() > 0;

    // Fields read the row being painted; the scope puts the current one back.
    std::optional<TActiveRowScope> scope;
    if (reading)
        scope.emplace(link_);

    p.setFont(font());
    const bool marks = MultiSelect() && reading && !selected_.empty();
    for (int row = 0; row < shown; ++row) {
        const int y = top + row * rowHeight_;
        const bool record = reading && row < link_.RecordCount();
        if (record)
            link_.SetActiveRow(row);
        const bool selected = marks && record && IsRowSelected(link_.DataSet()->Bookmark());
        if (options_.Contains(dgIndicator))
            PaintIndicator(p, QRect(0, y, indicatorWidth_, rowHeight_), row == current ? row : -1,
                           selected);
        for (int c = leftCol_; c < static_cast<int>(columns_.size()); ++c) {
            const QRect cell = CellRect(c, row);
            if (cell.left() > viewport()->width())
                break;
            PaintCell(p, cell, c, record ? row : -1, row == current, selected);
            if (options_.Contains(dgColLines)) {
                p.setPen(line);
                p.drawLine(cell.right() + 1, y, cell.right() + 1, y + rowHeight_ - 1);
            }
        }
        if (options_.Contains(dgRowLines)) {
            p.setPen(line);
            p.drawLine(0, y + rowHeight_ - 1, viewport()->width(), y + rowHeight_ - 1);
        }
    }
}

void TDBGrid::PaintIndicator(QPainter& p, const QRect& cell, int row, bool selected) {
    const QPalette& pal = palette();
    p.fillRect(cell, pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(cell.right() + 1, cell.top(), cell.right() + 1, cell.bottom());
    if (!Shows() || (row < 0 && !selected))
        return;
    // A selected record that is not the current one shows a dot; the
    // current one an outlined arrow when selected, its edit state otherwise.
    TIndicator kind = selected ? TIndicator::MultiArrow : TIndicator::Arrow;
    if (row < 0)
        kind = TIndicator::MultiDot;
    else if (link_.DataSet()->State() == stEdit)
        kind = TIndicator::Edit;
    else if (link_.DataSet()->State() == stInsert)
        kind = TIndicator::Insert;
    PaintIndicatorGlyph(p, cell, kind, pal.color(QPalette::ButtonText), indicatorScale_);
}

void TDBGrid::PaintCell(QPainter& p, const QRect& cell, int col, int row, bool current,
                        bool selected) {
    const QPalette& pal = palette();
    const bool focused = IsFocusedGrid();
    const bool selectedCell = current && (col == col_ || options_.Contains(dgRowSelect));
    const bool highlight =
        (selected && !(current && editorMode_ && col == col_)) ||
        (selectedCell && !editorMode_ && (focused || options_.Contains(dgAlwaysShowSelection)));
    QColor back = pal.color(QPalette::Base);
    QColor ink = pal.color(QPalette::Text);
    if (highlight) {
        back = pal.color(QPalette::Highlight);
        // A desktop's highlight and its text are not always a pair that can
        // be read (GTK's dark theme hands Qt a light grey on a middle blue):
        // the text then moves toward black or white, whichever stands out.
        const QColor extreme = ContrastRatio(Qt::black, back) >= ContrastRatio(Qt::white, back)
                                   ? QColor(Qt::black)
                                   : QColor(Qt::white);
        ink = ReadableOn(pal.color(QPalette::HighlightedText), back, extreme);
    }
    if (!isEnabled())
        ink = pal.color(QPalette::Disabled, QPalette::Text);
    p.fillRect(cell, back);

    const TColumn& column = columns_[col];
    if (row >= 0 && column.Field) {
        QString text;
        IgnoreFailure("a value that cannot be shown leaves its cell empty; painting never raises",
                      [&] { text = column.Field->DisplayText(); });
        p.setPen(ink);
        DrawCellText(p, cell.adjusted(2, 0, -2, 0), TextAlignment(column.Alignment()), text);
    }
    if (selectedCell && focused && !editorMode_ && col == col_) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = cell;
        option.backgroundColor = back;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}
