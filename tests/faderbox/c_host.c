/* libfaderbox loaded by a plain C program, as any host may load it: no Qt
 * application, no window. Its calls answer as they do in the program, and
 * the messages that are message boxes there come out as one line each on
 * standard error; nothing aborts.
 *
 *   faderbox_c_host scripted   a scripted sound card (from c_host_card.cpp)
 *   faderbox_c_host system     the system's mixer (ALSA's default device)
 *
 * Exits 0 when every check held; prints each check that did not. */
#include "faderbox/faderbox.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

/* Installs a scripted card with a MUX selector whose first item is set. */
int InstallScriptedCard(uint32_t* mixer, uint32_t* selector);

static int failures = 0;

#define CHECK(condition)                                                                  \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);          \
            ++failures;                                                                   \
        }                                                                                 \
    } while (0)

/* What the last call wrote to standard error. */
static char errorOutput[1024];

static int32_t MixMuxSetting(uint32_t mixer, uint32_t control, int32_t item)
{
    FILE* capture = tmpfile();
    const int savedError = dup(2);
    fflush(stderr);
    dup2(fileno(capture), 2);
    const int32_t result = GetMixMuxSetting(mixer, control, item);
    fflush(stderr);
    dup2(savedError, 2);
    close(savedError);
    rewind(capture);
    const size_t length = fread(errorOutput, 1, sizeof errorOutput - 1, capture);
    errorOutput[length] = '\0';
    fclose(capture);
    return result;
}

int main(int argc, char** argv)
{
    const int scripted = argc > 1 && strcmp(argv[1], "scripted") == 0;
    uint32_t mixer = 0, selector = 0;
    if (scripted)
        CHECK(InstallScriptedCard(&mixer, &selector) == 0);

    /* The devices, with nothing to notify. */
    CHECK(SetCallbackWindow(0) == 0);
    CHECK(GetNumberOfOutputDevices() >= 1);
    CHECK(SelectOutputDevice(0) == 0);
    CHECK(SelectInputDevice(0) == 0);
    const int32_t level = GetCurrentOutputLevel();
    CHECK(level >= 0 && level <= 99);

    /* A control the mixer does not have: the library's message and -1. */
    CHECK(MixMuxSetting(mixer, 0xDEAD, 0) == -1);
    CHECK(strcmp(errorOutput, "Cannot Get Mixer Information\n") == 0);
    if (scripted) {
        CHECK(MixMuxSetting(mixer, selector, 0) == 1);
        CHECK(MixMuxSetting(mixer, selector, 1) == 0);
        CHECK(MixMuxSetting(mixer, selector, 3) == -1);
        CHECK(errorOutput[0] == '\0');
    }

    CHECK(DeSelectOutputDevice() == 0);
    CHECK(DeSelectInputDevice() == 0);
    if (failures == 0)
        printf("all checks held\n");
    return failures == 0 ? 0 : 1;
}
