#pragma once
// Shared by the SQL text routines only: the character-class table and the
// small lexical steps that the scanner and the clause utilities both take.

#include "fib/SqlTxtRtns.h"

#include <array>

namespace sqllex {

// The class bits of each code unit below 256; see TSQLCharClass.
extern const std::array<uint16_t, 256> kCharClass;

inline bool Is(char16_t c, uint16_t cls) {
    return c < 256 && (kCharClass[c] & cls) != 0;
}

inline char16_t At(QStringView text, qsizetype i) {
    return i >= 0 && i < text.size() ? text[i].unicode() : char16_t(0);
}

inline char16_t UpperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

void UpperAsciiInPlace(QString& s);
QString UpperAscii(QStringView s);

// 0-based keyword test; see MatchKeyword.
bool KeywordAt(QStringView keyword, QStringView text, qsizetype i);

// When a literal ('...' or "...") or a comment starts at i, the index just
// past it (text.size() when it is not closed); otherwise i.
qsizetype SkipNonCode(QStringView text, qsizetype i);

// The text with every comment replaced by one space.
QString StripComments(QStringView text);

// First top-level (outside literals, comments and parentheses) position at or
// after from where one of keywords matches; -1 when none does.
qsizetype FindTopLevelKeyword(QStringView text, qsizetype from,
                              std::initializer_list<QStringView> keywords);

} // namespace sqllex
