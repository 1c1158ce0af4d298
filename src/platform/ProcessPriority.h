#pragma once

/** Raises the priority of the whole process for audio work.

    Calls the framework's Process::setPriority with HighPriority (on Windows the process's
    priority class becomes HIGH_PRIORITY_CLASS). The framework does nothing on Linux, so
    there every thread of the process gets a lower nice value, as low as the user's rights
    allow down to a fixed target; threads started later inherit it. When the user may not
    lower it at all, nothing changes. Never fails visibly.
*/
void raiseProcessPriority();

/** The nice value to ask for on Linux, given the current value and the lowest value the
    user's RLIMIT_NICE allows (20 - rlim_cur). Never raises the nice value.
*/
int chooseNiceValue (int currentNice, int lowestAllowedNice) noexcept;

/** The nice value that raiseProcessPriority aims at on Linux. */
constexpr int highPriorityNiceValue = -10;
