// Input the program cannot keep as given: characters the database's
// character set lacks, a settings file that cannot be written, and settings
// and language files full of rubbish. The program says so or makes do with
// what it can read; it never stores a damaged value or a damaged file.

#include "tests/reliability/Sitting.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QProcess>
#include <QRandomGenerator>
#include <sys/mount.h>

using namespace veltor::test;

namespace {

class Input : public Sitting {};

TEST_F(Input, CharactersOutsideTheDatabasesSetAreRefusedAtTheField) {
    Start();
    const QString before = Query("select familiya from student where s_id = 1");
    for (const QString& pasted : {QStringLiteral("Шевченко😀"), QStringLiteral("Шевченко王")}) {
        SCOPED_TRACE(pasted.toStdString());
        dialogs.messages.clear();
        EditCell(main_frm->student_db, "FAMILIYA");
        Paste(main_frm->student_db, pasted);
        Press(main_frm->student_navigator, TNavigateBtn::nbPost);
        ASSERT_EQ(Errors().size(), 1) << ErrorList();
        EXPECT_THAT(Errors()[0].toStdString(), testing::HasSubstr("cannot be stored"));
        Press(main_frm->student_navigator, TNavigateBtn::nbCancel);
        EXPECT_EQ(main_frm->student_dataset->State(), stBrowse);
    }
    ShowDisciplines();
    EXPECT_EQ(Query("select familiya from student where s_id = 1"), before);
    EXPECT_EQ(db->QueryInt("select count(*) from student where familiya containing '?'"), 0);
}

TEST_F(Input, UkrainianAndRussianLettersRoundTripExactly) {
    Start();
    const QString name = QStringLiteral("Ґонта-Єрмак Їжакова Ёлкина");
    EditCell(main_frm->student_db, "FAMILIYA");
    Type(main_frm->student_db, name);
    Press(main_frm->student_navigator, TNavigateBtn::nbPost);
    ASSERT_TRUE(Errors().isEmpty()) << ErrorList();
    ShowDisciplines();
    EXPECT_EQ(Query("select familiya from student where s_id = 1"), name);
    ShowStudents();
    EXPECT_EQ(Current(main_frm->student_db, "FAMILIYA"), name);
}

// Ways text comes into an open cell editor other than plain typing, at the
// caret, which is at the end of the text. bring gives false where the
// platform has no such way.
struct Arrival {
    const char* name;
    std::function<bool(QLineEdit* editor, const QString& text)> bring;
};

std::vector<Arrival> Arrivals() {
    return {
        {"middle click",
         [](QLineEdit* editor, const QString& text) {
             QClipboard* clipboard = QGuiApplication::clipboard();
             if (!clipboard->supportsSelection())
                 return false;
             clipboard->setText(text, QClipboard::Selection);
             const QPoint end(editor->width() - 2, editor->height() / 2);
             QTest::mouseClick(editor, Qt::MiddleButton, {}, end);
             return true;
         }},
        {"drop",
         [](QLineEdit* editor, const QString& text) {
             QMimeData data;
             data.setText(text);
             const QPoint end(editor->width() - 2, editor->height() / 2);
             QDragEnterEvent enter(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(editor, &enter);
             QDragMoveEvent move(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(editor, &move);
             QDropEvent drop(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(editor, &drop);
             return true;
         }},
        {"keys with Ctrl+Alt (AltGr)",
         [](QLineEdit* editor, const QString& text) {
             for (QChar c : text)
                 QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c),
                                     Qt::ControlModifier | Qt::AltModifier);
             return true;
         }},
        {"input method",
         [](QLineEdit* editor, const QString& text) {
             QInputMethodEvent composing(text, {});
             QCoreApplication::sendEvent(editor, &composing);
             QInputMethodEvent commit;
             commit.setCommitString(text);
             QCoreApplication::sendEvent(editor, &commit);
             return true;
         }},
    };
}

// Opens the editor on a column of the current row with the caret at the end
// of its text.
void EditAtEnd(TDBGrid* grid, const QString& fieldName) {
    grid->setFocus();
    grid->SetSelectedIndex(ColumnOf(grid, fieldName));
    Keys(grid, Qt::Key_F2);
    Keys(grid, Qt::Key_End);
}

// Text pasted with the middle button showed in the cell while the row stayed
// in browse state, and the next view switch dropped it.
TEST_F(Input, TextComingInWithoutPlainTypingStartsEditingAndIsStored) {
    Start();
    for (const Arrival& a : Arrivals()) {
        SCOPED_TRACE(a.name);
        dialogs.messages.clear();
        const QString before = Current(main_frm->student_db, "FAMILIYA");
        const int id = main_frm->student_dataset->FieldByName("S_ID")->AsInteger();
        EditAtEnd(main_frm->student_db, "FAMILIYA");
        ASSERT_EQ(main_frm->student_dataset->State(), stBrowse);
        QLineEdit* editor = main_frm->student_db->InplaceEditor();
        ASSERT_TRUE(editor->isVisible());
        const QString pasted = QStringLiteral("-Пасте");
        if (!a.bring(editor, pasted)) {
            std::cout << "[   NOTE   ] no " << a.name << " on the platform "
                      << QGuiApplication::platformName().toStdString() << "\n";
            continue;
        }
        EXPECT_EQ(main_frm->student_dataset->State(), stEdit) << "the row is being edited";
        EXPECT_EQ(editor->text(), before + pasted);
        // Away from the students and back: the switch posts the row.
        ShowDisciplines();
        ASSERT_TRUE(Errors().isEmpty()) << ErrorList();
        EXPECT_EQ(Query(QStringLiteral("select familiya from student where s_id = %1").arg(id)),
                  before + pasted);
        ShowStudents();
        EXPECT_EQ(Current(main_frm->student_db, "FAMILIYA"), before + pasted);
    }
}

// Where the row may not be edited (the test grid does not start editing by
// itself) or the field does not take the text (letters for the course), the
// text is refused whole: the cell shows what it held and nothing is stored.
TEST_F(Input, TextComingInWhereTheRowMayNotTakeItIsRefused) {
    Start();
    struct Place {
        const char* what;
        void (*show)();
        TDBGrid* grid;
        TpFIBDataSet* dataset;
        const char* field;
        const char* keyField;
        const char* select; // the stored value of the row whose key is %1
        QString text;
    };
    const Place places[] = {
        {"the test grid", ShowDisciplines, main_frm->d_test_grid, main_frm->test_dataset, "NAZVA",
         "T_ID", "select nazva from test where t_id = %1", QStringLiteral("-Пасте")},
        {"letters for the course", ShowStudents, main_frm->student_db, main_frm->student_dataset,
         "KURS", "S_ID", "select kurs from student where s_id = %1", QStringLiteral("x")},
    };
    for (const Place& p : places) {
        for (const Arrival& a : Arrivals()) {
            SCOPED_TRACE(std::string(p.what) + ", " + a.name);
            p.show();
            const QString before = Current(p.grid, p.field);
            const int id = p.dataset->FieldByName(p.keyField)->AsInteger();
            EditAtEnd(p.grid, p.field);
            QLineEdit* editor = p.grid->InplaceEditor();
            ASSERT_TRUE(editor->isVisible());
            if (!a.bring(editor, p.text)) {
                std::cout << "[   NOTE   ] no " << a.name << " on the platform "
                          << QGuiApplication::platformName().toStdString() << "\n";
                continue;
            }
            EXPECT_EQ(editor->text(), before) << "the cell shows what it held";
            EXPECT_EQ(p.dataset->State(), stBrowse);
            ShowResults();
            EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
            EXPECT_EQ(Query(QString::fromLatin1(p.select).arg(id)), before);
        }
    }
}

class SettingsFile : public Input {
protected:
    // The confirmed exit, whose settings cannot be written: the message, the
    // window stays open, the file as it was.
    void ExitWithoutAWritableFile(const QString& optionsFile) {
        const QByteArray before = ReadAll(optionsFile);
        ASSERT_FALSE(before.isEmpty());
        main_frm->move(main_frm->pos() + QPoint(7, 5)); // something new to save
        dialogs.messages.clear();
        dialogs.answers = {TMsgResult::Yes};
        EXPECT_FALSE(main_frm->close());
        EXPECT_TRUE(Errors().contains("Unable to write to " + optionsFile + ".")) << ErrorList();
        EXPECT_EQ(ReadAll(optionsFile), before) << "the previous file, whole";
    }
    static QByteArray ReadAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(SettingsFile, ImmutableFileIsReportedAndKept) {
    Start();
    const QString options = folder.FilePath("options.ini");
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), options}) != 0)
        GTEST_SKIP() << "chattr +i is not possible here";
    ExitWithoutAWritableFile(options);
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), options});
}

