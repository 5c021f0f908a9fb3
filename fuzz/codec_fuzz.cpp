// libFuzzer target for the code page 1251 and UTF-8 conversions, both ways.
// Promises: every byte decodes to one character and encodes back to itself;
// a text survives encoding exactly when every character fits the code page;
// a well-formed text survives UTF-8.
//
// Input: one control byte, then the bytes. Control bit 0: the bytes are also
// read as raw UTF-16 text.

#include "FuzzSupport.h"

#include "base/FieldText.h"
#include "base/TextCodec.h"

namespace {

bool WellFormed(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

void CheckBytes(const QByteArray& bytes) {
    const QString text = DecodeText(bytes);
    Require(text.size() == bytes.size(), "one character per byte");
    Require(EncodeText(text) == bytes, "every byte encodes back to itself");
    Require(!FirstCharOutsideWin1251(text), "decoded text fits the code page");
    (void)DecodeText(bytes, TTextCodec::Utf8);
}

void CheckText(const QString& text) {
    const QByteArray bytes = EncodeText(text);
    Require(bytes.size() <= text.size(), "no character takes more than one byte");
    const bool fits = !FirstCharOutsideWin1251(text);
    Require(fits == (DecodeText(bytes) == text), "a text survives exactly when it fits");
    if (!fits)
        (void)DescribeCharacter(*FirstCharOutsideWin1251(text));
    if (WellFormed(text))
        Require(DecodeText(EncodeText(text, TTextCodec::Utf8), TTextCodec::Utf8) == text,
                "well-formed text survives UTF-8");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzInput in(data, size);
    const uint8_t control = in.Byte();
    const QByteArray bytes = in.Rest();
    CheckBytes(bytes);
    if (control & 1) {
        QString text(bytes.size() / 2, Qt::Uninitialized);
        std::memcpy(text.data(), bytes.constData(), size_t(bytes.size() / 2) * 2);
        CheckText(text);
    } else {
        CheckText(QString::fromUtf8(bytes));
    }
    return 0;
}
