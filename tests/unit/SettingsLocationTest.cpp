#include "app/SettingsLocation.h"

#include <gtest/gtest.h>

TEST (SettingsLocation, StoreOptionsNameTheApplicationAndKeepFrameworkDefaults)
{
    const auto options = SettingsLocation::storeOptions();
    EXPECT_EQ (options.applicationName, "Tolvane Editor");
    EXPECT_EQ (options.filenameSuffix, "settings");
    EXPECT_EQ (options.osxLibrarySubFolder, "Preferences");
    EXPECT_FALSE (options.commonToAllUsers);
    EXPECT_FALSE (options.ignoreCaseOfKeyNames);
    EXPECT_FALSE (options.doNotSave);
    EXPECT_EQ (options.millisecondsBeforeSaving, 3000);
    EXPECT_EQ (options.storageFormat, juce::PropertiesFile::storeAsXML);
    EXPECT_EQ (options.processLock, nullptr);
}

#if JUCE_LINUX || JUCE_BSD
TEST (SettingsLocation, LinuxFolderFollowsXdgConfigHome)
{
    EXPECT_EQ (SettingsLocation::linuxFolderName ("/home/ann/.cfg"), "/home/ann/.cfg/Tolvane Editor");
    EXPECT_EQ (SettingsLocation::linuxFolderName ("/home/ann/.cfg/"), "/home/ann/.cfg/Tolvane Editor");
}

TEST (SettingsLocation, LinuxFolderFallsBackToDotConfigWhenXdgIsUnsetOrRelative)
{
    EXPECT_EQ (SettingsLocation::linuxFolderName ({}), "~/.config/Tolvane Editor");
    EXPECT_EQ (SettingsLocation::linuxFolderName ("relative/cfg"), "~/.config/Tolvane Editor");
}

TEST (SettingsLocation, SettingsFileLandsInTheXdgFolder)
{
    juce::TemporaryFile temp;
    const auto folder = temp.getFile();

    auto options = SettingsLocation::storeOptions();
    options.folderName = SettingsLocation::linuxFolderName (folder.getFullPathName());
    EXPECT_EQ (options.getDefaultFile(), folder.getChildFile ("Tolvane Editor/Tolvane Editor.settings"));

    options.folderName = SettingsLocation::linuxFolderName ({});
    EXPECT_EQ (options.getDefaultFile(),
               juce::File::getSpecialLocation (juce::File::userHomeDirectory)
                   .getChildFile (".config/Tolvane Editor/Tolvane Editor.settings"));
}
#endif
