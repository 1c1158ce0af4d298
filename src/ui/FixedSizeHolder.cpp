#include "FixedSizeHolder.h"

FixedSizeHolder::FixedSizeHolder (juce::Component& heldComponent, int width, int height)
    : held (heldComponent)
{
    addAndMakeVisible (held);
    setSize (width, height);
}

FixedSizeHolder::~FixedSizeHolder()
{
    removeChildComponent (&held);
}

void FixedSizeHolder::resized()
{
    held.setBounds (getLocalBounds());
}
