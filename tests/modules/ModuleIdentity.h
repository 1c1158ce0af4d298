/*
    What every test module says about itself, and the export of its entry point.
*/
#pragma once

#include <pluginterfaces/vst2.x/aeffectx.h>

#include <cstring>

#if defined(_WIN32)
#define TEST_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_MODULE_EXPORT extern "C" __attribute__ ((visibility ("default")))
#endif

namespace ModuleIdentity
{
    inline void copyString (void* destination, const char* text, size_t capacity)
    {
        std::strncpy (static_cast<char*> (destination), text, capacity - 1);
        static_cast<char*> (destination)[capacity - 1] = 0;
    }

    /** Answers the dispatcher's questions about name, vendor, category and interface version
        for a synthesiser called `name`. Sets `answered` to whether the opcode was one of them.
    */
    inline VstIntPtr answer (int opcode, void* ptr, const char* name, bool& answered)
    {
        answered = true;

        switch (opcode)
        {
            case effGetEffectName:
            case effGetProductString:
                copyString (ptr, name, 32);
                return 1;

            case effGetVendorString:
                copyString (ptr, "Tolvane Tests", 64);
                return 1;

            case effGetPlugCategory:
                return kPlugCategSynth;

            case effGetVstVersion:
                return 2400;

            default:
                answered = false;
                return 0;
        }
    }
}
