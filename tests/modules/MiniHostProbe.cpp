/*
    A VST 2.x module that speaks the mini-host extension and can be told what to answer and
    what to do, for testing the real application from outside. Written straight against the
    interface, without the framework.

    Told through the environment:
      TOLVANE_PROBE_LOG         file that it appends what it sees to, a line each
      TOLVANE_PROBE_COMMANDS    file that it reads commands from, a line each, as lines appear
      TOLVANE_PROBE_CAN_DO      reply to the capability query (default 1)
      TOLVANE_PROBE_HANDLE      reply to the host handle (default 1)
      TOLVANE_PROBE_SIZE_MODE   window size mode to write (default: writes nothing)
      TOLVANE_PROBE_COLOURS     "text,accent,background" in hex (default: refuses the colours)
      TOLVANE_PROBE_TAKES_SCALE reply to "supportsViewDpiScaling" (default 0); the content scales
                                the host then sends are logged
      TOLVANE_PROBE_EDITOR      "WIDTHxHEIGHT": has an editor of that size (default: no editor),
                                on Windows a plain child window that knows nothing of display
                                scaling, drawn as four quadrants (red, green / blue, yellow) and
                                logging mouse clicks; elsewhere an empty area
      TOLVANE_PROBE_CLOSE       how it behaves when closed (default: well):
                                size-thread  its editor has a thread of its own that asks the
                                             host for the window's size every 10 ms, and once
                                             more while the editor closes, which joins it
                                hang         never returns from its close
      TOLVANE_PROBE_MIDI        1: takes MIDI and logs each event it is given, from its idle
                                call: "midi 90 3c 64" (three bytes), "sysex f0 ... f7" (up to 8
                                bytes) or "sysex LENGTH sum=HEX" (the bytes' sum, 32 bits)

    Commands, run on the host's message thread from the plug-in's idle call:
      settings                  calls the settings call-back
      settings-nested           the same, and calls it again from inside the open dialog
      settings-thread           calls it from a thread of its own, and waits for that thread
      settings-foreign          calls it with a handle that is not the host's
      tempo BPM                 calls the tempo call-back from the audio thread, and logs the
                                play head of that block and of the next one
      tempo-foreign BPM         the same with a handle that is not the host's
      settings-at-close         calls the settings call-back again when the host closes it
      resize WIDTHxHEIGHT       resizes the editor and asks the host to fit its window to it
      resize-thread WIDTHxHEIGHT  the same, asked from a thread of its own (not waited for)
      time                      logs the play head of the next block: "time playing=P samplePos=N"

    It logs "editor open WIDTHxHEIGHT" and "editor closed" as the host opens and closes its
    editor.
*/
#include "ModuleIdentity.h"

