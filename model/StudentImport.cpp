#include "model/StudentImport.h"

#include "base/TextCodec.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "model/TestingSql.h"

#include <QSet>

namespace {

struct TColumnInfo {
    TImportColumn column;
    const char* name;
    int size;
};

constexpr TColumnInfo kColumns[] = {
    {TImportColumn::icIgnore, "ignore", 0},         {TImportColumn::icLastName, "last_name", 50},
    {TImportColumn::icFirstName, "first_name", 50}, {TImportColumn::icPatronymic, "patronymic", 50},
    {TImportColumn::icCourse, "course", 0},         {TImportColumn::icGroup, "group", 10},
    {TImportColumn::icFaculty, "faculty", 0},
};

// Headers that name a column: the grid's titles in English, Ukrainian and
// Russian, the words a registrar's spreadsheet tends to use, and the table's
// own column names (which a database tool's export writes).
const std::pair<const char*, TImportColumn> kHeaderWords[] = {
    {"last name", TImportColumn::icLastName},
    {"surname", TImportColumn::icLastName},
    {"family name", TImportColumn::icLastName},
    {"прізвище", TImportColumn::icLastName},
    {"фамилия", TImportColumn::icLastName},
    {"familiya", TImportColumn::icLastName},
    {"first name", TImportColumn::icFirstName},
    {"given name", TImportColumn::icFirstName},
    {"ім'я", TImportColumn::icFirstName},
    {"имя", TImportColumn::icFirstName},
    {"imya", TImportColumn::icFirstName},
    {"patronymic", TImportColumn::icPatronymic},
    {"father's name", TImportColumn::icPatronymic},
    {"middle name", TImportColumn::icPatronymic},
    {"по батькові", TImportColumn::icPatronymic},
    {"по-батькові", TImportColumn::icPatronymic},
    {"отчество", TImportColumn::icPatronymic},
    {"otchestvo", TImportColumn::icPatronymic},
    {"year", TImportColumn::icCourse},
    {"course", TImportColumn::icCourse},
    {"курс", TImportColumn::icCourse},
    {"kurs", TImportColumn::icCourse},
    {"group", TImportColumn::icGroup},
    {"група", TImportColumn::icGroup},
    {"группа", TImportColumn::icGroup},
    {"grupa", TImportColumn::icGroup},
    {"faculty", TImportColumn::icFaculty},
    {"faculties", TImportColumn::icFaculty},
    {"факультет", TImportColumn::icFaculty},
    {"факультети", TImportColumn::icFaculty},
    {"факультеты", TImportColumn::icFaculty},
    {"fakultet", TImportColumn::icFaculty},
    {"f_id", TImportColumn::icIgnore},
    {"s_id", TImportColumn::icIgnore},
};

QString Fold(const QString& text) {
    return text.trimmed().toLower();
}

// The first character that code page 1251 has no place for, if any.
std::optional<QChar> Unstorable(const QString& text) {
    const QString back = DecodeText(EncodeText(text));
    for (qsizetype i = 0; i < text.size(); ++i)
        if (i >= back.size() || back[i] != text[i])
            return text[i];
    if (back.size() != text.size())
        return QChar(u'?');
    return std::nullopt;
}

std::optional<int> ParseCourse(const QString& text) {
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const int value = text.toInt();
    if (value <= 0)
        return std::nullopt;
    return value;
}

void ExecText(TFIBDatabase& database, TFIBTransaction& transaction, const QString& sql) {
    TFIBQuery q;
    q.SetDatabase(&database);
    q.SetTransaction(&transaction);
    q.SetParamCheck(false);
    q.SetSQLText(sql);
    q.ExecQuery();
}

QString MessageOf(const std::exception& e) {
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    return QString::fromLocal8Bit(e.what());
}

const char kSavepoint[] = "VELTOR_IMPORT";

TRowIssue Issue(TRowProblem problem, TImportColumn column = TImportColumn::icIgnore, int value = 0,
                int limit = 0, const QString& text = QString()) {
    return {problem, column, value, limit, text};
}

} // namespace

QString ImportColumnName(TImportColumn column) {
    for (const TColumnInfo& c : kColumns)
        if (c.column == column)
            return QString::fromLatin1(c.name);
    return QString();
}

