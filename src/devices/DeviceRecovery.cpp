#include "DeviceRecovery.h"

#include "settings/SettingsStore.h"
#include "DeviceFallback.h"
#include "DeviceSetup.h"

namespace
{
    const char* const deviceStateKey = "audioDeviceState";
    constexpr int checkIntervalMs = 1000;

    // The attributes of a saved device state that name and set up the audio device; the rest
    // (MIDI inputs and output) is not the device's.
    const char* const deviceAttributes[] = { "deviceType", "audioDeviceName", "audioOutputDeviceName",
                                             "audioInputDeviceName", "audioDeviceRate",
                                             "audioDeviceBufferSize", "audioDeviceInChans",
                                             "audioDeviceOutChans" };

    // A device with no active channel calls nobody back; its silence is no sign of loss.
    bool hasActiveChannels (juce::AudioIODevice* device)
    {
        return device != nullptr && ! (device->getActiveOutputChannels().isZero() && device->getActiveInputChannels().isZero());
    }
}

//==============================================================================
bool DeviceRecovery::Choice::operator== (const Choice& other) const noexcept
{
    return type == other.type && output == other.output && input == other.input;
}

DeviceRecovery::Choice DeviceRecovery::choiceFromState (const juce::XmlElement* state)
{
    if (state == nullptr || ! state->hasTagName ("DEVICESETUP"))
        return {};

    // Read as the device manager reads it: one name for both directions wins.
    const auto both = state->getStringAttribute ("audioDeviceName");

    if (both.isNotEmpty())
        return { state->getStringAttribute ("deviceType"), both, both };

    return { state->getStringAttribute ("deviceType"),
             state->getStringAttribute ("audioOutputDeviceName"),
             state->getStringAttribute ("audioInputDeviceName") };
}

juce::AudioDeviceManager::AudioDeviceSetup DeviceRecovery::setupFromState (const juce::XmlElement& state)
{
    const auto choice = choiceFromState (&state);

    juce::AudioDeviceManager::AudioDeviceSetup setup;
    setup.outputDeviceName = choice.output;
    setup.inputDeviceName = choice.input;
    setup.sampleRate = state.getDoubleAttribute ("audioDeviceRate");
    setup.bufferSize = state.getIntAttribute ("audioDeviceBufferSize");
    setup.inputChannels.parseString (state.getStringAttribute ("audioDeviceInChans", "11"), 2);
    setup.outputChannels.parseString (state.getStringAttribute ("audioDeviceOutChans", "11"), 2);
    setup.useDefaultInputChannels = ! state.hasAttribute ("audioDeviceInChans");
    setup.useDefaultOutputChannels = ! state.hasAttribute ("audioDeviceOutChans");
    return setup;
}

bool DeviceRecovery::isListed (const Choice& choice, const Listing& listing)
{
    return ! choice.isEmpty()
        && (choice.output.isEmpty() || listing.outputs.contains (choice.output))
        && (choice.input.isEmpty() || listing.inputs.contains (choice.input));
}

int DeviceRecovery::nextQuietChecks (int quietChecksSoFar, bool open, bool blocksArrived) noexcept
{
    return open && ! blocksArrived ? quietChecksSoFar + 1 : 0;
}

bool DeviceRecovery::isFlooding (std::uint32_t blocks, double sampleRate, int bufferSize, int intervalMs) noexcept
{
    if (sampleRate <= 0.0 || bufferSize <= 0)
        return false;

    const auto expected = sampleRate * intervalMs / 1000.0 / bufferSize;
    return blocks > 4.0 * expected + 16.0;
}

DeviceRecovery::DeviceState DeviceRecovery::judge (bool exists, bool open, bool playing, int quietChecks) noexcept
{
    if (! exists || ! open || isStalled (quietChecks))
        return DeviceState::lost;

    return playing ? DeviceState::running : DeviceState::settling;
}

