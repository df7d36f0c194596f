// The scripted sound card for the C host (c_host.c), which cannot reach the
// mixer's C++ interface itself.
#include "mixer_test_support.h"

#include <memory>

extern "C" int InstallScriptedCard(uint32_t* mixer, uint32_t* selector)
{
    auto backend = std::make_shared<platform::ScriptedMixerBackend>();
    const mixertest::Card card = mixertest::AddCard(*backend, {});
    platform::SetMixerBackend(backend);
    *mixer = card.mixer;
    *selector = card.selector;
    return 0;
}
