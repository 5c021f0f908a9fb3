#include "model/ResultsQuery.h"

#include "base/TextCodec.h"
#include "fib/FIBQuery.h"
#include "model/TestingSql.h"

#include <QHash>

bool TResultsFilter::IsEmpty() const {
    return !Faculty && !Course && Group.isEmpty() && !Discipline && !Test && NamePrefix.isEmpty() &&
           From.isNull() && To.isNull() && !MarkMin && !MarkMax;
}

double DaysOf(const QDate& date) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

namespace {

// The expression each field of the view is ordered by.
const QHash<QString, QString>& SortExpressions() {
    static const QHash<QString, QString> expressions = {
        {QStringLiteral("NAZVA"), QStringLiteral("fakultet.nazva")},
        {QStringLiteral("KURS"), QStringLiteral("student.kurs")},
        {QStringLiteral("GRUPA"), QStringLiteral("student.grupa")},
        {QStringLiteral("FAMILIYA"), QStringLiteral("student.familiya")},
        {QStringLiteral("IMYA"), QStringLiteral("student.imya")},
        {QStringLiteral("OTCHESTVO"), QStringLiteral("student.otchestvo")},
        {QStringLiteral("OCINKA"), QStringLiteral("resultat.ocinka")},
        {QStringLiteral("VREMA"), QStringLiteral("resultat.vrema")},
        {QString::fromLatin1(kTestNameField), QStringLiteral("test.nazva")},
        {QString::fromLatin1(kDisciplineNameField), QStringLiteral("disciplina.nazva")},
    };
    return expressions;
}

// The joins beyond the view's own. RESULTAT.T_ID is a required reference,
// so the inner join with TEST keeps every result, and lets the server start
// from the tests of a discipline; a test need not have a discipline.
struct TJoins {
    bool Test = false;
    bool Discipline = false;
    void AppendTo(QStringList& lines) const {
        if (Test || Discipline)
            lines << QStringLiteral("INNER JOIN ")
                  << QStringLiteral("    test ON test.t_id=resultat.t_id ");
        if (Discipline)
            lines << QStringLiteral("LEFT JOIN ")
                  << QStringLiteral("    disciplina ON disciplina.d_id=test.d_id ");
    }
};

// The view's own FROM: results with their students and faculties.
QStringList ViewFrom() {
    return {QStringLiteral("FROM "),
            QStringLiteral("    resultat "),
            QStringLiteral("INNER JOIN "),
            QStringLiteral("    student ON resultat.s_id=student.s_id "),
            QStringLiteral("INNER JOIN "),
            QStringLiteral("    fakultet on fakultet.f_id=student.f_id")};
}

// The filter's conditions; extra conditions come after them.
void AppendWhere(const TResultsFilter& f, QStringList& lines,
                 std::vector<std::pair<QString, Variant>>& params, const QStringList& extra = {}) {
    QStringList conditions;
    const auto add = [&](const QString& condition, const char* name, Variant value) {
        conditions << condition;
        params.emplace_back(QString::fromLatin1(name), std::move(value));
    };
    if (f.Faculty)
        add(QStringLiteral("student.f_id = :FLT_FACULTY"), "FLT_FACULTY", int32_t(*f.Faculty));
    if (f.Course)
        add(QStringLiteral("student.kurs = :FLT_COURSE"), "FLT_COURSE", int32_t(*f.Course));
    if (!f.Group.isEmpty())
        add(QStringLiteral("student.grupa = :FLT_GROUP"), "FLT_GROUP", f.Group);
    if (f.Discipline)
        add(QStringLiteral("test.d_id = :FLT_DISCIPLINE"), "FLT_DISCIPLINE",
            int32_t(*f.Discipline));
    if (f.Test)
        add(QStringLiteral("resultat.t_id = :FLT_TEST"), "FLT_TEST", int32_t(*f.Test));
    // Upper-cased here as the server upper-cases the column, so that the
    // index on UPPER(FAMILIYA) serves the prefix.
    if (!f.NamePrefix.isEmpty())
        add(QStringLiteral("UPPER(student.familiya) STARTING WITH :FLT_NAME"), "FLT_NAME",
            f.NamePrefix.toUpper());
    if (!f.From.isNull())
        add(QStringLiteral("resultat.vrema >= :FLT_FROM"), "FLT_FROM",
            Variant::DateTime(DaysOf(f.From)));
    // The whole last day counts: up to the start of the day after it.
    if (!f.To.isNull())
        add(QStringLiteral("resultat.vrema < :FLT_TO"), "FLT_TO",
            Variant::DateTime(DaysOf(f.To) + 1));
    if (f.MarkMin)
        add(QStringLiteral("resultat.ocinka >= :FLT_MARK_MIN"), "FLT_MARK_MIN", *f.MarkMin);
    if (f.MarkMax)
        add(QStringLiteral("resultat.ocinka <= :FLT_MARK_MAX"), "FLT_MARK_MAX", *f.MarkMax);
    conditions << extra;
    if (!conditions.isEmpty())
        lines << QStringLiteral("WHERE ");
    for (int i = 0; i < conditions.size(); ++i)
        lines << (i == 0 ? QStringLiteral("    ") : QStringLiteral("    AND ")) + conditions[i] +
                     u' ';
}

TJoins FilterJoins(const TResultsFilter& f) {
    TJoins joins;
    joins.Test = f.Discipline.has_value();
    return joins;
}

} // namespace

