// The generic dataset: state, open and close, the window of record buffers,
// navigation and notification of the data sources.

#include "dataset/DB.h"

#include "base/Format.h"
#include "base/TextCodec.h"

#include <algorithm>
#include <exception>

namespace {

// Runs cleanup on every exit, after the body's exception was taken.
template <typename Body, typename Finally> void TryFinally(Body&& body, Finally&& finally) {
    try {
        body();
    } catch (...) {
        finally();
        throw;
    } finally();
}

} // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
    MarkDestroying();
    IgnoreFailure("destruction goes on: a close that fails leaves nothing to keep",
                  [this] { SetActive(false); });
    while (!dataSources_.empty())
        dataSources_.back()->SetDataSet(nullptr);
    DestroyDefaultFields();
    while (!fields_.empty())
        fields_.back()->SetDataSet(nullptr);
    FreeBuffers();
}

void TDataSet::CheckActive() const {
    if (state_ == stInactive)
        DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"), Name());
}

void TDataSet::CheckInactive() const {
    if (state_ != stInactive)
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), Name());
}

// ---------------------------------------------------------------------------
// Open and close

void TDataSet::SetActive(bool active) {
    if (active == Active() || opening_)
        return;
    if (active)
        OpenDataSet();
    else
        CloseDataSet();
}

void TDataSet::OpenDataSet() {
    DoBeforeOpen();
    opening_ = true;
    try {
        OpenCursor();
    } catch (...) {
        opening_ = false;
        IgnoreFailure("the open's own error is the one to report", [this] { CloseCursor(); });
        throw;
    }
    opening_ = false;
    ClearBuffers();
    UpdateWindowSize();
    atBegin_ = true;
    try {
        SetState(stBrowse);
    } catch (...) {
        // A control refused the open dataset: it does not stay half open
        // behind the error, with some controls told and others not.
        SetState(stInactive);
        CloseCursor();
        throw;
    }
    DoAfterOpen();
    if (!IsEmpty())
        DoAfterScroll();
}

void TDataSet::CloseDataSet() {
    if (!Destroying())
        DoBeforeClose();
    SetState(stInactive);
    CloseCursor();
    if (!Destroying())
        DoAfterClose();
}

void TDataSet::OpenCursor() {
    InternalOpen();
}

void TDataSet::CloseCursor() {
    FreeBuffers();
    InternalClose();
    BindFields(false);
    if (defaultFields_)
        DestroyDefaultFields();
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state)
        return;
    state_ = state;
    modified_ = false;
    DataEvent(dnUpdateState);
}

// ---------------------------------------------------------------------------
// Fields

