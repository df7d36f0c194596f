// Builds RIFF WAVE files byte by byte, so that each test can write exactly
// the header it needs, well formed or broken in one field.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
inline void PutId(Bytes& b, const char* id)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(id[i]));
}

inline Bytes Chunk(const char* id, const Bytes& body, bool pad = true)
{
    Bytes b;
    PutId(b, id);
    Put32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        b.push_back(0);
    return b;
}

inline Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t size = 16)
{
    Bytes b;
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * channels * (bits / 8));
    Put16(b, uint16_t(channels * (bits / 8)));
    Put16(b, bits);
    while (b.size() < size)
        b.push_back(0);
    b.resize(size);
    return b;
}

inline Bytes Riff(const std::vector<Bytes>& chunks)
{
    Bytes body;
    PutId(body, "WAVE");
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes b;
    PutId(b, "RIFF");
    Put32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Samples16(const std::vector<int16_t>& samples)
{
    Bytes b;
    for (int16_t s : samples)
        Put16(b, uint16_t(s));
    return b;
}

inline Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace testsupport
