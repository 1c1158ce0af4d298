// Any bytes as the settings file, read the way start-up reads it: opened safely (set aside when
// damaged), "mainWindowPos" and "audioDeviceState" read, the device state turned into a set-up;
// then a position saved as quitting saves it. A file that could not be read is never written
// over, also when it was damaged after start-up, and what the store writes reads back with
// every other key kept.
#include "FuzzSupport.h"

#include "devices/SavedDeviceState.h"
#include "settings/SettingsLocation.h"
#include "settings/SettingsStore.h"
#include "ui/WindowPlacement.h"

namespace
{
    /** Start-up's reading of a saved device state: the output alone first, as the device is
        opened, the set-up that recovery would reopen, and what a settings dialog would store.
        Every rule about the saved state is reached from here.
    */
    void readDeviceState (const juce::XmlElement* state)
    {
        if (state == nullptr)
            return;

        const auto outputAlone = SavedDeviceState::withoutInput (*state);
        const auto asSaved = SavedDeviceState::deviceOf (state);
        const auto output = SavedDeviceState::deviceOf (outputAlone.get());

        FuzzSupport::require (output.input.isEmpty() && SavedDeviceState::setupOf (*outputAlone).inputDeviceName.isEmpty(),
                              "the output alone still names an input");
        FuzzSupport::require (output.output == asSaved.output && output.type == asSaved.type,
                              "leaving the input out changed the output");

        const auto setup = SavedDeviceState::setupOf (*state);
        FuzzSupport::require (setup.outputDeviceName == asSaved.output && setup.inputDeviceName == asSaved.input,
                              "the set-up names other devices than the state");

        // A dialog that changed only MIDI keeps the saved device, its input included.
        const auto kept = SavedDeviceState::toStoreAfterDialog (state, outputAlone.get(), outputAlone.get());
        FuzzSupport::require (kept != nullptr && SavedDeviceState::deviceOf (kept.get()) == asSaved,
                              "a dialog that changed nothing lost the saved device");
    }

    juce::PropertiesFile::Options readOnly (juce::PropertiesFile::Options options)
    {
        options.doNotSave = true;
        options.millisecondsBeforeSaving = -1;
        return options;
    }

    /** A value as the framework's store writes it back: one that reads as XML is kept as that
        element, in the one-line form it is read back in.
    */
    juce::String keptValue (const juce::String& value)
    {
        const auto xml = juce::parseXML (value);
        return xml != nullptr ? SettingsStore::xmlValue (xml.get()).toString() : value;
    }

    juce::MemoryBlock contentOf (const juce::File& file)
    {
        juce::MemoryBlock bytes;
        file.loadFileAsData (bytes);
        return bytes;
    }

    const juce::Array<juce::Rectangle<int>> screens { juce::Rectangle<int> (0, 0, 1280, 1024),
                                                      juce::Rectangle<int> (1280, 0, 1920, 1080) };
    const juce::String position ("120 140 640 480 frame 24 1 1 1");

    /** Start-up and quitting; whether the position was saved. */
    bool startAndQuit (const juce::PropertiesFile::Options& options, const std::function<void()>& meanwhile = {})
    {
        juce::PropertiesFile settings (options);
        WindowPlacement::startTopLeft (settings.getValue ("mainWindowPos"), screens);
        const SavedDeviceState saved (settings);
        readDeviceState (saved.get());

        if (meanwhile)
            meanwhile();

        return SettingsStore::storeAndSave (settings, "mainWindowPos", position);
    }
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::initialiseFramework();
    FuzzSupport::privateFolder();

    const auto options = SettingsLocation::storeOptions();
    const auto file = options.getDefaultFile();
    const auto damaged = SettingsStore::damagedCopyOf (file);
    const juce::MemoryBlock original (data, size);

    damaged.deleteRecursively();
    file.getParentDirectory().createDirectory();

    // One input in four is written over a good file after start-up (another program, or
    // the user, while the application runs).
    if (size % 4 == 2)
    {
        file.replaceWithText ("<PROPERTIES><VALUE name=\"mainWindowPos\" val=\"300 200 560 340\"/></PROPERTIES>");
        const auto saved = startAndQuit (SettingsStore::openSafely (options), [&]
                                         {
                                             file.replaceWithData (data, size);
                                         });

        if (! saved)
        {
            FuzzSupport::require (contentOf (file) == original, "a file damaged meanwhile was written over");
            return 0;
        }

        FuzzSupport::require (juce::PropertiesFile (readOnly (options)).getValue ("mainWindowPos") == position, "the position was not saved");
        file.replaceWithData (data, size);
        FuzzSupport::require (SettingsStore::setAsideIfDamaged (options) == SettingsStore::FileCheck::usable,
                              "saved over a file that start-up would set aside");
        return 0;
    }

    FuzzSupport::require (file.replaceWithData (data, size), "cannot write " + file.getFullPathName());

    // One input in four finds the place for a damaged copy taken (a folder that cannot be
    // replaced), so that a damaged file stays where it is.
    const auto slotTaken = size % 4 == 3;
    if (slotTaken)
        damaged.getChildFile ("taken").create();

    const auto safeOptions = SettingsStore::openSafely (options);
    const auto keptAside = damaged.existsAsFile();
    FuzzSupport::require (! (keptAside && slotTaken), "a damaged copy replaced a folder");

    if (keptAside || safeOptions.doNotSave)
    {
        startAndQuit (safeOptions);
        FuzzSupport::require (contentOf (keptAside ? damaged : file) == original, "an unreadable settings file was written over");
        return 0;
    }

    const auto keysBefore = juce::PropertiesFile (readOnly (options)).getAllProperties();
    FuzzSupport::require (startAndQuit (safeOptions), "a readable file was not saved");

    // Written on top of what was there: every other key kept, and the file reads back.
    const juce::PropertiesFile after (readOnly (options));
    FuzzSupport::require (after.isValidFile() && SettingsStore::setAsideIfDamaged (options) == SettingsStore::FileCheck::usable,
                          "the store wrote a file it cannot read");
    FuzzSupport::require (after.getValue ("mainWindowPos") == position, "the position was not saved");

    for (const auto& key : keysBefore.getAllKeys())
        FuzzSupport::require (key == "mainWindowPos" || after.getValue (key) == keptValue (keysBefore[key]),
                              "saving changed key \"" + key + "\"");

    return 0;
}