TEST_F(SettingsFile, FullDiskIsReportedAndTheFileKept) {
    // The program folder on a file system of 64 KiB.
    const QString mount = folder.FilePath("small");
    QDir().mkpath(mount);
    if (::mount("tmpfs", QFile::encodeName(mount).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a small tmpfs is not possible here";
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(mount)};
    UseProgramFolder(mount);
    WriteProgramFile("Languages/English.olg",
                     "[WORDS]\n_EXIT_=Exit\n_EXIT_CONFIRMATION_=Leave the program?\n");
    Start(QStringLiteral("English"));
    // Filled up to the last byte.
    QFile filler(mount + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    while (filler.write("x", 1) == 1 && filler.flush()) {
    }
    filler.close();
    ExitWithoutAWritableFile(mount + "/options.ini");
    QFile::remove(mount + "/filler");
    // Room again: leaving writes the file.
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_TRUE(main_frm->close()) << ErrorList();
}

// What a settings or language file may hold besides its lines, and whether
// a line after it is still read.
struct Rubbish {
    const char* what;
    QByteArray bytes;
};

QByteArray RandomBytes(int count) {
    QByteArray b(count, '\0');
    QRandomGenerator generator(20261210);
    for (char& c : b)
        c = static_cast<char>(generator.bounded(256));
    return b;
}

std::vector<Rubbish> RubbishKinds() {
    return {
        {"invalid UTF-8", QByteArray("Junk=\xff\xfe\xc3\x28\xa0\xa1\xe2\x82\n")},
        {"binary garbage", RandomBytes(4096) + '\n'},
        {"a 10 MB line", "Junk=" + QByteArray(10 * 1024 * 1024, 'x') + '\n'},
    };
}

TEST_F(Input, SettingsAndLanguageFilesWithRubbishStillStart) {
    for (const Rubbish& r : RubbishKinds()) {
        SCOPED_TRACE(r.what);
        destroy_windows();
        create_windows();
        dialogs.messages.clear();
        // Once per file: every caption looked up reads the language file
        // anew, and a missing one is appended to it.
        folder.WriteFile("Languages/English.olg", r.bytes + "[WORDS]\n_FACULTY_=Faculty\n");
        folder.WriteFile("options.ini",
                         QStringLiteral("[General]\nLanguage=English\n").toUtf8() + r.bytes +
                             QStringLiteral("[DataBase]\nDBName=%1\nUserName=%2\nUserPass=%3\n")
                                 .arg(db->ConnectionString(), TestUser(), TestPassword())
                                 .toUtf8());
        run_startup();
        ASSERT_FALSE(program_end_requested()) << dialogs.Texts().join('\n').toStdString();
        EXPECT_TRUE(main_frm->DataBase->Connected());
        EXPECT_EQ(main_frm->faculty_lbl->text(), QStringLiteral("Faculty"));
        main_frm->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(Shown(main_frm->faculty_db, "F_ID"), (QStringList{"1", "2", "3"}));
        dialogs.answers = {TMsgResult::Yes};
        EXPECT_TRUE(main_frm->close()) << ErrorList();
        EXPECT_EQ(TIniFile(folder.FilePath("options.ini")).ReadString("DataBase", "DBName", ""),
                  db->ConnectionString());
    }
}

TEST_F(Input, FilesWithoutLineBreaksStartWithTheDefaults) {
    folder.WriteFile("Languages/English.olg", "[WORDS] _FACULTY_=Faculty _EXIT_=Exit");
    folder.WriteFile("options.ini",
                     QStringLiteral("[General] Language=English [DataBase] DBName=%1")
                         .arg(db->ConnectionString())
                         .toUtf8());
    run_startup();
    // Nothing readable: the default database and no translated caption. The
    // program goes on (or ends at the connection message), without a crash.
    EXPECT_NE(main_frm->DataBase->DBName(), db->ConnectionString());
    EXPECT_NE(main_frm->faculty_lbl->text(), QStringLiteral("Faculty"));
    if (program_end_requested()) {
        EXPECT_EQ(dialogs.modals, QStringList{QStringLiteral("options_frm")});
    }
}

} // namespace
