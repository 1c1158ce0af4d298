#include "WindowPlacement.h"

namespace WindowPlacement
{
    namespace
    {
        /** A number as the framework's getIntValue() reads it (leading whitespace, a minus,
            the digits up to the first other character, none being 0), or nothing when it has
            more digits than any screen coordinate: the framework's own reading of such a
            number overflows.
        */
        std::optional<int> coordinate (const juce::String& token)
        {
            auto text = token.trimStart();
            const auto negative = text.startsWithChar ('-');
            const auto digits = text.substring (negative ? 1 : 0).initialSectionContainingOnly ("0123456789");

            if (digits.length() > 7)
                return std::nullopt;

            int value = 0;
            for (const auto digit : digits)
                value = value * 10 + (int) (digit - '0');

            return negative ? -value : value;
        }

        /** The corner of the window manager's frame relative to the content, for a frame
            that a window manager could have drawn; none otherwise.
        */
        juce::Point<int> frameOffset (const juce::BorderSize<int>& frame)
        {
            const auto plausible = [] (int side)
            {
                return side >= 0 && side <= maxFrameThickness;
            };

            if (plausible (frame.getLeft()) && plausible (frame.getTop()))
                return { frame.getLeft(), frame.getTop() };

            return {};
        }
    }

    std::optional<StoredPosition> parse (const juce::String& windowState)
    {
        // Tokenised exactly as ResizableWindow::restoreWindowStateFromString does.
        juce::StringArray tokens;
        tokens.addTokens (windowState, false);
        tokens.removeEmptyStrings();
        tokens.trim();

        const auto first = tokens[0].startsWithIgnoreCase ("fs") ? 1 : 0;

        if (tokens.size() < first + 4)
            return std::nullopt;

        const auto hasFrame = tokens[first + 4] == "frame" && tokens.size() == first + 9;
        int numbers[8] = {};

        for (int i = 0; i < (hasFrame ? 8 : 4); ++i)
        {
            const auto value = coordinate (tokens[first + (i < 4 ? i : i + 1)]);

            if (! value)
                return std::nullopt;

            numbers[i] = *value;
        }

        const juce::Rectangle<int> bounds (numbers[0], numbers[1], numbers[2], numbers[3]);

        if (bounds.isEmpty())
            return std::nullopt;

        return StoredPosition { bounds.getPosition(), { numbers[4], numbers[5], numbers[6], numbers[7] } };
    }

    juce::Point<int> startTopLeft (const juce::String& windowState,
                                   const juce::Array<juce::Rectangle<int>>& displayAreas)
    {
        if (const auto stored = parse (windowState))
            for (const auto& area : displayAreas)
                if (area.contains (stored->topLeft))
                    return stored->topLeft - frameOffset (stored->frame);

        for (const auto& area : displayAreas)
            if (area.contains (defaultTopLeft))
                return defaultTopLeft;

        // No display holds the usual place (a set-up with the main screen elsewhere).
        return displayAreas.isEmpty() ? defaultTopLeft : displayAreas.getReference (0).getTopLeft();
    }
}
