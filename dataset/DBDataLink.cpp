// Data sources and data links: how a dataset's events reach the controls and
// detail datasets that watch it.

#include "dataset/DBDataLink.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    MarkDestroying();
    while (!links_.empty())
        links_.back()->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
    // Walk the master chain from this source's dataset.
    const TDataSet* d = dataSet_;
    for (int guard = 0; d && guard < 1000; ++guard) {
        if (d == dataSet)
            return true;
        const TDataSource* master = d->DataSource();
        d = master ? master->DataSet() : nullptr;
    }
    return false;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    // The new dataset's own master chain must not come back to this source.
    TDataSet* d = dataSet;
    for (int guard = 0; d && guard < 1000; ++guard) {
        TDataSource* master = d->DataSource();
        if (master == this)
            DatabaseError(QStringLiteral("Circular datalinks are not allowed"), Name());
        d = master ? master->DataSet() : nullptr;
    }
    if (dataSet_)
        dataSet_->DetachSource(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->AttachSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool on) {
    enabled_ = on;
    UpdateState();
}

void TDataSource::Edit() {
    if (autoEdit_ && state_ == stBrowse && dataSet_)
        dataSet_->Edit();
}

void TDataSource::AddLink(TDataLink* link) {
    links_.push_back(link);
    link->UpdateState();
    if (dataSet_)
        dataSet_->UpdateWindowSize();
}

void TDataSource::RemoveLink(TDataLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it != links_.end())
        links_.erase(it);
    if (dataSet_ && !IsDestroying())
        dataSet_->UpdateWindowSize();
}

void TDataSource::UpdateState() {
    const TDataSetState state = enabled_ && dataSet_ ? dataSet_->State() : stInactive;
    if (state == state_)
        return;
    const bool wasInactive = state_ == stInactive;
    state_ = state;
    NotifyLinks(dnUpdateState, 0);
    if (OnStateChange)
        OnStateChange(*this);
    if (wasInactive && !IsDestroying() && OnDataChange)
        OnDataChange(*this, nullptr);
}

void TDataSource::NotifyLinks(TDataEvent event, TDataEventInfo info) {
    // Non-visual links (detail datasets) first, then the visual ones; each
    // group from the most recently attached. A hook may detach links.
    const TDeliverySnapshots<TDataLink>::Scope snapshot(linkSnapshots_, links_);
    const std::vector<TDataLink*>& links = snapshot.Items();
    for (bool visual : {false, true})
        for (auto it = links.rbegin(); it != links.rend(); ++it) {
            TDataLink* l = *it;
            if (l->visual_ != visual)
                continue;
            if (std::find(links_.begin(), links_.end(), l) != links_.end())
                l->DataEvent(event, info);
        }
}

void TDataSource::DataEvent(TDataEvent event, TDataEventInfo info) {
    if (event == dnUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == stInactive)
        return;
    NotifyLinks(event, info);
    switch (event) {
    case dnFieldChange:
        if (OnDataChange)
            OnDataChange(*this, InfoField(info));
        break;
    case dnRecordChange:
    case dnDataSetChange:
    case dnDataSetScroll:
    case dnLayoutChange:
        if (OnDataChange)
            OnDataChange(*this, nullptr);
        break;
    case dnUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(*this);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    if (dataSource_)
        dataSource_->RemoveLink(this);
    dataSource_ = nullptr;
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_)
        return;
    if (dataSourceFixed_)
        DatabaseError(QStringLiteral("DataSource cannot be changed"));
    if (dataSource_) {
        TDataSource* old = dataSource_;
        dataSource_ = nullptr;
        old->RemoveLink(this);
        UpdateState();
    }
    if (source) {
        dataSource_ = source;
        source->AddLink(this);
    }
}

TDataSet* TDataLink::DataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool readOnly) {
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    UpdateState();
}

void TDataLink::UpdateState() {
    const bool active = dataSource_ && dataSource_->State() != stInactive;
    if (active != active_) {
        active_ = active;
        if (active_)
            ClampFirstRow();
        else
            firstRow_ = 0;
        LinkActiveChange();
    }
    const bool editing = dataSource_ && !readOnly_ &&
                         (dataSource_->State() == stEdit || dataSource_->State() == stInsert);
    if (editing != editing_) {
        editing_ = editing;
        LinkEditingChange();
    }
}

void TDataLink::ClampFirstRow() {
    TDataSet* d = DataSet();
    if (!d)
        return;
    const int active = d->ActiveRow();
    const int lowest = std::max(0, active - BufferRows() + 1);
    firstRow_ = std::clamp(firstRow_, lowest, std::max(lowest, active));
}

void TDataLink::DataEvent(TDataEvent event, TDataEventInfo info) {
    if (event == dnUpdateState) {
        UpdateState();
        return;
    }
    if (!active_)
        return;
    switch (event) {
    case dnFieldChange:
    case dnRecordChange:
        if (!updating_)
            LinkRecordChange(event == dnFieldChange ? InfoField(info) : nullptr);
        break;
    case dnDataSetChange:
    case dnDataSetScroll:
    case dnLayoutChange: {
        // Follow the records the window moved, then keep the current record
        // within this link's rows.
        int first = firstRow_ + (event == dnDataSetScroll ? static_cast<int>(info) : 0);
        const int active = DataSet()->ActiveRow();
        const int last = first + BufferRows() - 1;
        int shift = 0;
        if (active > last)
            shift = active - last;
        else if (active < first)
            shift = active - first;
        firstRow_ = first + shift;
        if (event == dnDataSetChange)
            LinkDataSetChange();
        else if (event == dnDataSetScroll)
            LinkDataSetScroll(shift);
        else
            LinkLayoutChange();
        break;
    }
    case dnUpdateRecord:
        FlushEdits();
        break;
    case dnCheckBrowseMode:
        LinkCheckBrowseMode();
        break;
    case dnFocusControl:
        LinkFocusControl(InfoField(info));
        break;
    default:
        break;
    }
}

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_)
        dataSource_->Edit();
    return editing_;
}

void TDataLink::FlushEdits() {
    updating_ = true;
    try {
        LinkUpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

int TDataLink::ActiveRow() const {
    TDataSet* d = DataSet();
    return d ? d->ActiveRow() - firstRow_ : 0;
}

void TDataLink::SetActiveRow(int row) {
    if (TDataSet* d = DataSet())
        d->SetActiveRow(firstRow_ + row);
}

bool TDataLink::AtBegin() const {
    TDataSet* d = DataSet();
    return d ? d->AtBegin() : true;
}

bool TDataLink::AtEnd() const {
    TDataSet* d = DataSet();
    return d ? d->AtEnd() : true;
}

int TDataLink::RecordCount() const {
    TDataSet* d = DataSet();
    return d ? std::min(BufferRows(), d->WindowCount()) : 0;
}

int TDataLink::Move(int distance) {
    TDataSet* d = DataSet();
    return d ? d->MoveBy(distance) : 0;
}

void TDataLink::SetBufferRows(int rows) {
    rows = std::max(rows, 1);
    if (rows == bufferRows_)
        return;
    bufferRows_ = rows;
    if (TDataSet* d = DataSet())
        d->UpdateWindowSize();
    if (active_)
        ClampFirstRow();
}
