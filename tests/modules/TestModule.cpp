/*
    A minimal VST 2.x module written straight against the interface, without the framework,
    for testing the host's loader. Its behaviour is chosen at build time:

    TEST_MODULE_STRICT   a working stereo instrument that fills every structure the host
                         hands it to the full size plug-ins built with other SDK headers
                         use (128-byte pin properties), and renders a constant signal. Its
                         entry structure's object field holds the host's call-back, so that
                         a test can call the host as the plug-in would.
    TEST_MODULE_REFUSES  exports the entry point, but declines to create an effect.
    TEST_MODULE_NO_ENTRY exports no entry point at all.
*/
#include "ModuleIdentity.h"

#if TEST_MODULE_STRICT
namespace
{
    constexpr float outputLevel = 0.25f;

    using ModuleIdentity::copyString;

    VstIntPtr dispatcher (AEffect* effect, int opcode, int index, VstIntPtr, void* ptr, float)
    {
        bool answered = false;
        const auto identity = ModuleIdentity::answer (opcode, ptr, "Strict Test Module", answered);
        if (answered)
            return identity;

        switch (opcode)
        {
            case effGetInputProperties:
            case effGetOutputProperties:
                if (index < 0 || index >= (opcode == effGetInputProperties ? effect->numInputs : effect->numOutputs))
                    return 0;
                // Plug-ins built with other headers fill the whole 128-byte structure.
                std::memset (ptr, 0, 128);
                copyString (ptr, "Out", 64);
                return 1;

            case effClose:
                delete effect;
                return 1;

            default:
                return 0;
        }
    }

    void processReplacing (AEffect*, float**, float** outputs, int numSamples)
    {
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < numSamples; ++i)
                outputs[channel][i] = outputLevel;
    }

    void setParameter (AEffect*, int, float) {}
    float getParameter (AEffect*, int)
    {
        return 0.0f;
    }
}

TEST_MODULE_EXPORT AEffect* VSTPluginMain (audioMasterCallback host)
{
    auto* effect = new AEffect();
    effect->magic = kEffectMagic;
    effect->object = reinterpret_cast<void*> (host);
    effect->dispatcher = dispatcher;
    effect->setParameter = setParameter;
    effect->getParameter = getParameter;
    effect->numPrograms = 0;
    effect->numParams = 0;
    effect->numInputs = 0;
    effect->numOutputs = 2;
    effect->flags = effFlagsCanReplacing | effFlagsIsSynth;
    effect->uniqueID = 0x54537472; // 'TStr'
    effect->version = 1;
    effect->processReplacing = processReplacing;
    return effect;
}
#elif TEST_MODULE_REFUSES
TEST_MODULE_EXPORT AEffect* VSTPluginMain (audioMasterCallback)
{
    return nullptr;
}
#elif TEST_MODULE_NO_ENTRY
TEST_MODULE_EXPORT int notAPluginEntry()
{
    return 0;
}
#else
#error "choose a TEST_MODULE_ kind"
#endif
