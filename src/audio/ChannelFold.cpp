#include "ChannelFold.h"

#include <juce_audio_basics/juce_audio_basics.h>

void foldChannels (const float* const* workChannels, int numWorkChannels,
                   float* const* outputChannels, int numOutputs,
                   int outputOffset, int numSamples) noexcept
{
    if (numOutputs <= 0 || numSamples <= 0)
        return;

    // The first channel that reaches an output is copied, the rest added: the same sums as
    // clearing every output first, with one pass less over the outputs that carry sound.
    for (int d = 0; d < numOutputs; ++d)
    {
        auto* output = outputChannels[d] + outputOffset;

        if (d < numWorkChannels)
            juce::FloatVectorOperations::copy (output, workChannels[d], numSamples);
        else
            juce::FloatVectorOperations::clear (output, numSamples);
    }

    for (int c = numOutputs; c < numWorkChannels; ++c)
        juce::FloatVectorOperations::add (outputChannels[c % numOutputs] + outputOffset,
                                          workChannels[c], numSamples);
}
