// The connection layer when the server goes away under it: the failing call
// reports the server's error once, every handle of the attachment is let go,
// the connection counts as disconnected, and the next connect carries on with
// the same parameters. Driven through the program's own components, without
// windows.

#include "tests/reliability/Sitting.h"
#include "tests/support/TestDatabase.h"

#include "dataset/pFIBDataSet.h"
#include "fib/fib.h"
#include "fib/pFIBDatabase.h"
#include "model/TestingModel.h"

#include <QProcess>
#include <QRegularExpression>
#include <gmock/gmock.h>

#include <functional>
#include <memory>

using namespace veltor::test;
using testing::HasSubstr;

namespace {

class LostConnection : public testing::Test {
protected:
    void Attach(const TestDatabase& database) {
        copy = std::make_unique<ProgramCopy>(database, "main_frm");
        model = copy->model.get();
    }
    ~LostConnection() override {
        ProgramServer().Thaw();
        ProgramServer().Start();
    }

    // The server dies and comes back: the program's attachment is gone.
    static void RestartServer() {
        ProgramServer().Kill();
        ProgramServer().Start();
    }

    // A fresh database of the test, dropped after the copy has gone.
    TestDatabase& Fresh() {
        own = ProgramServer().MakeDatabase(TestData::Fixture);
        return *own;
    }
    static int Rows(TpFIBDataSet& ds) {
        ds.FetchAll();
        return ds.RecordCount();
    }

