#include "dataset/FIBCacheManage.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TRecordLayout

void TRecordLayout::Clear() {
    columns_.clear();
    longColumns_.clear();
    fixedSize_ = 1;
    bufferSize_ = 0;
    maxRecordSize_ = 0;
}

void TRecordLayout::AddColumn(short sqlType, short scale, int storedSize, bool longText,
                              int capacity) {
    TColumnSlot slot;
    slot.SQLType = sqlType;
    slot.Scale = scale;
    slot.Long = longText;
    slot.Size = longText ? 2 : storedSize;
    slot.Capacity = longText ? capacity : 0;
    columns_.push_back(slot);
}

void TRecordLayout::Finish() {
    const int count = ColumnCount();
    int offset = 1 + (count + 7) / 8; // status, null bits
    longColumns_.clear();
    for (int i = 0; i < count; ++i) {
        columns_[i].Offset = offset;
        offset += columns_[i].Size;
        if (columns_[i].Long)
            longColumns_.push_back(i);
    }
    fixedSize_ = offset;
    int cap = kHeaderSize + fixedSize_;
    int tail = 0;
    for (int i : longColumns_) {
        columns_[i].CapOffset = cap;
        cap += columns_[i].Capacity;
        tail += columns_[i].Capacity;
    }
    bufferSize_ = cap;
    maxRecordSize_ = fixedSize_ + tail;
}

int TRecordLayout::PackedSize(const char* buffer) const {
    const char* fixed = Fixed(buffer);
    int size = fixedSize_;
    for (int i : longColumns_)
        size += LongLength(fixed, columns_[i]);
    return size;
}

int TRecordLayout::RecordSize(const char* record) const {
    int size = fixedSize_;
    for (int i : longColumns_)
        size += LongLength(record, columns_[i]);
    return size;
}

void TRecordLayout::Pack(const char* buffer, char* dest) const {
    const char* fixed = Fixed(buffer);
    std::memcpy(dest, fixed, static_cast<size_t>(fixedSize_));
    char* tail = dest + fixedSize_;
    for (int i : longColumns_) {
        const int len = LongLength(fixed, columns_[i]);
        std::memcpy(tail, buffer + columns_[i].CapOffset, static_cast<size_t>(len));
        tail += len;
    }
}

void TRecordLayout::Unpack(const char* record, char* buffer) const {
    std::memcpy(Fixed(buffer), record, static_cast<size_t>(fixedSize_));
    const char* tail = record + fixedSize_;
    for (int i : longColumns_) {
        const int len = LongLength(record, columns_[i]);
        std::memcpy(buffer + columns_[i].CapOffset, tail, static_cast<size_t>(len));
        tail += len;
    }
}

void TRecordLayout::CopyColumn(const char* from, char* to, int column) const {
    const TColumnSlot& slot = columns_[column];
    const char* src = Fixed(from);
    char* dst = Fixed(to);
    SetNull(dst, column, IsNull(src, column));
    std::memcpy(dst + slot.Offset, src + slot.Offset, static_cast<size_t>(slot.Size));
    if (slot.Long)
        std::memcpy(to + slot.CapOffset, from + slot.CapOffset,
                    static_cast<size_t>(LongLength(src, slot)));
}

const char* TRecordLayout::LongBytes(const char* record, int column) const {
    const char* tail = record + fixedSize_;
    for (int i : longColumns_) {
        if (i == column)
            return tail;
        tail += LongLength(record, columns_[i]);
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// TRecordsCache

void TRecordsCache::Reset(int maxRecordSize, int chunkRecords) {
    blocks_.clear();
    records_.clear();
    records_.shrink_to_fit();
    chunkRecords_ = std::max(1, chunkRecords);
    blockSize_ = std::max<size_t>(1024, static_cast<size_t>(chunkRecords_) *
                                            static_cast<size_t>(std::max(1, maxRecordSize)));
    used_ = blockSize_; // the first record opens a block
}

void TRecordsCache::ReserveBlockRoom(size_t bytes) {
    if (blocks_.empty() || used_ + bytes > blockSize_) {
        blocks_.push_back(std::make_unique<char[]>(std::max(blockSize_, bytes)));
        used_ = 0;
    }
}

void TRecordsCache::ReserveNext(int size) {
    // The index grows a chunk of records at a time.
    if (records_.size() == records_.capacity())
        records_.reserve(records_.capacity() +
                         std::max<size_t>(chunkRecords_, records_.capacity() / 2));
    ReserveBlockRoom(static_cast<size_t>(size));
}

char* TRecordsCache::Allocate(int size) {
    const auto bytes = static_cast<size_t>(size);
    ReserveBlockRoom(bytes);
    char* p = blocks_.back().get() + used_;
    used_ += bytes;
    return p;
}

char* TRecordsCache::Append(int size) {
    ReserveNext(size);
    char* p = Allocate(size);
    records_.push_back(p);
    return p;
}

char* TRecordsCache::InsertAt(int index, int size) {
    char* p = Allocate(size);
    records_.insert(records_.begin() + index, p);
    return p;
}

void TRecordsCache::RemoveAt(int index) {
    records_.erase(records_.begin() + index);
}

char* TRecordsCache::Resize(int index, int oldSize, int newSize) {
    if (newSize > oldSize)
        records_[index] = Allocate(newSize);
    return records_[index];
}

size_t TRecordsCache::MemoryUsed() const {
    return blocks_.size() * blockSize_ + records_.capacity() * sizeof(char*);
}
