#include "app/ResultsView.h"

#include "app/AnchoredPanel.h"
#include "app/CancellableCall.h"
#include "app/ResultsFilter.h"
#include "app/ResultsSummary.h"
#include "base/Exception.h"
#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"
#include "dataset/pFIBDataSet.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "model/ModelParts.h"
#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"
#include "settings/Settings.h"
#include "ui/UserDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QShortcut>

#include <cmath>

namespace {

QString T(const char* key) {
    return translate(QString::fromLatin1(key));
}

// The designed places in the results panel (615 x 511): the grid at 8, 8 of
// 599 x 465, the navigator below it at 479.
constexpr int kBarTop = 8;
constexpr int kStatusHeight = 16;
constexpr QRect kDesignedGrid(8, 8, 599, 465);

// textKey: the key is the text of the first column (groups), not a number.
QList<TFilterChoice> ReadList(TFIBDatabase& db, TFIBTransaction& tr, const QString& text,
                              bool textKey = false) {
    TFIBQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SetGoToFirstRecordOnExecute(false);
    q.SetSQLText(text);
    q.ExecQuery();
    QList<TFilterChoice> list;
    for (TFIBXSQLDA* row = q.Next(); row; row = q.Next()) {
        if ((*row)[0].IsNull())
            continue;
        TFilterChoice c;
        c.Key = textKey ? QVariant((*row)[0].AsWideString()) : QVariant((*row)[0].AsInteger());
        c.Caption = (*row)[1].AsVariant().ToString().trimmed();
        if (row->Count() > 2 && !(*row)[2].IsNull())
            c.Discipline = (*row)[2].AsInteger();
        list << c;
    }
    q.Close();
    return list;
}

} // namespace

TResultsView::TResultsView(TComponent& owner, TPanel& panel, TDBGrid& grid,
                           TsDBNavigator& navigator, TpFIBDataSet& dataset, QWidget& window)
    : QObject(&panel), panel_(panel), grid_(grid), navigator_(navigator), dataset_(dataset),
      window_(window) {
    setObjectName(QStringLiteral("results_view"));
    applied_ = dataset.SelectSQL();
    filter_bar = new TResultsFilterBar(&panel);
    filter_bar->hide();
    filter_bar->OnApply = [this] { HandleEvent([this] { ApplyFilter(); }); };
    count_lbl = new QLabel(&panel);
    count_lbl->setObjectName(QStringLiteral("results_count_lbl"));
    count_lbl->hide();

    // Not attached until chosen: the view's own select has no such columns.
    resultat_dataset_TEST = MakeStringField(owner, "resultat_dataset_TEST", nullptr, kTestNameField,
                                            "_TEST_NAME_", 30, 255);
    resultat_dataset_DISCIPLINE =
        MakeStringField(owner, "resultat_dataset_DISCIPLINE", nullptr, kDisciplineNameField,
                        "_DISCIPLINE_NAME_", 30, 255);

    QMenu* menu = grid.Actions().ContextMenu();
    menu->addSeparator();
    filter_bar_act = menu->addAction(QStringLiteral("_FILTER_BAR_"));
    filter_bar_act->setObjectName(QStringLiteral("filter_bar_act"));
    filter_bar_act->setCheckable(true);
    filter_bar_act->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    filter_bar_act->setShortcutVisibleInContextMenu(true);
    // Shown in the menu; the panel's own shortcut below is the one that acts.
    filter_bar_act->setShortcutContext(Qt::WidgetShortcut);
    test_column_act = menu->addAction(QStringLiteral("_TEST_COLUMN_"));
    test_column_act->setObjectName(QStringLiteral("test_column_act"));
    test_column_act->setCheckable(true);
    discipline_column_act = menu->addAction(QStringLiteral("_DISCIPLINE_COLUMN_"));
    discipline_column_act->setObjectName(QStringLiteral("discipline_column_act"));
    discipline_column_act->setCheckable(true);
    summary_act = menu->addAction(QStringLiteral("_SUMMARY_"));
    summary_act->setObjectName(QStringLiteral("summary_act"));
    connect(filter_bar_act, &QAction::triggered, this,
            [this](bool on) { HandleEvent([this, on] { SetFilterBarShown(on); }); });
    const auto columnsChosen = [this] {
        HandleEvent([this] {
            SetColumns({test_column_act->isChecked(), discipline_column_act->isChecked()});
        });
    };
    connect(test_column_act, &QAction::triggered, this, columnsChosen);
    connect(discipline_column_act, &QAction::triggered, this, columnsChosen);
    connect(summary_act, &QAction::triggered, this,
            [this] { HandleEvent([this] { ShowSummary(); }); });

    filter_bar_key = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), &panel);
    filter_bar_key->setObjectName(QStringLiteral("filter_bar_key"));
    filter_bar_key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(filter_bar_key, &QShortcut::activated, this,
            [this] { HandleEvent([this] { SetFilterBarShown(!FilterBarShown()); }); });

    grid.OnTitleClick = [this](TDBGrid&, TField* field) { SortBy(field); };
    // Moving to the last row reads every row first, where the user can stop.
    navigator.BeforeAction = [this](TsDBNavigator*, TNavigateBtn button) {
        if (button == TNavigateBtn::nbLast && !FetchAll())
            throw EAbort();
    };
    grid.installEventFilter(this);
    dataset.BeforeOpen = [this](TDataSet&) { SetParams(); };
}

