#include "ProgramDataSets.h"

#include "fib/FIBQuery.h"

namespace veltor::test {

namespace {
QStringList L(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* l : lines)
        out << QString::fromUtf8(l);
    return out;
}

QString ParamText(TFIBXSQLVAR& p) {
    if (p.IsNull())
        return p.Name() + QStringLiteral("=null");
    return p.Name() + u'=' + p.AsWideString();
}
} // namespace

QStringList FacultySelect() {
    return L({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET "});
}
QStringList FacultyInsert() {
    return L({"INSERT INTO FAKULTET(", "    F_ID,", "    NAZVA,", "    KNAZVA", ")", "VALUES(",
              "    :F_ID,", "    :NAZVA,", "    :KNAZVA", ")"});
}
QStringList FacultyUpdate() {
    return L({"UPDATE FAKULTET", "SET ", "    NAZVA = :NAZVA,", "    KNAZVA = :KNAZVA", "WHERE",
              "    F_ID = :OLD_F_ID", "    "});
}
QStringList FacultyDelete() {
    return L({"DELETE FROM", "    FAKULTET", "WHERE", "        F_ID = :OLD_F_ID", "    "});
}
QStringList FacultyRefresh() {
    return L({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET ", "",
              " WHERE ", "        FAKULTET.F_ID = :OLD_F_ID", "    "});
}
QStringList StudentSelect() {
    return L({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,", "    F_ID,",
              "    KURS,", "    GRUPA", "FROM", "    STUDENT", "WHERE", "    F_ID = :MAS_F_ID"});
}
QStringList StudentInsert() {
    return L({"INSERT INTO STUDENT(", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,",
              "    F_ID,", "    KURS,", "    GRUPA", ")", "VALUES(", "    :S_ID,", "    :FAMILIYA,",
              "    :IMYA,", "    :OTCHESTVO,", "    :MAS_F_ID,", "    :KURS,", "    :GRUPA", ")"});
}
QStringList StudentUpdate() {
    return L({"UPDATE STUDENT", "SET ", "    FAMILIYA = :FAMILIYA,", "    IMYA = :IMYA,",
              "    OTCHESTVO = :OTCHESTVO,", "    F_ID = :F_ID,", "    KURS = :KURS,",
              "    GRUPA = :GRUPA", "WHERE", "    S_ID = :OLD_S_ID", "    "});
}
QStringList StudentDelete() {
    return L({"DELETE FROM", "    STUDENT", "WHERE", "        S_ID = :OLD_S_ID", "    "});
}
QStringList StudentRefresh() {
    return L({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,", "    F_ID,",
              "    KURS,", "    GRUPA", "FROM", "    STUDENT ", "WHERE",
              "    (F_ID = :MAS_F_ID) and (STUDENT.S_ID = :OLD_S_ID)", "    "});
}

ProgramDataSets::ProgramDataSets() {
    form_ = new TComponent(nullptr);
    form_->SetName(QStringLiteral("main_frm"));
    db_ = new TpFIBDatabase(form_);
    db_->SetName(QStringLiteral("DataBase"));
    tr_ = new TpFIBTransaction(form_);
    tr_->SetName(QStringLiteral("Transaction"));
    db_->SetDBName(EditTestDatabase().ConnectionString());
    db_->SetDBParams({QStringLiteral("lc_ctype=WIN1251"), QStringLiteral("user_name=") + TestUser(),
                      QStringLiteral("password=") + TestPassword()});
    db_->SetSQLDialect(3);
    db_->SetLibraryName(QStringLiteral("fbclient.dll"));
    db_->SetDefaultTransaction(tr_);
    tr_->SetDefaultDatabase(db_);
    tr_->SetTimeoutAction(TARollback);
    tr_->BeforeSQLExecute = [this](TComponent* statement, int) {
        TracedStatement t{FullComponentName(statement), {}};
        if (auto* q = dynamic_cast<TFIBQuery*>(statement)) {
            if (t.path.isEmpty())
                t.path = q->SQLText().trimmed().section(u'\r', 0, 0);
            TFIBXSQLDA& params = q->Params();
            for (int i = 0; i < params.Count(); ++i)
                t.params << ParamText(params[i]);
        }
        trace_.push_back(t);
    };

    faculty_ = new TpFIBDataSet(form_);
    faculty_->SetName(QStringLiteral("faculty_dataset"));
    faculty_->SetDatabase(db_);
    faculty_->SetTransaction(tr_);
    faculty_->SetSelectSQL(FacultySelect());
    faculty_->SetInsertSQL(FacultyInsert());
    faculty_->SetUpdateSQL(FacultyUpdate());
    faculty_->SetDeleteSQL(FacultyDelete());
    faculty_->SetRefreshSQL(FacultyRefresh());
    faculty_->AutoUpdateOptions.SetUpdateTableName(QStringLiteral("FAKULTET"));
    faculty_->AutoUpdateOptions.KeyFields = QStringLiteral("F_ID");
    faculty_->AutoUpdateOptions.GeneratorName = QStringLiteral("GEN_FAKULTET_ID");
    faculty_->AutoUpdateOptions.WhenGetGenID = wgOnNewRecord;
    facultySource_ = new TDataSource(form_);
    facultySource_->SetName(QStringLiteral("faculty_DataSource"));
    facultySource_->SetDataSet(faculty_);

    student_ = new TpFIBDataSet(form_);
    student_->SetName(QStringLiteral("student_dataset"));
    student_->SetDatabase(db_);
    student_->SetTransaction(tr_);
    student_->SetSelectSQL(StudentSelect());
    student_->SetInsertSQL(StudentInsert());
    student_->SetUpdateSQL(StudentUpdate());
    student_->SetDeleteSQL(StudentDelete());
    student_->SetRefreshSQL(StudentRefresh());
    student_->AutoUpdateOptions.SetUpdateTableName(QStringLiteral("STUDENT"));
    student_->AutoUpdateOptions.KeyFields = QStringLiteral("S_ID");
    student_->AutoUpdateOptions.GeneratorName = QStringLiteral("GEN_STUDENT_ID");
    student_->AutoUpdateOptions.WhenGetGenID = wgOnNewRecord;
    student_->SetDataSource(facultySource_);
    studentSource_ = new TDataSource(form_);
    studentSource_->SetName(QStringLiteral("student_datasource"));
    studentSource_->SetDataSet(student_);

    db_->SetConnected(true);
}

ProgramDataSets::~ProgramDataSets() {
    if (tr_->Active())
        tr_->Rollback();
    delete form_;
}

QStringList ProgramDataSets::TracePaths() const {
    QStringList out;
    for (const TracedStatement& t : trace_)
        out << t.path;
    return out;
}

RecordingLink::RecordingLink(TDataSource* source) {
    SetDataSource(source);
}

void RecordingLink::DataEvent(TDataEvent event, TDataEventInfo info) {
    static const char* const names[] = {
        "dnFieldChange",  "dnRecordChange",       "dnDataSetChange", "dnDataSetScroll",
        "dnLayoutChange", "dnUpdateRecord",       "dnUpdateState",   "dnCheckBrowseMode",
        "dnFocusControl", "dnDisabledStateChange"};
    QString text = QString::fromLatin1(names[event]);
    if (event == dnDataSetScroll)
        text += u' ' + QString::number(info);
    events << text;
    TDataLink::DataEvent(event, info);
    if (!Active())
        sawInactive = true;
}

} // namespace veltor::test
