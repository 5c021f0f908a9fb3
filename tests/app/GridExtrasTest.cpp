// The grids' context menu, CSV export and find bar in the real main window
// against a demo database on the local server: the export read back and
// compared with what the database holds (read through isql, a second
// connection), the copies through the clipboard, the find bar's next,
// previous and no match, and a cancelled export that leaves no file.

#include "tests/app/ShellFixture.h"
#include "tests/support/Soon.h"
#include "tests/support/TestDatabase.h"

#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "controls/GridFindBar.h"
#include "dataset/pFIBDataSet.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <charconv>

using namespace veltor::test;

namespace {

// RFC 4180 records of fields (quoted fields may hold separators and breaks).
QList<QStringList> ParseCsv(const QByteArray& utf8) {
    QList<QStringList> records;
    QStringList record;
    QByteArray field;
    bool quoted = false;
    bool begun = false;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        begun = true;
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < utf8.size() && utf8[i + 1] == '"')
                field += utf8[++i];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record << QString::fromUtf8(field);
            field.clear();
        } else if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            record << QString::fromUtf8(field);
            records << record;
            record.clear();
            field.clear();
            begun = false;
            ++i;
        } else {
            field += c;
        }
    }
    if (begun) {
        record << QString::fromUtf8(field);
        records << record;
    }
    return records;
}

// A number as the export writes it: the shortest text that reads back.
QString ShortestNumber(const QString& text) {
    if (text.isEmpty())
        return text;
    char out[32];
    const auto end = std::to_chars(out, out + sizeof out, text.toDouble()).ptr;
    return QString::fromLatin1(out, end - out);
}

// isql's "2026-04-17 16:43:00.0000" as ISO 8601 with milliseconds when there.
QString IsoTimestamp(const QString& text) {
    if (text.isEmpty())
        return text;
    QString iso = text.left(19);
    iso[10] = u'T';
    const int tenths = text.mid(20, 4).toInt(); // ten-thousandths of a second
    const int ms = (tenths + 5) / 10;
    if (ms != 0)
        iso += QStringLiteral(".%1").arg(ms, 3, 10, QLatin1Char('0'));
    return iso;
}

class GridExtras : public ShellFixture {
protected:
    GridExtras() : db(ProgramDatabase(TestData::Demo)) {
        main_frm->SetDatabaseLinkSteps(nullptr); // the real connection and datasets
    }
    ~GridExtras() override {
        if (main_frm && main_frm->isVisible()) {
            dialogs.answers = {TMsgResult::No};
            main_frm->hide();
        }
    }

    // The program in English, as its bundled file has it, on the results view.
    void StartOnResults() {
        folder.WriteFile("Languages/English.olg", [] {
            QFile f(SourceDir() + "/settings/languages/English.olg");
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }());
        folder.WriteFile("options.ini", ProgramOptions(db.ConnectionString(), TestUser(),
                                                       TestPassword(), "English"));
        StartAndShow();
        QMenuBar* bar = main_frm->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(main_frm->show_mnu->menuAction()).center());
        ASSERT_SOON(main_frm->show_mnu->isVisible());
        QTest::mouseClick(main_frm->show_mnu, Qt::LeftButton, {},
                          main_frm->show_mnu->actionGeometry(main_frm->results_mnu).center());
        ASSERT_SOON(main_frm->resultat_grid->isVisible());
        grid = main_frm->resultat_grid;
        ASSERT_TRUE(grid->DataLink().Active());
    }

    int ColumnOf(const QString& fieldName) const {
        for (int i = 0; i < static_cast<int>(grid->Columns().size()); ++i)
            if (grid->Columns()[i].Field->FieldName() == fieldName)
                return i;
        return -1;
    }
    TDataSet& Results() const { return *grid->DataLink().DataSet(); }

    // Right-clicks a cell and chooses an item of the menu that pops up.
    void ChooseFromMenu(int col, int row, const QString& objectName) {
        const QPoint pos = grid->CellRect(col, row).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, grid->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(grid->viewport(), &event);
        QMenu* menu = grid->Actions().ContextMenu();
        ASSERT_SOON(menu->isVisible());
        QAction* action = menu->findChild<QAction*>(objectName);
        ASSERT_TRUE(action);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        ASSERT_SOON(!menu->isVisible());
    }

    // The file dialog of the export, answered with path.
    void AnswerFileDialogWith(const QString& path) {
        dialogs.onModal = [path](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            ASSERT_TRUE(files);
            files->selectFile(path);
            dialog.accept(); // the file dialog's own accept, through its base
        };
    }

    void Type(QWidget* target, const QString& text) {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    QStringList Errors() const { return dialogs.ErrorTexts(); }

    TestDatabase& db;
    TDBGrid* grid = nullptr;
};

