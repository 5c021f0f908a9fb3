#include "app/main_unit.h"

#include "app/Accessibility.h"
#include "app/AnchoredPanel.h"
#include "app/AssignmentEditor.h"
#include "app/CheckListBox.h"
#include "app/ImportStudents.h"
#include "app/ResultsView.h"
#include "app/about_unit.h"
#include "app/settings_link.h"
#include "base/Exception.h"
#include "controls/DBGridAccessible.h"
#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"
#include "dataset/PostJournal.h"
#include "model/TestingModel.h"
#include "settings/Language.h"
#include "settings/options_unit.h"
#include "ui/DesignScale.h"
#include "ui/UserDialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <tuple>

Tmain_frm* main_frm = nullptr;

namespace {

constexpr QSize kClientSize(615, 511);
constexpr int kNavigatorHeight = 25;
constexpr int kAllSides = akLeft | akTop | akRight | akBottom;

QAction* MakeAction(QObject* owner, const char* name, const char* key) {
    auto* action = new QAction(QString::fromLatin1(key), owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// A menu item bound to an action: it shows the action's caption and runs it.
QAction* BindItem(QMenu* menu, const char* name, QAction* action) {
    QAction* item = menu->addAction(action->text());
    item->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::changed, item,
                     [item, action] { item->setText(action->text()); });
    QObject::connect(item, &QAction::triggered, action, [action] { action->trigger(); });
    return item;
}

QLabel* MakeLabel(TPanel* panel, const char* name, QPoint at, const char* key, int anchors) {
    auto* label = new QLabel(QString::fromLatin1(key), panel);
    label->setObjectName(QString::fromLatin1(name));
    panel->Place(label, QRect(at, QSize()), anchors);
    return label;
}

template <typename Control>
Control* MakeControl(TPanel* panel, const char* name, QRect designed, int anchors) {
    auto* control = new Control(panel);
    control->setObjectName(QString::fromLatin1(name));
    panel->Place(control, designed, anchors);
    return control;
}

// The grids' titles are designed in Tahoma of 11 pixels; where Tahoma is
// missing, the font system puts its nearest sans face in its place. Under a
// desktop font larger than the design's, the titles are as large as the
// cells' text: a reader who needs the larger text needs it in the titles too.
QFont GridTitleFont(const QFont& text) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    if (TDesignScale(text).Factor() > 1)
        font.setPixelSize(std::max(font.pixelSize(), QFontInfo(text).pixelSize()));
    return font;
}

TDBGrid* MakeGrid(TPanel* panel, const char* name, QRect designed, int anchors) {
    auto* grid = MakeControl<TDBGrid>(panel, name, designed, anchors);
    grid->SetTitleFont(GridTitleFont(grid->font()));
    return grid;
}

void SetCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->resize(label->sizeHint());
}

const char* const kNavigatorHintKeys[] = {
    "_FIRST_RECORD_",  "_PRIOR_RECORD_", "_NEXT_RECORD_", "_LAST_RECORD_", "_INSERT_RECORD_",
    "_DELETE_RECORD_", "_EDIT_RECORD_",  "_POST_EDIT_",   "_CANCEL_EDIT_", "_REFRESH_DATA_"};

// Field component name and caption key, in translation order.
const char* const kFieldLabels[][2] = {
    {"resultat_dataset_NAME", "_NAME_"},
    {"resultat_dataset_COURSE", "_COURSE_"},
    {"resultat_dataset_GROUP", "_GROUP_"},
    {"resultat_dataset_LAST_NAME", "_LAST_NAME_"},
    {"resultat_dataset_FIRST_NAME", "_FIRST_NAME_"},
    {"resultat_dataset_FATHER_NAME", "_FATHER_NAME_"},
    {"resultat_dataset_RESULTAT", "_RESULTAT_"},
    {"resultat_dataset_TIME", "_TIME_"},
};
const char* const kLaterFieldLabels[][2] = {
    {"test_dataset_NAME", "_NAME_"},
    {"test_dataset_FILENAME", "_FILE_NAME_"},
    {"faculty_dataset_SHORT_NAME", "_SHORT_NAME_"},
    {"faculty_dataset_NAME", "_NAME_"},
    {"student_dataset_LAST_NAME_", "_LAST_NAME_"},
    {"student_dataset_FIRST_NAME_", "_FIRST_NAME_"},
    {"student_dataset_FATHER_NAME_", "_FATHER_NAME_"},
    {"student_dataset_COURSE_", "_COURSE_"},
    {"student_dataset_GROUP_", "_GROUP_"},
    {"discipline_dataset_SHORT_NAME", "_SHORT_NAME_"},
    {"discipline_dataset_NAME", "_NAME_"},
};