bool ResultsSortable(const QString& fieldName) {
    return SortExpressions().contains(fieldName);
}

TResultsStatement ResultsSelect(const TResultsFilter& filter, const TResultsColumns& columns,
                                const TResultsSort& sort) {
    TResultsStatement s;
    s.Lines = ResultatStatements().SelectSQL;
    if (filter.IsEmpty() && columns.IsEmpty() && sort.IsEmpty())
        return s;
    TJoins joins = FilterJoins(filter);
    if (!columns.IsEmpty()) {
        const int from = s.Lines.indexOf(QStringLiteral("FROM "));
        QStringList added;
        if (columns.Test)
            added << QStringLiteral("    test.nazva AS %1").arg(QLatin1String(kTestNameField));
        if (columns.Discipline)
            added << QStringLiteral("    disciplina.nazva AS %1")
                         .arg(QLatin1String(kDisciplineNameField));
        s.Lines[from - 1] = s.Lines[from - 1].trimmed().prepend(QStringLiteral("    ")) + u',';
        for (int i = 0; i < added.size(); ++i)
            s.Lines.insert(from + i, added[i] + (i + 1 < added.size() ? u',' : u' '));
        joins.Test = joins.Test || columns.Test;
        joins.Discipline = columns.Discipline;
    }
    if (sort.Field == QLatin1String(kTestNameField))
        joins.Test = true;
    if (sort.Field == QLatin1String(kDisciplineNameField))
        joins.Discipline = true;
    joins.AppendTo(s.Lines);
    AppendWhere(filter, s.Lines, s.Params);
    if (const auto it = SortExpressions().find(sort.Field); it != SortExpressions().end()) {
        // R_ID decides between equal values, so that the rows come in the
        // same order each time and a window read later continues the first.
        const QString direction =
            sort.Descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
        s.Lines << QStringLiteral("ORDER BY ")
                << QStringLiteral("    ") + *it + direction + QStringLiteral(", resultat.r_id") +
                       direction;
    }
    return s;
}

TResultsStatement ResultsCount(const TResultsFilter& filter) {
    TResultsStatement s;
    s.Lines << QStringLiteral("SELECT COUNT(*) ") << ViewFrom();
    FilterJoins(filter).AppendTo(s.Lines);
    AppendWhere(filter, s.Lines, s.Params);
    return s;
}

namespace {

struct TGroupBy {
    const char* caption;
    const char* group;
    const char* order;
    bool test, discipline;
};

const TGroupBy& GroupingOf(TResultsGrouping grouping) {
    static const TGroupBy kGroupings[] = {
        {"fakultet.nazva", "fakultet.f_id, fakultet.nazva", "fakultet.nazva, fakultet.f_id", false,
         false},
        {"student.kurs", "student.kurs", "student.kurs", false, false},
        {"student.grupa", "student.grupa", "student.grupa", false, false},
        {"disciplina.nazva", "disciplina.d_id, disciplina.nazva",
         "disciplina.nazva, disciplina.d_id", true, true},
        {"test.nazva", "test.t_id, test.nazva", "test.nazva, test.t_id", true, false},
    };
    return kGroupings[static_cast<int>(grouping)];
}

// Whether a result's mark falls in bin, by comparisons: the summary asks it
// for ten bins per row, and ten comparisons cost the server less than ten
// divisions and roundings (a fifth of a grouped read of a million results).
QString InBin(int bin) {
    const QString m = QStringLiteral("resultat.ocinka");
    if (bin == 0)
        return QStringLiteral("%1 < 10").arg(m);
    if (bin == kHistogramBins - 1)
        return QStringLiteral("%1 >= %2").arg(m).arg(bin * 10);
    return QStringLiteral("%1 >= %2 AND %1 < %3").arg(m).arg(bin * 10).arg(bin * 10 + 10);
}

// The bin of a result's mark, as InBin has it; a result without a mark
// must be left out before.
QString BinOfMark() {
    QString expression = QStringLiteral("CASE");
    for (int bin = 0; bin < kHistogramBins - 1; ++bin)
        expression += QStringLiteral(" WHEN %1 THEN %2").arg(InBin(bin)).arg(bin);
    return expression + QStringLiteral(" ELSE %1 END").arg(kHistogramBins - 1);
}

} // namespace

