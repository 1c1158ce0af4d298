#include "MidiInputWatcher.h"

namespace
{
    constexpr int lookIntervalMs = 1000;

    bool containsName (const juce::Array<juce::MidiDeviceInfo>& devices, const juce::String& name)
    {
        for (const auto& device : devices)
            if (device.name == name)
                return true;

        return false;
    }

    bool containsIdentifier (const juce::Array<juce::MidiDeviceInfo>& devices, const juce::String& identifier)
    {
        for (const auto& device : devices)
            if (device.identifier == identifier)
                return true;

        return false;
    }
}

//==============================================================================
juce::Array<juce::MidiDeviceInfo> MidiInputWatcher::wantedInputs (const juce::XmlElement* saved,
                                                                  const juce::XmlElement* current,
                                                                  const juce::StringArray& turnedOff)
{
    juce::Array<juce::MidiDeviceInfo> wanted;

    for (const auto* state : { saved, current })
    {
        if (state == nullptr)
            continue;

        for (auto* input : state->getChildWithTagNameIterator ("MIDIINPUT"))
        {
            const juce::MidiDeviceInfo info (input->getStringAttribute ("name"), input->getStringAttribute ("identifier"));

            if (info.name.isNotEmpty() && ! turnedOff.contains (info.name))
                wanted.addIfNotAlreadyThere (info);
        }
    }

    return wanted;
}

std::vector<MidiInputWatcher::Step> MidiInputWatcher::decide (const juce::Array<juce::MidiDeviceInfo>& wanted,
                                                              const juce::Array<juce::MidiDeviceInfo>& lastLook,
                                                              const juce::Array<juce::MidiDeviceInfo>& present,
                                                              const juce::StringArray& enabledIdentifiers)
{
    std::vector<Step> steps;
    juce::StringArray namesDone;

    for (const auto& entry : wanted)
    {
        if (namesDone.contains (entry.name))
            continue;

        namesDone.add (entry.name);

        // Two devices of one name: the first stands for the name, as when the framework
        // restores a saved input by name.
        const auto* device = std::find_if (present.begin(), present.end(), [&] (const juce::MidiDeviceInfo& d)
                                           {
                                               return d.name == entry.name;
                                           });

        if (device == present.end())
            continue;

        if (! enabledIdentifiers.contains (device->identifier))
        {
            steps.push_back ({ device->identifier, true });
        }
        else if (! lastLook.contains (*device))
        {
            // Open under an identifier whose device went away in between: the old
            // connection is dead (Windows keeps the identifier, Linux may reuse it).
            steps.push_back ({ device->identifier, false });
            steps.push_back ({ device->identifier, true });
        }

        // The inputs left open for this name while its device was away, under an identifier
        // that is gone, go once the device is open again.
        for (const auto& stale : wanted)
            if (stale.name == entry.name && stale.identifier != device->identifier
                && enabledIdentifiers.contains (stale.identifier) && ! containsIdentifier (present, stale.identifier))
                steps.push_back ({ stale.identifier, false });
    }

    return steps;
}

juce::StringArray MidiInputWatcher::turnedOffAfterDialog (juce::StringArray turnedOff,
                                                          const juce::StringArray& enabledBefore,
                                                          const juce::StringArray& enabledAfter)
{
    for (const auto& name : enabledBefore)
        if (! enabledAfter.contains (name))
            turnedOff.addIfNotAlreadyThere (name);

    for (const auto& name : enabledAfter)
        turnedOff.removeString (name);

    return turnedOff;
}

//==============================================================================
MidiInputWatcher::MidiInputWatcher (juce::AudioDeviceManager& manager,
                                    const SavedDeviceState& saved,
                                    std::function<void()> registration)
    : deviceManager (manager), savedState (saved), registerPlayer (std::move (registration))
{
}

MidiInputWatcher::~MidiInputWatcher()
{
    stopTimer();
}

void MidiInputWatcher::start()
{
    lastLook = juce::MidiInput::getAvailableDevices();
    startTimer (lookIntervalMs);
}

void MidiInputWatcher::timerCallback()
{
    look();
}

void MidiInputWatcher::look()
{
    const auto present = juce::MidiInput::getAvailableDevices();

    // The user chooses meanwhile; a device that goes away and comes back before the dialog
    // closes counts as away.
    if (dialogOpen)
    {
        lastLook.removeIf ([&] (const juce::MidiDeviceInfo& seen)
                           {
                               return ! present.contains (seen);
                           });
        return;
    }

    const auto wanted = wantedInputs (savedState.get(), deviceManager.createStateXml().get(), turnedOff);

    juce::StringArray enabled;

    for (const auto& input : wanted)
        if (deviceManager.isMidiInputDeviceEnabled (input.identifier))
            enabled.addIfNotAlreadyThere (input.identifier);

    for (const auto& input : present)
        if (containsName (wanted, input.name) && deviceManager.isMidiInputDeviceEnabled (input.identifier))
            enabled.addIfNotAlreadyThere (input.identifier);

    const auto steps = decide (wanted, lastLook, present, enabled);
    lastLook = present;

    if (steps.empty())
        return;

    // The device manager records these in its state as it always does; nothing is saved.
    for (const auto& step : steps)
        deviceManager.setMidiInputDeviceEnabled (step.identifier, step.enable);

    registerPlayer();
}

juce::StringArray MidiInputWatcher::enabledPresentNames (const juce::Array<juce::MidiDeviceInfo>& present) const
{
    juce::StringArray names;

    for (const auto& input : present)
        if (deviceManager.isMidiInputDeviceEnabled (input.identifier))
            names.addIfNotAlreadyThere (input.name);

    return names;
}

//==============================================================================
MidiInputWatcher::SettingsDialogScope::SettingsDialogScope (MidiInputWatcher* watcherToPause)
    : watcher (watcherToPause)
{
    if (watcher == nullptr)
        return;

    watcher->dialogOpen = true;
    enabledBefore = watcher->enabledPresentNames (juce::MidiInput::getAvailableDevices());
}

MidiInputWatcher::SettingsDialogScope::~SettingsDialogScope()
{
    if (watcher == nullptr)
        return;

    // A device that came while the dialog was open is not in the last look: if the user
    // ticked it, the next look opens it once more, which is harmless.
    const auto enabledAfter = watcher->enabledPresentNames (juce::MidiInput::getAvailableDevices());
    watcher->turnedOff = turnedOffAfterDialog (watcher->turnedOff, enabledBefore, enabledAfter);
    watcher->dialogOpen = false;
}
