#include "ProcessPriority.h"

#include <juce_core/juce_core.h>

#include <algorithm>

#if JUCE_LINUX || JUCE_BSD
#include <cerrno>
#include <sys/resource.h>
#endif

int chooseNiceValue (int currentNice, int lowestAllowedNice) noexcept
{
    return std::min (currentNice, std::max (highPriorityNiceValue, lowestAllowedNice));
}

#if JUCE_LINUX || JUCE_BSD
static int lowestNiceAllowedByLimit()
{
    rlimit limit {};

    if (getrlimit (RLIMIT_NICE, &limit) != 0)
        return 20;

    if (limit.rlim_cur == RLIM_INFINITY)
        return -20;

    return 20 - (int) std::min<rlim_t> (limit.rlim_cur, 40);
}

// On Linux a nice value belongs to a thread, so each thread of the process is set.
static void setNiceForThread (int threadId, int lowestAllowed)
{
    errno = 0;
    const auto current = getpriority (PRIO_PROCESS, (id_t) threadId);

    if ((current == -1 && errno != 0) || current <= highPriorityNiceValue)
        return;

    // A privileged user (CAP_SYS_NICE) gets the target whatever RLIMIT_NICE says; others as
    // much of it as the limit allows.
    if (setpriority (PRIO_PROCESS, (id_t) threadId, highPriorityNiceValue) == 0)
        return;

    const auto wanted = chooseNiceValue (current, lowestAllowed);

    if (wanted < current)
        setpriority (PRIO_PROCESS, (id_t) threadId, wanted);
}
#endif

void raiseProcessPriority()
{
    juce::Process::setPriority (juce::Process::HighPriority);

#if JUCE_LINUX || JUCE_BSD
    const auto lowestAllowed = lowestNiceAllowedByLimit();

    for (const auto& entry : juce::RangedDirectoryIterator (juce::File ("/proc/self/task"), false, "*",
                                                            juce::File::findDirectories))
        setNiceForThread (entry.getFile().getFileName().getIntValue(), lowestAllowed);
#endif
}
