#include "platform/SafeText.h"
#include "CheckOptions.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
    bool isStrict (const char* text)
    {
        return SafeText::isStrictUtf8 (text, std::strlen (text));
    }
}

TEST (SafeText, TakesStrictUtf8AndRefusesWhatTheFrameworkMisreads)
{
    for (const auto* text : { "", "plain", "Gr\xc3\xb6\xc3\x9f"
                                           "e",
                              "\xe2\x82\xac", "\xf0\x9f\x8e\xb9", "\xf4\x8f\xbf\xbf" })
        EXPECT_TRUE (isStrict (text)) << text;

    // Cut short, a stray continuation, overlong forms, a surrogate, above U+10FFFF, no lead byte.
    for (const auto* text : { "\xc3", "a\xe2\x82", "\x80", "\xc0\xaf", "\xe0\x80\xaf", "\xf0\x8c\x9a\x9c",
                              "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xff", "\xc3\x28" })
        EXPECT_FALSE (isStrict (text)) << juce::String::toHexString (text, (int) std::strlen (text));

    EXPECT_FALSE (SafeText::isStrictUtf8 ("a\0b", 3));
}

TEST (CheckOptions, ArgumentsThatAreNotStrictUtf8OrNumbersAreCommandLineErrors)
{
    const char* invalid[] = { "tolvane-check", "--seconds=2", "\xc0\xff"
                                                              "plug.so" };
    EXPECT_EQ (CheckOptions::parse (3, invalid).error, "argument 2 is not valid UTF-8");

    const char* exponent[] = { "tolvane-check", "--seconds=2e-0022444444444", "plug.so" };
    EXPECT_TRUE (CheckOptions::parse (3, exponent).error.startsWith ("--seconds needs a number"));

    const char* fine[] = { "tolvane-check", "--seconds", "10", "Gr\xc3\xb6\xc3\x9f"
                                                               "e.so" };
    const auto options = CheckOptions::parse (4, fine);
    EXPECT_TRUE (options.error.isEmpty());
    EXPECT_EQ (options.seconds, 10.0);
    EXPECT_EQ (options.modulePath, juce::String (juce::CharPointer_UTF8 ("Gr\xc3\xb6\xc3\x9f"
                                                                         "e.so")));
}
