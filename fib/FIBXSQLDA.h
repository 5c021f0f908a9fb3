#pragma once
// Parameter and column values of a statement over the client library's
// published XSQLDA descriptor: TFIBXSQLDA owns the descriptor memory and one
// TFIBXSQLVAR per entry; each TFIBXSQLVAR owns its value buffer and null
// indicator, allocated when the entry is set up and reused for every row.

#include "base/TextCodec.h"
#include "base/Variant.h"

#include <QHash>
#include <QList>
#include <QString>
#include <ibase.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TComponent;
class TFIBXSQLDA;

// Bytes of sqldata for a value of a type (len: the described length), as the
// server writes them; -1 for a type this layer does not know.
int XSQLDataBytes(short type, short len);

// SQL type codes with the nullable bit cleared. Firebird reports BOOLEAN as
// 32764; the older code 590 is read the same way.
enum : short {
    SQLVarying = SQL_VARYING,
    SQLText = SQL_TEXT,
    SQLDouble = SQL_DOUBLE,
    SQLFloat = SQL_FLOAT,
    SQLLong = SQL_LONG,
    SQLShort = SQL_SHORT,
    SQLTimestamp = SQL_TIMESTAMP,
    SQLBlob = SQL_BLOB,
    SQLDFloat = SQL_D_FLOAT,
    SQLArray = SQL_ARRAY,
    SQLQuad = SQL_QUAD,
    SQLTime = SQL_TYPE_TIME,
    SQLDate = SQL_TYPE_DATE,
    SQLInt64 = SQL_INT64,
    SQLBooleanOld = 590,
    SQLBoolean = SQL_BOOLEAN,
    SQLNull = SQL_NULL,
};

// What a value needs to know about the statement that owns its list.
class IFIBXSQLOwner {
public:
    virtual ~IFIBXSQLOwner() = default;
    // The component named in messages (FullComponentName).
    virtual const TComponent* XSQLComponent() const = 0;
    virtual int XSQLDialect() const = 0;
    virtual bool XSQLTrimCharFields() const = 0;
    // False in a result row before the first row was fetched.
    virtual bool XSQLRowAvailable() const = 0;
    // Code page of a character set id (-1: the connection's own).
    virtual TTextCodec XSQLCodec(int charsetId) const = 0;
    virtual bool XSQLCharsetIsUnicode(int charsetId) const = 0;
    virtual int XSQLBytesPerChar(int charsetId) const = 0;
    virtual QByteArray XSQLReadBlob(const ISC_QUAD& id) = 0;
    // A macro's value changed: the statement must be prepared again.
    virtual void XSQLMacroChanged() = 0;
};

// Dialect 3, WIN1251, no blobs: for lists that belong to no statement.
class TFIBXSQLDefaultOwner : public IFIBXSQLOwner {
public:
    const TComponent* XSQLComponent() const override { return nullptr; }
    int XSQLDialect() const override { return 3; }
    bool XSQLTrimCharFields() const override { return false; }
    bool XSQLRowAvailable() const override { return true; }
    TTextCodec XSQLCodec(int) const override { return TTextCodec::Win1251; }
    bool XSQLCharsetIsUnicode(int) const override { return false; }
    int XSQLBytesPerChar(int) const override { return 1; }
    QByteArray XSQLReadBlob(const ISC_QUAD&) override;
    void XSQLMacroChanged() override {}
};

class TFIBXSQLVAR {
public:
    TFIBXSQLVAR(TFIBXSQLDA* list, int index);
    TFIBXSQLVAR(const TFIBXSQLVAR&) = delete;
    TFIBXSQLVAR& operator=(const TFIBXSQLVAR&) = delete;

    int Index() const { return index_; }
    // Back to a fresh, untyped item without name or value.
    void Clear();
    const QString& Name() const { return name_; }
    void SetName(const QString& name);
    XSQLVAR* Data() const { return var_; }
    short SQLType() const { return var_->sqltype & ~1; }
    short SQLScale() const { return var_->sqlscale; }
    short SQLSubtype() const { return var_->sqlsubtype; }
    short SQLLen() const { return var_->sqllen; }
    bool IsNullable() const { return var_->sqltype & 1; }
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // Facts of the scan: macro flags and default, WHERE-clause position.
    bool IsMacro() const { return isMacro_; }
    bool IsQuotedMacro() const { return isQuotedMacro_; }
    const QString& MacroDefault() const { return macroDefault_; }
    void SetMacro(bool quoted, const QString& defaultValue);
    bool InWhereClause() const { return inWhereClause_; }
    bool CanForceIsNull() const { return canForceIsNull_; }
    void SetWhereFlags(bool inWhereClause, bool canForceIsNull);
    // The value at the last execution (Empty before the first one).
    const Variant& OldValue() const { return oldValue_; }
    void SetOldValue(const Variant& value) { oldValue_ = value; }

    // What the server described for this parameter or column.
    bool Described() const { return described_; }
    short ServerSQLType() const { return serverType_; }
    short ServerSQLScale() const { return serverScale_; }
    short ServerSQLSubtype() const { return serverSubtype_; }
    short ServerSQLLen() const { return serverLen_; }
    // Records the described type; a parameter without a value (and every
    // column) takes it over, with a buffer of its size.
    void TakeDescription(const XSQLVAR& described);
    bool Deferred() const { return deferred_; }
    // Assigns a value given before the type was known again, now that it is.
    void ApplyDeferred();

