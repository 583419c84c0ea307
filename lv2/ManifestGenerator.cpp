#include "lv2/ManifestGenerator.hpp"

#include "client/Client.hpp"
#include "core/ScopedFloatState.hpp"
#include "lv2/LV2Entry.hpp"
#include "lv2/PluginUri.hpp"

#include <lv2/instance-access/instance-access.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <cstdio>
#include <cstring>

namespace vf {

namespace {

std::string layoutLocalName(LegalIO io)
{
    if (io.numInputs == 1 && io.numOutputs == 1)
        return "vendor:mono";
    if (io.numInputs == 2 && io.numOutputs == 2)
        return "vendor:stereo";
    char buf[64];
    std::snprintf(buf, sizeof buf, "vendor:in%dout%d", io.numInputs, io.numOutputs);
    return buf;
}

std::string intText(int v) { return std::to_string(v); }

} // namespace

std::string lv2PluginCategory(PluginCategory category)
{
    static const char* const names[] = {"AnalyserPlugin", "DelayPlugin",   "DistortionPlugin", "DynamicsPlugin",
                                        "EQPlugin",       "SpatialPlugin", "ModulatorPlugin",  "PitchPlugin",
                                        "ReverbPlugin",   "UtilityPlugin", "InstrumentPlugin", "InstrumentPlugin",
                                        "InstrumentPlugin", "InstrumentPlugin"};
    int32_t v = static_cast<int32_t>(category);
    if (v < 0 || v > 13)
        return "";
    return std::string(", lv2:") + names[v];
}

std::string escapeRDFString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\'': out += "\\'"; break;
        case '\\': out += "\\\\"; break;
        default: out += c; break;
        }
    }
    out += '"';
    return out;
}

std::string escapeRDF_IRI2(std::string_view text)
{
    std::string out = "<";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || std::strchr("\"<>\\^`{|}", c) != nullptr)
            continue;
        out += c;
    }
    out += '>';
    return out;
}

std::string buildParamPortConfiguration(const std::vector<std::unique_ptr<Parameter>>& params, LegalIO io,
                                        bool receivesMIDI, bool sendsMIDI)
{
    std::string s = "    lv2:port\n";
    const int P = static_cast<int>(params.size());
    for (int k = 0; k < P; ++k) {
        Parameter& p = *params[static_cast<size_t>(k)];
        // Hosts have always read at most nine characters here; keep the cut (made
        // after formatting, so that no compiler sees a truncating snprintf).
        char def[32];
        std::snprintf(def, sizeof def, "%g", p.getNormalized());
        def[9] = '\0';
        s += "    [\n";
        s += "        a lv2:InputPort , lv2:ControlPort ;\n";
        s += "        lv2:index " + intText(k) + " ;\n";
        s += "        lv2:symbol \"p" + intText(k) + "\" ;\n";
        s += "        lv2:name " + escapeRDFString(p.name()) + " ;\n";
        s += std::string("        lv2:default ") + def + " ;\n";
        s += "        lv2:minimum 0.0 ;\n";
        s += "        lv2:maximum 1.0 ;\n";
        if (!p.isAutomatable())
            s += "        lv2:portProperty <http://kxstudio.sf.net/ns/lv2ext/props#NonAutomable> ;\n";
        s += "    ] ,\n";
    }
    for (int i = 0; i < io.numInputs; ++i) {
        s += "    [\n";
        s += "        a lv2:AudioPort , lv2:InputPort ;\n";
        s += "        lv2:index " + intText(P + i) + ";\n";
        s += "        lv2:symbol \"input_" + intText(P + i) + "\" ;\n";
        s += "        lv2:name \"Input" + intText(P + i) + "\" ;\n";
        s += "    ] ,\n";
    }
    for (int i = 0; i < io.numOutputs; ++i) {
        s += "    [\n";
        s += "        a lv2:AudioPort , lv2:OutputPort ;\n";
        s += "        lv2:index " + intText(P + io.numInputs + i) + ";\n";
        s += "        lv2:symbol \"output_" + intText(i) + "\" ;\n";
        s += "        lv2:name \"Output" + intText(i) + "\" ;\n";
        s += "    ] ,\n";
    }
    int index = P + io.numInputs + io.numOutputs;
    if (io.numOutputs > 0) {
        s += "    [\n";
        s += "        a lv2:ControlPort , lv2:OutputPort ;\n";
        s += "        lv2:index " + intText(index) + ";\n";
        s += "        lv2:designation lv2:latency ;\n";
        s += "        lv2:symbol \"latency\" ;\n";
        s += "        lv2:name \"Latency\" ;\n";
        s += "        lv2:portProperty lv2:reportsLatency, lv2:connectionOptional, pprops:notOnGUI ;\n";
        s += "    ] ,\n";
        ++index;
    }
    s += "    [\n";
    s += "        a lv2:InputPort, atom:AtomPort ;\n";
    s += "        atom:bufferType atom:Sequence ;\n";
    s += "        lv2:portProperty lv2:connectionOptional ;\n";
    if (receivesMIDI)
        s += "        atom:supports <" LV2_MIDI__MidiEvent "> ;\n";
    s += "        atom:supports <" LV2_TIME__Position "> ;\n";
    s += "        lv2:designation lv2:control ;\n";
    s += "        lv2:index " + intText(index) + ";\n";
    s += "        lv2:symbol \"lv2_events_in\" ;\n";
    s += "        lv2:name \"Events Input\"\n";
    s += "    ]";
    ++index;
    if (sendsMIDI) {
        s += " ,\n";
        s += "    [\n";
        s += "        a lv2:OutputPort, atom:AtomPort ;\n";
        s += "        atom:bufferType atom:Sequence ;\n";
        s += "        lv2:portProperty lv2:connectionOptional ;\n";
        s += "        atom:supports <" LV2_MIDI__MidiEvent "> ;\n";
        s += "        lv2:designation lv2:control ;\n";
        s += "        lv2:index " + intText(index) + ";\n";
        s += "        lv2:symbol \"lv2_events_out\" ;\n";
        s += "        lv2:name \"Events Output\" ;\n";
        s += "        rsz:minimumSize 2048 ;\n";
        s += "    ] .\n";
    } else {
        s += " .\n";
    }
    return s;
}

