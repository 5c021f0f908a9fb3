#pragma once
// The main window: three views (students, disciplines, results), each a panel
// filling the client area, switched from the menu bar; closing it asks for
// confirmation, saves the settings and commits.

#include "app/MainWindowTarget.h"
#include "app/database_link.h"
#include "base/Component.h"

#include <QMainWindow>
#include <QMap>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class TAssignmentEditor;
class TCheckListBox;
class TDBGrid;
class TDataSet;
class TDataSource;
class TField;
class TPanel;
class TPostJournal;
class TResultsView;
class TpFIBDataSet;
class TsDBNavigator;
class TTestingModel;
class TpFIBDatabase;
class TpFIBTransaction;

// In the order of their menu items.
enum class TView { vwStudents, vwDisciplines, vwResults };

// What a dataset is to the shell. Where datasets of several roles are taken
// together, they come in this order: details before their masters, since
// posting a master may move it, and the move would reopen its detail under
// the pending row.
enum class TDataSetRole {
    drDetail,  // edited by the user, following a master of its view
    drMaster,  // edited by the user
    drShown,   // only shown
    drScratch, // the assignment editor's, opened and closed by the editor alone
};

// A dataset of a view with its data source, grid and navigator, if it has
// them.
struct TViewDataSet {
    TpFIBDataSet* dataset;
    TDataSetRole role;
    TDataSource* source = nullptr;
    TDBGrid* grid = nullptr;
    TsDBNavigator* navigator = nullptr;
};

// A view: its panel and its datasets, in the order a view switch closes or
// opens them.
struct TViewPanel {
    TView view;
    TPanel* panel;
    std::vector<TViewDataSet> datasets;
};

class Tmain_frm : public QMainWindow, public TMainWindowTarget {
    Q_OBJECT
public:
    explicit Tmain_frm(QWidget* parent = nullptr);
    ~Tmain_frm() override;

    // Actions, each with its caption key.
    QAction* Tests_Online_act;
    QAction* Students_act;
    QAction* disciplines_act;
    QAction* Results_act;
    QAction* Options_act;
    QAction* Help_act;
    QAction* About_act;
    QAction* Exit_act;

    // Menu bar and its items, each bound to an action.
    QMenu* show_mnu;
    QAction* tests_online_mnu;
    QAction* students_mnu;
    QAction* disciplines_mnu;
    QAction* results_mnu;
    QAction* results_filter_mnu = nullptr; // the results view's filter bar
    QActionGroup* views_group; // radio group 1
    QMenu* program_mnu;
    QAction* options_mnu;
    QAction* help_mnu;
    QAction* about_mnu;
    QAction* exit_mnu;
    // Students from a CSV file: the Program menu's item and the students
    // grid's context menu entry, both bound to Import_act.
    QAction* Import_act;
    QAction* import_students_mnu;
    QAction* import_students_grid_act;

    TPanel* student_pnl;
    QLabel* faculty_lbl;
    TDBGrid* faculty_db;
    TsDBNavigator* faculty_navigator;
    TDBGrid* student_db;
    TsDBNavigator* student_navigator;

    TPanel* discipline_pnl;
    QLabel* discipline_lbl;
    TDBGrid* discipline_grid;
    TsDBNavigator* discipline_navigator;
    QLabel* d_faculty_lbl;
    QLabel* d_course_lbl;
    TCheckListBox* d_faculty_lb;
    TCheckListBox* d_course_lb;
    QLabel* d_test_lbl;
    TDBGrid* d_test_grid;
    TsDBNavigator* test_navigator;

    TPanel* resultat_pnl;
    TDBGrid* resultat_grid;
    TsDBNavigator* resultat_navigator;
    // The filter bar, ordering, added columns and summary of the results view.
    TResultsView* results_view = nullptr;

