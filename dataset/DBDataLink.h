#pragma once
// Data sources and data links: how a dataset's events reach the controls and
// detail datasets that watch it.
//
// DB.h includes this header after the enums and TDataSet that the links use;
// including either brings both.

#include "dataset/DB.h"

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
