// The program as a screen reader meets it on a Linux desktop: the real
// program on its own X server and session bus, read through AT-SPI by a real
// client (pyatspi, tests/accessibility/atspi_client.py). The client reads the
// students grid's titles and current cell, moves down and hears the new cell,
// presses the navigator's Next button by its action and marks a course; what
// it read is compared with the database, and the mark is read back from the
// database after the commit the client's view switch made.

#include "tests/accessibility/DesktopSession.h"
#include "tests/support/TestDatabase.h"

#include "settings/IniFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <gtest/gtest.h>

#include <cstdio>

using namespace veltor::test;

namespace {

QString English(const char* key) {
    return TIniFile(SourceDir() + "/settings/languages/English.olg")
        .ReadString("WORDS", QLatin1String(key), QString());
}

QStringList Strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& v : value.toArray())
        list << v.toString();
    return list;
}

// Rows of a select whose one column joins the values with "|".
QList<QStringList> Rows(const TestDatabase& db, const QString& select) {
    QList<QStringList> rows;
    for (const QString& line : db.Isql("set heading off;\n" + select + ";\n").split('\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            rows << trimmed.split('|');
    }
    return rows;
}

TEST(AtSpi, AScreenReaderReadsTheGridPressesTheNavigatorAndMarksACourse) {
    const QString missing = DesktopSession::Missing();
    if (!missing.isEmpty())
        GTEST_SKIP() << "needs " << missing.toStdString()
                     << " (scripts/lib.sh installs the packages)";
    TestDatabase db(TestData::Fixture);
    const QString faculty = QString::number(db.QueryInt("select first 1 f_id from fakultet"));
    // In the order the program's select gives them, which has no ORDER BY.
    const QList<QStringList> students =
        Rows(db, "select s_id || '|' || familiya || '|' || imya || '|' || otchestvo || '|' || "
                 "kurs || '|' || grupa from student where f_id = " +
                     faculty);
    ASSERT_GE(students.size(), 3) << "the fixture's first faculty has three students";
    const long long linksBefore = db.QueryInt("select count(*) from d_f_k");

    QString out;
    QString err;
    int code = -1;
    // A desktop whose accessibility registry never came up under a loaded
    // machine lists no program at all; that desktop is given up and one
    // more is started. Anything the client met once it found the program
    // fails at once.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        DesktopSession desktop;
        desktop.StartProgram(db.ConnectionString(), {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
        out.clear();
        err.clear();
        code = desktop.Run("/usr/bin/python3",
                           {SourceDir() + "/tests/accessibility/atspi_client.py", "Kestrin Veltor",
                            English("_STUDENTS_"), English("_DISCIPLINES_"), English("_COURSE_"),
                            English("_NEXT_RECORD_")},
                           240000, &out, &err);
        const bool unseen = code != 0 && out.isEmpty() && err.contains("no application");
        if (unseen && attempt == 1) {
            std::fprintf(stderr,
                         "the desktop listed no program within 60 s (program running: %s, "
                         "its output: %s); starting another desktop\n",
                         desktop.ProgramRunning() ? "yes" : "no",
                         qPrintable(desktop.ProgramOutput()));
            continue;
        }
        ASSERT_EQ(code, 0) << "client:\n"
                           << out.toStdString() << err.toStdString() << "\nprogram:\n"
                           << desktop.ProgramOutput().toStdString();
        break;
    }

    QMap<QString, QJsonObject> steps;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject step = QJsonDocument::fromJson(line.toUtf8()).object();
        steps.insert(step.value("step").toString(), step);
    }
    SCOPED_TRACE(out.toStdString());
    ASSERT_TRUE(steps.contains("done"));

    // The titles, as column descriptions and as header cells.
    const QStringList titles = {"S_ID",
                                English("_LAST_NAME_"),
                                English("_FIRST_NAME_"),
                                English("_FATHER_NAME_"),
                                English("_COURSE_"),
                                English("_GROUP_")};
    EXPECT_EQ(Strings(steps["titles"]["titles"]), titles);
    EXPECT_EQ(Strings(steps["titles"]["headers"]), titles);
    EXPECT_EQ(steps["titles"]["rows"].toInt(), students.size());

    // The current cell, the cell heard after Down, the row after Next.
    EXPECT_EQ(steps["current"]["row"].toInt(), 0);
    EXPECT_EQ(steps["current"]["column"].toInt(), 0);
    EXPECT_EQ(steps["current"]["text"].toString(), students[0][0]);
    EXPECT_EQ(Strings(steps["current"]["row_texts"]), students[0]);
    EXPECT_EQ(steps["current"]["row_state"].toString(), English("_ROW_BROWSING_"));
    EXPECT_EQ(steps["down"]["heard"].toString(), students[1][0]);
    EXPECT_EQ(steps["down"]["row"].toInt(), 1);
    EXPECT_EQ(Strings(steps["down"]["row_texts"]), students[1]);
    EXPECT_EQ(steps["next"]["row"].toInt(), 2);
    EXPECT_EQ(Strings(steps["next"]["row_texts"]), students[2]);

    // The navigator's buttons by their hints; in the middle of the students,
    // browsing, only Post and Cancel are unavailable.
    const char* hintKeys[] = {
        "_FIRST_RECORD_",  "_PRIOR_RECORD_", "_NEXT_RECORD_", "_LAST_RECORD_", "_INSERT_RECORD_",
        "_DELETE_RECORD_", "_EDIT_RECORD_",  "_POST_EDIT_",   "_CANCEL_EDIT_", "_REFRESH_DATA_"};
    const QJsonArray buttons = steps["navigator"]["buttons"].toArray();
    ASSERT_EQ(buttons.size(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(buttons[i][0].toString(), English(hintKeys[i]));
        const bool editingButton = i == 7 || i == 8;
        EXPECT_EQ(buttons[i][1].toBool(), !editingButton) << hintKeys[i];
    }

    // The mark went into the database at the view switch.
    const QString markedFaculty = steps["mark"]["faculty"].toString();
    const QString course = steps["mark"]["course"].toString();
    EXPECT_TRUE(steps["mark"]["faculty_marked"].toBool());
    EXPECT_EQ(db.QueryInt("select count(*) from d_f_k"), linksBefore + 1);
    EXPECT_EQ(db.QueryInt("select count(*) from d_f_k join fakultet f on f.f_id = d_f_k.f_id "
                          "where d_id = (select first 1 d_id from disciplina) and f.nazva = '" +
                          QString(markedFaculty).replace("'", "''") + "' and kurs = " + course),
              1);
}

} // namespace
