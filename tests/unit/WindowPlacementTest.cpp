#include "ui/WindowPlacement.h"

#include <gtest/gtest.h>

namespace
{
    const juce::Array<juce::Rectangle<int>> oneScreen { juce::Rectangle<int> (0, 0, 1280, 1024) };
    const juce::Array<juce::Rectangle<int>> twoScreens { juce::Rectangle<int> (0, 0, 1280, 1024),
                                                         juce::Rectangle<int> (1280, 0, 1920, 1080) };

    juce::Point<int> topLeftOf (const juce::String& state)
    {
        const auto position = WindowPlacement::parse (state);
        EXPECT_TRUE (position.has_value()) << state;
        return position ? position->topLeft : juce::Point<int>();
    }
}

TEST (WindowPlacement, ReadsEveryFormTheFrameworkWrites)
{
    EXPECT_EQ (topLeftOf ("300 200 560 340"), juce::Point<int> (300, 200));
    EXPECT_EQ (topLeftOf ("fs 10 20 560 340"), juce::Point<int> (10, 20));
    EXPECT_EQ (topLeftOf ("-50 -20 560 340"), juce::Point<int> (-50, -20));

    const auto framed = WindowPlacement::parse ("300 200 560 340 frame 20 1 2 3");
    ASSERT_TRUE (framed.has_value());
    EXPECT_EQ (framed->topLeft, juce::Point<int> (300, 200));
    EXPECT_EQ (framed->frame, juce::BorderSize<int> (20, 1, 2, 3));

    EXPECT_EQ (WindowPlacement::parse ("fs 300 200 560 340 frame 20 1 2 3")->frame, juce::BorderSize<int> (20, 1, 2, 3));
    EXPECT_TRUE (WindowPlacement::parse ("300 200 560 340")->frame.isEmpty());
    EXPECT_TRUE (WindowPlacement::parse ("300 200 560 340 frame 20 1")->frame.isEmpty());
}

TEST (WindowPlacement, RefusesWhatTheFrameworkWouldRefuse)
{
    for (const auto* state : { "", "300 200 560", "fs 300 200 560", "300 200 0 340", "300 200 560 -1", "garbage" })
        EXPECT_FALSE (WindowPlacement::parse (state).has_value()) << state;
}

TEST (WindowPlacement, StartsAtTheStoredCornerWhenItIsOnADisplay)
{
    EXPECT_EQ (WindowPlacement::startTopLeft ("300 200 560 340", oneScreen), juce::Point<int> (300, 200));
    EXPECT_EQ (WindowPlacement::startTopLeft ("1500 100 560 340", twoScreens), juce::Point<int> (1500, 100));
    EXPECT_EQ (WindowPlacement::startTopLeft ("0 0 560 340", oneScreen), juce::Point<int> (0, 0));
}

TEST (WindowPlacement, TakesTheStoredFrameOffSoTheWindowReappearsWhereItWas)
{
    // The window manager puts the frame's corner where the window asks to be, so asking for
    // the content's old corner would move the window down and right by the frame every run.
    EXPECT_EQ (WindowPlacement::startTopLeft ("101 120 560 340 frame 20 1 1 1", oneScreen), juce::Point<int> (100, 100));
}

TEST (WindowPlacement, FallsBackTo100x100WhenNothingUsableIsStored)
{
    const juce::Point<int> fallback (100, 100);
    EXPECT_EQ (WindowPlacement::startTopLeft ({}, oneScreen), fallback);
    EXPECT_EQ (WindowPlacement::startTopLeft ("garbage", oneScreen), fallback);
    EXPECT_EQ (WindowPlacement::startTopLeft ("300 200 0 0", oneScreen), fallback);
}

TEST (WindowPlacement, FallsBackWhenTheStoredCornerIsOnNoConnectedDisplay)
{
    const juce::Point<int> fallback (100, 100);
    EXPECT_EQ (WindowPlacement::startTopLeft ("1500 100 560 340", oneScreen), fallback);
    EXPECT_EQ (WindowPlacement::startTopLeft ("-600 100 560 340", twoScreens), fallback);
    EXPECT_EQ (WindowPlacement::startTopLeft ("1280 1024 560 340", oneScreen), fallback);
    EXPECT_EQ (WindowPlacement::startTopLeft ("300 200 560 340", {}), fallback);
}

TEST (WindowPlacement, RefusesNumbersNoScreenHasAndFramesNoWindowManagerDraws)
{
    // Such numbers overflow the framework's own reading of the string.
    for (const auto* state : { "-2147483648 0 560 340", "300 200 99999999 340", "300 200 560 340 frame 0 0 0 -99999999" })
        EXPECT_FALSE (WindowPlacement::parse (state).has_value()) << state;

    EXPECT_EQ (topLeftOf ("300px 200 560 340"), juce::Point<int> (300, 200));

    // A stored frame thicker than any title bar, or negative, would put the window off screen.
    EXPECT_EQ (WindowPlacement::startTopLeft ("300 200 560 340 frame 5000 1 1 1", oneScreen), juce::Point<int> (300, 200));
    EXPECT_EQ (WindowPlacement::startTopLeft ("300 200 560 340 frame 20 -900 1 1", oneScreen), juce::Point<int> (300, 200));
}

TEST (WindowPlacement, FallsBackToTheFirstDisplaysCornerWhenNoneHolds100x100)
{
    const juce::Array<juce::Rectangle<int>> awayFromTheOrigin { juce::Rectangle<int> (2000, 500, 1280, 1024),
                                                                juce::Rectangle<int> (-1000, 0, 50, 50) };
    EXPECT_EQ (WindowPlacement::startTopLeft ("garbage", awayFromTheOrigin), juce::Point<int> (2000, 500));
    EXPECT_EQ (WindowPlacement::startTopLeft ("2100 600 560 340", awayFromTheOrigin), juce::Point<int> (2100, 600));
}
