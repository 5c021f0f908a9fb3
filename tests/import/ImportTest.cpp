// Students brought in from CSV files through the real main window: the file
// chosen in the file dialog, the mapping guessed, every row checked and shown
// with its problem, the good rows written in one transaction and committed,
// Cancel and a refused row taking everything back, the skipped rows saved
// and opened again after fixing, the grid's export read back unchanged, and
// every broken file refused with a clear message. What the database holds
// afterwards is read through isql, a connection of its own.

#include "tests/app/ShellFixture.h"
#include "tests/support/Soon.h"
#include "tests/support/TestDatabase.h"

#include "app/ImportStudents.h"
#include "base/TextCodec.h"
#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "dataset/pFIBDataSet.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace veltor::test;

namespace {

// A trigger that refuses one last name, as a server rule would.
const char kSetup[] = "CREATE EXCEPTION REFUSED_STUDENT 'This student is refused by a rule';\n"
                      "SET TERM ^ ;\n"
                      "CREATE TRIGGER STUDENT_REFUSE FOR STUDENT BEFORE INSERT AS BEGIN\n"
                      "  IF (NEW.FAMILIYA = 'Refused') THEN EXCEPTION REFUSED_STUDENT;\n"
                      "END^\n"
                      "SET TERM ; ^\n"
                      "COMMIT;\n";

QByteArray Utf8(const char* text) {
    return QByteArray(text);
}

class Import : public ShellFixture {
protected:
    Import() : db(ProgramDatabase(TestData::Fixture, QString::fromLatin1(kSetup))) {
        main_frm->SetDatabaseLinkSteps(nullptr);
    }
    ~Import() override {
        if (main_frm && main_frm->isVisible()) {
            dialogs.answers = {TMsgResult::No};
            main_frm->hide();
        }
    }

    void Start() {
        folder.WriteFile("Languages/English.olg", [] {
            QFile f(SourceDir() + "/settings/languages/English.olg");
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }());
        folder.WriteFile("options.ini", ProgramOptions(db.ConnectionString(), TestUser(),
                                                       TestPassword(), "English"));
        StartAndShow();
    }

    void Choose(QMenu* menu, QAction* item) {
        QMenuBar* bar = main_frm->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        ASSERT_SOON(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        ASSERT_SOON(!menu->isVisible());
    }

    // Opens the import from the Program menu, chooses path in its file
    // dialog and hands the dialog to act; then closes it as the user would.
    // fileDialog, when given, acts on the file dialog instead of a plain
    // choice of path.
    void RunImport(const QString& path, const std::function<void(TImportStudentsDialog&)>& act,
                   const std::function<void(QFileDialog&)>& fileDialog = {}) {
        bool shown = false;
        dialogs.onModal = [&](QDialog& dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
                if (dialog.objectName() == "import_skipped_dlg" && !savePath.isEmpty()) {
                    files->selectFile(savePath);
                    dialog.accept();
                    return;
                }
                if (dialog.objectName() != "import_csv_dlg")
                    return;
                if (fileDialog) {
                    fileDialog(*files);
                    return;
                }
                files->selectFile(path);
                dialog.accept();
                return;
            }
            auto* import = dynamic_cast<TImportStudentsDialog*>(&dialog);
            ASSERT_TRUE(import) << dialog.objectName().toStdString();
            shown = true;
            QTest::mouseClick(Button(*import, "choose_file_btn"), Qt::LeftButton);
            act(*import);
            QTest::mouseClick(Button(*import, "close_btn"), Qt::LeftButton);
        };
        Choose(main_frm->program_mnu, main_frm->import_students_mnu);
        dialogs.onModal = nullptr;
        EXPECT_TRUE(shown);
    }

    static QPushButton* Button(QDialog& dialog, const char* name) {
        auto* b = dialog.findChild<QPushButton*>(name);
        EXPECT_TRUE(b) << name;
        return b;
    }

    // The preview's cell as the user sees it.
    static QString Cell(TImportStudentsDialog& d, int row, int column) {
        QAbstractItemModel* m = d.Preview()->model();
        if (column < 0)
            column += m->columnCount();
        return m->data(m->index(row, column)).toString();
    }

    QString WriteCsv(const QString& name, const QByteArray& bytes) {
        folder.WriteFile(name, bytes);
        return folder.FilePath(name);
    }

