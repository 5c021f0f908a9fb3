// The results view as an administrator questions it, in the real main window
// against the demo database on the local server: the filter bar, ordering by
// a title click, the added columns, the count under the grid, the summary
// window and the cancel of a long read. What the window shows is compared
// with what isql (a second connection) reads from the same database.

#include "tests/app/ShellFixture.h"
#include "tests/support/GridProbe.h"
#include "tests/support/Soon.h"
#include "tests/support/TestDatabase.h"

#include "app/CancellableCall.h"
#include "app/ResultsFilter.h"
#include "app/ResultsSummary.h"
#include "app/ResultsView.h"
#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "dataset/pFIBDataSet.h"
#include "model/TestingSql.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>

using namespace veltor::test;

namespace {

// The view's rows as isql reads them: results with students and faculties.
const QString kFrom = QStringLiteral(
    " from resultat r join student s on s.s_id = r.s_id join fakultet f on f.f_id = s.f_id ");

class ResultsView : public ShellFixture {
public: // the tables of cases drive the window through these
    ResultsView() : db(ProgramDatabase(TestData::Demo)) {
        main_frm->SetDatabaseLinkSteps(nullptr); // the real connection and datasets
    }
    ~ResultsView() override {
        if (main_frm && main_frm->isVisible()) {
            dialogs.answers = {TMsgResult::No};
            main_frm->hide();
        }
    }

    void StartOnResults() {
        folder.WriteFile("Languages/English.olg", [] {
            QFile f(SourceDir() + "/settings/languages/English.olg");
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }());
        folder.WriteFile("options.ini", ProgramOptions(db.ConnectionString(), TestUser(),
                                                       TestPassword(), "English"));
        StartAndShow();
        QMenuBar* menus = main_frm->menuBar();
        QTest::mouseClick(menus, Qt::LeftButton, {},
                          menus->actionGeometry(main_frm->show_mnu->menuAction()).center());
        ASSERT_SOON(main_frm->show_mnu->isVisible());
        QTest::mouseClick(main_frm->show_mnu, Qt::LeftButton, {},
                          main_frm->show_mnu->actionGeometry(main_frm->results_mnu).center());
        ASSERT_SOON(main_frm->resultat_grid->isVisible());
        grid = main_frm->resultat_grid;
        view = main_frm->results_view;
        bar = view->filter_bar;
        ASSERT_TRUE(grid->DataLink().Active());
    }

    void ShowBar() {
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_SOON(bar->isVisible());
        ASSERT_TRUE(view->count_lbl->isVisible());
    }

    // Chooses the entry whose key is key, with the keyboard as a user would.
    void Choose(QComboBox* box, const QVariant& key) {
        const int at = box->findData(key);
        ASSERT_GT(at, 0) << key.toString().toStdString();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < at; ++i)
            QTest::keyClick(box, Qt::Key_Down);
        ASSERT_EQ(box->currentIndex(), at);
    }
    void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    void Apply() { QTest::mouseClick(bar->apply_btn, Qt::LeftButton); }

    void ChooseFromMenu(const QString& objectName) {
        const QPoint pos = grid->CellRect(0, 0).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, grid->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(grid->viewport(), &event);
        QMenu* menu = grid->Actions().ContextMenu();
        ASSERT_SOON(menu->isVisible());
        QAction* action = menu->findChild<QAction*>(objectName);
        ASSERT_TRUE(action);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        ASSERT_SOON(!menu->isVisible());
    }

    int ColumnOf(const QString& fieldName) const {
        for (int i = 0; i < static_cast<int>(grid->Columns().size()); ++i)
            if (grid->Columns()[i].Field && grid->Columns()[i].Field->FieldName() == fieldName)
                return i;
        return -1;
    }
    void ClickTitle(const QString& fieldName) {
        const int col = ColumnOf(fieldName);
        ASSERT_GE(col, 0) << fieldName.toStdString();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->TitleRect(col).center());
    }

    TpFIBDataSet& Results() const { return *main_frm->resultat_dataset; }
    QString Statement() const { return Results().SelectSQL().join('\n'); }

    // isql's lines of a select, headings off.
    QStringList IsqlLines(const QString& select) const {
        QStringList lines;
        for (const QString& line : db.Isql("set heading off; " + select + ";").split('\n')) {
            const QString t = line.trimmed();
            if (!t.isEmpty())
                lines << t;
        }
        return lines;
    }
    QString IsqlText(const QString& select) const {
        const QStringList lines = IsqlLines(select);
        return lines.isEmpty() ? QString() : lines.first();
    }

    QStringList Errors() const { return dialogs.ErrorTexts(); }

    TestDatabase& db;
    TDBGrid* grid = nullptr;
    TResultsView* view = nullptr;
    TResultsFilterBar* bar = nullptr;
};

