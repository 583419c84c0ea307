#pragma once

#include "plugin/ToneLowPass.hpp"

namespace vf {

// The tube stage: each channel enters through a sine, is split into two bands by pairs of
// low-pass records, each band is saturated by the morphing waveshaper, the sum is limited
// just below full scale and leaves through an arc sine.  Two record sets (A and B) take
// alternate samples and never exchange state.
// Audio thread: no allocation, no locks.
class BaxandAll {
public:
    float bass = 0.5f;      // 0..1, 0.5 is neutral
    float treble = 0.5f;    // 0..1, 0.5 is neutral
    float morphLow = 0.0f;  // waveshaper morph of the low band, 0..1
    float morphHigh = 0.0f; // waveshaper morph of the high band, 0..1
    // The sine each sample enters through: the C library's unless a test substitutes
    // another implementation of the same precision.
    double (*sine)(double) = &librarySine;

    static double librarySine(double x);

    // The band split the tone controls give at a sample rate: the gains applied to the
    // high and low band and the records' normalised cutoffs.  Any thread; pure.
    struct BandSplit {
        double gBass, gTreble, fcBass, fcTreble;
    };
    static BandSplit bandSplit(float bass, float treble, double sampleRate);
    static constexpr double bassQ = 0.4;
    static constexpr double trebleQ = 0.2;

    // Neutral controls, and all records and the set selector to zero.
    void reset();

    // Processes `count` samples of both channels; in and out may be the same buffer.
    // inR/outR may both be null to run the left channel alone (the right records are
    // then left untouched).  sampleRate only scales the cutoffs.
    void processBaxandall2(const float* inL, float* outL, const float* inR, float* outR, int count,
                           double sampleRate);

private:
    enum Record { leftBassA, leftBassB, leftTrebleA, leftTrebleB, rightBassA, rightBassB, rightTrebleA, rightTrebleB };
    ToneLowPass records[8] = {};
    bool phaseA = false;
};

} // namespace vf
