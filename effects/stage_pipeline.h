// Runs a chain of effects through a voice piece by piece, on two threads when
// that pays: the first thread runs the first effects of the chain on one
// piece while the second runs the remaining effects on the piece before it.
// Effects that need the whole result of the earlier ones (a fade needs the
// loudest sample, reversal needs everything) start a new leg of the chain,
// after the previous leg has finished the whole voice.
//
// Every effect sees its samples in order, so the result is the same as
// running the effects one after another over the whole voice. Progress from
// both threads is collected and handed to the current gauge on the calling
// thread only, so the gauge may be a window.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "stage.h"

namespace effects {

struct ChainStep {
    // Makes the stage when its turn comes; may do the whole work itself and
    // return no stage (reversal). Runs on the calling thread.
    std::function<StagePtr(int16_t* samples, int32_t count)> make;
    // make() must see the finished output of every earlier step.
    bool needsWholeInput = false;
    // Relative cost per sample, to share the work between the two threads.
    double cost = 1.0;
};

// How a chain may use threads.
enum class ChainThreads { Automatic, One };

void RunChain(int16_t* samples, int32_t count, const std::vector<ChainStep>& steps,
              ChainThreads threads = ChainThreads::Automatic);

}  // namespace effects
