#pragma once

#include "hosting/PluginLoader.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** Loads a VST 2.x module through the application's loader: 44100 Hz, 512 samples. Null,
    with the message the application would show in error, when it cannot.
*/
inline std::unique_ptr<juce::AudioPluginInstance> loadModule (const juce::String& path, juce::String& error)
{
    juce::AudioPluginFormatManager formats;
    formats.addDefaultFormats();

    auto loaded = PluginLoader::load (formats, juce::File (path));
    error = loaded.failureMessage;
    return std::move (loaded.instance);
}
