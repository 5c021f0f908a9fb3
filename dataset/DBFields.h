#pragma once
// Field objects. Each reads and writes one column of its dataset's current
// record buffer through the dataset's GetFieldData / SetFieldData in the
// field's native form:
//   string        the column's bytes (connection character set), zero-ended,
//                 in a buffer of DataSize() = Size + 1 bytes
//   smallint      int16_t;  integer int32_t;  largeint int64_t
//   boolean       uint8_t (0 or 1)
//   float         double;  BCD int64_t scaled by 10^Size
//   date, time, date-time   double (days since 30 December 1899)
//   blob, memo    the content as bytes (GetBlobData)
// Field-level errors are EDatabaseError without a component prefix.
//
// DB.h includes this header after the enums and TDataSet that the fields use;
// including either brings both.

#include "dataset/DB.h"

class TField : public TComponent {
public:
    explicit TField(TComponent* owner = nullptr);
    ~TField() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Attaches to a dataset's field list (detaching from the former one).
    void SetDataSet(TDataSet* dataSet);

    const QString& FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    // DisplayLabel reads as DisplayName; a label equal to FieldName is stored
    // as empty.
    QString DisplayLabel() const { return DisplayName(); }
    void SetDisplayLabel(const QString& label);
    QString DisplayName() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }
    // The stored width when 1 or more, else the class default width.
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultWidth(); }
    void SetDisplayWidth(int width);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    // Position in the dataset's field list (-1 without a dataset).
    int Index() const;
    void SetIndex(int index);
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
    int ProviderFlags() const { return providerFlags_; }
    void SetProviderFlags(int flags) { providerFlags_ = flags; }
    QString DefaultExpression;
    QString CustomConstraint;
    QString ConstraintErrorMessage;
    QString ImportedConstraint;
    // "TABLE.COLUMN", set after open.
    QString Origin;

    // Handlers (none assigned in the program).
    std::function<void(TField&)> OnChange;
    std::function<void(TField&, QString& text, bool displayText)> OnGetText;
    std::function<void(TField&, const QString& text)> OnSetText;
    std::function<void(TField&)> OnValidate;

    // Run-time binding: 1-based column position (0 when unbound).
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int fieldNo) { fieldNo_ = fieldNo; }
    TFieldType DataType() const { return dataType_; }
    virtual int DataSize() const { return 0; }
    int Size() const { return size_; }
    virtual void SetSize(int size) { size_ = size; }
    bool IsBlob() const { return dataType_ == ftBlob || dataType_ == ftMemo; }
    bool IsCalculated() const { return fieldKind_ == fkCalculated || fieldKind_ == fkLookup; }

    bool IsNull() const;
    void Clear();

    QString AsString() const { return GetAsString(); }
    void SetAsString(const QString& value) { SetAsStringValue(value); }
    int32_t AsInteger() const { return GetAsInteger(); }
    void SetAsInteger(int32_t value) { SetAsIntegerValue(value); }
    int64_t AsLargeInt() const { return GetAsLargeInt(); }
    void SetAsLargeInt(int64_t value) { SetAsLargeIntValue(value); }
    double AsFloat() const { return GetAsFloat(); }
    void SetAsFloat(double value) { SetAsFloatValue(value); }
    double AsDateTime() const { return GetAsDateTime(); }
    void SetAsDateTime(double value) { SetAsDateTimeValue(value); }
    bool AsBoolean() const { return GetAsBoolean(); }
    void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
    // Null reads as a null Variant.
    Variant AsVariant() const;
    void SetAsVariant(const Variant& value);

    // OnGetText, else the class's text rule with the display flag set.
    QString DisplayText() const;
    // The edit text: the same rule with the display flag clear.
    QString Text() const;
    // OnSetText, else the same as SetAsString.
    void SetText(const QString& text);

    // Bound, not ReadOnly, and the dataset can be modified.
    virtual bool CanModify() const;
    // Whether typing this character into the field's editor is accepted.
    virtual bool IsValidChar(QChar ch) const;

    // The dataset's record buffer the field reads (nullptr: reads as null).
    // Raises "Field '%s' has no dataset" when unattached.
    bool GetData(void* buffer) const;
    void SetData(const void* buffer);

protected:
    virtual int DefaultWidth() const { return 10; }
    // The class's text rule; null gives an empty text.
    virtual QString TextValue(bool displayText) const;

    virtual QString GetAsString() const;
    virtual void SetAsStringValue(const QString& value);
    virtual int32_t GetAsInteger() const;
    virtual void SetAsIntegerValue(int32_t value);
    virtual int64_t GetAsLargeInt() const;
    virtual void SetAsLargeIntValue(int64_t value);
    virtual double GetAsFloat() const;
    virtual void SetAsFloatValue(double value);
    virtual double GetAsDateTime() const;
    virtual void SetAsDateTimeValue(double value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBooleanValue(bool value);
    virtual Variant GetAsVariantValue() const;
    virtual void SetVariantValue(const Variant& value);

    void SetDataType(TFieldType type) { dataType_ = type; }
    // "Cannot access field '%s' as type %s".
    [[noreturn]] void AccessError(const QString& typeName) const;
    // "%g is not a valid value for field '%s'. The allowed range is %g to %g".
    [[noreturn]] void RangeError(double value, double min, double max) const;
    // A display property changed: dnLayoutChange (or dnDataSetChange for
    // formats) when the dataset is open.
    void PropertyChanged(bool layout);

private:
    friend class TDataSet;
    TDataSet* dataSet_ = nullptr;
    QString fieldName_;
    QString displayLabel_;
    int displayWidth_ = 0;
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    TAlignment alignment_ = taLeftJustify;
    TFieldKind fieldKind_ = fkData;
    int providerFlags_ = 3;
    int fieldNo_ = 0;
    TFieldType dataType_ = ftUnknown;
    int size_ = 0;
};

