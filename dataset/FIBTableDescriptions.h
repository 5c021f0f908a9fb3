#pragma once
// The process-wide cache of table descriptions: per database and table, the
// table's format number and, in column order, each column's name, domain,
// computed flag, default and character set. A table is read from the
// server's system tables the first time any dataset on that database asks
// for it, and shared from then on by every dataset and every thread.

#include <QHash>
#include <QString>

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <vector>

class TFIBDatabase;

struct TFIBColumnDescription {
    QString Name;
    QString DomainName;
    bool Computed = false;
    // The column's own default, or its domain's when it has none, without
    // the keyword DEFAULT and, for a literal, without its quotes.
    bool HasDefault = false;
    QString DefaultText;
    // The default was a quoted literal, not a keyword or a number: 'NULL'
    // is the text NULL, while NULL is no value.
    bool DefaultIsLiteral = false;
    // Blob and array columns cannot appear in a WHERE clause.
    bool CanBeInWhere = true;
    int CharsetId = 0;

    // A default of '' (a string column that starts out empty, not null).
    bool DefaultIsEmptyString() const { return HasDefault && DefaultText.isEmpty(); }
};

struct TFIBTableDescription {
    QString TableName;
    int FormatNumber = 0;
    // No table or view of that name: the columns are a stored procedure's
    // output parameters (none when neither exists).
    bool IsProcedure = false;
    std::vector<TFIBColumnDescription> Columns;

    // By exact name, as the system tables store it; nullptr when absent.
    const TFIBColumnDescription* FindColumn(const QString& name) const;
};

using TFIBTableDescriptionPtr = std::shared_ptr<const TFIBTableDescription>;

class TFIBTableDescriptions {
public:
    // The one cache of the process.
    static TFIBTableDescriptions& Instance();

    // The description of table (its name as stored; double quotes around it
    // are removed) on database. Read from the server on first use with the
    // database's internal transaction, under the cache's write lock, so that
    // threads asking for the same new table at once read it once. A failed
    // read records nothing and propagates.
    TFIBTableDescriptionPtr Describe(TFIBDatabase& database, const QString& table);
    // The cached description or nullptr, without reading the server.
    TFIBTableDescriptionPtr Cached(const QString& databaseName, const QString& table) const;

    void Clear();
    // System-table queries executed so far by this cache.
    int QueryCount() const { return queryCount_.load(); }

    // The text of a RDB$DEFAULT_SOURCE as a description keeps it: the
    // keyword removed, blanks trimmed, a quoted literal unquoted from its
    // first quote on.
    static QString DefaultTextOf(const QString& defaultSource, bool* literal = nullptr);

private:
    static QString Key(const QString& databaseName, const QString& table);
    std::shared_ptr<TFIBTableDescription> Load(TFIBDatabase& database, const QString& table);

    mutable std::shared_mutex lock_;
    QHash<QString, TFIBTableDescriptionPtr> tables_;
    std::atomic<int> queryCount_{0};
};
