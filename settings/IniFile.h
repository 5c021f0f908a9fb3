#pragma once
// The INI file that options.ini and the language files share. Every call
// reads the file anew and every write replaces it at once, so two uses never
// see a stale copy. Sections and keys match without regard to case.
//
// Text is written as UTF-8; reading accepts UTF-8 with or without a
// byte-order mark and falls back to code page 1251 for a file that is not
// valid UTF-8 (language files made on older systems).

#include "base/Exception.h"

#include <QString>
#include <QStringList>

// A write that could not be done: "Unable to write to <full path>", followed
// by the reason when the file could be written but the text could not.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile {
public:
    // createMode: permission bits of the file when a write creates it; an
    // existing file keeps its own.
    explicit TIniFile(QString fileName, unsigned createMode = 0666);

    const QString& FileName() const { return fileName_; }

    // Missing file, section or key gives the default; values are cut to
    // 2047 characters.
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, "0x"/"0X" or "$" hexadecimal; anything that is not a 32-bit
    // integer gives the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Any integer other than 0 is true.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Key names of the section, in file order.
    QStringList ReadSection(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // Replaces the key's value in place, or appends the key to its section,
    // or the section to the file. Raises EIniFileException on failure, and
    // without touching the file for a section, key or value that would not
    // stay one line (IsIniLineBreak) or a key that would not read back as
    // itself (empty, holding "=", or read as a comment or a section).
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    static constexpr int MaxValueLength = 2047;

private:
    QStringList ReadLines() const;

    QString fileName_;
    unsigned createMode_;
};

// Characters no section, key or value may hold: control characters (line
// breaks among them) and the Unicode line and paragraph separators, which
// other readers of the file take for line ends.
bool IsIniLineBreak(char32_t c);

// The integer rules of ReadInteger, on a value text.
bool ParseIniInteger(const QString& text, int& value);

// Bytes of a text file as text: UTF-8 (BOM optional), else code page 1251.
QString DecodeIniText(const QByteArray& bytes);