class TStringField : public TField {
public:
    explicit TStringField(TComponent* owner = nullptr);
    int DataSize() const override { return Size() + 1; }
    bool FixedChar = false;
    bool Transliterate = true;
    QString EditMask;

protected:
    int DefaultWidth() const override { return Size(); }
    QString TextValue(bool displayText) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    double GetAsDateTime() const override;
    void SetAsDateTimeValue(double value) override;
    bool GetAsBoolean() const override;
    Variant GetAsVariantValue() const override;
    // The stored bytes up to the first zero byte; false when null.
    bool ReadBytes(QByteArray* bytes) const;
    // Stores bytes, cut to Size; the caller has checked the character set.
    void WriteBytes(const QByteArray& bytes);
};

class TNumericField : public TField {
public:
    explicit TNumericField(TComponent* owner = nullptr);
    const QString& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format);
    const QString& EditFormat() const { return editFormat_; }
    void SetEditFormat(const QString& format);
    bool IsValidChar(QChar ch) const override;

protected:
    // The format the text rule uses: display flag or empty EditFormat picks
    // DisplayFormat.
    const QString& TextFormat(bool displayText) const;
    // Text as the whole-number fields take it: empty clears the field, else
    // a whole number in SetAsLargeIntValue's range.
    void SetIntegerText(const QString& value);

private:
    QString displayFormat_;
    QString editFormat_;
};

class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* owner = nullptr);
    int DataSize() const override { return 4; }
    int32_t MinValue = 0; // both 0: the full 32-bit range
    int32_t MaxValue = 0;

protected:
    QString TextValue(bool displayText) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    int64_t GetAsLargeInt() const override;
    void SetAsLargeIntValue(int64_t value) override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    Variant GetAsVariantValue() const override;
    // The value as stored (int16 for small integers).
    virtual bool ReadValue(int32_t* value) const;
    virtual void WriteValue(int32_t value);
    virtual void RangeOf(int64_t* min, int64_t* max) const;
    void CheckRange(int64_t value) const;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* owner = nullptr);
    int DataSize() const override { return 2; }

protected:
    bool ReadValue(int32_t* value) const override;
    void WriteValue(int32_t value) override;
    void RangeOf(int64_t* min, int64_t* max) const override;
};

class TLargeintField : public TNumericField {
public:
    explicit TLargeintField(TComponent* owner = nullptr);
    int DataSize() const override { return 8; }

protected:
    QString TextValue(bool displayText) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    int64_t GetAsLargeInt() const override;
    void SetAsLargeIntValue(int64_t value) override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    Variant GetAsVariantValue() const override;
};

class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* owner = nullptr);
    int DataSize() const override { return 8; }
    bool Currency() const { return currency_; }
    void SetCurrency(bool on);
    int Precision() const { return precision_; }
    void SetPrecision(int precision); // kept within 2..15
    double MinValue = 0;              // both 0: no range check
    double MaxValue = 0;

protected:
    QString TextValue(bool displayText) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    Variant GetAsVariantValue() const override;
    virtual bool ReadValue(double* value) const;
    virtual void WriteValue(double value);
    void CheckRange(double value) const;

private:
    bool currency_ = false;
    int precision_ = 15;
};

// Exact decimal: an int64 scaled by 10^Size (Size = decimal digits).
class TBCDField : public TFloatField {
public:
    explicit TBCDField(TComponent* owner = nullptr);
    int DataSize() const override { return 8; }

protected:
    bool ReadValue(double* value) const override;
    void WriteValue(double value) override;
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* owner = nullptr);
    int DataSize() const override { return 1; }

protected:
    int DefaultWidth() const override { return 5; }
    QString TextValue(bool displayText) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    Variant GetAsVariantValue() const override;
};

class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* owner = nullptr);
    int DataSize() const override { return 8; }
    const QString& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format);
    QString EditMask;

protected:
    int DefaultWidth() const override { return DataSize() * 2 + 2; }
    QString TextValue(bool displayText) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    double GetAsDateTime() const override;
    void SetAsDateTimeValue(double value) override;
    Variant GetAsVariantValue() const override;
    // Text without a display format: the locale's default form.
    virtual QString DefaultText(double value) const;
    virtual bool ParseText(const QString& text, double* value) const;

private:
    QString displayFormat_;
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* owner = nullptr);

protected:
    QString DefaultText(double value) const override;
    bool ParseText(const QString& text, double* value) const override;
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* owner = nullptr);

protected:
    QString DefaultText(double value) const override;
    bool ParseText(const QString& text, double* value) const override;
};

// Blob content through the dataset's GetBlobData / SetBlobData.
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* owner = nullptr);
    int DataSize() const override { return 0; }
    QByteArray AsBytes() const;

protected:
    QString TextValue(bool displayText) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    Variant GetAsVariantValue() const override;
};

class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* owner = nullptr);

protected:
    QString TextValue(bool displayText) const override;
};