    long long Students(const QString& where = QString()) const {
        return db.QueryInt("select count(*) from student" +
                           (where.isEmpty() ? QString() : " where " + where));
    }
    long long Generator() const {
        return db.QueryInt("select gen_id(GEN_STUDENT_ID, 0) from rdb$database");
    }

    TestDatabase& db;
    QString savePath; // what the skipped rows' file dialog is answered with
};

TEST_F(Import, ChecksEveryRowWritesTheGoodOnesAndShowsThem) {
    Start();
    // UTF-8 with a mark, semicolons, the header in Ukrainian, faculties by
    // name and by short name in any letter case.
    const QString path =
        WriteCsv("new.csv",
                 Utf8("\xEF\xBB\xBF"
                      "Прізвище;Ім’я;По батькові;Курс;Група;Факультет\r\n"
                      "Alpha;Anna;Ivanivna;1;ФФ-11;Фізичний факультет\r\n" // 2 good
                      "Beta;Borys;;2;ФФ-21;фф\r\n"                         // 3 good, no patronymic
                      ";Nobody;;1;ФФ-11;ФФ\r\n"                            // 4
                      "Gamma;Galyna;;1;ABCDEFGHIJK;ФФ\r\n"                 // 5
                      "Delta;Dmytro\xCE\xA9;;1;ФФ-11;ФФ\r\n"               // 6 Greek omega
                      "Epsilon;Eva;;0;ФФ-11;ФФ\r\n"                        // 7
                      "Zeta;Zoia;;2a;ФФ-11;ФФ\r\n"                         // 8
                      "Eta;Ella;;1;ФФ-11;Хімічний\r\n"                     // 9
                      "alpha ;ANNA;ivanivna;3;фф-11;ФФ\r\n"                // 10 same as 2
                      "Шевченко;Тарас;Григорович;1;ФКН-11;ФКН\r\n"         // 11 in the database
                      "Theta;Tina;;1;ФФ-11\r\n"                            // 12 too few
                      "\"Iota;\"\"I\"\"\";\"Ira\r\nRose\";;4;ФФ-41;ФФ;extra\r\n" // 13 too many
                      "\"Kappa; Jr.\";\"Kira\";;4;ФФ-41;ІФ\r\n"));               // 15 good
    const long long before = Students();
    const long long keyBefore = Generator();

    dialogs.answers = {TMsgResult::Yes}; // skip the bad rows
    RunImport(path, [&](TImportStudentsDialog& d) {
        // The mapping as guessed from the header.
        const char* expected[] = {"Last name", "First name", "Patronymic",
                                  "Year",      "Group",      "Faculty"};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(d.MappingBox(i)->currentText(), expected[i]) << i;
        EXPECT_EQ(d.EncodingBox()->currentText(), "Automatic (UTF-8)");
        EXPECT_EQ(d.SeparatorBox()->currentText(), "Automatic (Semicolon)");

        const struct {
            int line;
            const char* problem;
        } rows[] = {
            {2, ""},
            {3, ""},
            {4, "no last name"},
            {5, "Group longer than 10 characters"},
            {6, "First name holds \"\u03A9\", which the database cannot store"},
            {7, "year \"0\" is not a positive whole number"},
            {8, "year \"2a\" is not a positive whole number"},
            {9, "unknown faculty \"Хімічний\""},
            {10, "the same student as on line 2"},
            {11, "already in the database"},
            {12, "5 fields where the header has 6"},
            {13, "7 fields where the header has 6"},
            {15, ""},
        };
        ASSERT_EQ(d.Preview()->model()->rowCount(), int(std::size(rows)));
        for (int i = 0; i < int(std::size(rows)); ++i) {
            EXPECT_EQ(Cell(d, i, 0), QString::number(rows[i].line)) << i;
            EXPECT_EQ(Cell(d, i, -1), QString::fromUtf8(rows[i].problem)) << rows[i].line;
        }
        EXPECT_EQ(Cell(d, 12, 1), "Kappa; Jr.");
        EXPECT_EQ(d.Summary()->text(), "Rows: 13. To be written: 3. With problems: 10.");
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
        EXPECT_FALSE(d.ImportButton()->isEnabled()) << "written once";
    });
    ASSERT_TRUE(dialogs.ErrorTexts().isEmpty()) << dialogs.Texts().join('\n').toStdString();
    EXPECT_TRUE(dialogs.Texts().contains(
        "10 rows have problems and will be skipped. Import the other 3 rows? Answer No to fix "
        "the file first."));
    EXPECT_TRUE(dialogs.Texts().contains("Students imported: 3. Rows skipped: 10."));

    // Committed (isql sees it), with keys drawn from the generator, empty
    // text stored as null as the grid stores it.
    EXPECT_EQ(Students(), before + 3);
    EXPECT_EQ(Generator(), keyBefore + 3);
    EXPECT_EQ(
        db.QueryInt("select count(*) from student where s_id > " + QString::number(keyBefore)), 3);
    EXPECT_EQ(db.QueryInt("select count(*) from student where familiya = 'Alpha' and imya = "
                          "'Anna' and otchestvo = 'Ivanivna' and kurs = 1 and f_id = 2"),
              1);
    EXPECT_EQ(db.QueryInt("select count(*) from student where familiya = 'Beta' and "
                          "otchestvo is null and kurs = 2 and f_id = 2"),
              1);
    EXPECT_EQ(db.QueryInt("select count(*) from student where familiya = 'Kappa; Jr.' and "
                          "imya = 'Kira' and kurs = 4 and f_id = 3"),
              1);

    // The students view shows the first new student's faculty and them.
    EXPECT_TRUE(main_frm->students_mnu->isChecked());
    EXPECT_EQ(main_frm->faculty_dataset->FieldByName("F_ID")->AsInteger(), 2);
    EXPECT_TRUE(main_frm->student_dataset->Locate("FAMILIYA", Variant(QString("Beta")), 0));
}

TEST_F(Import, AnsweringNoToSkippingWritesNothing) {
    Start();
    const QString path = WriteCsv("fix-first.csv", "Last name,First name,Year,Group,Faculty\n"
                                                   "Mu,Maria,1,G-1,ФФ\n"
                                                   "Nu,Nina,x,G-1,ФФ\n");
    const long long before = Students();
    dialogs.answers = {TMsgResult::No};
    RunImport(path, [&](TImportStudentsDialog& d) {
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
        EXPECT_TRUE(d.ImportButton()->isEnabled()) << "the user may still change the mapping";
    });
    EXPECT_EQ(Students(), before);
    EXPECT_EQ(Students("familiya = 'Mu'"), 0);
    EXPECT_TRUE(dialogs.answers.empty()) << "the question was asked";
}

TEST_F(Import, CancelTakesBackEveryRowWritten) {
    Start();
    QByteArray bytes = "Last name,First name,Year,Group,Faculty\n";
    for (int i = 0; i < 3000; ++i)
        bytes += "Cancelled" + QByteArray::number(i) + ",C,1,G-1,ФІЗИЧНИЙ ФАКУЛЬТЕТ\n";
    const QString path = WriteCsv("cancel.csv", bytes);
    const long long before = Students();

    QString label;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* progress = main_frm->findChild<QProgressDialog*>("import_progress_dlg");
        if (!progress || !progress->isVisible() || progress->value() < 500)
            return;
        label = progress->findChild<QLabel*>()->text();
        watcher.stop();
        QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    });
    RunImport(path, [&](TImportStudentsDialog& d) {
        EXPECT_EQ(d.Summary()->text(), "Rows: 3000. To be written: 3000. With problems: 0.");
        watcher.start();
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
        EXPECT_EQ(d.Written(), 0);
        EXPECT_TRUE(d.ImportButton()->isEnabled()) << "it may be tried again";
    });
    EXPECT_TRUE(label.startsWith("Rows written: ")) << label.toStdString();
    EXPECT_TRUE(dialogs.Texts().contains("The import was cancelled. Nothing was written."))
        << dialogs.Texts().join('\n').toStdString();
    // Nothing now, and nothing after the view's next commit either.
    main_frm->disciplines_mnu->trigger();
    EXPECT_EQ(Students(), before);
    EXPECT_EQ(Students("familiya starting with 'Cancelled'"), 0);
    EXPECT_TRUE(dialogs.ErrorTexts().isEmpty()) << dialogs.ErrorTexts().join('\n').toStdString();
}

