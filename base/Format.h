#pragma once
// printf-style formatting of the database layer's message texts, with the
// markers they use: %s (text), %d (integer), %x / %.8x (hexadecimal, zero
// padded to the given precision) and %%. A marker without a matching argument
// is left as it stands.

#include <QString>
#include <cstdint>
#include <initializer_list>

class FormatArg {
public:
    FormatArg(const QString& text) : text_(text), isText_(true) {}
    FormatArg(const char* text) : text_(QString::fromUtf8(text)), isText_(true) {}
    FormatArg(int value) : number_(value) {}
    FormatArg(unsigned value) : number_(value) {}
    FormatArg(long value) : number_(value) {}
    FormatArg(long long value) : number_(value) {}
    FormatArg(unsigned long value) : number_(static_cast<int64_t>(value)) {}
    FormatArg(unsigned long long value) : number_(static_cast<int64_t>(value)) {}

    bool IsText() const { return isText_; }
    const QString& Text() const { return text_; }
    int64_t Number() const { return number_; }

private:
    QString text_;
    int64_t number_ = 0;
    bool isText_ = false;
};

QString FormatText(const QString& format, std::initializer_list<FormatArg> args);
