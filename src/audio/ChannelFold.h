#pragma once

/** Folding the plug-in's output channels onto the device's outputs, in two steps around the
    plug-in's processing.

    Output d carries the sum of every plug-in channel c with c % numOutputs == d, at gain 1: a
    four-channel plug-in on a stereo device gives output 0 = channels 0 + 2 and output 1 =
    channels 1 + 3; outputs that no channel reaches are silent. Since the first channel of
    each output would only be copied there, it is processed straight into that output; only
    the surplus channels live in the work buffer and are added afterwards.

    Samples [0, numSamples) of the channels correspond to samples [outputOffset, outputOffset
    + numSamples) of the outputs. Real-time safe: no allocation, no lock.
*/
namespace ChannelFold
{
    /** Where the plug-in processes channel c: device output c (from outputOffset) while
        there is one, else work channel c. Fills targets[0, numChannels).
    */
    void chooseTargets (float* const* workChannels, int numChannels,
                        float* const* outputChannels, int numOutputs, int outputOffset,
                        float** targets) noexcept;

    /** After processing into the targets: silences the outputs that no channel reaches and
        adds each surplus channel onto its output. With no outputs nothing is written.
    */
    void foldSurplus (const float* const* workChannels, int numChannels,
                      float* const* outputChannels, int numOutputs, int outputOffset,
                      int numSamples) noexcept;
}
