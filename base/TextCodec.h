#pragma once
// Conversion of text between the program's UTF-16 and the 8-bit bytes that
// cross the client library: code page 1251 (the connection character set
// WIN1251) or UTF-8 for a UTF8 connection. Conversion never fails: a
// character without a WIN1251 equivalent becomes "?".

#include <QByteArray>
#include <QString>

enum class TTextCodec { Win1251, Utf8 };

QString DecodeText(const char* bytes, qsizetype length, TTextCodec codec = TTextCodec::Win1251);
inline QString DecodeText(const QByteArray& bytes, TTextCodec codec = TTextCodec::Win1251) {
    return DecodeText(bytes.constData(), bytes.size(), codec);
}
QByteArray EncodeText(const QString& text, TTextCodec codec = TTextCodec::Win1251);
