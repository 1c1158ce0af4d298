#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

/** Loads a VST 2.x module through the framework's hosting, as the application does: 44100 Hz,
    512 samples. Null, with the reason in error, when it cannot.
*/
inline std::unique_ptr<juce::AudioPluginInstance> loadModule (const juce::String& path, juce::String& error)
{
    juce::AudioPluginFormatManager formats;
    formats.addDefaultFormats();

    juce::PluginDescription description;
    description.pluginFormatName = "VST";
    description.fileOrIdentifier = path;

    return formats.createPluginInstance (description, 44100.0, 512, error);
}
