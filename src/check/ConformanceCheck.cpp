#include "ConformanceCheck.h"

#include "CheckReport.h"
#include "CheckWindow.h"
#include "PlayHeadWatch.h"
#include "SilentAudioDevice.h"
#include "SilentAudioDeviceType.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

using CheckVerdicts::Verdict;

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 256;
    constexpr double playAfterSeconds = 0.5, stopAfterSeconds = 1.5;

    // Time for a thread that the plug-in left behind to call back once it has been deleted.
    constexpr double afterTeardownSeconds = 0.3;

    double now()
    {
        return juce::Time::getMillisecondCounterHiRes() * 0.001;
    }

    juce::String plural (juce::int64 n, const char* word)
    {
        return juce::String (n) + " " + word + (n == 1 ? "" : "s");
    }

    juce::String describe (const PlayHeadWatch::Seen& seen)
    {
        return juce::String (seen.playing ? "playing" : "stopped") + " at " + juce::String (seen.samples)
            + " samples (" + juce::String (seen.seconds, 3) + " s), " + juce::String (seen.bpm) + " bpm";
    }

    juce::MidiMessage machineControl (juce::uint8 command)
    {
        const juce::uint8 bytes[] = { 0xf0, 0x7f, 0x7f, 0x06, command, 0xf7 };
        juce::MidiMessage message (bytes, (int) sizeof (bytes));

        // Stamped as the framework stamps what a MIDI input receives.
        message.setTimeStamp (now());
        return message;
    }
}

//==============================================================================
ConformanceCheck::ConformanceCheck (const CheckOptions& checkOptions, CheckReport& reportToFill)
    : options (checkOptions),
      report (reportToFill),
      editorWanted (checkOptions.openEditor && displayAvailable())
{
    formatManager.addDefaultFormats();
}

ConformanceCheck::~ConformanceCheck()
{
    // Normally tearDown() has done this already.
    plugin.tearDown();
    MiniHostCallbacks::setObserver (nullptr);
}

bool ConformanceCheck::displayAvailable()
{
#if JUCE_LINUX || JUCE_BSD
    return juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isNotEmpty();
#else
    return true;
#endif
}

template <typename Stop>
void ConformanceCheck::dispatchFor (double seconds, Stop&& stop)
{
    const auto end = now() + seconds;

    while (! stop())
    {
        const auto left = end - now();
        if (left <= 0.0)
            break;

        juce::MessageManager::getInstance()->runDispatchLoopUntil (juce::jlimit (1, 20, (int) std::ceil (left * 1000.0)));
    }
}

void ConformanceCheck::run()
{
    report.startSection ("Module", "module");

    if (! loadModule())
        return;

    runHandshake();

    // As the application does: the editor is made before the player is attached.
    if (editorWanted && plugin.get()->hasEditor())
        editor = plugin.get()->createEditorIfNeeded();

    reportModule();
    reportHandshake();

    attachToSilentDevice();
    runProcessing();
    showEditor();
    tearDown();
}

//==============================================================================
bool ConformanceCheck::loadModule()
{
    const auto module = juce::File::getCurrentWorkingDirectory().getChildFile (options.modulePath);
    report.setFact ("path", module.getFullPathName());

    const auto loaded = plugin.load (formatManager, module);

    if (plugin.get() == nullptr)
    {
        report.setLoadFailure (loaded.failureTitle, loaded.failureMessage);
        return false;
    }

    return true;
}

void ConformanceCheck::runHandshake()
{
    MiniHostCallbacks::setObserver (&recorder);

    if (MiniHostHandshake::effectOf (*plugin.get()) == nullptr)
        return;

    reply = plugin.handshake();
    handshakeRan = true;
}