// A filter typed into the bar and the same condition for isql.
struct FilterCase {
    const char* name;
    std::function<void(ResultsView&, const TestDatabase&)> fill;
    std::function<QString(const TestDatabase&)> where;
    // Text the user chose that must not be written into the statement.
    std::function<QString(const TestDatabase&)> literal;
};

QString FirstGroup(const TestDatabase& db) {
    const QString out =
        db.Isql("set heading off; select first 1 grupa from student where kurs = 2 and grupa "
                "is not null order by s_id;");
    for (const QString& line : out.split('\n'))
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    return QString();
}

QString FirstSurname(const TestDatabase& db) {
    const QString out = db.Isql("set heading off; select first 1 familiya from student order by "
                                "s_id;");
    for (const QString& line : out.split('\n'))
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    return QString();
}

const FilterCase kFilters[] = {
    {"faculty", [](ResultsView& t, const TestDatabase&) { t.Choose(t.bar->faculty_cb, 3); },
     [](const TestDatabase&) { return QStringLiteral("s.f_id = 3"); }, nullptr},
    {"course and group",
     [](ResultsView& t, const TestDatabase& db) {
         t.Choose(t.bar->course_cb, 2);
         t.Choose(t.bar->group_cb, FirstGroup(db));
     },
     [](const TestDatabase& db) {
         return QStringLiteral("s.kurs = 2 and s.grupa = '%1'").arg(FirstGroup(db));
     },
     [](const TestDatabase& db) { return FirstGroup(db); }},
    {"discipline", [](ResultsView& t, const TestDatabase&) { t.Choose(t.bar->discipline_cb, 5); },
     [](const TestDatabase&) {
         return QStringLiteral(
             "exists (select 1 from test t where t.t_id = r.t_id and t.d_id = 5)");
     },
     nullptr},
    {"test", [](ResultsView& t, const TestDatabase&) { t.Choose(t.bar->test_cb, 7); },
     [](const TestDatabase&) { return QStringLiteral("r.t_id = 7"); }, nullptr},
    {"start of a last name in small letters",
     [](ResultsView& t, const TestDatabase& db) {
         t.Type(t.bar->name_e, FirstSurname(db).left(3).toLower());
     },
     [](const TestDatabase& db) {
         return QStringLiteral("upper(s.familiya) starting with upper('%1')")
             .arg(FirstSurname(db).left(3));
     },
     [](const TestDatabase& db) { return FirstSurname(db).left(3).toUpper(); }},
    {"dates",
     [](ResultsView& t, const TestDatabase&) {
         t.Type(t.bar->from_e, "01.10.2024");
         t.Type(t.bar->to_e, "31.10.2024");
     },
     [](const TestDatabase&) {
         return QStringLiteral("r.vrema >= '2024-10-01' and r.vrema < '2024-11-01'");
     },
     [](const TestDatabase&) { return QStringLiteral("2024"); }},
    {"marks",
     [](ResultsView& t, const TestDatabase&) {
         t.Type(t.bar->mark_min_e, "40");
         t.Type(t.bar->mark_max_e, "60,5");
     },
     [](const TestDatabase&) { return QStringLiteral("r.ocinka between 40 and 60.5"); },
     [](const TestDatabase&) { return QStringLiteral("60.5"); }},
};

} // namespace

TEST_F(ResultsView, EachFilterShowsAndCountsWhatTheServerHoldsReadingOnlyTheFirstWindow) {
    StartOnResults();
    ShowBar();
    const qint64 all = db.QueryInt("select count(*)" + kFrom);
    EXPECT_EQ(view->count_lbl->text(), QStringLiteral("%1 results").arg(all));
    for (const FilterCase& c : kFilters) {
        SCOPED_TRACE(c.name);
        QTest::mouseClick(bar->clear_btn, Qt::LeftButton);
        c.fill(*this, db);
        Apply();
        ASSERT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
        const qint64 expected = db.QueryInt("select count(*)" + kFrom + "where " + c.where(db));
        ASSERT_GT(expected, 0);
        ASSERT_LT(expected, all);
        EXPECT_EQ(view->count_lbl->text(), QStringLiteral("%1 results").arg(expected));
        // The grid read its window, not the rows under the filter.
        EXPECT_TRUE(Results().Active());
        EXPECT_LT(Results().FetchedCount(), std::min<qint64>(expected, 200) + 1);
        EXPECT_TRUE(Statement().contains(":FLT_")) << Statement().toStdString();
        if (c.literal) {
            EXPECT_FALSE(Statement().contains(c.literal(db), Qt::CaseInsensitive))
                << Statement().toStdString();
        }
        // Read to its end, the grid holds as many rows as the server counted.
        Results().Last();
        EXPECT_EQ(Results().RecordCount(), expected);
    }
    // Cleared, the view sends its own statement again.
    QTest::mouseClick(bar->clear_btn, Qt::LeftButton);
    EXPECT_EQ(Results().SelectSQL(), ResultatStatements().SelectSQL);
    EXPECT_EQ(view->count_lbl->text(), QStringLiteral("%1 results").arg(all));
}

