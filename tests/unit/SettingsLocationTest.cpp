#include "settings/SettingsLocation.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>

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

//==============================================================================
namespace
{
    // Store options for a settings file in a fresh folder of its own.
    struct SettingsFolder
    {
        const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                      .getNonexistentChildFile ("tolvane-settings", {}, false);

        ~SettingsFolder() { folder.deleteRecursively(); }

        juce::PropertiesFile::Options options() const
        {
            auto o = SettingsLocation::storeOptions();
            o.folderName = folder.getChildFile ("Tolvane Editor").getFullPathName();
            return o;
        }

        juce::File file() const { return options().getDefaultFile(); }

        void write (const juce::String& text) const
        {
            file().getParentDirectory().createDirectory();
            file().replaceWithText (text, false, false, "\n");
        }
    };
}

TEST (SettingsStore, UnreadableFileIsSetAsideOnceAndNeverWrittenOver)
{
    SettingsFolder settings;
    const auto damaged = SettingsStore::damagedCopyOf (settings.file());
    EXPECT_EQ (damaged.getFileName(), "Tolvane Editor.settings.damaged");

    // Missing and intact files stay where they are.
    EXPECT_EQ (SettingsStore::setAsideIfDamaged (settings.options()), SettingsStore::FileCheck::usable);
    const juce::String intact ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
                               "  <VALUE name=\"mainWindowPos\" val=\"300 250 640 420\"/>\n</PROPERTIES>\n");
    settings.write (intact);
    EXPECT_EQ (SettingsStore::setAsideIfDamaged (settings.options()), SettingsStore::FileCheck::usable);
    EXPECT_EQ (settings.file().loadFileAsString(), intact);

    // A file cut short, and then an empty one, replacing the older damaged copy.
    for (const auto& text : { intact.dropLastCharacters (20), juce::String() })
    {
        settings.write (text);
        const auto options = SettingsStore::openSafely (settings.options());
        EXPECT_FALSE (settings.file().exists());
        EXPECT_EQ (damaged.loadFileAsString(), text);
        EXPECT_FALSE (options.doNotSave);

        juce::PropertiesFile store (options);
        EXPECT_TRUE (SettingsStore::storeAndSave (store, "mainWindowPos", "1 2 3 4"));
        EXPECT_EQ (damaged.loadFileAsString(), text);
    }

    // A damaged file that cannot be moved (its copy's place is taken by a folder with
    // something in it) is kept, and the store does not save over it.
    damaged.deleteFile();
    damaged.getChildFile ("keep").create();
    settings.write ("garbage");
    const auto options = SettingsStore::openSafely (settings.options());
    EXPECT_TRUE (options.doNotSave);
    juce::PropertiesFile store (options);
    EXPECT_FALSE (SettingsStore::storeAndSave (store, "mainWindowPos", "1 2 3 4"));
    EXPECT_EQ (settings.file().loadFileAsString(), "garbage");
}

TEST (SettingsStore, FolderInTheSettingsPlaceIsLeftAloneAndSavesFailQuietly)
{
    SettingsFolder settings;
    settings.file().createDirectory();

    const auto options = SettingsStore::openSafely (settings.options());
    EXPECT_TRUE (settings.file().isDirectory());
    juce::PropertiesFile store (options);
    EXPECT_FALSE (SettingsStore::storeAndSave (store, "mainWindowPos", "1 2 3 4"));
    EXPECT_TRUE (settings.file().isDirectory());
}

TEST (SettingsStore, TwoInstancesKeepEachOthersChanges)
{
    SettingsFolder settings;
    settings.write ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
                    "  <VALUE name=\"mainWindowPos\" val=\"100 100 640 420\"/>\n</PROPERTIES>\n");

    // Both read the file at start; a saves a device choice, then b its window position,
    // then a its window position.
    juce::PropertiesFile a (settings.options()), b (settings.options());
    juce::XmlElement device ("DEVICESETUP");
    device.setAttribute ("deviceType", "JACK");
    ASSERT_TRUE (SettingsStore::storeAndSave (a, "audioDeviceState", SettingsStore::xmlValue (&device)));
    ASSERT_TRUE (SettingsStore::storeAndSave (b, "mainWindowPos", "300 250 640 420"));

    juce::PropertiesFile onDisk (settings.options());
    EXPECT_EQ (onDisk.getValue ("mainWindowPos"), "300 250 640 420");
    ASSERT_NE (onDisk.getXmlValue ("audioDeviceState"), nullptr);
    EXPECT_EQ (onDisk.getXmlValue ("audioDeviceState")->getStringAttribute ("deviceType"), "JACK");

    ASSERT_TRUE (SettingsStore::storeAndSave (a, "mainWindowPos", "500 400 640 420"));
    juce::PropertiesFile later (settings.options());
    EXPECT_EQ (later.getValue ("mainWindowPos"), "500 400 640 420");
    EXPECT_NE (later.getXmlValue ("audioDeviceState"), nullptr);
    EXPECT_EQ (SettingsStore::xmlValue (nullptr), juce::var());
}

