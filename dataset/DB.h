#pragma once
// The generic dataset: its states, the window of record buffers that controls
// look at, navigation, the data events it sends; the field objects that read
// and write the current record; the data sources and data links through which
// controls and detail datasets watch a dataset.
//
// A dataset knows nothing of its storage: a derived class supplies the
// primitives (read a record into a buffer, position the cursor, post ...).
// The window holds WindowSize record buffers plus one spare buffer that reads
// go into; WindowSize is the largest BufferRows of every link of every
// attached data source (inactive ones too), at least 1.

#include "base/Component.h"
#include "base/Exception.h"
#include "base/Variant.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;
class TDataLink;
class TField;

// Copies of an observer list taken for one delivery, so that observers may
// attach and detach while they are told. The copies are kept per nesting
// level and reused: a delivery allocates nothing once each level was used.
template <typename T> class TDeliverySnapshots {
public:
    class Scope {
    public:
        Scope(TDeliverySnapshots& owner, const std::vector<T*>& list) : owner_(owner) {
            if (owner_.levels_.size() <= owner_.depth_)
                owner_.levels_.emplace_back();
            items_ = &owner_.levels_[owner_.depth_++];
            items_->assign(list.begin(), list.end());
        }
        ~Scope() { --owner_.depth_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        const std::vector<T*>& Items() const { return *items_; }

    private:
        TDeliverySnapshots& owner_;
        std::vector<T*>* items_;
    };

private:
    std::deque<std::vector<T*>> levels_; // stable while deeper levels are added
    size_t depth_ = 0;
};

enum TDataSetState { stInactive, stBrowse, stEdit, stInsert };

enum TDataEvent {
    dnFieldChange,         // info: the field
    dnRecordChange,        // the current record as a whole changed (edit started)
    dnDataSetChange,       // the whole window was rebuilt
    dnDataSetScroll,       // info: how far the window contents moved
    dnLayoutChange,        // the field list changed
    dnUpdateRecord,        // controls write pending text into fields
    dnUpdateState,         // the state changed
    dnCheckBrowseMode,     // controls end their own editing
    dnFocusControl,        // info: the field whose control takes the focus
    dnDisabledStateChange, // info: 1 active, 0 not; sent instead of dnUpdateState while disabled
};

// The integer of information that travels with a data event: a distance, a
// flag, or a field pointer (FieldInfo / InfoField convert).
using TDataEventInfo = intptr_t;
inline TDataEventInfo FieldInfo(TField* field) {
    return reinterpret_cast<TDataEventInfo>(field);
}
inline TField* InfoField(TDataEventInfo info) {
    return reinterpret_cast<TField*>(info);
}

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftBlob,
    ftMemo,
    ftLargeint,
    ftGuid,
};
// The word used in field messages ("Integer", "String", ...).
QString FieldTypeName(TFieldType type);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The read-record primitive's mode and result.
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
// Position mark of a record buffer.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// The error events' answer (Edit, Post, Delete).
enum TDataAction { daFail, daAbort, daRetry };

// loNext / loPrior: search from the record after / before the current one,
// forward / backward, instead of from the first record.
enum TLocateOption : uint8_t { loCaseInsensitive = 1, loPartialKey = 2, loNext = 4, loPrior = 8 };
using TLocateOptions = uint8_t;

using TRecordBuffer = char*;

// One output column of the prepared statement, as the dataset describes it.
struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;          // characters for strings, decimal digits for BCD
    int FieldNo = 0;       // 1-based column position
    bool Required = false; // the column is not nullable
    int Precision = 0;
};

// ---------------------------------------------------------------------------
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