void ConformanceCheck::reportModule()
{
    const auto& instance = *plugin.get();
    const auto description = instance.getPluginDescription();
    const auto name = instance.getName();
    const auto inputs = instance.getTotalNumInputChannels(), outputs = instance.getTotalNumOutputChannels();

    report.setFact ("name", name);
    report.setFact ("vendor", description.manufacturerName);
    report.setFact ("version", description.version);
    report.setFact ("inputs", inputs);
    report.setFact ("outputs", outputs);
    report.setFact ("midiInput", instance.acceptsMidi());
    report.setFact ("hasEditor", instance.hasEditor());

    report.add ("module", Verdict::pass,
                "VST 2.x, " + description.fileOrIdentifier + ", vendor \"" + description.manufacturerName + "\", version " + description.version
                    + ", " + juce::String (inputs) + " in, " + juce::String (outputs) + " out, "
                    + (instance.acceptsMidi() ? "wants MIDI input" : "no MIDI input"));

    if (name.isEmpty())
        report.add ("name", Verdict::fail, "empty: the application's window has no title");
    else
        report.add ("name", Verdict::pass, "\"" + name + "\", the application's window title");

    if (! instance.hasEditor())
    {
        report.add ("editor", Verdict::fail, "none: the application shows an empty grey window, and the user "
                                             "can reach neither the plug-in nor the settings dialog");
        return;
    }

    if (editor == nullptr && editorWanted)
    {
        report.add ("editor", Verdict::fail, "declares one but gave none: the application shows an empty grey window");
        return;
    }

    if (editor == nullptr)
    {
        report.add ("editor", Verdict::pass, juce::String ("has one; size not measured (") + (options.openEditor ? "no display" : "--no-editor") + ")");
        return;
    }

    const auto width = editor->getWidth(), height = editor->getHeight();
    report.setFact ("editorWidth", width);
    report.setFact ("editorHeight", height);

    // The framework gives an editor that reports no rectangle a size of 1 x 1.
    if (width <= 1 || height <= 1)
        report.add ("editor", Verdict::fail, juce::String (width) + " x " + juce::String (height) + " (effEditGetRect): the application's window starts at that size and, once "
                                                                                                    "the editor is open, takes a size the framework guesses (250 x 150 on "
                                                                                                    "Linux, the plug-in window's own on Windows)");
    else
        report.add ("editor", Verdict::pass, juce::String (width) + " x " + juce::String (height) + ", the application's window is fitted to it");
}

void ConformanceCheck::reportHandshake()
{
    report.startSection ("Extension handshake", "handshake");

    if (! handshakeRan)
    {
        report.note ("not run: the module has no VST 2.x entry structure");
        return;
    }

    report.setFact ("capabilityReply", reply.capabilityReply);
    report.add ("capability", CheckVerdicts::capabilityReply (reply.capabilityReply));

    if (reply.capabilityReply != TOLVANE_MINIHOST_CAN_DO_SUPPORTED)
    {
        report.note ("the handshake ends here, as in the application");
        return;
    }

    report.setFact ("handleReply", reply.handleReply);
    report.add ("sHDL", CheckVerdicts::handleReply (reply.handleReply));

    if (! reply.supported)
    {
        report.note ("the handshake ends here, as in the application");
        return;
    }

    report.setFact ("keyboardFlag", (int) reply.keyboardFlag);
    report.setFact ("sizeMode", (int) reply.windowSizeMode);
    report.setFact ("coloursReply", reply.coloursReply);

    report.add ("sKbd", Verdict::pass, juce::String ((int) reply.keyboardFlag) + " (the plug-in's own; the host does not use it)");
    report.add ("sSiz", CheckVerdicts::sizeMode (reply.windowSizeMode));

    if (! reply.coloursSupplied)
    {
        report.add ("sCol", Verdict::pass, "0, refused: the host draws its settings dialog in the framework's default look");
        return;
    }

    juce::Array<juce::var> written;
    for (auto colour : reply.colours)
        written.add ("0x" + juce::String::toHexString ((juce::int64) colour).paddedLeft ('0', 8));
    report.setFact ("colours", written);

    report.add ("sCol", Verdict::pass, juce::String (reply.coloursReply) + ": colours supplied");
    report.add ("colours", CheckVerdicts::colours ({ reply.colours[0], reply.colours[1], reply.colours[2] }));
}

//==============================================================================
void ConformanceCheck::attachToSilentDevice()
{
    auto& instance = *plugin.get();
    auto type = std::make_unique<SilentAudioDeviceType> (instance.getTotalNumInputChannels(),
                                                         juce::jmax (1, instance.getTotalNumOutputChannels()));
    auto& silentType = *type;
    deviceManager.addAudioDeviceType (std::move (type));

    juce::AudioDeviceManager::AudioDeviceSetup setup;
    setup.sampleRate = sampleRate;
    setup.bufferSize = blockSize;

    // Up to 256 channels each way, as the application asks of its device.
    deviceManager.initialise (256, 256, nullptr, false, {}, &setup);
    device = silentType.getLastDevice();

    plugin.attach (player, deviceManager);

    playHeadWatch = std::make_unique<PlayHeadWatch> (player);
    instance.setPlayHead (playHeadWatch.get());
}

