// Headers as registrars and the students grid's export write them, in the
// three interface languages, mapped to the columns of a student.

#include "model/StudentImport.h"

#include <gtest/gtest.h>

TEST(ImportMapping, HeadersOfTheThreeLanguagesAndTheTableAreUnderstood) {
    using C = TImportColumn;
    const struct {
        const char* header;
        TImportColumn column;
    } cases[] = {
        {"Last name", C::icLastName},
        {" SURNAME: ", C::icLastName},
        {"Прізвище", C::icLastName},
        {"Фамилия", C::icLastName},
        {"FAMILIYA", C::icLastName},
        {"First name", C::icFirstName},
        {"Ім’я", C::icFirstName},
        {"Ім'я", C::icFirstName},
        {"Имя", C::icFirstName},
        {"Patronymic", C::icPatronymic},
        {"По батькові", C::icPatronymic},
        {"Отчество", C::icPatronymic},
        {"Year", C::icCourse},
        {"Курс", C::icCourse},
        {"KURS", C::icCourse},
        {"Group", C::icGroup},
        {"Група", C::icGroup},
        {"Группа", C::icGroup},
        {"Faculty", C::icFaculty},
        {"Факультет", C::icFaculty},
        {"S_ID", C::icIgnore},
        {"Problem", C::icIgnore},
        {"", C::icIgnore},
        {"Name of the dog", C::icIgnore},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GuessImportColumn(QString::fromUtf8(c.header)), c.column) << c.header;

    // The caller's titles (its language files) count after the built-in ones.
    const QHash<QString, TImportColumn> extra = {{"nachname", C::icLastName}, {"year", C::icGroup}};
    EXPECT_EQ(GuessImportColumn("Nachname", extra), C::icLastName);
    EXPECT_EQ(GuessImportColumn("Year", extra), C::icCourse);
}

TEST(ImportMapping, AColumnIsGivenOnlyOnce) {
    using C = TImportColumn;
    const std::vector<TImportColumn> mapping =
        GuessImportColumns({"S_ID", "Last name", "Прізвище", "Group", "Year", "Група"});
    EXPECT_EQ(mapping, (std::vector<TImportColumn>{C::icIgnore, C::icLastName, C::icIgnore,
                                                   C::icGroup, C::icCourse, C::icIgnore}));
}

TEST(ImportMapping, NamesRoundTrip) {
    for (const TImportColumn c : kImportColumns) {
        EXPECT_EQ(ImportColumnFromName(ImportColumnName(c)), c);
        EXPECT_FALSE(ImportColumnName(c).isEmpty());
    }
    EXPECT_FALSE(ImportColumnFromName("surname"));
}
