#include "app/AssignmentEditor.h"

#include "app/CheckListBox.h"
#include "dataset/FIBDataSet.h"
#include "dataset/PostJournal.h"

namespace {

bool ContainsIgnoringCase(const QStringList& values, const QString& text) {
    return values.contains(text, Qt::CaseInsensitive);
}

} // namespace

TAssignmentEditor::TAssignmentEditor(TDataSet& discipline, TFIBCustomDataSet& scratch,
                                     TCheckListBox& faculties, TCheckListBox& courses)
    : discipline_(discipline), dataset_(scratch), faculties_(faculties), courses_(courses) {}

QString TAssignmentEditor::Quoted(const QString& value) {
    QString quoted = value;
    return quoted.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString TAssignmentEditor::DisciplineKey() const {
    if (!discipline_.Active() || discipline_.IsEmpty())
        return QString();
    return discipline_.FieldByName(QStringLiteral("D_ID"))->AsString();
}

QString TAssignmentEditor::SelectedFaculty() const {
    const int index = faculties_.ItemIndex();
    return index < 0 ? QString() : faculties_.Item(index);
}

void TAssignmentEditor::Run(const QString& sql) {
    dataset_.Close();
    dataset_.SetSelectSQLText(sql);
    dataset_.Open();
}

QStringList TAssignmentEditor::ReadCounted(const QString& field) {
    QStringList values;
    dataset_.First();
    TField* column = dataset_.FieldByName(field);
    // As many rows as the server counts for the select; a count that grew
    // since the select was opened (another user's commit) must not repeat
    // the last row.
    const int n = dataset_.CountRecordsOnServer();
    for (int i = 0; i < n && !dataset_.AtEnd(); ++i) {
        values << column->AsString();
        dataset_.Next();
    }
    return values;
}

QStringList TAssignmentEditor::ReadAll(const QString& field) {
    // Which items are linked needs no count: the rows themselves say it.
    QStringList values;
    dataset_.First();
    TField* column = dataset_.FieldByName(field);
    for (; !dataset_.AtEnd(); dataset_.Next())
        values << column->AsString();
    return values;
}

void TAssignmentEditor::DisciplineChanged() {
    const QString d = Quoted(DisciplineKey());
    Run(QStringLiteral("SELECT NAZVA FROM FAKULTET ORDER BY NAZVA"));
    // Emptied before the count: a count that fails leaves no stale names.
    faculties_.Clear();
    const QStringList names = ReadCounted(QStringLiteral("NAZVA"));
    for (const QString& name : names)
        faculties_.Add(name);
    dataset_.Close();

    Run(QStringLiteral("SELECT DISTINCT FAKULTET.nazva FROM D_F_K INNER JOIN FAKULTET ON "
                       "D_F_K.F_ID=FAKULTET.F_ID where D_ID='") +
        d + QStringLiteral("' ORDER BY FAKULTET.nazva"));
    const QStringList linked = ReadAll(QStringLiteral("NAZVA"));
    for (int i = 0; i < faculties_.Count(); ++i)
        faculties_.SetChecked(i, ContainsIgnoringCase(linked, faculties_.Item(i)));
    dataset_.Close();

    if (faculties_.Count() > 0) {
        faculties_.SetItemIndex(0);
        FacultySelected();
    }
}

void TAssignmentEditor::FacultySelected() {
    const QString d = Quoted(DisciplineKey());
    const QString faculty = Quoted(SelectedFaculty());
    Run(QStringLiteral("SELECT DISTINCT KURS FROM STUDENT INNER JOIN FAKULTET ON "
                       "STUDENT.F_ID=FAKULTET.F_ID WHERE FAKULTET.nazva = '") +
        faculty + QStringLiteral("' ORDER BY KURS"));
    courses_.Clear();
    const QStringList courses = ReadCounted(QStringLiteral("KURS"));
    for (const QString& course : courses)
        courses_.Add(course);
    dataset_.Close();

    Run(QStringLiteral("SELECT KURS FROM D_F_K INNER JOIN FAKULTET ON D_F_K.F_ID=FAKULTET.F_ID "
                       "where D_ID='") +
        d + QStringLiteral("' AND FAKULTET.NAZVA='") + faculty +
        QStringLiteral("' ORDER BY FAKULTET.nazva"));
    const QStringList linked = ReadAll(QStringLiteral("KURS"));
    for (int i = 0; i < courses_.Count(); ++i)
        courses_.SetChecked(i, ContainsIgnoringCase(linked, courses_.Item(i)));
    dataset_.Close();
}

void TAssignmentEditor::CourseToggled() {
    const int index = courses_.ItemIndex();
    if (index < 0)
        return;
    const bool marked = courses_.Checked(index);
    try {
        FacultyCourseLink(courses_.Item(index), marked);
    } catch (...) {
        // The mark shows what the database holds.
        courses_.SetChecked(index, !marked);
        throw;
    }
    const int faculty = faculties_.ItemIndex();
    if (faculty < 0)
        return;
    bool any = false;
    for (int i = 0; i < courses_.Count() && !any; ++i)
        any = courses_.Checked(i);
    faculties_.SetChecked(faculty, any);
}

void TAssignmentEditor::FacultyCourseLink(const QString& course, bool linked) {
    const QString d = DisciplineKey();
    Run(QStringLiteral("select F_ID from fakultet where nazva = '") + Quoted(SelectedFaculty()) +
        QStringLiteral("'"));
    dataset_.First();
    const QString f =
        dataset_.IsEmpty() ? QString() : dataset_.FieldByName(QStringLiteral("F_ID"))->AsString();
    dataset_.Close();

    const QString sql =
        linked ? QStringLiteral("insert into d_f_k( DFK_ID, D_ID, F_ID, KURS )VALUES( "
                                "gen_id(gen_d_f_k_id,1),") +
                     d + QStringLiteral(", ") + f + QStringLiteral(", ") + course +
                     QStringLiteral(" )")
               : QStringLiteral("DELETE FROM D_F_K WHERE KURS = '") + Quoted(course) +
                     QStringLiteral("' AND D_ID = '") + Quoted(d) +
                     QStringLiteral("' AND F_ID = '") + Quoted(f) + QStringLiteral("'");
    Run(sql);
    dataset_.Close();
    // The mark says stored; if the server loses the transaction before its
    // commit, the statement is sent again.
    if (TPostJournal* journal = dataset_.PostJournal())
        journal->Executed(dataset_, sql);
}
