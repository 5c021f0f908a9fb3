// libFuzzer target for the INI reader that options.ini and the language files
// share, fed arbitrary file contents: invalid UTF-8, binary garbage, long
// lines, no line breaks. Promises: every read gives an answer without
// crashing, values are cut to the maximum length, and a value written into
// any such file reads back exactly.
//
// Input: a control byte, then the file's bytes. Control bits 0-1: how many of
// the file's own keys are read back.

#include "FuzzSupport.h"

#include "settings/IniFile.h"

#include <QFile>

namespace {

QString FilePath() {
    return FuzzScratchFolder() + QStringLiteral("options.ini");
}

void WriteFile(const QByteArray& bytes) {
    QFile f(FilePath());
    Require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file writable");
    f.write(bytes);
}

// Section names as the reader would see them; good enough to aim the reads.
QStringList SectionsOf(const QString& text) {
    QStringList sections;
    for (const QString& line : text.split(u'\n')) {
        const QString t = line.trimmed();
        if (t.startsWith(u'[') && t.contains(u']'))
            sections << t.mid(1, t.indexOf(u']') - 1);
        if (sections.size() >= 4)
            break;
    }
    return sections;
}

void ReadEverything(const TIniFile& ini, const QStringList& sections, int keysPerSection) {
    for (const QString& section : sections) {
        const QStringList keys = ini.ReadSection(section);
        for (int i = 0; i < keys.size() && i < keysPerSection; ++i) {
            const QString value = ini.ReadString(section, keys[i], QStringLiteral("\x01"));
            Require(value.size() <= TIniFile::MaxValueLength, "values are cut to the maximum");
            Require(ini.ValueExists(section, keys[i]), "a listed key exists");
            (void)ini.ReadInteger(section, keys[i], -1);
            (void)ini.ReadBool(section, keys[i], false);
        }
    }
}

// A value a user could type into a settings field: one line, no blanks at
// its ends.
QString WritableValue(const QString& text) {
    QString v;
    for (char32_t c : QStringView(text.left(300)).toUcs4())
        v += IsIniLineBreak(c) ? QString(u' ') : QString::fromUcs4(&c, 1);
    return v.trimmed();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzInput in(data, size);
    const int keysPerSection = in.Byte() & 3;
    const QByteArray bytes = in.Rest();
    const QString text = DecodeIniText(bytes);
    WriteFile(bytes);

    const TIniFile ini(FilePath());
    ReadEverything(ini, SectionsOf(text), keysPerSection);
    int n = 0;
    (void)ParseIniInteger(text.left(64), n);

    TIniFile writable(FilePath());
    const QString value = WritableValue(text);
    try {
        writable.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Value"), value);
    } catch (const EIniFileException&) {
        Require(false, "a writable file takes a write");
    }
    Require(writable.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Value"), QString()) ==
                value,
            "a written value reads back");
    return 0;
}
