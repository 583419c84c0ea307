#pragma once
#include "tests/support/FakeClient.hpp"
#include "client/BoolParameter.hpp"
#include "client/Client.hpp"
#include "client/GainParameter.hpp"
#include "client/LinearFloatParameter.hpp"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace vf::test {

// The features a minimal host gives: a URID map and, optionally, a block size.
class TestHostFeatures {
public:
    explicit TestHostFeatures(bool withOptions = true, int32_t maxBlock = 0)
    {
        list_.push_back(&mapFeature_);
        if (withOptions) {
            if (maxBlock > 0) {
                maxBlock_ = maxBlock;
                options_.insert(options_.begin(),
                                LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength),
                                                   sizeof(int32_t), map(LV2_ATOM__Int), &maxBlock_});
            }
            optionsFeature_.data = options_.data();
            list_.push_back(&optionsFeature_);
        }
        list_.push_back(nullptr);
    }
    TestHostFeatures(const TestHostFeatures&) = delete;

    const LV2_Feature* const* features() const { return list_.data(); }
    LV2_URID map(const char* uri)
    {
        auto [it, inserted] = ids_.emplace(uri, static_cast<LV2_URID>(ids_.size() + 1));
        return it->second;
    }
    const LV2_URID_Map* uridMap() const { return &map_; }

private:
    static LV2_URID mapThunk(LV2_URID_Map_Handle h, const char* uri) { return static_cast<TestHostFeatures*>(h)->map(uri); }

    std::map<std::string, LV2_URID> ids_;
    LV2_URID_Map map_{this, mapThunk};
    LV2_Feature mapFeature_{LV2_URID__map, &map_};
    int32_t maxBlock_ = 0;
    std::vector<LV2_Options_Option> options_{LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    LV2_Feature optionsFeature_{LV2_OPTIONS__options, options_.data()};
    std::vector<const LV2_Feature*> list_;
};

// Builds atom sequences byte by byte, including deliberately broken ones.
class AtomSequenceBuilder {
public:
    explicit AtomSequenceBuilder(TestHostFeatures& host) : host_(host)
    {
        bytes_.resize(sizeof(LV2_Atom_Sequence));
        header().atom.type = host.map(LV2_ATOM__Sequence);
        header().atom.size = sizeof(LV2_Atom_Sequence_Body);
    }

    // A time:Position object with the given (key, type, value bytes) properties.
    struct Property {
        const char* key;
        const char* type;
        std::vector<uint8_t> value;
    };
    static Property d(const char* key, double v) { return {key, LV2_ATOM__Double, raw(v)}; }
    static Property f(const char* key, float v) { return {key, LV2_ATOM__Float, raw(v)}; }
    static Property i(const char* key, int32_t v) { return {key, LV2_ATOM__Int, raw(v)}; }
    static Property l(const char* key, int64_t v) { return {key, LV2_ATOM__Long, raw(v)}; }

    AtomSequenceBuilder& position(std::vector<Property> props, const char* objectType = LV2_ATOM__Object)
    {
        std::vector<uint8_t> body;
        append(body, raw(uint32_t{0}));
        append(body, raw(host_.map(LV2_TIME__Position)));
        for (const Property& p : props) {
            append(body, raw(host_.map(p.key)));
            append(body, raw(uint32_t{0}));
            append(body, raw(static_cast<uint32_t>(p.value.size())));
            append(body, raw(host_.map(p.type)));
            append(body, p.value);
            body.resize((body.size() + 7) & ~size_t{7}, 0);
        }
        return event(0, host_.map(objectType), body);
    }

    AtomSequenceBuilder& event(int64_t frames, LV2_URID type, const std::vector<uint8_t>& body,
                               int64_t claimedSize = -1)
    {
        append(bytes_, raw(frames));
        append(bytes_, raw(static_cast<uint32_t>(claimedSize >= 0 ? claimedSize : int64_t(body.size()))));
        append(bytes_, raw(type));
        append(bytes_, body);
        bytes_.resize((bytes_.size() + 7) & ~size_t{7}, 0);
        header().atom.size = static_cast<uint32_t>(bytes_.size() - sizeof(LV2_Atom));
        return *this;
    }

    // Lies about the sequence size (for the malformed-input tests).
    AtomSequenceBuilder& claimSize(uint32_t size)
    {
        header().atom.size = size;
        return *this;
    }

    // The finished buffer; exactly as long as what was built, so that any read
    // beyond it is caught by the address sanitizer.
    LV2_Atom_Sequence* data() { return reinterpret_cast<LV2_Atom_Sequence*>(bytes_.data()); }
    std::vector<uint8_t>& bytes() { return bytes_; }

    template <typename T>
    static std::vector<uint8_t> raw(T v)
    {
        std::vector<uint8_t> out(sizeof(T));
        std::memcpy(out.data(), &v, sizeof(T));
        return out;
    }

private:
    static void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& from)
    {
        to.insert(to.end(), from.begin(), from.end());
    }
    LV2_Atom_Sequence& header() { return *reinterpret_cast<LV2_Atom_Sequence*>(bytes_.data()); }

    TestHostFeatures& host_;
    std::vector<uint8_t> bytes_;
};

// A client with two parameters that doubles its input into its outputs.
class ProbeClient : public FakeClient {
public:
    ProbeClient() { copyInToOut = true; }

    PluginInfo buildPluginInfo() override
    {
        PluginInfo info;
        info.pluginHomepage = "https://example.test/";
        info.pluginUniqueID = "PRBE";
        info.hasGUI = true;
        return info;
    }
    std::vector<std::unique_ptr<Parameter>> buildParameters() override
    {
        std::vector<std::unique_ptr<Parameter>> p;
        p.push_back(std::make_unique<LinearFloatParameter>(0, "A", "", 0.0, 1.0, 0.5));
        p.push_back(std::make_unique<BoolParameter>(1, "B", false));
        return p;
    }
    int latencySamples(double rate) override { return static_cast<int>(rate) % 1000; }
};

} // namespace vf::test
