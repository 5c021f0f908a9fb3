// CSV read back as a spreadsheet writes it: separators and encodings
// detected, quoted fields with separators, quotes and line breaks, the
// writer's output read back unchanged, and every broken file refused with
// the kind of problem and, where it has one, the line.

#include "base/Csv.h"
#include "base/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Records(const TCsvTable& table) {
    QStringList out;
    for (const QStringList& r : table.records)
        out << r.join(u'|');
    return out.join(u'/');
}

QString Lines(const TCsvTable& table) {
    QStringList out;
    for (const int l : table.lines)
        out << QString::number(l);
    return out.join(u',');
}

} // namespace

TEST(CsvRead, ReadsRecordsAsSpreadsheetsWriteThem) {
    const struct {
        const char* name;
        QByteArray bytes;
        char separator;      // detected
        const char* records; // fields joined by |, records by /
        const char* lines;   // where each record starts
    } cases[] = {
        {"commas", "a,b,c\r\n1,2,3\r\n", ',', "a|b|c/1|2|3", "1,2"},
        {"semicolons", "a;b;c\n1;2,5;3\n", ';', "a|b|c/1|2,5|3", "1,2"},
        {"tabs", "a\tb\n1\t2\n", '\t', "a|b/1|2", "1,2"},
        {"more semicolons than commas", "x,y;z;w\n", ';', "x,y|z|w", "1"},
        {"no final line break", "a,b\n1,2", ',', "a|b/1|2", "1,2"},
        {"CR alone ends a record", "a,b\r1,2\r", ',', "a|b/1|2", "1,2"},
        {"quoted separator and quote", "a,b\n\"x,y\",\"say \"\"hi\"\"\"\n", ',',
         "a|b/x,y|say \"hi\"", "1,2"},
        {"quoted line breaks count as lines", "a,b\n\"one\r\ntwo\",\"3\n4\"\nlast,row\n", ',',
         "a|b/one\r\ntwo|3\n4/last|row", "1,2,5"},
        {"separator in quotes ignored when detecting", "\"a;b\",c\n1,2\n", ',', "a;b|c/1|2", "1,2"},
        {"empty fields kept", "a,,c\n,,x\n", ',', "a||c/||x", "1,2"},
        {"blank and empty lines left out", "a,b\n\n,\n1,2\n\n", ',', "a|b/1|2", "1,4"},
        {"quote inside an unquoted field", "a,b\n5\" disk,x\n", ',', "a|b/5\" disk|x", "1,2"},
        {"single column", "name\nIvan\n", ',', "name/Ivan", "1,2"},
        {"blanks kept", " a , b \n", ',', " a | b ", "1"},
    };
    for (const auto& c : cases) {
        const TCsvTable t = ReadCsv(c.bytes);
        EXPECT_EQ(t.separator, c.separator) << c.name;
        EXPECT_EQ(Records(t), QString::fromUtf8(c.records)) << c.name;
        EXPECT_EQ(Lines(t), QString::fromLatin1(c.lines)) << c.name;
    }
}

TEST(CsvRead, DetectsTheEncodingAndTakesAnOverride) {
    const QString word = QString::fromUtf8("Прізвище;Ім’я\nЇжак;Ґава\n");
    const QByteArray utf8 = word.toUtf8();
    QByteArray win1251 = EncodeText(QString::fromUtf8("Прізвище;Ім'я\nЇжак;Ґава\n"));
    const struct {
        const char* name;
        QByteArray bytes;
        TCsvEncoding asked;
        TCsvEncoding used;
        QString first;
    } cases[] = {
        {"UTF-8", utf8, TCsvEncoding::Detect, TCsvEncoding::Utf8, QString::fromUtf8("Прізвище")},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8, TCsvEncoding::Detect,
         TCsvEncoding::Utf8, QString::fromUtf8("Прізвище")},
        {"code page 1251", win1251, TCsvEncoding::Detect, TCsvEncoding::Win1251,
         QString::fromUtf8("Прізвище")},
        {"UTF-8 read as 1251 on request", utf8, TCsvEncoding::Win1251, TCsvEncoding::Win1251,
         DecodeText(QString::fromUtf8("Прізвище").toUtf8())},
        {"a mark is no field text under an override", "\xEF\xBB\xBF" + utf8, TCsvEncoding::Win1251,
         TCsvEncoding::Win1251, DecodeText(QString::fromUtf8("Прізвище").toUtf8())},
    };
    for (const auto& c : cases) {
        TCsvReadOptions options;
        options.encoding = c.asked;
        const TCsvTable t = ReadCsv(c.bytes, options);
        EXPECT_EQ(t.encoding, c.used) << c.name;
        ASSERT_EQ(t.records.size(), 2) << c.name;
        EXPECT_EQ(t.records[0][0], c.first) << c.name;
        EXPECT_EQ(t.separator, ';') << c.name;
    }
}

