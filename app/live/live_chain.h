// The effect chain for live use: the effects that can run on an endless
// stream (echo, chorus, robot voice, flange, the pitch bar, bass only, treble
// only, in the catalogue's order) worked through a voice that arrives piece
// by piece.
//
// Rules:
// - With the same switches from the start, the chain gives exactly the
//   samples the whole-voice pipeline gives, whatever the sizes of the pieces.
// - Every stage runs all the time, also while its switch is off (on a copy of
//   its input, for the twelve pitch steps alike), so a stage switched on is
//   already warm: it sounds as if it had been on all along.
// - A switch change is taken up between pieces and crossfaded over
//   kCrossfadeSamples (5 ms), so nothing clicks; a change that arrives during
//   a crossfade waits for its end.
// - Effects that need the whole voice (fades, backward, sweeps) and the speed
//   effects cannot run live: the chain leaves them out.
// - No Qt, no I/O, no locks, no allocation in Process: it runs on a sound
//   thread. The stages report to no gauge.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "effect_settings.h"
#include "stage.h"

namespace live {

// Whether the effect's switch can take part in live use.
bool RunsLive(voice::Effect effect);
// The switches that are on but cannot run live, in the catalogue's order.
std::vector<voice::Effect> EffectsThatCannotRunLive(const voice::EffectSwitches& switches);
// The effect's name as the user reads it ("Fade In", "Robot Voice").
std::string EffectName(voice::Effect effect);

class LiveChain {
public:
    static constexpr int32_t kCrossfadeSamples = 110;  // 5 ms at 22050 samples per second

    // Makes every stage. Call it on the thread that runs the effect pipeline:
    // the stages are made with the silent gauge, which means switching the
    // program's gauge for a moment.
    explicit LiveChain(const voice::EffectSwitches& switches);
    ~LiveChain();
    LiveChain(const LiveChain&) = delete;
    LiveChain& operator=(const LiveChain&) = delete;

    // Any thread, any time: the switches the chain moves to from the next
    // piece on (only the live ones count).
    void SetSwitches(const voice::EffectSwitches& switches);

    // One thread at a time: rewrites the next `count` samples of the stream.
    void Process(int16_t* samples, int32_t count);

private:
    // The switched stages in chain order, with the pitch bar's place among them.
    static constexpr int kSwitchedStages = 6;
    static constexpr int kPitchAfter = 4;  // echo, chorus, robot voice, flange, then the pitch bar
    static constexpr int32_t kChunk = 512;

    // What the chain runs: one bit per switched stage and the pitch position.
    struct Setting {
        uint32_t on = 0;
        int32_t pitchPosition = voice::kPitchNone;
        bool operator==(const Setting&) const = default;
    };
    static Setting LiveSetting(const voice::EffectSwitches& switches);
    static uint32_t Pack(const Setting& setting);
    static Setting Unpack(uint32_t packed);

    void TakeUpSwitches();
    void ProcessChunk(int16_t* samples, int32_t count);
    void RunSwitchedStage(int stage, int16_t* samples, int32_t count);
    void RunPitchBar(int16_t* samples, int32_t count);
    // samples = from + (to - from) * weight, the weight rising over the crossfade.
    void Crossfade(const int16_t* from, const int16_t* to, int16_t* out, int32_t count) const;

    std::array<effects::StagePtr, kSwitchedStages> stages_;
    std::array<effects::StagePtr, voice::kPitchMax + 1> pitchStages_;  // none at kPitchNone

    std::atomic<uint32_t> requested_;
    Setting current_, target_;
    int32_t fadeDone_ = 0, fadeLeft_ = 0;  // samples of the running crossfade

    std::array<int16_t, kChunk> dry_{}, wet_{};
    std::array<std::array<int16_t, kChunk>, voice::kPitchMax + 1> pitched_{};
};

}  // namespace live
