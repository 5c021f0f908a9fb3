#include "model/TestingModel.h"

namespace {

QStringList Lines(std::initializer_list<const char*> lines) {
    QStringList l;
    for (const char* line : lines)
        l << QString::fromLatin1(line);
    return l;
}

TpFIBDataSet* MakeDataSet(TComponent& owner, const char* name, TpFIBDatabase* db,
                          TpFIBTransaction* tr) {
    auto* ds = new TpFIBDataSet(&owner);
    ds->SetName(QString::fromLatin1(name));
    ds->SetDatabase(db);
    ds->SetTransaction(tr);
    return ds;
}

void AutoUpdate(TpFIBDataSet* ds, const char* table, const char* key, const char* generator) {
    ds->AutoUpdateOptions.SetUpdateTableName(QString::fromLatin1(table));
    ds->AutoUpdateOptions.KeyFields = QString::fromLatin1(key);
    ds->AutoUpdateOptions.GeneratorName = QString::fromLatin1(generator);
    ds->AutoUpdateOptions.WhenGetGenID = wgOnNewRecord;
}

struct TFieldSpec {
    const char* component;
    const char* fieldName;
    char kind; // i integer, s string, f float, t date-time
    const char* label;
    int displayWidth;
    int size;
};

TField* MakeField(TComponent& owner, TpFIBDataSet* ds, const TFieldSpec& s) {
    TField* field = nullptr;
    switch (s.kind) {
    case 'i':
        field = new TFIBIntegerField(&owner);
        break;
    case 's': {
        auto* text = new TFIBStringField(&owner);
        text->SetEmptyStrToNull(true);
        field = text;
        break;
    }
    case 'f':
        field = new TFIBFloatField(&owner);
        break;
    default:
        field = new TFIBDateTimeField(&owner);
        break;
    }
    field->SetName(QString::fromLatin1(s.component));
    field->SetFieldName(QString::fromLatin1(s.fieldName));
    if (s.label)
        field->SetDisplayLabel(QString::fromLatin1(s.label));
    if (s.displayWidth > 0)
        field->SetDisplayWidth(s.displayWidth);
    if (s.size > 0)
        field->SetSize(s.size);
    field->SetDataSet(ds);
    return field;
}

TDataSource* MakeSource(TComponent& owner, const char* name, TDataSet* ds, bool autoEdit) {
    auto* source = new TDataSource(&owner);
    source->SetName(QString::fromLatin1(name));
    source->SetDataSet(ds);
    source->SetAutoEdit(autoEdit);
    return source;
}

} // namespace

