/*
    The call fence on a plug-in loaded through the framework's hosting: the test calls the host
    the way the plug-in would, through the call-back the test module was handed.
*/
#include "hosting/MiniHostHandshake.h"
#include "hosting/PluginCallFence.h"
#include "support/ModuleLoader.h"

#include <pluginterfaces/vst2.x/aeffect.h>

#include <gtest/gtest.h>

#include <future>

using namespace std::chrono_literals;

TEST (PluginCallFenceTest, AClosedFenceAnswersWithoutTheInstanceAndASizeRequestNeverWaitsForTheMessageThread)
{
    juce::String error;
    auto plugin = loadModule (TOLVANE_STRICT_MODULE, error);
    ASSERT_NE (plugin, nullptr) << error;

    auto* effectPointer = MiniHostHandshake::effectOf (*plugin);
    ASSERT_NE (effectPointer, nullptr);
    auto& effect = *effectPointer;
    const auto host = reinterpret_cast<audioMasterCallback> (effect.object);
    ASSERT_NE (host, nullptr);
    const auto ask = [&effect, host] (int opcode, int index = 0, VstIntPtr value = 0)
    {
        return host (&effect, opcode, index, value, nullptr, 0.0f);
    };

    // Only the instance knows this block size; without it the framework says 512.
    plugin->prepareToPlay (48000.0, 128);
    EXPECT_FALSE (PluginCallFence::isClosed (effect));
    EXPECT_EQ (ask (audioMasterGetBlockSize), 128);

    PluginCallFence::close (effect);
    PluginCallFence::close (effect);
    EXPECT_TRUE (PluginCallFence::isClosed (effect));
    EXPECT_EQ (ask (audioMasterGetBlockSize), 512);
    EXPECT_EQ (ask (audioMasterVersion), 2400);

    // A plug-in thread's size request while the message thread is busy (here: waiting for
    // it). Through the instance it would wait for the message thread.
    auto size = std::async (std::launch::async, [&ask]
                            {
                                return ask (audioMasterSizeWindow, 640, 480);
                            });
    const bool answeredAtOnce = size.wait_for (10s) == std::future_status::ready;
    while (size.wait_for (0s) != std::future_status::ready)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    EXPECT_TRUE (answeredAtOnce);
    EXPECT_EQ (size.get(), 0);

    plugin->releaseResources();
}
