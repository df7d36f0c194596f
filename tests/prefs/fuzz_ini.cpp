// Settings files as anyone may have edited them: reading must never fail, and
// a write must change the one key and nothing that reads differently.
#include "ini_text.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    prefs::IniText ini(text);
    if (ini.Text() != text)
        std::abort();
    const auto before = ini.Value("Other", "Key");
    (void)ini.Value("Settings", "Update Enabled/Disabled :");
    if (!ini.SetValue("Settings", "Update Enabled/Disabled :", "0"))
        std::abort();
    if (ini.Value("Settings", "Update Enabled/Disabled :") != "0" || ini.Value("Other", "Key") != before)
        std::abort();
    return 0;
}
