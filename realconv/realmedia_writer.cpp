#include "realmedia_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace realconv {

namespace {

constexpr uint16_t kObjectVersion = 0;
constexpr uint16_t kStreamNumber = 0;
constexpr uint32_t kFileHeaderSize = 18;
constexpr uint32_t kPropSize = 50;
constexpr uint32_t kDataHeaderSize = 18;
constexpr uint32_t kPacketHeaderSize = 12;
constexpr uint32_t kIndexHeaderSize = 20;
constexpr uint32_t kIndexEntrySize = 14;
constexpr uint32_t kHeaderCount = 5;  // PROP, CONT, MDPR, DATA, INDX
constexpr uint32_t kIndexIntervalMs = 1000;

constexpr uint16_t kSaveAllowedFlag = 0x0001;
constexpr uint16_t kPerfectPlayFlag = 0x0002;
constexpr uint8_t kKeyFrameFlag = 0x02;

constexpr char kStreamName[] = "Audio Stream";
constexpr char kMimeType[] = "audio/x-pn-realaudio";
constexpr char kInterleaver[] = "Int0";  // frames stored in order, no interleaving
constexpr uint16_t kRealAudioVersion = 4;
// The ".ra4" header counts its size from the field after its data size.
constexpr uint32_t kRaHeaderSizeExcluded = 16;

class ByteWriter {
public:
    void u8(uint8_t v) { bytes.push_back(v); }
    void u16(uint16_t v)
    {
        u8(uint8_t(v >> 8));
        u8(uint8_t(v));
    }
    void u32(uint32_t v)
    {
        u16(uint16_t(v >> 16));
        u16(uint16_t(v));
    }
    void tag(const char* fourcc)
    {
        for (int i = 0; i < 4; ++i)
            u8(uint8_t(fourcc[i]));
    }
    void raw(const std::string& s)
    {
        for (char c : s)
            u8(uint8_t(c));
    }
    // Strings with a one-byte or two-byte length in front.
    void str8(const std::string& s)
    {
        const std::string cut = s.substr(0, std::numeric_limits<uint8_t>::max());
        u8(uint8_t(cut.size()));
        raw(cut);
    }
    void str16(const std::string& s)
    {
        const std::string cut = s.substr(0, std::numeric_limits<uint16_t>::max());
        u16(uint16_t(cut.size()));
        raw(cut);
    }
    void append(const ByteWriter& other) { bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end()); }
    uint32_t size() const { return uint32_t(bytes.size()); }

    std::vector<uint8_t> bytes;
};

// The codec description inside the stream header: the header a stand-alone
// RealAudio file starts with.
ByteWriter RealAudioHeader(const RealAudioStreamFormat& f, uint32_t codedBytes)
{
    const uint32_t bytesPerMinute = f.bitRate / 8 * 60;
    ByteWriter tail;  // everything after the header-size field
    tail.u16(0);      // codec flavour
    tail.u32(f.frameBytes);
    tail.u32(0);
    tail.u32(bytesPerMinute);
    tail.u32(bytesPerMinute);
    tail.u16(1);  // interleave height
    tail.u16(f.frameBytes);
    tail.u16(0);  // interleave block size (no interleaving)
    tail.u16(0);
    tail.u16(f.sampleRate);
    tail.u16(0);
    tail.u16(f.bitsPerSample);
    tail.u16(f.channels);
    tail.str8(kInterleaver);
    tail.str8(f.codecFourCC);
    for (int i = 0; i < 3; ++i)
        tail.u8(0);
    for (int i = 0; i < 4; ++i)  // title, author, copyright, comment: kept in CONT
        tail.str8("");

    ByteWriter w;
    w.raw(".ra");
    w.u8(0xFD);
    w.u16(kRealAudioVersion);
    w.u16(0);
    w.tag(".ra4");
    w.u32(codedBytes);
    const uint32_t total = w.size() + 2 + 4 + tail.size();
    w.u16(kRealAudioVersion);
    w.u32(total - kRaHeaderSizeExcluded);
    w.append(tail);
    return w;
}

}  // namespace

RealMediaWriter::~RealMediaWriter() { close(); }

void RealMediaWriter::close() { file_.Discard(); }

bool RealMediaWriter::writeBytes(const std::vector<uint8_t>& bytes)
{
    if (!file_.stream() || !ok_)
        return false;
    if (!file_.Write(bytes.data(), bytes.size()))
        ok_ = false;
    written_ += bytes.size();
    return ok_;
}