TEST_F(Import, ARowTheServerRefusesTakesBackTheWholeImportAndIsNamed) {
    Start();
    const QString path = WriteCsv("refused.csv", "Last name,First name,Year,Group,Faculty\n"
                                                 "Omicron,Olha,1,G-1,ФФ\n"
                                                 "Pi,Petro,1,G-1,ФФ\n"
                                                 "Refused,Roman,1,G-1,ФФ\n"
                                                 "Rho,Rita,1,G-1,ФФ\n");
    const long long before = Students();
    RunImport(path, [&](TImportStudentsDialog& d) {
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
        EXPECT_EQ(d.Written(), 0);
    });
    ASSERT_EQ(dialogs.ErrorTexts().size(), 1) << dialogs.Texts().join('\n').toStdString();
    const QString error = dialogs.ErrorTexts().first();
    EXPECT_TRUE(error.startsWith("Line 4 could not be written: ")) << error.toStdString();
    EXPECT_TRUE(error.contains("This student is refused by a rule")) << error.toStdString();
    EXPECT_TRUE(error.endsWith("Nothing was imported.")) << error.toStdString();
    main_frm->disciplines_mnu->trigger(); // the view's commit
    EXPECT_EQ(Students(), before);
    EXPECT_EQ(Students("familiya in ('Omicron', 'Pi', 'Rho')"), 0);
}