    // The database components, owned by the window's component main_frm.
    TpFIBDatabase* DataBase = nullptr;
    TpFIBTransaction* Transaction = nullptr;
    TpFIBDataSet* faculty_dataset = nullptr;
    TpFIBDataSet* student_dataset = nullptr;
    TpFIBDataSet* discipline_dataset = nullptr;
    TpFIBDataSet* test_dataset = nullptr;
    TpFIBDataSet* resultat_dataset = nullptr;
    TpFIBDataSet* dataset = nullptr;
    TDataSource* faculty_DataSource = nullptr;
    TDataSource* student_datasource = nullptr;
    TDataSource* discipline_datasource = nullptr;
    TDataSource* test_datasource = nullptr;
    TDataSource* resultat_datasource = nullptr;
    // What the datasets changed in the open transaction, to be sent again
    // when the server loses it (see database_link.h).
    TPostJournal& Journal() const { return *journal_; }
    // Display labels of the dataset fields, by field component name; the
    // fields take them when they attach.
    QMap<QString, QString> field_labels;
    // Button hints of the record navigators, by navigator name, ten each.
    QMap<QString, QStringList> navigator_hints;

    void FormShow();
    void FormCloseQuery(QObject* Sender, bool& CanClose);
    void Tests_Online_actExecute() {}
    void Students_actExecute() { SwitchView(TView::vwStudents); }
    void disciplines_actExecute() { SwitchView(TView::vwDisciplines); }
    void Results_actExecute() { SwitchView(TView::vwResults); }
    void Options_actExecute();
    void Help_actExecute() {}
    void About_actExecute();
    void Exit_actExecute() { close(); }
    // Shows the import dialog over the students view; what it wrote is
    // committed as a view switch commits, and the view shows it.
    void Import_actExecute();

    // The discipline assignment editor's handlers.
    void discipline_datasourceDataChange(TDataSource& Sender, TField* Field);
    void d_faculty_lbClick();
    void d_course_lbClickCheck();

    // The view shown last (or being switched to when a step failed).
    TView CurrentView() const { return view_; }
    // Text still in a grid's editor is written into its field and every
    // dataset that is being edited is posted (or cancelled when untouched);
    // the first failure stops and goes on to the caller.
    void PostPendingEdits();
    // The datasets the user edits, details before their masters.
    std::vector<TpFIBDataSet*> EditableDataSets() const;
    // Leaving with nobody to ask (the session ends, the system stops the
    // program): saved as on a confirmed exit, but nothing stops the leave. A
    // refused row is given up so that the rest is still saved; each thing
    // not saved is told to report in one sentence. Returns whether
    // everything was saved.
    bool LeaveWithoutAsking(const std::function<void(const QString&)>& report);
    // Start-up's connection step: attach and start the transaction.
    void ConnectDatabase();
    // From now on the window takes these steps with its connection
    // (database_link.h), until replaced; nullptr gives back its own.
    void SetDatabaseLinkSteps(const TDatabaseLinkSteps* steps);
    // TMainWindowTarget
    QWidget& Window() override { return *this; }
    void UseDesignedPosition() override;
    TFIBDatabase& Connection() override;
    void TranslateCaptions() override;
    void TranslateGridCaptions() override;

    bool IsCentredOnScreen() const { return centred_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateStudentsView(QWidget* area);
    void CreateDisciplinesView(QWidget* area);
    void CreateResultsView(QWidget* area);
    void SwitchView(TView view);
    void ConnectDataControls();
    // The datasets of the views in the given roles, by role in the order of
    // TDataSetRole, then by view in the order of TView.
    std::vector<TpFIBDataSet*> DataSets(std::initializer_list<TDataSetRole> roles) const;
    // The datasets of the views that a grid and a navigator show.
    std::vector<const TViewDataSet*> DataControls() const;
    // Whether the connection step says the server connection was lost.
    bool ConnectionLost() const;

    // The window as the database layer sees it: the owner of its database
    // components, whose names are prefixed with main_frm.
    TComponent components_;
    std::unique_ptr<TTestingModel> model_;
    std::unique_ptr<TAssignmentEditor> assignment_;
    std::unique_ptr<TPostJournal> journal_;
    // The views in the order a view switch goes through them.
    std::vector<TViewPanel> views_;
    TDatabaseLinkSteps serverSteps_;
    const TDatabaseLinkSteps* steps_ = &serverSteps_;
    TView view_ = TView::vwStudents;
    QAction* marked_ = nullptr; // the view item marked before the current choice
    bool centred_ = true;
    bool shownOnce_ = false;
};

// The one main window, created first at start; nullptr before.
extern Tmain_frm* main_frm;

// The record navigators in the order their hints are translated.
QStringList navigator_names();
