#pragma once
// Statement texts as the string lists hold them: every line followed by CR LF.

#include <QString>
#include <QStringList>

#include "model/TestingSql.h"

#include <initializer_list>

inline QString Lines(std::initializer_list<const char*> lines) {
    QString text;
    for (const char* line : lines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return text;
}

// A statement of the program's datasets as the statement layer receives it.
inline QString Text(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}
