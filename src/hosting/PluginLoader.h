#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/** Creates the plug-in instance from a module file, as the application does: VST 2.x format,
    44100 Hz, 512 samples. Message thread.
*/
namespace PluginLoader
{
    /** The instance, or null with the title and text of the message that tells the user why. */
    struct Loaded
    {
        std::unique_ptr<juce::AudioPluginInstance> instance;
        juce::String failureTitle, failureMessage;
    };

    /** A module that is missing (or a folder) gives "Plugin file not found" with its full path;
        one that is there but gives no plug-in gives "Plugin could not be loaded" with its path
        and the framework's reason.
    */
    Loaded load (juce::AudioPluginFormatManager& formatManager, const juce::File& module);
}