#include <tolvane_minihost.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace
{
    struct Probe
    {
        AEffect effect {};
        audioMasterCallback host = nullptr;

        void* hostHandle = nullptr;
        std::atomic<TolvaneMiniHostSettingsCallback> settings { nullptr };
        std::atomic<TolvaneMiniHostTempoCallback> tempo { nullptr };

        size_t commandsDone = 0;
        bool insideCommand = false, nestedSettingsPending = false;
        bool processLogged = false;
        bool settingsAtClose = false;

        // Handed from the message thread to the audio thread, and the play heads back.
        std::atomic<float> pendingTempo { 0.0f };
        std::atomic<bool> pendingTempoForeign { false };
        std::atomic<int> tempoStage { 0 }; // 1 asked, 2 called, 3 observed
        std::atomic<bool> processed { false };
        VstTimeInfo before {}, after {};

        ERect editorRect {};

        // What processEvents was given, handed from the audio thread to the idle call.
        struct MidiRecord
        {
            std::uint32_t size, sum;
            unsigned char head[8];
        };
        static constexpr size_t midiCapacity = 16384;
        MidiRecord midi[midiCapacity] {};
        std::atomic<size_t> midiWritten { 0 }, midiRead { 0 }, midiDropped { 0 };
        std::atomic<int> timeStage { 0 }; // 1 asked, 2 observed
        VstTimeInfo timeSeen {};

        // The editor's own thread (TOLVANE_PROBE_CLOSE=size-thread).
        std::thread editorThread;
        std::atomic<bool> editorClosing { false };
#if defined(_WIN32)
        HWND editorWindow = nullptr;
#endif
    };

    const char* environment (const char* name)
    {
        const char* value = std::getenv (name);
        return value != nullptr && *value != 0 ? value : nullptr;
    }

    long environmentNumber (const char* name, long fallback)
    {
        const char* value = environment (name);
        return value != nullptr ? std::strtol (value, nullptr, 0) : fallback;
    }

    void log (const char* format, ...) __attribute__ ((format (printf, 1, 2)));

    void log (const char* format, ...)
    {
        const char* path = environment ("TOLVANE_PROBE_LOG");
        if (path == nullptr)
            return;

        if (FILE* file = std::fopen (path, "ab"))
        {
            va_list args;
            va_start (args, format);
            std::vfprintf (file, format, args);
            va_end (args);
            std::fputc ('\n', file);
            std::fclose (file);
        }
    }

    void* foreignHandle (Probe& probe)
    {
        return static_cast<char*> (probe.hostHandle) + 8;
    }

    void logTime (const char* label, const VstTimeInfo& time)
    {
        log ("%s tempo=%.3f samplePos=%.1f sampleRate=%.1f ppqPos=%.3f barStartPos=%.3f "
             "cycle=%.3f-%.3f timeSig=%d/%d flags=0x%x smpte=%d/%d",
             label, time.tempo, time.samplePos, time.sampleRate, time.ppqPos, time.barStartPos,
             time.cycleStartPos, time.cycleEndPos, time.timeSigNumerator, time.timeSigDenominator,
             (unsigned) time.flags, (int) time.smpteFrameRate, (int) time.smpteOffset);
    }

    void callSettings (Probe& probe, void* handle, const char* label)
    {
        auto settings = probe.settings.load();
        if (settings == nullptr)
        {
            log ("%s: no settings call-back", label);
            return;
        }

        log ("%s: calling", label);
        settings (handle);
        log ("%s: returned", label);
    }

    bool parseSize (const char* text, ERect& rect)
    {
        int width = 0, height = 0;
        if (text == nullptr || std::sscanf (text, "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
            return false;

        rect = { 0, 0, (short) height, (short) width };
        return true;
    }

#if defined(_WIN32)
    LRESULT CALLBACK editorProc (HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message)
        {
            case WM_PAINT:
            {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint (window, &paint);
                RECT client;
                GetClientRect (window, &client);
                const LONG midX = client.right / 2, midY = client.bottom / 2;
                const struct
                {
                    RECT area;
                    COLORREF colour;
                } quadrants[] = {
                    { { 0, 0, midX, midY }, RGB (220, 40, 40) },
                    { { midX, 0, client.right, midY }, RGB (40, 180, 60) },
                    { { 0, midY, midX, client.bottom }, RGB (40, 70, 220) },
                    { { midX, midY, client.right, client.bottom }, RGB (240, 210, 40) }
                };

                for (const auto& quadrant : quadrants)
                {
                    HBRUSH brush = CreateSolidBrush (quadrant.colour);
                    FillRect (dc, &quadrant.area, brush);
                    DeleteObject (brush);
                }

                EndPaint (window, &paint);
                return 0;
            }

            case WM_LBUTTONDOWN:
                log ("click %d %d", (int) (short) LOWORD (lParam), (int) (short) HIWORD (lParam));
                return 0;

            default:
                return DefWindowProcW (window, message, wParam, lParam);
        }
    }

    void openEditor (Probe& probe, HWND parent)
    {
        static const wchar_t* const className = L"TolvaneProbeEditor";
        WNDCLASSW windowClass {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW; // the quadrants move whenever the size changes
        windowClass.lpfnWndProc = editorProc;
        windowClass.hInstance = GetModuleHandleW (nullptr);
        windowClass.hCursor = LoadCursor (nullptr, IDC_ARROW);
        windowClass.lpszClassName = className;
        RegisterClassW (&windowClass); // fails harmlessly once registered

        const auto& rect = probe.editorRect;
        probe.editorWindow = CreateWindowExW (0, className, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                              rect.right - rect.left, rect.bottom - rect.top,
                                              parent, nullptr, windowClass.hInstance, nullptr);
    }

    void closeEditor (Probe& probe)
    {
        if (probe.editorWindow != nullptr)
            DestroyWindow (probe.editorWindow);

        probe.editorWindow = nullptr;
    }

#endif

    bool closesAs (const char* behaviour)
    {
        const char* close = environment ("TOLVANE_PROBE_CLOSE");
        return close != nullptr && std::strcmp (close, behaviour) == 0;
    }

    // Like an editor that keeps fitting itself to the screen from a thread of its own.
    void runEditorThread (Probe& probe)
    {
        const auto askForSize = [&probe]
        {
            return probe.host (&probe.effect, audioMasterSizeWindow, probe.editorRect.right,
                               probe.editorRect.bottom, nullptr, 0.0f);
        };

        for (bool answered = false; ! probe.editorClosing; std::this_thread::sleep_for (std::chrono::milliseconds (10)))
        {
            if (askForSize() != 0 && ! answered)
            {
                answered = true;
                log ("size request answered");
            }
        }

        log ("size request while closing returned %d", (int) askForSize());
    }

    void resizeEditor (Probe& probe, const char* size)
    {
        if (! parseSize (size, probe.editorRect))
            return;

        const int width = probe.editorRect.right, height = probe.editorRect.bottom;
#if defined(_WIN32)
        if (probe.editorWindow != nullptr)
            SetWindowPos (probe.editorWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
#endif

        const auto answer = probe.host (&probe.effect, audioMasterSizeWindow, width, height, nullptr, 0.0f);
        log ("resized %dx%d, host answered %d", width, height, (int) answer);
    }

    void resizeEditorFromThread (Probe& probe, const std::string& size)
    {
        std::thread ([&probe, size]
                     {
                         resizeEditor (probe, size.c_str());
                     })
            .detach();
    }

    void runCommand (Probe& probe, const std::string& command)
    {
        log ("command %s", command.c_str());

        if (command == "settings")
        {
            callSettings (probe, probe.hostHandle, "settings");
        }
        else if (command == "settings-nested")
        {
            probe.nestedSettingsPending = true;
            callSettings (probe, probe.hostHandle, "settings");
        }
        else if (command == "settings-thread")
        {
            std::thread ([&probe]
                         {
                             callSettings (probe, probe.hostHandle, "settings from a thread");
                         })
                .join();
        }
        else if (command == "settings-foreign")
        {
            callSettings (probe, foreignHandle (probe), "settings with a foreign handle");
        }
        else if (command == "settings-at-close")
        {
            probe.settingsAtClose = true;
        }
        else if (command.rfind ("tempo", 0) == 0)
        {
            const auto space = command.find (' ');
            probe.pendingTempoForeign = command.rfind ("tempo-foreign", 0) == 0;
            probe.pendingTempo = space == std::string::npos ? 0.0f : std::strtof (command.c_str() + space + 1, nullptr);
            probe.tempoStage = 1;
        }
        else if (command == "time")
        {
            probe.timeStage = 1;
        }
        else if (command.rfind ("resize ", 0) == 0)
        {
            resizeEditor (probe, command.c_str() + 7);
        }
        else if (command.rfind ("resize-thread ", 0) == 0)
        {
            resizeEditorFromThread (probe, command.substr (14));
        }
    }

    void readCommands (Probe& probe)
    {
        const char* path = environment ("TOLVANE_PROBE_COMMANDS");
        if (path == nullptr)
            return;

        std::ifstream file (path);
        std::string line;

        for (size_t number = 0; std::getline (file, line); ++number)
        {
            if (number < probe.commandsDone)
                continue;

            probe.commandsDone = number + 1;

            // One command an idle call: the next waits until this one has returned.
            probe.insideCommand = true;
            runCommand (probe, line);
            probe.insideCommand = false;
            return;
        }
    }

    // Audio thread: keeps what it is given for the idle call, without waiting.
    void takeEvents (Probe& probe, const VstEvents& events)
    {
        for (int i = 0; i < events.numEvents; ++i)
        {
            const auto* event = events.events[i];
            Probe::MidiRecord record {};

            if (event->type == kVstMidiType)
            {
                record.size = 3;
                std::memcpy (record.head, reinterpret_cast<const VstMidiEvent*> (event)->midiData, 3);
            }
            else if (event->type == kVstSysExType)
            {
                const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*> (event);
                record.size = (std::uint32_t) sysex->dumpBytes;
                for (std::uint32_t b = 0; b < record.size; ++b)
                    record.sum += (unsigned char) sysex->sysexDump[b];
                std::memcpy (record.head, sysex->sysexDump, std::min<size_t> (record.size, sizeof record.head));
            }
            else
            {
                continue;
            }

            const auto written = probe.midiWritten.load();
            if (written - probe.midiRead.load() >= Probe::midiCapacity)
            {
                ++probe.midiDropped;
                continue;
            }

            probe.midi[written % Probe::midiCapacity] = record;
            probe.midiWritten = written + 1;
        }
    }

    void logMidi (Probe& probe)
    {
        for (auto read = probe.midiRead.load(); read != probe.midiWritten.load(); probe.midiRead = ++read)
        {
            const auto& record = probe.midi[read % Probe::midiCapacity];
            char text[64] = "";

            if (record.head[0] != 0xf0)
                std::snprintf (text, sizeof text, "midi %02x %02x %02x", record.head[0], record.head[1], record.head[2]);
            else if (record.size > sizeof record.head)
                std::snprintf (text, sizeof text, "sysex %u sum=%x", (unsigned) record.size, (unsigned) record.sum);
            else
                for (std::uint32_t b = 0, at = std::snprintf (text, sizeof text, "sysex"); b < record.size; ++b)
                    at += (std::uint32_t) std::snprintf (text + at, sizeof text - at, " %02x", record.head[b]);

            log ("%s", text);
        }

        if (const auto dropped = probe.midiDropped.exchange (0))
            log ("midi dropped %lu", (unsigned long) dropped);
    }

    void idle (Probe& probe)
    {
        if (probe.processed && ! probe.processLogged)
        {
            probe.processLogged = true;
            log ("processing");
        }

        if (probe.tempoStage == 3)
        {
            probe.tempoStage = 0;
            logTime ("before", probe.before);
            logTime ("after", probe.after);
        }

        if (probe.timeStage == 2)
        {
            log ("time playing=%d samplePos=%.0f", (probe.timeSeen.flags & kVstTransportPlaying) != 0 ? 1 : 0,
                 probe.timeSeen.samplePos);
            probe.timeStage = 0;
        }

        logMidi (probe);

        if (probe.insideCommand)
        {
            // Idle calls go on inside the host's dialog: that is where the plug-in asks again.
            if (probe.nestedSettingsPending)
            {
                probe.nestedSettingsPending = false;
                callSettings (probe, probe.hostHandle, "nested settings");
            }
            return;
        }

        // A tempo or time command is done once the audio thread has seen its result.
        if (probe.tempoStage == 0 && probe.timeStage == 0)
            readCommands (probe);
    }

    bool writeColours (void* ptr)
    {
        const char* text = environment ("TOLVANE_PROBE_COLOURS");
        if (text == nullptr)
            return false;

        auto* colours = static_cast<std::uint32_t*> (ptr);
        char* end = nullptr;

        for (int i = 0; i < 3; ++i)
        {
            colours[i] = (std::uint32_t) std::strtoul (text, &end, 16);
            text = *end == ',' ? end + 1 : end;
        }

        return true;
    }

    VstIntPtr vendorSpecific (Probe& probe, VstIntPtr value, void* ptr)
    {
        switch (value)
        {
            case TOLVANE_MINIHOST_HANDLE:
                probe.hostHandle = ptr;
                log ("sHDL");
                return environmentNumber ("TOLVANE_PROBE_HANDLE", 1);

            case TOLVANE_MINIHOST_SETTINGS:
                probe.settings = reinterpret_cast<TolvaneMiniHostSettingsCallback> (ptr);
                log ("sCFG");
                return 1;

            case TOLVANE_MINIHOST_TEMPO:
                probe.tempo = reinterpret_cast<TolvaneMiniHostTempoCallback> (ptr);
                log ("sTMP");
                return 1;

            case TOLVANE_MINIHOST_KEYBOARD:
                log ("sKbd %d", *static_cast<TolvaneMiniHostKeyboardFlag*> (ptr));
                return 1;

            case TOLVANE_MINIHOST_SIZE:
                log ("sSiz %d", (int) *static_cast<TolvaneMiniHostSizeMode*> (ptr));
                *static_cast<TolvaneMiniHostSizeMode*> (ptr) = (TolvaneMiniHostSizeMode) environmentNumber ("TOLVANE_PROBE_SIZE_MODE", *static_cast<TolvaneMiniHostSizeMode*> (ptr));
                return 1;

            case TOLVANE_MINIHOST_COLOURS:
            {
                const auto* before = static_cast<const std::uint32_t*> (ptr);
                log ("sCol %x %x %x", before[0], before[1], before[2]);
                return writeColours (ptr) ? 1 : 0;
            }

            default:
                return 0;
        }
    }

    // The content scale that hosts tell plug-ins which answer "supportsViewDpiScaling".
    constexpr int contentScaleIndex = 0x50726553;       // 'PreS'
    constexpr VstIntPtr contentScaleValue = 0x41654373; // 'AeCs'

    VstIntPtr dispatcher (AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt)
    {
        auto& probe = *static_cast<Probe*> (effect->object);

        bool answered = false;
        const auto identity = ModuleIdentity::answer (opcode, ptr, "Mini-Host Probe", answered);
        if (answered)
            return identity;

        switch (opcode)
        {
            case effOpen:
                // Idle calls from the host's message thread carry the commands.
                probe.host (effect, audioMasterNeedIdle, 0, 0, nullptr, 0.0f);
                return 0;

            case effIdle:
                idle (probe);
                return 1;

            case effCanDo:
            {
                const char* text = static_cast<const char*> (ptr);
                if (std::strcmp (text, "supportsViewDpiScaling") == 0)
                    return environmentNumber ("TOLVANE_PROBE_TAKES_SCALE", 0);
                if (std::strcmp (text, "receiveVstMidiEvent") == 0 || std::strcmp (text, "receiveVstEvents") == 0)
                    return environmentNumber ("TOLVANE_PROBE_MIDI", 0);
                if (std::strcmp (text, TOLVANE_MINIHOST_CAN_DO) != 0)
                    return 0;
                log ("canDo %s", text);
                return environmentNumber ("TOLVANE_PROBE_CAN_DO", 1);
            }

            case effVendorSpecific:
                if (index == contentScaleIndex && value == contentScaleValue)
                {
                    log ("content scale %.3f", opt);
                    return 1;
                }
                return index == TOLVANE_MINIHOST_INDEX ? vendorSpecific (probe, value, ptr) : 0;

            case effProcessEvents:
                if (ptr != nullptr)
                    takeEvents (probe, *static_cast<const VstEvents*> (ptr));
                return 1;

            case effEditGetRect:
                *static_cast<ERect**> (ptr) = &probe.editorRect;
                return 1;

            case effEditOpen:
#if defined(_WIN32)
                openEditor (probe, static_cast<HWND> (ptr));
#endif
                log ("editor open %dx%d", probe.editorRect.right - probe.editorRect.left,
                     probe.editorRect.bottom - probe.editorRect.top);
                if (closesAs ("size-thread") && ! probe.editorThread.joinable())
                    probe.editorThread = std::thread (runEditorThread, std::ref (probe));
                return 1;

            case effEditClose:
#if defined(_WIN32)
                closeEditor (probe);
#endif
                if (probe.editorThread.joinable())
                {
                    probe.editorClosing = true;
                    probe.editorThread.join();
                    probe.editorClosing = false;
                }
                log ("editor closed");
                return 1;

            case effClose:
                if (closesAs ("hang"))
                {
                    log ("close: hanging");
                    for (;;)
                        std::this_thread::sleep_for (std::chrono::seconds (1));
                }
                if (probe.settingsAtClose)
                    callSettings (probe, probe.hostHandle, "settings at close");
                log ("closed");
                delete &probe;
                return 1;

            default:
                return 0;
        }
    }

    void processReplacing (AEffect* effect, float**, float** outputs, int numSamples)
    {
        auto& probe = *static_cast<Probe*> (effect->object);

        for (int channel = 0; channel < 2; ++channel)
            std::memset (outputs[channel], 0, sizeof (float) * (size_t) numSamples);

        probe.processed = true;

        if (probe.timeStage == 1)
        {
            if (const auto* time = reinterpret_cast<const VstTimeInfo*> (probe.host (effect, audioMasterGetTime, 0, 0, nullptr, 0.0f)))
                probe.timeSeen = *time;
            probe.timeStage = 2;
        }

        const auto stage = probe.tempoStage.load();
        if (stage != 1 && stage != 2)
            return;

        const auto* time = reinterpret_cast<const VstTimeInfo*> (probe.host (effect, audioMasterGetTime, 0, 0, nullptr, 0.0f));
        if (time == nullptr)
            return;

        if (stage == 1)
        {
            // The host fills the play head in before each block: the new tempo shows next block.
            probe.before = *time;
            auto* handle = probe.pendingTempoForeign ? foreignHandle (probe) : probe.hostHandle;
            if (auto tempo = probe.tempo.load())
                tempo (handle, probe.pendingTempo);
            probe.tempoStage = 2;
        }
        else
        {
            probe.after = *time;
            probe.tempoStage = 3;
        }
    }

    void setParameter (AEffect*, int, float) {}
    float getParameter (AEffect*, int)
    {
        return 0.0f;
    }
}

TEST_MODULE_EXPORT AEffect* VSTPluginMain (audioMasterCallback host)
{
    auto* probe = new Probe();
    probe->host = host;

    auto* effect = &probe->effect;
    effect->magic = kEffectMagic;
    effect->dispatcher = dispatcher;
    effect->setParameter = setParameter;
    effect->getParameter = getParameter;
    effect->numOutputs = 2;
    effect->flags = effFlagsCanReplacing | effFlagsIsSynth;
    effect->uniqueID = 0x544d4850; // 'TMHP'
    effect->version = 1;
    effect->object = probe;
    effect->processReplacing = processReplacing;

    if (parseSize (environment ("TOLVANE_PROBE_EDITOR"), probe->editorRect))
        effect->flags |= effFlagsHasEditor;

    return effect;
}
