#pragma once

/** The keys of the per-user settings file. Their names are what the file holds: changing
    one loses every user's saved value.
*/
namespace SettingsKeys
{
    /** The audio and MIDI device state, as the device manager writes it (XML text). */
    inline constexpr const char* audioDeviceState = "audioDeviceState";

    /** The main window's position, as the window writes it. */
    inline constexpr const char* mainWindowPos = "mainWindowPos";
}
