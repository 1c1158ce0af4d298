/*
    The two call-backs as the plug-in calls them: through the function pointers it was handed,
    with a handle, on whatever thread it likes.
*/
#include "hosting/MiniHostCallbacks.h"
#include "support/PlayerRig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace
{
    /** A host that counts what it is asked, sets the tempo on a real player, and can play the
        part of a plug-in that asks for the dialog again while it is open.
    */
    struct RecordingHost final : public MiniHostCallbacks::Host
    {
        void openSettingsDialogForPlugin() override
        {
            ++dialogsOpened;
            onMessageThread = onMessageThread && juce::MessageManager::getInstance()->isThisTheMessageThread();
            if (whileOpen)
                whileOpen();
        }

        void setTempoForPlugin (double beatsPerMinute) noexcept override
        {
            player.setTempo (beatsPerMinute);
        }

        int dialogsOpened = 0;
        bool onMessageThread = true;
        std::function<void()> whileOpen;
        TransportAudioProcessorPlayer player;
    };

    int applicationObject = 0;
    void* const handle = &applicationObject;

    struct Answering
    {
        Answering() { callbacks.startAnswering(); }

        RecordingHost host;
        MiniHostCallbacks callbacks { handle, host };
        TolvaneMiniHostSettingsCallback settings = MiniHostCallbacks::settingsCallback();
        TolvaneMiniHostTempoCallback tempo = MiniHostCallbacks::tempoCallback();
    };

    void dispatchMessagesFor (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    double bpmOf (TransportAudioProcessorPlayer& player)
    {
        return player.getPosition()->getBpm().orFallback (-1.0);
    }
}

TEST (MiniHostCallbacksTest, SettingsOnTheMessageThreadOpensTheDialogOnceAndReturnsAfterIt)
{
    Answering answering;
    answering.settings (handle);

    EXPECT_EQ (answering.host.dialogsOpened, 1);
    EXPECT_TRUE (answering.host.onMessageThread);
    EXPECT_FALSE (answering.callbacks.isSettingsDialogOpen());

    answering.settings (handle);
    EXPECT_EQ (answering.host.dialogsOpened, 2);
}

TEST (MiniHostCallbacksTest, ASecondSettingsCallWhileTheDialogIsOpenOpensNoSecondDialog)
{
    Answering answering;
    answering.host.whileOpen = [&]
    {
        EXPECT_TRUE (answering.callbacks.isSettingsDialogOpen());
        answering.settings (handle);

        // The same request made from another thread, then delivered inside the dialog's loop.
        std::thread ([&]
                     {
                         answering.settings (handle);
                     })
            .join();
        dispatchMessagesFor (100);
    };

    answering.settings (handle);
    dispatchMessagesFor (100);

    EXPECT_EQ (answering.host.dialogsOpened, 1);
}

TEST (MiniHostCallbacksTest, SettingsFromAnotherThreadReturnsAtOnceAndOpensTheDialogOnTheMessageThread)
{
    Answering answering;

    // Several requests before the message thread gets to them open one dialog.
    std::thread ([&]
                 {
                     answering.settings (handle);
                     answering.settings (handle);
                 })
        .join();
    EXPECT_EQ (answering.host.dialogsOpened, 0);

    dispatchMessagesFor (200);

    EXPECT_EQ (answering.host.dialogsOpened, 1);
    EXPECT_TRUE (answering.host.onMessageThread);
}

TEST (MiniHostCallbacksTest, ARequestStillWaitingForTheMessageThreadIsDroppedWhenAnsweringStops)
{
    Answering answering;
    std::thread ([&]
                 {
                     answering.settings (handle);
                 })
        .join();

    answering.callbacks.stopAnswering();
    dispatchMessagesFor (200);

    EXPECT_EQ (answering.host.dialogsOpened, 0);
}

TEST (MiniHostCallbacksTest, CallsWithAnotherHandleOrAfterAnsweringStoppedDoNothing)
{
    Answering answering;
    int somethingElse = 0;

    for (void* wrongHandle : { static_cast<void*> (&somethingElse), static_cast<void*> (nullptr),
                               static_cast<void*> (static_cast<char*> (handle) + 1) })
    {
        answering.settings (wrongHandle);
        std::thread ([&]
                     {
                         answering.settings (wrongHandle);
                     })
            .join();
        answering.tempo (wrongHandle, 140.0f);
    }

    dispatchMessagesFor (100);
    EXPECT_EQ (answering.host.dialogsOpened, 0);
    EXPECT_EQ (bpmOf (answering.host.player), 120.0);

    answering.callbacks.stopAnswering();
    answering.settings (handle);
    answering.tempo (handle, 140.0f);

    EXPECT_EQ (answering.host.dialogsOpened, 0);
    EXPECT_EQ (bpmOf (answering.host.player), 120.0);
}

TEST (MiniHostCallbacksTest, TempoOf140IsSeenByTheNextQueryWithNothingElseChanged)
{
    Answering answering;
    PlayerRig rig (0, 2, 48000.0, 256, 0, 2);
    rig.attach();

    // Somewhere in the middle of a recording take.
    rig.sendMachineControl (0x02); // PLAY
    rig.sendMachineControl (0x06); // RECORD STROBE
    rig.runBlock (256);
    rig.runBlock (256);

    const auto before = *rig.player.getPosition();

    struct PlayerHost final : public MiniHostCallbacks::Host
    {
        explicit PlayerHost (TransportAudioProcessorPlayer& p)
            : player (p) {}
        void openSettingsDialogForPlugin() override {}
        void setTempoForPlugin (double bpm) noexcept override { player.setTempo (bpm); }
        TransportAudioProcessorPlayer& player;
    } host (rig.player);

    MiniHostCallbacks callbacks (handle, host);
    callbacks.startAnswering();
    MiniHostCallbacks::tempoCallback() (handle, 140.0f);

    auto after = *rig.player.getPosition();
    EXPECT_EQ (after.getBpm().orFallback (0.0), 140.0);

    after.setBpm (before.getBpm());
    EXPECT_EQ (after, before);
}

TEST (MiniHostCallbacksTest, TemposThatAreNotFiniteOrNotAboveZeroAreIgnored)
{
    Answering answering;
    answering.tempo (handle, 93.5f);

    for (float tempo : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 0.0f, -0.0f, -120.0f })
    {
        SCOPED_TRACE (tempo);
        answering.tempo (handle, tempo);
        EXPECT_EQ (bpmOf (answering.host.player), 93.5);
    }

    // The smallest positive value is a tempo, however odd; the float widens exactly.
    answering.tempo (handle, std::numeric_limits<float>::denorm_min());
    EXPECT_EQ (bpmOf (answering.host.player), (double) std::numeric_limits<float>::denorm_min());
}