QString T(const char* key) {
    return translate(QString::fromLatin1(key));
}

} // namespace

QStringList navigator_names() {
    return {QStringLiteral("faculty_navigator"), QStringLiteral("student_navigator"),
            QStringLiteral("discipline_navigator"), QStringLiteral("test_navigator"),
            QStringLiteral("resultat_navigator")};
}

Tmain_frm::Tmain_frm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("main_frm"));
    components_.SetName(QStringLiteral("main_frm"));
    components_.BeginLoading();
    model_ = std::make_unique<TTestingModel>(components_);
    DataBase = model_->DataBase;
    Transaction = model_->Transaction;
    faculty_dataset = model_->Students.faculty_dataset;
    student_dataset = model_->Students.student_dataset;
    discipline_dataset = model_->Disciplines.discipline_dataset;
    test_dataset = model_->Disciplines.test_dataset;
    resultat_dataset = model_->Results.resultat_dataset;
    dataset = model_->dataset;
    faculty_DataSource = model_->Students.faculty_DataSource;
    student_datasource = model_->Students.student_datasource;
    discipline_datasource = model_->Disciplines.discipline_datasource;
    test_datasource = model_->Disciplines.test_datasource;
    resultat_datasource = model_->Results.resultat_datasource;
    setWindowTitle(QStringLiteral("_MAIN_FORM_"));
    CreateActions();
    CreateMenus();

    auto* area = new TClientArea(this);
    area->setObjectName(QStringLiteral("client_area"));
    setCentralWidget(area);
    CreateStudentsView(area);
    CreateDisciplinesView(area);
    CreateResultsView(area);
    // As designed: students and disciplines shown, students in front.
    resultat_pnl->hide();
    student_pnl->raise();
    // A view switch goes through them in this order. The disciplines view's
    // detail opens before its master, so that it starts empty and then
    // follows the master's first row.
    views_ = {
        {TView::vwDisciplines,
         discipline_pnl,
         {{test_dataset, TDataSetRole::drDetail, test_datasource, d_test_grid, test_navigator},
          {discipline_dataset, TDataSetRole::drMaster, discipline_datasource, discipline_grid,
           discipline_navigator},
          {dataset, TDataSetRole::drScratch}}},
        {TView::vwStudents,
         student_pnl,
         {{faculty_dataset, TDataSetRole::drMaster, faculty_DataSource, faculty_db,
           faculty_navigator},
          {student_dataset, TDataSetRole::drDetail, student_datasource, student_db,
           student_navigator}}},
        {TView::vwResults,
         resultat_pnl,
         {{resultat_dataset, TDataSetRole::drShown, resultat_datasource, resultat_grid,
           resultat_navigator}}},
    };
    // Every dataset that changes rows, the assignment editor's scratch
    // dataset included (the editor reports its statements itself).
    journal_ = std::make_unique<TPostJournal>(*Transaction);
    for (TpFIBDataSet* ds :
         DataSets({TDataSetRole::drDetail, TDataSetRole::drMaster, TDataSetRole::drScratch}))
        ds->SetPostJournal(journal_.get());
    const std::vector<TpFIBDataSet*> all =
        DataSets({TDataSetRole::drDetail, TDataSetRole::drMaster, TDataSetRole::drShown,
                  TDataSetRole::drScratch});
    serverSteps_ =
        server_steps({*DataBase, *Transaction, *journal_, {all.begin(), all.end()}, this});
    ConnectDataControls();
    ConnectAccessibleLabels(*this);
    ConnectKeyboardPaths(*this);
    // The results view's filter bar, ordering, added columns and summary.
    results_view = new TResultsView(components_, *resultat_pnl, *resultat_grid, *resultat_navigator,
                                    *resultat_dataset, *this);
    // The filter bar is also in the Show menu, below the views, for those who
    // look for it there; it works while the results view is shown.
    show_mnu->addSeparator();
    results_filter_mnu = BindItem(show_mnu, "results_filter_mnu", results_view->filter_bar_act);
    results_filter_mnu->setCheckable(true);
    results_filter_mnu->setEnabled(false);
    connect(results_view->filter_bar_act, &QAction::toggled, results_filter_mnu,
            &QAction::setChecked);

    const QSize client = TDesignScale(font())(kClientSize);
    resize(client.width(), client.height() + menuBar()->sizeHint().height());
    components_.EndLoading();
    main_window_target = this;
}

