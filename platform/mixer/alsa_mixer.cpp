#include "mixer/alsa_mixer.h"

#include "mixer/alsa_connection.h"
#include "mixer/alsa_devices.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// One connection per mixer serves the values and the notifications alike:
// whoever takes in the device's events (a value call or the mixer's
// notification thread) compares every control with what was last seen and
// posts the ones that changed. So a window that gets a notification reads the
// new value, never an older one a second connection has not yet heard of.
class AlsaMixerBackend : public MixerBackend {
public:
    explicit AlsaMixerBackend(AlsaMixerSetup setup) : setup_(std::move(setup)), mixers_(setup_.controlDevices.size())
    {
    }

    ~AlsaMixerBackend() override
    {
        for (uint32_t mixerId = 0; mixerId < mixers_.size(); ++mixerId)
            stopThread(mixerId);
    }

    std::vector<WaveDeviceDescription> waveOutDevices() override { return setup_.waveOut; }
    std::vector<WaveDeviceDescription> waveInDevices() override { return setup_.waveIn; }
    uint32_t mixerCount() override { return uint32_t(mixers_.size()); }

    std::shared_ptr<const MixerDescription> describe(uint32_t mixerId) override
    {
        std::lock_guard lock(mutex_);
        Mixer* mixer = opened(mixerId);
        if (!mixer)
            return nullptr;
        return std::shared_ptr<const MixerDescription>(mixer->layout, &mixer->layout->description);
    }

    MMRESULT readValues(uint32_t mixerId, const ControlDescription& control, std::vector<uint32_t>& values) override
    {
        std::lock_guard lock(mutex_);
        const AlsaBinding* binding = nullptr;
        Mixer* mixer = bound(mixerId, control.id, binding);
        if (!mixer)
            return MIXERR_INVALCONTROL;
        catchUp(*mixer);
        return ReadBinding(*mixer->connection, *binding, values);
    }

    MMRESULT writeValues(uint32_t mixerId, const ControlDescription& control,
                         const std::vector<uint32_t>& values) override
    {
        std::lock_guard lock(mutex_);
        const AlsaBinding* binding = nullptr;
        Mixer* mixer = bound(mixerId, control.id, binding);
        if (!mixer)
            return MIXERR_INVALCONTROL;
        catchUp(*mixer);
        return WriteBinding(*mixer->connection, *binding, values);
    }

    std::unique_ptr<MixerWatch> watch(uint32_t mixerId, WindowHandle window, uintptr_t wParam) override;

private:
    class Watch;

    struct Watcher {
        uint64_t id;
        WindowHandle window;
        uintptr_t wParam;
    };

    struct Thread {
        std::thread thread;
        int stopFd = -1;
    };

    struct Mixer {
        bool tried = false;
        std::unique_ptr<AlsaConnection> connection;  // null when the device cannot be opened
        std::shared_ptr<const AlsaLayout> layout;
        std::vector<Watcher> watchers;
        std::map<uint32_t, std::vector<uint32_t>> seen;  // values last posted, per control
        Thread notifier;
    };

    // The mixer with its connection and layout, opened on first use; null
    // when it cannot be. Mutex held.
    Mixer* opened(uint32_t mixerId)
    {
        if (mixerId >= mixers_.size())
            return nullptr;
        Mixer& mixer = mixers_[mixerId];
        if (!mixer.tried) {
            mixer.tried = true;
            mixer.connection = AlsaConnection::open(setup_.controlDevices[mixerId]);
            if (mixer.connection)
                mixer.layout = std::make_shared<AlsaLayout>(
                    BuildAlsaLayout(mixer.connection->cardName(), mixer.connection->describeElements(), mixerId));
        }
        return mixer.connection ? &mixer : nullptr;
    }

    Mixer* bound(uint32_t mixerId, uint32_t controlId, const AlsaBinding*& binding)
    {
        Mixer* mixer = opened(mixerId);
        binding = mixer ? mixer->layout->binding(controlId) : nullptr;
        return binding ? mixer : nullptr;
    }

    // Takes in the device's events and posts what changed; returns the
    // number of events and of controls posted. Mutex held.
    int catchUp(Mixer& mixer)
    {
        const int events = mixer.connection->catchUp();
        return std::max(events, 0) + (mixer.watchers.empty() ? 0 : postChanges(mixer));
    }

    int postChanges(Mixer& mixer)
    {
        int posted = 0;
        for (const AlsaBinding& binding : mixer.layout->bindings) {
            std::vector<uint32_t> values;
            if (ReadBinding(*mixer.connection, binding, values) != MMSYSERR_NOERROR)
                continue;
            std::vector<uint32_t>& seen = mixer.seen[binding.controlId];
            if (values == seen)
                continue;
            seen = std::move(values);
            for (const Watcher& watcher : mixer.watchers)
                PostWindowMessage(watcher.window, MM_MIXM_CONTROL_CHANGE, watcher.wParam,
                                  intptr_t(binding.controlId));
            ++posted;
        }
        return posted;
    }