TField* TDataSet::FindField(const QString& name) const {
    for (TField* f : fields_)
        if (QString::localeAwareCompare(f->FieldName().toUpper(), name.toUpper()) == 0 ||
            f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const {
    TField* f = FindField(name);
    if (!f)
        DatabaseError(FormatText(QStringLiteral("Field '%s' not found"), {name}), Name());
    return f;
}

void TDataSet::AttachField(TField* field) {
    fields_.push_back(field);
    if (Active())
        DataEvent(dnLayoutChange);
}

void TDataSet::DetachField(TField* field) {
    auto it = std::find(fields_.begin(), fields_.end(), field);
    if (it == fields_.end())
        return;
    fields_.erase(it);
    if (Active() && !Destroying())
        DataEvent(dnLayoutChange);
}

void TDataSet::MoveField(TField* field, int index) {
    auto it = std::find(fields_.begin(), fields_.end(), field);
    if (it == fields_.end())
        return;
    fields_.erase(it);
    index = std::clamp(index, 0, FieldCount());
    fields_.insert(fields_.begin() + index, field);
    if (Active())
        DataEvent(dnLayoutChange);
}

TField* TDataSet::CreateFieldFor(const TFieldDef& def) {
    TField* f = nullptr;
    switch (def.DataType) {
    case ftString:
        f = new TStringField(this);
        break;
    case ftSmallint:
        f = new TSmallintField(this);
        break;
    case ftInteger:
    case ftWord:
        f = new TIntegerField(this);
        break;
    case ftLargeint:
        f = new TLargeintField(this);
        break;
    case ftBoolean:
        f = new TBooleanField(this);
        break;
    case ftFloat:
    case ftCurrency:
        f = new TFloatField(this);
        break;
    case ftBCD:
        f = new TBCDField(this);
        break;
    case ftDate:
        f = new TDateField(this);
        break;
    case ftTime:
        f = new TTimeField(this);
        break;
    case ftDateTime:
        f = new TDateTimeField(this);
        break;
    case ftMemo:
        f = new TMemoField(this);
        break;
    default:
        f = new TBlobField(this);
        break;
    }
    return f;
}

void TDataSet::CreateFields() {
    if (!fields_.empty())
        return;
    for (const TFieldDef& def : fieldDefs_) {
        if (def.DataType == ftUnknown)
            continue;
        TField* f = CreateFieldFor(def);
        if (def.DataType == ftString || def.DataType == ftBCD)
            f->SetSize(def.Size);
        f->SetFieldName(def.Name);
        f->SetDataSet(this);
    }
    defaultFields_ = true;
}

void TDataSet::BindFields(bool binding) {
    for (TField* f : fields_)
        if (!binding)
            f->SetFieldNo(0);
}

void TDataSet::DestroyDefaultFields() {
    if (!defaultFields_)
        return;
    defaultFields_ = false;
    std::vector<TField*> own;
    for (TField* f : fields_)
        if (f->Owner() == this)
            own.push_back(f);
    for (TField* f : own)
        delete f;
}

bool TDataSet::GetFieldData(const TField*, void*) const {
    return false;
}

void TDataSet::SetFieldData(TField*, const void*) {}

bool TDataSet::GetBlobData(const TField*, QByteArray* data) const {
    data->clear();
    return false;
}

void TDataSet::SetBlobData(TField*, const QByteArray&) {}

void TDataSet::CheckFieldText(const TField*, const QString&) const {}

void TDataSet::GetCalcFields(TRecordBuffer) {
    DoOnCalcFields();
}

// ---------------------------------------------------------------------------
// Notification

void TDataSet::DataEventStep(TDataEvent& event, TDataEventInfo& info) {
    switch (event) {
    case dnFieldChange: {
        TField* field = InfoField(info);
        if (field && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc)) {
            modified_ = true;
            GetCalcFields(ActiveBuffer());
        }
        break;
    }
    case dnLayoutChange:
        if (disableCount_ > 0)
            enableEvent_ = dnLayoutChange;
        break;
    case dnUpdateState:
        if (disableCount_ > 0) {
            event = dnDisabledStateChange;
            info = Active() ? 1 : 0;
            enableEvent_ = dnLayoutChange;
        }
        break;
    default:
        break;
    }
}

void TDataSet::DataEvent(TDataEvent event, TDataEventInfo info) {
    DataEventStep(event, info);
    if (disableCount_ > 0 && event != dnDisabledStateChange)
        return;
    // A handler may detach a source; deliver to the ones attached now.
    const TDeliverySnapshots<TDataSource>::Scope sources(sourceSnapshots_, dataSources_);
    for (TDataSource* s : sources.Items())
        if (std::find(dataSources_.begin(), dataSources_.end(), s) != dataSources_.end())
            s->DataEvent(event, info);
}

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) {
        disableState_ = state_;
        enableEvent_ = dnDataSetChange;
        DoControlsDisabledChange(true);
    }
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ > 0)
        return;
    DoControlsDisabledChange(false);
    if (disableState_ != state_)
        DataEvent(dnUpdateState);
    if (disableState_ != stInactive && state_ != stInactive)
        DataEvent(enableEvent_);
}

void TDataSet::AttachSource(TDataSource* source) {
    dataSources_.push_back(source);
    UpdateWindowSize();
}

void TDataSet::DetachSource(TDataSource* source) {
    auto it = std::find(dataSources_.begin(), dataSources_.end(), source);
    if (it != dataSources_.end())
        dataSources_.erase(it);
    if (!Destroying())
        UpdateWindowSize();
}

// ---------------------------------------------------------------------------
// Event hooks

#define VELTOR_HOOK(hook, event)                                                                   \
    void TDataSet::hook() {                                                                        \
        if (event)                                                                                 \
            event(*this);                                                                          \
    }
