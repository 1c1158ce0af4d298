/*
    Per-block cost of the transport player against the framework's plain player, driving the
    same trivial processor from the device callback as a device would. The transport plays, so
    the transport player advances its position every block. "WithPlayHead" variants have the
    processor ask the play head for the position every block, as the VST hosting does.
    Arguments: processor outputs, device outputs, block length.
*/
#include "support/FakeAudioDevice.h"
#include "support/ProbeProcessor.h"
#include "audio/TransportAudioProcessorPlayer.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
    struct DeviceBuffers
    {
        DeviceBuffers (int numOutputs, int numSamples)
            : channels ((size_t) numOutputs, std::vector<float> ((size_t) numSamples))
        {
            for (auto& channel : channels)
                pointers.push_back (channel.data());
        }

        std::vector<std::vector<float>> channels;
        std::vector<float*> pointers;
    };

    template <typename Player>
    void runPlayer (benchmark::State& state, Player& player, ProbeProcessor& probe)
    {
        const auto pluginOutputs = (int) state.range (0);
        const auto deviceOutputs = (int) state.range (1);
        const auto blockLength = (int) state.range (2);

        FakeAudioDevice device (48000.0, blockLength, 0, deviceOutputs);
        DeviceBuffers outputs (deviceOutputs, blockLength);

        player.setProcessor (&probe);

        if constexpr (std::is_same_v<Player, TransportAudioProcessorPlayer>)
        {
            probe.setPlayHead (&player);
            player.workBuffer.setSize (pluginOutputs, blockLength);
        }

        player.audioDeviceAboutToStart (&device);

        for (auto _ : state)
        {
            player.audioDeviceIOCallbackWithContext (nullptr, 0, outputs.pointers.data(), deviceOutputs,
                                                     blockLength, {});
            benchmark::DoNotOptimize (outputs.pointers[0][0]);
        }

        player.setProcessor (nullptr);
        state.SetItemsProcessed (state.iterations() * blockLength);
    }

    template <bool askPlayHead>
    void plainPlayer (benchmark::State& state)
    {
        ProbeProcessor probe (0, (int) state.range (0));
        probe.queryPlayHead = askPlayHead;
        juce::AudioProcessorPlayer player;
        runPlayer (state, player, probe);
    }

    template <bool askPlayHead>
    void transportPlayer (benchmark::State& state)
    {
        ProbeProcessor probe (0, (int) state.range (0));
        probe.queryPlayHead = askPlayHead;
        TransportAudioProcessorPlayer player;
        player.handleIncomingMidiMessage (nullptr, juce::MidiMessage::midiMachineControlCommand (juce::MidiMessage::mmc_play));
        runPlayer (state, player, probe);
    }

    void layouts (benchmark::internal::Benchmark* benchmark)
    {
        for (int block : { 64, 256, 1024 })
            benchmark->Args ({ 2, 2, block });

        benchmark->Args ({ 4, 2, 256 }); // folded by the transport player; the plain player runs 2 of the 4
        benchmark->Args ({ 4, 4, 256 }); // the cost of processing all 4, for comparison
    }
}

BENCHMARK (plainPlayer<false>)->Name ("plainPlayer")->Apply (layouts);
BENCHMARK (transportPlayer<false>)->Name ("transportPlayer")->Apply (layouts);
BENCHMARK (plainPlayer<true>)->Name ("plainPlayerWithPlayHead")->Apply (layouts);
BENCHMARK (transportPlayer<true>)->Name ("transportPlayerWithPlayHead")->Apply (layouts);
BENCHMARK_MAIN();
