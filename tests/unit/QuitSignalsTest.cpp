/*
    The system's quit signals, sent for real to this test program.
*/
#include "app/QuitSignals.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#if JUCE_LINUX || JUCE_BSD

namespace
{
    struct Requests
    {
        int count = 0;
        bool allOnTheMessageThread = true;
    };

    // Runs the message loop until the requests reach the wanted count (or a minute has gone).
    void dispatchUntil (const Requests& requests, int wanted)
    {
        for (int i = 0; i < 6000 && requests.count < wanted; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    }

    bool handlerIsTheDefault (int signalNumber)
    {
        struct sigaction current
        {
        };
        ::sigaction (signalNumber, nullptr, &current);
        return current.sa_handler == SIG_DFL;
    }
}

TEST (QuitSignalsTest, TermAndHupReachTheCallbackOnTheMessageThreadAndEndTheProcessAgainOnceItIsGone)
{
    Requests requests;
    {
        QuitSignals signals ([&requests]
                             {
                                 ++requests.count;
                                 requests.allOnTheMessageThread = requests.allOnTheMessageThread
                                     && juce::MessageManager::getInstance()->isThisTheMessageThread();
                             });

        // Unhandled, either signal would end this program here.
        ASSERT_EQ (::kill (::getpid(), SIGTERM), 0);
        dispatchUntil (requests, 1);
        EXPECT_EQ (requests.count, 1);

        // A signal that arrives on another thread (as one from outside may) is handled the same way.
        std::thread ([]
                     {
                         ::raise (SIGHUP);
                     })
            .join();
        dispatchUntil (requests, 2);
        EXPECT_EQ (requests.count, 2);
        EXPECT_TRUE (requests.allOnTheMessageThread);

        EXPECT_FALSE (handlerIsTheDefault (SIGTERM));
        EXPECT_FALSE (handlerIsTheDefault (SIGHUP));
    }

    EXPECT_TRUE (handlerIsTheDefault (SIGTERM));
    EXPECT_TRUE (handlerIsTheDefault (SIGHUP));

    // A second object after the first works as well: the pipe was set up anew.
    QuitSignals again ([&requests]
                       {
                           ++requests.count;
                       });
    ASSERT_EQ (::kill (::getpid(), SIGTERM), 0);
    dispatchUntil (requests, 3);
    EXPECT_EQ (requests.count, 3);
}

#endif
