#pragma once
// The record cache of a SQL-backed dataset and the record layout it shares
// with the dataset's window buffers.
//
// A record is described by TRecordLayout, column by column, in the stored
// forms of fib/FIBStoredForms.h. Text columns of more than 12 declared
// characters are "long": a cached record keeps only their actual bytes, so
// it has a fixed part followed by a variable tail:
//
//   fixed part   [status: 1 byte][null bits: 1 per column][slots...]
//                a slot is the column's stored form; a long text slot is a
//                16-bit length of the bytes that follow in the tail
//   tail         the bytes of each long text column, in column order
//
// A window buffer has a header (cache index, position mark), then the same
// fixed part, then a capacity area holding each long text column at its full
// declared length, so that reading a record into a buffer never allocates.
//
// The cache keeps records in fetch order, indexed from 0. Their bytes live in
// blocks that each hold at least BufferChunks records of the largest size
// (never less than 1024 bytes); an edited record that no longer fits where it
// is moves to the current block.

#include "dataset/pFIBProps.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

struct TColumnSlot {
    short SQLType = 0; // nullable bit cleared
    short Scale = 0;
    int Offset = 0;    // of the slot in the fixed part
    int Size = 0;      // slot bytes (2 for a long text)
    bool Long = false; // long text, bytes in the tail
    int Capacity = 0;  // long text: declared bytes
    int CapOffset = 0; // long text: offset of its bytes in a window buffer
};

class TRecordLayout {
public:
    // Header of a window buffer, before the fixed part.
    struct Header {
        int32_t CacheIndex;
        uint8_t Flag; // TBookmarkFlag
        uint8_t Pad[3];
    };
    static constexpr int kHeaderSize = sizeof(Header);

    void Clear();
    // Appends a column; its slot size and whether it is long.
    void AddColumn(short sqlType, short scale, int storedSize, bool longText, int capacity);
    // Fixes offsets once every column was added.
    void Finish();

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const TColumnSlot& Column(int index) const { return columns_[index]; }
    int FixedSize() const { return fixedSize_; }
    // Bytes of a window buffer.
    int BufferSize() const { return bufferSize_; }
    int MaxRecordSize() const { return maxRecordSize_; }
    int NullOffset() const { return 1; }

    // In a fixed part (of a cached record or at buffer + kHeaderSize).
    static bool IsNull(const char* fixed, int column) {
        return (fixed[1 + column / 8] >> (column % 8)) & 1;
    }
    static void SetNull(char* fixed, int column, bool null) {
        char& b = fixed[1 + column / 8];
        b = static_cast<char>(null ? (b | (1 << (column % 8))) : (b & ~(1 << (column % 8))));
    }
    static uint8_t Status(const char* fixed) { return static_cast<uint8_t>(fixed[0]); }
    static void SetStatus(char* fixed, uint8_t status) { fixed[0] = static_cast<char>(status); }
    static char* Fixed(char* buffer) { return buffer + kHeaderSize; }
    static const char* Fixed(const char* buffer) { return buffer + kHeaderSize; }
    static Header& HeaderOf(char* buffer) { return *reinterpret_cast<Header*>(buffer); }
    static const Header& HeaderOf(const char* buffer) {
        return *reinterpret_cast<const Header*>(buffer);
    }

    // Length of a long text column, in a fixed part.
    static int LongLength(const char* fixed, const TColumnSlot& slot) {
        uint16_t len;
        std::memcpy(&len, fixed + slot.Offset, 2);
        return len;
    }
    static void SetLongLength(char* fixed, const TColumnSlot& slot, int length) {
        const auto len = static_cast<uint16_t>(length);
        std::memcpy(fixed + slot.Offset, &len, 2);
    }
    // One column of one window buffer into another: null flag, slot and, for
    // a long text, its bytes.
    void CopyColumn(const char* from, char* to, int column) const;
    // Bytes a buffer's record takes in the cache.
    int PackedSize(const char* buffer) const;
    // Buffer -> cached record (dest holds PackedSize bytes) and back.
    void Pack(const char* buffer, char* dest) const;
    void Unpack(const char* record, char* buffer) const;
    // The size of a cached record.
    int RecordSize(const char* record) const;
    // Where the bytes of a long text column are in a cached record.
    const char* LongBytes(const char* record, int column) const;

private:
    std::vector<TColumnSlot> columns_;
    std::vector<int> longColumns_;
    int fixedSize_ = 1;
    int bufferSize_ = 0;
    int maxRecordSize_ = 0;
};

class TRecordsCache {
public:
    TRecordsCache() = default;
    TRecordsCache(const TRecordsCache&) = delete;
    TRecordsCache& operator=(const TRecordsCache&) = delete;

    // Forgets every record and sets the block geometry.
    void Reset(int maxRecordSize, int chunkRecords);
    int Count() const { return static_cast<int>(records_.size()); }
    char* Record(int index) const { return records_[index]; }
    // Makes sure that the next Append of at most size bytes allocates
    // nothing, so that it cannot fail; throws std::bad_alloc when the room
    // cannot be had, leaving the cache as it was.
    void ReserveNext(int size);
    // Room for a new record of size bytes at the end (index Count()).
    char* Append(int size);
    // Opens an empty slot at index (later records move up by one); the
    // record gets room for size bytes.
    char* InsertAt(int index, int size);
    void RemoveAt(int index);
    // Room for a rewritten record: in place when it fits, else new room.
    char* Resize(int index, int oldSize, int newSize);
    // Bytes held in blocks and the index.
    size_t MemoryUsed() const;
    size_t BlockCount() const { return blocks_.size(); }

private:
    void ReserveBlockRoom(size_t bytes);
    char* Allocate(int size);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<char*> records_;
    size_t blockSize_ = 1024;
    size_t used_ = 0; // in the last block
    int chunkRecords_ = 32;
};
