#pragma once
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>

// The library's exported entry points.  Each builds the process-wide descriptor
// tables on first use; nothing here throws or crashes into the host.
extern "C" {
// Discovery class.  Null past the last descriptor.
__attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index);
// Discovery class.  Null past the last descriptor.
__attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index);
}

namespace vf {

class Client;

// A new, initialized client of the plug-in class.
Client* createPluginClient();

} // namespace vf
