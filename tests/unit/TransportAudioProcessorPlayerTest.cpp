#include "support/PlayerRig.h"

#include <gtest/gtest.h>

namespace
{
    using Command = Transport::MachineControlCommand;

    //==============================================================================
    TEST (PlayHead, FreshPlayerReports120BpmIn44AtTheStartStopped)
    {
        TransportAudioProcessorPlayer player;
        const auto position = player.getPosition();

        ASSERT_TRUE (position.hasValue());
        EXPECT_EQ (position->getBpm().orFallback (0.0), 120.0);
        ASSERT_TRUE (position->getTimeSignature().hasValue());
        EXPECT_EQ (position->getTimeSignature()->numerator, 4);
        EXPECT_EQ (position->getTimeSignature()->denominator, 4);
        EXPECT_EQ (position->getTimeInSamples().orFallback (-1), 0);
        EXPECT_EQ (position->getTimeInSeconds().orFallback (-1.0), 0.0);
        EXPECT_EQ (position->getEditOriginTime().orFallback (-1.0), 0.0);
        EXPECT_EQ (position->getPpqPosition().orFallback (-1.0), 0.0);
        EXPECT_EQ (position->getPpqPositionOfLastBarStart().orFallback (-1.0), 0.0);
        ASSERT_TRUE (position->getFrameRate().hasValue());
        EXPECT_EQ (position->getFrameRate()->getType(), juce::AudioPlayHead::fps24);
        EXPECT_FALSE (position->getIsPlaying());
        EXPECT_FALSE (position->getIsRecording());
        ASSERT_TRUE (position->getLoopPoints().hasValue());
        EXPECT_EQ (position->getLoopPoints()->ppqStart, 0.0);
        EXPECT_EQ (position->getLoopPoints()->ppqEnd, 0.0);
        EXPECT_FALSE (position->getIsLooping());
    }

    TEST (PlayHead, TempoSetByThePluginReadsBack)
    {
        TransportAudioProcessorPlayer player;
        player.setTempo (static_cast<double> (93.5f));
        EXPECT_EQ (player.getPosition()->getBpm().orFallback (0.0), 93.5);
    }

    //==============================================================================
    struct FoldCase
    {
        int pluginOutputs, deviceOutputs;
        std::vector<float> expected;
    };

    class Fold : public ::testing::TestWithParam<FoldCase>
    {
    };

    TEST_P (Fold, PluginChannelsWrapOntoTheDeviceOutputs)
    {
        const auto& fold = GetParam();
        PlayerRig rig (0, fold.pluginOutputs, 48000.0, 256, 0, fold.deviceOutputs);
        rig.attach();
        rig.runBlock (256);

        ASSERT_EQ (rig.probe.blocks, 1);

        for (int d = 0; d < fold.deviceOutputs; ++d)
            for (int i : { 0, 128, 255 })
                EXPECT_EQ (rig.outputs[(size_t) d][(size_t) i], fold.expected[(size_t) d])
                    << "output " << d << " sample " << i;

        // Nothing beyond the block is touched.
        for (int d = 0; d < fold.deviceOutputs; ++d)
            EXPECT_EQ (rig.outputs[(size_t) d][256], 9.0f);
    }

    // The probe writes c + 1 into its channel c.
    INSTANTIATE_TEST_SUITE_P (ChannelCounts, Fold, ::testing::Values (FoldCase { 2, 2, { 1, 2 } }, FoldCase { 2, 6, { 1, 2, 0, 0, 0, 0 } }, FoldCase { 1, 2, { 1, 0 } }, FoldCase { 1, 6, { 1, 0, 0, 0, 0, 0 } }, FoldCase { 4, 2, { 1 + 3, 2 + 4 } }, FoldCase { 4, 6, { 1, 2, 3, 4, 0, 0 } }, FoldCase { 0, 2, { 0, 0 } }));

