// The library's one entry point: the host asks for plugin 0, the only one.
#include <vamp-sdk/PluginAdapter.h>

#include "vamp/kavrin_plugin.h"

extern "C" const VampPluginDescriptor* vampGetPluginDescriptor(unsigned int version,
                                                               unsigned int index) {
    // The adapter only describes the plugin and makes instances; each instance holds its own
    // analysis.
    static Vamp::PluginAdapter<CKavrinPlugin> adapter;
    if (version < 1 || index != 0) return nullptr;
    return adapter.getDescriptor();
}