void Tmain_frm::UseDesignedPosition() {
    centred_ = false;
    // A window never moved is placed by the window manager wherever it likes;
    // moving it to where it stands pins the designed top-left corner.
    move(pos());
}

TFIBDatabase& Tmain_frm::Connection() {
    return *DataBase;
}

namespace {

void Run(const std::function<void()>& step) {
    if (step)
        step();
}

} // namespace

void Tmain_frm::ConnectDatabase() {
    Run(steps_->connect);
}

void Tmain_frm::SetDatabaseLinkSteps(const TDatabaseLinkSteps* steps) {
    steps_ = steps ? steps : &serverSteps_;
}

bool Tmain_frm::ConnectionLost() const {
    return steps_->lost && steps_->lost();
}

std::vector<TpFIBDataSet*> Tmain_frm::DataSets(std::initializer_list<TDataSetRole> roles) const {
    std::vector<std::tuple<TDataSetRole, TView, TpFIBDataSet*>> found;
    for (const TViewPanel& view : views_)
        for (const TViewDataSet& d : view.datasets)
            if (std::find(roles.begin(), roles.end(), d.role) != roles.end())
                found.emplace_back(d.role, view.view, d.dataset);
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::vector<TpFIBDataSet*> datasets;
    for (const auto& [role, view, ds] : found)
        datasets.push_back(ds);
    return datasets;
}

std::vector<const TViewDataSet*> Tmain_frm::DataControls() const {
    std::vector<const TViewDataSet*> shown;
    for (const TViewPanel& view : views_)
        for (const TViewDataSet& d : view.datasets)
            if (d.grid)
                shown.push_back(&d);
    return shown;
}

Tmain_frm::~Tmain_frm() {
    // The controls let go of their data sources, then the database components
    // go: ending them may still reach the window. The results view's hooks
    // on its dataset go first.
    delete results_view;
    results_view = nullptr;
    for (const TViewDataSet* d : DataControls()) {
        d->grid->SetDataSource(nullptr);
        d->navigator->SetDataSource(nullptr);
    }
    discipline_datasource->OnDataChange = nullptr;
    components_.DestroyComponents();
    if (main_window_target == this)
        main_window_target = nullptr;
    if (main_frm == this)
        main_frm = nullptr;
}

void Tmain_frm::CreateActions() {
    Tests_Online_act = MakeAction(this, "Tests_Online_act", "_TESTS_ONLINE_");
    Students_act = MakeAction(this, "Students_act", "_STUDENTS_");
    disciplines_act = MakeAction(this, "disciplines_act", "_DISCIPLINES_");
    Results_act = MakeAction(this, "Results_act", "_RESULTS_");
    Options_act = MakeAction(this, "Options_act", "_OPTIONS_");
    Help_act = MakeAction(this, "Help_act", "_HELP_");
    About_act = MakeAction(this, "About_act", "_ABOUT_");
    Exit_act = MakeAction(this, "Exit_act", "_EXIT_");
    Import_act = MakeAction(this, "Import_act", "_IMPORT_STUDENTS_");

    const std::pair<QAction*, void (Tmain_frm::*)()> handlers[] = {
        {Tests_Online_act, &Tmain_frm::Tests_Online_actExecute},
        {Students_act, &Tmain_frm::Students_actExecute},
        {disciplines_act, &Tmain_frm::disciplines_actExecute},
        {Results_act, &Tmain_frm::Results_actExecute},
        {Options_act, &Tmain_frm::Options_actExecute},
        {Help_act, &Tmain_frm::Help_actExecute},
        {About_act, &Tmain_frm::About_actExecute},
        {Exit_act, &Tmain_frm::Exit_actExecute},
        {Import_act, &Tmain_frm::Import_actExecute},
    };
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this,
                [this, handler] { HandleEvent([this, handler] { (this->*handler)(); }); });
}

