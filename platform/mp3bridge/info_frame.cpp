#include "info_frame.h"

#include <algorithm>
#include <utility>

#include "mpeg_frame.h"

namespace mp3 {

namespace {

// Version bits of the frame header.
constexpr uint8_t kMpeg1 = 3, kMpeg2 = 2, kMpeg25 = 0;
constexpr uint8_t kModeStereo = 0, kModeMono = 3;
constexpr uint8_t kVbrMethodCbr = 1;

constexpr size_t kHeaderBytes = 4;
constexpr size_t kSeekTableBytes = 100;
// "Info", flags, frames, bytes, the seek table, quality.
constexpr size_t kXingBytes = 4 + 4 + 4 + 4 + kSeekTableBytes + 4;
constexpr size_t kLameExtensionBytes = 36;
constexpr size_t kEncoderNameBytes = 9;
constexpr uint32_t kXingFlags = 0x0F;  // frames, bytes, seek table and quality present
constexpr int kMaxDelayOrPadding = 4095;  // twelve bits each

struct StreamLayout {
    uint8_t version = 0;
    uint8_t rateIndex = 0;
    const int* bitrates = nullptr;
    int frameFactor = 0;  // frame bytes = factor × kbit/s ÷ sample rate
    size_t sideInfoBytes = 0;
    bool valid = false;
};

StreamLayout LayoutFor(int sampleRate, int channels)
{
    StreamLayout layout;
    for (uint8_t index = 0; index < 3; ++index) {
        for (const auto& [version, divisor] : {std::pair{kMpeg1, 1}, std::pair{kMpeg2, 2}, std::pair{kMpeg25, 4}}) {
            if (kSampleRatesMpeg1[index] / divisor != sampleRate)
                continue;
            const bool mpeg1 = version == kMpeg1;
            layout.version = version;
            layout.rateIndex = index;
            layout.bitrates = mpeg1 ? kLayer3BitratesMpeg1 : kLayer3BitratesMpeg2;
            layout.frameFactor = mpeg1 ? 144000 : 72000;
            layout.sideInfoBytes = mpeg1 ? (channels == 1 ? 17 : 32) : (channels == 1 ? 9 : 17);
            layout.valid = channels == 1 || channels == 2;
        }
    }
    return layout;
}

size_t FrameBytes(const StreamLayout& layout, int index, int sampleRate)
{
    return size_t(layout.frameFactor * layout.bitrates[index] / sampleRate);
}

// The stream's own bit rate, or the next one up whose frame holds the tag;
// 0 when none does.
int BitrateIndexFor(const StreamLayout& layout, int sampleRate, int bitrateKbit)
{
    const size_t needed = kHeaderBytes + layout.sideInfoBytes + kXingBytes + kLameExtensionBytes;
    const int* own = std::find(layout.bitrates + 1, layout.bitrates + 15, bitrateKbit);
    for (int index = int(own - layout.bitrates); index < 15; ++index)
        if (FrameBytes(layout, index, sampleRate) >= needed)
            return index;
    return 0;
}

class BigEndianWriter {
public:
    explicit BigEndianWriter(uint8_t* at) : at_(at) {}
    void u8(uint32_t v) { *at_++ = uint8_t(v); }
    void u16(uint32_t v) { u8(v >> 8), u8(v); }
    void u24(uint32_t v) { u8(v >> 16), u16(v); }
    void u32(uint32_t v) { u16(v >> 16), u16(v); }
    void text(const std::string& s, size_t width)
    {
        for (size_t i = 0; i < width; ++i)
            u8(i < s.size() ? uint8_t(s[i]) : 0);
    }
    uint8_t* position() const { return at_; }

private:
    uint8_t* at_;
};

}  // namespace

size_t InfoFrameSize(int sampleRate, int channels, int bitrateKbit)
{
    const StreamLayout layout = LayoutFor(sampleRate, channels);
    if (!layout.valid)
        return 0;
    const int index = BitrateIndexFor(layout, sampleRate, bitrateKbit);
    return index == 0 ? 0 : FrameBytes(layout, index, sampleRate);
}

std::vector<uint8_t> BuildInfoFrame(const InfoTag& tag)
{
    const StreamLayout layout = LayoutFor(tag.sampleRate, tag.channels);
    const int index = layout.valid ? BitrateIndexFor(layout, tag.sampleRate, tag.bitrateKbit) : 0;
    if (index == 0)
        return {};
    std::vector<uint8_t> frame(FrameBytes(layout, index, tag.sampleRate), 0);
    BigEndianWriter w(frame.data());
    // Sync, version, Layer III, no CRC; bit rate and sample rate; the
    // channel mode. The side information stays zero: a silent frame.
    w.u8(0xFF);
    w.u8(0xE0 | layout.version << 3 | 1 << 1 | 1);
    w.u8(uint8_t(index) << 4 | layout.rateIndex << 2);
    w.u8((tag.channels == 1 ? kModeMono : kModeStereo) << 6);
    w = BigEndianWriter(w.position() + layout.sideInfoBytes);

    w.text("Info", 4);  // "Info" rather than "Xing": a constant bit rate
    w.u32(kXingFlags);
    w.u32(tag.frames);
    w.u32(tag.streamBytes);
    for (size_t i = 0; i < kSeekTableBytes; ++i)
        w.u8(uint32_t(i * 256 / kSeekTableBytes));  // even steps through a constant-rate stream
    w.u32(0);  // quality: not told

    // The LAME extension.
    w.text(tag.encoder, kEncoderNameBytes);
    w.u8(kVbrMethodCbr);  // tag revision 0
    w.u8(0);              // low-pass filter: not told
    w.u32(0), w.u16(0), w.u16(0);  // no replay gain
    w.u8(0);                       // encoding flags, ATH type
    w.u8(uint32_t(std::min(tag.bitrateKbit, 255)));
    w.u24(uint32_t(std::clamp(tag.encoderDelay, 0, kMaxDelayOrPadding)) << 12 |
          uint32_t(std::clamp(tag.encoderPadding, 0, kMaxDelayOrPadding)));
    w.u8(0);   // misc
    w.u8(0);   // MP3 gain
    w.u16(0);  // preset and surround
    w.u32(tag.streamBytes);
    w.u16(tag.soundCrc);
    const size_t covered = size_t(w.position() - frame.data());
    w.u16(Crc16(0, frame.data(), covered));
    return frame;
}

uint16_t Crc16(uint16_t crc, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t(crc >> 1 ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

}  // namespace mp3
