#pragma once
// The statements the results view sends when its user narrows, orders or
// widens it: the view's own select with more columns, a WHERE of parameters
// and an ORDER BY; the count, the grouped summary and the mark histogram of
// the same rows. Every value the user chose travels as a parameter, never as
// statement text. With nothing chosen the select is the view's own, line for
// line, so that the view reads as it always has.

#include "base/Variant.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

struct TResultsFilter {
    std::optional<int> Faculty; // F_ID
    std::optional<int> Course;
    QString Group;                 // empty: any
    std::optional<int> Discipline; // D_ID
    std::optional<int> Test;       // T_ID
    QString NamePrefix;            // start of the last name, any case; empty: any
    QDate From, To;                // VREMA on or after From, on or before To; null: open
    std::optional<double> MarkMin, MarkMax;
    bool IsEmpty() const;
};

// The columns the view may add to its own.
struct TResultsColumns {
    bool Test = false;       // the test's name, field TEST_NAZVA
    bool Discipline = false; // the test's discipline's name, field DISC_NAZVA
    bool IsEmpty() const { return !Test && !Discipline; }
};

// Ordered by a field of the view (its FieldName); empty: the server's order.
struct TResultsSort {
    QString Field;
    bool Descending = false;
    bool IsEmpty() const { return Field.isEmpty(); }
};

enum class TResultsGrouping { Faculty, Course, Group, Discipline, Test };

struct TResultsStatement {
    QStringList Lines;
    std::vector<std::pair<QString, Variant>> Params;
};

class TFIBQuery;
// Gives the query the statement's text (unless it has it) and its values.
void ApplyResultsStatement(TFIBQuery& query, const TResultsStatement& statement);

inline const char* const kTestNameField = "TEST_NAZVA";
inline const char* const kDisciplineNameField = "DISC_NAZVA";

// Whether the view can be ordered by this field.
bool ResultsSortable(const QString& fieldName);

TResultsStatement ResultsSelect(const TResultsFilter& filter, const TResultsColumns& columns,
                                const TResultsSort& sort);
// One row, one column: the number of rows ResultsSelect gives for the filter.
TResultsStatement ResultsCount(const TResultsFilter& filter);
// Per bin that holds rows: the bin's number (0 to kHistogramBins - 1) and its
// count. Marks are read on a scale of 0 to 100 in bins of ten points; a mark
// of 100 (or above) falls in the last bin, one below 0 in the first; rows
// without a mark are left out.
inline constexpr int kHistogramBins = 10;
TResultsStatement ResultsHistogram(const TResultsFilter& filter);
// Per group, in the group's order: the group's caption, count, average,
// minimum and maximum mark, then the group's count in each histogram bin
// (kHistogramBins columns, binned as ResultsHistogram does).
TResultsStatement ResultsSummary(const TResultsFilter& filter, TResultsGrouping grouping);
inline constexpr int kSummaryFirstBinColumn = 5;
// Whether the groups' bins add up to the filter's histogram: they do unless
// the grouping joins the results to their tests where the filter does not
// (an inner join that a result without its test would drop out of). Then
// the summary needs no second pass over the results.
bool SummaryHoldsTheHistogram(const TResultsFilter& filter, TResultsGrouping grouping);

// What is wrong with a filter before anything is sent: the part and the
// caption key of the message shown next to it.
enum class TFilterPart { Name, Dates, Marks };
struct TFilterProblem {
    TFilterPart Part;
    const char* Key;
};
std::vector<TFilterProblem> CheckResultsFilter(const TResultsFilter& filter);

// Days since 30 December 1899 at the start of a day, as the server's
// timestamps are given to parameters.
double DaysOf(const QDate& date);

// The lists the filter bar offers, read from the reference tables: key and
// caption (and, for the tests, their discipline), in the order shown.
struct TResultsListTexts {
    QString Faculties, Courses, Groups, Disciplines, Tests;
};
const TResultsListTexts& ResultsListTexts();
