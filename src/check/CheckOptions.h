#pragma once

#include <juce_core/juce_core.h>

/** The checker's command line:  tolvane-check [--seconds N] [--no-editor] [--json] MODULE */
struct CheckOptions
{
    double seconds = 2.0;
    bool openEditor = true;
    bool json = false;
    bool help = false;
    juce::String modulePath;

    /** Empty when the command line was understood; otherwise what was wrong with it. */
    juce::String error;

    /** The shortest run: MIDI Machine Control PLAY goes out at 0.5 s and STOP at 1.5 s. */
    static constexpr double minimumSeconds = 2.0;
    static constexpr double maximumSeconds = 3600.0;

    /** Reads the arguments (without the program's name). */
    static CheckOptions parse (const juce::StringArray& arguments);

    /** Reads main()'s arguments (argv[0] is the program's name). An argument that is not
        valid UTF-8 is an error: the framework's strings are not safe with it.
    */
    static CheckOptions parse (int argc, const char* const* argv);

    /** The complete --help text. */
    static juce::String helpText();
};
