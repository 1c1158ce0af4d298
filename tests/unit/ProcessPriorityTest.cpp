#include "platform/ProcessPriority.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#if JUCE_LINUX || JUCE_BSD
#include <sys/resource.h>
#include <unistd.h>
#endif

TEST (ProcessPriority, AimsAtTheTargetWhenTheLimitAllowsIt)
{
    EXPECT_EQ (chooseNiceValue (0, -20), highPriorityNiceValue);
    EXPECT_EQ (chooseNiceValue (5, highPriorityNiceValue), highPriorityNiceValue);
}

TEST (ProcessPriority, StopsAtTheUsersLimit)
{
    EXPECT_EQ (chooseNiceValue (0, -5), -5);
    EXPECT_EQ (chooseNiceValue (10, 0), 0);
}

TEST (ProcessPriority, NeverLowersThePriority)
{
    EXPECT_EQ (chooseNiceValue (0, 20), 0);
    EXPECT_EQ (chooseNiceValue (-15, -20), -15);
    EXPECT_EQ (chooseNiceValue (-5, 0), -5);
}

#if JUCE_LINUX || JUCE_BSD
TEST (ProcessPriority, RaisingNeverMakesTheProcessNicer)
{
    const auto before = getpriority (PRIO_PROCESS, 0);
    raiseProcessPriority();
    const auto after = getpriority (PRIO_PROCESS, 0);

    EXPECT_LE (after, before);

    if (geteuid() == 0)
    {
        EXPECT_LE (after, highPriorityNiceValue);
    }
}
#endif
