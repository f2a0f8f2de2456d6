// The device state block: the bytes that cross the device library boundary.
//
// A block is DeviceCount (signed 32-bit) followed by DeviceCount records of a
// fixed size, back to back. Every word is little-endian on a 4-byte boundary
// from the block's start. Everything here reads and writes bytes by shifting,
// so it depends neither on the host's byte order nor on the alignment of the
// buffer, and nothing here reads past the end of the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Declared shapes of the block header, byte-packed. Only their sizes are
// used: the empty block is sizeof(TGenSysHdr) bytes of 0.
#pragma pack(push, 1)
struct TGenSysHdrMeta {
    int32_t DeviceCount;
};
struct TGenSysHdr {
    TGenSysHdrMeta Header;
    uint8_t State[10];
};
#pragma pack(pop)
static_assert(sizeof(TGenSysHdrMeta) == 4);
static_assert(sizeof(TGenSysHdr) == 14, "TGenSysHdr has no padding");

namespace DeviceBlock {

constexpr std::size_t HeaderSize = sizeof(TGenSysHdrMeta);
constexpr std::size_t EmptyBlockSize = sizeof(TGenSysHdr);

// Common words at the start of every record, of any device kind.
constexpr int DeviceIDWord = 0;
constexpr int VersionIDWord = 1;

inline uint32_t ReadUInt32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t ReadInt32(const uint8_t *p) { return int32_t(ReadUInt32(p)); }
inline void WriteUInt32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void WriteInt32(uint8_t *p, int32_t v) { WriteUInt32(p, uint32_t(v)); }

// Word n of a record.
inline int32_t Word(const uint8_t *record, int n) { return ReadInt32(record + 4 * n); }
inline void SetWord(uint8_t *record, int n, int32_t v) { WriteInt32(record + 4 * n, v); }

// Size in bytes of a block of n records of recordSize bytes.
constexpr std::size_t BlockSize(int n, int recordSize)
{
    return HeaderSize + std::size_t(n) * std::size_t(recordSize);
}
constexpr std::size_t RecordOffset(int k, int recordSize)
{
    return HeaderSize + std::size_t(k) * std::size_t(recordSize);
}

// A returned block, read in place. DeviceCount is trusted only as far as the
// bytes go: RecordCount() is the number of records that lie whole inside the
// block, 0 for a negative count, a short block or an unusable record size.
class TBlockView {
public:
    TBlockView(const uint8_t *data, std::size_t size, int recordSize)
        : fData(data), fSize(data ? size : 0), fRecordSize(recordSize)
    {
    }

    int32_t DeviceCount() const { return fSize >= HeaderSize ? ReadInt32(fData) : 0; }
    int RecordCount() const;
    const uint8_t *Record(int k) const { return fData + RecordOffset(k, fRecordSize); }
    int32_t DeviceID(int k) const { return Word(Record(k), DeviceIDWord); }
    bool ContainsDevice(int32_t deviceID) const;

private:
    const uint8_t *fData;
    std::size_t fSize;
    int fRecordSize;
};

// "%d.%d.%d.%d" of the version word's bytes, most significant first.
std::string VersionText(uint32_t versionID);

} // namespace DeviceBlock
