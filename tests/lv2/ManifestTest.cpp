#include "LV2TestHost.hpp"

#include "lv2/ManifestGenerator.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

using namespace vf;
using namespace vf::test;

namespace {

std::string generate(const char* file = "Velmorin-Free.so")
{
    int n = GenerateManifestFromClient(nullptr, 0, file, static_cast<int>(std::strlen(file)));
    std::string text(static_cast<size_t>(n), '\0');
    EXPECT_EQ(GenerateManifestFromClient(text.data(), n, file, static_cast<int>(std::strlen(file))), n);
    return text;
}

std::string golden()
{
    const char* dir = std::getenv("VF_SOURCE_DIR");
    std::ifstream in(std::string(dir ? dir : ".") + "/tests/lv2/manifest.golden.ttl", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class ConfigurableClient : public ProbeClient {
public:
    PluginInfo info = ProbeClient::buildPluginInfo();
    std::vector<std::unique_ptr<Parameter>> extra;
    PluginInfo buildPluginInfo() override { return info; }
};

} // namespace

TEST(Manifest, MatchesGoldenTextExactly)
{
    const std::string expected = golden();
    ASSERT_FALSE(expected.empty()) << "golden file not found (VF_SOURCE_DIR)";
    EXPECT_EQ(generate(), expected);
}

TEST(Manifest, DescribesTwoPluginsOnePresetOneEditor)
{
    const std::string text = generate();
    EXPECT_EQ(count(text, "\nvendor:mono\n"), 1u);
    EXPECT_EQ(count(text, "\nvendor:stereo\n"), 1u);
    EXPECT_EQ(count(text, "\nvendor:preset0\n"), 1u);
    EXPECT_EQ(count(text, "\nvendor:ui\n"), 1u);
    EXPECT_EQ(count(text, "rsz:"), 0u);
    EXPECT_EQ(count(text, "lv2_events_out"), 0u);
    EXPECT_EQ(count(text, "lv2:symbol \"input_6\""), 2u);
    EXPECT_EQ(count(text, "lv2:symbol \"input_7\""), 1u);
    EXPECT_EQ(count(text, "lv2:appliesTo vendor:mono , vendor:stereo . \n"), 1u);
}

TEST(Manifest, MeasuringWritesNothingAndShortBufferIsBounded)
{
    const std::string full = generate();
    const int n = static_cast<int>(full.size());
    EXPECT_EQ(GenerateManifestFromClient(nullptr, 0, "Velmorin-Free.so", 16), n);
    std::string small(40, '#');
    small += "GUARD";
    EXPECT_EQ(GenerateManifestFromClient(small.data(), 40, "Velmorin-Free.so", 16), n);
    EXPECT_EQ(small.substr(0, 40), full.substr(0, 40));
    EXPECT_EQ(small.substr(40), "GUARD");
    EXPECT_EQ(GenerateManifestFromClient(small.data(), -5, "Velmorin-Free.so", 16), n);
    EXPECT_EQ(small.substr(0, 40), full.substr(0, 40));
}

TEST(Manifest, BinaryNameIsLengthCountedAndEscaped)
{
    const char name[] = "My Lib<1>.soTRAILING";
    int n = GenerateManifestFromClient(nullptr, 0, name, 12);
    std::string text(static_cast<size_t>(n), '\0');
    GenerateManifestFromClient(text.data(), n, name, 12);
    EXPECT_NE(text.find("lv2:binary <MyLib1.so> ;"), std::string::npos);
    EXPECT_NE(text.find("ui:binary <MyLib1.so> .\n"), std::string::npos);
    EXPECT_EQ(text.find("TRAILING"), std::string::npos);
}

TEST(ManifestEscaping, StringLiteralsEscapeQuotesAndControls)
{
    EXPECT_EQ(escapeRDFString("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(escapeRDFString("\b\t\n\f\r'\\"), "\"\\b\\t\\n\\f\\r\\'\\\\\"");
    EXPECT_EQ(escapeRDFString("\xC3\xA9"), "\"\xC3\xA9\"");
}

TEST(ManifestEscaping, IrisDropForbiddenCharacters)
{
    EXPECT_EQ(escapeRDF_IRI2("https://a b/\"<>\\^`{|}x\x01\x7F\x80"), "<https://ab/x\x7F\x80>");
    EXPECT_EQ(escapeRDF_IRI2(std::string_view("a\0b", 3)), "<ab>");
}

TEST(ManifestCategory, MapsEveryValue)
{
    EXPECT_EQ(lv2PluginCategory(PluginCategory::effectDynamics), ", lv2:DynamicsPlugin");
    EXPECT_EQ(lv2PluginCategory(PluginCategory::effectAnalysisAndMetering), ", lv2:AnalyserPlugin");
    EXPECT_EQ(lv2PluginCategory(PluginCategory::effectOther), ", lv2:UtilityPlugin");
    for (int v : {10, 11, 12, 13})
        EXPECT_EQ(lv2PluginCategory(static_cast<PluginCategory>(v)), ", lv2:InstrumentPlugin");
    EXPECT_EQ(lv2PluginCategory(static_cast<PluginCategory>(14)), "");
    EXPECT_EQ(lv2PluginCategory(static_cast<PluginCategory>(-1)), "");
}

TEST(ManifestBuilder, EscapesNamesAndHomepageFromTheClient)
{
    auto* c = new ConfigurableClient;
    c->info.pluginHomepage = "https://ex ample.test/";
    c->info.pluginName = "Say \"hi\"";
    c->info.category = static_cast<PluginCategory>(20);
    c->info.sendsMIDI = true;
    c->info.receivesMIDI = true;
    c->initialize();
    const std::string text = buildManifest(*c, "lib.so");
    EXPECT_NE(text.find("@prefix vendor: <https://example.test/50524245#>.\n"), std::string::npos);
    EXPECT_NE(text.find("doap:name \"Say \\\"hi\\\"\" ;"), std::string::npos);
    EXPECT_NE(text.find("    a lv2:Plugin ;\n"), std::string::npos);
    EXPECT_NE(text.find("@prefix rsz:  <http://lv2plug.in/ns/ext/resize-port#>.\n"), std::string::npos);
    EXPECT_NE(text.find("lv2:symbol \"lv2_events_out\""), std::string::npos);
    EXPECT_NE(text.find("atom:supports <http://lv2plug.in/ns/ext/midi#MidiEvent> ;"), std::string::npos);
    EXPECT_NE(text.find("lv2:default 0.5 ;"), std::string::npos);
    // Mono: events in at 5, out at 6; stereo: 7 and 8.
    EXPECT_NE(text.find("lv2:index 6;\n        lv2:symbol \"lv2_events_out\""), std::string::npos);
    EXPECT_NE(text.find("lv2:index 8;\n        lv2:symbol \"lv2_events_out\""), std::string::npos);
    delete c;
}

TEST(ManifestBuilder, NonAutomatableParameterCarriesProperty)
{
    auto* c = Client::create<ProbeClient>();
    c->param(1).nonAutomatable();
    const std::string text = buildParamPortConfiguration(c->params(), LegalIO{0, 0}, false, false);
    EXPECT_EQ(count(text, "<http://kxstudio.sf.net/ns/lv2ext/props#NonAutomable>"), 1u);
    EXPECT_EQ(count(text, "latency"), 0u); // no outputs, no latency port
    EXPECT_NE(text.find("lv2:index 2;\n        lv2:symbol \"lv2_events_in\""), std::string::npos);
    delete c;
}
