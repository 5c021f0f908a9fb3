#pragma once
// What the fuzz targets share: a broken promise aborts (libFuzzer keeps the
// input), and a reader that takes control bytes and text off the input.

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

class TFuzzInput {
public:
    TFuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Left() const { return size_ - pos_; }
    // The next byte, or 0 when the input is used up.
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // The next bytes (at most n), raw.
    QByteArray Bytes(size_t n) {
        n = n < Left() ? n : Left();
        QByteArray out(reinterpret_cast<const char*>(data_ + pos_), qsizetype(n));
        pos_ += n;
        return out;
    }
    QByteArray Rest() { return Bytes(Left()); }
    // The rest as text: raw UTF-16 (which may hold lone surrogates) or one
    // character per byte.
    QString RestText(bool utf16) {
        const QByteArray b = Rest();
        if (!utf16)
            return QString::fromLatin1(b);
        QString text(b.size() / 2, Qt::Uninitialized);
        std::memcpy(text.data(), b.constData(), size_t(b.size() / 2) * 2);
        return text;
    }
    double Double() {
        const QByteArray b = Bytes(sizeof(double));
        double v = 0;
        std::memcpy(&v, b.constData(), size_t(b.size()));
        return v;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A folder of this process for files a target writes, on a memory file
// system when there is one.
QString FuzzScratchFolder();