std::optional<TImportColumn> ImportColumnFromName(const QString& name) {
    for (const TColumnInfo& c : kColumns)
        if (name == QLatin1String(c.name))
            return c.column;
    return std::nullopt;
}

int ImportColumnSize(TImportColumn column) {
    for (const TColumnInfo& c : kColumns)
        if (c.column == column)
            return c.size;
    return 0;
}

QString NormalizeHeader(const QString& header) {
    QString h = header.trimmed().toLower();
    while (h.endsWith(u':') || h.endsWith(u'*'))
        h.chop(1);
    for (QChar& c : h)
        if (c == u'\u2019' || c == u'\u02BC' || c == u'`' || c == u'\u2018')
            c = u'\'';
    return h.simplified();
}

TImportColumn GuessImportColumn(const QString& header, const QHash<QString, TImportColumn>& extra) {
    const QString h = NormalizeHeader(header);
    for (const auto& [word, column] : kHeaderWords)
        if (h == QString::fromUtf8(word))
            return column;
    return extra.value(h, TImportColumn::icIgnore);
}

std::vector<TImportColumn> GuessImportColumns(const QStringList& headers,
                                              const QHash<QString, TImportColumn>& extra) {
    std::vector<TImportColumn> mapping;
    QSet<int> taken;
    for (const QString& header : headers) {
        TImportColumn c = GuessImportColumn(header, extra);
        if (c != TImportColumn::icIgnore && taken.contains(int(c)))
            c = TImportColumn::icIgnore;
        taken.insert(int(c));
        mapping.push_back(c);
    }
    return mapping;
}

// --- what the rows are checked against ---

