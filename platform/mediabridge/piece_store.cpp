#include "piece_store.h"

#include <algorithm>
#include <cstring>

namespace media {

namespace {

constexpr size_t kPieceSamples = size_t(1) << 20;

}  // namespace

bool PieceStore::Append(const int16_t* samples, size_t count)
{
    if (!budget_.Take(count))
        return false;
    while (count > 0) {
        const size_t used = total_ % kPieceSamples;
        if (used == 0)
            pieces_.push_back(std::unique_ptr<int16_t[]>(new int16_t[kPieceSamples]));
        const size_t now = std::min(count, kPieceSamples - used);
        std::memcpy(pieces_.back().get() + used, samples, now * sizeof(int16_t));
        samples += now;
        count -= now;
        total_ += now;
    }
    return true;
}

uint8_t* PieceStore::MoveTo(uint8_t* out)
{
    size_t left = total_;
    for (auto& piece : pieces_) {
        const size_t now = std::min(left, kPieceSamples);
        std::memcpy(out, piece.get(), now * sizeof(int16_t));
        out += now * sizeof(int16_t);
        left -= now;
        piece.reset();
    }
    Clear();
    return out;
}

void PieceStore::Clear()
{
    pieces_.clear();
    budget_.GiveBack(total_);
    total_ = 0;
}

}  // namespace media
