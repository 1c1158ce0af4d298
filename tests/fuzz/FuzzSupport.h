#pragma once

#include <juce_events/juce_events.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

/** libFuzzer's entry point, which each target defines. */
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size);

/** What the fuzz targets share: the framework without a display or an audio device, a private
    folder, and a way to fail that libFuzzer reports with the input.
*/
namespace FuzzSupport
{
    /** The framework's message manager for the whole run, made once and never shut down:
        its shut-down at exit would run after the framework's own static list of singletons is
        gone. The singletons stay reachable, so the leak check reports only what an input left
        behind.
    */
    inline void initialiseFramework()
    {
        static const auto* framework = new juce::ScopedJuceInitialiser_GUI();
        juce::ignoreUnused (framework);
    }

    /** An empty folder of this process's own, removed at exit; HOME and XDG_CONFIG_HOME point
        into it, so nothing a target writes reaches the user's files.
    */
    inline juce::File privateFolder()
    {
        struct Folder
        {
            Folder()
            {
                folder.createDirectory();
                setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
                setenv ("XDG_CONFIG_HOME", folder.getChildFile ("config").getFullPathName().toRawUTF8(), 1);
            }
            ~Folder() { folder.deleteRecursively(); }

            juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                    .getChildFile ("tolvane-fuzz-" + juce::String ((int) getpid()));
        };

        static Folder folder;
        return folder.folder;
    }

    /** Stops the run with a message: libFuzzer keeps the input as a crash. */
    [[noreturn]] inline void fail (const juce::String& what)
    {
        std::fprintf (stderr, "\nInvariant broken: %s\n", what.toRawUTF8());
        std::abort();
    }

    inline void require (bool condition, const juce::String& what)
    {
        if (! condition)
            fail (what);
    }
}