    void takeSnapshot(Mixer& mixer)
    {
        mixer.connection->catchUp();
        mixer.seen.clear();
        for (const AlsaBinding& binding : mixer.layout->bindings)
            ReadBinding(*mixer.connection, binding, mixer.seen[binding.controlId]);
    }

    // The last watcher gone, the mixer's thread stops; it is taken out under
    // the lock, so that a new watcher starts a thread of its own meanwhile.
    void unwatch(uint32_t mixerId, uint64_t watcherId)
    {
        Thread notifier;
        {
            std::lock_guard lock(mutex_);
            Mixer& mixer = mixers_[mixerId];
            std::erase_if(mixer.watchers, [&](const Watcher& watcher) { return watcher.id == watcherId; });
            if (!mixer.watchers.empty())
                return;
            std::swap(notifier, mixer.notifier);
        }
        Stop(notifier);
    }

    void stopThread(uint32_t mixerId)
    {
        Thread notifier;
        {
            std::lock_guard lock(mutex_);
            std::swap(notifier, mixers_[mixerId].notifier);
        }
        Stop(notifier);
    }

    static void Stop(Thread& notifier)
    {
        if (!notifier.thread.joinable())
            return;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(notifier.stopFd, &one, sizeof one);
        notifier.thread.join();
        close(notifier.stopFd);
    }

    // Waits for the device's events and takes them in, until stopFd is
    // signalled or the device goes away.
    void notify(uint32_t mixerId, int stopFd)
    {
        for (;;) {
            std::vector<pollfd> fds;
            {
                std::lock_guard lock(mutex_);
                snd_mixer_t* device = mixers_[mixerId].connection->mixer();
                const int count = snd_mixer_poll_descriptors_count(device);
                if (count < 0)
                    return;
                fds.resize(size_t(count));
                if (snd_mixer_poll_descriptors(device, fds.data(), unsigned(count)) < 0)
                    return;
            }
            fds.push_back({stopFd, POLLIN, 0});
            if (poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds.back().revents)
                return;
            int news = 0;
            {
                std::lock_guard lock(mutex_);
                Mixer& mixer = mixers_[mixerId];
                unsigned short revents = 0;
                if (snd_mixer_poll_descriptors_revents(mixer.connection->mixer(), fds.data(), unsigned(fds.size() - 1),
                                                       &revents) < 0 ||
                    (revents & (POLLERR | POLLNVAL | POLLHUP)))
                    return;  // the device or the sound server went away
                news = catchUp(mixer);
            }
            // A wake-up may bring nothing (PulseAudio's first one does): never
            // spin on a descriptor that stays readable.
            if (news == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    AlsaMixerSetup setup_;
    std::mutex mutex_;
    std::vector<Mixer> mixers_;
    uint64_t nextWatcherId_ = 1;
};

class AlsaMixerBackend::Watch : public MixerWatch {
public:
    Watch(AlsaMixerBackend& backend, uint32_t mixerId, uint64_t watcherId)
        : backend_(backend), mixerId_(mixerId), watcherId_(watcherId)
    {
    }
    ~Watch() override { backend_.unwatch(mixerId_, watcherId_); }

private:
    AlsaMixerBackend& backend_;
    uint32_t mixerId_;
    uint64_t watcherId_;
};

std::unique_ptr<MixerWatch> AlsaMixerBackend::watch(uint32_t mixerId, WindowHandle window, uintptr_t wParam)
{
    std::lock_guard lock(mutex_);
    Mixer* mixer = opened(mixerId);
    if (!mixer)
        return nullptr;
    if (mixer->watchers.empty()) {
        const int stopFd = eventfd(0, EFD_CLOEXEC);
        if (stopFd < 0)
            return nullptr;
        takeSnapshot(*mixer);
        mixer->notifier.stopFd = stopFd;
        mixer->notifier.thread = std::thread([this, mixerId, stopFd] { notify(mixerId, stopFd); });
    }
    const uint64_t id = nextWatcherId_++;
    mixer->watchers.push_back({id, window, wParam});
    return std::make_unique<Watch>(*this, mixerId, id);
}

}  // namespace

std::shared_ptr<MixerBackend> CreateAlsaMixerBackend()
{
    return std::make_shared<AlsaMixerBackend>(SystemAlsaSetup());
}

std::shared_ptr<MixerBackend> CreateAlsaMixerBackend(AlsaMixerSetup setup)
{
    return std::make_shared<AlsaMixerBackend>(std::move(setup));
}

}  // namespace platform
