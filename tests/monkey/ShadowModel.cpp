#include "tests/monkey/ShadowModel.h"

#include "tests/support/TestDatabase.h"

#include <QStringList>

namespace veltor::test::monkey {

namespace {

const std::array<TableShape, kTableCount> kShapes = {{
    {"FAKULTET", "F_ID", {"NAZVA", "KNAZVA"}, {"NAZVA", "KNAZVA"}},
    {"STUDENT",
     "S_ID",
     {"FAMILIYA", "IMYA", "OTCHESTVO", "F_ID", "KURS", "GRUPA"},
     {"FAMILIYA", "IMYA", "OTCHESTVO", "F_ID", "KURS", "GRUPA"},
     tFaculty,
     "F_ID"},
    {"DISCIPLINA", "D_ID", {"NAZVA", "KNAZVA"}, {"NAZVA", "KNAZVA"}},
    {"TEST",
     "T_ID",
     {"NAZVA", "TFILENAME", "D_ID"},
     {"T_ID", "NAZVA", "TFILENAME", "D_ID"},
     tDiscipline,
     "D_ID"},
}};

QString Show(const Value& v) {
    return v ? QLatin1Char('"') + *v + QLatin1Char('"') : QStringLiteral("NULL");
}

long long KeyOf(const Row& row, Table t) {
    const auto it = row.find(QString::fromLatin1(ShapeOf(t).key));
    return it != row.end() && it->second ? it->second->toLongLong() : 0;
}

} // namespace

const TableShape& ShapeOf(Table t) {
    return kShapes[t];
}

Table TableOfName(const QString& name) {
    for (int t = 0; t < kTableCount; ++t)
        if (name.compare(QLatin1String(kShapes[t].name), Qt::CaseInsensitive) == 0)
            return static_cast<Table>(t);
    return kTableCount;
}

void Tables::Delete(Table t, long long key) {
    rows[t].erase(key);
    for (auto it = links.begin(); it != links.end();) {
        const bool goes = (t == tDiscipline && std::get<0>(*it) == key) ||
                          (t == tFaculty && std::get<1>(*it) == key);
        it = goes ? links.erase(it) : std::next(it);
    }
}

QStringList Tables::Differences(const Tables& database, int limit) const {
    QStringList out;
    for (int t = 0; t < kTableCount && out.size() < limit; ++t) {
        const QString name = QString::fromLatin1(kShapes[t].name);
        std::set<long long> keys;
        for (const auto& [k, r] : rows[t])
            keys.insert(k);
        for (const auto& [k, r] : database.rows[t])
            keys.insert(k);
        for (long long k : keys) {
            const auto m = rows[t].find(k);
            const auto d = database.rows[t].find(k);
            if (m == rows[t].end()) {
                out << QStringLiteral("%1 %2: not in the model, in the database").arg(name).arg(k);
            } else if (d == database.rows[t].end()) {
                out << QStringLiteral("%1 %2: in the model, not in the database").arg(name).arg(k);
            } else {
                for (const auto& [column, value] : m->second) {
                    const auto dv = d->second.find(column);
                    const Value other = dv == d->second.end() ? Value() : dv->second;
                    if (other != value)
                        out << QStringLiteral("%1 %2: %3 model %4, database %5")
                                   .arg(name)
                                   .arg(k)
                                   .arg(column, Show(value), Show(other));
                }
            }
            if (out.size() >= limit)
                break;
        }
    }
    if (links != database.links && out.size() < limit) {
        const auto list = [](const std::multiset<Link>& s) {
            QStringList l;
            for (const Link& k : s)
                l << QStringLiteral("(%1,%2,%3)")
                         .arg(std::get<0>(k))
                         .arg(std::get<1>(k))
                         .arg(std::get<2>(k));
            return l.join(' ');
        };
        out << QStringLiteral("D_F_K (D_ID,F_ID,KURS): model %1; database %2")
                   .arg(list(links), list(database.links));
    }
    return out;
}

Tables ReadDatabase(const TestDatabase& db) {
    QString sql = QStringLiteral("set heading off;\n");
    for (int t = 0; t < kTableCount; ++t) {
        const TableShape& s = kShapes[t];
        QString select = QStringLiteral("select '%1|' || %2").arg(t).arg(s.key);
        for (const char* c : s.columns)
            select += QStringLiteral(" || '|' || coalesce('=' || %1, '~')").arg(c);
        sql += select + QStringLiteral(" || '|$' from %1;\n").arg(s.name);
    }
    sql += QStringLiteral("select 'L|' || coalesce(d_id, -1) || '|' || coalesce(f_id, -1) || '|' "
                          "|| coalesce(kurs, -1) || '|$' from d_f_k;\n");
    const QString out = db.Isql(sql);
    Tables tables;
    for (QString line : out.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        const int end = line.lastIndexOf(QStringLiteral("|$"));
        if (end < 0)
            continue;
        const QStringList parts = line.left(end).split(QLatin1Char('|'));
        if (parts[0] == QStringLiteral("L")) {
            tables.links.insert(
                {parts[1].toLongLong(), parts[2].toLongLong(), parts[3].toLongLong()});
            continue;
        }
        const int t = parts[0].toInt();
        const TableShape& s = kShapes[t];
        Row row;
        row[QString::fromLatin1(s.key)] = parts[1];
        for (size_t i = 0; i < s.columns.size(); ++i) {
            const QString& p = parts[static_cast<int>(i) + 2];
            row[QString::fromLatin1(s.columns[i])] = p.startsWith(u'=') ? Value(p.mid(1)) : Value();
        }
        tables.rows[t][parts[1].toLongLong()] = row;
    }
    return tables;
}

void ShadowModel::Insert(Table t, const Row& row) {
    model_.rows[t][KeyOf(row, t)] = row;
}

void ShadowModel::Update(Table t, long long oldKey, const Row& changed) {
    auto it = model_.rows[t].find(oldKey);
    if (it == model_.rows[t].end())
        return;
    Row row = it->second;
    for (const auto& [column, value] : changed)
        row[column] = value;
    const long long key = KeyOf(row, t);
    if (key != oldKey)
        model_.rows[t].erase(it);
    model_.rows[t][key] = row;
}

void ShadowModel::OtherUpdate(Table t, long long key, const QString& column, const Value& value) {
    for (Tables* tables : {&model_, &committed_}) {
        auto it = tables->rows[t].find(key);
        if (it == tables->rows[t].end())
            continue;
        if (tables == &model_)
            Remember({++sequence_, t, key, column, it->second[column]});
        it->second[column] = value;
    }
}

void ShadowModel::OtherInsert(Table t, const Row& row) {
    model_.rows[t][KeyOf(row, t)] = row;
    committed_.rows[t][KeyOf(row, t)] = row;
    Remember({++sequence_, t, KeyOf(row, t), QString(), Value()});
}

void ShadowModel::OtherDelete(Table t, long long key) {
    if (model_.rows[t].count(key))
        Remember({++sequence_, t, key, QString(), Value(QStringLiteral("row"))});
    model_.Delete(t, key);
    committed_.Delete(t, key);
}

void ShadowModel::OtherLink(const monkey::Link& link) {
    model_.links.insert(link);
    committed_.links.insert(link);
}

void ShadowModel::OtherUnlink(const monkey::Link& link) {
    model_.links.erase(link);
    committed_.links.erase(link);
}

bool ShadowModel::HeldSince(Table t, long long key, const QString& column, const Value& value,
                            long long since) const {
    const auto it = model_.rows[t].find(key);
    if (it != model_.rows[t].end()) {
        const auto c = it->second.find(column);
        if (c != it->second.end() && c->second == value)
            return true;
    }
    for (const Past& p : PastOf(t, key))
        if (p.sequence > since && p.column == column && p.value == value)
            return true;
    // A row another user deleted since shows as it was when it was read.
    return it == model_.rows[t].end() && ExistedSince(t, key, since);
}

bool ShadowModel::ExistedSince(Table t, long long key, long long since) const {
    if (model_.rows[t].count(key))
        return true;
    for (const Past& p : PastOf(t, key))
        if (p.sequence > since && p.column.isEmpty())
            return true;
    return false;
}

bool ShadowModel::MembershipChangedSince(Table t, long long since) const {
    return lastMembership_[t] > since;
}

void ShadowModel::Remember(const Past& past) {
    past_[{past.table, past.key}].push_back(past);
    const char* master = ShapeOf(past.table).masterColumn;
    if (past.column.isEmpty() || (master && past.column == QLatin1String(master)) ||
        past.column == QLatin1String(ShapeOf(past.table).key))
        lastMembership_[past.table] = past.sequence;
}

const std::vector<ShadowModel::Past>& ShadowModel::PastOf(Table t, long long key) const {
    static const std::vector<Past> none;
    const auto it = past_.find({t, key});
    return it == past_.end() ? none : it->second;
}

} // namespace veltor::test::monkey
