#include "CheckOptions.h"

#include "platform/SafeText.h"

#include <cstring>

namespace
{
    // Digits with at most one point: the framework would read "1e3" or "2.5.5" as some other
    // number than the one typed.
    bool isPlainDecimal (const juce::String& text)
    {
        return text.containsOnly ("0123456789.") && text.containsAnyOf ("0123456789")
            && text.indexOfChar ('.') == text.lastIndexOfChar ('.');
    }
}

CheckOptions CheckOptions::parse (const juce::StringArray& arguments)
{
    CheckOptions options;

    for (int i = 0; i < arguments.size(); ++i)
    {
        const auto& argument = arguments[i];

        if (argument == "--help" || argument == "-h")
        {
            options.help = true;
        }
        else if (argument == "--no-editor")
        {
            options.openEditor = false;
        }
        else if (argument == "--json")
        {
            options.json = true;
        }
        else if (argument == "--seconds" || argument.startsWith ("--seconds="))
        {
            const auto text = argument.contains ("=") ? argument.fromFirstOccurrenceOf ("=", false, false)
                                                      : arguments[++i];
            // Checked before it is read: the framework's reading of an exponent overflows.
            const auto value = isPlainDecimal (text) ? text.getDoubleValue() : 0.0;

            if (! isPlainDecimal (text) || value < minimumSeconds || value > maximumSeconds)
                options.error = "--seconds needs a number from " + juce::String (minimumSeconds, 0)
                    + " to " + juce::String (maximumSeconds, 0) + ", not \"" + text + "\"";
            else
                options.seconds = value;
        }
        else if (argument.startsWith ("-") && argument.length() > 1)
        {
            options.error = "unknown option " + argument;
        }
        else if (options.modulePath.isNotEmpty())
        {
            options.error = "one module at a time: \"" + options.modulePath + "\" and \"" + argument + "\"";
        }
        else
        {
            options.modulePath = argument;
        }

        if (options.error.isNotEmpty())
            return options;
    }

    if (! options.help && options.modulePath.isEmpty())
        options.error = "no module given";

    return options;
}

CheckOptions CheckOptions::parse (int argc, const char* const* argv)
{
    juce::StringArray arguments;

    for (int i = 1; i < argc; ++i)
    {
        if (! SafeText::isStrictUtf8 (argv[i], std::strlen (argv[i])))
        {
            CheckOptions options;
            options.error = "argument " + juce::String (i) + " is not valid UTF-8";
            return options;
        }

        arguments.add (juce::String::fromUTF8 (argv[i]));
    }

    return parse (arguments);
}

juce::String CheckOptions::helpText()
{
    return R"(Usage: tolvane-check [--seconds N] [--no-editor] [--json] MODULE

Checks a VST 2.x editor plug-in module the way )" TOLVANE_APP_NAME_STRING R"( runs it: the same loader,
mini-host handshake, call-back handling and transport player as the application. It prints
one line per check (PASS, WARN or FAIL, a short name and what it saw), then a summary.

  MODULE          the plug-in module (.so on Linux, .dll on Windows), any name, any folder
  --seconds N     how long to process audio, and how long to show the editor (default 2,
                  from 2 to 3600): with --seconds 60 you can click through your editor
                  while the checker records every call-back
  --no-editor     do not open the editor (also skipped when there is no display)
  --json          print the report as one JSON document instead of text
  --help          this text

Checks, in order:
  1. Module      loads as a VST 2.x module: path, name, vendor, version, inputs, outputs,
                 MIDI input wanted, editor and its size. No name, no editor or an editor
                 of size zero fail.
  2. Handshake   the mini-host extension handshake of the application: the capability
                 reply (1 speaks the extension; 0 or -1 do not, which is fine; other values
                 warn), the sHDL reply, the keyboard flag, the size mode (0, 1, 2 known),
                 the colours (top byte not 0xFF, equal colours or text on background
                 contrast below 2:1 warn) and the sCol reply.
  3. Processing  N seconds on a silent built-in device at 48000 Hz with blocks of 256
                 samples, at the pace of a real device, through the application's player;
                 MIDI Machine Control PLAY after 0.5 s and STOP after 1.5 s. Reports the
                 blocks processed, the play head at PLAY and STOP, and the output:
                 NaN or infinite samples fail, samples above 0 dBFS warn.
  4. Editor      opens the editor in a window like the application's for N seconds and
                 records every call of the two call-backs during the whole run: which one,
                 whether it carried the host's handle, whether it came on the message thread,
                 the tempo. A foreign handle or a tempo that is not finite or not above
                 zero fails; a settings call off the message thread warns. A settings call
                 opens no dialog here: it is counted and answered at once.
  5. Teardown    closes the editor and deletes the plug-in; a call-back after that fails.

Exit status: 0 nothing failed, 1 something failed, 2 the module could not be loaded (the
reason is the one the application's "Plugin could not be loaded" message gives), 3 the
command line was wrong.
)";
}
