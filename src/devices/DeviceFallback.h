#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

/** When the device that should run will not (the saved one, or the default one of the
    framework's first type), the default device of another type often does: WASAPI held in
    exclusive mode by another program or refused by its driver while DirectSound plays, ALSA's
    default device without its sound server while a JACK server runs. Message thread only.
*/
namespace DeviceFallback
{
    /** The types whose default devices stand in for a failed one, in the order to try them:
        of those available, the plain shared-mode WASAPI and DirectSound on Windows, ALSA and
        JACK on Linux, less the failed type. WASAPI's exclusive and low-latency variants are
        never tried: they would take the device from other programs or need what drivers may
        refuse.
    */
    juce::StringArray typesToTry (const juce::StringArray& availableTypes, const juce::String& failedType);

    /** Whether the device is open and started. */
    bool isRunning (juce::AudioIODevice* device);

    /** Opens the current type's device with its first two outputs only, and no input: the
        device that the saved state names when it is of this type, else the type's default
        one. A safety net for a device that lists more outputs than it opens: the framework
        (as patched) confirms a shared-mode WASAPI channel count by opening a stream with it
        (Wine's drivers claimed 36 and opened 18), but takes an exclusive-mode count on the
        driver's word, and a driver may claim what its streams refuse. Not as the user's
        choice. Returns whether the device runs.
    */
    bool openFirstTwoOutputs (juce::AudioDeviceManager& deviceManager, const juce::XmlElement* savedState);

    /** Opens the default device of each type that typesToTry names, after asking it for its
        devices, until one runs (with all its outputs, else with two). Not as the user's choice: the state that the device manager
        keeps as chosen stays as it is, so it is never stored. Returns the type that runs, or
        an empty string when none does (the last one tried is then the current type).
    */
    juce::String openDefaultOfAnotherType (juce::AudioDeviceManager& deviceManager, const juce::String& failedType);
}