// ---------------------------------------------------------------------------
// The generic dataset.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner = nullptr);
    ~TDataSet() override;

    TDataSetState State() const { return state_; }
    bool Active() const { return state_ != stInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Modified() const { return modified_; }

    // Navigation. Move returns how many records were passed (negative
    // backwards).
    void First();
    void Last();
    int Next() { return MoveBy(1); }
    int Prior() { return MoveBy(-1); }
    int MoveBy(int distance);
    int Move(int distance) { return MoveBy(distance); }
    bool AtBegin() const { return atBegin_; }
    bool AtEnd() const { return atEnd_; }
    bool IsEmpty() const { return activeRow_ >= windowCount_; }
    virtual int RecordCount() const { return 0; }
    // Cache index of the current record plus 1; 0 when there is none.
    virtual int RecordNumber() const { return 0; }
    // Whether record numbers cover the whole result (scroll bars).
    virtual bool IsSequenced() const { return false; }
    // A mark of the current record that GotoBookmark returns to: its record
    // number (0 when there is none, as for a new record).
    int Bookmark() const { return RecordNumber(); }
    // Makes the marked record current, keeping its row on screen when it is
    // shown. A pending edit is finished first.
    void GotoBookmark(int bookmark);
    // Rows can be read only forwards, once; controls that scroll refuse it.
    virtual bool IsUniDirectional() const { return false; }
    virtual bool Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options);

    // Editing (the storage's primitives do the work).
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void Refresh();
    // Finishes a pending edit: post when modified, else cancel.
    void EnsureBrowse();
    // Asks the controls to write their pending text (dnUpdateRecord).
    void UpdateRecord();
    virtual bool CanModify() const { return false; }

    // Notifications to the data sources, nested.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // Fields: declared ones attach themselves; at open a dataset without
    // declared fields creates them from the field definitions.
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField* Fields(int index) const { return fields_.at(index); }
    const std::vector<TField*>& FieldList() const { return fields_; }
    // Case-insensitive, in field-list order.
    TField* FindField(const QString& name) const;
    // "Field '%s' not found", with the dataset's name as prefix.
    TField* FieldByName(const QString& name) const;
    const std::vector<TFieldDef>& FieldDefs() const { return fieldDefs_; }
    // Fields were created from the definitions at open (no declared ones).
    bool DefaultFields() const { return defaultFields_; }
    void SetDefaultFields(bool on) { defaultFields_ = on; }

    // The window of record buffers.
    int WindowSize() const { return windowSize_; }
    int WindowCount() const { return windowCount_; }
    int ActiveRow() const { return activeRow_; }
    TRecordBuffer ActiveBuffer() const;
    TRecordBuffer WindowBuffer(int row) const { return buffers_.at(row); }
    // Which buffer the cursor is on (-1: unknown).
    int CursorRow() const { return cursorRow_; }

    // The data sources attached to this dataset, in attachment order.
    const std::vector<TDataSource*>& DataSources() const { return dataSources_; }
    // The master's data source (a detail dataset); none here.
    virtual TDataSource* DataSource() const { return nullptr; }

    // Field data of the active buffer (or the buffer being calculated); see
    // the field native forms above. Returns false when the value is null;
    // buffer may be nullptr to test for null only.
    virtual bool GetFieldData(const TField* field, void* buffer) const;
    virtual void SetFieldData(TField* field, const void* buffer);
    virtual bool GetBlobData(const TField* field, QByteArray* data) const;
    virtual void SetBlobData(TField* field, const QByteArray& data);
    // Refuses text that the storage cannot hold, naming the first such
    // character and the field; the value is then left as it was.
    virtual void CheckFieldText(const TField* field, const QString& text) const;
    // Text of string fields to and from the storage's 8-bit form (WIN1251
    // unless the storage says otherwise).
    virtual QString DecodeFieldText(const QByteArray& bytes) const;
    virtual QByteArray EncodeFieldText(const QString& text) const;
    // Options a field asks its dataset about (trailing blanks cut as read).
    virtual bool TrimCharFields() const { return false; }

    // Sends a data event to the data sources (after the dataset's own step).
    void DataEvent(TDataEvent event, TDataEventInfo info = 0);

    // Published events.
    using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
    using TDataSetErrorEvent = std::function<void(TDataSet&, const EDatabaseError&, TDataAction&)>;
    TDataSetNotifyEvent AfterCancel, AfterClose, AfterDelete, AfterEdit, AfterInsert, AfterOpen,
        AfterPost, AfterRefresh, AfterScroll, BeforeCancel, BeforeClose, BeforeDelete, BeforeEdit,
        BeforeInsert, BeforeOpen, BeforePost, BeforeRefresh, BeforeScroll, OnCalcFields,
        OnNewRecord;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

    // "Cannot perform this operation on a closed dataset".
    void CheckActive() const;
    // "Cannot perform this operation on an open dataset".
    void CheckInactive() const;

