#pragma once
// The faculty and student datasets as the main window configures them: the
// statements, the generator options and the master link of the students to
// the current faculty, on a connection of the editing tests' database. The
// datasets create their fields at open. Every statement the transaction
// executes is traced.

#include "EditFixture.h"

#include "dataset/DB.h"
#include "dataset/pFIBDataSet.h"
#include "fib/pFIBDatabase.h"

#include <QStringList>
#include <vector>

namespace veltor::test {

// One statement the transaction executed: the statement's path and its
// parameters as NAME=value (null as NAME=null), in list order.
struct TracedStatement {
    QString path;
    QStringList params;
};

class ProgramDataSets {
public:
    ProgramDataSets();
    ~ProgramDataSets();

    TComponent& Form() { return *form_; }
    TFIBDatabase& Db() { return *db_; }
    TpFIBTransaction& Tr() { return *tr_; }
    TpFIBDataSet& Faculty() { return *faculty_; }
    TDataSource& FacultySource() { return *facultySource_; }
    TpFIBDataSet& Student() { return *student_; }
    TDataSource& StudentSource() { return *studentSource_; }

    // Statements executed since the last ClearTrace.
    const std::vector<TracedStatement>& Trace() const { return trace_; }
    QStringList TracePaths() const;
    void ClearTrace() { trace_.clear(); }

private:
    ProgramConnection connection_;
    TComponent* form_;
    TpFIBDatabase* db_;
    TpFIBTransaction* tr_;
    TpFIBDataSet* faculty_;
    TDataSource* facultySource_;
    TpFIBDataSet* student_;
    TDataSource* studentSource_;
    std::vector<TracedStatement> trace_;
};

// A data link that records the events it receives, as text ("dnLayoutChange",
// "dnDataSetScroll 0", ...).
class RecordingLink : public TDataLink {
public:
    explicit RecordingLink(TDataSource* source);
    void DataEvent(TDataEvent event, TDataEventInfo info) override;
    QStringList events;
    bool sawInactive = false; // the link was inactive at some event
};

} // namespace veltor::test
