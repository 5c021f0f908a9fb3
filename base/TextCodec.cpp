#include "base/TextCodec.h"

#include <QStringDecoder>

#include <array>
#include <cstring>

namespace {

// Code page 1251, bytes 0x80 to 0xFF. Byte 0x98 has no character of its own
// and maps to U+0098, as the platform's conversion does.
constexpr char16_t kHighHalf[128] = {
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
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// The reverse table for the characters U+0080 to U+04FF (everything the
// high half holds except a few punctuation marks above U+2000).
struct ReverseTable {
    std::array<unsigned char, 0x500> low{};
    ReverseTable() {
        for (int i = 0; i < 128; ++i)
            if (kHighHalf[i] < 0x500)
                low[kHighHalf[i]] = static_cast<unsigned char>(0x80 + i);
    }
};

char EncodeWin1251(char32_t c) {
    static const ReverseTable table;
    if (c < 0x80)
        return static_cast<char>(c);
    if (c < 0x500) {
        const unsigned char b = table.low[c];
        return b ? static_cast<char>(b) : '?';
    }
    for (int i = 0; i < 128; ++i)
        if (kHighHalf[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

// A value that begins with U+FEFF keeps it: QString::fromUtf8 would drop it
// as a byte-order mark, and the stored text would change on its way out.
QString DecodeUtf8(const char* bytes, qsizetype length) {
    if (length >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) {
        QStringDecoder keepMark(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return keepMark.decode(QByteArrayView(bytes, length));
    }
    return QString::fromUtf8(bytes, length);
}

} // namespace

QString DecodeText(const char* bytes, qsizetype length, TTextCodec codec) {
    if (codec == TTextCodec::Utf8)
        return DecodeUtf8(bytes, length);
    QString text(length, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = b < 0x80 ? QChar(b) : QChar(kHighHalf[b - 0x80]);
    }
    return text;
}

QByteArray EncodeText(const QString& text, TTextCodec codec) {
    if (codec == TTextCodec::Utf8)
        return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        // A surrogate pair is one character and becomes one "?".
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            bytes.append('?');
            ++i;
            continue;
        }
        bytes.append(EncodeWin1251(c.unicode()));
    }
    return bytes;
}
