#include "settings/IniFile.h"

#include "base/AtomicFile.h"
#include "base/Format.h"
#include "base/TextCodec.h"

#include <QFile>
#include <QStringDecoder>
#include <cctype>
#include <limits>

namespace {

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

bool HoldsLineBreak(const QString& text) {
    for (char32_t c : QStringView(text).toUcs4())
        if (IsIniLineBreak(c))
            return true;
    return false;
}

// Why the entry could not be written as one line that reads back as written;
// empty when it can.
QString RefusedEntry(const QString& section, const QString& key, const QString& value) {
    if (HoldsLineBreak(section))
        return QStringLiteral("a section name cannot hold line breaks or control characters");
    const QString name = key.trimmed();
    if (HoldsLineBreak(key) || name.isEmpty() || name.contains(QLatin1Char('=')) ||
        name.startsWith(QLatin1Char(';')) || name.startsWith(QLatin1Char('[')))
        return QStringLiteral("a key name cannot be empty, hold line breaks, control characters "
                              "or \"=\", or begin with \";\" or \"[\"");
    // The value is not named: it may be a password.
    if (HoldsLineBreak(value))
        return FormatText(QStringLiteral("the value of %s cannot hold line breaks or control "
                                         "characters"),
                          {key});
    return {};
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

bool IsIniLineBreak(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

QString DecodeIniText(const QByteArray& bytes) {
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return DecodeText(bytes, TTextCodec::Win1251);
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
    const QString refused = RefusedEntry(section, key, value);
    if (!refused.isEmpty())
        throw EIniFileException(
            FormatText(QStringLiteral("Unable to write to %s: %s"), {fileName_, refused}));

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
