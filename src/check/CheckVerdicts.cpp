#include "CheckVerdicts.h"

#include <cmath>

namespace CheckVerdicts
{
    namespace
    {
        juce::String hex (std::uint32_t value)
        {
            return "0x" + juce::String::toHexString ((juce::int64) value).paddedLeft ('0', 8);
        }

        // The relative luminance of an sRGB colour, as the usual contrast guidelines define it.
        double luminance (juce::Colour colour) noexcept
        {
            const auto linear = [] (juce::uint8 component)
            {
                const auto c = component / 255.0;
                return c <= 0.03928 ? c / 12.92 : std::pow ((c + 0.055) / 1.055, 2.4);
            };

            return 0.2126 * linear (colour.getRed())
                + 0.7152 * linear (colour.getGreen())
                + 0.0722 * linear (colour.getBlue());
        }
    }

    const char* nameOf (Verdict verdict) noexcept
    {
        switch (verdict)
        {
            case Verdict::warn: return "WARN";
            case Verdict::fail: return "FAIL";
            case Verdict::pass: break;
        }

        return "PASS";
    }

    Finding capabilityReply (std::int64_t reply)
    {
        const auto value = juce::String (reply);

        if (reply == 1)
            return { Verdict::pass, value + ": speaks the mini-host extension" };

        if (reply == 0 || reply == -1)
            return { Verdict::pass, value + ": does not speak the extension; the host runs it without "
                                            "(no call-backs, default look, window with minimise and close)" };

        return { Verdict::warn, value + ": only exactly 1 means supported; the host takes this as not "
                                        "supported and runs the plug-in without the extension" };
    }

    Finding handleReply (std::int64_t reply)
    {
        if (reply != 0)
            return { Verdict::pass, juce::String (reply) + ": accepted" };

        return { Verdict::warn, "0: refused after answering the capability query with 1; the host stops "
                                "the handshake and runs the plug-in without the extension" };
    }

    Finding sizeMode (std::int32_t mode)
    {
        const auto value = juce::String (mode);

        if (mode == 1)
            return { Verdict::pass, value + ": fixed size; the window gets minimise and close" };

        if (mode == 0 || mode == 2)
            return { Verdict::pass, value + ": the window gets minimise, maximise and close" };

        return { Verdict::warn, value + ": unknown mode; the host treats it like 0 "
                                        "(minimise, maximise and close)" };
    }

    Finding colours (const std::array<std::uint32_t, 3>& written)
    {
        const char* const names[] = { "text", "accent", "background" };
        std::array<juce::Colour, 3> opaque;
        juce::StringArray values, problems;

        for (size_t i = 0; i < written.size(); ++i)
        {
            opaque[i] = juce::Colour (written[i] | 0xff000000u);
            values.add (juce::String (names[i]) + " " + hex (written[i]));

            if ((written[i] >> 24) != 0xff)
                problems.add (juce::String (names[i]) + " has top byte 0x"
                              + juce::String::toHexString ((int) (written[i] >> 24)).paddedLeft ('0', 2)
                              + ", forced opaque to " + hex (opaque[i].getARGB()));
        }

        for (size_t i = 0; i < opaque.size(); ++i)
            for (size_t j = i + 1; j < opaque.size(); ++j)
                if (opaque[i] == opaque[j])
                    problems.add (juce::String (names[i]) + " and " + names[j] + " are the same colour");

        const auto ratio = contrastRatio (opaque[0], opaque[2]);
        if (ratio < 2.0)
            problems.add ("text on background contrast is below 2:1: the settings dialog will be hard to read");

        const auto detail = values.joinIntoString (", ") + "; text on background "
            + juce::String (ratio, 1) + ":1";

        if (problems.isEmpty())
            return { Verdict::pass, detail };

        return { Verdict::warn, detail + "; " + problems.joinIntoString ("; ") };
    }

    double contrastRatio (juce::Colour first, juce::Colour second) noexcept
    {
        const auto a = luminance (first), b = luminance (second);
        return (juce::jmax (a, b) + 0.05) / (juce::jmin (a, b) + 0.05);
    }

