#include "platform/DllSearchPath.h"
#include "app/PluginHostApp.h"

// Before the framework starts: it and the audio back ends load DLLs by name.
[[maybe_unused]] static const bool dllSearchPathRestricted = DllSearchPath::restrictToSafeFolders();

START_JUCE_APPLICATION (PluginHostApp)
