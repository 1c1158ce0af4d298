/*
    The checker's command line, as a plug-in maker types it.
*/
#include "CheckOptions.h"

#include <gtest/gtest.h>

namespace
{
    CheckOptions parse (std::initializer_list<const char*> arguments)
    {
        juce::StringArray list;
        for (auto* argument : arguments)
            list.add (argument);
        return CheckOptions::parse (list);
    }
}

TEST (CheckOptionsTest, OptionsGoBeforeOrAfterTheModuleAndEachKeepsItsDefaultUntilGiven)
{
    const auto plain = parse ({ "editor.so" });
    EXPECT_EQ (plain.error, "");
    EXPECT_EQ (plain.modulePath, "editor.so");
    EXPECT_EQ (plain.seconds, 2.0);
    EXPECT_TRUE (plain.openEditor);
    EXPECT_FALSE (plain.json);
    EXPECT_FALSE (plain.help);

    const auto all = parse ({ "--json", "my editor.dll", "--no-editor", "--seconds", "60" });
    EXPECT_EQ (all.error, "");
    EXPECT_EQ (all.modulePath, "my editor.dll");
    EXPECT_EQ (all.seconds, 60.0);
    EXPECT_FALSE (all.openEditor);
    EXPECT_TRUE (all.json);

    EXPECT_EQ (parse ({ "--seconds=2.5", "a.so" }).seconds, 2.5);
    EXPECT_EQ (parse ({ "--seconds", "3600", "a.so" }).error, "");
    // A lone dash is a file name, not an option.
    EXPECT_EQ (parse ({ "-" }).modulePath, "-");
}

TEST (CheckOptionsTest, SecondsOutsideTheRangeOrNotAPlainNumberAreRefusedWithWhatWasTyped)
{
    for (auto* text : { "1.99", "3600.5", "0", "-3", "1e3", "2.5.5", ".", "", "five", "a.so" })
    {
        const auto options = parse ({ "--seconds", text, "b.so" });
        EXPECT_EQ (options.error, juce::String ("--seconds needs a number from 2 to 3600, not \"") + text + "\"") << text;
        EXPECT_EQ (options.seconds, 2.0) << text;
    }

    // The value missing at the end of the line.
    EXPECT_EQ (parse ({ "a.so", "--seconds" }).error, "--seconds needs a number from 2 to 3600, not \"\"");
    EXPECT_EQ (parse ({ "--seconds=", "a.so" }).error, "--seconds needs a number from 2 to 3600, not \"\"");
}

TEST (CheckOptionsTest, TheFirstMistakeIsTheOneReported)
{
    EXPECT_EQ (parse ({ "--verbose", "a.so" }).error, "unknown option --verbose");
    EXPECT_EQ (parse ({ "-v", "--bogus" }).error, "unknown option -v");
    EXPECT_EQ (parse ({ "a.so", "b.so", "--bogus" }).error, "one module at a time: \"a.so\" and \"b.so\"");
    EXPECT_EQ (parse ({}).error, "no module given");
    EXPECT_EQ (parse ({ "--json" }).error, "no module given");
}

TEST (CheckOptionsTest, HelpNeedsNoModuleAndNamesTheProgramAndTheHost)
{
    for (auto* flag : { "--help", "-h" })
    {
        const auto options = parse ({ flag });
        EXPECT_TRUE (options.help) << flag;
        EXPECT_EQ (options.error, "") << flag;
    }

    const auto text = CheckOptions::helpText();
    EXPECT_TRUE (text.startsWith ("Usage: tolvane-check [--seconds N] [--no-editor] [--json] MODULE\n"));
    EXPECT_TRUE (text.contains ("Checks a VST 2.x editor plug-in module the way Tolvane Editor runs it: the same loader,\n"));
}
