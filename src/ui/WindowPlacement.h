#pragma once

#include <juce_graphics/juce_graphics.h>

#include <optional>

/** Where the main window starts: pure functions over the stored window state string. */
namespace WindowPlacement
{
    /** The top-left corner used when no usable stored position exists. */
    const juce::Point<int> defaultTopLeft { 100, 100 };

    /** The thickest window-manager frame side that a stored state is believed: title bars and
        borders are a few dozen pixels; a larger stored value is not a frame.
    */
    constexpr int maxFrameThickness = 200;

    /** A window position as the framework's state string holds it: the top-left corner of
        the window's content area, and on Linux the size of the window manager's frame
        around it at the time ("x y w h frame top left bottom right").
    */
    struct StoredPosition
    {
        juce::Point<int> topLeft;
        juce::BorderSize<int> frame;
    };

    /** Parses a window state string as the framework writes it: "x y w h", optionally
        preceded by "fs " and followed by " frame t l b r". Nothing when the framework itself
        would refuse the string (fewer than four numbers, or an empty width or height), or
        when a number has more than seven digits (no screen has such coordinates; the
        framework's own reading of them overflows, so such a string must not reach it).
    */
    std::optional<StoredPosition> parse (const juce::String& windowState);

    /** The position to move a not yet mapped window to so that it reappears where the state
        says: the stored corner when there is one and it lies on one of the given display
        areas, otherwise defaultTopLeft, or the first display's corner when no display holds
        that. A stored frame is taken off, as the framework does when it restores a state
        before the window manager has framed the window: the window manager places the
        frame's corner where the window asks to be. A frame with a side outside 0 to
        maxFrameThickness is not taken off.
    */
    juce::Point<int> startTopLeft (const juce::String& windowState,
                                   const juce::Array<juce::Rectangle<int>>& displayAreas);
}