TEST_F(ResultsView, TitleClicksOrderOnTheServerUpDownAndBackToItsOwnOrder) {
    StartOnResults();
    const qint64 all = db.QueryInt("select count(*)" + kFrom);
    const int shown = Results().RecordCount();
    ASSERT_GT(shown, 5);
    const auto expected = [&](const char* direction) {
        QStringList names = IsqlLines(
            QStringLiteral("select first %1 s.familiya%2order by s.familiya %3, r.r_id %3")
                .arg(shown)
                .arg(kFrom)
                .arg(QLatin1String(direction)));
        return names;
    };
    ClickTitle("FAMILIYA");
    EXPECT_EQ(Shown(grid, "FAMILIYA"), expected("asc"));
    EXPECT_EQ(grid->SortMarkField(), Results().FindField("FAMILIYA"));
    EXPECT_LT(Results().FetchedCount(), all) << "ordered by the server, not by reading every row";

    ClickTitle("FAMILIYA");
    EXPECT_EQ(Shown(grid, "FAMILIYA"), expected("desc"));
    EXPECT_EQ(grid->SortMarkField(), Results().FindField("FAMILIYA"));

    ClickTitle("FAMILIYA");
    EXPECT_EQ(Results().SelectSQL(), ResultatStatements().SelectSQL);
    EXPECT_EQ(grid->SortMarkField(), nullptr);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(ResultsView, TheTestAndDisciplineColumnsShowTheResultsTestAndAreRemembered) {
    StartOnResults();
    ChooseFromMenu("test_column_act");
    ChooseFromMenu("discipline_column_act");
    ASSERT_GE(ColumnOf("TEST_NAZVA"), 0);
    ASSERT_GE(ColumnOf("DISC_NAZVA"), 0);
    EXPECT_EQ(grid->Columns()[ColumnOf("TEST_NAZVA")].Title(), "Test");
    ClickTitle("VREMA");
    const int shown = Results().RecordCount();
    const QStringList rows = IsqlLines(
        QStringLiteral("select first %1 t.nazva || ' / ' || d.nazva%2join test t on t.t_id = "
                       "r.t_id join disciplina d on d.d_id = t.d_id order by r.vrema, r.r_id")
            .arg(shown)
            .arg(kFrom));
    QStringList seen;
    const QStringList tests = Shown(grid, "TEST_NAZVA");
    const QStringList disciplines = Shown(grid, "DISC_NAZVA");
    for (int i = 0; i < tests.size(); ++i)
        seen << tests[i] + " / " + disciplines[i];
    EXPECT_EQ(seen, rows);
    const QStringList options = OptionsLines();
    const qsizetype section = options.indexOf("[Results_View]");
    ASSERT_GE(section, 0) << options.join('\n').toStdString();
    EXPECT_TRUE(options.mid(section).contains("Test_Column=1"));
    EXPECT_TRUE(options.mid(section).contains("Discipline_Column=1"));
    EXPECT_TRUE(options.contains("[DataBase]")) << "the program's own sections stay";

    // Taken away, the view is its own again.
    ChooseFromMenu("test_column_act");
    ChooseFromMenu("discipline_column_act");
    ClickTitle("VREMA");
    ClickTitle("VREMA");
    EXPECT_EQ(ColumnOf("TEST_NAZVA"), -1);
    EXPECT_EQ(Results().SelectSQL(), ResultatStatements().SelectSQL);
    EXPECT_TRUE(OptionsLines().contains("Test_Column=0"));
}

TEST_F(ResultsView, SummaryByFacultyAndHistogramAreTheServersFigures) {
    StartOnResults();
    ShowBar();
    Type(bar->mark_min_e, "20");
    Apply();
    ChooseFromMenu("summary_act");
    TResultsSummary* summary = view->Summary();
    ASSERT_TRUE(summary);
    ASSERT_SOON(summary->isVisible());
    const QStringList expected = IsqlLines(
        "select f.nazva || '|' || count(*) || '|' || avg(r.ocinka) || '|' || min(r.ocinka) || "
        "'|' || max(r.ocinka)" +
        kFrom + "where r.ocinka >= 20 group by f.f_id, f.nazva order by f.nazva, f.f_id");
    ASSERT_EQ(summary->summary_table->rowCount(), expected.size());
    for (int r = 0; r < expected.size(); ++r) {
        const QStringList f = expected[r].split('|');
        ASSERT_EQ(f.size(), 5);
        EXPECT_EQ(summary->summary_table->item(r, 0)->text(), f[0]);
        EXPECT_EQ(summary->summary_table->item(r, 1)->text(), f[1]);
        EXPECT_NEAR(summary->summary_table->item(r, 2)->text().toDouble(), f[2].toDouble(), 0.005);
        EXPECT_DOUBLE_EQ(summary->summary_table->item(r, 3)->text().toDouble(), f[3].toDouble());
        EXPECT_DOUBLE_EQ(summary->summary_table->item(r, 4)->text().toDouble(), f[4].toDouble());
    }
    for (int b = 0; b < kHistogramBins; ++b) {
        const QString upper = b == kHistogramBins - 1
                                  ? QStringLiteral("r.ocinka <= 100")
                                  : QStringLiteral("r.ocinka < %1").arg(b * 10 + 10);
        EXPECT_EQ(summary->histogram->Counts()[b],
                  db.QueryInt(QStringLiteral("select count(*)%1where r.ocinka >= 20 and "
                                             "r.ocinka >= %2 and %3")
                                  .arg(kFrom)
                                  .arg(b * 10)
                                  .arg(upper)))
            << "bin " << b;
    }
    // Grouped by course: as many rows as courses hold such results, and the
    // same histogram, whether it comes with the groups or from a read of its
    // own (by test, which joins the tests the filter does not).
    const auto histogram = summary->histogram->Counts();
    summary->by_cb->setFocus();
    for (const int by : {4, 1}) {
        summary->by_cb->setCurrentIndex(by);
        emit summary->by_cb->activated(by);
        EXPECT_EQ(summary->histogram->Counts(), histogram) << "grouped by " << by;
    }
    EXPECT_EQ(summary->summary_table->rowCount(),
              db.QueryInt("select count(distinct s.kurs)" + kFrom + "where r.ocinka >= 20"));

    // Exported and saved as the user names the files.
    const QString csv = folder.FilePath("summary.csv");
    dialogs.onModal = [csv](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        ASSERT_TRUE(files);
        files->selectFile(csv);
        dialog.accept();
    };
    QTest::mouseClick(summary->csv_btn, Qt::LeftButton);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    EXPECT_EQ(lines.first(), "Year,Results,Average,Lowest,Highest");
    EXPECT_TRUE(lines.contains(QStringLiteral("0-10,%1").arg(summary->histogram->Counts()[0])));
    const QString png = folder.FilePath("histogram.png");
    dialogs.onModal = [png](QDialog& dialog) {
        qobject_cast<QFileDialog*>(&dialog)->selectFile(png);
        dialog.accept();
    };
    QTest::mouseClick(summary->png_btn, Qt::LeftButton);
    QImage saved(png);
    EXPECT_FALSE(saved.isNull());
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

namespace {

struct BadInput {
    const char* name;
    std::function<void(ResultsView&)> fill;
    QLabel* TResultsFilterBar::*message;
    const char* text;
    QLineEdit* TResultsFilterBar::*kept;
    const char* typed;
};

const BadInput kBadInputs[] = {
    {"end before start",
     [](ResultsView& t) {
         t.Type(t.bar->from_e, "15.03.2025");
         t.Type(t.bar->to_e, "14.03.2025");
     },
     &TResultsFilterBar::dates_err_lbl, "The end date is before the start date",
     &TResultsFilterBar::to_e, "14.03.2025"},
    {"no such date", [](ResultsView& t) { t.Type(t.bar->from_e, "31.02.2025"); },
     &TResultsFilterBar::dates_err_lbl, "Type dates as dd.mm.yyyy", &TResultsFilterBar::from_e,
     "31.02.2025"},
    {"marks out of order",
     [](ResultsView& t) {
         t.Type(t.bar->mark_min_e, "70");
         t.Type(t.bar->mark_max_e, "30");
     },
     &TResultsFilterBar::marks_err_lbl, "The highest mark is below the lowest",
     &TResultsFilterBar::mark_max_e, "30"},
    {"letters the database cannot hold",
     [](ResultsView& t) { t.Type(t.bar->name_e, QString::fromUtf8("Ко\u5F20")); },
     &TResultsFilterBar::name_err_lbl, "The database cannot hold these letters",
     &TResultsFilterBar::name_e, "Ко\u5F20"},
};

} // namespace

TEST_F(ResultsView, TheShowMenuItemShowsTheBarInTheResultsViewOnly) {
    StartOnResults();
    QMenu* show = main_frm->show_mnu;
    QAction* item = main_frm->results_filter_mnu;
    const auto clickInShowMenu = [&](QAction* action) {
        QMenuBar* menus = main_frm->menuBar();
        QTest::mouseClick(menus, Qt::LeftButton, {},
                          menus->actionGeometry(show->menuAction()).center());
        ASSERT_SOON(show->isVisible());
        QTest::mouseClick(show, Qt::LeftButton, {}, show->actionGeometry(action).center());
        ASSERT_SOON(!show->isVisible());
    };
    EXPECT_EQ(item->text(), "Filter bar");
    EXPECT_TRUE(item->isEnabled());
    EXPECT_FALSE(item->isChecked());
    clickInShowMenu(item);
    ASSERT_SOON(bar->isVisible());
    EXPECT_TRUE(item->isChecked());
    // The key hides it again, and the menu's mark follows. (The offscreen
    // platform does not give the window back its activation after a menu.)
    main_frm->activateWindow();
    ASSERT_SOON(main_frm->isActiveWindow());
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_SOON(!bar->isVisible());
    EXPECT_FALSE(item->isChecked());
    clickInShowMenu(main_frm->students_mnu);
    ASSERT_SOON(main_frm->student_db->isVisible());
    EXPECT_FALSE(item->isEnabled()) << "the bar belongs to the results view";
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(ResultsView, BadInputIsToldBesideItsFieldAndNothingIsSentOrLost) {
    StartOnResults();
    ShowBar();
    Choose(bar->faculty_cb, 2);
    Apply();
    const QStringList applied = Results().SelectSQL();
    const QString count = view->count_lbl->text();
    for (const BadInput& c : kBadInputs) {
        SCOPED_TRACE(c.name);
        QTest::mouseClick(bar->clear_btn, Qt::LeftButton);
        Choose(bar->faculty_cb, 2);
        Apply();
        c.fill(*this);
        Apply();
        QLabel* message = bar->*(c.message);
        EXPECT_TRUE(message->isVisible());
        EXPECT_EQ(message->text(), c.text);
        EXPECT_EQ((bar->*(c.kept))->text(), QString::fromUtf8(c.typed));
        EXPECT_EQ(bar->faculty_cb->currentData(), QVariant(2)) << "the other fields stay";
        EXPECT_EQ(Results().SelectSQL(), applied) << "nothing was sent";
        EXPECT_EQ(view->count_lbl->text(), count);
        EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    }
    // Put right, the message goes and the filter applies.
    QTest::mouseClick(bar->clear_btn, Qt::LeftButton);
    EXPECT_FALSE(bar->dates_err_lbl->isVisible());
    EXPECT_FALSE(bar->name_err_lbl->isVisible());
}

TEST_F(ResultsView, EscStopsALongReadToTheLastRowAndKeepsTheRowsRead) {
    StartOnResults();
    const qint64 all = db.QueryInt("select count(*)" + kFrom);
    const int window = Results().FetchedCount();
    QElapsedTimer sinceEsc;
    qint64 stoppedAfter = -1;
    bool progressShown = false;
    // Esc goes where the user's key goes: to the progress box once it shows.
    QTimer::singleShot(350, grid, [&] {
        auto* box = main_frm->findChild<QProgressDialog*>(kCancellableProgressName);
        progressShown = box && box->isVisible();
        sinceEsc.start();
        QTest::keyClick(progressShown ? static_cast<QWidget*>(box) : grid, Qt::Key_Escape);
    });
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    if (sinceEsc.isValid())
        stoppedAfter = sinceEsc.elapsed();
    ASSERT_TRUE(sinceEsc.isValid()) << "the read ended before Esc; make it longer";
    EXPECT_TRUE(progressShown);
    EXPECT_LT(stoppedAfter, 2000);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    const int read = Results().FetchedCount();
    EXPECT_GT(read, window);
    EXPECT_LT(read, all);
    EXPECT_FALSE(Results().AtEnd()) << "the move to the last row did not happen";
    // The connection goes on: the next statement is not cancelled.
    ChooseFromMenu("filter_bar_act");
    ASSERT_SOON(bar->isVisible());
    EXPECT_EQ(view->count_lbl->text().toStdString(),
              QStringLiteral("%1 results").arg(all).toStdString());
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}