TTestingModel::TTestingModel(TComponent& owner)
    : DataBase(new TpFIBDatabase(&owner)), Transaction(new TpFIBTransaction(&owner)) {
    DataBase->SetName(QStringLiteral("DataBase"));
    // The path, user name and password come from options.ini at start.
    DataBase->SetDBName(QStringLiteral("127.0.0.1:veltor.fdb"));
    DataBase->SetDBParams({QStringLiteral("lc_ctype=WIN1251")});
    DataBase->SetDefaultTransaction(Transaction);
    DataBase->SetSQLDialect(3);
    DataBase->SetTimeout(0);
    DataBase->SetLibraryName(QStringLiteral("fbclient.dll"));
    DataBase->SetWaitForRestoreConnect(0);

    Transaction->SetName(QStringLiteral("Transaction"));
    Transaction->SetDefaultDatabase(DataBase);
    Transaction->SetTimeoutAction(TARollback);

    TpFIBDatabase* db = DataBase;
    TpFIBTransaction* tr = Transaction;

    faculty_dataset = MakeDataSet(owner, "faculty_dataset", db, tr);
    faculty_dataset->SetSelectSQL(
        Lines({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET "}));
    faculty_dataset->SetInsertSQL(Lines({"INSERT INTO FAKULTET(", "    F_ID,", "    NAZVA,",
                                         "    KNAZVA", ")", "VALUES(", "    :F_ID,",
                                         "    :NAZVA,", "    :KNAZVA", ")"}));
    faculty_dataset->SetUpdateSQL(Lines({"UPDATE FAKULTET", "SET ", "    NAZVA = :NAZVA,",
                                         "    KNAZVA = :KNAZVA", "WHERE", "    F_ID = :OLD_F_ID",
                                         "    "}));
    faculty_dataset->SetDeleteSQL(
        Lines({"DELETE FROM", "    FAKULTET", "WHERE", "        F_ID = :OLD_F_ID", "    "}));
    faculty_dataset->SetRefreshSQL(Lines({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA",
                                          "FROM", "    FAKULTET ", "", " WHERE ",
                                          "        FAKULTET.F_ID = :OLD_F_ID", "    "}));
    AutoUpdate(faculty_dataset, "FAKULTET", "F_ID", "GEN_FAKULTET_ID");

    faculty_DataSource = MakeSource(owner, "faculty_DataSource", faculty_dataset, true);

    student_dataset = MakeDataSet(owner, "student_dataset", db, tr);
    student_dataset->SetSelectSQL(Lines({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,",
                                         "    OTCHESTVO,", "    F_ID,", "    KURS,", "    GRUPA",
                                         "FROM", "    STUDENT", "WHERE", "    F_ID = :MAS_F_ID"}));
    student_dataset->SetInsertSQL(Lines(
        {"INSERT INTO STUDENT(", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,",
         "    F_ID,", "    KURS,", "    GRUPA", ")", "VALUES(", "    :S_ID,", "    :FAMILIYA,",
         "    :IMYA,", "    :OTCHESTVO,", "    :MAS_F_ID,", "    :KURS,", "    :GRUPA", ")"}));
    student_dataset->SetUpdateSQL(Lines(
        {"UPDATE STUDENT", "SET ", "    FAMILIYA = :FAMILIYA,", "    IMYA = :IMYA,",
         "    OTCHESTVO = :OTCHESTVO,", "    F_ID = :F_ID,", "    KURS = :KURS,",
         "    GRUPA = :GRUPA", "WHERE", "    S_ID = :OLD_S_ID", "    "}));
    student_dataset->SetDeleteSQL(
        Lines({"DELETE FROM", "    STUDENT", "WHERE", "        S_ID = :OLD_S_ID", "    "}));
    student_dataset->SetRefreshSQL(
        Lines({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,", "    F_ID,",
               "    KURS,", "    GRUPA", "FROM", "    STUDENT ", "WHERE",
               "    (F_ID = :MAS_F_ID) and (STUDENT.S_ID = :OLD_S_ID)", "    "}));
    AutoUpdate(student_dataset, "STUDENT", "S_ID", "GEN_STUDENT_ID");
    student_dataset->SetDataSource(faculty_DataSource);

    discipline_dataset = MakeDataSet(owner, "discipline_dataset", db, tr);
    discipline_dataset->SetSelectSQL(
        Lines({"SELECT", "    D_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    DISCIPLINA "}));
    discipline_dataset->SetInsertSQL(Lines({"INSERT INTO DISCIPLINA(", "    D_ID,", "    NAZVA,",
                                            "    KNAZVA", ")", "VALUES(", "    :D_ID,",
                                            "    :NAZVA,", "    :KNAZVA", ")"}));
    discipline_dataset->SetUpdateSQL(Lines({"UPDATE DISCIPLINA", "SET ", "    NAZVA = :NAZVA,",
                                            "    KNAZVA = :KNAZVA", "WHERE",
                                            "    D_ID = :OLD_D_ID", "    "}));
    discipline_dataset->SetDeleteSQL(
        Lines({"DELETE FROM", "    DISCIPLINA", "WHERE", "        D_ID = :OLD_D_ID", "    "}));
    discipline_dataset->SetRefreshSQL(Lines({"SELECT", "    D_ID,", "    NAZVA,", "    KNAZVA",
                                             "FROM", "    DISCIPLINA ", "", " WHERE ",
                                             "        DISCIPLINA.D_ID = :OLD_D_ID", "    "}));
    AutoUpdate(discipline_dataset, "DISCIPLINA", "D_ID", "GEN_DISCIPLINA_ID");

    discipline_datasource = MakeSource(owner, "discipline_datasource", discipline_dataset, true);

    test_dataset = MakeDataSet(owner, "test_dataset", db, tr);
    test_dataset->SetSelectSQL(Lines({"SELECT", "    T_ID,", "    NAZVA,", "    TFILENAME,",
                                      "    D_ID", "FROM", "    TEST ", "WHERE",
                                      "    D_ID=:MAS_D_ID"}));
    test_dataset->SetInsertSQL(Lines({"INSERT INTO TEST(", "    T_ID,", "    NAZVA,",
                                      "    TFILENAME,", "    D_ID", ")", "VALUES(", "    :T_ID,",
                                      "    :NAZVA,", "    :TFILENAME,", "    :MAS_D_ID", ")"}));
    test_dataset->SetUpdateSQL(Lines({"UPDATE TEST", "SET ", "    T_ID = :T_ID,",
                                      "    NAZVA = :NAZVA,", "    TFILENAME = :TFILENAME,",
                                      "    D_ID = :D_ID", "WHERE", "    T_ID = :OLD_T_ID"}));
    test_dataset->SetDeleteSQL(
        Lines({"DELETE FROM", "    TEST", "WHERE", "        T_ID = :OLD_T_ID"}));
    test_dataset->SetRefreshSQL(Lines({"SELECT", "    T_ID,", "    NAZVA,", "    TFILENAME,",
                                       "    D_ID", "FROM", "    TEST ", "WHERE( ",
                                       "    D_ID=:MAS_D_ID", "     ) and (     TEST.T_ID = :OLD_T_ID",
                                       "     )", "    "}));
    AutoUpdate(test_dataset, "D_F_K", "DFK_ID", "GEN_D_F_K_ID");
    test_dataset->SetDataSource(discipline_datasource);

    resultat_dataset = MakeDataSet(owner, "resultat_dataset", db, tr);
    resultat_dataset->SetSelectSQL(Lines(
        {"SELECT ", "    fakultet.nazva, ", "    student.kurs, ", "    student.grupa, ",
         "    student.familiya, ", "    student.imya, ", "    student.otchestvo, ",
         "    resultat.ocinka,", "    resultat.vrema ", "FROM ", "    resultat ", "INNER JOIN ",
         "    student ON resultat.s_id=student.s_id ", "INNER JOIN ",
         "    fakultet on fakultet.f_id=student.f_id"}));
    AutoUpdate(resultat_dataset, "D_F_K", "DFK_ID", "GEN_D_F_K_ID");
    resultat_dataset->SetDataSource(discipline_datasource);

    dataset = MakeDataSet(owner, "dataset", db, tr);

    test_datasource = MakeSource(owner, "test_datasource", test_dataset, false);
    student_datasource = MakeSource(owner, "student_datasource", student_dataset, true);
    resultat_datasource = MakeSource(owner, "resultat_datasource", resultat_dataset, false);

    const std::pair<TpFIBDataSet*, TFieldSpec> fields[] = {
        {faculty_dataset, {"faculty_datasetF_ID", "F_ID", 'i', nullptr, 6, 0}},
        {faculty_dataset, {"faculty_dataset_NAME", "NAZVA", 's', "_NAME_", 69, 255}},
        {faculty_dataset, {"faculty_dataset_SHORT_NAME", "KNAZVA", 's', "_SHORT_NAME_", 18, 50}},
        {student_dataset, {"student_datasetS_ID", "S_ID", 'i', nullptr, 5, 0}},
        {student_dataset, {"student_dataset_LAST_NAME_", "FAMILIYA", 's', "_LAST_NAME_", 28, 50}},
        {student_dataset, {"student_dataset_FIRST_NAME_", "IMYA", 's', "_FIRST_NAME_", 16, 50}},
        {student_dataset,
         {"student_dataset_FATHER_NAME_", "OTCHESTVO", 's', "_FATHER_NAME_", 19, 50}},
        {student_dataset, {"student_datasetF_ID", "F_ID", 'i', nullptr, 12, 0}},
        {student_dataset, {"student_dataset_COURSE_", "KURS", 'i', "_COURSE_", 11, 0}},
        {student_dataset, {"student_dataset_GROUP_", "GRUPA", 's', "_GROUP_", 0, 10}},
        {discipline_dataset, {"discipline_dataset_D_ID", "D_ID", 'i', nullptr, 5, 0}},
        {discipline_dataset, {"discipline_dataset_NAME", "NAZVA", 's', "_NAME_", 70, 255}},
        {discipline_dataset, {"discipline_dataset_SHORT_NAME", "KNAZVA", 's', nullptr, 18, 255}},
        {test_dataset, {"test_datasetT_ID", "T_ID", 'i', nullptr, 6, 0}},
        {test_dataset, {"test_dataset_NAME", "NAZVA", 's', nullptr, 87, 255}},
        {test_dataset, {"test_dataset_FILENAME", "TFILENAME", 's', nullptr, 0, 100}},
        {resultat_dataset, {"resultat_dataset_NAME", "NAZVA", 's', "_FAKULTY_", 30, 255}},
        {resultat_dataset, {"resultat_dataset_COURSE", "KURS", 'i', "_COURSE_", 5, 0}},
        {resultat_dataset, {"resultat_dataset_GROUP", "GRUPA", 's', "_GROUP_", 0, 10}},
        {resultat_dataset, {"resultat_dataset_LAST_NAME", "FAMILIYA", 's', "_LAST_NAME_", 20, 50}},
        {resultat_dataset, {"resultat_dataset_FIRST_NAME", "IMYA", 's', "_FIRST_NAME_", 20, 50}},
        {resultat_dataset,
         {"resultat_dataset_FATHER_NAME", "OTCHESTVO", 's', "_FATHER_NAME_", 20, 50}},
        {resultat_dataset, {"resultat_dataset_RESULTAT", "OCINKA", 'f', "_RESULT_", 10, 0}},
        {resultat_dataset, {"resultat_dataset_TIME", "VREMA", 't', "_TIME_", 0, 0}},
    };
    for (const auto& [ds, spec] : fields) {
        TField* field = MakeField(owner, ds, spec);
        if (field->Name() == QLatin1String("student_datasetS_ID"))
            field->SetReadOnly(true);
        if (field->Name() == QLatin1String("student_datasetF_ID")) {
            field->SetReadOnly(true);
            field->SetVisible(false);
        }
        if (field->Name() == QLatin1String("resultat_dataset_TIME"))
            static_cast<TFIBDateTimeField*>(field)->SetDisplayFormat(
                QStringLiteral("dd.mm.yyyy hh:mm AMPM"));
    }
}