    // A pending blob content, written to the server before execution.
    bool HasBlobContent() const { return hasBlob_; }
    const QByteArray& BlobContent() const { return blobContent_; }
    void SetBlobContent(const QByteArray& content);
    void DropBlobContent();
    // After the pending content was written: the parameter sends this id.
    void SetWrittenBlobId(const ISC_QUAD& id);

    bool IsNull() const;
    void SetIsNull(bool null);
    // The value was last given as UTF-16 text (AsWideString returns it).
    bool HasWideText() const { return hasWide_; }

    // Getters; a null value yields the neutral result.
    QByteArray AsString() const; // 8-bit text
    QString AsWideString() const;
    int32_t AsInteger() const;
    int64_t AsInt64() const;
    double AsDouble() const;
    double AsDateTime() const;
    Variant AsVariant() const;
    ISC_QUAD AsQuad() const;
    bool AsBoolean() const;

    // Setters; each applies to every parameter of the same name.
    void SetAsString(const QByteArray& value);
    void SetAsWideString(const QString& value);
    void SetAsInteger(int32_t value);
    void SetAsSmallInt(int16_t value);
    void SetAsInt64(int64_t value);
    void SetAsCurrency(int64_t tenThousandths);
    void SetAsDouble(double value);
    void SetAsDateTime(double value);
    void SetAsDate(double value); // truncated to whole days, sent as TIMESTAMP
    void SetAsBoolean(bool value);
    void SetAsVariant(const Variant& value);
    void SetAsQuad(const ISC_QUAD& id);
    // The raw set every setter ends in: type (the nullable bit is kept),
    // scale 0, length and bytes.
    void SetRaw(short sqlType, short length, const void* bytes);
    void SetScale(short scale);

    // The form a dataset record keeps (see FIBStoredForms.h).
    int StoredSize() const;
    void WriteStored(char* dest) const;

private:
    friend class TFIBXSQLDA;
    void Attach(XSQLVAR* var);
    void EnsureBuffer(size_t bytes);
    void AllocateForType();
    void SetRawOne(short sqlType, short length, const void* bytes);
    void ForLinked(const std::function<void(TFIBXSQLVAR&)>& f);
    void Defer(const Variant& value);
    TTextCodec Codec() const;
    IFIBXSQLOwner& Owner() const;
    QString TextValue() const; // the value as UTF-16 text, blobs excepted
    QByteArray CharBytes() const;
    bool IsNumericDescribed() const;
    bool IsDateTimeDescribed() const;
    void SetText(const QByteArray& bytes, bool fromWide);

    TFIBXSQLDA* list_;
    int index_;
    XSQLVAR* var_ = nullptr;
    std::vector<char> data_;
    short ind_ = -1;
    QString name_;
    bool modified_ = false;
    bool isMacro_ = false;
    bool isQuotedMacro_ = false;
    QString macroDefault_;
    bool inWhereClause_ = false;
    bool canForceIsNull_ = false;
    Variant oldValue_;
    bool described_ = false;
    short serverType_ = 0;
    short serverScale_ = 0;
    short serverSubtype_ = 0;
    short serverLen_ = 0;
    bool deferred_ = false;
    Variant deferredValue_;
    bool hasBlob_ = false;
    QByteArray blobContent_;
    bool hasWide_ = false;
    QString wideText_;
};

class TFIBXSQLDA {
public:
    TFIBXSQLDA(IFIBXSQLOwner* owner, bool isParams);
    ~TFIBXSQLDA();
    TFIBXSQLDA(const TFIBXSQLDA&) = delete;
    TFIBXSQLDA& operator=(const TFIBXSQLDA&) = delete;

    IFIBXSQLOwner& Owner() const { return *owner_; }
    bool IsParams() const { return isParams_; }
    int Count() const { return count_; }
    // Discards the names; grows the descriptor when needed (it never
    // shrinks) and sets sqln and sqld to count.
    void SetCount(int count);
    // Client error 23 outside 0..Count()-1.
    TFIBXSQLVAR& operator[](int index) const;
    TFIBXSQLVAR& Vars(int index) const { return (*this)[index]; }
    // Case-insensitive, double quotes around the name removed; nullptr when
    // absent. The first item of a repeated name.
    TFIBXSQLVAR* ByName(const QString& name) const;
    // Every index under that name (several for a repeated parameter).
    const QList<int>& IndexesOf(const QString& name) const;
    XSQLDA* Data() const { return data_; }
    // The count the server reported into the descriptor.
    int ServerCount() const { return data_ ? data_->sqld : 0; }

    // After a result row was described: names (alias, F_n, numbered
    // duplicates) and buffers; an unknown type is client error 30.
    void SetupColumns();
    // Takes what describe_bind reported (into a separate descriptor, so
    // that values held here are not overwritten), item by item in order.
    void TakeDescription(const XSQLDA& described);
    // Copies values into the items of the same name of this list.
    void CopyValuesByName(const TFIBXSQLDA& source);
    bool HasDeferred() const { return hasDeferred_; }
    void ApplyDeferred();
    void ClearModified();
    // Marks every nullable column null (before a new execution).
    void ResetValues();

private:
    friend class TFIBXSQLVAR;
    void NamesChanged() { namesValid_ = false; }
    void BuildNames() const;
    static QString Key(const QString& name);

    IFIBXSQLOwner* owner_;
    bool isParams_;
    int count_ = 0;
    int capacity_ = 0;
    XSQLDA* data_ = nullptr;
    std::vector<std::unique_ptr<TFIBXSQLVAR>> vars_;
    mutable QHash<QString, QList<int>> names_;
    mutable bool namesValid_ = false;
    bool hasDeferred_ = false;
};
