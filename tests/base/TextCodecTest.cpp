#include "base/TextCodec.h"

#include <gtest/gtest.h>

TEST(TextCodec, EveryWin1251ByteRoundTrips) {
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = DecodeText(all);
    ASSERT_EQ(text.size(), all.size());
    EXPECT_EQ(EncodeText(text), all);
}

TEST(TextCodec, CyrillicMapsToCodePage1251) {
    const QString word = QString::fromUtf8("Факультет Їжак ґ №");
    const QByteArray bytes = EncodeText(word);
    EXPECT_EQ(bytes, QByteArray("\xD4\xE0\xEA\xF3\xEB\xFC\xF2\xE5\xF2 \xAF\xE6\xE0\xEA \xB4 \xB9"));
    EXPECT_EQ(DecodeText(bytes), word);
}

TEST(TextCodec, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    // A Greek letter, a CJK ideograph and a character outside the BMP (one
    // mark for the whole surrogate pair).
    const QString text = QString::fromUtf8("a\u03A9b\u4E2Dc\U0001F600d");
    EXPECT_EQ(EncodeText(text), QByteArray("a?b?c?d"));
}

TEST(TextCodec, Utf8ConnectionUsesUtf8) {
    const QString word = QString::fromUtf8("Студент \u03A9");
    EXPECT_EQ(EncodeText(word, TTextCodec::Utf8), word.toUtf8());
    EXPECT_EQ(DecodeText(word.toUtf8(), TTextCodec::Utf8), word);
    // A leading U+FEFF is part of the value, not a byte-order mark to drop.
    const QString marked = QChar(0xFEFF) + word;
    EXPECT_EQ(DecodeText(EncodeText(marked, TTextCodec::Utf8), TTextCodec::Utf8), marked);
}
