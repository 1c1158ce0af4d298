#include "MiniHostHandshake.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <pluginterfaces/vst2.x/aeffect.h>

namespace MiniHostHandshake
{
    namespace
    {
        VstIntPtr send (AEffect& effect, int opcode, int index, VstIntPtr value, void* ptr)
        {
            return effect.dispatcher (&effect, opcode, index, value, ptr, 0.0f);
        }

        VstIntPtr sendVendorSpecific (AEffect& effect, VstIntPtr value, void* ptr)
        {
            return send (effect, TOLVANE_MINIHOST_OPCODE_VENDOR, TOLVANE_MINIHOST_INDEX, value, ptr);
        }

        template <typename Function>
        void* addressOf (Function* function)
        {
            return reinterpret_cast<void*> (function);
        }
    }

    AEffect* effectOf (juce::AudioPluginInstance& plugin)
    {
        struct EffectOfPlugin final : public juce::ExtensionsVisitor
        {
            void visitVSTClient (const VSTClient& client) override { effect = client.getAEffectPtr(); }
            AEffect* effect = nullptr;
        };

        EffectOfPlugin visitor;
        plugin.getExtensions (visitor);
        return visitor.effect;
    }

    Reply run (AEffect& effect, void* hostHandle,
               TolvaneMiniHostSettingsCallback settingsCallback,
               TolvaneMiniHostTempoCallback tempoCallback)
    {
        Reply reply;

        if (effect.dispatcher == nullptr)
            return reply;

        // The text is passed as a writable pointer by the interface; the plug-in only reads it.
        char capability[] = TOLVANE_MINIHOST_CAN_DO;

        reply.capabilityReply = send (effect, TOLVANE_MINIHOST_OPCODE_CAN_DO, 0, 0, capability);

        if (reply.capabilityReply != TOLVANE_MINIHOST_CAN_DO_SUPPORTED)
            return reply;

        reply.handleReply = sendVendorSpecific (effect, TOLVANE_MINIHOST_HANDLE, hostHandle);

        if (reply.handleReply == 0)
            return reply;

        reply.supported = true;

        sendVendorSpecific (effect, TOLVANE_MINIHOST_SETTINGS, addressOf (settingsCallback));
        sendVendorSpecific (effect, TOLVANE_MINIHOST_TEMPO, addressOf (tempoCallback));

        // The plug-in writes its answers into these during the calls, and must not keep them.
        TolvaneMiniHostKeyboardFlag keyboardFlag = 0;
        TolvaneMiniHostSizeMode windowSizeMode = TOLVANE_MINIHOST_SIZE_FIXED;
        TolvaneMiniHostColours colours = { 0, 0, 0 };

        sendVendorSpecific (effect, TOLVANE_MINIHOST_KEYBOARD, &keyboardFlag);
        sendVendorSpecific (effect, TOLVANE_MINIHOST_SIZE, &windowSizeMode);

        reply.keyboardFlag = keyboardFlag;
        reply.windowSizeMode = windowSizeMode;

        reply.coloursReply = sendVendorSpecific (effect, TOLVANE_MINIHOST_COLOURS, colours);

        if (reply.coloursReply == 0)
            return reply;

        reply.coloursSupplied = true;
        reply.colours = { colours[TOLVANE_MINIHOST_COLOUR_TEXT],
                          colours[TOLVANE_MINIHOST_COLOUR_ACCENT],
                          colours[TOLVANE_MINIHOST_COLOUR_BACKGROUND] };
        return reply;
    }

    std::array<juce::Colour, 3> opaqueColours (const Reply& reply)
    {
        return { juce::Colour (reply.colours[0] | 0xff000000u),
                 juce::Colour (reply.colours[1] | 0xff000000u),
                 juce::Colour (reply.colours[2] | 0xff000000u) };
    }
}
