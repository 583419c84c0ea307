#pragma once
#include "client/PluginCategory.hpp"
#include "client/PluginVersion.hpp"

#include <string>

namespace vf {

// Fixed description of a plug-in, answered by its buildPluginInfo hook.
struct PluginInfo {
    std::string vendorName;
    std::string vendorUniqueID; // four characters
    std::string vendorSupportEmail;
    std::string pluginName;
    std::string pluginHomepage; // absolute web address; base of every LV2 URI
    std::string pluginUniqueID; // four characters, printed in hexadecimal in LV2 URIs
    PluginVersion publicVersion;
    bool hasGUI = false;
    bool isSynth = false;
    bool receivesMIDI = false;
    bool sendsMIDI = false;
    PluginCategory category = PluginCategory::effectOther;
    std::string vstBundleIdentifier;
    std::string auBundleIdentifier;
    std::string aaxBundleIdentifier;
};

} // namespace vf