void ConformanceCheck::runProcessing()
{
    report.startSection ("Processing", "processing");

    if (device == nullptr || deviceManager.getCurrentAudioDevice() != device)
    {
        report.add ("device", Verdict::fail, "the silent device did not open");
        return;
    }

    const auto start = now();
    const auto blocksAtStart = device->getBlocksProcessed();
    const auto never = []
    {
        return false;
    };

    dispatchFor (playAfterSeconds, never);
    player.handleIncomingMidiMessage (nullptr, machineControl (0x02));
    playHeadWatch->expect (PlayHeadWatch::afterPlay);

    dispatchFor (start + stopAfterSeconds - now(), never);
    const auto beforeStop = player.positionRecord.read();
    player.handleIncomingMidiMessage (nullptr, machineControl (0x01));
    playHeadWatch->expect (PlayHeadWatch::afterStop);

    dispatchFor (start + options.seconds - now(), never);

    const auto elapsed = now() - start;
    const auto blocks = device->getBlocksProcessed() - blocksAtStart;
    const auto expected = (juce::int64) (elapsed * sampleRate / blockSize);

    report.setFact ("sampleRate", sampleRate);
    report.setFact ("blockSize", blockSize);
    report.setFact ("seconds", elapsed);
    report.setFact ("blocks", (juce::int64) blocks);
    report.setFact ("playHeadQueries", (juce::int64) playHeadWatch->getQueries());

    const auto blocksText = plural (blocks, "block") + " of " + juce::String (blockSize) + " samples at "
        + juce::String (sampleRate, 0) + " Hz in " + juce::String (elapsed, 1) + " s";

    if (blocks == 0)
        report.add ("blocks", Verdict::fail, blocksText + ": the plug-in never finished a block");
    else if (blocks * 10 < expected * 9)
        report.add ("blocks", Verdict::warn, blocksText + ", about " + juce::String (expected) + " due: slower than real time; a sound card would drop out");
    else
        report.add ("blocks", Verdict::pass, blocksText);

    const auto atPlay = playHeadWatch->seenAt (PlayHeadWatch::afterPlay);
    const auto atStop = playHeadWatch->seenAt (PlayHeadWatch::afterStop);
    const auto followed = atPlay.captured && atPlay.playing && atStop.captured && ! atStop.playing;

    report.add ("play-head", followed ? Verdict::pass : Verdict::fail,
                "asked " + plural (playHeadWatch->getQueries(), "time")
                    + "; after PLAY (" + juce::String (playAfterSeconds, 1) + " s): "
                    + (atPlay.captured ? describe (atPlay) : juce::String ("not asked"))
                    + "; before STOP it had reached " + juce::String (beforeStop.timeInSamples) + " samples ("
                    + juce::String (beforeStop.timeInSeconds, 3) + " s); after STOP (" + juce::String (stopAfterSeconds, 1)
                    + " s): " + (atStop.captured ? describe (atStop) : juce::String ("not asked")));
    report.note ("the framework asks the play head before every block and hands the plug-in the result when it "
                 "asks (audioMasterGetTime); whether it asks cannot be seen from the host");

    const auto counts = device->getOutputCounts();
    report.setFact ("outputSamples", (juce::int64) counts.samples);
    report.setFact ("nonFiniteSamples", (juce::int64) counts.nonFinite);
    report.setFact ("samplesAboveFullScale", (juce::int64) counts.aboveFullScale);
    report.setFact ("peak", counts.peak);
    report.add ("output", CheckVerdicts::output (counts));
}

