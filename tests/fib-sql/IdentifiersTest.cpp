// Quoting and upper-casing of generator and table names in dialects 1 and 3.

#include "fib/SqlTxtRtns.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatIdentifier, DialectsAndStrictness) {
    const struct {
        const char* name;
        int dialect;
        const char* strict;
        const char* lenient;
    } cases[] = {
        {"gen_fakultet_id", 3, "\"gen_fakultet_id\"", "GEN_FAKULTET_ID"},
        {"GEN_FAKULTET_ID", 3, "GEN_FAKULTET_ID", "GEN_FAKULTET_ID"},
        {"ORDER", 3, "\"ORDER\"", "\"ORDER\""},
        {"order", 3, "\"order\"", "\"order\""},
        {"Gen", 3, "\"Gen\"", "GEN"},
        {"\"Mixed\"", 3, "\"Mixed\"", "\"Mixed\""},
        {"1GEN", 3, "\"1GEN\"", "\"1GEN\""},
        {"MY-GEN", 3, "\"MY-GEN\"", "\"MY-GEN\""},
        {"GEN$1#%", 3, "GEN$1#%", "GEN$1#%"},
        {"A", 3, "A", "A"},
        {"I2", 3, "I2", "I2"}, // a digit second: never a reserved word
        {"IN", 3, "\"IN\"", "\"IN\""},
        {"a\"b", 3, "\"a\"\"b\"", "\"a\"\"b\""},
        {"", 3, "", ""},
        {" gen_fakultet_id ", 1, "GEN_FAKULTET_ID", "GEN_FAKULTET_ID"},
        {"ORDER", 1, "ORDER", "ORDER"},
        {"\"x\"", 1, "\"X\"", "\"X\""},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(FormatIdentifier(name, c.dialect, false), QString::fromUtf8(c.strict))
            << c.name << " dialect " << c.dialect;
        EXPECT_EQ(FormatIdentifier(name, c.dialect, true), QString::fromUtf8(c.lenient))
            << c.name << " dialect " << c.dialect << " lenient";
    }
}

TEST(NeedsQuoting, NonAsciiLettersAndEmptyNames) {
    EXPECT_TRUE(NeedsQuoting(QString::fromUtf8("ГЕН"), true));
    EXPECT_TRUE(NeedsQuoting(QString::fromUtf8("GEN_Ж"), true));
    EXPECT_FALSE(NeedsQuoting(u"", false));
    EXPECT_FALSE(NeedsQuoting(u"\"order\"", false));
}

TEST(ReservedWords, AreFoundWithoutRegardToCase) {
    for (const char* w : {"FREE_IT", "avg", "CString", "SELECT", "ROW_COUNT", "INT64", "Base_Name"})
        EXPECT_TRUE(IsReservedWord(QString::fromUtf8(w))) << w;
    for (const char* w : {"FAKULTET", "GEN_FAKULTET_ID", "SELECTS", ""})
        EXPECT_FALSE(IsReservedWord(QString::fromUtf8(w))) << w;
}

} // namespace
