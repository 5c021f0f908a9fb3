#include "dataset/FIBTableDescriptions.h"

#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "fib/FIBQueryRegistry.h"

#include <mutex>

namespace {

// The table's format number; for a view its relation id.
const QString kFormatQuery =
    QStringLiteral("select a1.RDB$RELATION_ID VER  from RDB$RELATIONS a1\r\n"
                   "where a1.RDB$SYSTEM_FLAG = 0  and a1.rdb$relation_name=?TN\r\n"
                   "and not  a1.rdb$view_blr is null\r\n"
                   "union\r\n"
                   "select RDB$FORMAT from RDB$RELATIONS R\r\n"
                   "where R.RDB$SYSTEM_FLAG = 0    and R.rdb$relation_name=?TN\r\n"
                   "and  R.rdb$view_blr is null");

const QString kColumnsQuery =
    QStringLiteral("Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\n"
                   "R.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE DS1, \r\n"
                   "F.RDB$FIELD_TYPE, \r\n"
                   "F.RDB$CHARACTER_SET_ID \r\n"
                   "from  RDB$RELATION_FIELDS R \r\n"
                   "JOIN RDB$FIELDS F ON (R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) \r\n"
                   "where  R.RDB$RELATION_NAME=:TN \r\n"
                   "order by R.RDB$FIELD_POSITION");

// The same columns for a stored procedure's output parameters.
const QString kProcedureQuery =
    QStringLiteral("Select P.RDB$PARAMETER_NAME,P.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\n"
                   "P.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE DS1, \r\n"
                   "F.RDB$FIELD_TYPE, \r\n"
                   "F.RDB$CHARACTER_SET_ID \r\n"
                   "from  RDB$PROCEDURE_PARAMETERS P \r\n"
                   "JOIN RDB$FIELDS F ON (P.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) \r\n"
                   "where  P.RDB$PROCEDURE_NAME=:TN and P.RDB$PARAMETER_TYPE = 1 \r\n"
                   "order by P.RDB$PARAMETER_NUMBER");

constexpr int kBlobFieldType = 261;

QString Unquoted(const QString& name) {
    const QString t = name.trimmed();
    if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"')
        return t.mid(1, t.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return t;
}

// A literal from its opening quote: the text up to the matching closing
// quote, doubled quotes taken as one.
QString UnquoteLiteral(QStringView text) {
    const QChar quote = text.front();
    QString out;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            out += quote;
            ++i;
        } else {
            break;
        }
    }
    return out;
}

TFIBColumnDescription ReadColumn(TFIBXSQLDA& row) {
    TFIBColumnDescription c;
    c.Name = row[0].AsWideString().trimmed();
    c.DomainName = row[1].AsWideString().trimmed();
    c.Computed = !row[2].IsNull();
    TFIBXSQLVAR& source = row[3].IsNull() ? row[4] : row[3];
    if (!source.IsNull()) {
        c.HasDefault = true;
        c.DefaultText =
            TFIBTableDescriptions::DefaultTextOf(source.AsWideString(), &c.DefaultIsLiteral);
    }
    c.CanBeInWhere = row[5].IsNull() || row[5].AsInteger() != kBlobFieldType;
    c.CharsetId = row[6].IsNull() ? 0 : row[6].AsInteger();
    return c;
}

// Runs one system-table query with the table name and hands every row on.
template <typename F>
void RunQuery(TFIBDatabase& database, TFIBTransaction* transaction, const QString& text,
              const QString& table, F&& perRow) {
    TCachedQuery query(&database, transaction, text);
    query->SetGoToFirstRecordOnExecute(false);
    query->ParamByName(QStringLiteral("TN")).SetAsWideString(table);
    query->ExecQuery();
    while (TFIBXSQLDA* row = query->Next())
        perRow(*row);
    query->Close();
}

} // namespace

const TFIBColumnDescription* TFIBTableDescription::FindColumn(const QString& name) const {
    for (const TFIBColumnDescription& c : Columns)
        if (c.Name == name)
            return &c;
    return nullptr;
}

TFIBTableDescriptions& TFIBTableDescriptions::Instance() {
    static TFIBTableDescriptions* cache = new TFIBTableDescriptions; // outlives every dataset
    return *cache;
}

QString TFIBTableDescriptions::DefaultTextOf(const QString& defaultSource, bool* literal) {
    QString text = defaultSource.trimmed();
    if (text.startsWith(QStringLiteral("DEFAULT"), Qt::CaseInsensitive))
        text = text.mid(7).trimmed();
    qsizetype quote = -1;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\'' || text[i] == u'"') {
            quote = i;
            break;
        }
    if (literal)
        *literal = quote >= 0;
    if (quote >= 0)
        return UnquoteLiteral(QStringView(text).mid(quote));
    return text;
}

QString TFIBTableDescriptions::Key(const QString& databaseName, const QString& table) {
    return databaseName + QChar(0) + Unquoted(table);
}

TFIBTableDescriptionPtr TFIBTableDescriptions::Cached(const QString& databaseName,
                                                      const QString& table) const {
    std::shared_lock guard(lock_);
    return tables_.value(Key(databaseName, table));
}

TFIBTableDescriptionPtr TFIBTableDescriptions::Describe(TFIBDatabase& database,
                                                        const QString& table) {
    const QString key = Key(database.DBName(), table);
    {
        std::shared_lock guard(lock_);
        if (TFIBTableDescriptionPtr found = tables_.value(key))
            return found;
    }
    // Held while reading the server: a second thread asking for the same
    // table waits here and then finds it.
    std::unique_lock guard(lock_);
    if (TFIBTableDescriptionPtr found = tables_.value(key))
        return found;
    TFIBTableDescriptionPtr loaded = Load(database, Unquoted(table));
    tables_.insert(key, loaded);
    return loaded;
}

std::shared_ptr<TFIBTableDescription> TFIBTableDescriptions::Load(TFIBDatabase& database,
                                                                  const QString& table) {
    auto d = std::make_shared<TFIBTableDescription>();
    d->TableName = table;
    database.CheckConnected();
    // A transaction of the connection already running carries the reads: one
    // of their own would cost a start and a commit, two round trips to the
    // server, for every table described.
    TFIBTransaction* tr = database.FirstActiveTransaction();
    if (!tr)
        tr = database.InternalTransaction();
    TTransactionScope scope(tr);
    ++queryCount_;
    RunQuery(database, tr, kFormatQuery, table,
             [&](TFIBXSQLDA& row) { d->FormatNumber = row[0].AsInteger(); });
    ++queryCount_;
    RunQuery(database, tr, kColumnsQuery, table,
             [&](TFIBXSQLDA& row) { d->Columns.push_back(ReadColumn(row)); });
    if (d->Columns.empty()) {
        ++queryCount_;
        RunQuery(database, tr, kProcedureQuery, table,
                 [&](TFIBXSQLDA& row) { d->Columns.push_back(ReadColumn(row)); });
        d->IsProcedure = !d->Columns.empty();
    }
    scope.Commit();
    return d;
}

void TFIBTableDescriptions::Clear() {
    std::unique_lock guard(lock_);
    tables_.clear();
}
