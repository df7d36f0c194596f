// libfaderbox before any device is selected, and after failed selections.
// One test program of its own: the library's state lives for the process.
#include "faderbox_fixture.h"

using namespace platform;
using namespace mixertest;

namespace {

TEST_F(FaderboxTest, BeforeAndAfterFailedSelections)
{
    uint32_t ids[4] = {0, 0, 0, 0};
    GetVolumeIDs(&ids[0], &ids[1], &ids[2], &ids[3]);
    for (uint32_t id : ids)
        EXPECT_EQ(id, 0xFFFFFFFFu);

    uint32_t values[2] = {};
    EXPECT_EQ(UnmuteOutput(), -1);
    EXPECT_EQ(GetCurrentOutputVolSetting(2, values), -1);
    EXPECT_EQ(SetCurrentOutputLevel(50), -1);
    EXPECT_EQ(GetCurrentInputLevel(), -1);
    EXPECT_EQ(GetNumberOfInputSources(), -1);
    EXPECT_EQ(GetMicrophoneSourceIndex(), -1);
    EXPECT_EQ(SelectInputSource(0), -1);
    EXPECT_EQ(IsCurrentInputSourceSelected(0), 0);
    EXPECT_EQ(IsMixerMuxType(), 0);
    EXPECT_EQ(IsMixerMixerType(), 0);
    EXPECT_EQ(DeSelectOutputDevice(), 0);

    // A failed input selection leaves no input device selected ...
    const Card card = mixertest::AddCard(*backend);
    backend->failOpen(card.mixer);
    EXPECT_EQ(SelectInputDevice(0), -1);
    EXPECT_EQ(GetNumberOfInputSources(), -1);

    // ... a failed output selection leaves the device selected, so the output
    // functions fail on the controls instead.
    EXPECT_EQ(SelectOutputDevice(0), -1);
    EXPECT_EQ(GetCurrentOutputVolSetting(2, values), 0);
    backend->failReads(card.waveOutVolume);
    EXPECT_EQ(GetCurrentOutputLevel(), -3);
    EXPECT_TRUE(shown.empty());
}

}  // namespace
