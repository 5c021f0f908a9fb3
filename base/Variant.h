#pragma once
// The tagged value in which parameters, columns and fields exchange data:
// empty, null, integers of 8 to 64 bits, single, double, currency (a 64-bit
// integer of ten-thousandths), date-time (days since 30 December 1899), 8-bit
// and UTF-16 text, Boolean, byte array, and an array of variants (the
// all-columns answer of a one-off select).

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

enum class TVarType : uint8_t {
    varEmpty,
    varNull,
    varShortInt, // signed 8-bit
    varByte,     // unsigned 8-bit
    varSmallint, // signed 16-bit
    varWord,     // unsigned 16-bit
    varInteger,  // signed 32-bit
    varLongWord, // unsigned 32-bit
    varInt64,
    varSingle,
    varDouble,
    varCurrency,
    varDate,
    varString,  // 8-bit text
    varUString, // UTF-16 text
    varBoolean,
    varByteArray,
    varArray, // array of variants
};

class Variant {
public:
    Variant() = default;
    static Variant Null();
    Variant(int8_t v) : type_(TVarType::varShortInt), int_(v) {}
    Variant(uint8_t v) : type_(TVarType::varByte), int_(v) {}
    Variant(int16_t v) : type_(TVarType::varSmallint), int_(v) {}
    Variant(uint16_t v) : type_(TVarType::varWord), int_(v) {}
    Variant(int32_t v) : type_(TVarType::varInteger), int_(v) {}
    Variant(uint32_t v) : type_(TVarType::varLongWord), int_(v) {}
    Variant(int64_t v) : type_(TVarType::varInt64), int_(v) {}
    Variant(float v) : type_(TVarType::varSingle), real_(v) {}
    Variant(double v) : type_(TVarType::varDouble), real_(v) {}
    Variant(bool v) : type_(TVarType::varBoolean), int_(v ? 1 : 0) {}
    Variant(const QString& v) : type_(TVarType::varUString), wide_(v) {}
    Variant(const char* v) : type_(TVarType::varUString), wide_(QString::fromUtf8(v)) {}
    // 8-bit text; a byte array is made with ByteArray().
    Variant(const QByteArray& v) : type_(TVarType::varString), bytes_(v) {}
    static Variant Currency(int64_t tenThousandths);
    static Variant CurrencyFromDouble(double value);
    static Variant DateTime(double days);
    static Variant ByteArray(const QByteArray& bytes);
    static Variant Array(std::vector<Variant> items);

    TVarType Type() const { return type_; }
    bool IsEmpty() const { return type_ == TVarType::varEmpty; }
    bool IsNull() const { return type_ == TVarType::varNull; }
    bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
    bool IsOrdinal() const; // any integer kind
    bool IsFloat() const;   // single or double
    bool IsNumeric() const; // integer, float or currency
    bool IsText() const { return type_ == TVarType::varString || type_ == TVarType::varUString; }

    // Conversions; a value that cannot be converted raises EConvertError,
    // which the database layer reports as its client error 33.
    // Empty converts to 0 / empty text / false; Null raises.
    int64_t ToInt64() const;
    int32_t ToInt32() const;
    double ToDouble() const;
    int64_t ToCurrency() const; // ten-thousandths
    double ToDateTime() const;
    bool ToBool() const;
    QString ToString() const;   // UTF-16; 8-bit text is taken as WIN1251
    QByteArray ToBytes() const; // 8-bit text or byte array as they are, else WIN1251
    const std::vector<Variant>& Items() const { return items_; }

    // Same kind and same value; numbers of different kinds compare by value.
    bool operator==(const Variant& other) const;

private:
    TVarType type_ = TVarType::varEmpty;
    int64_t int_ = 0;
    double real_ = 0;
    QByteArray bytes_;
    QString wide_;
    std::vector<Variant> items_;
};
