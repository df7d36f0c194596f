#include "media_test_support.h"

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace mediatest {

double ToneLevelDb() { return 20 * std::log10(kToneAmplitude / std::sqrt(2.0)); }

int RunCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FfmpegTone(int sampleRate, int channels, double seconds)
{
    std::string channel = std::to_string(kToneAmplitude) + "*sin(2*PI*" + std::to_string(kToneHz) + "*t)";
    std::string all = channel;
    for (int c = 1; c < channels; ++c)
        all += "|" + channel;
    return "-f lavfi -i 'aevalsrc=" + all + ":s=" + std::to_string(sampleRate) + ":d=" + std::to_string(seconds) + "'";
}

std::string SoxTone()
{
    // sox's sine is at full scale; vol scales it.
    return "synth " + std::to_string(kToneSeconds) + " sine " + std::to_string(kToneHz) + " vol " +
           std::to_string(kToneAmplitude);
}

std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, int sampleRate)
{
    const std::string command = "ffmpeg -v error -i '" + path + "' -f s16le -ac 1 -ar " + std::to_string(sampleRate) +
                                " pipe:1";
    std::vector<int16_t> samples;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return samples;
    int16_t buffer[4096];
    size_t got;
    while ((got = fread(buffer, sizeof(int16_t), 4096, pipe)) > 0)
        samples.insert(samples.end(), buffer, buffer + got);
    pclose(pipe);
    return samples;
}

std::string Probe(const std::string& path, const std::string& entry)
{
    const std::string section = entry == "format_name" ? "format" : "stream";
    const std::string command = "ffprobe -v error -select_streams a:0 -show_entries " + section + "=" + entry +
                                " -of default=nw=1:nk=1 '" + path + "'";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    if (pipe)
        pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

Measured MeasureTone(const std::vector<int16_t>& samples, int sampleRate)
{
    Measured m;
    const size_t begin = samples.size() / 4, end = samples.size() * 3 / 4;
    if (end <= begin + 2)
        return m;
    double sumSquares = 0;
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = begin; i < end; ++i) {
        sumSquares += double(samples[i]) * samples[i];
        if (i > begin && samples[i - 1] < 0 && samples[i] >= 0) {
            const double at = double(i - 1) + double(-samples[i - 1]) / (double(samples[i]) - samples[i - 1]);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings > 1)
        m.frequency = (crossings - 1) * sampleRate / (last - first);
    m.levelDb = 20 * std::log10(std::sqrt(sumSquares / double(end - begin)) / 32768.0);
    return m;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace mediatest