std::vector<uint8_t> RealMediaWriter::headers(uint32_t durationMs, uint32_t indexOffset) const
{
    const uint32_t packetSize = format_.frameBytes + kPacketHeaderSize;
    const uint32_t averagePacket = packetCount_ ? uint32_t(packetBytes_ / packetCount_) : 0;
    const uint16_t flags = (clip_.saveAllowed ? kSaveAllowedFlag : 0) | (clip_.perfectPlay ? kPerfectPlayFlag : 0);

    ByteWriter content;
    content.tag("CONT");
    const size_t contentSizeAt = content.bytes.size();
    content.u32(0);
    content.u16(kObjectVersion);
    content.str16(clip_.title);
    content.str16(clip_.author);
    content.str16(clip_.copyright);
    content.str16(clip_.comment);
    const uint32_t contentSize = content.size();
    for (int i = 0; i < 4; ++i)
        content.bytes[contentSizeAt + size_t(i)] = uint8_t(contentSize >> (24 - 8 * i));

    const ByteWriter codec = RealAudioHeader(format_, uint32_t(packetBytes_ - uint64_t(packetCount_) * kPacketHeaderSize));
    ByteWriter stream;
    stream.tag("MDPR");
    stream.u32(10 + 2 + 7 * 4 + 1 + uint32_t(std::strlen(kStreamName)) + 1 + uint32_t(std::strlen(kMimeType)) + 4 +
               codec.size());
    stream.u16(kObjectVersion);
    stream.u16(kStreamNumber);
    stream.u32(format_.bitRate);  // maximum bit rate
    stream.u32(format_.bitRate);  // average bit rate
    stream.u32(largestPacket_ ? largestPacket_ : packetSize);
    stream.u32(averagePacket ? averagePacket : packetSize);
    stream.u32(0);  // start time
    stream.u32(0);  // preroll
    stream.u32(durationMs);
    stream.str8(kStreamName);
    stream.str8(kMimeType);
    stream.u32(codec.size());
    stream.append(codec);

    ByteWriter w;
    w.tag(".RMF");
    w.u32(kFileHeaderSize);
    w.u16(kObjectVersion);
    w.u32(0);  // file version
    w.u32(kHeaderCount);

    const uint32_t dataOffset = w.size() + kPropSize + content.size() + stream.size();
    w.tag("PROP");
    w.u32(kPropSize);
    w.u16(kObjectVersion);
    w.u32(format_.bitRate);
    w.u32(format_.bitRate);
    w.u32(largestPacket_ ? largestPacket_ : packetSize);
    w.u32(averagePacket ? averagePacket : packetSize);
    w.u32(packetCount_);
    w.u32(durationMs);
    w.u32(0);  // preroll
    w.u32(indexOffset);
    w.u32(dataOffset);
    w.u16(1);  // streams
    w.u16(flags);

    w.append(content);
    w.append(stream);

    w.tag("DATA");
    w.u32(uint32_t(std::min<uint64_t>(kDataHeaderSize + packetBytes_, std::numeric_limits<uint32_t>::max())));
    w.u16(kObjectVersion);
    w.u32(packetCount_);
    w.u32(0);  // no further DATA chunk
    return w.bytes;
}

bool RealMediaWriter::open(const std::string& path, const RealMediaClip& clip, const RealAudioStreamFormat& format)
{
    close();
    clip_ = clip;
    format_ = format;
    ok_ = true;
    written_ = 0;
    packetCount_ = 0;
    largestPacket_ = 0;
    packetBytes_ = 0;
    index_.clear();
    if (!file_.Create(path))
        return ok_ = false;
    return writeBytes(headers(0, 0));
}

bool RealMediaWriter::writePacket(uint32_t timestampMs, const uint8_t* data, size_t size)
{
    const size_t length = size + kPacketHeaderSize;
    // Packet lengths and file offsets are 16 and 32 bits wide.
    if (!file_.stream() || !ok_ || length > std::numeric_limits<uint16_t>::max() ||
        written_ + length > std::numeric_limits<uint32_t>::max())
        return ok_ = false;
    if (index_.empty() || timestampMs >= index_.back().timestampMs + kIndexIntervalMs)
        index_.push_back({timestampMs, uint32_t(written_), packetCount_});

    ByteWriter w;
    w.u16(kObjectVersion);
    w.u16(uint16_t(length));
    w.u16(kStreamNumber);
    w.u32(timestampMs);
    w.u8(0);  // packet group
    w.u8(kKeyFrameFlag);
    w.bytes.insert(w.bytes.end(), data, data + size);
    if (!writeBytes(w.bytes))
        return false;
    ++packetCount_;
    packetBytes_ += length;
    largestPacket_ = std::max(largestPacket_, uint32_t(length));
    return true;
}

bool RealMediaWriter::finish(uint32_t durationMs)
{
    if (!file_.stream() || !ok_) {
        close();
        return false;
    }
    const uint64_t indexOffset = written_;
    ByteWriter index;
    index.tag("INDX");
    index.u32(kIndexHeaderSize + kIndexEntrySize * uint32_t(index_.size()));
    index.u16(kObjectVersion);
    index.u32(uint32_t(index_.size()));
    index.u16(kStreamNumber);
    index.u32(0);  // no further index
    for (const IndexEntry& entry : index_) {
        index.u16(kObjectVersion);
        index.u32(entry.timestampMs);
        index.u32(entry.offset);
        index.u32(entry.packetNumber);
    }
    bool ok = indexOffset + index.size() <= std::numeric_limits<uint32_t>::max() && writeBytes(index.bytes);
    ok = ok && std::fseek(file_.stream(), 0, SEEK_SET) == 0 &&
         writeBytes(headers(durationMs, uint32_t(indexOffset)));
    ok = ok && file_.Commit();
    if (!ok)
        close();
    return ok_ = ok;
}

}  // namespace realconv
