#pragma once
// The results view's filter bar: faculty, course, group, discipline and test
// chosen from lists the database fills, the start of a last name, a range of
// dates and a range of marks. A field the server could not take (a date that
// is none, an end before its start, letters the database cannot hold) is
// reported beside it and nothing is applied; what was typed stays.

#include "model/ResultsQuery.h"

#include <QVariant>
#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// An entry of a list: its caption and the value the filter takes.
struct TFilterChoice {
    QString Caption;
    QVariant Key;
    int Discipline = 0; // a test's discipline, to narrow the tests shown
};

struct TFilterLists {
    QList<TFilterChoice> Faculties, Courses, Groups, Disciplines, Tests;
};

class TResultsFilterBar : public QWidget {
    Q_OBJECT
public:
    explicit TResultsFilterBar(QWidget* parent);

    // Refills the lists, keeping each choice that is still offered.
    void SetLists(const TFilterLists& lists);
    bool HasLists() const { return hasLists_; }
    // The filter as typed, or nothing when a field is wrong; the messages
    // beside the fields say what is wrong, and are cleared for right ones.
    std::optional<TResultsFilter> Filter();
    // Every field back to "any".
    void Clear();
    void TranslateCaptions();

    // Apply (its button, or Enter in a field) and Clear.
    std::function<void()> OnApply;

    QLabel* faculty_lbl;
    QComboBox* faculty_cb;
    QLabel* course_lbl;
    QComboBox* course_cb;
    QLabel* group_lbl;
    QComboBox* group_cb;
    QLabel* discipline_lbl;
    QComboBox* discipline_cb;
    QLabel* test_lbl;
    QComboBox* test_cb;
    QLabel* name_lbl;
    QLineEdit* name_e;
    QLabel* dates_lbl;
    QLineEdit* from_e;
    QLineEdit* to_e;
    QLabel* marks_lbl;
    QLineEdit* mark_min_e;
    QLineEdit* mark_max_e;
    QPushButton* apply_btn;
    QPushButton* clear_btn;
    // What is wrong, beside the field; hidden while nothing is.
    QLabel* name_err_lbl;
    QLabel* dates_err_lbl;
    QLabel* marks_err_lbl;

private:
    void SetCaptions(QString (*text)(const char* key));
    void FillTests();
    void ShowProblem(QLabel* label, const char* key);

    QList<TFilterChoice> tests_;
    bool hasLists_ = false;
};
