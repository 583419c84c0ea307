#pragma once
#include "client/LegalIO.hpp"
#include "client/PluginCategory.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Exported: the plug-in's LV2 manifest (Turtle).  Returns the full length of the
// text; copies min(length, manifestBufLen) bytes when manifestBuf is not null.
// No terminating zero is written.  Called once by packaging tools, single thread.
extern "C" __attribute__((visibility("default"))) int GenerateManifestFromClient(char* manifestBuf, int manifestBufLen,
                                                                                const char* binaryFileName,
                                                                                int binaryFileNameLen);

namespace vf {

class Client;
class Parameter;

// The complete manifest text describing client, its layouts, presets and editor.
std::string buildManifest(Client& client, std::string_view binaryFileName);

// ", lv2:<Class>" for a known category, empty otherwise.
std::string lv2PluginCategory(PluginCategory category);
// A quoted Turtle string literal.
std::string escapeRDFString(std::string_view text);
// An IRI in angle brackets, without the characters an IRI may not hold.
std::string escapeRDF_IRI2(std::string_view text);
// The "lv2:port" list of one channel layout.
std::string buildParamPortConfiguration(const std::vector<std::unique_ptr<Parameter>>& params, LegalIO io,
                                        bool receivesMIDI, bool sendsMIDI);

} // namespace vf
