// Command-line helper of the host-level sound tests: runs the engine directly over raw
// interleaved 32-bit float audio, and measures levels of such audio.  Every input file may
// also be a 32-bit float WAV file.
//
//   sound_probe render RATE CHANNELS IN.f32 OUT.f32 [p0=dB] [p1=0|1] [p2=%] [p3=%] [p4=0|1] [p5=dB]
//   sound_probe levels RATE CHANNELS FUNDAMENTAL FILE.f32
//       prints per channel: "ch<k> finite=<0|1> rms_db=<x> h1_db=<x> ... h5_db=<x>"
//       (levels over the last whole cycles of the second half of the file)
//   sound_probe compare CHANNELS A.f32 B.f32
//       prints "max_abs_diff=<x> rms_a_db=<x> rms_b_db=<x>"
//   sound_probe summary FILE.f32
//       prints "finite=<0|1> peak_db=<x> rms_db=<x>" over all samples
//   sound_probe scale FACTOR IN.f32 OUT.f32
//       writes the samples times FACTOR as raw floats (sox clips float input beyond full
//       scale, so louder-than-full-scale renders are scaled here before sox sees them)
#include "plugin/TubeEngine.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace {

uint32_t le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A 32-bit float WAV's samples, read directly: converting such a file with sox would clip
// every sample beyond full scale, and the plug-in's output goes beyond it.
bool parseFloatWav(const std::vector<unsigned char>& bytes, std::vector<float>& data)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    bool isFloat = false;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const uint32_t size = le32(bytes.data() + pos + 4);
        const size_t body = pos + 8;
        const size_t available = std::min<size_t>(size, bytes.size() - body);
        if (std::memcmp(bytes.data() + pos, "fmt ", 4) == 0 && available >= 16) {
            const unsigned tag = bytes[body] | (bytes[body + 1] << 8);
            const unsigned bits = bytes[body + 14] | (bytes[body + 15] << 8);
            isFloat = bits == 32 && (tag == 3 || (tag == 0xFFFE && available >= 26 && bytes[body + 24] == 3));
        } else if (std::memcmp(bytes.data() + pos, "data", 4) == 0) {
            if (!isFloat)
                return false;
            data.resize(available / sizeof(float));
            std::memcpy(data.data(), bytes.data() + body, data.size() * sizeof(float));
            return true;
        }
        pos = body + size + (size & 1);
    }
    return false;
}

// Raw interleaved floats, or a 32-bit float WAV file.
bool readRaw(const char* path, std::vector<float>& data)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0)
        return parseFloatWav(bytes, data);
    data.resize(bytes.size() / sizeof(float));
    std::memcpy(data.data(), bytes.data(), data.size() * sizeof(float));
    return true;
}

bool writeRaw(const char* path, const std::vector<float>& data)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data.data(), sizeof(float), data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

double toDb(double amplitude)
{
    return amplitude > 0 ? 20.0 * std::log10(amplitude) : -999.0;
}

std::vector<float> channel(const std::vector<float>& interleaved, int channels, int k)
{
    std::vector<float> out(interleaved.size() / static_cast<size_t>(channels));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = interleaved[i * static_cast<size_t>(channels) + static_cast<size_t>(k)];
    return out;
}

