#pragma once
// One sitting of the user with the real program, against a database on the
// test program's private server, which a test may take away. What the user
// sees is read from the grids and the message boxes; what the database holds
// is read back through isql, a connection of its own.

#include "tests/app/ShellFixture.h"
#include "tests/app/UserActions.h"
#include "tests/support/GridProbe.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestDatabase.h"

#include "app/AnchoredPanel.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"
#include "dataset/pFIBDataSet.h"
#include "fib/pFIBDatabase.h"
#include "model/TestingModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gmock/gmock.h>

#include <memory>

namespace veltor::test {

// The demo university (100,000 results) on the private server, made once for
// the program: the tests that use it only read it.
inline TestDatabase& SharedDemoDatabase() {
    static std::unique_ptr<TestDatabase> db = ProgramServer().MakeDatabase(TestData::Demo);
    return *db;
}

// Another copy of the program's database components on the same database
// (a colleague's program, or a second window), connected and in a
// transaction, without windows.
class ProgramCopy {
public:
    explicit ProgramCopy(const TestDatabase& database, const char* name = "other_frm") {
        owner.SetName(QString::fromLatin1(name));
        owner.BeginLoading();
        model = std::make_unique<TTestingModel>(owner);
        owner.EndLoading();
        model->DataBase->SetDBName(database.ConnectionString());
        model->DataBase->ConnectParams().SetUserName(TestUser());
        model->DataBase->ConnectParams().SetPassword(TestPassword());
        model->DataBase->SetConnected(true);
        model->Transaction->SetActive(true);
    }
    ~ProgramCopy() {
        model.reset();
        owner.DestroyComponents();
    }
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    TpFIBDataSet& Faculties() const { return *model->Students.faculty_dataset; }
    // Opens the faculties and makes the one with that key current.
    TpFIBDataSet& Faculty(int id) const {
        TpFIBDataSet& ds = Faculties();
        ds.Open();
        ds.Locate(QStringLiteral("F_ID"), Variant(id), {});
        return ds;
    }

    TComponent owner;
    std::unique_ptr<TTestingModel> model;
};

// The database outlives the windows, whose connection must go first.
struct SittingDatabase {
    explicit SittingDatabase(TestData data)
        : own(data == TestData::Demo ? nullptr : ProgramServer().MakeDatabase(data)),
          db(own ? own.get() : &SharedDemoDatabase()) {}
    PrivateServer& server = ProgramServer();
    std::unique_ptr<TestDatabase> own;
    TestDatabase* db;
};

class Sitting : public SittingDatabase, public ShellFixture {
protected:
    explicit Sitting(TestData data = TestData::Fixture) : SittingDatabase(data) {
        main_frm->SetDatabaseLinkSteps(nullptr); // the real connection, transaction and datasets
    }
    ~Sitting() override {
        server.Thaw();
        server.Start();
        if (main_frm && main_frm->isVisible()) {
            dialogs.answers = {TMsgResult::No};
            main_frm->hide();
        }
    }

    // The program's folder elsewhere than the temporary one.
    void UseProgramFolder(const QString& path) {
        programFolder = path + QLatin1Char('/');
        set_program_file(programFolder + QStringLiteral("veltor-admin"));
    }
    void WriteProgramFile(const QString& relative, const QByteArray& content) const {
        if (programFolder.isEmpty())
            return folder.WriteFile(relative, content);
        const QString path = programFolder + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(content);
    }

    void WriteOptions(const QString& language = QString()) {
        WriteProgramFile("options.ini", ProgramOptions(db->ConnectionString(), TestUser(),
                                                       TestPassword(), language));
    }

    // Starts the program as its entry does, up to the event loop.
    void Start(const QString& language = QString()) {
        WriteOptions(language);
        StartAndShow();
    }

    // Text pasted into the cell editor at once, as from the clipboard.
    static void Paste(TDBGrid* grid, const QString& text) {
        QTest::sendKeyEvent(QTest::Click, Target(grid), Qt::Key_unknown, text, Qt::NoModifier);
    }
    // Opens the cell editor on a column of the current row with its text
    // selected, so that typing replaces it.
    static void EditCell(TDBGrid* grid, const QString& fieldName) {
        grid->setFocus();
        grid->SetSelectedIndex(ColumnOf(grid, fieldName));
        Keys(grid, Qt::Key_F2);
        if (QLineEdit* editor = grid->InplaceEditor())
            editor->selectAll();
    }

    QStringList Errors() const { return dialogs.ErrorTexts(); }
    QString programFolder; // empty: the temporary folder
    std::string ErrorList() const { return Errors().join("\n---\n").toStdString(); }

    // A single text value from the database, through isql.
    QString Query(const QString& select) const {
        return db->Isql("set heading off;\n" + select + ";\n").trimmed();
    }
};

} // namespace veltor::test
