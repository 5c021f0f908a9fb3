#include "settings/IniFile.h"

#include "fib/Format.h"
#include "settings/AtomicFile.h"

#include <QFile>
#include <QStringDecoder>
#include <cctype>
#include <limits>

namespace {

// Code page 1251, bytes 0x80 to 0xFF. 0x98 has no character of its own and
// is kept as the control character of the same code.
constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

QString DecodeCp1251(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = b < 0x80 ? QChar(b) : QChar(kCp1251High[b - 0x80]);
    }
    return text;
}

// A line of the file, as far as the INI rules care.
struct IniLine {
    enum Kind { Other, Section, Entry } kind = Other;
    QString name;  // section or key name, blanks trimmed
    QString value; // entry value, blanks trimmed
};

IniLine Classify(const QString& line) {
    IniLine result;
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
        result.kind = IniLine::Section;
        result.name = t.mid(1, t.size() - 2).trimmed();
        return result;
    }
    if (t.startsWith(QLatin1Char(';')))
        return result;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return result;
    result.kind = IniLine::Entry;
    result.name = t.left(eq).trimmed();
    result.value = t.mid(eq + 1).trimmed();
    if (result.name.isEmpty())
        result.kind = IniLine::Other;
    return result;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Calls visit(index, line) for each entry of the first section named section.
template <typename Visit>
void ForEachEntry(const QStringList& lines, const QString& section, Visit visit) {
    bool inside = false;
    bool seen = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const IniLine l = Classify(lines[i]);
        if (l.kind == IniLine::Section) {
            if (seen)
                return;
            inside = SameName(l.name, section);
            seen = inside;
        } else if (inside && l.kind == IniLine::Entry) {
            if (!visit(i, l))
                return;
        }
    }
}

bool ParseHex(QStringView digits, bool negative, int& value) {
    if (digits.isEmpty())
        return false;
    for (QChar c : digits)
        if (!isxdigit(c.unicode() < 0x80 ? c.toLatin1() : 'g'))
            return false;
    while (digits.size() > 1 && digits[0] == QLatin1Char('0'))
        digits = digits.mid(1);
    if (digits.size() > 8)
        return false;
    bool ok = false;
    const uint u = digits.toUInt(&ok, 16);
    if (!ok)
        return false;
    const int v = static_cast<int>(u);
    value = negative ? static_cast<int>(0u - u) : v;
    return true;
}

} // namespace

QString DecodeIniText(const QByteArray& bytes) {
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return DecodeCp1251(bytes);
}

bool ParseIniInteger(const QString& text, int& value) {
    QStringView t(text);
    if (t.size() >= 3 && t[0] == QLatin1Char('0') &&
        (t[1] == QLatin1Char('x') || t[1] == QLatin1Char('X')))
        return ParseHex(t.mid(2), false, value);

    t = t.trimmed();
    bool negative = false;
    if (!t.isEmpty() && (t[0] == QLatin1Char('-') || t[0] == QLatin1Char('+'))) {
        negative = t[0] == QLatin1Char('-');
        t = t.mid(1);
    }
    if (!t.isEmpty() && t[0] == QLatin1Char('$'))
        return ParseHex(t.mid(1), negative, value);
    if (t.isEmpty())
        return false;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    const qlonglong signedValue = negative ? -v : v;
    if (!ok || signedValue < std::numeric_limits<int>::min() ||
        signedValue > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

TIniFile::TIniFile(QString fileName, unsigned createMode)
    : fileName_(std::move(fileName)), createMode_(createMode) {}

QStringList TIniFile::ReadLines() const {
    QFile f(fileName_);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = DecodeIniText(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    QString result = def;
    ForEachEntry(ReadLines(), section, [&](qsizetype, const IniLine& l) {
        if (!SameName(l.name, key))
            return true;
        result = l.value.left(MaxValueLength);
        return false;
    });
    return result;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    int value = 0;
    return ParseIniInteger(ReadString(section, key, QString()), value) ? value : def;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

QStringList TIniFile::ReadSection(const QString& section) const {
    QStringList keys;
    ForEachEntry(ReadLines(), section, [&](qsizetype, const IniLine& l) {
        keys << l.name;
        return true;
    });
    return keys;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    return ReadSection(section).contains(key, Qt::CaseInsensitive);
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    QStringList lines = ReadLines();

    qsizetype sectionLine = -1;
    for (qsizetype i = 0; i < lines.size() && sectionLine < 0; ++i) {
        const IniLine l = Classify(lines[i]);
        if (l.kind == IniLine::Section && SameName(l.name, section))
            sectionLine = i;
    }

    if (sectionLine < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << key + QLatin1Char('=') + value;
    } else {
        qsizetype keyLine = -1;
        qsizetype lastEntry = sectionLine;
        ForEachEntry(lines, section, [&](qsizetype i, const IniLine& l) {
            lastEntry = i;
            if (!SameName(l.name, key))
                return true;
            keyLine = i;
            return false;
        });
        if (keyLine >= 0) {
            // The key keeps its spelling in the file; only the value changes.
            lines[keyLine] = Classify(lines[keyLine]).name + QLatin1Char('=') + value;
        } else {
            lines.insert(lastEntry + 1, key + QLatin1Char('=') + value);
        }
    }

    const QByteArray content = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (!WriteFileAtomically(fileName_, content, createMode_))
        throw EIniFileException(FormatText(QStringLiteral("Unable to write to %s"), {fileName_}));
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
