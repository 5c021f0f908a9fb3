#include "tests/controls/ControlsFixture.h"

#include "model/TestingSql.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>

namespace veltor::test {

namespace {
TestDatabase* g_database = nullptr;
struct DropAtExit {
    ~DropAtExit() { delete g_database; }
} dropAtExit;

QStringList Lines(std::initializer_list<const char*> lines) {
    QStringList l;
    for (const char* line : lines)
        l << QString::fromUtf8(line);
    return l;
}
} // namespace

void TypeText(const QString& text) {
    for (QChar ch : text) {
        QWidget* target = QApplication::focusWidget();
        if (!target) {
            ADD_FAILURE() << "nothing has the focus";
            return;
        }
        const ushort u = ch.toUpper().unicode();
        const int key = u < 128 ? int(u) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
}

TestDatabase& ControlsTestDatabase() {
    static TestDatabase* db = [] {
        g_database = new TestDatabase(TestData::Fixture);
        return g_database;
    }();
    return *db;
}

QString ArtefactDir() {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artefacts");
    QDir().mkpath(dir);
    return dir;
}

FacultyView::FacultyView()
    : connection(ControlsTestDatabase()), db(&connection.Db()), tr(&connection.Tr()) {
    ds = new TpFIBDataSet(&root);
    ds->SetName(QStringLiteral("faculty_dataset"));
    ds->SetDatabase(db);
    ds->SetTransaction(tr);
    // The program's statements; the select is ordered so that the tests
    // know which row is where.
    const TDataSetStatements& sql = FacultyStatements();
    ds->SetSelectSQL(sql.SelectSQL + QStringList{QStringLiteral("ORDER BY F_ID")});
    ds->SetInsertSQL(sql.InsertSQL);
    ds->SetUpdateSQL(sql.UpdateSQL);
    ds->SetDeleteSQL(sql.DeleteSQL);
    ds->SetRefreshSQL(sql.RefreshSQL);

    fId = new TFIBIntegerField(&root);
    fId->SetName(QStringLiteral("faculty_datasetF_ID"));
    fId->SetFieldName(QStringLiteral("F_ID"));
    fId->SetDisplayWidth(6);
    fId->SetDataSet(ds);
    fName = new TFIBStringField(&root);
    fName->SetName(QStringLiteral("faculty_dataset_NAME"));
    fName->SetFieldName(QStringLiteral("NAZVA"));
    fName->SetDisplayLabel(QStringLiteral("_NAME_"));
    fName->SetDisplayWidth(69);
    fName->SetSize(255);
    fName->SetDataSet(ds);
    fShort = new TFIBStringField(&root);
    fShort->SetName(QStringLiteral("faculty_dataset_SHORT_NAME"));
    fShort->SetFieldName(QStringLiteral("KNAZVA"));
    fShort->SetDisplayLabel(QStringLiteral("_SHORT_NAME_"));
    fShort->SetDisplayWidth(18);
    fShort->SetSize(50);
    fShort->SetDataSet(ds);

    source = new TDataSource(&root);
    source->SetName(QStringLiteral("faculty_DataSource"));
    source->SetDataSet(ds);

    window.resize(640, 200);
    grid = new TDBGrid(&window);
    grid->setObjectName(QStringLiteral("faculty_db"));
    grid->setGeometry(8, 8, 599, 101);
    QFont title(QStringLiteral("Tahoma"));
    title.setPixelSize(11);
    grid->SetTitleFont(title);
    grid->SetDataSource(source);
    navigator = new TsDBNavigator(&window);
    navigator->setObjectName(QStringLiteral("faculty_navigator"));
    navigator->setGeometry(8, 115, 599, 25);
    navigator->SetDataSource(source);
    elsewhere = new QLineEdit(&window);
    elsewhere->setGeometry(8, 150, 200, 22);
    window.show();
    QApplication::setActiveWindow(&window);
    (void)QTest::qWaitForWindowActive(&window);
}

FacultyView::~FacultyView() {
    // The widgets go before the components they watch.
    delete grid;
    delete navigator;
    if (tr->Active())
        tr->Rollback();
}

void FacultyView::Open() {
    if (!tr->Active())
        tr->StartTransaction();
    ds->Open();
    grid->setFocus();
}

int FacultyView::CurrentId() const {
    return fId->IsNull() ? -1 : fId->AsInteger();
}

std::unique_ptr<TpFIBDataSet> ReadOnlyFaculties(FacultyView& view) {
    auto ds = std::make_unique<TpFIBDataSet>();
    ds->SetName(QStringLiteral("resultat_dataset"));
    ds->SetDatabase(view.db);
    ds->SetTransaction(view.tr);
    ds->SetSelectSQL(Lines({"SELECT F_ID, NAZVA FROM FAKULTET ORDER BY F_ID"}));
    return ds;
}

void FacultyViewTest::SetUp() {
    dialogs = std::make_unique<ScriptedDialogs>();
    try {
        v = std::make_unique<FacultyView>();
    } catch (const Exception& e) {
        FAIL() << e.Message().toStdString();
    }
}

void FacultyViewTest::TearDown() {
    v.reset();
    dialogs.reset();
}

} // namespace veltor::test