void Tmain_frm::CreateMenus() {
    show_mnu = menuBar()->addMenu(QStringLiteral("_SHOW_"));
    show_mnu->setObjectName(QStringLiteral("show_mnu"));
    tests_online_mnu = BindItem(show_mnu, "tests_online_mnu", Tests_Online_act);
    tests_online_mnu->setEnabled(false);
    students_mnu = BindItem(show_mnu, "students_mnu", Students_act);
    disciplines_mnu = BindItem(show_mnu, "disciplines_mnu", disciplines_act);
    results_mnu = BindItem(show_mnu, "results_mnu", Results_act);
    views_group = new QActionGroup(this);
    views_group->setObjectName(QStringLiteral("views_group"));
    for (QAction* item : {students_mnu, disciplines_mnu, results_mnu}) {
        item->setCheckable(true);
        views_group->addAction(item);
    }
    students_mnu->setChecked(true);
    marked_ = students_mnu;

    program_mnu = menuBar()->addMenu(QStringLiteral("_PROGRAM_"));
    program_mnu->setObjectName(QStringLiteral("program_mnu"));
    options_mnu = BindItem(program_mnu, "options_mnu", Options_act);
    import_students_mnu = BindItem(program_mnu, "import_students_mnu", Import_act);
    program_mnu->addSeparator();
    help_mnu = BindItem(program_mnu, "help_mnu", Help_act);
    help_mnu->setEnabled(false);
    about_mnu = BindItem(program_mnu, "about_mnu", About_act);
    program_mnu->addSeparator();
    exit_mnu = BindItem(program_mnu, "exit_mnu", Exit_act);
}

void Tmain_frm::CreateStudentsView(QWidget* area) {
    student_pnl = new TPanel(area, QStringLiteral("student_pnl"), kClientSize);
    faculty_lbl = MakeLabel(student_pnl, "faculty_lbl", {8, 8}, "_FACULTY_", akLeft | akTop);
    faculty_db = MakeGrid(student_pnl, "faculty_db", {8, 25, 599, 101}, akLeft | akTop | akRight);
    faculty_navigator =
        MakeControl<TsDBNavigator>(student_pnl, "faculty_navigator",
                                   {8, 132, 599, kNavigatorHeight}, akLeft | akTop | akRight);
    student_db = MakeGrid(student_pnl, "student_db", {8, 163, 599, 310}, kAllSides);
    student_navigator =
        MakeControl<TsDBNavigator>(student_pnl, "student_navigator",
                                   {8, 479, 599, kNavigatorHeight}, akLeft | akRight | akBottom);
}

void Tmain_frm::CreateDisciplinesView(QWidget* area) {
    discipline_pnl = new TPanel(area, QStringLiteral("discipline_pnl"), kClientSize);
    TPanel* p = discipline_pnl;
    discipline_lbl = MakeLabel(p, "discipline_lbl", {8, 8}, "_DISCIPLINE_", akLeft | akTop);
    discipline_grid = MakeGrid(p, "discipline_grid", {8, 25, 599, 101}, akLeft | akTop | akRight);
    discipline_navigator = MakeControl<TsDBNavigator>(
        p, "discipline_navigator", {8, 132, 599, kNavigatorHeight}, akLeft | akTop | akRight);
    d_faculty_lbl = MakeLabel(p, "d_faculty_lbl", {8, 163}, "_FACULTY_", akLeft | akTop);
    d_course_lbl = MakeLabel(p, "d_course_lbl", {320, 163}, "_COURSE_", akTop | akRight);
    d_faculty_lb =
        MakeControl<TCheckListBox>(p, "d_faculty_lb", {8, 182, 287, 131}, akLeft | akTop | akRight);
    d_course_lb =
        MakeControl<TCheckListBox>(p, "d_course_lb", {310, 182, 297, 131}, akTop | akRight);
    d_test_lbl = MakeLabel(p, "d_test_lbl", {8, 319}, "_TEST_", akLeft | akTop);
    d_test_grid = MakeGrid(p, "d_test_grid", {8, 338, 599, 135}, kAllSides);
    test_navigator = MakeControl<TsDBNavigator>(
        p, "test_navigator", {8, 479, 599, kNavigatorHeight}, akLeft | akRight | akBottom);
}

