#pragma once

#include "FakeAudioDevice.h"
#include "ProbeProcessor.h"
#include "audio/TransportAudioProcessorPlayer.h"

#include <memory>
#include <vector>

/** A player attached to a probe plug-in the way the application attaches the real one, on a
    fake device whose callbacks the test makes itself.
*/
struct PlayerRig
{
    PlayerRig (int pluginInputs, int pluginOutputs, double rate, int bufferSize,
               int deviceInputs, int deviceOutputs)
        : probe (pluginInputs, pluginOutputs),
          device (rate, bufferSize, deviceInputs, deviceOutputs)
    {
        // As the host creates the real plug-in: 44100 Hz, 512 samples.
        probe.setRateAndBufferSizeDetails (44100.0, 512);
        resizeDevice (deviceInputs, deviceOutputs, bufferSize * 4);
    }

    ~PlayerRig()
    {
        player.setProcessor (nullptr);
    }

    /** Attaches the probe, or another plug-in, as the application attaches its plug-in. */
    void attach() { attach (probe); }

    void attach (juce::AudioProcessor& plugin)
    {
        plugin.setPlayHead (&player);
        player.setProcessor (&plugin);
        player.workBuffer.setSize (plugin.getTotalNumOutputChannels(), plugin.getBlockSize(),
                                   false, false, false);
        player.audioDeviceAboutToStart (&device);
    }

    /** Gives the device's channels room for blocks of up to maxBlock samples; outputs start
        filled with a value that the player must overwrite.
    */
    void resizeDevice (int numInputs, int numOutputs, int maxBlock)
    {
        inputs.assign ((size_t) numInputs, std::vector<float> ((size_t) maxBlock));
        outputs.assign ((size_t) numOutputs, std::vector<float> ((size_t) maxBlock, 9.0f));
        inputPointers.clear();
        outputPointers.clear();

        for (auto& channel : inputs)
            inputPointers.push_back (channel.data());

        for (auto& channel : outputs)
            outputPointers.push_back (channel.data());
    }

    void runBlock (int numSamples)
    {
        player.audioDeviceIOCallbackWithContext (inputPointers.data(), (int) inputPointers.size(),
                                                 outputPointers.data(), (int) outputPointers.size(),
                                                 numSamples, {});
    }

    /** A message stamped the way MIDI inputs stamp them. */
    static juce::MidiMessage stamped (juce::MidiMessage message)
    {
        message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
        return message;
    }

    void sendMidi (std::initializer_list<std::uint8_t> bytes)
    {
        const std::vector<std::uint8_t> data (bytes);
        player.handleIncomingMidiMessage (nullptr, stamped (juce::MidiMessage (data.data(), (int) data.size())));
    }

    void sendMachineControl (std::uint8_t command, std::uint8_t deviceId = 0x7f)
    {
        sendMidi ({ 0xf0, 0x7f, deviceId, 0x06, command, 0xf7 });
    }

    TransportState transport() const { return player.positionRecord.read(); }

    ProbeProcessor probe;
    FakeAudioDevice device;
    TransportAudioProcessorPlayer player;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;
};
