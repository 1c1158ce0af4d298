/*
    The handshake against a plug-in that is only a dispatcher: it records every call, with what
    the pointed-to answers held when the call arrived, and replies as each test says.
*/
#include "hosting/MiniHostHandshake.h"

#include <pluginterfaces/vst2.x/aeffect.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{
    constexpr int canDo = 51, vendorSpecific = 50, miniHostIndex = 0x4D316E31;
    constexpr VstIntPtr sHDL = 0x7348444C, sCFG = 0x73434647, sTMP = 0x73544D50,
                        sKbd = 0x734B6264, sSiz = 0x7353697A, sCol = 0x73436F6C;

    struct Call
    {
        int opcode = 0, index = 0;
        VstIntPtr value = 0;
        void* ptr = nullptr;
        float opt = -1.0f;
        std::string text;                     // capability query
        int keyboardFlag = -1, sizeMode = -1; // the values found at the address, at the call
        std::vector<juce::uint32> colours;
    };

    struct FakePlugin
    {
        FakePlugin()
        {
            effect.magic = 0x56737450;
            effect.dispatcher = dispatch;
            effect.object = this;
        }

        static VstIntPtr dispatch (AEffect* e, int opcode, int idx, VstIntPtr value, void* ptr, float opt)
        {
            auto& self = *static_cast<FakePlugin*> (e->object);
            Call call { opcode, idx, value, ptr, opt, {}, -1, -1, {} };

            if (opcode == canDo)
                call.text = static_cast<const char*> (ptr);
            else if (value == sKbd)
                call.keyboardFlag = *static_cast<juce::uint8*> (ptr);
            else if (value == sSiz)
                call.sizeMode = *static_cast<juce::int32*> (ptr);
            else if (value == sCol)
                call.colours.assign (static_cast<juce::uint32*> (ptr), static_cast<juce::uint32*> (ptr) + 3);

            self.calls.push_back (call);
            return self.answer (call, ptr);
        }

        std::vector<VstIntPtr> values() const
        {
            std::vector<VstIntPtr> result;
            for (auto& call : calls)
                result.push_back (call.opcode == canDo ? -canDo : call.value);
            return result;
        }

        AEffect effect {};
        std::vector<Call> calls;

        // A plug-in of the extension: supported, accepts the handle, answers everything.
        std::function<VstIntPtr (const Call&, void*)> answer = [] (const Call& call, void* ptr) -> VstIntPtr
        {
            if (call.opcode == canDo)
                return 1;

            switch (call.value)
            {
                case sKbd: *static_cast<juce::uint8*> (ptr) = 1; return 0;
                case sSiz: *static_cast<juce::int32*> (ptr) = 1; return 0;
                case sCol:
                {
                    const juce::uint32 colours[] = { 0xfff0f0f0, 0xff3fa7d6, 0xff22313f };
                    std::memcpy (ptr, colours, sizeof (colours));
                    return 1;
                }
                default: return 1;
            }
        };
    };

    extern "C" void settingsCallback (void*) {}
    extern "C" void tempoCallback (void*, float) {}

    int hostObject = 0;
    void* const hostHandle = &hostObject;

    MiniHostHandshake::Reply runOn (FakePlugin& plugin)
    {
        return MiniHostHandshake::run (plugin.effect, hostHandle, settingsCallback, tempoCallback);
    }
}

TEST (MiniHostHandshakeTest, SendsTheWholeSequenceWithItsArgumentsToAPluginOfTheExtension)
{
    FakePlugin plugin;
    const auto reply = runOn (plugin);

    ASSERT_EQ (plugin.values(), (std::vector<VstIntPtr> { -canDo, sHDL, sCFG, sTMP, sKbd, sSiz, sCol }));

    const auto& query = plugin.calls[0];
    EXPECT_EQ (query.index, 0);
    EXPECT_EQ (query.value, 0);
    EXPECT_EQ (query.text, "supportMiniHostExtensions");

    for (size_t i = 1; i < plugin.calls.size(); ++i)
    {
        SCOPED_TRACE (i);
        EXPECT_EQ (plugin.calls[i].opcode, vendorSpecific);
        EXPECT_EQ (plugin.calls[i].index, miniHostIndex);
    }

    for (auto& call : plugin.calls)
        EXPECT_EQ (call.opt, 0.0f);

    EXPECT_EQ (plugin.calls[1].ptr, hostHandle);
    EXPECT_EQ (plugin.calls[2].ptr, reinterpret_cast<void*> (settingsCallback));
    EXPECT_EQ (plugin.calls[3].ptr, reinterpret_cast<void*> (tempoCallback));

    // What the host had written before asking.
    EXPECT_EQ (plugin.calls[4].keyboardFlag, 0);
    EXPECT_EQ (plugin.calls[5].sizeMode, 1);
    EXPECT_EQ (plugin.calls[6].colours, (std::vector<juce::uint32> { 0, 0, 0 }));

    EXPECT_TRUE (reply.supported);
    EXPECT_TRUE (reply.coloursSupplied);
    EXPECT_EQ (reply.keyboardFlag, 1);
    EXPECT_EQ (reply.windowSizeMode, 1);

    const auto colours = MiniHostHandshake::opaqueColours (reply);
    EXPECT_EQ (colours[0].getARGB(), 0xfff0f0f0u);
    EXPECT_EQ (colours[1].getARGB(), 0xff3fa7d6u);
    EXPECT_EQ (colours[2].getARGB(), 0xff22313fu);
}

