#include "hosting/PluginFile.h"

#include <gtest/gtest.h>

namespace
{
    juce::String moduleNameFor (const juce::String& executableName)
    {
        const juce::File folder ("/opt/tolvane");
        const auto module = PluginFile::forExecutable (folder.getChildFile (executableName));
        EXPECT_EQ (module.getParentDirectory(), folder);
        return module.getFileName();
    }
}

TEST (PluginFile, ModuleHasTheExecutablesBaseNameAndThePlatformExtension)
{
#if JUCE_WINDOWS
    EXPECT_STREQ (PluginFile::moduleExtension(), ".dll");
    EXPECT_EQ (moduleNameFor ("Tolvane Editor.exe"), "Tolvane Editor.dll");
#else
    EXPECT_STREQ (PluginFile::moduleExtension(), ".so");
    EXPECT_EQ (moduleNameFor ("Tolvane Editor"), "Tolvane Editor.so");
#endif
}

TEST (PluginFile, RenamingTheExecutableChangesTheModuleLookedFor)
{
    const juce::String ext (PluginFile::moduleExtension());
    EXPECT_EQ (moduleNameFor ("Other"), "Other" + ext);
    EXPECT_EQ (moduleNameFor ("Other.exe"), "Other" + ext);
}

TEST (PluginFile, OnlyTheTextAfterTheLastDotIsTheExtension)
{
    const juce::String ext (PluginFile::moduleExtension());
    EXPECT_EQ (moduleNameFor ("Tolvane.Editor.1.exe"), "Tolvane.Editor.1" + ext);
    EXPECT_EQ (moduleNameFor ("v1.2 host"), "v1" + ext);
}

TEST (PluginFile, ADotInFirstPlaceDoesNotStartAnExtension)
{
    const juce::String ext (PluginFile::moduleExtension());
    EXPECT_EQ (moduleNameFor (".exe"), ".exe" + ext);
    EXPECT_EQ (moduleNameFor (".hidden"), ".hidden" + ext);
}

TEST (PluginFile, AFolderInTheModulesPlaceCountsAsMissing)
{
    juce::TemporaryFile temp;
    const auto folder = temp.getFile();
    ASSERT_TRUE (folder.createDirectory());

    const auto module = PluginFile::forExecutable (folder.getChildFile ("Host"));
    EXPECT_FALSE (PluginFile::isPresent (module));

    ASSERT_TRUE (module.createDirectory());
    EXPECT_FALSE (PluginFile::isPresent (module));

    ASSERT_TRUE (module.deleteRecursively());
    ASSERT_TRUE (module.create());
    EXPECT_TRUE (PluginFile::isPresent (module));

    folder.deleteRecursively();
}

TEST (PluginFile, LoadFailureMessageNamesTheFileAndTheReason)
{
    const juce::File module ("/opt/tolvane/Tolvane Editor.so");

    const auto withReason = PluginFile::loadFailureMessage (module, "  undefined symbol: foo \n");
    EXPECT_TRUE (withReason.startsWith (module.getFullPathName()));
    EXPECT_TRUE (withReason.endsWith ("undefined symbol: foo"));

    const auto withoutReason = PluginFile::loadFailureMessage (module, {});
    EXPECT_TRUE (withoutReason.startsWith (module.getFullPathName()));
    EXPECT_GT (withoutReason.length(), module.getFullPathName().length() + 2);
}
