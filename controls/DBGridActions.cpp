#include "controls/DBGridActions.h"

#include "base/FieldText.h"
#include "controls/DBGrids.h"
#include "controls/GridExport.h"
#include "controls/GridFindBar.h"
#include "ui/UserDialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QProgressDialog>
#include <optional>

namespace {

// A spreadsheet splits pasted text at tabs and line breaks.
QString CellForPaste(QString text) {
    for (QChar& ch : text)
        if (ch == u'\t' || ch == u'\r' || ch == u'\n')
            ch = u' ';
    return text;
}

bool IsTextType(TFieldType t) {
    return t == ftString || t == ftMemo || t == ftGuid;
}

// The find text as a key of the field's type; nothing when the text cannot be
// a value of that type (it then matches no record).
std::optional<Variant> FindKey(const TField& field, const QString& text) {
    const TFieldType t = field.DataType();
    if (IsTextType(t))
        return Variant(text);
    switch (t) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint: {
        int64_t v = 0;
        if (TryParseInteger(text, &v))
            return Variant(v);
        return std::nullopt;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        double v = 0;
        if (TryParseFloat(text, &v))
            return Variant(v);
        return std::nullopt;
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        const TDateTimeKind kind = t == ftDate   ? TDateTimeKind::Date
                                   : t == ftTime ? TDateTimeKind::Time
                                                 : TDateTimeKind::DateTime;
        double v = 0;
        if (TryParseDateTime(text, kind, &v))
            return Variant::DateTime(v);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

TGridCaptions& GridCaptions() {
    static TGridCaptions captions;
    return captions;
}

TDBGridActions::TDBGridActions(TDBGrid& grid) : grid_(grid) {
    menu_ = new QMenu(&grid_);
    menu_->setObjectName(QStringLiteral("grid_pmnu"));
    copyCellAct_ = menu_->addAction(QString());
    copyCellAct_->setObjectName(QStringLiteral("copy_cell_act"));
    copyRowAct_ = menu_->addAction(QString());
    copyRowAct_->setObjectName(QStringLiteral("copy_row_act"));
    menu_->addSeparator();
    exportAct_ = menu_->addAction(QString());
    exportAct_->setObjectName(QStringLiteral("export_csv_act"));
    connect(copyCellAct_, &QAction::triggered, this,
            [this] { HandleEvent([this] { CopyCell(); }); });
    connect(copyRowAct_, &QAction::triggered, this, [this] { HandleEvent([this] { CopyRow(); }); });
    connect(exportAct_, &QAction::triggered, this,
            [this] { HandleEvent([this] { ExportToCsv(); }); });
    findBar_ = new TGridFindBar(&grid_);
    TranslateCaptions();
}

void TDBGridActions::TranslateCaptions() {
    const TGridCaptions& c = GridCaptions();
    copyCellAct_->setText(c.CopyCell);
    copyRowAct_->setText(c.CopyRow);
    exportAct_->setText(c.ExportCsv);
    findBar_->TranslateCaptions();
}

void TDBGrid::contextMenuEvent(QContextMenuEvent* event) {
    // A right click first makes the clicked cell current, as a left click
    // would, so that the menu acts on what the user pointed at.
    if (event->reason() == QContextMenuEvent::Mouse) {
        // The viewport's event, in its coordinates.
        const QPoint pos = event->pos();
        const int row = RowAt(pos.y());
        const int col = ColumnAt(pos.x());
        if (Shows() && row >= 0 && row < link_.RecordCount() && col >= 0 &&
            !(row == link_.ActiveRow() && col == col_))
            HandleEvent([&] { ClickCell(col, row, false); });
    }
    actions_->PopUpMenu(event->globalPos());
    event->accept();
}

void TDBGridActions::PopUpMenu(const QPoint& pos) {
    const bool records = grid_.Shows() && !grid_.link_.DataSet()->IsEmpty();
    copyCellAct_->setEnabled(records && grid_.SelectedField());
    copyRowAct_->setEnabled(records);
    exportAct_->setEnabled(grid_.Shows());
    TranslateCaptions();
    menu_->popup(pos);
}

void TDBGridActions::CopyCell() {
    TField* f = grid_.SelectedField();
    if (!grid_.Shows() || !f || grid_.link_.DataSet()->IsEmpty())
        return;
    grid_.UpdateData();
    QApplication::clipboard()->setText(f->DisplayText());
}

void TDBGridActions::CopyRow() {
    if (!grid_.Shows() || grid_.link_.DataSet()->IsEmpty())
        return;
    grid_.UpdateData();
    QStringList cells;
    for (const TColumn& c : grid_.Columns())
        if (c.Field)
            cells << CellForPaste(c.Field->DisplayText());
    QApplication::clipboard()->setText(cells.join(u'\t'));
}

void TDBGridActions::ExportToCsv() {
    if (!grid_.Shows())
        return;
    QFileDialog dialog(&grid_, GridCaptions().ExportCsv);
    dialog.setObjectName(QStringLiteral("export_csv_dlg"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("CSV (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    ShowModal(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ExportToCsvFile(dialog.selectedFiles().constFirst());
}

bool TDBGridActions::ExportToCsvFile(const QString& path) {
    if (!grid_.Shows())
        return false;
    std::vector<TCsvColumn> columns;
    for (const TColumn& c : grid_.Columns())
        if (c.Field)
            columns.push_back({c.Field, c.Title()});

    const TGridCaptions& captions = GridCaptions();
    QProgressDialog progress(&grid_);
    progress.setObjectName(QStringLiteral("export_progress_dlg"));
    progress.setWindowTitle(captions.ExportCsv);
    progress.setCancelButtonText(captions.Cancel);
    progress.setLabelText(captions.RowsWritten + QStringLiteral(" 0"));
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setWindowModality(Qt::WindowModal);
    progress.show();
    QCoreApplication::processEvents();

    TCsvExport exporter(*grid_.link_.DataSet(), std::move(columns));
    const bool done = exporter.Run(path, [&](qint64 rows) {
        progress.setLabelText(captions.RowsWritten + u' ' + QString::number(rows));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.hide();
    return done;
}

void TDBGridActions::ShowFindBar() {
    if (!grid_.Shows())
        return;
    grid_.UpdateData();
    grid_.HideEditor();
    findBar_->Open();
}

void TDBGridActions::PlaceFindBar() {
    if (!findBar_->isVisible())
        return;
    const QRect area = grid_.viewport()->geometry();
    const int width = std::min(area.width(), std::max(260, area.width() / 2));
    const int height = findBar_->sizeHint().height();
    findBar_->setGeometry(area.right() + 1 - width, area.top(), width, height);
}

bool TDBGridActions::FindInColumn(const QString& text, bool backwards) {
    TField* f = grid_.SelectedField();
    if (!grid_.Shows() || !f || text.isEmpty() || grid_.link_.DataSet()->IsEmpty())
        return false;
    const std::optional<Variant> key = FindKey(*f, text);
    if (!key)
        return false;
    const TLocateOptions options =
        loCaseInsensitive | loPartialKey | (backwards ? loPrior : loNext);
    return grid_.link_.DataSet()->Locate(f->FieldName(), *key, options);
}