int render(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    const double rate = std::atof(argv[2]);
    const int channels = std::atoi(argv[3]);
    if (channels < 1 || channels > 2)
        return 2;
    vf::EngineControls controls;
    for (int a = 6; a < argc; ++a) {
        const char* arg = argv[a];
        if (std::strlen(arg) < 4 || arg[0] != 'p' || arg[2] != '=')
            return 2;
        const double v = std::string(arg + 3) == "-inf" ? -INFINITY : std::atof(arg + 3);
        switch (arg[1]) {
        case '0': controls.inputGainDb = v; break;
        case '1': controls.edge = v != 0; break;
        case '2': controls.tubeHigh = v; break;
        case '3': controls.tubeLow = v; break;
        case '4': controls.brilliance = v != 0; break;
        case '5': controls.outputGainDb = v; break;
        default: return 2;
        }
    }
    std::vector<float> in;
    if (!readRaw(argv[4], in))
        return 1;
    const size_t frames = in.size() / static_cast<size_t>(channels);
    std::vector<std::vector<float>> planarIn(2), planarOut(2, std::vector<float>(frames));
    for (int c = 0; c < channels; ++c)
        planarIn[static_cast<size_t>(c)] = channel(in, channels, c);

    const int chunk = 512;
    vf::TubeEngine engine;
    engine.reset(rate, chunk);
    for (size_t pos = 0; pos < frames; pos += chunk) {
        const int n = static_cast<int>(std::min<size_t>(chunk, frames - pos));
        const float* ins[2] = {nullptr, nullptr};
        float* outs[2] = {nullptr, nullptr};
        for (int c = 0; c < channels; ++c) {
            ins[c] = planarIn[static_cast<size_t>(c)].data() + pos;
            outs[c] = planarOut[static_cast<size_t>(c)].data() + pos;
        }
        engine.processAudio(ins, outs, channels, channels, n, controls);
    }
    std::vector<float> out(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = planarOut[static_cast<size_t>(c)][i];
    return writeRaw(argv[5], out) ? 0 : 1;
}

double toneAmplitude(const std::vector<float>& x, size_t first, size_t count, double frequency, double rate)
{
    std::complex<double> sum = 0.0;
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    for (size_t i = 0; i < count; ++i)
        sum += static_cast<double>(x[first + i]) * std::polar(1.0, -w * static_cast<double>(i));
    return 2.0 * std::abs(sum) / static_cast<double>(count);
}

int levels(int argc, char** argv)
{
    if (argc != 6)
        return 2;
    const double rate = std::atof(argv[2]);
    const int channels = std::atoi(argv[3]);
    const double fundamental = std::atof(argv[4]);
    std::vector<float> data;
    if (channels < 1 || fundamental <= 0 || rate <= 0 || !readRaw(argv[5], data))
        return 2;
    for (int c = 0; c < channels; ++c) {
        const std::vector<float> x = channel(data, channels, c);
        bool finite = true;
        for (float v : x)
            finite = finite && std::isfinite(v);
        // Whole cycles from the second half, so transients at the start do not count.
        const double period = rate / fundamental;
        const size_t half = x.size() / 2;
        const size_t cycles = static_cast<size_t>(static_cast<double>(x.size() - half) / period);
        size_t count = static_cast<size_t>(std::floor(static_cast<double>(cycles) * period));
        const size_t first = x.size() - count;
        double energy = 0;
        for (size_t i = first; i < x.size(); ++i)
            energy += static_cast<double>(x[i]) * x[i];
        const double rms = count ? std::sqrt(energy / static_cast<double>(count)) : 0.0;
        std::printf("ch%d finite=%d rms_db=%.3f", c, finite ? 1 : 0, toDb(rms));
        for (int h = 1; h <= 5; ++h) {
            const double a = count && h * fundamental < rate / 2 ? toneAmplitude(x, first, count, h * fundamental, rate) : 0.0;
            std::printf(" h%d_db=%.3f", h, toDb(a));
        }
        std::printf("\n");
    }
    return 0;
}

int compare(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    std::vector<float> a, b;
    if (!readRaw(argv[3], a) || !readRaw(argv[4], b) || a.size() != b.size() || a.empty())
        return 1;
    double maxDiff = 0, ea = 0, eb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = std::fabs(static_cast<double>(a[i]) - b[i]);
        maxDiff = std::isfinite(d) ? std::max(maxDiff, d) : INFINITY;
        ea += static_cast<double>(a[i]) * a[i];
        eb += static_cast<double>(b[i]) * b[i];
    }
    const double n = static_cast<double>(a.size());
    std::printf("max_abs_diff=%.9g rms_a_db=%.4f rms_b_db=%.4f\n", maxDiff, toDb(std::sqrt(ea / n)), toDb(std::sqrt(eb / n)));
    return 0;
}

int summary(int argc, char** argv)
{
    std::vector<float> data;
    if (argc != 3 || !readRaw(argv[2], data) || data.empty())
        return 2;
    bool finite = true;
    double peak = 0, energy = 0;
    for (float v : data) {
        finite = finite && std::isfinite(v);
        peak = std::max(peak, std::fabs(static_cast<double>(v)));
        energy += static_cast<double>(v) * v;
    }
    std::printf("finite=%d peak_db=%.2f rms_db=%.2f\n", finite ? 1 : 0, toDb(peak),
                toDb(std::sqrt(energy / static_cast<double>(data.size()))));
    return 0;
}

int scale(int argc, char** argv)
{
    std::vector<float> data;
    if (argc != 5 || !readRaw(argv[3], data))
        return 2;
    const float factor = static_cast<float>(std::atof(argv[2]));
    for (float& v : data)
        v *= factor;
    return writeRaw(argv[4], data) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    int result = 2;
    if (mode == "render")
        result = render(argc, argv);
    else if (mode == "levels")
        result = levels(argc, argv);
    else if (mode == "compare")
        result = compare(argc, argv);
    else if (mode == "summary")
        result = summary(argc, argv);
    else if (mode == "scale")
        result = scale(argc, argv);
    if (result == 2)
        std::fprintf(stderr, "usage: see the comment at the top of SoundProbe.cpp\n");
    return result;
}
