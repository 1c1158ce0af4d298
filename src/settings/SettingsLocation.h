#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** Where the per-user settings file lives. */
namespace SettingsLocation
{
    /** The options of the application's settings store: application name the product's
        (TOLVANE_APP_NAME in the build, "Tolvane Editor"), suffix "settings", macOS sub-folder
        "Preferences", everything else the framework's
        default. On Windows this puts the file in %APPDATA%\Tolvane Editor\; on Linux the
        folder follows the desktop convention, $XDG_CONFIG_HOME/Tolvane Editor/ (by default
        ~/.config/Tolvane Editor/).
    */
    juce::PropertiesFile::Options storeOptions();

    /** The Linux settings folder for a given value of $XDG_CONFIG_HOME: that folder when it is
        an absolute path, otherwise ~/.config; in both cases with the product's name as
        sub-folder. The result is what PropertiesFile::Options::folderName expects.
    */
    juce::String linuxFolderName (const juce::String& xdgConfigHome);
}
