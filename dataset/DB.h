#pragma once
// The generic dataset: its states, the window of record buffers that controls
// look at, navigation, the data events it sends.
//
// A dataset knows nothing of its storage: a derived class supplies the
// primitives (read a record into a buffer, position the cursor, post ...).
// The window holds WindowSize record buffers plus one spare buffer that reads
// go into; WindowSize is the largest BufferRows of every link of every
// attached data source (inactive ones too), at least 1.
//
// The field objects (DBFields.h) and the data sources and data links
// (DBDataLink.h) have headers of their own, included at the end: this header
// still declares the whole generic layer.

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
    // Finishes a pending edit: post when modified, else cancel. A new record
    // with rows typed under it in its details counts as modified.
    void EnsureBrowse();
    // Whether a detail of this dataset is editing a row that holds typed
    // values; its controls first write what they still hold into the row.
    bool DetailsHoldTypedRows();
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

// The field objects and the links use the enums and the dataset above, so they
// come last; each of their headers includes this one in turn, so that either
// may also be included on its own.
#include "dataset/DBDataLink.h"
#include "dataset/DBFields.h"
