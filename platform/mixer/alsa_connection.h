// A simple-mixer connection to an ALSA control device, the elements seen
// through it, and the values of the controls bound to them (alsa_layout.h).
// Not thread-safe: one user at a time.
#pragma once

#include "mixer/alsa_layout.h"

#include <alsa/asoundlib.h>

#include <memory>
#include <string>
#include <vector>

namespace platform {

class AlsaConnection {
public:
    // Null when the device cannot be opened.
    static std::unique_ptr<AlsaConnection> open(const std::string& device);
    ~AlsaConnection();
    AlsaConnection(const AlsaConnection&) = delete;
    AlsaConnection& operator=(const AlsaConnection&) = delete;

    snd_mixer_t* mixer() const { return mixer_; }
    // Takes in the changes made elsewhere, so that the values read are
    // current; the number of events taken, or a negative error.
    int catchUp();
    snd_mixer_elem_t* find(const AlsaElementRef& ref) const;
    // The card's name, or the device name.
    std::string cardName() const;
    std::vector<AlsaElementInfo> describeElements() const;

private:
    AlsaConnection(snd_mixer_t* mixer, std::string device);

    snd_mixer_t* mixer_;
    std::string device_;
};

MMRESULT ReadBinding(const AlsaConnection& connection, const AlsaBinding& binding, std::vector<uint32_t>& values);
MMRESULT WriteBinding(const AlsaConnection& connection, const AlsaBinding& binding,
                      const std::vector<uint32_t>& values);

}  // namespace platform
