#pragma once
// Statement texts as the string lists hold them: every line followed by CR LF.

#include <QString>
#include <QStringList>

#include <initializer_list>

inline QString Lines(std::initializer_list<const char*> lines) {
    QString text;
    for (const char* line : lines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return text;
}

// The statements of the program's datasets that the tests look at.
namespace program_sql {

inline QString StudentSelect() {
    return Lines({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,",
                  "    F_ID,", "    KURS,", "    GRUPA", "FROM", "    STUDENT", "WHERE",
                  "    F_ID = :MAS_F_ID"});
}

inline QString StudentInsert() {
    return Lines({"INSERT INTO STUDENT(", "    S_ID,", "    FAMILIYA,", "    IMYA,",
                  "    OTCHESTVO,", "    F_ID,", "    KURS,", "    GRUPA", ")", "VALUES(",
                  "    :S_ID,", "    :FAMILIYA,", "    :IMYA,", "    :OTCHESTVO,", "    :MAS_F_ID,",
                  "    :KURS,", "    :GRUPA", ")"});
}

inline QString StudentRefresh() {
    return Lines({"SELECT", "    S_ID,", "    FAMILIYA,", "    IMYA,", "    OTCHESTVO,",
                  "    F_ID,", "    KURS,", "    GRUPA", "FROM", "    STUDENT ", "WHERE",
                  "    (F_ID = :MAS_F_ID) and (STUDENT.S_ID = :OLD_S_ID)", "    "});
}

inline QString FacultyUpdate() {
    return Lines({"UPDATE FAKULTET", "SET ", "    NAZVA = :NAZVA,", "    KNAZVA = :KNAZVA", "WHERE",
                  "    F_ID = :OLD_F_ID", "    "});
}

inline QString FacultyDelete() {
    return Lines({"DELETE FROM", "    FAKULTET", "WHERE", "        F_ID = :OLD_F_ID", "    "});
}

inline QString FacultySelect() {
    return Lines({"SELECT", "    F_ID,", "    NAZVA,", "    KNAZVA", "FROM", "    FAKULTET "});
}

inline QString TestRefresh() {
    return Lines({"SELECT", "    T_ID,", "    NAZVA,", "    TFILENAME,", "    D_ID", "FROM",
                  "    TEST ", "WHERE( ", "    D_ID=:MAS_D_ID",
                  "     ) and (     TEST.T_ID = :OLD_T_ID", "     )", "    "});
}

inline QString ResultSelect() {
    return Lines({"SELECT ", "    fakultet.nazva, ", "    student.kurs, ", "    student.grupa, ",
                  "    student.familiya, ", "    student.imya, ", "    student.otchestvo, ",
                  "    resultat.ocinka,", "    resultat.vrema ", "FROM ", "    resultat ",
                  "INNER JOIN ", "    student ON resultat.s_id=student.s_id ", "INNER JOIN ",
                  "    fakultet on fakultet.f_id=student.f_id"});
}

} // namespace program_sql
