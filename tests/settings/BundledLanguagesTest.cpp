// The language files shipped with the program: each holds every key the
// program looks up, translated, so that no caption shows a bare key.

#include "settings/IniFile.h"
#include "tests/support/TestDatabase.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

const QStringList kKeys = {
    "_MAIN_FORM_", "_SHOW_", "_TESTS_ONLINE_", "_STUDENTS_", "_DISCIPLINES_", "_RESULTS_",
    "_PROGRAM_", "_OPTIONS_", "_HELP_", "_ABOUT_", "_EXIT_", "_FACULTY_", "_NAME_", "_COURSE_",
    "_GROUP_", "_LAST_NAME_", "_FIRST_NAME_", "_FATHER_NAME_", "_RESULTAT_", "_TIME_", "_TEST_",
    "_DISCIPLINE_", "_FILE_NAME_", "_SHORT_NAME_", "_FIRST_RECORD_", "_PRIOR_RECORD_",
    "_NEXT_RECORD_", "_LAST_RECORD_", "_INSERT_RECORD_", "_DELETE_RECORD_", "_EDIT_RECORD_",
    "_POST_EDIT_", "_CANCEL_EDIT_", "_REFRESH_DATA_", "_LANGUAGES_", "_DATABASE_IP_AND_DB_FILE_",
    "_USER_NAME_", "_PASSWORD_", "_SAVE_FORMS_POSITION_", "_OK_", "_DEFAULTS_", "_CANCEL_",
    "_DB_CONNECTION_ERROR_", "_EXIT_CONFIRMATION_", "_EXIT_WITHOUT_SAVING_", "_COPY_CELL_",
    "_COPY_ROW_", "_EXPORT_CSV_", "_ROWS_WRITTEN_", "_FIND_", "_FIND_NEXT_", "_FIND_PREVIOUS_",
    "_CLOSE_FIND_", "_NO_MATCH_", "_CHANGES_RESTORED_",
    // The import of students from CSV
    "_IMPORT_STUDENTS_", "_IMPORT_FILE_", "_CHOOSE_FILE_", "_ENCODING_", "_SEPARATOR_",
    "_AUTOMATIC_", "_COMMA_", "_SEMICOLON_", "_TAB_", "_IGNORE_COLUMN_", "_IMPORT_FACULTY_",
    "_IMPORT_FACULTY_FOR_ALL_", "_IMPORT_SUMMARY_", "_LINE_", "_PROBLEM_", "_IMPORT_",
    "_SAVE_SKIPPED_", "_CLOSE_", "_PROBLEM_FIELD_COUNT_", "_PROBLEM_EMPTY_LAST_NAME_",
    "_PROBLEM_TOO_LONG_", "_PROBLEM_NOT_STORABLE_", "_PROBLEM_BAD_COURSE_",
    "_PROBLEM_UNKNOWN_FACULTY_", "_PROBLEM_DUPLICATE_", "_PROBLEM_IN_DATABASE_",
    "_CSV_CANNOT_OPEN_", "_CSV_READ_FAILED_", "_CSV_TOO_LARGE_", "_CSV_NOT_TEXT_", "_CSV_EMPTY_",
    "_CSV_UNCLOSED_QUOTE_", "_CSV_HEADER_ONLY_", "_IMPORT_NOTHING_", "_IMPORT_SKIP_QUESTION_",
    "_IMPORT_CANCELLED_", "_IMPORT_REFUSED_", "_IMPORT_DONE_", "_ROW_BROWSING_", "_ROW_EDITING_",
    "_ROW_INSERTING_",
    // The results view's filter bar, columns, count and summary
    "_FILTER_BAR_", "_TEST_COLUMN_", "_DISCIPLINE_COLUMN_", "_SUMMARY_", "_TEST_NAME_",
    "_DISCIPLINE_NAME_", "_FILTER_ANY_", "_FILTER_FACULTY_", "_FILTER_COURSE_", "_FILTER_GROUP_",
    "_FILTER_DISCIPLINE_", "_FILTER_TEST_", "_FILTER_NAME_", "_FILTER_DATES_", "_FILTER_MARKS_",
    "_FILTER_APPLY_", "_FILTER_CLEAR_", "_FILTER_DATE_INVALID_", "_FILTER_MARK_INVALID_",
    "_FILTER_DATES_ORDER_", "_FILTER_MARKS_ORDER_", "_FILTER_NAME_CHARSET_", "_RESULTS_COUNT_",
    "_RESULTS_COUNT_STOPPED_", "_RESULTS_COUNTING_", "_RESULTS_READING_", "_SUMMARY_TITLE_",
    "_SUMMARY_BY_", "_SUMMARY_COUNT_", "_SUMMARY_AVERAGE_", "_SUMMARY_LOWEST_", "_SUMMARY_HIGHEST_",
    "_SUMMARY_HISTOGRAM_", "_SUMMARY_STOPPED_", "_SUMMARY_COPY_", "_SUMMARY_SAVE_PNG_",
    "_SUMMARY_CLOSE_", "_SUMMARY_COUNTING_", "_SUMMARY_NOT_WRITTEN_"};

TEST(BundledLanguages, EveryFileTranslatesEveryKeyAndNothingElse) {
    for (const char* language : {"English", "Українська", "Русский"}) {
        SCOPED_TRACE(language);
        const TIniFile file(SourceDir() + "/settings/languages/" + QString::fromUtf8(language) +
                            ".olg");
        const QStringList keys = file.ReadSection("WORDS");
        EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()),
                  QSet<QString>(kKeys.begin(), kKeys.end()));
        for (const QString& key : kKeys) {
            const QString value = file.ReadString("WORDS", key, QString());
            EXPECT_FALSE(value.isEmpty()) << key.toStdString();
            EXPECT_NE(value, key) << "untranslated";
        }
    }
}

} // namespace