TEST_F(GridExtras, ExportWritesEveryResultAsTheDatabaseHoldsIt) {
    StartOnResults();
    Results().MoveBy(3);
    const int current = Results().RecordNumber();
    const QString path = folder.FilePath("results.csv");
    AnswerFileDialogWith(path);
    ChooseFromMenu(0, 3, "export_csv_act");
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    EXPECT_TRUE(dialogs.modals.contains("export_csv_dlg"));
    EXPECT_EQ(Results().RecordNumber(), current);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QStringList> records = ParseCsv(file.readAll());
    ASSERT_FALSE(records.isEmpty());
    QStringList titles;
    for (const TColumn& c : grid->Columns())
        titles << c.Title();
    EXPECT_EQ(records.takeFirst(), titles);
    EXPECT_EQ(titles.first(), "Name"); // the translated label, as the grid shows it
    EXPECT_EQ(titles.at(ColumnOf("FAMILIYA")), "Last name");

    // The database's rows through isql, in the export's form.
    const QString tab = "ascii_char(9)";
    const QString text =
        db.Isql("set heading off; set blob all; select list(r, ascii_char(10)) from (select "
                "coalesce(f.nazva, '') || " +
                tab + " || coalesce(s.kurs, '') || " + tab + " || coalesce(s.grupa, '') || " + tab +
                " || coalesce(s.familiya, '') || " + tab + " || coalesce(s.imya, '') || " + tab +
                " || coalesce(s.otchestvo, '') || " + tab + " || coalesce(r.ocinka, '') || " + tab +
                " || coalesce(r.vrema, '') as r from resultat r "
                "join student s on r.s_id = s.s_id join fakultet f on f.f_id = s.f_id);");
    const qsizetype begin = text.indexOf("LIST:");
    ASSERT_GE(begin, 0) << text.left(500).toStdString();
    const qsizetype from = text.indexOf('\n', begin) + 1;
    const qsizetype to = text.indexOf("\n=====", from);
    QStringList expected;
    for (const QString& line : text.mid(from, to - from).split('\n')) {
        QStringList f = line.split('\t');
        ASSERT_EQ(f.size(), 8) << line.toStdString();
        f[6] = ShortestNumber(f[6]);
        f[7] = IsoTimestamp(f[7]);
        expected << f.join('\t');
    }
    QStringList exported;
    for (const QStringList& r : records)
        exported << r.join('\t');
    ASSERT_EQ(exported.size(), db.QueryInt("select count(*) from resultat"));
    // The select has no order: both sides sorted, then compared row by row.
    std::sort(expected.begin(), expected.end());
    std::sort(exported.begin(), exported.end());
    ASSERT_EQ(exported.size(), expected.size());
    int differences = 0;
    for (qsizetype i = 0; i < exported.size() && differences < 5; ++i)
        if (exported[i] != expected[i]) {
            ++differences;
            ADD_FAILURE() << "exported: " << exported[i].toStdString()
                          << "\ndatabase: " << expected[i].toStdString();
        }
}

