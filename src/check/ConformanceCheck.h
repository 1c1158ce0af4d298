#pragma once

#include "CallbackRecorder.h"
#include "CheckOptions.h"
#include "audio/TransportAudioProcessorPlayer.h"
#include "hosting/PluginLifetime.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <memory>

class CheckReport;
class CheckWindow;
class PlayHeadWatch;
class SilentAudioDevice;

/** Runs one module through what the application does with it, in the application's order,
    with the application's own plug-in lifetime (loader, handshake, call-back handling,
    attaching, teardown with its fence and watchdog), device set-up and player, and writes
    down what it sees: load, handshake, editor created, player attached to a silent device,
    processing with MIDI Machine Control, editor shown, teardown. A plug-in that does not
    return from its teardown in time is reported as such and the checker ends there, with
    status 1, where the application would end with 0.

    Message thread; run() returns when every check has been made.
*/
class ConformanceCheck final
{
public:
    ConformanceCheck (const CheckOptions& options, CheckReport& report);
    ~ConformanceCheck();

    void run();

    /** Whether windows can be shown: on Linux only with an X display named in DISPLAY. */
    static bool displayAvailable();

private:
    bool loadModule();
    void runHandshake();
    void reportModule();
    void reportHandshake();
    void attachToSilentDevice();
    void runProcessing();
    void showEditor();
    void reportCallbacks();
    void tearDown();
    [[noreturn]] void reportHungTeardown();

    /** Runs the message loop until the time has passed or until stop() says so. */
    template <typename Stop>
    void dispatchFor (double seconds, Stop&& stop);

    const CheckOptions& options;
    CheckReport& report;
    const bool editorWanted;

    juce::AudioPluginFormatManager formatManager;
    juce::AudioDeviceManager deviceManager;
    TransportAudioProcessorPlayer player;
    CallbackRecorder recorder { this, player };
    std::unique_ptr<PlayHeadWatch> playHeadWatch;
    std::unique_ptr<CheckWindow> window;

    // Torn down first: the player, the play head watch and the recorder outlive the plug-in.
    PluginLifetime plugin { this, recorder };
    juce::AudioProcessorEditor* editor = nullptr;
    SilentAudioDevice* device = nullptr;
    MiniHostHandshake::Reply reply;
    bool handshakeRan = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ConformanceCheck)
};