std::unique_ptr<juce::XmlElement> DeviceRecovery::withChosenDevice (const juce::XmlElement& saved,
                                                                    const juce::XmlElement& chosenState)
{
    auto result = std::make_unique<juce::XmlElement> (saved);

    for (const auto* name : deviceAttributes)
    {
        result->removeAttribute (name);

        if (chosenState.hasAttribute (name))
            result->setAttribute (name, chosenState.getStringAttribute (name));
    }

    return result;
}

//==============================================================================
DeviceRecovery::DeviceRecovery (juce::AudioDeviceManager& manager, juce::PropertiesFile& settings,
                                std::function<std::uint32_t()> blockCounter)
    : deviceManager (manager), userSettings (settings), blocksDelivered (std::move (blockCounter))
{
}

DeviceRecovery::~DeviceRecovery()
{
    stop();
}

void DeviceRecovery::start (bool withInput)
{
    inputWanted = withInput;
    readChoice();
    lastBlocks = blocksDelivered();
    quietChecks = 0;
    checking = true;
    deviceManager.addChangeListener (this);
    startTimer (checkIntervalMs);
}

void DeviceRecovery::stop()
{
    checking = false;
    stopTimer();
    deviceManager.removeChangeListener (this);
}

void DeviceRecovery::timerCallback()
{
    check();
}

void DeviceRecovery::check()
{
    if (! checking || dialogOpen)
        return;

    // Only the timed checks count quiet intervals: change messages may come many at once.
    const auto blocks = blocksDelivered();
    auto* device = deviceManager.getCurrentAudioDevice();
    const auto open = device != nullptr && device->isOpen();
    quietChecks = nextQuietChecks (quietChecks, open && hasActiveChannels (device), blocks != lastBlocks);

    // Blocks without the device's timing are no better than none.
    if (open && isFlooding (blocks - lastBlocks, device->getCurrentSampleRate(), device->getCurrentBufferSizeSamples(), checkIntervalMs))
        quietChecks = 2;
    lastBlocks = blocks;
    mayReopen = true;

    recoverIfNeeded();
}

void DeviceRecovery::changeListenerCallback (juce::ChangeBroadcaster*)
{
    if (! checking || dialogOpen)
        return;

    recoverIfNeeded();
}

void DeviceRecovery::recoverIfNeeded()
{
    auto* device = deviceManager.getCurrentAudioDevice();
    const auto state = judge (device != nullptr, device != nullptr && device->isOpen(),
                              device != nullptr && device->isPlaying(), quietChecks);

    // Open but stopped: a device that stops by itself (JACK) is still on its way to closing,
    // and the driver's thread that closes it must be left to finish.
    if (state == DeviceState::settling || (state == DeviceState::running && currentDevice() == chosen))
        return;

    if (! mayReopen || chosen.isEmpty())
        return;

    // A chosen device that opens but never delivers, even reopened (WASAPI's exclusive mode
    // under Wine), is given up while it stays listed: another type's default plays instead.
    if (state == DeviceState::lost && device != nullptr && device->isOpen() && currentDevice() == chosen)
        ++chosenStalls;

    // A device that closed by itself is let go, in this order. Its type is asked for devices
    // first: for JACK that opens a client, and opening one frees what the server's shutdown
    // left of the old client and ends its threads, which may still call the device back. Then
    // the device goes at once, before its pending look at ports that no longer exist.
    if (device != nullptr && ! device->isOpen())
    {
        rescan (device->getTypeName());
        deviceManager.closeAudioDevice();
    }

    // A chosen device that is not there is waited for on the default device of another
    // type, if one runs; after a failed attempt, not before the next timed check.
    const auto listed = isListed (chosen, rescan (chosen.type));

    if (! listed)
        chosenStalls = 0;

    if (! listed || chosenStalls >= 2)
    {
        if (state == DeviceState::lost || ! DeviceFallback::isRunning (deviceManager.getCurrentAudioDevice()))
        {
            DeviceFallback::openDefaultOfAnotherType (deviceManager, chosen.type);
            mayReopen = false;
        }

        return;
    }

    reopenChosen();

    // A failed reopen announces a change too: it is tried again at the next timed check, not
    // at once and for ever.
    auto* reopened = deviceManager.getCurrentAudioDevice();
    mayReopen = reopened != nullptr && reopened->isPlaying();
}

