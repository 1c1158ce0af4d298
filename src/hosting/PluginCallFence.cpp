#include "PluginCallFence.h"

#include <pluginterfaces/vst2.x/aeffect.h>

namespace PluginCallFence
{
    // The framework's call-back reads the field on the plug-in's thread: the store is one
    // aligned word, made atomic so that no reader sees half of it.
    void close (AEffect& effect) noexcept
    {
        __atomic_store_n (&effect.resvd2, VstIntPtr {}, __ATOMIC_SEQ_CST);
    }

    bool isClosed (const AEffect& effect) noexcept
    {
        return __atomic_load_n (&effect.resvd2, __ATOMIC_SEQ_CST) == 0;
    }
}