protected:
    // Event hooks, each calling the published event when assigned.
    virtual void DoAfterCancel();
    virtual void DoAfterClose();
    virtual void DoAfterDelete();
    virtual void DoAfterEdit();
    virtual void DoAfterInsert();
    virtual void DoAfterOpen();
    virtual void DoAfterPost();
    virtual void DoAfterRefresh();
    virtual void DoAfterScroll();
    virtual void DoBeforeCancel();
    virtual void DoBeforeClose();
    virtual void DoBeforeDelete();
    virtual void DoBeforeEdit();
    virtual void DoBeforeInsert();
    virtual void DoBeforeOpen();
    virtual void DoBeforePost();
    virtual void DoBeforeRefresh();
    virtual void DoBeforeScroll();
    virtual void DoOnCalcFields();
    virtual void DoOnNewRecord();

    // Storage primitives.
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    virtual int GetBookmarkData(TRecordBuffer buffer) const = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const = 0;
    virtual int GetRecordSize() const = 0;
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalGotoBookmark(int bookmark) = 0;
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    virtual void InternalLast() = 0;
    virtual void InternalPost() = 0;
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, int bookmark) = 0;
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalClose() = 0;
    virtual void InternalHandleException() {}
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalOpen() = 0;
    virtual bool IsCursorOpen() const = 0;
    // Editing steps around the generic state changes; defaults do nothing.
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalCancel() {}
    virtual void InternalRefresh() {}
    // A buffer's calculated fields.
    virtual void ClearCalcFields(TRecordBuffer) {}
    virtual void GetCalcFields(TRecordBuffer);
    // Frees what a pending edit held (blob streams and the like).
    virtual void FreeFieldBuffers() {}
    // Notifications were suspended (true) or resumed (false).
    virtual void DoControlsDisabledChange(bool /*disabled*/) {}

    // The dataset's own step for a data event, before delivery.
    virtual void DataEventStep(TDataEvent& event, TDataEventInfo& info);
    virtual void SetState(TDataSetState state);
    void SetModified(bool modified) { modified_ = modified; }

    // Open/close building blocks for derived datasets.
    virtual void OpenCursor();
    virtual void CloseCursor();
    // Fields from the definitions when none are declared; binds each field.
    void CreateFields();
    virtual void BindFields(bool binding);
    void DestroyDefaultFields();
    std::vector<TFieldDef>& MutableFieldDefs() { return fieldDefs_; }
    // The field class for a definition (default fields).
    virtual TField* CreateFieldFor(const TFieldDef& def);

    // Window primitives.
    void ClearBuffers();
    // Recomputes WindowSize from the links and refills the window.
    void UpdateWindowSize();
    void SetWindowSize(int size);
    int GetNextRecords();
    int GetPriorRecords();
    bool GetNextRecord();
    bool GetPriorRecord();
    void SetCurrentRecord(int row);
    void CursorPosChanged() { cursorRow_ = -1; }
    // Re-synchronises the window on the cursor's record.
    void Resync(bool exact, bool center);
    // Moves the cursor to a cache record number (1-based) and shows it.
    void GoToRecordNumber(int number, bool center);
    void SetActiveRow(int row);
    bool Destroying() const { return IsDestroying(); }
    // Runs a step of Edit/Post/Delete under its error event.
    void RunWithErrorEvent(const std::function<void()>& step, const TDataSetErrorEvent& event);

    void SetAtBegin(bool on) { atBegin_ = on; }
    void SetAtEnd(bool on) { atEnd_ = on; }

private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    void AttachField(TField* field);
    void DetachField(TField* field);
    void MoveField(TField* field, int index);
    void AttachSource(TDataSource* source);
    void DetachSource(TDataSource* source);
    void ActivateBuffers();
    void MoveBuffer(int from, int to);
    void FreeBuffers();
    void AdjustLinksFirstRow(int delta);
    void OpenDataSet();
    void CloseDataSet();
    void BeginInsertAppend(bool append);
    // The last step of a post: browse state, the window re-read, AfterPost.
    void FinishPost();
    bool DetailsHoldTypedRows();

    TDataSetState state_ = stInactive;
    bool modified_ = false;
    bool atBegin_ = false;
    bool atEnd_ = false;
    bool defaultFields_ = false;
    std::vector<TField*> fields_;
    std::vector<TFieldDef> fieldDefs_;
    std::vector<TDataSource*> dataSources_;
    std::vector<TRecordBuffer> buffers_;
    int windowSize_ = 0;
    int windowCount_ = 0;
    int activeRow_ = 0;
    int cursorRow_ = -1;
    int disableCount_ = 0;
    TDataSetState disableState_ = stInactive;
    TDataEvent enableEvent_ = dnDataSetChange;
    TDeliverySnapshots<TDataSource> sourceSnapshots_;
    bool opening_ = false;
};

