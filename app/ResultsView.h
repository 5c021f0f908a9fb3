#pragma once
// What the results view adds to the grid of every result: the filter bar
// (Ctrl+Shift+F, or the grid's context menu), ordering by a click on a
// column's title, the test and discipline columns, the number of results
// under the grid, and the summary window. The view's dataset keeps its own
// select while none of this is in use; otherwise it is given the select
// ResultsSelect builds, and the parameters before every open, so that the
// grid still reads only the rows it shows.

#include "model/ResultsQuery.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QLabel;
class QShortcut;
class TComponent;
class TDBGrid;
class TField;
class TFIBStringField;
class TFIBTransaction;
class TPanel;
class TResultsFilterBar;
class TResultsSummary;
class TpFIBDataSet;
class TsDBNavigator;
struct TFilterLists;

class TResultsView : public QObject {
    Q_OBJECT
public:
    // owner: the window's database components, which the added fields join.
    TResultsView(TComponent& owner, TPanel& panel, TDBGrid& grid, TsDBNavigator& navigator,
                 TpFIBDataSet& dataset, QWidget& window);
    ~TResultsView() override;

    // A view switch is about to open the view's dataset: the choice of
    // columns is read from options.ini the first time.
    void Opening();
    // The view is shown: with the bar shown, its lists and the count are
    // read anew.
    void Shown();
    void TranslateCaptions();

    bool FilterBarShown() const;
    void SetFilterBarShown(bool shown);
    const TResultsFilter& Filter() const { return filter_; }
    const TResultsSort& Sort() const { return sort_; }
    TResultsColumns Columns() const { return columns_; }
    // Shows or hides the added columns and remembers the choice.
    void SetColumns(TResultsColumns columns);
    // Takes the bar's filter: reopens the grid under it and counts. False,
    // and nothing sent, when a field of the bar is wrong.
    bool ApplyFilter();
    // A click on a field's title: ascending, descending, the server's order.
    void SortBy(const TField* field);
    // Counts the results under the filter on the server; nothing when the
    // user stopped it.
    std::optional<qint64> Count();
    // Reads every row, the user may stop it (the rows read stay); false then.
    bool FetchAll();
    void ShowSummary();

    // The options.ini section of the choice of columns.
    static QString SettingsSection() { return QStringLiteral("Results_View"); }

    TResultsFilterBar* filter_bar;
    QLabel* count_lbl;
    QAction* filter_bar_act;
    QAction* test_column_act;
    QAction* discipline_column_act;
    QAction* summary_act;
    QShortcut* filter_bar_key;
    TFIBStringField* resultat_dataset_TEST;
    TFIBStringField* resultat_dataset_DISCIPLINE;
    TResultsSummary* Summary() const { return summary_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Arrange();
    void LoadLists();
    // Closes the grid's dataset, gives it the select of the current choice
    // and opens it again when it was open.
    void Reselect();
    void SetParams();
    void ShowCount(std::optional<qint64> count);

    TPanel& panel_;
    TDBGrid& grid_;
    TsDBNavigator& navigator_;
    TpFIBDataSet& dataset_;
    QWidget& window_;
    TResultsFilter filter_;
    TResultsSort sort_;
    TResultsColumns columns_;
    TResultsStatement statement_;
    QStringList applied_; // the select last given to the dataset
    bool columnsRead_ = false;
    std::optional<qint64> count_;
    bool countStopped_ = false;
    TResultsSummary* summary_ = nullptr; // a child of the window
};