VELTOR_HOOK(DoAfterCancel, AfterCancel)
VELTOR_HOOK(DoAfterClose, AfterClose)
VELTOR_HOOK(DoAfterDelete, AfterDelete)
VELTOR_HOOK(DoAfterEdit, AfterEdit)
VELTOR_HOOK(DoAfterInsert, AfterInsert)
VELTOR_HOOK(DoAfterOpen, AfterOpen)
VELTOR_HOOK(DoAfterPost, AfterPost)
VELTOR_HOOK(DoAfterRefresh, AfterRefresh)
VELTOR_HOOK(DoAfterScroll, AfterScroll)
VELTOR_HOOK(DoBeforeCancel, BeforeCancel)
VELTOR_HOOK(DoBeforeClose, BeforeClose)
VELTOR_HOOK(DoBeforeDelete, BeforeDelete)
VELTOR_HOOK(DoBeforeEdit, BeforeEdit)
VELTOR_HOOK(DoBeforeInsert, BeforeInsert)
VELTOR_HOOK(DoBeforeOpen, BeforeOpen)
VELTOR_HOOK(DoBeforePost, BeforePost)
VELTOR_HOOK(DoBeforeRefresh, BeforeRefresh)
VELTOR_HOOK(DoBeforeScroll, BeforeScroll)
VELTOR_HOOK(DoOnCalcFields, OnCalcFields)
VELTOR_HOOK(DoOnNewRecord, OnNewRecord)
#undef VELTOR_HOOK

void TDataSet::RunWithErrorEvent(const std::function<void()>& step,
                                 const TDataSetErrorEvent& event) {
    for (;;) {
        try {
            step();
            return;
        } catch (const EDatabaseError& e) {
            if (!event)
                throw;
            TDataAction action = daFail;
            event(*this, e, action);
            if (action == daFail)
                throw;
            if (action == daAbort)
                throw EAbort();
        }
    }
}

// ---------------------------------------------------------------------------
// Editing: the generic state changes around the storage's primitives.

void TDataSet::UpdateRecord() {
    if (state_ != stEdit && state_ != stInsert)
        DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), Name());
    DataEvent(dnUpdateRecord);
}

void TDataSet::EnsureBrowse() {
    CheckActive();
    DataEvent(dnCheckBrowseMode);
    if (state_ == stEdit || state_ == stInsert) {
        UpdateRecord();
        if (modified_ || (state_ == stInsert && DetailsHoldTypedRows()))
            Post();
        else
            Cancel();
    }
}

// A new record left untouched is dropped when the user moves on, but not
// when a row was typed under it in a detail: dropping it would silently take
// that row too, so it is stored (or refused with the server's message). What
// a detail's controls still hold (an open cell editor) counts as typed, so
// they write it into the row first.
bool TDataSet::DetailsHoldTypedRows() {
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->DataLinks())
            if (const auto* detailLink = dynamic_cast<const TDetailDataLink*>(link))
                if (TDataSet* detail = detailLink->DetailDataSet();
                    detail && detail->Active() &&
                    (detail->State() == stEdit || detail->State() == stInsert)) {
                    detail->UpdateRecord();
                    if (detail->Modified())
                        return true;
                }
    return false;
}

