#pragma once
// The discipline assignment editor of the disciplines view: which courses of
// which faculties study the current discipline, that is, the rows of D_F_K.
// The faculty list holds every faculty, marked when any of its courses
// studies the discipline; the course list holds the courses in which the
// selected faculty has students, marked when linked. Toggling a course's mark
// inserts or deletes its link row in the open transaction.
//
// Every statement is built as text and run through the scratch dataset;
// text placed between quotes has its quotes doubled. Lists are read to their
// last row.

#include <QString>
#include <QStringList>

class TCheckListBox;
class TDataSet;
class TFIBCustomDataSet;

class TAssignmentEditor {
public:
    TAssignmentEditor(TDataSet& discipline, TFIBCustomDataSet& scratch, TCheckListBox& faculties,
                      TCheckListBox& courses);

    // The discipline's data changed: rebuild the faculty list, then select
    // the first faculty and rebuild the course list. With no faculty the
    // course list keeps what it showed.
    void DisciplineChanged();
    // The user selected a faculty: rebuild the course list for it.
    void FacultySelected();
    // The user toggled the selected course's mark: insert or delete the link
    // row, then mark the faculty when any of its courses is marked. When the
    // statement fails the mark returns to what it was and the error goes on.
    void CourseToggled();

    // A text placed between single quotes in a statement.
    static QString Quoted(const QString& value);

private:
    QString DisciplineKey() const;
    QString SelectedFaculty() const;
    void Run(const QString& sql);
    // The values of one column of the scratch dataset's rows, first to
    // last: as many as the server counts, or every row the select returns.
    QStringList ReadCounted(const QString& field);
    QStringList ReadAll(const QString& field);
    void FacultyCourseLink(const QString& course, bool linked);

    TDataSet& discipline_;
    TFIBCustomDataSet& dataset_;
    TCheckListBox& faculties_;
    TCheckListBox& courses_;
};
