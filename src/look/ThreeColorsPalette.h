#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

/** The colour table of the three-colour look: which framework colour ids it sets, in which
    order, and what each is derived from. Pure; needs no window or display.
*/
namespace ThreeColorsPalette
{
    /** One colour-table entry: a framework colour id and the colour it gets. */
    struct Entry
    {
        int colourId;
        juce::Colour colour;
    };

    /** Number of colour ids that the three-colour look sets; every other id keeps the base's
        standard colour.
    */
    constexpr int numEntries = 24;

    /** The entries derived from the three colours, in the order they are set. The colours are
        used as given; their alpha is not touched.
    */
    std::array<Entry, numEntries> colourTable (juce::Colour textColour,
                                               juce::Colour accentColour,
                                               juce::Colour backgroundColour);
}
