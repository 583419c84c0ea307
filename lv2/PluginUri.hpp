#pragma once
#include "client/LegalIO.hpp"
#include "client/PluginInfo.hpp"

#include <cstddef>

namespace vf {

// LV2 URIs formed from the homepage and the four unique-ID bytes; the runtime
// descriptors and the manifest both use these, so they always agree.
// Each writes at most size - 1 characters and terminates.

// homepage + "515A504E" + "#mono" / "#stereo" / "#in<i>out<o>".
void sprintPluginURI_IO(char* buffer, size_t size, const PluginInfo& info, LegalIO io);
// homepage + hex ID + "#ui".
void sprintPluginURI_UI(char* buffer, size_t size, const PluginInfo& info);
// homepage + hex ID + "#": the manifest's vendor namespace.
void sprintVendorNamespace(char* buffer, size_t size, const PluginInfo& info);

} // namespace vf