// The generic dataset whose string fields carry UTF-16 text; the layer the
// SQL-backed dataset stands on.
class TWideDataSet : public TDataSet {
public:
    using TDataSet::TDataSet;
};

// ---------------------------------------------------------------------------
// Data sources and data links.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Refuses a dataset whose master chain leads back here: "Circular
    // datalinks are not allowed".
    void SetDataSet(TDataSet* dataSet);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool on) { autoEdit_ = on; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    // The dataset's state while Enabled and a dataset is set.
    TDataSetState State() const { return state_; }
    // Puts a browsing dataset into edit state when AutoEdit is set.
    void Edit();
    // Whether this source is linked to the dataset through the master chain.
    bool IsLinkedTo(TDataSet* dataSet) const;

    const std::vector<TDataLink*>& DataLinks() const { return links_; }

    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);
    void DataEvent(TDataEvent event, TDataEventInfo info);
    void NotifyLinks(TDataEvent event, TDataEventInfo info);
    void UpdateState();

    TDataSet* dataSet_ = nullptr;
    bool autoEdit_ = true;
    bool enabled_ = true;
    TDataSetState state_ = stInactive;
    std::vector<TDataLink*> links_; // attachment order
    TDeliverySnapshots<TDataLink> linkSnapshots_;
};

// An observer of a data source. Controls derive from it and set Visual; the
// hooks are called as the data source delivers events. Destroying a link
// detaches it.
class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    // Detaches from the old source and attaches to the new one; a fixed
    // link fails with "DataSource cannot be changed".
    void SetDataSource(TDataSource* source);
    bool DataSourceFixed() const { return dataSourceFixed_; }
    void SetDataSourceFixed(bool on) { dataSourceFixed_ = on; }
    TDataSet* DataSet() const;
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool Visual() const { return visual_; }
    void SetVisual(bool on) { visual_ = on; }
    bool Updating() const { return updating_; }
    // Window row of the first record this link shows.
    int FirstRow() const { return firstRow_; }

    // Asks the data source to edit unless ReadOnly; returns Editing.
    bool Edit();
    // Calls LinkUpdateData with the updating flag set.
    void FlushEdits();

    // Slots in their fixed order.
    virtual void LinkActiveChange() {}
    virtual void LinkCheckBrowseMode() {}
    virtual void DataEvent(TDataEvent event, TDataEventInfo info);
    virtual void LinkDataSetChange() { LinkRecordChange(nullptr); }
    virtual void LinkDataSetScroll(int /*distance*/) { LinkDataSetChange(); }
    virtual void LinkEditingChange() {}
    virtual void LinkFocusControl(TField* /*field*/) {}
    // The link's row of the current record: dataset ActiveRow - FirstRow.
    virtual int ActiveRow() const;
    virtual bool AtBegin() const;
    virtual int BufferRows() const { return bufferRows_; }
    virtual bool AtEnd() const;
    // min(BufferRows, the dataset's WindowCount).
    virtual int RecordCount() const;
    virtual void LinkLayoutChange() { LinkDataSetChange(); }
    virtual int Move(int distance);
    virtual void LinkRecordChange(TField* /*field*/) {}
    // Makes window row FirstRow + row the dataset's active row, for reading
    // the fields of each shown record (painting).
    virtual void SetActiveRow(int row);
    // Changing it recomputes the dataset's window at once (no event).
    virtual void SetBufferRows(int rows);
    virtual void LinkUpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void UpdateState();
    void ClampFirstRow();

    TDataSource* dataSource_ = nullptr;
    bool dataSourceFixed_ = false;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool visual_ = false;
    bool updating_ = false;
    int bufferRows_ = 1;
    int firstRow_ = 0;
};

// The link a detail dataset keeps with its master's data source.
class TDetailDataLink : public TDataLink {
public:
    virtual TDataSet* DetailDataSet() const { return nullptr; }
};