TEST_F(Import, BrokenFilesAreRefusedWithAClearMessageAndNothingIsWritten) {
    Start();
    const QString big = folder.FilePath("big.csv");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Last name\nSigma\n");
        ASSERT_TRUE(f.resize(100LL * 1024 * 1024)); // 100 MB, mostly a hole
    }
    const QString gone = WriteCsv("gone.csv", "Last name\nTau\n");
    const struct {
        const char* name;
        QString path;
        const char* message; // %1: the file's path
        bool removeWhileChosen;
    } cases[] = {
        {"not text", WriteCsv("picture.csv", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
         "The file %1 is not a text file.", false},
        {"empty", WriteCsv("empty.csv", ""), "The file %1 is empty.", false},
        {"blank lines only", WriteCsv("blank.csv", "\r\n\r\n"), "The file %1 is empty.", false},
        {"header only", WriteCsv("header.csv", "Last name,First name\r\n"),
         "The file %1 has a header but no rows.", false},
        {"quote open at the end",
         WriteCsv("open-quote.csv", "Last name,First name\nUpsilon,Ulana\n\"Phi,Fedir\n"),
         "In the file %1 the quote opened on line 3 is never closed.", false},
        {"100 MB", big, "The file %1 is larger than 32 MB and is not read.", false},
        {"gone before it is read", gone, "The file %1 cannot be opened.", true},
    };
    const long long before = Students();
    for (const auto& c : cases) {
        dialogs.messages.clear();
        RunImport(
            c.path,
            [&](TImportStudentsDialog& d) {
                EXPECT_FALSE(d.ImportButton()->isEnabled()) << c.name;
                EXPECT_EQ(d.Preview()->model()->rowCount(), 0) << c.name;
                QTest::mouseClick(d.ImportButton(), Qt::LeftButton); // disabled: nothing
            },
            [&](QFileDialog& files) {
                files.selectFile(c.path);
                if (c.removeWhileChosen)
                    QFile::remove(c.path);
                files.QDialog::accept();
            });
        EXPECT_EQ(dialogs.ErrorTexts(), QStringList{QString::fromUtf8(c.message).arg(c.path)})
            << c.name;
    }
    EXPECT_EQ(Students(), before);

    // Still usable: a good file after all of them goes in.
    dialogs.messages.clear();
    const QString good = WriteCsv("after.csv", "Last name,Faculty\nChi,ФФ\n");
    RunImport(good, [&](TImportStudentsDialog& d) {
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(dialogs.ErrorTexts().isEmpty()) << dialogs.Texts().join('\n').toStdString();
    EXPECT_EQ(Students("familiya = 'Chi' and imya is null and f_id = 2"), 1);
}

TEST_F(Import, EncodingIsDetectedAndCanBeOverridden) {
    Start();
    const QString path = WriteCsv(
        "cp1251.csv", EncodeText(QString::fromUtf8("Фамилия\tИмя\tКурс\tГруппа\tФакультет\r\n"
                                                   "Психея\tОльга\t2\tФФ-21\tФФ\r\n")));
    const long long before = Students();
    RunImport(path, [&](TImportStudentsDialog& d) {
        EXPECT_EQ(d.EncodingBox()->currentText(), "Automatic (WIN1251)");
        EXPECT_EQ(d.SeparatorBox()->currentText(), "Automatic (Tab)");
        EXPECT_EQ(d.MappingBox(0)->currentText(), "Last name") << "the Russian header";
        EXPECT_EQ(Cell(d, 0, 1), QString::fromUtf8("Психея"));
        EXPECT_EQ(Cell(d, 0, -1), "");
        // Read as UTF-8 the bytes are no text the database can store.
        d.EncodingBox()->setCurrentIndex(1);
        EXPECT_TRUE(Cell(d, 0, -1).contains("which the database cannot store"))
            << Cell(d, 0, -1).toStdString();
        d.EncodingBox()->setCurrentIndex(2);
        EXPECT_EQ(Cell(d, 0, 1), QString::fromUtf8("Психея"));
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
    });
    EXPECT_EQ(Students(), before + 1);
    EXPECT_TRUE(dialogs.ErrorTexts().isEmpty()) << dialogs.Texts().join('\n').toStdString();
}

TEST_F(Import, MappingIsRememberedForTheNextFileWithTheSameHeaders) {
    Start();
    const QString path = WriteCsv("mapped.csv", "Who,Given,Faculty\nPsi,Polina,ФФ\n");
    RunImport(path, [&](TImportStudentsDialog& d) {
        EXPECT_EQ(d.MappingBox(0)->currentText(), "(not imported)");
        EXPECT_EQ(Cell(d, 0, -1), "no last name");
        d.MappingBox(0)->setCurrentIndex(d.MappingBox(0)->findText("Last name"));
        d.MappingBox(1)->setCurrentIndex(d.MappingBox(1)->findText("First name"));
        EXPECT_EQ(Cell(d, 0, -1), "");
    });
    const TIniFile options(folder.FilePath("options.ini"));
    EXPECT_EQ(options.ReadString("Import", "who", ""), "last_name");
    EXPECT_EQ(options.ReadString("Import", "given", ""), "first_name");
    EXPECT_TRUE(OptionsLines().contains("[DataBase]")) << "the program's own settings stay";

    RunImport(path, [&](TImportStudentsDialog& d) {
        EXPECT_EQ(d.MappingBox(0)->currentText(), "Last name");
        EXPECT_EQ(d.MappingBox(1)->currentText(), "First name");
        EXPECT_EQ(d.MappingBox(2)->currentText(), "Faculty");
    });
}

TEST_F(Import, SkippedRowsSavedFixedAndOpenedAgainGoIn) {
    Start();
    const QString path = WriteCsv("skip.csv", "Last name;First name;Year;Faculty\n"
                                              "Omega;Olena;1;ФФ\n"
                                              "Ypsilon;Yulia;first;ФФ\n"
                                              "Zhu;\"Zhanna;Z\";2;Nowhere\n");
    const QString report = folder.FilePath("skipped.csv");
    dialogs.answers = {TMsgResult::Yes};
    savePath = report;
    RunImport(path, [&](TImportStudentsDialog& d) {
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
        QTest::mouseClick(Button(d, "save_skipped_btn"), Qt::LeftButton);
    });
    EXPECT_TRUE(dialogs.modals.contains("import_skipped_dlg"));
    EXPECT_EQ(Students("familiya = 'Omega'"), 1);
    QFile f(report);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const TCsvTable saved = ReadCsv(f.readAll());
    EXPECT_EQ(saved.separator, ';');
    ASSERT_EQ(saved.records.size(), 3);
    EXPECT_EQ(saved.records[0],
              (QStringList{"Last name", "First name", "Year", "Faculty", "Problem"}));
    EXPECT_EQ(saved.records[1], (QStringList{"Ypsilon", "Yulia", "first", "ФФ",
                                             "year \"first\" is not a positive whole number"}));
    EXPECT_EQ(saved.records[2],
              (QStringList{"Zhu", "Zhanna;Z", "2", "Nowhere", "unknown faculty \"Nowhere\""}));

    // Fixed in a spreadsheet: the problems put right, the column left.
    f.close();
    QByteArray bytes;
    for (const QStringList& r : saved.records) {
        QStringList row = r;
        if (row[2] == "first")
            row[2] = "1";
        if (row[3] == "Nowhere")
            row[3] = "ІФ";
        for (int i = 0; i < row.size(); ++i) {
            if (i)
                bytes += ';';
            AppendCsvField(bytes, row[i], ';');
        }
        EndCsvRecord(bytes);
    }
    WriteCsv("skipped.csv", bytes);
    dialogs.messages.clear();
    RunImport(report, [&](TImportStudentsDialog& d) {
        EXPECT_EQ(d.MappingBox(4)->currentText(), "(not imported)") << "the problem column";
        EXPECT_EQ(d.Summary()->text(), "Rows: 2. To be written: 2. With problems: 0.");
        QTest::mouseClick(d.ImportButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(dialogs.ErrorTexts().isEmpty()) << dialogs.Texts().join('\n').toStdString();
    EXPECT_EQ(Students("familiya = 'Ypsilon' and kurs = 1 and f_id = 2"), 1);
    EXPECT_EQ(Students("familiya = 'Zhu' and imya = 'Zhanna;Z' and f_id = 3"), 1);
}

TEST_F(Import, WhatTheStudentsGridExportsComesBackUnchanged) {
    Start();
    // The first faculty's students, exported from their grid.
    ASSERT_EQ(main_frm->faculty_dataset->FieldByName("F_ID")->AsInteger(), 1);
    const QString path = folder.FilePath("export.csv");
    ASSERT_TRUE(main_frm->student_db->Actions().ExportToCsvFile(path));
    // Into the third faculty, from the students grid's context menu: the
    // file has no faculty column, so the rows go where the grid would put
    // them.
    ASSERT_TRUE(main_frm->faculty_dataset->Locate("F_ID", Variant(int32_t(3)), 0));
    const long long before = Students("f_id = 3");
    const long long keyBefore = Generator();
    bool shown = false;
    dialogs.onModal = [&](QDialog& dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
            files->selectFile(path);
            dialog.accept();
            return;
        }
        auto* d = dynamic_cast<TImportStudentsDialog*>(&dialog);
        ASSERT_TRUE(d);
        shown = true;
        QTest::mouseClick(Button(*d, "choose_file_btn"), Qt::LeftButton);
        EXPECT_EQ(d->MappingBox(0)->currentText(), "(not imported)") << "the key column";
        EXPECT_EQ(d->findChild<QLabel*>("import_faculty_lbl")->text(),
                  QString::fromUtf8(
                      "No faculty column; every row goes to the faculty: Історичний факультет"));
        QTest::mouseClick(d->ImportButton(), Qt::LeftButton);
        QTest::mouseClick(Button(*d, "close_btn"), Qt::LeftButton);
    };
    TDBGrid* grid = main_frm->student_db;
    QMenu* menu = grid->Actions().ContextMenu();
    QAction* item = menu->findChild<QAction*>("import_students_act");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), "Import students...");
    grid->Actions().PopUpMenu(grid->mapToGlobal(QPoint(20, 40)));
    ASSERT_SOON(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    dialogs.onModal = nullptr;
    ASSERT_TRUE(shown);
    EXPECT_TRUE(dialogs.ErrorTexts().isEmpty()) << dialogs.Texts().join('\n').toStdString();

    const QString columns =
        "coalesce(familiya, '') || '|' || coalesce(imya, '') || '|' || coalesce(otchestvo, '') || "
        "'|' || coalesce(kurs, '') || '|' || coalesce(grupa, '')";
    const auto rows = [&](int faculty, const QString& extra) {
        QStringList out =
            db.Isql("set heading off; select " + columns +
                    " from student where f_id = " + QString::number(faculty) + extra + ";")
                .split('\n', Qt::SkipEmptyParts);
        for (QString& r : out)
            r = r.trimmed();
        out.removeAll(QString());
        out.sort();
        return out;
    };
    const QStringList exported = rows(1, "");
    ASSERT_FALSE(exported.isEmpty());
    EXPECT_EQ(Students("f_id = 3"), before + exported.size());
    EXPECT_EQ(rows(3, " and s_id > " + QString::number(keyBefore)), exported);
}

} // namespace
