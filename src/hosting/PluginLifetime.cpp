#include "PluginLifetime.h"

#include "audio/TransportAudioProcessorPlayer.h"
#include "devices/DeviceSetup.h"

PluginLifetime::PluginLifetime (void* hostHandle, MiniHostCallbacks::Host& host)
    : callbacks (hostHandle, host)
{
}

PluginLifetime::~PluginLifetime()
{
    tearDown();
}

PluginLoader::Loaded PluginLifetime::load (juce::AudioPluginFormatManager& formatManager, const juce::File& module)
{
    jassert (plugin == nullptr);
    auto loaded = PluginLoader::load (formatManager, module);
    plugin = std::move (loaded.instance);
    return loaded;
}

MiniHostHandshake::Reply PluginLifetime::handshake()
{
    auto* effect = plugin != nullptr ? MiniHostHandshake::effectOf (*plugin) : nullptr;

    if (effect == nullptr)
        return {};

    // The plug-in may call back as soon as it has the call-backs, even during the handshake.
    callbacks.startAnswering();
    answering = true;

    return MiniHostHandshake::run (*effect, callbacks.getHostHandle(), MiniHostCallbacks::settingsCallback(),
                                   MiniHostCallbacks::tempoCallback());
}

void PluginLifetime::attach (TransportAudioProcessorPlayer& player, juce::AudioDeviceManager& deviceManager)
{
    jassert (plugin != nullptr);
    DeviceSetup::attach (*plugin, player, deviceManager);
    attachedPlayer = &player;
    attachedDevices = &deviceManager;
}

void PluginLifetime::tearDown (std::function<void()> onHang, std::chrono::milliseconds limit)
{
    // A call-back made while the plug-in is torn down, or one still waiting for the message
    // thread, reaches nobody.
    callbacks.stopAnswering();
    answering = false;

    if (plugin == nullptr && attachedPlayer == nullptr)
        return;

    // Taking the player off may wait for a block that the plug-in is processing.
    const ShutdownWatchdog watchdog (limit, std::move (onHang));

    // The audio and MIDI callbacks leave before the plug-in goes.
    if (attachedPlayer != nullptr)
        DeviceSetup::detach (*attachedPlayer, *attachedDevices);

    attachedPlayer = nullptr;
    attachedDevices = nullptr;

    if (plugin != nullptr)
    {
        // The editor goes before the plug-in that it shows.
        delete plugin->getActiveEditor();
        plugin->releaseResources();
        plugin.reset();
    }
}