TImportReference TImportReference::Load(TFIBDatabase& database, TFIBTransaction& transaction) {
    if (!transaction.Active())
        transaction.StartTransaction();
    TImportReference ref;
    TFIBQuery q;
    q.SetDatabase(&database);
    q.SetTransaction(&transaction);
    q.SetSQLText(QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET"));
    // The first row comes with the execution.
    for (q.ExecQuery(); !q.Eof(); q.Next())
        ref.AddFaculty(
            {q.Fields(0).AsInteger(), q.Fields(1).AsWideString(), q.Fields(2).AsWideString()});
    q.Close();
    q.SetSQLText(QStringLiteral("SELECT F_ID, FAMILIYA, IMYA, OTCHESTVO, GRUPA FROM STUDENT"));
    for (q.ExecQuery(); !q.Eof(); q.Next())
        ref.AddStudent(q.Fields(0).AsInteger(), q.Fields(1).AsWideString(),
                       q.Fields(2).AsWideString(), q.Fields(3).AsWideString(),
                       q.Fields(4).AsWideString());
    q.Close();
    return ref;
}

void TImportReference::AddFaculty(const TImportFaculty& faculty) {
    const int index = static_cast<int>(faculties_.size());
    faculties_.push_back(faculty);
    facultyById_.insert(faculty.id, index);
    // A full name wins over another faculty's short name.
    if (!faculty.shortName.trimmed().isEmpty() && !facultyByName_.contains(Fold(faculty.shortName)))
        facultyByName_.insert(Fold(faculty.shortName), index);
    if (!faculty.name.trimmed().isEmpty())
        facultyByName_.insert(Fold(faculty.name), index);
}

void TImportReference::AddStudent(int facultyId, const QString& lastName, const QString& firstName,
                                  const QString& patronymic, const QString& group) {
    students_.insert(StudentKey(facultyId, lastName, firstName, patronymic, group));
}

const TImportFaculty* TImportReference::FindFaculty(const QString& nameOrShortName) const {
    const auto it = facultyByName_.constFind(Fold(nameOrShortName));
    return it == facultyByName_.cend() ? nullptr : &faculties_[*it];
}

const TImportFaculty* TImportReference::FacultyById(int id) const {
    const auto it = facultyById_.constFind(id);
    return it == facultyById_.cend() ? nullptr : &faculties_[*it];
}

QString TImportReference::StudentKey(int facultyId, const QString& lastName,
                                     const QString& firstName, const QString& patronymic,
                                     const QString& group) {
    const QChar unit(0x1F);
    return QString::number(facultyId) + unit + Fold(lastName) + unit + Fold(firstName) + unit +
           Fold(patronymic) + unit + Fold(group);
}

// --- the check ---

std::vector<TImportRow> CheckImportRows(const TCsvTable& table,
                                        const std::vector<TImportColumn>& mapping,
                                        const TImportReference& reference,
                                        std::optional<int> defaultFaculty) {
    std::vector<TImportRow> rows;
    if (table.records.size() < 2)
        return rows;
    rows.reserve(table.records.size() - 1);
    const qsizetype width = table.records.first().size();
    int columnOf[std::size(kColumns)];
    std::fill(std::begin(columnOf), std::end(columnOf), -1);
    for (size_t i = 0; i < mapping.size(); ++i)
        if (mapping[i] != TImportColumn::icIgnore && columnOf[int(mapping[i])] < 0)
            columnOf[int(mapping[i])] = static_cast<int>(i);
    QHash<QString, int> firstLine; // student key -> line of its first good row

    for (qsizetype r = 1; r < table.records.size(); ++r) {
        const QStringList& record = table.records[r];
        TImportRow row;
        row.record = static_cast<int>(r);
        row.line = table.lines.value(r);
        if (record.size() != width) {
            row.issues.push_back(Issue(TRowProblem::rpFieldCount, TImportColumn::icIgnore,
                                       static_cast<int>(record.size()), static_cast<int>(width)));
            rows.push_back(std::move(row));
            continue;
        }
        const auto value = [&](TImportColumn c) {
            const int i = columnOf[int(c)];
            return i < 0 ? QString() : record[i].trimmed();
        };
        row.lastName = value(TImportColumn::icLastName);
        row.firstName = value(TImportColumn::icFirstName);
        row.patronymic = value(TImportColumn::icPatronymic);
        row.group = value(TImportColumn::icGroup);

        if (row.lastName.isEmpty())
            row.issues.push_back(Issue(TRowProblem::rpEmptyLastName, TImportColumn::icLastName));
        const std::pair<TImportColumn, const QString*> texts[] = {
            {TImportColumn::icLastName, &row.lastName},
            {TImportColumn::icFirstName, &row.firstName},
            {TImportColumn::icPatronymic, &row.patronymic},
            {TImportColumn::icGroup, &row.group},
        };
        for (const auto& [column, text] : texts) {
            const int size = ImportColumnSize(column);
            if (text->size() > size)
                row.issues.push_back(
                    Issue(TRowProblem::rpTooLong, column, static_cast<int>(text->size()), size));
            if (const std::optional<QChar> bad = Unstorable(*text))
                row.issues.push_back(
                    Issue(TRowProblem::rpNotStorable, column, 0, 0, QString(*bad)));
        }

        const QString course = value(TImportColumn::icCourse);
        if (!course.isEmpty()) {
            row.course = ParseCourse(course);
            if (!row.course)
                row.issues.push_back(
                    Issue(TRowProblem::rpBadCourse, TImportColumn::icCourse, 0, 0, course));
        }

        const TImportFaculty* faculty = nullptr;
        if (columnOf[int(TImportColumn::icFaculty)] >= 0) {
            const QString name = value(TImportColumn::icFaculty);
            faculty = reference.FindFaculty(name);
            if (!faculty)
                row.issues.push_back(
                    Issue(TRowProblem::rpUnknownFaculty, TImportColumn::icFaculty, 0, 0, name));
        } else {
            faculty = defaultFaculty ? reference.FacultyById(*defaultFaculty) : nullptr;
            if (!faculty)
                row.issues.push_back(
                    Issue(TRowProblem::rpUnknownFaculty, TImportColumn::icFaculty));
        }
        if (faculty) {
            row.facultyId = faculty->id;
            const QString key = TImportReference::StudentKey(
                faculty->id, row.lastName, row.firstName, row.patronymic, row.group);
            if (reference.HasStudent(key)) {
                row.issues.push_back(Issue(TRowProblem::rpInDatabase));
            } else if (const auto first = firstLine.constFind(key); first != firstLine.cend()) {
                row.issues.push_back(
                    Issue(TRowProblem::rpDuplicate, TImportColumn::icIgnore, *first));
            } else if (row.issues.empty()) {
                firstLine.insert(key, row.line);
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// --- writing ---

EImportRowError::EImportRowError(int line, const QString& serverMessage)
    : Exception(QStringLiteral("Line %1: %2").arg(line).arg(serverMessage)), line_(line),
      serverMessage_(serverMessage) {}

std::optional<int> WriteImportRows(TFIBDatabase& database, TFIBTransaction& transaction,
                                   const std::vector<TImportRow>& rows,
                                   const TImportProgress& progress, int progressEvery) {
    int good = 0;
    for (const TImportRow& row : rows)
        good += row.Good();
    if (good == 0)
        return 0;
    if (!transaction.Active())
        transaction.StartTransaction();
    ExecText(database, transaction, QStringLiteral("SAVEPOINT %1").arg(QLatin1String(kSavepoint)));
    const auto takeBack = [&]() noexcept {
        try {
            ExecText(database, transaction,
                     QStringLiteral("ROLLBACK TO SAVEPOINT %1").arg(QLatin1String(kSavepoint)));
        } catch (...) {
            // The connection is gone and the server took back the whole
            // transaction already.
        }
    };

    int written = 0;
    const TImportRow* current = nullptr;
    try {
        // One generator call for the whole block: the keys are those that
        // as many single draws would have given.
        const int64_t last =
            database.GeneratorValue(QStringLiteral("GEN_STUDENT_ID"), good, &transaction);
        int64_t key = last - good + 1;
        TFIBQuery insert;
        insert.SetDatabase(&database);
        insert.SetTransaction(&transaction);
        insert.SetSQL(StudentStatements().InsertSQL);
        insert.Prepare();
        TFIBXSQLVAR& sId = insert.ParamByName(QStringLiteral("S_ID"));
        TFIBXSQLVAR& lastName = insert.ParamByName(QStringLiteral("FAMILIYA"));
        TFIBXSQLVAR& firstName = insert.ParamByName(QStringLiteral("IMYA"));
        TFIBXSQLVAR& patronymic = insert.ParamByName(QStringLiteral("OTCHESTVO"));
        TFIBXSQLVAR& faculty = insert.ParamByName(QStringLiteral("MAS_F_ID"));
        TFIBXSQLVAR& course = insert.ParamByName(QStringLiteral("KURS"));
        TFIBXSQLVAR& group = insert.ParamByName(QStringLiteral("GRUPA"));
        const auto setText = [](TFIBXSQLVAR& param, const QString& text) {
            if (text.isEmpty())
                param.SetIsNull(true); // as the grid stores an emptied text
            else
                param.SetAsWideString(text);
        };
        for (const TImportRow& row : rows) {
            if (!row.Good())
                continue;
            current = &row;
            sId.SetAsInt64(key++);
            setText(lastName, row.lastName);
            setText(firstName, row.firstName);
            setText(patronymic, row.patronymic);
            faculty.SetAsInteger(row.facultyId);
            if (row.course)
                course.SetAsInteger(*row.course);
            else
                course.SetIsNull(true);
            setText(group, row.group);
            insert.ExecQuery();
            ++written;
            if (progress && (written % progressEvery == 0 || written == good) &&
                !progress(written)) {
                current = nullptr;
                takeBack();
                return std::nullopt;
            }
        }
        current = nullptr;
    } catch (const std::exception& e) {
        takeBack();
        if (current)
            throw EImportRowError(current->line, MessageOf(e));
        throw;
    }
    ExecText(database, transaction,
             QStringLiteral("RELEASE SAVEPOINT %1").arg(QLatin1String(kSavepoint)));
    return written;
}

QByteArray SkippedRowsCsv(const TCsvTable& table, const std::vector<TImportRow>& rows,
                          const QString& problemTitle,
                          const std::function<QString(const TImportRow&)>& problems) {
    const char sep = table.separator;
    QByteArray out("\xEF\xBB\xBF");
    const auto append = [&](const QStringList& fields, const QString& last) {
        for (const QString& f : fields) {
            AppendCsvField(out, f, sep);
            out.append(sep);
        }
        AppendCsvField(out, last, sep);
        EndCsvRecord(out);
    };
    if (!table.records.isEmpty())
        append(table.records.first(), problemTitle);
    const qsizetype width = table.records.isEmpty() ? 0 : table.records.first().size();
    for (const TImportRow& row : rows) {
        if (row.Good())
            continue;
        // A short row is padded, so that its problems stand in their column.
        QStringList fields = table.records.value(row.record);
        while (fields.size() < width)
            fields << QString();
        append(fields, problems(row));
    }
    return out;
}
