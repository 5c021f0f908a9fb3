// The model's components against their designed configuration, written out
// here as tables independently of the model's own sources.

#include "ModelFixture.h"

#include <initializer_list>
#include <vector>

namespace veltor::test {
namespace {

QStringList L(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* l : lines)
        out << QString::fromLatin1(l);
    return out;
}

class ModelDefinitionsTest : public ModelFixture {
protected:
    TpFIBDataSet* DataSet(const char* name) {
        auto* ds = dynamic_cast<TpFIBDataSet*>(form_.FindComponent(QString::fromLatin1(name)));
        EXPECT_NE(ds, nullptr) << name;
        return ds;
    }
};

enum Kind { kSelect, kInsert, kUpdate, kDelete, kRefresh };

struct StatementCase {
    const char* dataSet;
    Kind kind;
    QStringList lines;
};

const QStringList& StatementOf(const TpFIBDataSet& ds, Kind kind) {
    switch (kind) {
    case kSelect:
        return ds.SelectSQL();
    case kInsert:
        return ds.InsertSQL();
    case kUpdate:
        return ds.UpdateSQL();
    case kDelete:
        return ds.DeleteSQL();
    case kRefresh:
        break;
    }
    return ds.RefreshSQL();
}

const TFIBQuery& QueryOf(const TpFIBDataSet& ds, Kind kind) {
    switch (kind) {
    case kSelect:
        return ds.SelectQuery();
    case kInsert:
        return ds.InsertQuery();
    case kUpdate:
        return ds.UpdateQuery();
    case kDelete:
        return ds.DeleteQuery();
    case kRefresh:
        break;
    }
    return ds.RefreshQuery();
}

std::vector<StatementCase> DesignedStatements() {
    return {
        {"faculty_dataset", kSelect,
         L({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET "})},
        {"faculty_dataset", kInsert,
         L({"INSERT INTO FAKULTET(", "    F_ID,", "    NAZVA,", "    KNAZVA", ")", "VALUES(",
            "    :F_ID,", "    :NAZVA,", "    :KNAZVA", ")"})},
        {"faculty_dataset", kUpdate,
         L({"UPDATE FAKULTET", "SET ", "    NAZVA = :NAZVA,", "    KNAZVA = :KNAZVA", "WHERE",
            "    F_ID = :OLD_F_ID", "    "})},
        {"faculty_dataset", kDelete,
         L({"DELETE FROM", "    FAKULTET", "WHERE", "        F_ID = :OLD_F_ID", "    "})},
        {"faculty_dataset", kRefresh,
         L({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET ", "",
            " WHERE ", "        FAKULTET.F_ID = :OLD_F_ID", "    "})},

        {"student_dataset", kSelect,
         L({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,", "    F_ID,",
            "    KURS,", "    GRUPA", "FROM", "    STUDENT", "WHERE", "    F_ID = :MAS_F_ID"})},
        {"student_dataset", kInsert,
         L({"INSERT INTO STUDENT(", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,",
            "    F_ID,", "    KURS,", "    GRUPA", ")", "VALUES(", "    :S_ID,", "    :FAMILIYA,",
            "    :IMYA,", "    :OTCHESTVO,", "    :MAS_F_ID,", "    :KURS,", "    :GRUPA", ")"})},
        {"student_dataset", kUpdate,
         L({"UPDATE STUDENT", "SET ", "    FAMILIYA = :FAMILIYA,", "    IMYA = :IMYA,",
            "    OTCHESTVO = :OTCHESTVO,", "    F_ID = :F_ID,", "    KURS = :KURS,",
            "    GRUPA = :GRUPA", "WHERE", "    S_ID = :OLD_S_ID", "    "})},
        {"student_dataset", kDelete,
         L({"DELETE FROM", "    STUDENT", "WHERE", "        S_ID = :OLD_S_ID", "    "})},
        {"student_dataset", kRefresh,
         L({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,", "    F_ID,",
            "    KURS,", "    GRUPA", "FROM", "    STUDENT ", "WHERE",
            "    (F_ID = :MAS_F_ID) and (STUDENT.S_ID = :OLD_S_ID)", "    "})},

        {"discipline_dataset", kSelect,
         L({"SELECT", "    D_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    DISCIPLINA "})},
        {"discipline_dataset", kInsert,
         L({"INSERT INTO DISCIPLINA(", "    D_ID,", "    NAZVA,", "    KNAZVA", ")", "VALUES(",
            "    :D_ID,", "    :NAZVA,", "    :KNAZVA", ")"})},
        {"discipline_dataset", kUpdate,
         L({"UPDATE DISCIPLINA", "SET ", "    NAZVA = :NAZVA,", "    KNAZVA = :KNAZVA", "WHERE",
            "    D_ID = :OLD_D_ID", "    "})},
        {"discipline_dataset", kDelete,
         L({"DELETE FROM", "    DISCIPLINA", "WHERE", "        D_ID = :OLD_D_ID", "    "})},
        {"discipline_dataset", kRefresh,
         L({"SELECT", "    D_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    DISCIPLINA ", "",
            " WHERE ", "        DISCIPLINA.D_ID = :OLD_D_ID", "    "})},

        {"test_dataset", kSelect,
         L({"SELECT", "    T_ID,", "    NAZVA,", "    TFILENAME,", "    D_ID", "FROM", "    TEST ",
            "WHERE", "    D_ID=:MAS_D_ID"})},
        {"test_dataset", kInsert,
         L({"INSERT INTO TEST(", "    T_ID,", "    NAZVA,", "    TFILENAME,", "    D_ID", ")",
            "VALUES(", "    :T_ID,", "    :NAZVA,", "    :TFILENAME,", "    :MAS_D_ID", ")"})},
        {"test_dataset", kUpdate,
         L({"UPDATE TEST", "SET ", "    T_ID = :T_ID,", "    NAZVA = :NAZVA,",
            "    TFILENAME = :TFILENAME,", "    D_ID = :D_ID", "WHERE", "    T_ID = :OLD_T_ID"})},
        {"test_dataset", kDelete,
         L({"DELETE FROM", "    TEST", "WHERE", "        T_ID = :OLD_T_ID"})},
        {"test_dataset", kRefresh,
         L({"SELECT", "    T_ID,", "    NAZVA,", "    TFILENAME,", "    D_ID", "FROM", "    TEST ",
            "WHERE( ", "    D_ID=:MAS_D_ID", "     ) and (     TEST.T_ID = :OLD_T_ID", "     )",
            "    "})},

        {"resultat_dataset", kSelect,
         L({"SELECT ", "    fakultet.nazva, ", "    student.kurs, ", "    student.grupa, ",
            "    student.familiya, ", "    student.imya, ", "    student.otchestvo, ",
            "    resultat.ocinka,", "    resultat.vrema ", "FROM ", "    resultat ", "INNER JOIN ",
            "    student ON resultat.s_id=student.s_id ", "INNER JOIN ",
            "    fakultet on fakultet.f_id=student.f_id"})},
        {"resultat_dataset", kInsert, {}},
        {"resultat_dataset", kUpdate, {}},
        {"resultat_dataset", kDelete, {}},
        {"resultat_dataset", kRefresh, {}},

        {"dataset", kSelect, {}},
        {"dataset", kInsert, {}},
        {"dataset", kUpdate, {}},
        {"dataset", kDelete, {}},
        {"dataset", kRefresh, {}},
    };
}

TEST_F(ModelDefinitionsTest, EveryStatementHoldsItsDesignedLines) {
    const char* const kindNames[] = {"SelectSQL", "InsertSQL", "UpdateSQL", "DeleteSQL",
                                     "RefreshSQL"};
    for (const StatementCase& c : DesignedStatements()) {
        SCOPED_TRACE(std::string(c.dataSet) + "." + kindNames[c.kind]);
        TpFIBDataSet* ds = DataSet(c.dataSet);
        ASSERT_NE(ds, nullptr);
        const QStringList& actual = StatementOf(*ds, c.kind);
        ASSERT_EQ(actual.size(), c.lines.size());
        for (qsizetype i = 0; i < actual.size(); ++i)
            EXPECT_EQ(actual[i].toStdString(), c.lines[i].toStdString()) << "line " << i + 1;

        // The statement sends every line followed by CR LF, trailing blanks
        // and blank lines included.
        QString text;
        for (const QString& line : c.lines)
            text += line + QStringLiteral("\r\n");
        EXPECT_EQ(QueryOf(*ds, c.kind).SQLText().toStdString(), text.toStdString());
    }
}

struct DataSetCase {
    const char* dataSet;
    const char* source;      // its data source
    bool autoEdit;           // of that data source
    const char* master;      // the detail's DataSource, or none
    const char* updateTable; // AutoUpdateOptions
    const char* keyFields;
    const char* generator;
    TWhenGetGenID whenGetGenID;
};

const DataSetCase kDataSets[] = {
    {"faculty_dataset", "faculty_DataSource", true, nullptr, "FAKULTET", "F_ID", "GEN_FAKULTET_ID",
     wgOnNewRecord},
    {"student_dataset", "student_datasource", true, "faculty_DataSource", "STUDENT", "S_ID",
     "GEN_STUDENT_ID", wgOnNewRecord},
    {"discipline_dataset", "discipline_datasource", true, nullptr, "DISCIPLINA", "D_ID",
     "GEN_DISCIPLINA_ID", wgOnNewRecord},
    {"test_dataset", "test_datasource", false, "discipline_datasource", "D_F_K", "DFK_ID",
     "GEN_D_F_K_ID", wgOnNewRecord},
    {"resultat_dataset", "resultat_datasource", false, "discipline_datasource", "D_F_K", "DFK_ID",
     "GEN_D_F_K_ID", wgOnNewRecord},
    {"dataset", nullptr, false, nullptr, "", "", "", wgNever},
};

TEST_F(ModelDefinitionsTest, DataSetsSourcesAndOptionsAsDesigned) {
    for (const DataSetCase& c : kDataSets) {
        SCOPED_TRACE(c.dataSet);
        TpFIBDataSet* ds = DataSet(c.dataSet);
        ASSERT_NE(ds, nullptr);
        EXPECT_EQ(FullComponentName(ds).toStdString(), std::string("main_frm.") + c.dataSet);
        EXPECT_EQ(ds->Database(), model_->DataBase);
        EXPECT_EQ(ds->Transaction(), model_->Transaction);
        EXPECT_EQ(ds->UpdateTransaction(), model_->Transaction);

        const TAutoUpdateOptions& au = ds->AutoUpdateOptions;
        EXPECT_EQ(au.UpdateTableName().toStdString(), c.updateTable);
        EXPECT_EQ(au.KeyFields.toStdString(), c.keyFields);
        EXPECT_EQ(au.GeneratorName.toStdString(), c.generator);
        EXPECT_EQ(au.WhenGetGenID, c.whenGetGenID);

        // The program sets no other option: the class values are in force.
        EXPECT_EQ(ds->Options(), kDefaultDataSetOptions);
        EXPECT_EQ(ds->PrepareOptions(), kDefaultPrepareOptions);
        EXPECT_EQ(ds->DetailConditions(), 0);
        EXPECT_FALSE(ds->AutoCommit);
        EXPECT_FALSE(ds->CachedUpdates);
        EXPECT_EQ(ds->AllowedUpdateKinds, kAllUpdateKinds);

        if (c.master) {
            ASSERT_NE(ds->DataSource(), nullptr);
            EXPECT_EQ(ds->DataSource()->Name().toStdString(), c.master);
        } else {
            EXPECT_EQ(ds->DataSource(), nullptr);
        }

        if (c.source) {
            auto* source =
                dynamic_cast<TDataSource*>(form_.FindComponent(QString::fromLatin1(c.source)));
            ASSERT_NE(source, nullptr) << c.source;
            EXPECT_EQ(source->DataSet(), ds);
            EXPECT_EQ(source->AutoEdit(), c.autoEdit);
            EXPECT_TRUE(source->Enabled());
            // The shell assigns discipline_datasource's handler; nothing else.
            EXPECT_FALSE(source->OnDataChange);
            EXPECT_FALSE(source->OnStateChange);
        }
    }
}

enum FieldClass { cInteger, cString, cFloat, cDateTime };

struct FieldCase {
    const char* dataSet;
    const char* component;
    const char* fieldName;
    FieldClass cls;
    const char* label; // designed label; empty: none, the field name shows
    int width;         // DisplayWidth in force (class default where none designed)
    int size;          // strings only
    bool readOnly;
    bool visible;
};

// In field order per dataset. F_ID of the faculties and D_ID of the
// disciplines are read-only: their update statements keep the key.
const FieldCase kFields[] = {
    {"faculty_dataset", "faculty_datasetF_ID", "F_ID", cInteger, "", 6, 0, true, true},
    {"faculty_dataset", "faculty_dataset_NAME", "NAZVA", cString, "_NAME_", 69, 255, false, true},
    {"faculty_dataset", "faculty_dataset_SHORT_NAME", "KNAZVA", cString, "_SHORT_NAME_", 18, 50,
     false, true},

    {"student_dataset", "student_datasetS_ID", "S_ID", cInteger, "", 5, 0, true, true},
    {"student_dataset", "student_dataset_LAST_NAME_", "FAMILIYA", cString, "_LAST_NAME_", 28, 50,
     false, true},
    {"student_dataset", "student_dataset_FIRST_NAME_", "IMYA", cString, "_FIRST_NAME_", 16, 50,
     false, true},
    {"student_dataset", "student_dataset_FATHER_NAME_", "OTCHESTVO", cString, "_FATHER_NAME_", 19,
     50, false, true},
    {"student_dataset", "student_datasetF_ID", "F_ID", cInteger, "", 12, 0, true, false},
    {"student_dataset", "student_dataset_COURSE_", "KURS", cInteger, "_COURSE_", 11, 0, false,
     true},
    {"student_dataset", "student_dataset_GROUP_", "GRUPA", cString, "_GROUP_", 10, 10, false, true},

    {"discipline_dataset", "discipline_dataset_D_ID", "D_ID", cInteger, "", 5, 0, true, true},
    {"discipline_dataset", "discipline_dataset_NAME", "NAZVA", cString, "_NAME_", 70, 255, false,
     true},
    {"discipline_dataset", "discipline_dataset_SHORT_NAME", "KNAZVA", cString, "", 18, 255, false,
     true},

    {"test_dataset", "test_datasetT_ID", "T_ID", cInteger, "", 6, 0, false, true},
    {"test_dataset", "test_dataset_NAME", "NAZVA", cString, "", 87, 255, false, true},
    {"test_dataset", "test_dataset_FILENAME", "TFILENAME", cString, "", 100, 100, false, true},

    {"resultat_dataset", "resultat_dataset_NAME", "NAZVA", cString, "_FAKULTY_", 30, 255, false,
     true},
    {"resultat_dataset", "resultat_dataset_COURSE", "KURS", cInteger, "_COURSE_", 5, 0, false,
     true},
    {"resultat_dataset", "resultat_dataset_GROUP", "GRUPA", cString, "_GROUP_", 10, 10, false,
     true},
    {"resultat_dataset", "resultat_dataset_LAST_NAME", "FAMILIYA", cString, "_LAST_NAME_", 20, 50,
     false, true},
    {"resultat_dataset", "resultat_dataset_FIRST_NAME", "IMYA", cString, "_FIRST_NAME_", 20, 50,
     false, true},
    {"resultat_dataset", "resultat_dataset_FATHER_NAME", "OTCHESTVO", cString, "_FATHER_NAME_", 20,
     50, false, true},
    {"resultat_dataset", "resultat_dataset_RESULTAT", "OCINKA", cFloat, "_RESULT_", 10, 0, false,
     true},
    {"resultat_dataset", "resultat_dataset_TIME", "VREMA", cDateTime, "_TIME_", 18, 0, false, true},
};

bool HasClass(TField* f, FieldClass cls) {
    switch (cls) {
    case cInteger:
        return dynamic_cast<TFIBIntegerField*>(f) != nullptr;
    case cString:
        return dynamic_cast<TFIBStringField*>(f) != nullptr;
    case cFloat:
        return dynamic_cast<TFIBFloatField*>(f) != nullptr;
    case cDateTime:
        break;
    }
    return dynamic_cast<TFIBDateTimeField*>(f) != nullptr;
}

TEST_F(ModelDefinitionsTest, FieldsAsDesignedInFieldOrder) {
    const char* const dataSets[] = {"faculty_dataset", "student_dataset",  "discipline_dataset",
                                    "test_dataset",    "resultat_dataset", "dataset"};
    for (const char* name : dataSets) {
        SCOPED_TRACE(name);
        TpFIBDataSet* ds = DataSet(name);
        ASSERT_NE(ds, nullptr);
        int index = 0;
        for (const FieldCase& c : kFields) {
            if (QString::fromLatin1(c.dataSet) != QLatin1String(name))
                continue;
            SCOPED_TRACE(c.component);
            ASSERT_LT(index, ds->FieldCount());
            TField* f = ds->Fields(index++);
            EXPECT_EQ(f->Name().toStdString(), c.component);
            EXPECT_EQ(f->Owner(), &form_) << "fields belong to the window";
            EXPECT_EQ(f->DataSet(), ds);
            EXPECT_EQ(f->FieldName().toStdString(), c.fieldName);
            EXPECT_TRUE(HasClass(f, c.cls));
            const std::string shown = *c.label ? c.label : c.fieldName;
            EXPECT_EQ(f->DisplayLabel().toStdString(), shown);
            EXPECT_EQ(f->DisplayWidth(), c.width);
            EXPECT_EQ(f->ReadOnly(), c.readOnly);
            EXPECT_EQ(f->Visible(), c.visible);
            EXPECT_FALSE(f->Required());
            EXPECT_EQ(f->FieldKind(), fkData);
            if (auto* s = dynamic_cast<TFIBStringField*>(f)) {
                EXPECT_EQ(s->Size(), c.size);
                EXPECT_TRUE(s->EmptyStrToNull());
            }
            if (auto* n = dynamic_cast<TNumericField*>(f)) {
                EXPECT_EQ(n->DisplayFormat().toStdString(), "");
                EXPECT_EQ(n->EditFormat().toStdString(), "");
            }
            if (auto* t = dynamic_cast<TFIBDateTimeField*>(f)) {
                EXPECT_EQ(t->DisplayFormat().toStdString(), "dd.mm.yyyy hh:mm AMPM");
                EXPECT_FALSE(t->ShowMsec);
            }
        }
        EXPECT_EQ(ds->FieldCount(), index) << "no field beyond the designed ones";
    }
}

// The stored description's order: connection, transaction, then each
// dataset followed by its data source and fields, the scratch dataset last.
TEST_F(ModelDefinitionsTest, ComponentsCreatedInDesignedOrderAndLoaded) {
    QStringList expected{QStringLiteral("DataBase"), QStringLiteral("Transaction")};
    const char* const sources[][2] = {{"faculty_dataset", "faculty_DataSource"},
                                      {"student_dataset", "student_datasource"},
                                      {"discipline_dataset", "discipline_datasource"},
                                      {"test_dataset", "test_datasource"},
                                      {"resultat_dataset", "resultat_datasource"}};
    for (const auto& s : sources) {
        expected << QString::fromLatin1(s[0]) << QString::fromLatin1(s[1]);
        for (const FieldCase& c : kFields)
            if (QString::fromLatin1(c.dataSet) == QLatin1String(s[0]))
                expected << QString::fromLatin1(c.component);
    }
    expected << QStringLiteral("dataset");

    QStringList actual;
    for (int i = 0; i < form_.ComponentCount(); ++i) {
        actual << form_.Components(i)->Name();
        EXPECT_FALSE(form_.Components(i)->IsLoading()) << actual.last().toStdString();
    }
    EXPECT_EQ(actual.join(u' ').toStdString(), expected.join(u' ').toStdString());
}

// Built under the owner's loading mark: writes that wait for the end of
// loading (the connection's attach, the navigator's hints) wait until the
// window ends loading.
TEST(ModelLoading, ComponentsCarryTheOwnersLoadingMarkUntilItEnds) {
    TComponent form;
    form.SetName(QStringLiteral("main_frm"));
    form.BeginLoading();
    TTestingModel model(form);
    ASSERT_GT(form.ComponentCount(), 0);
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_TRUE(form.Components(i)->IsLoading()) << form.Components(i)->Name().toStdString();
    // A connect asked for while loading is only remembered.
    model.DataBase->SetConnected(true);
    EXPECT_FALSE(model.DataBase->Connected());
    model.DataBase->SetConnected(false);
    form.EndLoading();
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_FALSE(form.Components(i)->IsLoading()) << form.Components(i)->Name().toStdString();
    EXPECT_FALSE(model.DataBase->Connected());
}

TEST_F(ModelDefinitionsTest, ConnectionAndTransactionAsDesigned) {
    const TpFIBDatabase& db = *model_->DataBase;
    EXPECT_EQ(db.DBName().toStdString(), "127.0.0.1:veltor.fdb");
    EXPECT_EQ(db.DBParams(), QStringList{QStringLiteral("lc_ctype=WIN1251")});
    EXPECT_EQ(db.DefaultTransaction(), model_->Transaction);
    EXPECT_EQ(db.SQLDialect(), 3);
    EXPECT_EQ(db.Timeout(), 0u);
    EXPECT_EQ(db.LibraryName().toStdString(), "fbclient.dll");
    EXPECT_EQ(db.WaitForRestoreConnect(), 0u);
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(model_->Transaction->DefaultDatabase(), model_->DataBase);
    EXPECT_EQ(model_->Transaction->TimeoutAction(), TARollback);
    EXPECT_FALSE(model_->Transaction->Active());
}

} // namespace
} // namespace veltor::test