TEST (SettingsStore, FilesTheFrameworkCannotReadSafelyAreSetAsideOrLeftUnread)
{
    SettingsFolder settings;
    const auto damaged = SettingsStore::damagedCopyOf (settings.file());
    const std::string head ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n  <VALUE name=\"mainWindowPos\" val=\"");
    const auto bytesOf = [] (const std::string& text)
    {
        return juce::MemoryBlock (text.data(), text.size());
    };

    // The framework reads each of these into strings that overrun (the binary form, invalid
    // and overlong UTF-8), descends once per level, or loops for ever on a processing
    // instruction in an element's text or on an entity of a document type, and reads the
    // file an external one names (also in a value, which it parses when reading it as XML
    // and when saving).
    const auto binaryForm = bytesOf (std::string ("PROP\x01\0\0\0key\0\xc0\xff\0", 15));
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += "<a>";
    const auto ampersands = juce::String::repeatedString ("&amp;", 12).toStdString();
    const auto escapedAmpersands = juce::String::repeatedString ("&amp;amp;", 12).toStdString();

    for (const auto& bytes : { binaryForm, bytesOf (head + "\xc0\xff\"/></PROPERTIES>"),
                               bytesOf (head + "\xf0\x8c\x9a\x9c\"/></PROPERTIES>"),
                               bytesOf (head + "1 2 3 4\"/>" + deep + "</PROPERTIES>"),
                               bytesOf (head + "1 2 3 4\"/><VALUE name=\"x\"><a><?pi?>text</a></VALUE></PROPERTIES>"),
                               bytesOf (head + "1 2 3 4\"/><VALUE name=\"x\" val=\"&lt;a&gt;&lt;?pi?&gt;text&lt;/a&gt;\"/></PROPERTIES>"),
                               bytesOf ("<!DOCTYPE PROPERTIES [ <!ENTITY e \"" + ampersands + "\"> ]><PROPERTIES>&e;</PROPERTIES>"),
                               bytesOf ("<!DOCTYPE PROPERTIES SYSTEM \"/dev/zero\"><PROPERTIES>&e;</PROPERTIES>"),
                               bytesOf (head + "1 2 3 4\"/><VALUE name=\"x\" val=\"&lt;!DOCTYPE a [ &lt;!ENTITY e &quot;"
                                        + escapedAmpersands + "&quot;&gt; ]&gt;&lt;a&gt;&amp;e;&lt;/a&gt;\"/></PROPERTIES>") })
    {
        settings.file().getParentDirectory().createDirectory();
        settings.file().replaceWithData (bytes.getData(), bytes.getSize());
        EXPECT_EQ (SettingsStore::setAsideIfDamaged (settings.options()), SettingsStore::FileCheck::setAside);
        juce::MemoryBlock kept;
        damaged.loadFileAsData (kept);
        EXPECT_EQ (kept, bytes);
    }

    // Text beyond ASCII is no damage.
    settings.write (juce::String::fromUTF8 ((head + "Gr\xc3\xb6\xc3\x9f"
                                                    "e \xf0\x9f\x8e\xb9\"/></PROPERTIES>")
                                                .c_str()));
    EXPECT_EQ (SettingsStore::setAsideIfDamaged (settings.options()), SettingsStore::FileCheck::usable);

    // Nor is an element after text in a value (the framework once wrote it as if lines were
    // wanted, through a null line break): it reads back on one line.
    const juce::String textThenElement ("<a>text<b long=\"" + juce::String::repeatedString ("x", 80) + "\" c=\"1\"><c/></b></a>");
    settings.write (juce::String (head) + "1 2 3 4\"/><VALUE name=\"x\">" + textThenElement + "</VALUE></PROPERTIES>");
    EXPECT_EQ (SettingsStore::setAsideIfDamaged (settings.options()), SettingsStore::FileCheck::usable);
    EXPECT_EQ (juce::PropertiesFile (settings.options()).getValue ("x"), textThenElement);

    // Kept in place (the copy's place is taken), an unsafe file is not even read.
    damaged.deleteFile();
    damaged.getChildFile ("keep").create();
    settings.file().replaceWithData (binaryForm.getData(), binaryForm.getSize());
    juce::PropertiesFile store (SettingsStore::openSafely (settings.options()));
    EXPECT_EQ (store.getAllProperties().size(), 0);
    EXPECT_FALSE (SettingsStore::storeAndSave (store, "mainWindowPos", "1 2 3 4"));
}

TEST (SettingsStore, FileDamagedAfterStartUpIsNeverSavedOver)
{
    SettingsFolder settings;
    settings.write ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
                    "  <VALUE name=\"mainWindowPos\" val=\"100 100 640 420\"/>\n</PROPERTIES>\n");

    {
        juce::PropertiesFile store (SettingsStore::openSafely (settings.options()));
        settings.write ("<PROPERTIES><VALUE name=");
        EXPECT_FALSE (SettingsStore::storeAndSave (store, "mainWindowPos", "1 2 3 4"));
        EXPECT_EQ (store.getValue ("mainWindowPos"), "1 2 3 4");
    }

    // Not by the store's final save either.
    EXPECT_EQ (settings.file().loadFileAsString(), "<PROPERTIES><VALUE name=");
}