void Tmain_frm::CreateResultsView(QWidget* area) {
    resultat_pnl = new TPanel(area, QStringLiteral("resultat_pnl"), kClientSize);
    resultat_grid = MakeGrid(resultat_pnl, "resultat_grid", {8, 8, 599, 465}, kAllSides);
    resultat_navigator =
        MakeControl<TsDBNavigator>(resultat_pnl, "resultat_navigator",
                                   {8, 479, 599, kNavigatorHeight}, akLeft | akRight | akBottom);
}

void Tmain_frm::TranslateCaptions() {
    setWindowTitle(T("_MAIN_FORM_") + main_caption_suffix());
    show_mnu->setTitle(T("_SHOW_"));
    Tests_Online_act->setText(T("_TESTS_ONLINE_"));
    Students_act->setText(T("_STUDENTS_"));
    disciplines_act->setText(T("_DISCIPLINES_"));
    Results_act->setText(T("_RESULTS_"));
    program_mnu->setTitle(T("_PROGRAM_"));
    Options_act->setText(T("_OPTIONS_"));
    Help_act->setText(T("_HELP_"));
    About_act->setText(T("_ABOUT_"));
    Exit_act->setText(T("_EXIT_"));
    SetCaption(faculty_lbl, T("_FACULTY_"));
    for (const auto& [field, key] : kFieldLabels)
        field_labels[QString::fromLatin1(field)] = T(key);
    SetCaption(d_faculty_lbl, T("_FACULTY_"));
    SetCaption(d_course_lbl, T("_COURSE_"));
    SetCaption(d_test_lbl, T("_TEST_"));
    SetCaption(discipline_lbl, T("_DISCIPLINE_"));
    for (const auto& [field, key] : kLaterFieldLabels)
        field_labels[QString::fromLatin1(field)] = T(key);
    for (const QString& navigator : navigator_names()) {
        QStringList& hints = navigator_hints[navigator];
        hints.clear();
        for (const char* key : kNavigatorHintKeys)
            hints << T(key);
        if (auto* bar = findChild<TsDBNavigator*>(navigator))
            bar->SetHints(hints);
    }
    for (auto it = field_labels.cbegin(); it != field_labels.cend(); ++it)
        if (auto* field = dynamic_cast<TField*>(components_.FindComponent(it.key())))
            field->SetDisplayLabel(it.value());
    NameAccessibleControls(*this);
    results_view->TranslateCaptions();
}

void Tmain_frm::TranslateGridCaptions() {
    TGridCaptions& c = GridCaptions();
    c.CopyCell = T("_COPY_CELL_");
    c.CopyRow = T("_COPY_ROW_");
    c.ExportCsv = T("_EXPORT_CSV_");
    c.RowsWritten = T("_ROWS_WRITTEN_");
    c.Cancel = T("_CANCEL_");
    c.Find = T("_FIND_");
    c.FindNext = T("_FIND_NEXT_");
    c.FindPrevious = T("_FIND_PREVIOUS_");
    c.CloseFind = T("_CLOSE_FIND_");
    c.NoMatch = T("_NO_MATCH_");
    // What a screen reader says of the current row.
    TGridAccessibleCaptions& a = GridAccessibleCaptions();
    a.Browsing = T("_ROW_BROWSING_");
    a.Editing = T("_ROW_EDITING_");
    a.Inserting = T("_ROW_INSERTING_");
    for (const TViewDataSet* d : DataControls())
        d->grid->Actions().TranslateCaptions();
    // The import is on the students grid's menu as well as the Program menu;
    // its caption is looked up after the grids' own.
    Import_act->setText(T("_IMPORT_STUDENTS_"));
}

