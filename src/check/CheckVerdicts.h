#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>
#include <cstdint>
#include <vector>

/** What the checker makes of a plug-in's answers: the verdict and the line that explains it,
    as pure functions of what was observed, with no module, device or window involved.
*/
namespace CheckVerdicts
{
    enum class Verdict
    {
        pass,
        warn,
        fail
    };

    /** "PASS", "WARN" or "FAIL". */
    const char* nameOf (Verdict verdict) noexcept;

    /** One check's outcome: its verdict and what was seen, with what the host does about it. */
    struct Finding
    {
        Verdict verdict = Verdict::pass;
        juce::String detail;
    };

    /** The reply to the capability query: 1 speaks the extension; 0 and -1 plainly do not;
        anything else is taken as "not supported" but is probably a mistake.
    */
    Finding capabilityReply (std::int64_t reply);

    /** The reply to the host handle, sent only after a capability reply of 1. */
    Finding handleReply (std::int64_t reply);

    /** The window size mode the plug-in left in place (1 when it wrote nothing). */
    Finding sizeMode (std::int32_t mode);

    /** The three colours as the plug-in wrote them (text, accent, background, 0xAARRGGBB). */
    Finding colours (const std::array<std::uint32_t, 3>& written);

    /** The contrast ratio of two opaque colours, from 1 (equal) to 21 (black on white). */
    double contrastRatio (juce::Colour first, juce::Colour second) noexcept;

    /** Counts of one run's output samples. */
    struct OutputCounts
    {
        std::int64_t samples = 0, nonFinite = 0, aboveFullScale = 0;
        float peak = 0.0f;
    };

    /** Adds one block of channels to the counts. Allocates nothing. */
    void countBlock (OutputCounts& counts, const float* const* channels, int numChannels, int numSamples) noexcept;

    /** NaN or infinite samples fail; samples above 0 dBFS warn. */
    Finding output (const OutputCounts& counts);

    /** One call of a mini-host call-back as the plug-in made it. */
    struct CallbackCall
    {
        bool settings = false;      // the settings call-back; else the tempo call-back
        bool hostHandle = false;    // it carried the host's handle
        bool messageThread = false; // it came on the host's message thread
        float bpm = 0.0f;           // the tempo call-back's value
        std::uintptr_t handle = 0;
    };

    /** A finding with the short name of its check. */
    struct NamedFinding
    {
        juce::String name;
        Finding finding;
    };

    /** The findings about the call-backs made while the plug-in was alive: one line for each
        call-back, then one for each kind of problem seen (foreign handle, tempo value,
        settings off the message thread).
    */
    std::vector<NamedFinding> callbackFindings (const std::vector<CallbackCall>& calls);

    /** A level in dBFS with one decimal, or "-inf dBFS" for silence. */
    juce::String decibels (float gain);
}
