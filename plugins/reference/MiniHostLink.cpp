#include "MiniHostLink.h"

#include <cstring>

MiniHostLink::MiniHostLink (const Answers& answersToGive)
    : answers (answersToGive)
{
}

juce::pointer_sized_int MiniHostLink::answerCanDo (const char* text)
{
    // Exactly 1: the host takes any other reply, -1 and 2 included, as "not supported".
    if (text != nullptr && std::strcmp (text, TOLVANE_MINIHOST_CAN_DO) == 0)
        return TOLVANE_MINIHOST_CAN_DO_SUPPORTED;

    return 0;
}

juce::pointer_sized_int MiniHostLink::answerVendorSpecific (juce::int32 index, juce::pointer_sized_int value, void* ptr)
{
    if (index != TOLVANE_MINIHOST_INDEX)
        return 0;

    switch (value)
    {
        case TOLVANE_MINIHOST_HANDLE:
            // Opaque: kept only to be handed back as the call-backs' first argument.
            hostHandle = ptr;
            connected = true;
            return 1;

        case TOLVANE_MINIHOST_SETTINGS:
            if (ptr == nullptr)
                return 0;

            // The VST 2.x dispatcher carries every address as void*; this one is a function's.
            settingsCallback = reinterpret_cast<TolvaneMiniHostSettingsCallback> (ptr);
            return 1;

        case TOLVANE_MINIHOST_TEMPO:
            if (ptr == nullptr)
                return 0;

            tempoCallback = reinterpret_cast<TolvaneMiniHostTempoCallback> (ptr);
            return 1;

        // The next three addresses point into the host's stack and are valid only during
        // this call: write the answer, never keep the address.
        case TOLVANE_MINIHOST_KEYBOARD:
            if (ptr == nullptr)
                return 0;

            *static_cast<TolvaneMiniHostKeyboardFlag*> (ptr) = answers.keyboardFlag;
            return 1;

        case TOLVANE_MINIHOST_SIZE:
            if (ptr == nullptr)
                return 0;

            *static_cast<TolvaneMiniHostSizeMode*> (ptr) = answers.sizeMode;
            return 1;

        case TOLVANE_MINIHOST_COLOURS:
        {
            if (ptr == nullptr)
                return 0;

            auto* colours = static_cast<uint32_t*> (ptr); // a TolvaneMiniHostColours
            colours[TOLVANE_MINIHOST_COLOUR_TEXT] = answers.textColour;
            colours[TOLVANE_MINIHOST_COLOUR_ACCENT] = answers.accentColour;
            colours[TOLVANE_MINIHOST_COLOUR_BACKGROUND] = answers.backgroundColour;
            return 1;
        }

        default:
            return 0;
    }
}

bool MiniHostLink::isConnected() const noexcept
{
    return connected;
}

bool MiniHostLink::canOpenSettings() const noexcept
{
    return connected && settingsCallback.load() != nullptr;
}

bool MiniHostLink::canSetTempo() const noexcept
{
    return connected && tempoCallback.load() != nullptr;
}

void MiniHostLink::openSettings() const
{
    if (! connected)
        return;

    if (const auto callback = settingsCallback.load())
        callback (hostHandle.load());
}

void MiniHostLink::setTempo (float beatsPerMinute) const
{
    if (! connected)
        return;

    if (const auto callback = tempoCallback.load())
        callback (hostHandle.load(), beatsPerMinute);
}
