// CSV fields as a spreadsheet reads them back: quoted only when they must be.

#include "base/Csv.h"

#include <gtest/gtest.h>

TEST(Csv, QuotesOnlyTheFieldsThatNeedIt) {
    const struct {
        const char* value;
        const char* written;
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"line\nfeed", "\"line\nfeed\""},
        {" blanks kept ", " blanks kept "},
        {"Ім’я; Прізвище", "Ім’я; Прізвище"},
    };
    for (const auto& c : cases) {
        QByteArray out("x,");
        AppendCsvField(out, QString::fromUtf8(c.value));
        EXPECT_EQ(out, QByteArray("x,") + c.written) << c.value;
    }
}