//==============================================================================
void ConformanceCheck::showEditor()
{
    report.startSection ("Editor and call-backs", "editor");

    if (! editorWanted)
    {
        report.note (juce::String ("editor not opened (") + (options.openEditor ? "no display" : "--no-editor")
                     + "); the call-backs below are those made without it");
        return;
    }

    if (editor == nullptr)
    {
        report.note ("no editor to open");
        return;
    }

    window = std::make_unique<CheckWindow> (plugin.get()->getName(), *editor, reply.windowSizeMode);

    if (options.seconds > CheckOptions::minimumSeconds)
        std::cerr << "tolvane-check: the editor is open for " << options.seconds
                  << " s; click through it, every call-back is written down" << std::endl;

    const auto start = now();
    dispatchFor (options.seconds, [this]
                 {
                     return window->wasClosedByUser();
                 });

    const auto shown = now() - start;
    const auto width = editor->getWidth(), height = editor->getHeight();
    const auto size = juce::String (width) + " x " + juce::String (height);

    report.setFact ("shownSeconds", shown);
    report.setFact ("width", width);
    report.setFact ("height", height);

    if (width <= 1 || height <= 1)
        report.add ("editor-window", Verdict::fail, "shown for " + juce::String (shown, 1) + " s at " + size + ": the editor shrank to nothing");
    else
        report.add ("editor-window", Verdict::pass, "shown for " + juce::String (shown, 1) + " s at " + size + (window->wasClosedByUser() ? ", closed by the user" : ""));
}

void ConformanceCheck::tearDown()
{
    // The application's teardown; the recorder still sees every call.
    using Stage = CallbackRecorder::Stage;
    recorder.setStage (Stage::tearingDown);
    plugin.tearDown ([this]
                     {
                         reportHungTeardown();
                     });
    editor = nullptr;
    window.reset();
    recorder.setStage (Stage::tornDown);

    dispatchFor (afterTeardownSeconds, []
                 {
                     return false;
                 });
    MiniHostCallbacks::setObserver (nullptr);

    juce::Array<juce::var> calls;
    const auto whileRunning = recorder.callsAt (Stage::running);

    for (const auto& call : whileRunning)
    {
        auto* entry = new juce::DynamicObject();
        entry->setProperty ("callback", call.settings ? "settings" : "tempo");
        entry->setProperty ("hostHandle", call.hostHandle);
        entry->setProperty ("messageThread", call.messageThread);
        if (! call.settings)
            entry->setProperty ("bpm", std::isfinite (call.bpm) ? juce::var (call.bpm) : juce::var (juce::String (call.bpm)));
        calls.add (juce::var (entry));
    }

    report.setFact ("calls", calls);
    report.setFact ("totalCalls", recorder.getTotalCalls());
    report.setFact ("settingsAnswered", recorder.getSettingsAnswered());

    for (const auto& named : CheckVerdicts::callbackFindings (whileRunning))
        report.add (named.name, named.finding);

    if (recorder.getTotalCalls() > CallbackRecorder::capacity)
        report.note ("only the first " + juce::String (CallbackRecorder::capacity) + " of "
                     + juce::String (recorder.getTotalCalls()) + " calls were looked at");

    report.startSection ("Teardown", "teardown");
    const auto during = recorder.callsAt (Stage::tearingDown), late = recorder.callsAt (Stage::tornDown);
    report.setFact ("callsDuringTeardown", (int) during.size());
    report.setFact ("callsAfterTeardown", (int) late.size());

    if (! late.empty())
        report.add ("teardown", Verdict::fail, plural ((juce::int64) late.size(), "call-back") + " after the plug-in was deleted: the application ignores them, but a thread of the "
                                                                                                 "plug-in outlives it");
    else if (! during.empty())
        report.add ("teardown", Verdict::warn, plural ((juce::int64) during.size(), "call-back") + " while the host closed the editor and deleted the plug-in: the application ignores "
                                                                                                   "them from the moment it starts shutting down");
    else
        report.add ("teardown", Verdict::pass, "plug-in and editor deleted; no call-back afterwards");
}

void ConformanceCheck::reportHungTeardown()
{
    // The message thread is stuck in the plug-in: this is the watchdog's thread, and the
    // report is no longer written by anyone else.
    report.startSection ("Teardown", "teardown");
    report.add ("teardown", Verdict::fail, "the plug-in did not return from its teardown (editor close, release, deletion) within " + juce::String ((int) ShutdownWatchdog::defaultLimit.count() / 1000) + " s: the application cuts it off there and ends, its settings already saved");
    std::cout << (options.json ? report.asJson() : report.asText()) << std::flush;
    std::_Exit (report.exitCode());
}