void Tmain_frm::ConnectDataControls() {
    for (const TViewDataSet* d : DataControls()) {
        d->grid->SetDataSource(d->source);
        d->navigator->SetDataSource(d->source);
    }
    resultat_navigator->SetVisibleButtons({TNavigateBtn::nbFirst, TNavigateBtn::nbPrior,
                                           TNavigateBtn::nbNext, TNavigateBtn::nbLast,
                                           TNavigateBtn::nbRefresh});

    assignment_ = std::make_unique<TAssignmentEditor>(*discipline_dataset, *dataset, *d_faculty_lb,
                                                      *d_course_lb);
    discipline_datasource->OnDataChange = [this](TDataSource& source, TField* field) {
        discipline_datasourceDataChange(source, field);
    };
    d_faculty_lb->OnClick = [this](TCheckListBox&) { d_faculty_lbClick(); };
    d_course_lb->OnClickCheck = [this](TCheckListBox&) { d_course_lbClickCheck(); };

    QMenu* studentMenu = student_db->Actions().ContextMenu();
    studentMenu->addSeparator();
    import_students_grid_act = studentMenu->addAction(Import_act->text());
    import_students_grid_act->setObjectName(QStringLiteral("import_students_act"));
    connect(Import_act, &QAction::changed, import_students_grid_act,
            [this] { import_students_grid_act->setText(Import_act->text()); });
    connect(import_students_grid_act, &QAction::triggered, Import_act, &QAction::trigger);
}

void Tmain_frm::discipline_datasourceDataChange(TDataSource&, TField*) {
    assignment_->DisciplineChanged();
}

void Tmain_frm::d_faculty_lbClick() {
    assignment_->FacultySelected();
}

void Tmain_frm::d_course_lbClickCheck() {
    assignment_->CourseToggled();
}

std::vector<TpFIBDataSet*> Tmain_frm::EditableDataSets() const {
    return DataSets({TDataSetRole::drDetail, TDataSetRole::drMaster});
}

namespace {

bool TypingRow(const TDataSet* ds) {
    return ds->State() == stEdit || ds->State() == stInsert;
}

} // namespace

void Tmain_frm::PostPendingEdits() {
    const std::vector<TpFIBDataSet*> edited = EditableDataSets();
    // A row typed while the server went away is still in its dataset: attach
    // again, so that it is posted rather than lost.
    if (std::any_of(edited.begin(), edited.end(), TypingRow))
        Run(steps_->reconnect);
    for (TpFIBDataSet* ds : edited)
        if (ds->Active())
            ds->EnsureBrowse();
}

void Tmain_frm::SwitchView(TView view) {
    // A row still being typed is saved with the others; a refused one stops
    // the switch before anything changed, and the menu marks the view shown.
    try {
        PostPendingEdits();
    } catch (...) {
        marked_->setChecked(true);
        throw;
    }
    marked_ = views_group->checkedAction();
    view_ = view;
    Run(steps_->view_switch);
    if (view == TView::vwResults)
        results_view->Opening();
    for (const TViewPanel& shown : views_) {
        const bool open = shown.view == view;
        shown.panel->setVisible(open);
        for (const TViewDataSet& d : shown.datasets)
            if (d.role != TDataSetRole::drScratch && steps_->dataset)
                steps_->dataset(*d.dataset, open);
    }
    for (const TViewPanel& shown : views_)
        if (shown.view == view)
            KeepFocusInView(*shown.panel);
    results_filter_mnu->setEnabled(view == TView::vwResults);
    if (view == TView::vwResults)
        results_view->Shown();
}

void Tmain_frm::FormShow() {
    Students_actExecute();
}