bool SummaryHoldsTheHistogram(const TResultsFilter& filter, TResultsGrouping grouping) {
    return !GroupingOf(grouping).test || FilterJoins(filter).Test;
}

TResultsStatement ResultsSummary(const TResultsFilter& filter, TResultsGrouping grouping) {
    const TGroupBy& g = GroupingOf(grouping);
    TResultsStatement s;
    s.Lines << QStringLiteral("SELECT ") << QStringLiteral("    %1 AS GRP, ").arg(g.caption)
            << QStringLiteral("    COUNT(*) AS N, ")
            << QStringLiteral("    AVG(resultat.ocinka) AS AVG_MARK, ")
            << QStringLiteral("    MIN(resultat.ocinka) AS MIN_MARK, ")
            << QStringLiteral("    MAX(resultat.ocinka) AS MAX_MARK");
    // The histogram in the same pass: one grouped read of the results
    // instead of two.
    for (int bin = 0; bin < kHistogramBins; ++bin)
        s.Lines << QStringLiteral(",     SUM(IIF(%1, 1, 0)) AS BIN%2").arg(InBin(bin)).arg(bin);
    s.Lines << QStringLiteral(" ") << ViewFrom();
    TJoins joins = FilterJoins(filter);
    joins.Test = joins.Test || g.test;
    joins.Discipline = g.discipline;
    joins.AppendTo(s.Lines);
    AppendWhere(filter, s.Lines, s.Params);
    s.Lines << QStringLiteral("GROUP BY ") << QStringLiteral("    %1 ").arg(g.group)
            << QStringLiteral("ORDER BY ") << QStringLiteral("    %1").arg(g.order);
    return s;
}

TResultsStatement ResultsHistogram(const TResultsFilter& filter) {
    TResultsStatement s;
    s.Lines << QStringLiteral("SELECT BIN, COUNT(*) FROM ( ") << QStringLiteral("SELECT ")
            << QStringLiteral("    %1 AS BIN ").arg(BinOfMark()) << ViewFrom();
    FilterJoins(filter).AppendTo(s.Lines);
    AppendWhere(filter, s.Lines, s.Params, {QStringLiteral("resultat.ocinka IS NOT NULL")});
    s.Lines << QStringLiteral(") ") << QStringLiteral("GROUP BY BIN ")
            << QStringLiteral("ORDER BY BIN");
    return s;
}

std::vector<TFilterProblem> CheckResultsFilter(const TResultsFilter& filter) {
    std::vector<TFilterProblem> problems;
    // The connection speaks WIN1251: a letter it cannot hold would reach the
    // server as a question mark and match the wrong names.
    if (!filter.NamePrefix.isEmpty() &&
        DecodeText(EncodeText(filter.NamePrefix)) != filter.NamePrefix)
        problems.push_back({TFilterPart::Name, "_FILTER_NAME_CHARSET_"});
    if (!filter.From.isNull() && !filter.To.isNull() && filter.To < filter.From)
        problems.push_back({TFilterPart::Dates, "_FILTER_DATES_ORDER_"});
    if (filter.MarkMin && filter.MarkMax && *filter.MarkMax < *filter.MarkMin)
        problems.push_back({TFilterPart::Marks, "_FILTER_MARKS_ORDER_"});
    return problems;
}

const TResultsListTexts& ResultsListTexts() {
    static const TResultsListTexts texts = {
        QStringLiteral("SELECT F_ID, NAZVA FROM FAKULTET ORDER BY NAZVA, F_ID"),
        QStringLiteral("SELECT DISTINCT KURS, KURS FROM STUDENT WHERE KURS IS NOT NULL ORDER BY 1"),
        QStringLiteral(
            "SELECT DISTINCT GRUPA, GRUPA FROM STUDENT WHERE GRUPA IS NOT NULL ORDER BY 1"),
        QStringLiteral("SELECT D_ID, NAZVA FROM DISCIPLINA ORDER BY NAZVA, D_ID"),
        QStringLiteral("SELECT T_ID, NAZVA, D_ID FROM TEST ORDER BY NAZVA, T_ID"),
    };
    return texts;
}

void ApplyResultsStatement(TFIBQuery& query, const TResultsStatement& statement) {
    if (query.SQL() != statement.Lines)
        query.SetSQL(statement.Lines);
    for (const auto& [name, value] : statement.Params)
        query.ParamByName(name).SetAsVariant(value);
}
