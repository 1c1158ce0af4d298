#include "ChannelFold.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace ChannelFold
{
    void chooseTargets (float* const* workChannels, int numChannels,
                        float* const* outputChannels, int numOutputs, int outputOffset,
                        float** targets) noexcept
    {
        for (int c = 0; c < numChannels; ++c)
            targets[c] = c < numOutputs ? outputChannels[c] + outputOffset : workChannels[c];
    }

    void foldSurplus (const float* const* workChannels, int numChannels,
                      float* const* outputChannels, int numOutputs, int outputOffset,
                      int numSamples) noexcept
    {
        if (numOutputs <= 0 || numSamples <= 0)
            return;

        for (int d = numChannels; d < numOutputs; ++d)
            juce::FloatVectorOperations::clear (outputChannels[d] + outputOffset, numSamples);

        for (int c = numOutputs; c < numChannels; ++c)
            juce::FloatVectorOperations::add (outputChannels[c % numOutputs] + outputOffset,
                                              workChannels[c], numSamples);
    }
}