TEST_F(GridExtras, ContextMenuCopiesTheCellAndTheRowThroughTheClipboard) {
    StartOnResults();
    QMenu* menu = grid->Actions().ContextMenu();
    EXPECT_EQ(menu->findChild<QAction*>("copy_cell_act")->text(), "Copy cell");
    EXPECT_EQ(menu->findChild<QAction*>("copy_row_act")->text(), "Copy row");
    EXPECT_EQ(menu->findChild<QAction*>("export_csv_act")->text(), "Export to CSV...");

    const int lastName = ColumnOf("FAMILIYA");
    QApplication::clipboard()->clear();
    ChooseFromMenu(lastName, 4, "copy_cell_act");
    // The right click made the clicked cell current.
    EXPECT_EQ(grid->DataLink().ActiveRow(), 4);
    EXPECT_EQ(grid->SelectedIndex(), lastName);
    EXPECT_EQ(QApplication::clipboard()->text(), Results().FieldByName("FAMILIYA")->DisplayText());

    ChooseFromMenu(0, 2, "copy_row_act");
    QStringList cells;
    for (const TColumn& c : grid->Columns())
        cells << c.Field->DisplayText();
    EXPECT_EQ(QApplication::clipboard()->text(), cells.join('\t'));
    EXPECT_EQ(QApplication::clipboard()->text().count('\t'), 7);
    EXPECT_TRUE(
        QApplication::clipboard()->text().contains(Results().FieldByName("IMYA")->DisplayText()));
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(GridExtras, FindBarFindsNextAndPreviousInTheColumnAndSaysWhenNothingMatches) {
    StartOnResults();
    const int lastName = ColumnOf("FAMILIYA");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(lastName, 2).center());
    TField* field = Results().FieldByName("FAMILIYA");
    const QString prefix = field->AsString().left(3);
    const int start = Results().RecordNumber();

    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    TGridFindBar* bar = grid->Actions().FindBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->TextEdit()->hasFocus());
    EXPECT_EQ(bar->TextEdit()->placeholderText(), "Find in this column");
    Type(bar->TextEdit(), prefix.toLower()); // letter case does not matter

    const auto matches = [&] { return field->AsString().startsWith(prefix, Qt::CaseInsensitive); };
    QTest::keyClick(bar->TextEdit(), Qt::Key_Return);
    const int first = Results().RecordNumber();
    EXPECT_GT(first, start);
    EXPECT_TRUE(matches()) << field->AsString().toStdString();
    EXPECT_EQ(bar->Status(), "");
    QTest::mouseClick(bar->NextButton(), Qt::LeftButton);
    const int second = Results().RecordNumber();
    EXPECT_GT(second, first);
    EXPECT_TRUE(matches()) << field->AsString().toStdString();

    QTest::mouseClick(bar->PreviousButton(), Qt::LeftButton);
    EXPECT_EQ(Results().RecordNumber(), first);
    QTest::keyClick(bar->TextEdit(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Results().RecordNumber(), start);
    EXPECT_EQ(bar->Status(), "");

    // A text that no last name starts with.
    bar->TextEdit()->selectAll();
    Type(bar->TextEdit(), "Щщщщ");
    QTest::keyClick(bar->TextEdit(), Qt::Key_Return);
    EXPECT_EQ(bar->Status(), "No match");
    EXPECT_EQ(Results().RecordNumber(), start);
    Type(bar->TextEdit(), "ю");
    EXPECT_EQ(bar->Status(), "") << "typing clears the message";

    QTest::keyClick(bar->TextEdit(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(GridExtras, CancellingTheExportLeavesNoFile) {
    StartOnResults();
    const int current = Results().RecordNumber();
    const QString path = folder.FilePath("cancelled.csv");
    AnswerFileDialogWith(path);

    // The user presses Cancel once some rows were written.
    QString shown;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* progress = grid->findChild<QProgressDialog*>("export_progress_dlg");
        if (!progress || !progress->isVisible())
            return;
        const QString label = progress->findChild<QLabel*>()->text();
        if (label.section(' ', -1).toInt() < 4096)
            return;
        shown = label;
        watcher.stop();
        QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    });
    watcher.start();
    ChooseFromMenu(0, 0, "export_csv_act");

    EXPECT_TRUE(shown.startsWith("Rows written: ")) << shown.toStdString();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(
        QDir(folder.Path()).entryList({"cancelled.csv*"}, QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(Results().RecordNumber(), current);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
