#include "plugin/BaxandAll.hpp"

#include "plugin/KneeLimit.hpp"
#include "plugin/TubeWaveshaper.hpp"

#include <algorithm>
#include <cmath>

namespace vf {

double BaxandAll::librarySine(double x)
{
    return std::sin(x);
}

BaxandAll::BandSplit BaxandAll::bandSplit(float bass, float treble, double sampleRate)
{
    BandSplit s;
    s.gBass = std::pow(10.0, (static_cast<double>(bass) * 30.0 - 15.0) / 20.0);
    s.gTreble = std::pow(10.0, (static_cast<double>(treble) * 30.0 - 15.0) / 20.0);
    s.fcBass = std::min(0.45, 4410.0 * s.gBass / sampleRate);
    s.fcTreble =
        std::min(0.45, 8820.0 * std::pow(10.0, (static_cast<double>(treble) * 30.0 - 15.0) / -20.0) / sampleRate);
    return s;
}

void BaxandAll::reset()
{
    bass = 0.5f;
    treble = 0.5f;
    for (ToneLowPass& r : records)
        r = ToneLowPass();
    phaseA = false;
}

void BaxandAll::processBaxandall2(const float* inL, float* outL, const float* inR, float* outR, int count,
                                  double sampleRate)
{
    const BandSplit split = bandSplit(bass, treble, sampleRate);
    const double gBass = split.gBass;
    const double gTreble = split.gTreble;

    for (Record r : {leftBassA, leftBassB, rightBassA, rightBassB}) {
        records[r].fc = split.fcBass;
        records[r].q = bassQ;
        records[r].design();
    }
    for (Record r : {leftTrebleA, leftTrebleB, rightTrebleA, rightTrebleB}) {
        records[r].fc = split.fcTreble;
        records[r].q = trebleQ;
        records[r].design();
    }

    const bool stereo = inR != nullptr && outR != nullptr;
    bool useA = phaseA;
    const float mHigh = morphHigh;
    const float mLow = morphLow;

    // One channel's path once its bass and treble records have run.
    auto shape = [&](double in, double bassOut, double trebleOut) {
        const float high = static_cast<float>((in - bassOut) * gBass);
        const float low = static_cast<float>(trebleOut * gTreble);
        const float lowShaped = cleanvacuumtubemorphing_optimised(mLow, low);
        const float highShaped = cleanvacuumtubemorphing_optimised(mHigh, high);
        const float y = kneeLimit(highShaped + lowShaped, 0.999f);
        return static_cast<float>(std::asin(static_cast<double>(y)));
    };

    for (int i = 0; i < count; ++i) {
        const double F = sine(static_cast<double>(inL[i]));
        const double G = stereo ? sine(static_cast<double>(inR[i])) : 0.0;

        const double kL = records[useA ? leftBassA : leftBassB].processSample(F);
        const double jL = records[useA ? leftTrebleA : leftTrebleB].processSample(F);
        double kR = 0.0, jR = 0.0;
        if (stereo) {
            kR = records[useA ? rightBassA : rightBassB].processSample(G);
            jR = records[useA ? rightTrebleA : rightTrebleB].processSample(G);
        }
        useA = !useA;

        outL[i] = shape(F, kL, jL);
        if (stereo)
            outR[i] = shape(G, kR, jR);
    }
    phaseA = useA;
}

} // namespace vf