    TEST (FoldEdges, DeviceWithoutOutputsStillProcessesAndAdvances)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 0);
        rig.attach();
        rig.sendMachineControl (Command::play);
        rig.runBlock (256);

        EXPECT_EQ (rig.probe.blocks, 1);
        EXPECT_EQ (rig.transport().timeInSamples, 256);
    }

    TEST (FoldEdges, DeviceInputsReachThePluginAndSurplusInputsAreDropped)
    {
        PlayerRig rig (2, 2, 48000.0, 64, 3, 2);
        rig.probe.passInputsThrough = true;
        rig.attach();

        for (size_t k = 0; k < rig.inputs.size(); ++k)
            std::fill (rig.inputs[k].begin(), rig.inputs[k].end(), 0.25f * (float) (k + 1));

        rig.runBlock (64);
        EXPECT_EQ (rig.outputs[0][10], 0.25f);
        EXPECT_EQ (rig.outputs[1][10], 0.5f);
    }

    //==============================================================================
    TEST (WorkBuffer, TakesThePluginsOutputsAtAttachAndEachDevicesBufferLength)
    {
        PlayerRig rig (0, 4, 48000.0, 256, 0, 2);
        EXPECT_EQ (rig.player.workBuffer.getNumChannels(), 1);
        EXPECT_EQ (rig.player.workBuffer.getNumSamples(), 1);

        rig.attach();
        EXPECT_EQ (rig.player.workBuffer.getNumChannels(), 4);
        EXPECT_EQ (rig.player.workBuffer.getNumSamples(), 256);
        EXPECT_EQ (rig.probe.preparedBlockSize, 256);

        rig.player.audioDeviceStopped();
        EXPECT_EQ (rig.player.workBuffer.getNumSamples(), 256);

        FakeAudioDevice smaller (44100.0, 128, 0, 6);
        rig.player.audioDeviceAboutToStart (&smaller);
        EXPECT_EQ (rig.player.workBuffer.getNumChannels(), 4);
        EXPECT_EQ (rig.player.workBuffer.getNumSamples(), 128);
        EXPECT_EQ (rig.player.getTransportSampleRate(), 44100.0);
    }

    TEST (WorkBuffer, BlockLongerThanTheDeviceBufferIsProcessedInPiecesAndFullyAdvanced)
    {
        PlayerRig rig (2, 2, 48000.0, 256, 2, 2);
        rig.probe.passInputsThrough = true;
        rig.attach();

        for (size_t k = 0; k < 2; ++k)
            for (size_t i = 0; i < rig.inputs[k].size(); ++i)
                rig.inputs[k][i] = (float) i + 0.5f * (float) k;

        rig.sendMachineControl (Command::play);
        rig.runBlock (1000);

        EXPECT_EQ (rig.player.workBuffer.getNumSamples(), 256);
        EXPECT_EQ (rig.probe.blocks, 4);
        EXPECT_EQ (rig.probe.lastBlockLength, 1000 - 3 * 256);

        for (size_t k = 0; k < 2; ++k)
            for (size_t i : { 0u, 255u, 256u, 700u, 999u })
                EXPECT_EQ (rig.outputs[k][i], (float) i + 0.5f * (float) k) << k << ":" << i;

        EXPECT_EQ (rig.outputs[0][1000], 9.0f);
        EXPECT_EQ (rig.transport().timeInSamples, 1000);
        EXPECT_NEAR (rig.transport().timeInSeconds, 1000.0 / 48000.0, 1e-12);
    }

    //==============================================================================
    TEST (Transport, TenBlocksOfPlayAdvanceByTheRunningSumOfBlockDurations)
    {
        PlayerRig rig (0, 2, 44100.0, 512, 0, 2);
        rig.attach();
        rig.sendMachineControl (Command::play);

        double expectedSeconds = 0.0;

        for (int i = 0; i < 10; ++i)
        {
            rig.runBlock (512);
            expectedSeconds += 512.0 / 44100.0;
        }

        EXPECT_EQ (rig.transport().timeInSamples, 5120);
        EXPECT_EQ (rig.transport().timeInSeconds, expectedSeconds);
    }

    TEST (Transport, StoppedTransportDoesNotAdvance)
    {
        PlayerRig rig (0, 2, 44100.0, 512, 0, 2);
        rig.attach();
        rig.runBlock (512);
        EXPECT_EQ (rig.transport().timeInSamples, 0);
    }

    TEST (Transport, FastForwardAndRewindStepOneSecondAtThePluginsRate)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();

        rig.sendMachineControl (Command::fastForward);
        EXPECT_EQ (rig.transport().timeInSeconds, 1.0);
        EXPECT_EQ (rig.transport().timeInSamples, 48000);
        EXPECT_FALSE (rig.transport().isPlaying);

        rig.sendMachineControl (Command::fastForward);
        rig.sendMachineControl (Command::rewind);
        EXPECT_EQ (rig.transport().timeInSamples, 48000);

        rig.sendMachineControl (Command::rewind);
        rig.sendMachineControl (Command::rewind);
        EXPECT_EQ (rig.transport().timeInSeconds, 0.0);
        EXPECT_EQ (rig.transport().timeInSamples, 0);
    }

    TEST (Transport, StopWhileRecordingKeepsRecordingAndReturnsToZero)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();
        rig.sendMachineControl (Command::recordStrobe);
        rig.sendMachineControl (Command::play);
        rig.runBlock (256);

        rig.sendMachineControl (Command::stop);
        const auto t = rig.transport();
        EXPECT_FALSE (t.isPlaying);
        EXPECT_TRUE (t.isRecording);
        EXPECT_EQ (t.timeInSamples, 0);
        EXPECT_EQ (t.timeInSeconds, 0.0);

        rig.sendMachineControl (Command::recordExit);
        EXPECT_FALSE (rig.transport().isRecording);
    }

    TEST (Transport, PauseWhileStoppedStartsTheTransport)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();
        rig.sendMachineControl (Command::pause);
        EXPECT_TRUE (rig.transport().isPlaying);
        rig.sendMachineControl (Command::pause);
        EXPECT_TRUE (rig.transport().isPlaying);
    }

    TEST (Transport, AnyDeviceIdIsHonoured)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();
        rig.sendMachineControl (Command::play, 0x10);
        EXPECT_TRUE (rig.transport().isPlaying);
    }

    TEST (Transport, FiveByteMessageIsNotMachineControlButReachesThePlugin)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();
        rig.sendMidi ({ 0xf0, 0x7f, 0x7f, 0x06, 0x02 });
        EXPECT_FALSE (rig.transport().isPlaying);

        rig.runBlock (256);
        ASSERT_EQ (rig.probe.midiSeen, 1u);
        EXPECT_EQ (rig.probe.midiLog[0].status, 0xf0);
    }

    TEST (Transport, CommandsOutsideTheTableChangeNothing)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();

        for (std::uint8_t command : { 0x03, 0x08, 0x0a, 0x00, 0x7f })
            rig.sendMachineControl (command);

        const auto t = rig.transport();
        EXPECT_FALSE (t.isPlaying);
        EXPECT_FALSE (t.isRecording);
        EXPECT_EQ (t.timeInSamples, 0);

        rig.runBlock (256);
        EXPECT_EQ (rig.probe.midiSeen, 5u);
    }

    TEST (Transport, MachineControlReachesThePluginInTheNextBlockWithTheNewStateVisible)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();
        rig.runBlock (256);

        rig.sendMachineControl (Command::play);
        rig.sendMidi ({ 0x90, 60, 100 });
        EXPECT_EQ (rig.probe.midiSeen, 0u);

        rig.runBlock (256);
        ASSERT_EQ (rig.probe.midiSeen, 2u);
        EXPECT_EQ (rig.probe.midiLog[0].size, 6);
        EXPECT_EQ (rig.probe.midiLog[0].fifthByte, 0x02);
        EXPECT_EQ (rig.probe.midiLog[0].block, 2);
        EXPECT_TRUE (rig.probe.midiLog[0].playingDuringBlock);
        EXPECT_EQ (rig.probe.midiLog[1].status, 0x90);

        // The plug-in saw the position of the block's first sample.
        EXPECT_EQ (rig.probe.lastPosition->getTimeInSamples().orFallback (-1), 0);
        EXPECT_EQ (rig.transport().timeInSamples, 256);
    }

    TEST (Transport, WithoutPluginTheTransportStillFollowsPlayAndStopButDoesNotMove)
    {
        PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
        rig.attach();
        rig.sendMachineControl (Command::fastForward);
        rig.player.setProcessor (nullptr);

        rig.sendMachineControl (Command::fastForward);
        rig.sendMachineControl (Command::rewind);
        EXPECT_EQ (rig.transport().timeInSamples, 48000);

        rig.sendMachineControl (Command::play);
        rig.runBlock (256);
        EXPECT_TRUE (rig.transport().isPlaying);
        EXPECT_EQ (rig.transport().timeInSamples, 48000);
        EXPECT_EQ (rig.outputs[0][0], 0.0f);
        EXPECT_EQ (rig.outputs[1][0], 0.0f);

        rig.sendMachineControl (Command::stop);
        EXPECT_EQ (rig.transport().timeInSamples, 0);
    }
}
