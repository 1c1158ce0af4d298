#include "PluginFile.h"

namespace PluginFile
{
    const char* moduleExtension() noexcept
    {
#if JUCE_WINDOWS
        return ".dll";
#else
        return ".so";
#endif
    }

    juce::File runningExecutable()
    {
        // currentApplicationFile comes from argv[0] joined to the current folder on Linux;
        // hostApplicationPath is the running image on every platform.
        return juce::File::getSpecialLocation (juce::File::hostApplicationPath);
    }

    juce::File forExecutable (const juce::File& executable)
    {
        return executable.getSiblingFile (executable.getFileNameWithoutExtension() + moduleExtension());
    }

    bool isPresent (const juce::File& module)
    {
        return module.existsAsFile();
    }

    juce::String loadFailureMessage (const juce::File& module, const juce::String& frameworkError)
    {
        const auto reason = frameworkError.trim();
        return module.getFullPathName() + "\n\n"
            + (reason.isNotEmpty() ? reason : juce::String ("The file is not a plug-in module that can be loaded."));
    }
}
