#include "fake_alsa_cards.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <stdexcept>

namespace fakecards {

void UseFakeAlsaCards()
{
    setenv("XDG_CONFIG_HOME", FAKE_CARDS_CONFIG_HOME, 1);
    snd_config_update_free_global();
}

namespace {

// An element of a control device opened for the call.
class ElementAccess {
public:
    ElementAccess(const std::string& device, const std::string& element)
    {
        if (snd_ctl_open(&ctl_, device.c_str(), 0) < 0)
            throw std::runtime_error("cannot open " + device);
        snd_ctl_elem_info_malloc(&info_);
        snd_ctl_elem_value_malloc(&value_);
        snd_ctl_elem_info_set_interface(info_, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_info_set_name(info_, element.c_str());
        if (snd_ctl_elem_info(ctl_, info_) < 0)
            throw std::runtime_error("no element " + element);
        snd_ctl_elem_value_set_interface(value_, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_value_set_name(value_, element.c_str());
        if (snd_ctl_elem_read(ctl_, value_) < 0)
            throw std::runtime_error("cannot read " + element);
    }
    ~ElementAccess()
    {
        snd_ctl_elem_value_free(value_);
        snd_ctl_elem_info_free(info_);
        snd_ctl_close(ctl_);
    }

    long get(unsigned channel) const
    {
        switch (snd_ctl_elem_info_get_type(info_)) {
        case SND_CTL_ELEM_TYPE_BOOLEAN: return snd_ctl_elem_value_get_boolean(value_, channel);
        case SND_CTL_ELEM_TYPE_ENUMERATED: return long(snd_ctl_elem_value_get_enumerated(value_, channel));
        default: return snd_ctl_elem_value_get_integer(value_, channel);
        }
    }

    void setAll(long value)
    {
        for (unsigned channel = 0; channel < snd_ctl_elem_info_get_count(info_); ++channel) {
            switch (snd_ctl_elem_info_get_type(info_)) {
            case SND_CTL_ELEM_TYPE_BOOLEAN: snd_ctl_elem_value_set_boolean(value_, channel, value); break;
            case SND_CTL_ELEM_TYPE_ENUMERATED: snd_ctl_elem_value_set_enumerated(value_, channel, unsigned(value)); break;
            default: snd_ctl_elem_value_set_integer(value_, channel, value); break;
            }
        }
        if (snd_ctl_elem_write(ctl_, value_) < 0)
            throw std::runtime_error("cannot write");
    }

private:
    snd_ctl_t* ctl_ = nullptr;
    snd_ctl_elem_info_t* info_ = nullptr;
    snd_ctl_elem_value_t* value_ = nullptr;
};

}  // namespace

long ReadElement(const std::string& device, const std::string& element, unsigned channel)
{
    return ElementAccess(device, element).get(channel);
}

void WriteElement(const std::string& device, const std::string& element, long value)
{
    ElementAccess(device, element).setAll(value);
}

}  // namespace fakecards