TResultsView::~TResultsView() {
    dataset_.BeforeOpen = nullptr;
    navigator_.BeforeAction = nullptr;
    grid_.OnTitleClick = nullptr;
}

bool TResultsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &grid_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool toLast = (key->modifiers() & Qt::ControlModifier) &&
                            (key->key() == Qt::Key_End || key->key() == Qt::Key_PageDown);
        if (toLast && grid_.DataLink().Active()) {
            bool read = false;
            HandleEvent([&] { read = FetchAll(); });
            return !read;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TResultsView::TranslateCaptions() {
    // Looked up once the view is first opened, so that the program's start
    // asks the language file for its own captions only, in their order.
    if (!columnsRead_)
        return;
    filter_bar_act->setText(T("_FILTER_BAR_"));
    test_column_act->setText(T("_TEST_COLUMN_"));
    discipline_column_act->setText(T("_DISCIPLINE_COLUMN_"));
    summary_act->setText(T("_SUMMARY_"));
    resultat_dataset_TEST->SetDisplayLabel(T("_TEST_NAME_"));
    resultat_dataset_DISCIPLINE->SetDisplayLabel(T("_DISCIPLINE_NAME_"));
    filter_bar->TranslateCaptions();
    ShowCount(count_);
    if (summary_)
        summary_->TranslateCaptions();
}

bool TResultsView::FilterBarShown() const {
    return !filter_bar->isHidden();
}

void TResultsView::Arrange() {
    if (!FilterBarShown()) {
        panel_.Place(&grid_, kDesignedGrid, akLeft | akTop | akRight | akBottom);
        count_lbl->hide();
        return;
    }
    // The bar's height is its font's, in real pixels; the panel takes
    // designed ones and scales them by as much as that font grew.
    const int barHeight =
        static_cast<int>(std::ceil(filter_bar->sizeHint().height() / panel_.Scale().Factor()));
    panel_.Place(filter_bar, QRect(8, kBarTop, kDesignedGrid.width(), barHeight),
                 akLeft | akTop | akRight);
    const int top = kBarTop + barHeight + 4;
    const int bottom = kDesignedGrid.bottom() - kStatusHeight;
    panel_.Place(&grid_, QRect(8, top, kDesignedGrid.width(), bottom - top + 1),
                 akLeft | akTop | akRight | akBottom);
    panel_.Place(count_lbl, QRect(8, bottom + 2, kDesignedGrid.width(), kStatusHeight - 2),
                 akLeft | akRight | akBottom);
    count_lbl->show();
}

void TResultsView::SetFilterBarShown(bool shown) {
    filter_bar_act->setChecked(shown);
    if (shown == FilterBarShown())
        return;
    filter_bar->setVisible(shown);
    Arrange();
    if (!shown) {
        grid_.setFocus();
        return;
    }
    filter_bar->faculty_cb->setFocus();
    if (dataset_.Active()) {
        LoadLists();
        ShowCount(Count());
    }
}

void TResultsView::LoadLists() {
    TFIBDatabase& db = *dataset_.Database();
    TFIBTransaction& tr = *dataset_.Transaction();
    const TResultsListTexts& t = ResultsListTexts();
    TFilterLists lists;
    lists.Faculties = ReadList(db, tr, t.Faculties);
    lists.Courses = ReadList(db, tr, t.Courses);
    lists.Groups = ReadList(db, tr, t.Groups, true);
    lists.Disciplines = ReadList(db, tr, t.Disciplines);
    lists.Tests = ReadList(db, tr, t.Tests);
    filter_bar->SetLists(lists);
}

void TResultsView::Opening() {
    if (!columnsRead_) {
        columnsRead_ = true;
        const TIniFile ini(options_file_name());
        TResultsColumns chosen;
        chosen.Test = ini.ReadBool(SettingsSection(), QStringLiteral("Test_Column"), false);
        chosen.Discipline =
            ini.ReadBool(SettingsSection(), QStringLiteral("Discipline_Column"), false);
        columns_ = chosen;
        test_column_act->setChecked(chosen.Test);
        discipline_column_act->setChecked(chosen.Discipline);
        if (!current_language.isEmpty())
            TranslateCaptions();
    }
    Reselect();
}

void TResultsView::Shown() {
    if (!FilterBarShown() || !dataset_.Active())
        return;
    LoadLists();
    ShowCount(Count());
}

void TResultsView::SetColumns(TResultsColumns columns) {
    test_column_act->setChecked(columns.Test);
    discipline_column_act->setChecked(columns.Discipline);
    if (columns.Test == columns_.Test && columns.Discipline == columns_.Discipline)
        return;
    columns_ = columns;
    columnsRead_ = true;
    TIniFile ini(options_file_name());
    ini.WriteBool(SettingsSection(), QStringLiteral("Test_Column"), columns.Test);
    ini.WriteBool(SettingsSection(), QStringLiteral("Discipline_Column"), columns.Discipline);
    if (!columns.Test && sort_.Field == QLatin1String(kTestNameField))
        sort_ = {};
    if (!columns.Discipline && sort_.Field == QLatin1String(kDisciplineNameField))
        sort_ = {};
    Reselect();
}

void TResultsView::Reselect() {
    const bool open = dataset_.Active();
    statement_ = ResultsSelect(filter_, columns_, sort_);
    if (open)
        dataset_.Close();
    // Only a change of the user's choice replaces the statement: one the
    // dataset was given otherwise stays while the choice is as it was.
    if (applied_ != statement_.Lines) {
        dataset_.SetSelectSQL(statement_.Lines);
        applied_ = statement_.Lines;
    }
    // The added fields follow the view's own, in the order of their columns.
    const auto attach = [this](TField* field, bool shown) {
        field->SetDataSet(shown ? &dataset_ : nullptr);
    };
    attach(resultat_dataset_TEST, columns_.Test);
    attach(resultat_dataset_DISCIPLINE, columns_.Discipline);
    const TField* marked = sort_.IsEmpty() ? nullptr : dataset_.FindField(sort_.Field);
    grid_.SetSortMark(marked, sort_.Descending);
    if (open)
        dataset_.Open();
}

// Before every open (a view switch, the navigator's refresh): the select is
// prepared and takes the filter's values.
void TResultsView::SetParams() {
    if (statement_.Params.empty())
        return;
    dataset_.Prepare();
    for (const auto& [name, value] : statement_.Params)
        dataset_.ParamByName(name).SetAsVariant(value);
}

bool TResultsView::ApplyFilter() {
    const std::optional<TResultsFilter> filter = filter_bar->Filter();
    if (!filter)
        return false;
    filter_ = *filter;
    Reselect();
    if (FilterBarShown())
        ShowCount(Count());
    return true;
}

void TResultsView::SortBy(const TField* field) {
    if (!field || !ResultsSortable(field->FieldName()))
        return;
    if (sort_.Field != field->FieldName())
        sort_ = {field->FieldName(), false};
    else if (!sort_.Descending)
        sort_.Descending = true;
    else
        sort_ = {};
    Reselect();
}

std::optional<qint64> TResultsView::Count() {
    TFIBQuery q;
    q.SetDatabase(dataset_.Database());
    q.SetTransaction(dataset_.Transaction());
    q.SetGoToFirstRecordOnExecute(false);
    ApplyResultsStatement(q, ResultsCount(filter_));
    q.Prepare();
    qint64 count = 0;
    const bool done = RunCancellable(&window_, *dataset_.Database(), T("_RESULTS_COUNTING_"), [&] {
        q.ExecQuery();
        if (TFIBXSQLDA* row = q.Next())
            count = (*row)[0].AsVariant().ToInt64();
        q.Close();
    });
    if (!done) {
        try {
            q.Close();
        } catch (const std::exception&) {
            // The statement ended with its cancelled request.
        }
        return std::nullopt;
    }
    return count;
}

void TResultsView::ShowCount(std::optional<qint64> count) {
    count_ = count;
    count_lbl->setText(count ? T("_RESULTS_COUNT_").arg(*count) : T("_RESULTS_COUNT_STOPPED_"));
}

bool TResultsView::FetchAll() {
    if (!dataset_.Active() || dataset_.AllFetched())
        return true;
    return RunCancellable(&window_, *dataset_.Database(), T("_RESULTS_READING_"),
                          [this] { dataset_.FetchAll(); });
}

void TResultsView::ShowSummary() {
    if (!dataset_.Active())
        return;
    if (!summary_)
        summary_ = new TResultsSummary(window_, *dataset_.Database(), *dataset_.Transaction());
    summary_->Show(filter_);
}
