#include "model/TestingSql.h"

#include <initializer_list>

namespace {

QStringList Lines(std::initializer_list<const char*> lines) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const char* line : lines)
        out << QString::fromLatin1(line);
    return out;
}

TDataSetStatements MakeFaculty() {
    TDataSetStatements s;
    s.SelectSQL =
        Lines({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET "});
    s.InsertSQL = Lines({"INSERT INTO FAKULTET(", "    F_ID,", "    NAZVA,", "    KNAZVA", ")",
                         "VALUES(", "    :F_ID,", "    :NAZVA,", "    :KNAZVA", ")"});
    s.UpdateSQL = Lines({"UPDATE FAKULTET", "SET ", "    NAZVA = :NAZVA,", "    KNAZVA = :KNAZVA",
                         "WHERE", "    F_ID = :OLD_F_ID", "    "});
    s.DeleteSQL =
        Lines({"DELETE FROM", "    FAKULTET", "WHERE", "        F_ID = :OLD_F_ID", "    "});
    s.RefreshSQL =
        Lines({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET ", "",
               " WHERE ", "        FAKULTET.F_ID = :OLD_F_ID", "    "});
    return s;
}

TDataSetStatements MakeStudent() {
    TDataSetStatements s;
    s.SelectSQL =
        Lines({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,", "    F_ID,",
               "    KURS,", "    GRUPA", "FROM", "    STUDENT", "WHERE", "    F_ID = :MAS_F_ID"});
    // The new student's faculty is the master's current one, whatever the
    // hidden F_ID field holds.
    s.InsertSQL = Lines({"INSERT INTO STUDENT(", "    S_ID,", "    FAMILIYA,", "    IMYA,",
                         "    OTCHESTVO,", "    F_ID,", "    KURS,", "    GRUPA", ")", "VALUES(",
                         "    :S_ID,", "    :FAMILIYA,", "    :IMYA,", "    :OTCHESTVO,",
                         "    :MAS_F_ID,", "    :KURS,", "    :GRUPA", ")"});
    s.UpdateSQL = Lines({"UPDATE STUDENT", "SET ", "    FAMILIYA = :FAMILIYA,", "    IMYA = :IMYA,",
                         "    OTCHESTVO = :OTCHESTVO,", "    F_ID = :F_ID,", "    KURS = :KURS,",
                         "    GRUPA = :GRUPA", "WHERE", "    S_ID = :OLD_S_ID", "    "});
    s.DeleteSQL =
        Lines({"DELETE FROM", "    STUDENT", "WHERE", "        S_ID = :OLD_S_ID", "    "});
    s.RefreshSQL = Lines({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,",
                          "    F_ID,", "    KURS,", "    GRUPA", "FROM", "    STUDENT ", "WHERE",
                          "    (F_ID = :MAS_F_ID) and (STUDENT.S_ID = :OLD_S_ID)", "    "});
    return s;
}

TDataSetStatements MakeDiscipline() {
    TDataSetStatements s;
    s.SelectSQL =
        Lines({"SELECT", "    D_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    DISCIPLINA "});
    s.InsertSQL = Lines({"INSERT INTO DISCIPLINA(", "    D_ID,", "    NAZVA,", "    KNAZVA", ")",
                         "VALUES(", "    :D_ID,", "    :NAZVA,", "    :KNAZVA", ")"});
    s.UpdateSQL = Lines({"UPDATE DISCIPLINA", "SET ", "    NAZVA = :NAZVA,", "    KNAZVA = :KNAZVA",
                         "WHERE", "    D_ID = :OLD_D_ID", "    "});
    s.DeleteSQL =
        Lines({"DELETE FROM", "    DISCIPLINA", "WHERE", "        D_ID = :OLD_D_ID", "    "});
    s.RefreshSQL =
        Lines({"SELECT", "    D_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    DISCIPLINA ", "",
               " WHERE ", "        DISCIPLINA.D_ID = :OLD_D_ID", "    "});
    return s;
}

TDataSetStatements MakeTest() {
    TDataSetStatements s;
    s.SelectSQL = Lines({"SELECT", "    T_ID,", "    NAZVA,", "    TFILENAME,", "    D_ID", "FROM",
                         "    TEST ", "WHERE", "    D_ID=:MAS_D_ID"});
    // The new test's discipline is the master's current one.
    s.InsertSQL =
        Lines({"INSERT INTO TEST(", "    T_ID,", "    NAZVA,", "    TFILENAME,", "    D_ID", ")",
               "VALUES(", "    :T_ID,", "    :NAZVA,", "    :TFILENAME,", "    :MAS_D_ID", ")"});
    s.UpdateSQL =
        Lines({"UPDATE TEST", "SET ", "    T_ID = :T_ID,", "    NAZVA = :NAZVA,",
               "    TFILENAME = :TFILENAME,", "    D_ID = :D_ID", "WHERE", "    T_ID = :OLD_T_ID"});
    s.DeleteSQL = Lines({"DELETE FROM", "    TEST", "WHERE", "        T_ID = :OLD_T_ID"});
    s.RefreshSQL = Lines({"SELECT", "    T_ID,", "    NAZVA,", "    TFILENAME,", "    D_ID", "FROM",
                          "    TEST ", "WHERE( ", "    D_ID=:MAS_D_ID",
                          "     ) and (     TEST.T_ID = :OLD_T_ID", "     )", "    "});
    return s;
}

TDataSetStatements MakeResultat() {
    TDataSetStatements s;
    s.SelectSQL =
        Lines({"SELECT ", "    fakultet.nazva, ", "    student.kurs, ", "    student.grupa, ",
               "    student.familiya, ", "    student.imya, ", "    student.otchestvo, ",
               "    resultat.ocinka,", "    resultat.vrema ", "FROM ", "    resultat ",
               "INNER JOIN ", "    student ON resultat.s_id=student.s_id ", "INNER JOIN ",
               "    fakultet on fakultet.f_id=student.f_id"});
    return s;
}

} // namespace

const TDataSetStatements& FacultyStatements() {
    static const TDataSetStatements s = MakeFaculty();
    return s;
}

const TDataSetStatements& StudentStatements() {
    static const TDataSetStatements s = MakeStudent();
    return s;
}

const TDataSetStatements& DisciplineStatements() {
    static const TDataSetStatements s = MakeDiscipline();
    return s;
}

const TDataSetStatements& TestStatements() {
    static const TDataSetStatements s = MakeTest();
    return s;
}

const TDataSetStatements& ResultatStatements() {
    static const TDataSetStatements s = MakeResultat();
    return s;
}
