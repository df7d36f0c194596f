#include "state.h"

namespace faderbox {

State& TheState()
{
    static State state;
    return state;
}

}  // namespace faderbox
