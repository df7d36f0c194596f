#include "render_options.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace render {

const char* const kUsage =
    "Usage: parrotel-render [EFFECTS] [--pitch POSITION] [--clear] [--save] [--quiet] IN OUT.wav\n"
    "       parrotel-render [EFFECTS] [--pitch POSITION] [--bitrate K] IN OUT.mp3|OUT.opus|OUT.ogg\n"
    "       parrotel-render [EFFECTS] [--pitch POSITION] IN OUT.flac\n"
    "       parrotel-render [EFFECTS] [--pitch POSITION] [--title T] [--author A] [--copyright C] IN OUT.ra\n"
    "\n"
    "Opens IN (a wave file, converted to 22050 Hz 16-bit mono if needed, or any\n"
    "other sound file FFmpeg can decode), presses the effects saved with it and the\n"
    "ones named here, and writes OUT.wav as the program's File > Export > to WAVE\n"
    "File... would: the processed voice, labelled 11025 Hz with --slow-monster or\n"
    "44100 Hz with --fast-squeaker. OUT.mp3, OUT.opus or OUT.ogg (Opus), OUT.flac\n"
    "and OUT.ra export the processed voice as MP3 (through the LAME library), Opus,\n"
    "FLAC or RealAudio instead.\n"
    "\n"
    "Effects:\n"
    "  --echo --chorus --flange --fade-in --fade-out --bass-only --treble-only\n"
    "  --robot --backward --sweep-up --sweep-down --slow-monster --fast-squeaker\n"
    "Options:\n"
    "  --pitch POSITION  the pitch bar, 0 (Helium Breath) to 12 (Sulphur Breath); 6 is no change\n"
    "  --clear           release the effects saved in IN first\n"
    "  --save            write the unprocessed voice with its effect settings, as Save does\n"
    "  --quiet           no progress bar\n"
    "  --bitrate K       MP3 or Opus bit rate in kbit/s (MP3: default 64, 24 to 160 for a\n"
    "                    22050 Hz voice; Opus: default 32, 6 to 510)\n"
    "  --title T, --author A, --copyright C\n"
    "                    the RealAudio clip's title, author and copyright\n"
    "  --help            this text\n";

namespace {

const std::map<std::string, voice::Effect>& EffectFlags()
{
    using voice::Effect;
    static const std::map<std::string, Effect> flags = {
        {"--echo", Effect::Echo},           {"--chorus", Effect::Chorus},
        {"--flange", Effect::Flange},       {"--fade-in", Effect::FadeIn},
        {"--fade-out", Effect::FadeOut},    {"--bass-only", Effect::BassOnly},
        {"--treble-only", Effect::TrebleOnly}, {"--robot", Effect::Robotvoice},
        {"--backward", Effect::Backward},   {"--sweep-up", Effect::SweepUp},
        {"--sweep-down", Effect::SweepDown}, {"--slow-monster", Effect::SlowMonster},
        {"--fast-squeaker", Effect::FastSqueaker},
    };
    return flags;
}

std::optional<int32_t> ParsePitch(const std::string& text)
{
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    const int32_t value = std::atoi(text.c_str());
    if (value > voice::kPitchMax)
        return std::nullopt;
    return value;
}

}  // namespace

OutputKind KindOf(const std::string& output)
{
    const size_t dot = output.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : output.substr(dot + 1);
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mp3")
        return OutputKind::Mp3;
    if (extension == "ra")
        return OutputKind::RealAudio;
    if (extension == "opus" || extension == "ogg")
        return OutputKind::Opus;
    if (extension == "flac")
        return OutputKind::Flac;
    return OutputKind::Wave;
}

std::optional<std::string> ParseOptions(const std::vector<std::string>& arguments, Options& options)
{
    std::vector<std::string> files;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (auto flag = EffectFlags().find(a); flag != EffectFlags().end()) {
            options.pressed.push_back(flag->second);
        } else if (a == "--pitch") {
            if (i + 1 >= arguments.size())
                return "--pitch needs a position from 0 to 12";
            options.pitchPosition = ParsePitch(arguments[++i]);
            if (!options.pitchPosition)
                return "--pitch needs a position from 0 to 12, not \"" + arguments[i] + "\"";
        } else if (a == "--bitrate") {
            if (i + 1 >= arguments.size())
                return "--bitrate needs a bit rate in kbit/s";
            const std::string& text = arguments[++i];
            if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
                return "--bitrate needs a bit rate in kbit/s, not \"" + text + "\"";
            options.bitrate = std::atoi(text.c_str());
            options.bitrateGiven = true;
        } else if (a == "--title" || a == "--author" || a == "--copyright") {
            if (i + 1 >= arguments.size())
                return a + " needs a text";
            std::string& field = a == "--title" ? options.title : a == "--author" ? options.author : options.copyright;
            field = arguments[++i];
        } else if (a == "--clear") {
            options.clear = true;
        } else if (a == "--save") {
            options.save = true;
        } else if (a == "--quiet") {
            options.quiet = true;
        } else if (a == "--help" || a == "-h") {
            options.help = true;
            return std::nullopt;
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2)
        return "expected an input and an output file";
    options.input = files[0];
    options.output = files[1];
    const OutputKind kind = KindOf(options.output);
    if (options.save && kind != OutputKind::Wave)
        return "--save writes a wave file, not " + options.output;
    if (options.bitrateGiven && kind != OutputKind::Mp3 && kind != OutputKind::Opus)
        return "--bitrate applies to an MP3 or Opus output only";
    if (!options.bitrateGiven)
        options.bitrate = kind == OutputKind::Opus ? kDefaultOpusBitrate : kDefaultMp3Bitrate;
    if ((!options.title.empty() || !options.author.empty() || !options.copyright.empty()) &&
        kind != OutputKind::RealAudio)
        return "--title, --author and --copyright apply to a RealAudio output only";
    return std::nullopt;
}

}  // namespace render