TEST (MiniHostHandshakeTest, OnlyACapabilityReplyOfExactlyOneCounts)
{
    for (VstIntPtr capability : { VstIntPtr (0), VstIntPtr (-1), VstIntPtr (2), VstIntPtr (0x100000001LL) })
    {
        SCOPED_TRACE (capability);
        FakePlugin plugin;
        auto answerOfTheExtension = plugin.answer;
        plugin.answer = [&] (const Call& call, void* ptr)
        {
            return call.opcode == canDo ? capability : answerOfTheExtension (call, ptr);
        };

        const auto reply = runOn (plugin);

        EXPECT_EQ (plugin.calls.size(), 1u);
        EXPECT_FALSE (reply.supported);
        EXPECT_FALSE (reply.coloursSupplied);
        EXPECT_EQ (reply.windowSizeMode, 1);
    }
}

TEST (MiniHostHandshakeTest, ARefusedHandleEndsTheHandshakeBeforeAnyCallBackIsHandedOver)
{
    FakePlugin plugin;
    auto answerOfTheExtension = plugin.answer;
    plugin.answer = [&] (const Call& call, void* ptr)
    {
        return call.value == sHDL ? 0 : answerOfTheExtension (call, ptr);
    };

    const auto reply = runOn (plugin);

    EXPECT_EQ (plugin.values(), (std::vector<VstIntPtr> { -canDo, sHDL }));
    EXPECT_FALSE (reply.supported);
    EXPECT_EQ (reply.windowSizeMode, 1);
}

TEST (MiniHostHandshakeTest, RefusedColoursLeaveTheCallBacksRegisteredAndNoColours)
{
    FakePlugin plugin;
    auto answerOfTheExtension = plugin.answer;
    plugin.answer = [&] (const Call& call, void* ptr) -> VstIntPtr
    {
        if (call.value == sCol)
        {
            // Scribbles into the array but says it did not fill it.
            *static_cast<juce::uint32*> (ptr) = 0xffff0000;
            return 0;
        }
        return answerOfTheExtension (call, ptr);
    };

    const auto reply = runOn (plugin);

    EXPECT_EQ (plugin.values(), (std::vector<VstIntPtr> { -canDo, sHDL, sCFG, sTMP, sKbd, sSiz, sCol }));
    EXPECT_TRUE (reply.supported);
    EXPECT_FALSE (reply.coloursSupplied);
    EXPECT_EQ (reply.colours, (std::array<juce::uint32, 3> { 0, 0, 0 }));
}

TEST (MiniHostHandshakeTest, TheSizeModeIsWhatThePluginWroteAndRepliesToTheQuestionsDoNotMatter)
{
    for (juce::int32 mode : { 0, 1, 2, -1 })
    {
        SCOPED_TRACE (mode);
        FakePlugin plugin;
        auto answerOfTheExtension = plugin.answer;
        plugin.answer = [&] (const Call& call, void* ptr) -> VstIntPtr
        {
            if (call.value == sSiz)
            {
                *static_cast<juce::int32*> (ptr) = mode;
                return 0;
            }
            // Replies to the call-backs and the keyboard question are ignored, even refusals.
            if (call.value == sCFG || call.value == sTMP || call.value == sKbd)
                return 0;
            return answerOfTheExtension (call, ptr);
        };

        const auto reply = runOn (plugin);

        EXPECT_EQ (plugin.calls.size(), 7u);
        EXPECT_EQ (reply.windowSizeMode, mode);
        EXPECT_EQ (reply.keyboardFlag, 0);
        EXPECT_TRUE (reply.coloursSupplied);
    }
}

TEST (MiniHostHandshakeTest, ColoursWithoutAnOpaqueTopByteBecomeOpaque)
{
    FakePlugin plugin;
    auto answerOfTheExtension = plugin.answer;
    plugin.answer = [&] (const Call& call, void* ptr) -> VstIntPtr
    {
        if (call.value != sCol)
            return answerOfTheExtension (call, ptr);

        const juce::uint32 colours[] = { 0x00123456, 0x7f00ff00, 0x00000000 };
        std::memcpy (ptr, colours, sizeof (colours));
        return 1;
    };

    const auto colours = MiniHostHandshake::opaqueColours (runOn (plugin));

    EXPECT_EQ (colours[0].getARGB(), 0xff123456u);
    EXPECT_EQ (colours[1].getARGB(), 0xff00ff00u);
    EXPECT_EQ (colours[2].getARGB(), 0xff000000u);
}
