#include "SettingsLocation.h"

namespace SettingsLocation
{
    static const char* const applicationName = TOLVANE_APP_NAME_STRING;

    juce::String linuxFolderName (const juce::String& xdgConfigHome)
    {
        // The XDG base directory rules say a relative value is invalid and must be ignored.
        const auto base = xdgConfigHome.startsWithChar ('/') ? xdgConfigHome.trimCharactersAtEnd ("/")
                                                             : juce::String ("~/.config");
        return base + "/" + applicationName;
    }

    juce::PropertiesFile::Options storeOptions()
    {
        juce::PropertiesFile::Options options;
        options.applicationName = applicationName;
        options.filenameSuffix = "settings";
        options.osxLibrarySubFolder = "Preferences";

#if JUCE_LINUX || JUCE_BSD
        options.folderName = linuxFolderName (juce::SystemStats::getEnvironmentVariable ("XDG_CONFIG_HOME", {}));
#endif

        return options;
    }
}
