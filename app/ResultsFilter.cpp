#include "app/ResultsFilter.h"

#include "settings/Language.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

QString T(const char* key) {
    return translate(QString::fromLatin1(key));
}

template <typename W> W* Make(QWidget* parent, const char* name) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// No palette role means "wrong", so the red is chosen against the palette's
// own background: dark red on a light one, light red on a dark one, both
// above 4.5:1 for text.
QColor ProblemColour(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5 ? QColor(0xff, 0x8a, 0x80)
                                                              : QColor(0xb0, 0x00, 0x20);
}

QLabel* ProblemLabel(QWidget* parent, const char* name) {
    auto* label = Make<QLabel>(parent, name);
    label->hide();
    return label;
}

// The list's choice by key, or the first entry ("any").
void Fill(QComboBox* box, const QList<TFilterChoice>& choices) {
    const QVariant chosen = box->currentData();
    box->blockSignals(true);
    box->clear();
    box->addItem(T("_FILTER_ANY_"));
    for (const TFilterChoice& c : choices)
        box->addItem(c.Caption, c.Key);
    const int at = chosen.isValid() ? box->findData(chosen) : -1;
    box->setCurrentIndex(at > 0 ? at : 0);
    box->blockSignals(false);
}

// A date as the grid shows it (dd.mm.yyyy), or as ISO 8601.
std::optional<QDate> ParseDate(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QDate();
    for (const char* format : {"d.M.yyyy", "yyyy-MM-dd"}) {
        const QDate d = QDate::fromString(t, QString::fromLatin1(format));
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

// A mark with a decimal point or comma; empty: no bound.
bool ParseMark(const QString& text, std::optional<double>& mark) {
    QString t = text.trimmed();
    mark.reset();
    if (t.isEmpty())
        return true;
    t.replace(u',', u'.');
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (ok)
        mark = v;
    return ok;
}

std::optional<int> KeyOf(const QComboBox* box) {
    const QVariant key = box->currentData();
    return key.isValid() ? std::optional<int>(key.toInt()) : std::nullopt;
}

} // namespace

TResultsFilterBar::TResultsFilterBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("results_filter_bar"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);

    faculty_lbl = Make<QLabel>(this, "filter_faculty_lbl");
    faculty_cb = Make<QComboBox>(this, "filter_faculty_cb");
    course_lbl = Make<QLabel>(this, "filter_course_lbl");
    course_cb = Make<QComboBox>(this, "filter_course_cb");
    group_lbl = Make<QLabel>(this, "filter_group_lbl");
    group_cb = Make<QComboBox>(this, "filter_group_cb");
    discipline_lbl = Make<QLabel>(this, "filter_discipline_lbl");
    discipline_cb = Make<QComboBox>(this, "filter_discipline_cb");
    test_lbl = Make<QLabel>(this, "filter_test_lbl");
    test_cb = Make<QComboBox>(this, "filter_test_cb");
    name_lbl = Make<QLabel>(this, "filter_name_lbl");
    name_e = Make<QLineEdit>(this, "filter_name_e");
    dates_lbl = Make<QLabel>(this, "filter_dates_lbl");
    from_e = Make<QLineEdit>(this, "filter_from_e");
    to_e = Make<QLineEdit>(this, "filter_to_e");
    marks_lbl = Make<QLabel>(this, "filter_marks_lbl");
    mark_min_e = Make<QLineEdit>(this, "filter_mark_min_e");
    mark_max_e = Make<QLineEdit>(this, "filter_mark_max_e");
    apply_btn = Make<QPushButton>(this, "filter_apply_btn");
    clear_btn = Make<QPushButton>(this, "filter_clear_btn");
    name_err_lbl = ProblemLabel(this, "filter_name_err_lbl");
    dates_err_lbl = ProblemLabel(this, "filter_dates_err_lbl");
    marks_err_lbl = ProblemLabel(this, "filter_marks_err_lbl");
    // A label names its field to a screen reader and takes its focus.
    const std::pair<QLabel*, QWidget*> buddies[] = {
        {faculty_lbl, faculty_cb}, {course_lbl, course_cb},
        {group_lbl, group_cb},     {discipline_lbl, discipline_cb},
        {test_lbl, test_cb},       {name_lbl, name_e},
        {dates_lbl, from_e},       {marks_lbl, mark_min_e}};
    for (const auto& [label, field] : buddies)
        label->setBuddy(field);
    for (QComboBox* box : {faculty_cb, course_cb, group_cb, discipline_cb, test_cb})
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    faculty_cb->setMinimumContentsLength(12);
    discipline_cb->setMinimumContentsLength(12);
    test_cb->setMinimumContentsLength(12);
    for (QLineEdit* e : {from_e, to_e})
        e->setPlaceholderText(QStringLiteral("dd.mm.yyyy"));
    for (QLineEdit* e : {from_e, to_e, mark_min_e, mark_max_e})
        e->setMaximumWidth(80);

    // Three rows of fields, each wrong field's message right of it.
    grid->addWidget(faculty_lbl, 0, 0);
    grid->addWidget(faculty_cb, 0, 1);
    grid->addWidget(course_lbl, 0, 2);
    grid->addWidget(course_cb, 0, 3);
    grid->addWidget(group_lbl, 0, 4);
    grid->addWidget(group_cb, 0, 5);
    grid->addWidget(discipline_lbl, 1, 0);
    grid->addWidget(discipline_cb, 1, 1);
    grid->addWidget(test_lbl, 1, 2);
    grid->addWidget(test_cb, 1, 3, 1, 3);
    grid->addWidget(name_lbl, 2, 0);
    grid->addWidget(name_e, 2, 1);
    grid->addWidget(name_err_lbl, 2, 2, 1, 4);
    grid->addWidget(dates_lbl, 3, 0);
    auto* dates = new QHBoxLayout;
    dates->addWidget(from_e);
    dates->addWidget(new QLabel(QStringLiteral("\u2013"), this));
    dates->addWidget(to_e);
    dates->addStretch();
    grid->addLayout(dates, 3, 1);
    grid->addWidget(dates_err_lbl, 3, 2, 1, 4);
    grid->addWidget(marks_lbl, 4, 0);
    auto* marks = new QHBoxLayout;
    marks->addWidget(mark_min_e);
    marks->addWidget(new QLabel(QStringLiteral("\u2013"), this));
    marks->addWidget(mark_max_e);
    marks->addStretch();
    grid->addLayout(marks, 4, 1);
    grid->addWidget(marks_err_lbl, 4, 2, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply_btn);
    buttons->addWidget(clear_btn);
    grid->addLayout(buttons, 4, 4, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);

    connect(apply_btn, &QPushButton::clicked, this, [this] {
        if (OnApply)
            OnApply();
    });
    connect(clear_btn, &QPushButton::clicked, this, [this] {
        Clear();
        if (OnApply)
            OnApply();
    });
    for (QLineEdit* e : {name_e, from_e, to_e, mark_min_e, mark_max_e})
        connect(e, &QLineEdit::returnPressed, apply_btn, &QPushButton::click);
    connect(discipline_cb, &QComboBox::currentIndexChanged, this, [this] { FillTests(); });
    // The keys until the shell translates them, as every caption.
    SetCaptions([](const char* key) { return QString::fromLatin1(key); });
}