void Tmain_frm::FormCloseQuery(QObject*, bool& CanClose) {
    const QString caption = translate(QStringLiteral("_EXIT_"));
    const QString text = translate(QStringLiteral("_EXIT_CONFIRMATION_"));
    if (ShowMessageBox({caption, text, TMsgIcon::Question, TMsgButtons::YesNo, this}) !=
        TMsgResult::Yes) {
        CanClose = false;
        return;
    }
    save_settings();
    bool posting = true;
    try {
        // A row still being typed is saved too; a refused one keeps the
        // window open with the typed values for the user to correct, unless
        // the server is out of reach, when only leaving without it helps.
        PostPendingEdits();
        posting = false;
        Run(steps_->commit);
    } catch (const EAbort&) {
        throw;
    } catch (...) {
        if (posting && !ConnectionLost())
            throw;
        ShowException(std::current_exception());
        // A commit that keeps failing (the server is gone) must not lock the
        // user in: offered the choice, they may leave and lose what the
        // transaction holds, which is rolled back as the window goes.
        CanClose =
            ShowMessageBox({ApplicationTitle(), translate(QStringLiteral("_EXIT_WITHOUT_SAVING_")),
                            TMsgIcon::Warning, TMsgButtons::YesNo, this}) == TMsgResult::Yes;
    }
}

bool Tmain_frm::LeaveWithoutAsking(const std::function<void(const QString&)>& report) {
    bool saved = true;
    const auto failed = [&](const QString& what) {
        saved = false;
        report(what + QStringLiteral(": ") + ErrorBoxText(std::current_exception()));
    };
    try {
        save_settings();
    } catch (...) {
        failed(QStringLiteral("the settings were not saved"));
    }
    const std::vector<TpFIBDataSet*> editable = EditableDataSets();
    for (size_t attempt = 0; attempt <= editable.size(); ++attempt) {
        try {
            PostPendingEdits();
            break;
        } catch (...) {
            const auto refused = std::find_if(editable.begin(), editable.end(), TypingRow);
            if (refused == editable.end()) {
                failed(QStringLiteral("the rows being typed were not saved"));
                break;
            }
            failed(QStringLiteral("the row being typed in %1 was not saved")
                       .arg(FullComponentName(*refused)));
            try {
                (*refused)->Cancel();
            } catch (...) {
                break;
            }
        }
    }
    try {
        // The server dropped the transaction with the connection.
        if (ConnectionLost())
            throw Exception(QStringLiteral("the connection to the database was lost"));
        Run(steps_->commit);
    } catch (...) {
        failed(QStringLiteral("the changes made since the last view switch were not committed "
                              "and are rolled back"));
    }
    return saved;
}

void Tmain_frm::Import_actExecute() {
    // The rows go in under the students view's own rules: what is being
    // typed is saved first, and a view switch commits what was written.
    if (view_ != TView::vwStudents || !student_pnl->isVisible()) {
        students_mnu->setChecked(true);
        SwitchView(TView::vwStudents);
    }
    PostPendingEdits();
    std::optional<int> faculty;
    if (faculty_dataset->Active() && !faculty_dataset->IsEmpty())
        faculty = faculty_dataset->FieldByName(QStringLiteral("F_ID"))->AsInteger();
    TImportStudentsDialog dialog(this, *DataBase, *Transaction, faculty);
    dialog.OnWritten = [this, &dialog] {
        students_mnu->setChecked(true);
        SwitchView(TView::vwStudents);
        if (const std::optional<int> shown = dialog.FirstFaculty())
            faculty_dataset->Locate(QStringLiteral("F_ID"), Variant(*shown), {});
    };
    ShowModal(dialog);
}

void Tmain_frm::Options_actExecute() {
    ShowModal(*options_frm);
}

void Tmain_frm::About_actExecute() {
    ShowModal(*about_frm);
}

void Tmain_frm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_ || event->spontaneous())
        return;
    shownOnce_ = true;
    if (centred_ && screen())
        move(screen()->availableGeometry().center() - frameGeometry().center() + pos());
    HandleEvent([this] { FormShow(); });
}

void Tmain_frm::closeEvent(QCloseEvent* event) {
    bool CanClose = true;
    if (!HandleEvent([this, &CanClose] { FormCloseQuery(this, CanClose); }))
        CanClose = false;
    event->setAccepted(CanClose);
    if (CanClose)
        QCoreApplication::quit();
}
