#pragma once

#include "MiniHostCallbacks.h"
#include "MiniHostHandshake.h"
#include "PluginLoader.h"
#include "ShutdownWatchdog.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <chrono>
#include <functional>
#include <memory>

class TransportAudioProcessorPlayer;

/** The hosted plug-in from loading to deletion, in the one order that both the application
    and the checker follow: load → handshake → attach → tear down.

    It answers the plug-in's mini-host call-backs from the handshake until the teardown
    begins. The teardown refuses the call-backs, takes the player off the plug-in and the
    devices, deletes the editor, releases the plug-in and deletes it, all under a watchdog: a
    plug-in that does not return from it in time cannot keep the process alive. Message
    thread.
*/
class PluginLifetime final
{
public:
    /** host answers the call-backs; hostHandle is what the plug-in is given to pass back. */
    PluginLifetime (void* hostHandle, MiniHostCallbacks::Host& host);

    /** Tears down what is still there. */
    ~PluginLifetime();

    /** Loads the module (see PluginLoader::load). On failure nothing is held and the result
        says why.
    */
    PluginLoader::Loaded load (juce::AudioPluginFormatManager& formatManager, const juce::File& module);

    /** The plug-in; null before it was loaded and after the teardown. */
    juce::AudioPluginInstance* get() const noexcept { return plugin.get(); }

    /** Runs the mini-host handshake with the loaded plug-in; from its start the plug-in's
        call-backs are answered. A plug-in that is not a VST 2.x one gets none, and its reply
        says unsupported.
    */
    MiniHostHandshake::Reply handshake();

    /** Makes the player the plug-in's play head and processor and the device manager's audio
        and MIDI callback (DeviceSetup::attach); the teardown undoes it.
    */
    void attach (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager);

    /** Tears the plug-in down in the one order (see the class). When it has not finished
        within the limit, onHang is called on the watchdog's thread (by default the process
        ends at once with exit status 0). Harmless when there is nothing to tear down.
    */
    void tearDown (std::function<void()> onHang = ShutdownWatchdog::endProcess,
                   std::chrono::milliseconds limit = ShutdownWatchdog::defaultLimit);

    /** Whether the plug-in's call-backs still reach the host. */
    bool isAnswering() const noexcept { return answering; }

private:
    MiniHostCallbacks callbacks;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
    TransportAudioProcessorPlayer* attachedPlayer = nullptr;
    juce::AudioDeviceManager* attachedDevices = nullptr;
    bool answering = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginLifetime)
};
