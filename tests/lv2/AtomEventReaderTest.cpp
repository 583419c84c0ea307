// The input event reader on its own: well-formed sequences and every kind of broken one.
#include "LV2TestHost.hpp"

#include "lv2/AtomEventReader.hpp"

#include <gtest/gtest.h>

#include <lv2/midi/midi.h>

#include <array>
#include <functional>

using namespace vf;
using namespace vf::test;

namespace {

using B = AtomSequenceBuilder;
using Midi = std::array<int, 4>; // offset, status, data1, data2

struct ReaderCase {
    const char* name;
    std::function<void(B&, TestHostFeatures&)> build;
    bool wantMidi;
    TimeInfo expected;
    std::vector<Midi> midi;
};

const TimeInfo start{120.0, 1000, true};

const ReaderCase cases[] = {
    {"MidiAndPosition",
     [](B& s, TestHostFeatures& h) {
         s.event(5, h.map(LV2_MIDI__MidiEvent), {0x90, 60, 100});
         s.event(-3, h.map(LV2_MIDI__MidiEvent), {0xC0, 7});
         s.position({B::f(LV2_TIME__beatsPerMinute, 90.0f), B::l(LV2_TIME__frame, 44100),
                     B::d(LV2_TIME__speed, 0.0)});
     },
     true, {90.0, 44100, false}, {{5, 0x90, 60, 100}, {0, 0xC0, 7, 0}}},
    {"NoMidiWanted", [](B& s, TestHostFeatures& h) { s.event(0, h.map(LV2_MIDI__MidiEvent), {0x90, 1, 2}); }, false,
     start, {}},
    {"MidiOfNoneOrFourBytesSkipped",
     [](B& s, TestHostFeatures& h) {
         s.event(0, h.map(LV2_MIDI__MidiEvent), {});
         s.event(0, h.map(LV2_MIDI__MidiEvent), {0xF0, 1, 2, 3});
         s.event(1, h.map(LV2_MIDI__MidiEvent), {0x80, 1, 0});
     },
     true, start, {{1, 0x80, 1, 0}}},
    {"WrongValueTypesAndOtherObjectsIgnored",
     [](B& s, TestHostFeatures& h) {
         s.position({{LV2_TIME__beatsPerMinute, LV2_ATOM__String, {'9', '9', 0, 0}},
                     {LV2_TIME__frame, LV2_ATOM__Double, {1, 2, 3, 4}}});
         s.event(0, h.map(LV2_ATOM__Object), B::raw(uint64_t{h.map(LV2_ATOM__URID)} << 32));
         s.event(0, h.map(LV2_ATOM__String), {'x', 0});
     },
     true, start, {}},
    {"EventClaimingPastTheSequence",
     [](B& s, TestHostFeatures& h) {
         s.event(0, h.map(LV2_ATOM__Object), std::vector<uint8_t>(16, 0), 0x7FFFFFF0);
         s.event(0, h.map(LV2_MIDI__MidiEvent), {0x90, 1, 2});
     },
     true, start, {}},
    {"ZeroSizedEventsStillAdvance",
     [](B& s, TestHostFeatures& h) {
         for (int i = 0; i < 4; ++i)
             s.event(0, h.map(LV2_ATOM__Object), {});
         s.position({B::i(LV2_TIME__beatsPerMinute, 140), B::d(LV2_TIME__frame, -7.9)}, LV2_ATOM__Blank);
     },
     true, {140.0, -7, true}, {}},
    {"PropertyValuePastItsObject",
     [](B& s, TestHostFeatures&) {
         s.position({B::d(LV2_TIME__beatsPerMinute, 77.0)});
         // The value atom's size: after the sequence, event, object body, key and context.
         const uint32_t big = 0x10000;
         std::memcpy(s.bytes().data() + 16 + 16 + 8 + 8, &big, 4);
     },
     true, start, {}},
    {"ObjectShorterThanItsHeader",
     [](B& s, TestHostFeatures& h) { s.event(0, h.map(LV2_ATOM__Object), {1, 2, 3, 4}); }, true, start, {}},
    {"SequenceClaimingLessThanAnEvent",
     [](B& s, TestHostFeatures&) {
         s.position({B::d(LV2_TIME__beatsPerMinute, 99.0)});
         s.claimSize(8 + 12);
     },
     true, start, {}},
    {"SequenceShorterThanItsBodyHeader", [](B& s, TestHostFeatures&) { s.claimSize(3); }, true, start, {}},
    {"HugeFrameSaturates",
     [](B& s, TestHostFeatures&) { s.position({B::d(LV2_TIME__frame, 1e300), B::l(LV2_TIME__speed, -1)}); }, true,
     {120.0, INT64_MAX, false}, {}},
};

class AtomEventReader : public testing::TestWithParam<ReaderCase> {};

TEST_P(AtomEventReader, YieldsOnlyWhatTheSequenceHolds)
{
    const ReaderCase& c = GetParam();
    TestHostFeatures host;
    B seq(host);
    c.build(seq, host);
    TimeInfo time = start;
    std::vector<Midi> midi;
    auto collect = [](void* to, const MidiMessage& m) {
        static_cast<std::vector<Midi>*>(to)->push_back({m.offset, m.status, m.data1, m.data2});
    };
    readEventSequence(*seq.data(), mapEventUrids(*host.uridMap()), time, c.wantMidi ? +collect : nullptr, &midi);
    EXPECT_EQ(time.tempoBpm, c.expected.tempoBpm);
    EXPECT_EQ(time.positionInSamples, c.expected.positionInSamples);
    EXPECT_EQ(time.isPlaying, c.expected.isPlaying);
    EXPECT_EQ(midi, c.midi);
}

INSTANTIATE_TEST_SUITE_P(Sequences, AtomEventReader, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<ReaderCase>& i) { return std::string(i.param.name); });

} // namespace