void DeviceRecovery::readChoice()
{
    chosenState = userSettings.getXmlValue (deviceStateKey);
    auto choice = choiceFromState (chosenState.get());

    if (choice.isEmpty())
    {
        // No saved choice: the device that runs stands for it (the last one known, if none runs).
        chosenState.reset();

        if (deviceManager.getCurrentAudioDevice() != nullptr)
        {
            chosen = currentDevice();
            chosenSetup = deviceManager.getAudioDeviceSetup();
        }

        return;
    }

    // Opened from a state without a type, the device got the type that lists its names.
    if (choice.type.isEmpty())
        choice.type = deviceManager.getCurrentAudioDeviceType();

    // The saved state keeps the input for a plug-in that would take one.
    const auto state = inputWanted ? std::make_unique<juce::XmlElement> (*chosenState) : DeviceSetup::withoutInput (*chosenState);
    chosen = choiceFromState (state.get());
    chosen.type = choice.type;
    chosenSetup = setupFromState (*state);
}

DeviceRecovery::Choice DeviceRecovery::currentDevice() const
{
    auto* device = deviceManager.getCurrentAudioDevice();

    if (device == nullptr)
        return {};

    const auto setup = deviceManager.getAudioDeviceSetup();
    return { device->getTypeName(), setup.outputDeviceName, setup.inputDeviceName };
}

DeviceRecovery::Listing DeviceRecovery::rescan (const juce::String& typeName)
{
    // Not every type announces devices that come and go (JACK does not): each is asked again.
    for (auto* type : deviceManager.getAvailableDeviceTypes())
    {
        if (type->getTypeName() == typeName)
        {
            type->scanForDevices();
            return { type->getDeviceNames (false), type->getDeviceNames (true) };
        }
    }

    return {};
}

void DeviceRecovery::reopenChosen()
{
    deviceManager.closeAudioDevice();

    if (deviceManager.getCurrentAudioDeviceType() != chosen.type)
        deviceManager.setCurrentAudioDeviceType (chosen.type, false);

    // Not as a new choice: the saved state already names this device.
    auto setup = chosenSetup;
    deviceManager.setAudioDeviceSetup (setup, false);

    quietChecks = 0;
    lastBlocks = blocksDelivered();
}

//==============================================================================
void DeviceRecovery::settingsDialogOpened()
{
    dialogOpen = true;
    deviceWhenDialogOpened = currentDevice();
}

void DeviceRecovery::settingsDialogClosed()
{
    dialogOpen = false;

    // The user picked no device, and the one that runs stands in for the chosen one: the
    // dialog saved the stand-in, which must not become the choice.
    const auto deviceNow = currentDevice();

    if (chosenState != nullptr && deviceNow == deviceWhenDialogOpened && deviceNow != chosen)
    {
        if (auto saved = userSettings.getXmlValue (deviceStateKey))
        {
            const auto restored = withChosenDevice (*saved, *chosenState);
            SettingsStore::storeAndSave (userSettings, deviceStateKey, SettingsStore::xmlValue (restored.get()));
        }
    }

    readChoice();
    quietChecks = 0;
    chosenStalls = 0;
    lastBlocks = blocksDelivered();
}

DeviceRecovery::SettingsDialogScope::SettingsDialogScope (DeviceRecovery* recoveryToPause)
    : recovery (recoveryToPause)
{
    if (recovery != nullptr)
        recovery->settingsDialogOpened();
}

DeviceRecovery::SettingsDialogScope::~SettingsDialogScope()
{
    if (recovery != nullptr)
        recovery->settingsDialogClosed();
}