    void countBlock (OutputCounts& counts, const float* const* channels, int numChannels, int numSamples) noexcept
    {
        for (int channel = 0; channel < numChannels; ++channel)
        {
            for (int i = 0; i < numSamples; ++i)
            {
                const auto sample = channels[channel][i];

                if (! std::isfinite (sample))
                {
                    ++counts.nonFinite;
                    continue;
                }

                const auto magnitude = std::abs (sample);
                counts.peak = juce::jmax (counts.peak, magnitude);

                if (magnitude > 1.0f)
                    ++counts.aboveFullScale;
            }
        }

        counts.samples += (std::int64_t) numChannels * numSamples;
    }

    Finding output (const OutputCounts& counts)
    {
        const auto summary = juce::String (counts.samples) + " samples, peak " + decibels (counts.peak);

        if (counts.nonFinite > 0)
            return { Verdict::fail, summary + "; " + juce::String (counts.nonFinite) + " NaN or infinite: the host passes them to the device unchanged" };

        if (counts.aboveFullScale > 0)
            return { Verdict::warn, summary + "; " + juce::String (counts.aboveFullScale) + " above 0 dBFS: the host does not limit, the device will clip them" };

        return { Verdict::pass, summary };
    }

    std::vector<NamedFinding> callbackFindings (const std::vector<CallbackCall>& calls)
    {
        int settings = 0, settingsOffThread = 0, tempos = 0, foreign = 0, badTempos = 0;
        juce::StringArray foreignHandles, badValues;
        juce::String lastTempo;

        for (const auto& call : calls)
        {
            if (! call.hostHandle)
            {
                ++foreign;
                foreignHandles.addIfNotAlreadyThere ((call.settings ? "settings with 0x" : "tempo with 0x")
                                                     + juce::String::toHexString ((juce::pointer_sized_int) call.handle));
            }

            if (call.settings)
            {
                ++settings;
                if (! call.messageThread)
                    ++settingsOffThread;
                continue;
            }

            ++tempos;

            if (! std::isfinite (call.bpm) || call.bpm <= 0.0f)
            {
                ++badTempos;
                badValues.addIfNotAlreadyThere (juce::String (call.bpm));
            }
            else if (call.hostHandle)
            {
                lastTempo = juce::String (call.bpm) + " bpm";
            }
        }

        const auto times = [] (int n)
        {
            return juce::String (n) + (n == 1 ? " call" : " calls");
        };
        std::vector<NamedFinding> findings;

        findings.push_back ({ "settings-callback", { Verdict::pass, settings == 0 ? juce::String ("not called (press your editor's settings button while the checker runs)") : times (settings) + ", each answered at once here (the application shows \"Audio / MIDI Settings\" "
                                                                                                                                                                                                  "and returns when it is closed)" } });

        findings.push_back ({ "tempo-callback", { Verdict::pass, tempos == 0 ? juce::String ("not called") : times (tempos) + (lastTempo.isNotEmpty() ? ", the play head now reports " + lastTempo : juce::String()) } });

        if (foreign > 0)
            findings.push_back ({ "foreign-handle", { Verdict::fail, times (foreign) + " with a handle that is not the host's (" + foreignHandles.joinIntoString (", ") + "): the application ignores them; pass back the sHDL pointer" } });

        if (badTempos > 0)
            findings.push_back ({ "tempo-value", { Verdict::fail, times (badTempos) + " with a tempo that is not finite or not above zero (" + badValues.joinIntoString (", ") + "): the application ignores them and keeps its tempo" } });

        if (settingsOffThread > 0)
            findings.push_back ({ "settings-thread", { Verdict::warn, times (settingsOffThread) + " from a thread other than the message "
                                                                                                  "thread: the application passes them to its message thread and returns at once; the dialog opens later" } });

        return findings;
    }

    juce::String decibels (float gain)
    {
        if (gain <= 0.0f)
            return "-inf dBFS";

        return juce::String (20.0 * std::log10 ((double) gain), 1) + " dBFS";
    }
}
