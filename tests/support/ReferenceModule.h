#pragma once

#include "ModuleLoader.h"
#include "hosting/MiniHostHandshake.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <pluginterfaces/vst2.x/aeffectx.h>
#include <tolvane_minihost.h>

/** The built reference plug-in module (TOLVANE_REFERENCE_MODULE), loaded through the
    framework's VST 2.x hosting as the application loads it, and spoken to straight
    through its dispatcher as the application's mini-host handshake does.
*/
namespace ReferenceModule
{
    inline std::unique_ptr<juce::AudioPluginInstance> load (juce::String& error)
    {
        return loadModule (TOLVANE_REFERENCE_MODULE, error);
    }

    /** The plug-in's AEffect, as the framework's hosting holds it. */
    inline AEffect* effectOf (juce::AudioPluginInstance& plugin)
    {
        return MiniHostHandshake::effectOf (plugin);
    }

    inline VstIntPtr dispatch (juce::AudioPluginInstance& plugin, int opcode, int index, VstIntPtr value, void* ptr)
    {
        auto* effect = effectOf (plugin);
        return effect->dispatcher (effect, opcode, index, value, ptr, 0.0f);
    }

    inline VstIntPtr canDo (juce::AudioPluginInstance& plugin, const char* text)
    {
        return dispatch (plugin, TOLVANE_MINIHOST_OPCODE_CAN_DO, 0, 0, const_cast<char*> (text));
    }

    /** A vendor-specific message of the extension (index TOLVANE_MINIHOST_INDEX). */
    inline VstIntPtr send (juce::AudioPluginInstance& plugin, VstIntPtr value, void* ptr)
    {
        return dispatch (plugin, TOLVANE_MINIHOST_OPCODE_VENDOR, TOLVANE_MINIHOST_INDEX, value, ptr);
    }
}
