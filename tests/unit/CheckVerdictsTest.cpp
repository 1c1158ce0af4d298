/*
    What tolvane-check makes of a plug-in's answers, without a module.
*/
#include "CheckVerdicts.h"
#include "PlayHeadWatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

using CheckVerdicts::Verdict;

TEST (CheckVerdictsTest, OnlyACapabilityReplyOutsideOneZeroAndMinusOneWarns)
{
    EXPECT_EQ (CheckVerdicts::capabilityReply (1).verdict, Verdict::pass);
    EXPECT_EQ (CheckVerdicts::capabilityReply (0).verdict, Verdict::pass);
    EXPECT_EQ (CheckVerdicts::capabilityReply (-1).verdict, Verdict::pass);
    EXPECT_EQ (CheckVerdicts::capabilityReply (2).verdict, Verdict::warn);
    EXPECT_EQ (CheckVerdicts::capabilityReply (0x100000001LL).verdict, Verdict::warn);
    EXPECT_EQ (CheckVerdicts::sizeMode (2).verdict, Verdict::pass);
    EXPECT_EQ (CheckVerdicts::sizeMode (-1).verdict, Verdict::warn);
}

TEST (CheckVerdictsTest, ContrastRatioRunsFromOneForEqualColoursToTwentyOneForBlackOnWhite)
{
    EXPECT_NEAR (CheckVerdicts::contrastRatio (juce::Colours::black, juce::Colours::white), 21.0, 1e-9);
    EXPECT_NEAR (CheckVerdicts::contrastRatio (juce::Colours::white, juce::Colours::black), 21.0, 1e-9);
    EXPECT_NEAR (CheckVerdicts::contrastRatio (juce::Colour (0xff777777), juce::Colour (0xff777777)), 1.0, 1e-9);
    // Mid grey on white: the usual guidelines give 4.48:1.
    EXPECT_NEAR (CheckVerdicts::contrastRatio (juce::Colour (0xff777777), juce::Colours::white), 4.48, 0.01);
}

TEST (CheckVerdictsTest, ColoursWarnWhenNotOpaqueEqualOrHardToRead)
{
    EXPECT_EQ (CheckVerdicts::colours ({ 0xfff2f2f2, 0xff3fa7d6, 0xff22313f }).verdict, Verdict::pass);

    const auto transparent = CheckVerdicts::colours ({ 0x00f2f2f2, 0xff3fa7d6, 0xff22313f });
    EXPECT_EQ (transparent.verdict, Verdict::warn);
    EXPECT_TRUE (transparent.detail.contains ("text has top byte 0x00, forced opaque to 0xfff2f2f2"));

    // Equal once opaque, though the plug-in wrote different words.
    EXPECT_TRUE (CheckVerdicts::colours ({ 0xfff2f2f2, 0x0022313f, 0xff22313f }).detail.contains ("accent and background are the same colour"));
    EXPECT_TRUE (CheckVerdicts::colours ({ 0xff808080, 0xff3fa7d6, 0xff909090 }).detail.contains ("below 2:1"));
}

TEST (CheckVerdictsTest, NonFiniteOutputFailsAndOutputAboveFullScaleWarns)
{
    const float quiet[] = { 0.5f, -0.25f }, loud[] = { 0.5f, -1.5f };
    const float broken[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() };
    const float* channels[] = { quiet, loud, broken };

    CheckVerdicts::OutputCounts counts;
    CheckVerdicts::countBlock (counts, channels, 1, 2);
    EXPECT_EQ (CheckVerdicts::output (counts).verdict, Verdict::pass);
    EXPECT_EQ (CheckVerdicts::decibels (counts.peak), "-6.0 dBFS");

    CheckVerdicts::countBlock (counts, channels + 1, 1, 2);
    EXPECT_EQ (CheckVerdicts::output (counts).verdict, Verdict::warn);

    CheckVerdicts::countBlock (counts, channels + 2, 1, 2);
    EXPECT_EQ (counts.nonFinite, 2);
    EXPECT_EQ (counts.samples, 6);
    EXPECT_EQ (CheckVerdicts::output (counts).verdict, Verdict::fail);
}

namespace
{
    /** A transport that STOP reaches while a query is under way. */
    struct StoppedDuringQuery final : juce::AudioPlayHead
    {
        juce::Optional<PositionInfo> getPosition() const override
        {
            PositionInfo info;
            info.setIsPlaying (playing);
            if (std::exchange (playing, false))
                watch->expect (PlayHeadWatch::afterStop);
            return info;
        }

        mutable bool playing = true;
        PlayHeadWatch* watch = nullptr;
    };
}

TEST (CheckVerdictsTest, PlayHeadWatchKeepsOnlyAQueryThatStartedAfterTheCommand)
{
    StoppedDuringQuery transport;
    PlayHeadWatch watch (transport);
    transport.watch = &watch;

    watch.getPosition();
    EXPECT_FALSE (watch.seenAt (PlayHeadWatch::afterStop).captured);

    watch.getPosition();
    EXPECT_TRUE (watch.seenAt (PlayHeadWatch::afterStop).captured);
    EXPECT_FALSE (watch.seenAt (PlayHeadWatch::afterStop).playing);
}
