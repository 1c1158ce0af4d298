#include "app/PluginHostApp.h"

START_JUCE_APPLICATION (PluginHostApp)