TEST(CsvRead, SeparatorOverrideSplitsOnlyThere) {
    TCsvReadOptions options;
    options.separator = ',';
    const TCsvTable t = ReadCsv("a;b,c\n", options);
    EXPECT_EQ(Records(t), "a;b|c");
}

TEST(CsvRead, WhatTheWriterWritesReadsBackUnchanged) {
    const QStringList values = {
        "plain",
        "",
        "a,b",
        "a;b",
        "tab\there",
        "say \"hi\"",
        "\"",
        "two\r\nlines",
        "line\nfeed",
        " blanks kept ",
        QString::fromUtf8("Ім’я; Прізвище"),
        QString::fromUtf8("Ґ\"ʼ,"),
        "trailing\r\n",
    };
    for (const char separator : kCsvSeparators) {
        QByteArray out("\xEF\xBB\xBF");
        QList<QStringList> written;
        // Every value in every column position, so that each is a first, a
        // middle and a last field somewhere.
        for (qsizetype shift = 0; shift < values.size(); ++shift) {
            QStringList record;
            for (qsizetype i = 0; i < 3; ++i)
                record << values[(shift + i) % values.size()];
            for (qsizetype i = 0; i < record.size(); ++i) {
                if (i)
                    out.append(separator);
                AppendCsvField(out, record[i], separator);
            }
            EndCsvRecord(out);
            written << record;
        }
        TCsvReadOptions options;
        options.separator = separator;
        const TCsvTable t = ReadCsv(out, options);
        EXPECT_EQ(t.records, written) << "separator " << int(separator);
        // And detected from the first record alone.
        EXPECT_EQ(ReadCsv(out).records, written) << "separator " << int(separator);
    }
}

TEST(CsvRead, BrokenContentIsRefusedWithTheProblem) {
    const struct {
        const char* name;
        QByteArray bytes;
        TCsvProblem problem;
        int line;
    } cases[] = {
        {"nothing", "", TCsvProblem::cpEmpty, 0},
        {"blanks and breaks", "  \r\n\n \t\n", TCsvProblem::cpEmpty, 0},
        {"separators only", ",,\n,,\n", TCsvProblem::cpEmpty, 0},
        {"byte-order mark only", "\xEF\xBB\xBF", TCsvProblem::cpEmpty, 0},
        {"NUL bytes", QByteArray("a,b\n\0\0\x01", 7), TCsvProblem::cpNotText, 0},
        {"UTF-16",
         QByteArray("\xFF\xFE"
                    "a\0,\0b\0",
                    8),
         TCsvProblem::cpNotText, 0},
        {"picture", QByteArray("\x89PNG\r\n\x1a\n", 8), TCsvProblem::cpNotText, 0},
        {"quote never closed at the end", "a,b\n1,2\n3,\"open\nstill\n",
         TCsvProblem::cpUnclosedQuote, 3},
        {"closing quote missing on the header", "\"a,b\n", TCsvProblem::cpUnclosedQuote, 1},
    };
    for (const auto& c : cases) {
        try {
            ReadCsv(c.bytes);
            ADD_FAILURE() << c.name << ": read";
        } catch (const ECsvError& e) {
            EXPECT_EQ(e.Problem(), c.problem) << c.name;
            EXPECT_EQ(e.Line(), c.line) << c.name;
            EXPECT_FALSE(e.Message().isEmpty()) << c.name;
        }
    }
}

TEST(CsvRead, FilesThatCannotBeReadAreRefusedWithTheProblem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath("good.csv");
    {
        QFile f(good);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a,b\n1,2\n");
    }
    EXPECT_EQ(Records(ReadCsvFile(good)), "a|b/1|2");

    TCsvReadOptions small;
    small.maxBytes = 7;
    const struct {
        const char* name;
        QString path;
        TCsvReadOptions options;
        TCsvProblem problem;
    } cases[] = {
        {"missing", dir.filePath("missing.csv"), {}, TCsvProblem::cpCannotOpen},
        {"a folder", dir.path(), {}, TCsvProblem::cpCannotOpen},
        {"over the limit", good, small, TCsvProblem::cpTooLarge},
    };
    for (const auto& c : cases) {
        try {
            ReadCsvFile(c.path, c.options);
            ADD_FAILURE() << c.name << ": read";
        } catch (const ECsvError& e) {
            EXPECT_EQ(e.Problem(), c.problem) << c.name;
            EXPECT_TRUE(e.Message().contains(c.path)) << c.name;
        }
    }
}
