#pragma once
// What the database must hold, kept beside the program from what the user
// did and saw: a post the program reported done, a delete it confirmed, a
// course mark it kept, a colleague's committed change. It is never filled from
// the database during a run (that would make every comparison pass); only the
// starting rows are read once, before the program starts.

#include <QString>

#include <array>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace veltor::test {
class TestDatabase;
}

namespace veltor::test::monkey {

using Value = std::optional<QString>; // integers in decimal; nullopt is NULL

enum Table { tFaculty, tStudent, tDiscipline, tTest, kTableCount };

struct TableShape {
    const char* name;
    const char* key;
    std::vector<const char*> columns; // the other columns, in table order
    std::vector<const char*> updated; // what the program's update writes
    int master = -1;                  // the table whose key the master column holds
    const char* masterColumn = nullptr;
};

const TableShape& ShapeOf(Table t);
// The table of a name ("FAKULTET"), or kTableCount.
Table TableOfName(const QString& name);

using Row = std::map<QString, Value>;                     // column -> value, the key included
using Link = std::tuple<long long, long long, long long>; // D_ID, F_ID, KURS

struct Tables {
    std::array<std::map<long long, Row>, kTableCount> rows;
    std::multiset<Link> links;

    bool operator==(const Tables&) const = default;
    // The lines that differ, as "table key: column model ≠ database".
    QStringList Differences(const Tables& database, int limit = 20) const;
    // Removes a row and the links that go with it (the links' foreign keys
    // delete on cascade).
    void Delete(Table t, long long key);
};

// Everything the four tables and the links table hold, read through isql (a
// connection of its own, not the program's layers).
Tables ReadDatabase(const TestDatabase& db);

class ShadowModel {
public:
    explicit ShadowModel(Tables start) : model_(start), committed_(std::move(start)) {}

    // What this program's transaction holds (committed by others, and its own
    // posts).
    const Tables& Now() const { return model_; }
    // What is committed: what another connection sees.
    const Tables& Committed() const { return committed_; }

    // The program's own changes, in its open transaction.
    void Insert(Table t, const Row& row);
    void Update(Table t, long long oldKey, const Row& changed);
    void Delete(Table t, long long key) { model_.Delete(t, key); }
    void Link(const monkey::Link& link) { model_.links.insert(link); }
    void Unlink(const monkey::Link& link) { model_.links.erase(link); }
    // The program committed.
    void Commit() { committed_ = model_; }

    // A change another connection committed (it could not have touched rows
    // this program holds uncommitted: the server refuses that with a lock
    // conflict, and then nothing is applied).
    void OtherUpdate(Table t, long long key, const QString& column, const Value& value);
    void OtherInsert(Table t, const Row& row);
    void OtherDelete(Table t, long long key);
    void OtherLink(const monkey::Link& link);
    void OtherUnlink(const monkey::Link& link);

    // Counts every change of another connection; a dataset opened at sequence
    // s may show any row as it was at or after s.
    long long Sequence() const { return sequence_; }
    // Whether value was what the row's column held at some point after
    // sequence since, or holds now; key present: whether the row existed then.
    bool HeldSince(Table t, long long key, const QString& column, const Value& value,
                   long long since) const;
    bool ExistedSince(Table t, long long key, long long since) const;
    // Whether another connection inserted, deleted or moved (master column)
    // rows of the table after since.
    bool MembershipChangedSince(Table t, long long since) const;

private:
    struct Past {
        long long sequence;
        Table table;
        long long key;
        QString column; // empty: the whole row went or came
        Value value;    // what it held before
    };
    Tables model_;
    Tables committed_;
    void Remember(const Past& past);
    const std::vector<Past>& PastOf(Table t, long long key) const;

    long long sequence_ = 0;
    std::map<std::pair<int, long long>, std::vector<Past>> past_;
    std::array<long long, kTableCount> lastMembership_{};
};

} // namespace veltor::test::monkey
