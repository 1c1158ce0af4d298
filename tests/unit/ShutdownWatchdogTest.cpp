/*
    The watchdog over the plug-in's teardown, with its action replaced where the process must
    live on, and with its real action in a child process where it must not.
*/
#include "hosting/ShutdownWatchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <thread>

using namespace std::chrono_literals;

TEST (ShutdownWatchdogTest, AStretchThatEndsInTimeNeverRunsTheActionAndDoesNotWaitForTheLimit)
{
    std::atomic<int> calls { 0 };
    {
        // Were the end to wait for the limit, this test would time out.
        ShutdownWatchdog watchdog (24h, [&calls]
                                   {
                                       ++calls;
                                   });
    }
    EXPECT_EQ (calls.load(), 0);
}

TEST (ShutdownWatchdogTest, AnOverrunRunsTheActionOnceOnItsOwnThreadAndTheEndWaitsForIt)
{
    std::promise<std::thread::id> started;
    auto actionThread = started.get_future();
    std::atomic<int> calls { 0 };
    std::atomic<bool> finished { false };

    {
        ShutdownWatchdog watchdog (1ms, [&]
                                   {
                                       ++calls;
                                       started.set_value (std::this_thread::get_id());
                                       finished = true;
                                   });

        ASSERT_EQ (actionThread.wait_for (60s), std::future_status::ready);
        EXPECT_NE (actionThread.get(), std::this_thread::get_id());
    }

    EXPECT_TRUE (finished.load());
    EXPECT_EQ (calls.load(), 1);
}

namespace
{
    // A teardown that never returns, in a process whose exit handlers would end it with
    // status 3: the plug-in's DLL detach code and static destructors must not run, they may
    // hang as well.
    [[noreturn]] void stuckTeardown()
    {
        std::atexit ([]
                     {
                         std::_Exit (3);
                     });
        ShutdownWatchdog watchdog (10ms);
        std::promise<void> never;
        never.get_future().wait();
        std::abort();
    }
}

TEST (ShutdownWatchdogDeathTest, ByDefaultAStuckTeardownEndsTheProcessWithStatusZeroWithoutExitHandlers)
{
    GTEST_FLAG_SET (death_test_style, "threadsafe");
    EXPECT_EXIT (stuckTeardown(), ::testing::ExitedWithCode (0), "");
}