void TResultsFilterBar::TranslateCaptions() {
    SetCaptions(T);
}

void TResultsFilterBar::SetCaptions(QString (*T)(const char*)) {
    faculty_lbl->setText(T("_FILTER_FACULTY_"));
    course_lbl->setText(T("_FILTER_COURSE_"));
    group_lbl->setText(T("_FILTER_GROUP_"));
    discipline_lbl->setText(T("_FILTER_DISCIPLINE_"));
    test_lbl->setText(T("_FILTER_TEST_"));
    name_lbl->setText(T("_FILTER_NAME_"));
    dates_lbl->setText(T("_FILTER_DATES_"));
    marks_lbl->setText(T("_FILTER_MARKS_"));
    apply_btn->setText(T("_FILTER_APPLY_"));
    clear_btn->setText(T("_FILTER_CLEAR_"));
    for (QComboBox* box : {faculty_cb, course_cb, group_cb, discipline_cb, test_cb})
        if (box->count() > 0)
            box->setItemText(0, T("_FILTER_ANY_"));
}

void TResultsFilterBar::SetLists(const TFilterLists& lists) {
    Fill(faculty_cb, lists.Faculties);
    Fill(course_cb, lists.Courses);
    Fill(group_cb, lists.Groups);
    Fill(discipline_cb, lists.Disciplines);
    tests_ = lists.Tests;
    FillTests();
    hasLists_ = true;
}

// Only the chosen discipline's tests are offered.
void TResultsFilterBar::FillTests() {
    const std::optional<int> discipline = KeyOf(discipline_cb);
    QList<TFilterChoice> shown;
    for (const TFilterChoice& t : tests_)
        if (!discipline || t.Discipline == *discipline)
            shown << t;
    Fill(test_cb, shown);
}

void TResultsFilterBar::Clear() {
    for (QComboBox* box : {faculty_cb, course_cb, group_cb, discipline_cb, test_cb})
        box->setCurrentIndex(0);
    for (QLineEdit* e : {name_e, from_e, to_e, mark_min_e, mark_max_e})
        e->clear();
    for (QLabel* l : {name_err_lbl, dates_err_lbl, marks_err_lbl})
        l->hide();
}

void TResultsFilterBar::ShowProblem(QLabel* label, const char* key) {
    // The colour is taken when shown: the palette may have changed since.
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, ProblemColour(pal));
    label->setPalette(pal);
    label->setText(T(key));
    label->show();
}

std::optional<TResultsFilter> TResultsFilterBar::Filter() {
    for (QLabel* l : {name_err_lbl, dates_err_lbl, marks_err_lbl})
        l->hide();
    TResultsFilter f;
    f.Faculty = KeyOf(faculty_cb);
    f.Course = KeyOf(course_cb);
    if (group_cb->currentIndex() > 0)
        f.Group = group_cb->currentData().toString();
    f.Discipline = KeyOf(discipline_cb);
    f.Test = KeyOf(test_cb);
    f.NamePrefix = name_e->text().trimmed();
    bool right = true;
    const std::optional<QDate> from = ParseDate(from_e->text());
    const std::optional<QDate> to = ParseDate(to_e->text());
    if (!from || !to) {
        ShowProblem(dates_err_lbl, "_FILTER_DATE_INVALID_");
        right = false;
    } else {
        f.From = *from;
        f.To = *to;
    }
    if (!ParseMark(mark_min_e->text(), f.MarkMin) || !ParseMark(mark_max_e->text(), f.MarkMax)) {
        ShowProblem(marks_err_lbl, "_FILTER_MARK_INVALID_");
        right = false;
    }
    for (const TFilterProblem& p : CheckResultsFilter(f)) {
        QLabel* label = p.Part == TFilterPart::Name    ? name_err_lbl
                        : p.Part == TFilterPart::Dates ? dates_err_lbl
                                                       : marks_err_lbl;
        if (label->isHidden())
            ShowProblem(label, p.Key);
        right = false;
    }
    if (!right)
        return std::nullopt;
    return f;
}
