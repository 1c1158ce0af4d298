#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Holds one component, not owned, at its top left and keeps a fixed size of its own, whatever
    height the held component later gives itself.

    The framework's device selector sets its own height from its contents after every change;
    a window that fits itself to its content shows it through a holder to keep its size.
    The caller keeps the held component alive for the holder's life. Message thread only.
*/
class FixedSizeHolder final : public juce::Component
{
public:
    FixedSizeHolder (juce::Component& held, int width, int height);
    ~FixedSizeHolder() override;

    /** Gives the held component the holder's full width and height; it may then shrink. */
    void resized() override;

private:
    juce::Component& held;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FixedSizeHolder)
};