    std::unique_ptr<TestDatabase> own;
    std::unique_ptr<ProgramCopy> copy;
    TTestingModel* model = nullptr;
};

// What a lost connection looks like to the user: the server's own words.
const QRegularExpression kConnectionWords(QStringLiteral("connection|shutdown"),
                                          QRegularExpression::CaseInsensitiveOption);

TEST_F(LostConnection, FailingCallReleasesEveryHandleAndTheNextConnectCarriesOn) {
    TestDatabase* db = &Fresh();
    Attach(*db);
    TpFIBDataSet& faculties = *model->Students.faculty_dataset;
    faculties.Open();
    ASSERT_EQ(Rows(faculties), 3);
    ASSERT_TRUE(faculties.SelectQuery().Prepared());
    // A second statement in the transaction, prepared and idle.
    faculties.Edit();
    faculties.FieldByName("NAZVA")->SetAsString(QStringLiteral("До обриву"));
    faculties.Post();
    ASSERT_TRUE(faculties.UpdateQuery().Prepared());

    RestartServer();
    faculties.Edit();
    faculties.FieldByName("NAZVA")->SetAsString(QStringLiteral("Після обриву"));
    try {
        faculties.Post();
        FAIL() << "the post went through a dead connection";
    } catch (const EFIBInterBaseError& e) {
        EXPECT_THAT(e.Message().toStdString(), testing::ContainsRegex("[Cc]onnection"));
        EXPECT_EQ(e.SQLErrorCode(), -902);
    }
    TpFIBDatabase& connection = *model->DataBase;
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(connection.ConnectionLost());
    EXPECT_FALSE(model->Transaction->Active());
    EXPECT_EQ(model->Transaction->HandleValue(), 0u);
    for (TFIBQuery* q :
         {&faculties.SelectQuery(), &faculties.UpdateQuery(), &faculties.RefreshQuery()}) {
        EXPECT_FALSE(q->Prepared()) << q->Name().toStdString();
        EXPECT_EQ(q->Handle(), 0u) << q->Name().toStdString();
    }
    EXPECT_EQ(faculties.State(), stEdit) << "the typed value stays";
    EXPECT_EQ(faculties.FieldByName("NAZVA")->AsString(), QStringLiteral("Після обриву"));

    // A further call says plainly that the connection is closed, and does
    // not reach the server.
    try {
        faculties.Post();
        FAIL() << "posted without a connection";
    } catch (const EFIBClientError& e) {
        EXPECT_EQ(e.SQLErrorCode(), fibeDatabaseClosed);
        EXPECT_THAT(e.Message().toStdString(), HasSubstr("main_frm.DataBase"));
    }

    connection.Connect(true);
    EXPECT_TRUE(connection.Connected());
    EXPECT_FALSE(connection.ConnectionLost());
    faculties.Post(); // the same typed row, on the new attachment
    EXPECT_EQ(faculties.State(), stBrowse);
    model->Transaction->Commit();
    EXPECT_EQ(db->Isql("set heading off; select nazva from fakultet where f_id = 1;").trimmed(),
              QStringLiteral("Після обриву"));
    faculties.Open();
    EXPECT_EQ(Rows(faculties), 3) << "the dataset is usable again";
}

TEST_F(LostConnection, CursorCutOffReportsTheLossInsteadOfAShortResult) {
    Attach(SharedDemoDatabase());
    TpFIBDataSet& results = *model->Results.resultat_dataset;
    results.Open();
    const int before = results.FetchedCount();
    ASSERT_GT(before, 0);
    ASSERT_LT(before, 100000);

    RestartServer();
    EXPECT_THROW(results.FetchAll(), EFIBInterBaseError);
    EXPECT_FALSE(model->DataBase->Connected());
    const int held = results.FetchedCount();
    EXPECT_LT(held, 100000);
    // Asking for the rest again is refused, not answered with the end.
    try {
        results.FetchAll();
        FAIL() << "the cut-off cursor looked complete";
    } catch (const EFIBClientError& e) {
        EXPECT_EQ(e.SQLErrorCode(), fibeDatabaseClosed);
    }
    EXPECT_EQ(results.FetchedCount(), held);
    EXPECT_TRUE(results.Active()) << "the rows already read stay";
    results.First();
    EXPECT_FALSE(results.FieldByName("FAMILIYA")->AsString().isEmpty());

    model->DataBase->Connect(true);
    results.Close();
    results.Open();
    results.Last();
    EXPECT_EQ(results.RecordCount(), 100000);
}

TEST_F(LostConnection, AttachmentKilledOrDatabaseShutDownCountAsLost) {
    TestDatabase* db = &Fresh();
    Attach(*db);
    TpFIBDataSet& faculties = *model->Students.faculty_dataset;
    struct Case {
        const char* what;
        std::function<void()> cut;
        std::function<void()> mend;
    };
    const QString target = ProgramServer().Host() + ":" + db->FilePath();
    auto gfix = [&](const QStringList& args) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("gfix"),
                args + QStringList{QStringLiteral("-user"), TestUser(), QStringLiteral("-password"),
                                   TestPassword(), target});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    };
    const Case cases[] = {
        {"attachment deleted",
         [&] {
             db->Isql(QStringLiteral("delete from mon$attachments where mon$attachment_id = %1;"
                                     "\ncommit;\n")
                          .arg(model->DataBase->AttachmentID()));
         },
         [] {}},
        {"database shut down",
         [&] {
             gfix({QStringLiteral("-shut"), QStringLiteral("full"), QStringLiteral("-force"),
                   QStringLiteral("0")});
         },
         [&] {
             gfix({QStringLiteral("-online"), QStringLiteral("normal")});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        faculties.Open();
        c.cut();
        try {
            faculties.Refresh();
            ADD_FAILURE() << "refreshed through a dead attachment";
        } catch (const EFIBInterBaseError& e) {
            EXPECT_TRUE(kConnectionWords.match(e.Message()).hasMatch())
                << e.Message().toStdString();
        }
        EXPECT_FALSE(model->DataBase->Connected());
        EXPECT_TRUE(model->DataBase->ConnectionLost());
        EXPECT_FALSE(model->Transaction->Active());
        c.mend();
        faculties.Close();
        model->DataBase->Connect(true);
        faculties.Open();
        EXPECT_EQ(Rows(faculties), 3);
        model->Transaction->Commit();
    }
}

} // namespace
