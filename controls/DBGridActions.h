#pragma once
// What a grid adds for its user beyond showing and editing records: the
// context menu (copy the cell, copy the row, export every row to CSV), the
// find bar, and their captions. Each grid owns one, reached as
// grid->Actions(); it acts on the grid's current cell and its dataset.

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QPoint;
class TDBGrid;
class TGridFindBar;

// The captions of what every grid adds for its user: the context menu, the
// find bar and the export's dialogs. They are caption keys until the shell
// sets their translations.
struct TGridCaptions {
    QString CopyCell = QStringLiteral("_COPY_CELL_");
    QString CopyRow = QStringLiteral("_COPY_ROW_");
    QString ExportCsv = QStringLiteral("_EXPORT_CSV_");
    QString Find = QStringLiteral("_FIND_");
    QString FindNext = QStringLiteral("_FIND_NEXT_");
    QString FindPrevious = QStringLiteral("_FIND_PREVIOUS_");
    QString CloseFind = QStringLiteral("_CLOSE_FIND_");
    QString NoMatch = QStringLiteral("_NO_MATCH_");
    QString RowsWritten = QStringLiteral("_ROWS_WRITTEN_");
    QString Cancel = QStringLiteral("_CANCEL_");
};
TGridCaptions& GridCaptions();

class TDBGridActions : public QObject {
public:
    // The menu and the find bar are the grid's children, so that they show
    // over it and go with it.
    explicit TDBGridActions(TDBGrid& grid);

    // What the context menu offers: the current cell's text, the current
    // row's texts separated by tabs (as a spreadsheet pastes them), and every
    // row of the dataset as a CSV file the user names.
    QMenu* ContextMenu() const { return menu_; }
    // Enables what the grid's state allows and shows the menu at pos.
    void PopUpMenu(const QPoint& pos);
    void CopyCell();
    void CopyRow();
    void ExportToCsv();
    // Every row into path, with a progress dialog whose Cancel leaves no
    // file; returns false when cancelled.
    bool ExportToCsvFile(const QString& path);

    // The find bar (Ctrl+F) and its search in the current column.
    TGridFindBar* FindBar() const { return findBar_; }
    void ShowFindBar();
    bool FindInColumn(const QString& text, bool backwards);
    // Keeps the bar at the top right of the grid's rows.
    void PlaceFindBar();

    // Takes the captions of GridCaptions() again.
    void TranslateCaptions();

private:
    TDBGrid& grid_;
    QMenu* menu_;
    QAction* copyCellAct_;
    QAction* copyRowAct_;
    QAction* exportAct_;
    TGridFindBar* findBar_;
};
