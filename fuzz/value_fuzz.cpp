// libFuzzer target for the value conversions of a result column and of a
// parameter: a column of each SQL type (with fuzzed scale, length, subtype,
// character set and null flag) holding arbitrary bytes, read through every
// getter and into the form a dataset record keeps; and a parameter of that
// type given arbitrary text. A conversion may refuse with the layer's own
// error; it must never crash, read outside the column's buffer or hit
// undefined behaviour.
//
// Input: type, scale, length, flags, then the column's bytes; what is left
// after the column's buffer is the parameter's text. Flags bit 0: nullable;
// bit 1: null; bit 2: UTF8 connection; bit 3: CHAR columns trimmed; bits 4-5:
// subtype.

#include "FuzzSupport.h"

#include "base/Exception.h"
#include "fib/FIBXSQLDA.h"

#include <vector>

namespace {

const short kTypes[] = {SQLVarying, SQLText,  SQLDouble, SQLFloat,   SQLLong,
                        SQLShort,   SQLTimestamp, SQLBlob, SQLDFloat, SQLArray,
                        SQLQuad,    SQLTime,  SQLDate,   SQLInt64,   SQLBooleanOld,
                        SQLBoolean, SQLNull};

class Owner : public TFIBXSQLDefaultOwner {
public:
    Owner(bool utf8, bool trim) : utf8_(utf8), trim_(trim) {}
    bool XSQLTrimCharFields() const override { return trim_; }
    TTextCodec XSQLCodec(int) const override {
        return utf8_ ? TTextCodec::Utf8 : TTextCodec::Win1251;
    }
    bool XSQLCharsetIsUnicode(int) const override { return utf8_; }
    int XSQLBytesPerChar(int) const override { return utf8_ ? 4 : 1; }

private:
    bool utf8_;
    bool trim_;
};

template <typename F> void Tolerate(F&& f) {
    try {
        f();
    } catch (const Exception&) {
        // A refused conversion is an answer.
    }
}

void ReadEveryWay(TFIBXSQLVAR& v) {
    Tolerate([&] { (void)v.AsString(); });
    Tolerate([&] { (void)v.AsWideString(); });
    Tolerate([&] { (void)v.AsInteger(); });
    Tolerate([&] { (void)v.AsInt64(); });
    Tolerate([&] { (void)v.AsDouble(); });
    Tolerate([&] { (void)v.AsDateTime(); });
    Tolerate([&] { (void)v.AsVariant(); });
    Tolerate([&] { (void)v.AsQuad(); });
    Tolerate([&] { (void)v.AsBoolean(); });
    Tolerate([&] {
        const int size = v.StoredSize();
        Require(size >= 0, "a stored size is not negative");
        std::vector<char> record(static_cast<size_t>(size) + 1);
        v.WriteStored(record.data());
    });
}

// The size of the buffer the server writes a value of the type into.
size_t BufferBytes(short type, short len) {
    switch (type) {
    case SQLVarying:
        return size_t(len) + 2;
    case SQLText:
        return len < 1 ? 1 : size_t(len);
    case SQLDouble:
    case SQLTimestamp:
    case SQLBlob:
    case SQLDFloat:
    case SQLArray:
    case SQLQuad:
    case SQLInt64:
        return 8;
    case SQLFloat:
    case SQLLong:
    case SQLTime:
    case SQLDate:
        return 4;
    case SQLShort:
    case SQLBooleanOld:
        return 2;
    case SQLBoolean:
        return len < 1 ? 1 : size_t(len);
    default:
        return 1;
    }
}

XSQLVAR Describe(short type, short scale, short len, short subtype, bool nullable) {
    XSQLVAR d{};
    d.sqltype = static_cast<ISC_SHORT>(type | (nullable ? 1 : 0));
    d.sqlscale = scale;
    d.sqllen = len;
    d.sqlsubtype = subtype;
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzInput in(data, size);
    const short type = kTypes[in.Byte() % (sizeof kTypes / sizeof kTypes[0])];
    const short scale = static_cast<short>(-(in.Byte() % 19));
    // The server describes a text or boolean column with its own length; the
    // other types with the size of their value.
    const short described_len = static_cast<short>(in.Byte());
    const bool sized = type == SQLVarying || type == SQLText || type == SQLBoolean;
    const short len = sized ? described_len : static_cast<short>(BufferBytes(type, 0));
    const uint8_t flags = in.Byte();
    const bool nullable = flags & 1;
    const short subtype = static_cast<short>((flags >> 4) & 3);
    Owner owner((flags & 4) != 0, (flags & 8) != 0);

    TFIBXSQLDA row(&owner, false);
    row.SetCount(1);
    const XSQLVAR described = Describe(type, scale, len, subtype, nullable);
    XSQLVAR& slot = row.Data()->sqlvar[0];
    slot.sqltype = described.sqltype;
    slot.sqlscale = described.sqlscale;
    slot.sqllen = described.sqllen;
    slot.sqlsubtype = described.sqlsubtype;
    bool set = true;
    Tolerate([&] {
        row.SetupColumns();
        set = false;
    });
    if (set)
        return 0; // a type the layer refuses to set up

    TFIBXSQLVAR& column = row[0];
    // The server fills the buffer it was given, nothing more; the bytes are
    // arbitrary, a varying column's length word included.
    const QByteArray bytes = in.Bytes(BufferBytes(type, len));
    std::memcpy(column.Data()->sqldata, bytes.constData(), size_t(bytes.size()));
    *column.Data()->sqlind = (nullable && (flags & 2)) ? -1 : 0;
    ReadEveryWay(column);

    TFIBXSQLDA params(&owner, true);
    params.SetCount(1);
    TFIBXSQLVAR& param = params[0];
    param.TakeDescription(described);
    const QString text = in.RestText(false).left(256);
    Tolerate([&] { param.SetAsWideString(text); });
    ReadEveryWay(param);
    return 0;
}
