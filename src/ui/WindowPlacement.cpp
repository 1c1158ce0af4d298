#include "WindowPlacement.h"

namespace WindowPlacement
{
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

        const juce::Rectangle<int> bounds (tokens[first].getIntValue(),
                                           tokens[first + 1].getIntValue(),
                                           tokens[first + 2].getIntValue(),
                                           tokens[first + 3].getIntValue());
        if (bounds.isEmpty())
            return std::nullopt;

        StoredPosition position { bounds.getPosition(), {} };

        if (tokens[first + 4] == "frame" && tokens.size() == first + 9)
            position.frame = { tokens[first + 5].getIntValue(), tokens[first + 6].getIntValue(),
                               tokens[first + 7].getIntValue(), tokens[first + 8].getIntValue() };

        return position;
    }

    juce::Point<int> startTopLeft (const juce::String& windowState,
                                   const juce::Array<juce::Rectangle<int>>& displayAreas)
    {
        if (const auto stored = parse (windowState))
            for (const auto& area : displayAreas)
                if (area.contains (stored->topLeft))
                    return stored->topLeft - juce::Point<int> (stored->frame.getLeft(), stored->frame.getTop());

        return defaultTopLeft;
    }
}