std::string buildManifest(Client& client, std::string_view binaryFileName)
{
    const PluginInfo& info = client.pluginInfo();
    char vendorNamespace[256];
    sprintVendorNamespace(vendorNamespace, sizeof vendorNamespace, info);
    const std::string category = lv2PluginCategory(info.category);
    const std::string binary = escapeRDF_IRI2(binaryFileName);
    const std::string pluginName = escapeRDFString(info.pluginName);
    const std::string vendorName = escapeRDFString(info.vendorName);

    std::string s;
    s += "@prefix lv2:  <http://lv2plug.in/ns/lv2core#>.\n";
    s += "@prefix atom: <http://lv2plug.in/ns/ext/atom#>.\n";
    s += "@prefix doap: <http://usefulinc.com/ns/doap#>.\n";
    s += "@prefix foaf: <http://xmlns.com/foaf/0.1/>.\n";
    s += "@prefix rdf:  <http://www.w3.org/1999/02/22-rdf-syntax-ns#>.\n";
    s += "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#>.\n";
    s += "@prefix urid: <http://lv2plug.in/ns/ext/urid#>.\n";
    s += "@prefix ui:   <http://lv2plug.in/ns/extensions/ui#>.\n";
    s += "@prefix pset: <http://lv2plug.in/ns/ext/presets#>.\n";
    s += "@prefix opts: <http://lv2plug.in/ns/ext/options#>.\n";
    if (info.sendsMIDI)
        s += "@prefix rsz:  <http://lv2plug.in/ns/ext/resize-port#>.\n";
    s += "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#>.\n";
    s += "@prefix vendor: " + escapeRDF_IRI2(vendorNamespace) + ".\n";
    s += "\n";

    for (const LegalIO& io : client.legalIOs()) {
        s += layoutLocalName(io) + "\n";
        s += "    a lv2:Plugin" + category + " ;\n";
        s += "    lv2:binary " + binary + " ;\n";
        s += "    doap:name " + pluginName + " ;\n";
        s += "    doap:maintainer [ foaf:name " + vendorName + " ] ;\n";
        s += "    lv2:requiredFeature opts:options ,\n";
        s += "                        urid:map ;\n";
        if (info.hasGUI)
            s += "    ui:ui vendor:ui;\n";
        s += buildParamPortConfiguration(client.params(), io, info.receivesMIDI, info.sendsMIDI);
    }

    PresetBank& bank = client.presetBank();
    for (int k = 0; k < bank.numPresets(); ++k) {
        const Preset& preset = bank.preset(k);
        s += "\nvendor:preset" + intText(k) + "\n";
        s += "        a pset:Preset ;\n";
        s += "        rdfs:label " + escapeRDFString(preset.name()) + " ;\n";
        s += "        lv2:port [\n";
        const std::vector<float>& values = preset.normalizedValues();
        for (size_t j = 0; j < values.size(); ++j) {
            char value[32];
            std::snprintf(value, sizeof value, "%g", static_cast<double>(values[j]));
            s += "            lv2:symbol \"p" + std::to_string(j) + "\"; pset:value " + value + " \n";
            s += j + 1 < values.size() ? "        ] , [\n" : "        ] ;\n";
        }
        s += "        lv2:appliesTo ";
        const std::vector<LegalIO>& ios = client.legalIOs();
        for (size_t i = 0; i < ios.size(); ++i) {
            if (i > 0)
                s += " , ";
            s += layoutLocalName(ios[i]);
        }
        s += " . \n";
    }

    if (info.hasGUI) {
        s += "\nvendor:ui\n";
        s += "    a ui:X11UI;\n";
        s += "    lv2:optionalFeature ui:noUserResize ,\n";
        s += "                        ui:resize ,\n";
        s += "                        ui:touch ;\n";
        s += "    lv2:requiredFeature opts:options ,\n";
        s += "                        urid:map ,\n";
        s += "                        <" LV2_INSTANCE_ACCESS_URI "> ;\n";
        s += "    lv2:extensionData ui:idleInterface ;\n";
        s += "    ui:binary " + binary + " .\n";
    }
    return s;
}

} // namespace vf

extern "C" int GenerateManifestFromClient(char* manifestBuf, int manifestBufLen, const char* binaryFileName,
                                          int binaryFileNameLen)
{
    vf::ScopedFloatState floatState;
    try {
        std::string_view fileName;
        if (binaryFileName != nullptr && binaryFileNameLen > 0)
            fileName = std::string_view(binaryFileName, static_cast<size_t>(binaryFileNameLen));
        std::unique_ptr<vf::Client> client(vf::createPluginClient());
        const std::string text = vf::buildManifest(*client, fileName);
        // Never write past the caller's buffer; the return value tells it how much it needed.
        if (manifestBuf != nullptr && manifestBufLen > 0) {
            size_t n = text.size() < static_cast<size_t>(manifestBufLen) ? text.size() : static_cast<size_t>(manifestBufLen);
            std::memcpy(manifestBuf, text.data(), n);
        }
        return static_cast<int>(text.size());
    } catch (...) {
        return 0;
    }
}