void TDataSet::Edit() {
    if (state_ == stEdit || state_ == stInsert)
        return;
    if (windowCount_ == 0) {
        Insert();
        return;
    }
    EnsureBrowse();
    if (!CanModify())
        DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), Name());
    DoBeforeEdit();
    RunWithErrorEvent([this] { InternalEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(stEdit);
    DataEvent(dnRecordChange);
    DoAfterEdit();
}

void TDataSet::Insert() {
    BeginInsertAppend(false);
}

void TDataSet::Append() {
    BeginInsertAppend(true);
}

void TDataSet::BeginInsertAppend(bool append) {
    EnsureBrowse();
    if (!CanModify())
        DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), Name());
    DoBeforeInsert();
    DoBeforeScroll();
    if (!append) {
        const bool empty = windowCount_ == 0;
        const int before = empty ? -1 : GetBookmarkData(buffers_[activeRow_]);
        if (empty)
            activeRow_ = 0;
        MoveBuffer(windowCount_, activeRow_);
        TRecordBuffer buffer = buffers_[activeRow_];
        InternalInitRecord(buffer);
        ClearCalcFields(buffer);
        if (empty) {
            SetBookmarkFlag(buffer, bfBOF);
        } else {
            SetBookmarkFlag(buffer, bfInserted);
            SetBookmarkData(buffer, before);
        }
        if (windowCount_ < windowSize_)
            ++windowCount_;
        atBegin_ = atEnd_ = false;
    } else {
        ClearBuffers();
        TRecordBuffer buffer = buffers_[0];
        InternalInitRecord(buffer);
        ClearCalcFields(buffer);
        SetBookmarkFlag(buffer, bfEOF);
        windowCount_ = 1;
        activeRow_ = 0;
        atBegin_ = atEnd_ = false;
        GetPriorRecords();
    }
    cursorRow_ = -1;
    InternalInsert();
    SetState(stInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        cursorRow_ = -1;
        FreeFieldBuffers();
        SetState(stBrowse);
        Resync(false, false);
        throw;
    }
    modified_ = false;
    DataEvent(dnDataSetChange);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Post() {
    UpdateRecord();
    DataEvent(dnCheckBrowseMode);
    DoBeforePost();
    try {
        RunWithErrorEvent([this] { InternalPost(); }, OnPostError);
    } catch (...) {
        // An insert whose row reached the server ends in browse state even
        // when a later step (the refresh after it) failed: the post finishes
        // before its error is shown, so the window holds the stored row.
        if (state_ != stBrowse)
            throw;
        const std::exception_ptr error = std::current_exception();
        FinishPost();
        std::rethrow_exception(error);
    }
    FinishPost();
}

void TDataSet::FinishPost() {
    FreeFieldBuffers();
    // The row is stored once we are here: a failure while the window is read
    // again (a detail refusing the row typed under this new record) is shown
    // after AfterPost, which must still hear of the stored row.
    std::exception_ptr error;
    try {
        SetState(stBrowse);
        Resync(false, false);
    } catch (...) {
        error = std::current_exception();
    }
    DoAfterPost();
    if (error)
        std::rethrow_exception(error);
}

void TDataSet::Cancel() {
    if (state_ != stEdit && state_ != stInsert)
        return;
    DataEvent(dnCheckBrowseMode);
    DoBeforeCancel();
    const bool wasInsert = state_ == stInsert;
    if (wasInsert) // the new record leaves: the current record changes
        DoBeforeScroll();
    cursorRow_ = -1;
    if (windowCount_ > 0)
        SetCurrentRecord(activeRow_);
    InternalCancel();
    FreeFieldBuffers();
    SetState(stBrowse);
    if (wasInsert && windowCount_ > 0) {
        // The new record leaves the window; the cursor is on the record it
        // was inserted before.
        MoveBuffer(activeRow_, windowCount_);
        --windowCount_;
        if (activeRow_ >= windowCount_ && activeRow_ > 0)
            --activeRow_;
    }
    Resync(false, false);
    DoAfterCancel();
    if (wasInsert)
        DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == stInsert) {
        Cancel();
        return;
    }
    if (windowCount_ == 0)
        DatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"), Name());
    DataEvent(dnCheckBrowseMode);
    DoBeforeDelete();
    DoBeforeScroll();
    RunWithErrorEvent(
        [this] {
            cursorRow_ = -1;
            SetCurrentRecord(activeRow_);
            InternalDelete();
        },
        OnDeleteError);
    FreeFieldBuffers();
    SetState(stBrowse);
    Resync(false, false);
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::Refresh() {
    DoBeforeRefresh();
    EnsureBrowse();
    cursorRow_ = -1;
    if (windowCount_ > 0)
        SetCurrentRecord(activeRow_);
    InternalRefresh();
    Resync(false, false);
    DoAfterRefresh();
}

bool TDataSet::Locate(const QString&, const Variant&, TLocateOptions) {
    CheckActive();
    return false;
}

// Navigation and the window are in DBWindow.cpp.

QString TDataSet::DecodeFieldText(const QByteArray& bytes) const {
    return DecodeText(bytes);
}

QByteArray TDataSet::EncodeFieldText(const QString& text) const {
    return EncodeText(text);
}
