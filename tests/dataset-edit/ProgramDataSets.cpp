#include "ProgramDataSets.h"

#include "fib/FIBQuery.h"
#include "model/TestingSql.h"

namespace veltor::test {

namespace {
QString ParamText(TFIBXSQLVAR& p) {
    if (p.IsNull())
        return p.Name() + QStringLiteral("=null");
    return p.Name() + u'=' + p.AsWideString();
}
} // namespace

ProgramDataSets::ProgramDataSets()
    : connection_(EditTestDatabase(), QStringLiteral("main_frm")), form_(&connection_.Root()),
      db_(&connection_.Db()), tr_(&connection_.Tr()) {
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
    faculty_->SetSelectSQL(FacultyStatements().SelectSQL);
    faculty_->SetInsertSQL(FacultyStatements().InsertSQL);
    faculty_->SetUpdateSQL(FacultyStatements().UpdateSQL);
    faculty_->SetDeleteSQL(FacultyStatements().DeleteSQL);
    faculty_->SetRefreshSQL(FacultyStatements().RefreshSQL);
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
    student_->SetSelectSQL(StudentStatements().SelectSQL);
    student_->SetInsertSQL(StudentStatements().InsertSQL);
    student_->SetUpdateSQL(StudentStatements().UpdateSQL);
    student_->SetDeleteSQL(StudentStatements().DeleteSQL);
    student_->SetRefreshSQL(StudentStatements().RefreshSQL);
    student_->AutoUpdateOptions.SetUpdateTableName(QStringLiteral("STUDENT"));
    student_->AutoUpdateOptions.KeyFields = QStringLiteral("S_ID");
    student_->AutoUpdateOptions.GeneratorName = QStringLiteral("GEN_STUDENT_ID");
    student_->AutoUpdateOptions.WhenGetGenID = wgOnNewRecord;
    student_->SetDataSource(facultySource_);
    studentSource_ = new TDataSource(form_);
    studentSource_->SetName(QStringLiteral("student_datasource"));
    studentSource_->SetDataSet(student_);
}

ProgramDataSets::~ProgramDataSets() {
    if (tr_->Active())
        tr_->Rollback();
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
