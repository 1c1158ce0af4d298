#include "DeviceRecovery.h"

#include "DeviceFallback.h"

namespace
{
    constexpr int checkIntervalMs = 500;

    // A device with no active channel calls nobody back; its silence is no sign of loss.
    bool hasActiveChannels (juce::AudioIODevice* device)
    {
        return device != nullptr && ! (device->getActiveOutputChannels().isZero() && device->getActiveInputChannels().isZero());
    }
}

//==============================================================================
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

DeviceRecovery::DeviceState DeviceRecovery::judge (bool exists, bool open, bool playing, bool stalled) noexcept
{
    if (! exists || ! open || stalled)
        return DeviceState::lost;

    return playing ? DeviceState::running : DeviceState::settling;
}

//==============================================================================
DeviceRecovery::DeviceRecovery (juce::AudioDeviceManager& manager, const SavedDeviceState& saved,
                                std::function<std::uint32_t()> blockCounter)
    : deviceManager (manager), savedState (saved), blocksDelivered (std::move (blockCounter))
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

    // Start-up has tried the chosen device already (its output alone, with its input, with
    // two outputs): when it is listed and another device plays in its place, it is given up
    // while it stays listed, and that stand-in is not stopped to try it again.
    const auto failedAtStart = ! chosen.isEmpty() && currentDevice() != chosen
        && DeviceFallback::isRunning (deviceManager.getCurrentAudioDevice())
        && isListed (chosen, rescan (chosen.type));
    chosenStalls = failedAtStart ? 2 : 0;

    watchFromNow();
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
    closedChecks = device != nullptr && ! open ? closedChecks + 1 : 0;

    if (open && blocks != lastBlocks)
    {
        deliveredSinceOpen = true;
        chosenHasRun = chosenHasRun || currentDevice() == chosen;
    }

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
                              device != nullptr && device->isPlaying(), isStalled (quietChecks, deliveredSinceOpen));

    // Open but stopped: a device that stops by itself (JACK) is still on its way to closing,
    // and the driver's thread that closes it must be left to finish.
    if (state == DeviceState::settling || (state == DeviceState::running && currentDevice() == chosen))
        return;

    if (! mayReopen || chosen.isEmpty())
        return;

    // A chosen device that opens but never delivers, even reopened (WASAPI's exclusive mode
    // under Wine), is given up while it stays listed: another type's default plays instead.
    // One that has delivered since it was chosen is never given up: reopened while its sound
    // server is still on its way back, it may open and stay quiet, and is reopened until it
    // plays again.
    if (state == DeviceState::lost && device != nullptr && device->isOpen() && currentDevice() == chosen && ! chosenHasRun)
        ++chosenStalls;

    // A device that closed by itself is let go, once its driver's threads had time to finish,
    // in this order. Its type is asked for devices first: for JACK that opens a client, and
    // opening one frees what the server's shutdown left of the old client and ends its threads,
    // which may still call the device back. Then the device goes at once, before its pending
    // look at ports that no longer exist. Until then no type is asked: for JACK that would
    // open a client too.
    if (device != nullptr && ! device->isOpen())
    {
        if (closedChecks < closedChecksBeforeLettingGo)
            return;

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
            openStandIn();
            mayReopen = false;
        }

        return;
    }

    reopenChosen();

    // A failed reopen announces a change too: it is tried again at the next timed check, not
    // at once and for ever.
    auto* reopened = deviceManager.getCurrentAudioDevice();
    mayReopen = reopened != nullptr && reopened->isPlaying();

    // A chosen device that has not run since it was chosen and will not run when reopened
    // either (WASAPI's exclusive and low-latency modes, which Wine's pulse driver refuses)
    // counts as stalled: the stand-in that the reopen closed plays again at once, and after
    // two tries it is given up while it stays listed.
    if (! mayReopen && ! chosenHasRun)
    {
        ++chosenStalls;
        openStandIn();
    }
}

void DeviceRecovery::readChoice()
{
    chosenHasRun = false;
    const auto* saved = savedState.get();
    auto choice = SavedDeviceState::deviceOf (saved);

    if (choice.isEmpty())
    {
        // No saved choice: the device that runs stands for it.
        chosen = currentDevice();
        chosenSetup = deviceManager.getAudioDeviceSetup();
        return;
    }

    // Opened from a state without a type, the device got the type that lists its names.
    if (choice.type.isEmpty())
        choice.type = deviceManager.getCurrentAudioDeviceType();

    // The saved state keeps the input for a plug-in that would take one.
    const auto state = inputWanted ? std::make_unique<juce::XmlElement> (*saved) : SavedDeviceState::withoutInput (*saved);
    chosen = SavedDeviceState::deviceOf (state.get());
    chosen.type = choice.type;
    chosenSetup = SavedDeviceState::setupOf (*state);
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
    watchFromNow();
}

void DeviceRecovery::watchFromNow()
{
    quietChecks = 0;
    deliveredSinceOpen = false;
    lastBlocks = blocksDelivered();
}

void DeviceRecovery::openStandIn()
{
    DeviceFallback::openDefaultOfAnotherType (deviceManager, chosen.type);
    watchFromNow();
}

//==============================================================================
void DeviceRecovery::settingsDialogOpened()
{
    dialogOpen = true;
}

void DeviceRecovery::settingsDialogClosed()
{
    dialogOpen = false;

    // The choice is what the dialog saved, run the way the device runs now: an input the user
    // picked stays, and the saved one of a device running its output alone stays left out.
    if (deviceManager.getCurrentAudioDevice() != nullptr)
        inputWanted = deviceManager.getAudioDeviceSetup().inputDeviceName.isNotEmpty();

    readChoice();
    chosenStalls = 0;
    watchFromNow();
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
