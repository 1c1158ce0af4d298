#include "PluginLoader.h"

#include "PluginFile.h"

namespace PluginLoader
{
    Loaded load (juce::AudioPluginFormatManager& formatManager, const juce::File& module)
    {
        Loaded loaded;

        if (! PluginFile::isPresent (module))
        {
            loaded.failureTitle = "Plugin file not found";
            loaded.failureMessage = module.getFullPathName();
            return loaded;
        }

        juce::PluginDescription description;
        description.pluginFormatName = "VST";
        description.fileOrIdentifier = module.getFullPathName();

        juce::String error;
        loaded.instance = formatManager.createPluginInstance (description, 44100.0, 512, error);

        if (loaded.instance == nullptr)
        {
            // The file is there but is no usable module: say so rather than vanish.
            loaded.failureTitle = "Plugin could not be loaded";
            loaded.failureMessage = PluginFile::loadFailureMessage (module, error);
        }

        return loaded;
    }
}
