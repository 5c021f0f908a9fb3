#pragma once
// Students brought in from a CSV file: which column holds what, the check of
// every row against the STUDENT table's rules and what the database already
// holds, and the writing of the good rows in one go. No window here: the
// import dialog shows the rows and their problems and asks the user.

#include "base/Csv.h"
#include "base/Exception.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class TFIBDatabase;
class TFIBTransaction;

// What a CSV column holds. The order is the order a mapping list offers.
enum class TImportColumn {
    icIgnore,
    icLastName,
    icFirstName,
    icPatronymic,
    icCourse,
    icGroup,
    icFaculty
};
inline constexpr TImportColumn kImportColumns[] = {
    TImportColumn::icIgnore,     TImportColumn::icLastName, TImportColumn::icFirstName,
    TImportColumn::icPatronymic, TImportColumn::icCourse,   TImportColumn::icGroup,
    TImportColumn::icFaculty};

// The name a mapping is remembered by ("last_name"), and back.
QString ImportColumnName(TImportColumn column);
std::optional<TImportColumn> ImportColumnFromName(const QString& name);
// The width of the STUDENT column, in characters; 0 for a number or nothing.
int ImportColumnSize(TImportColumn column);

// A header as headers are compared: blanks at the ends and a trailing colon
// dropped, lower case, every apostrophe the same.
QString NormalizeHeader(const QString& header);
// The column a header names: the titles of the three interface languages,
// the table's own column names, then extra (normalized header -> column),
// which the caller fills with the titles of its language files.
TImportColumn GuessImportColumn(const QString& header,
                                const QHash<QString, TImportColumn>& extra = {});
// One column for each header; a column already taken by an earlier header
// is not given again.
std::vector<TImportColumn> GuessImportColumns(const QStringList& headers,
                                              const QHash<QString, TImportColumn>& extra = {});

struct TImportFaculty {
    int id = 0;
    QString name;
    QString shortName;
};

// What a row is checked against: the faculties and a key of every student
// the database holds.
class TImportReference {
public:
    // Reads both in transaction (started when it is not active).
    static TImportReference Load(TFIBDatabase& database, TFIBTransaction& transaction);

    void AddFaculty(const TImportFaculty& faculty);
    void AddStudent(int facultyId, const QString& lastName, const QString& firstName,
                    const QString& patronymic, const QString& group);
    // By name or short name, regardless of letter case and blanks at the ends.
    const TImportFaculty* FindFaculty(const QString& nameOrShortName) const;
    const TImportFaculty* FacultyById(int id) const;
    bool HasStudent(const QString& key) const { return students_.contains(key); }

    // The same student: the same faculty, names and group, regardless of
    // letter case and blanks at the ends.
    static QString StudentKey(int facultyId, const QString& lastName, const QString& firstName,
                              const QString& patronymic, const QString& group);

private:
    std::vector<TImportFaculty> faculties_;
    QHash<QString, int> facultyByName_; // normalized name or short name -> index
    QHash<int, int> facultyById_;
    QSet<QString> students_;
};

enum class TRowProblem {
    rpFieldCount, // value: the row's count; limit: the header's
    rpEmptyLastName,
    rpTooLong,        // column; limit: its size
    rpNotStorable,    // column; text: the first such character
    rpBadCourse,      // text: the value
    rpUnknownFaculty, // text: the value
    rpDuplicate,      // value: the line of the first occurrence
    rpInDatabase,
};

struct TRowIssue {
    TRowProblem problem;
    TImportColumn column = TImportColumn::icIgnore;
    int value = 0;
    int limit = 0;
    QString text;
};

// A data row of the file as it will be written, and what is wrong with it.
struct TImportRow {
    int record = 0; // index into the table's records
    int line = 0;   // the file line it starts on
    int facultyId = 0;
    QString lastName;
    QString firstName;
    QString patronymic;
    QString group;
    std::optional<int> course;
    std::vector<TRowIssue> issues;
    bool Good() const { return issues.empty(); }
};

// Every data row of table (the header is its first record) under mapping.
// Without a faculty column every row goes to defaultFaculty, as a row typed
// into the students grid goes to the faculty shown above it. Text is taken
// with blanks at the ends removed; an empty text is stored as null.
std::vector<TImportRow> CheckImportRows(const TCsvTable& table,
                                        const std::vector<TImportColumn>& mapping,
                                        const TImportReference& reference,
                                        std::optional<int> defaultFaculty);

// The server refused a row: the whole import was taken back.
class EImportRowError : public Exception {
public:
    EImportRowError(int line, const QString& serverMessage);
    int Line() const { return line_; }
    const QString& ServerMessage() const { return serverMessage_; }

private:
    int line_;
    QString serverMessage_;
};

// Writes the good rows in transaction (started when it is not active) with
// the students grid's own insert statement, prepared once, the keys drawn
// from GEN_STUDENT_ID as the grid draws them (one block for all rows). The
// rows go in under a savepoint: a cancel or a refused row takes back all of
// them and nothing else the transaction holds, and nothing is committed
// here. progress is told the count written every progressEvery rows and at
// the end; false from it cancels. Returns the count written, or nothing when
// cancelled. A refused row raises EImportRowError (a lost connection too:
// the server has dropped the transaction with everything in it).
using TImportProgress = std::function<bool(int written)>;
std::optional<int> WriteImportRows(TFIBDatabase& database, TFIBTransaction& transaction,
                                   const std::vector<TImportRow>& rows,
                                   const TImportProgress& progress = {}, int progressEvery = 500);

// The rows that were not written, as a CSV file the user can fix and open
// again: the header and the rows as the file had them, the problems in a
// last column titled problemTitle. UTF-8 with a byte-order mark, the file's
// own separator.
QByteArray SkippedRowsCsv(const TCsvTable& table, const std::vector<TImportRow>& rows,
                          const QString& problemTitle,
                          const std::function<QString(const TImportRow&)>& problems);
