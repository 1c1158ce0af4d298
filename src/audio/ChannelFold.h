#pragma once

/** Folds the plug-in's output channels onto the device's outputs.

    Output d carries the sum of every work channel c with c % numOutputs == d, at gain 1: a
    four-channel plug-in on a stereo device gives output 0 = channels 0 + 2 and output 1 =
    channels 1 + 3; outputs that no channel reaches are silent. Samples [0, numSamples) of
    the work channels go to samples [outputOffset, outputOffset + numSamples) of the outputs.
    With no outputs nothing is written. Real-time safe: no allocation, no lock.
*/
void foldChannels (const float* const* workChannels, int numWorkChannels,
                   float* const* outputChannels, int numOutputs,
                   int outputOffset, int numSamples) noexcept;
