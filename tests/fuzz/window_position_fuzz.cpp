// Any text as the stored window position, on one to four screens: the window always starts
// where a person can reach its title bar.
#include "FuzzSupport.h"

#include "ui/WindowPlacement.h"

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input (data, size);

    // Screens side by side or apart, as multi-monitor set-ups are, never of zero size.
    juce::Array<juce::Rectangle<int>> screens;
    const auto numScreens = input.ConsumeIntegralInRange (1, 4);

    for (int i = 0; i < numScreens; ++i)
        screens.add ({ input.ConsumeIntegralInRange (-20000, 20000), input.ConsumeIntegralInRange (-20000, 20000),
                       input.ConsumeIntegralInRange (1, 16000), input.ConsumeIntegralInRange (1, 16000) });

    const auto text = input.ConsumeRemainingBytesAsString();
    const auto state = juce::String::createStringFromData (text.data(), (int) text.size());
    const auto topLeft = WindowPlacement::startTopLeft (state, screens);

    // The frame's corner may sit a frame's thickness off the screen's top or left edge; the
    // window manager keeps such a window on screen.
    const auto reachable = std::any_of (screens.begin(), screens.end(), [&] (const juce::Rectangle<int>& screen)
                                        {
                                            return screen.withTrimmedLeft (-WindowPlacement::maxFrameThickness)
                                                .withTrimmedTop (-WindowPlacement::maxFrameThickness)
                                                .contains (topLeft);
                                        });

    FuzzSupport::require (reachable, "\"" + state + "\" puts the window at " + topLeft.toString());
    return 0;
}
