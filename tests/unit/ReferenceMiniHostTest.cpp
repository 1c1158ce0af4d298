/*
    The reference plug-in's answers to the mini-host extension, asked straight through its
    dispatcher as the host's handshake asks them. Built with AddressSanitizer as well, where
    it proves that the plug-in writes no further than the addresses it is given.
*/
#include "hosting/MiniHostCallbacks.h"
#include "hosting/MiniHostHandshake.h"
#include "support/ReferenceModule.h"

#include "ReferencePalette.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{
    std::unique_ptr<juce::AudioPluginInstance> loadReference()
    {
        juce::String error;
        auto plugin = ReferenceModule::load (error);
        EXPECT_NE (plugin, nullptr) << error;
        return plugin;
    }
}

TEST (ReferenceMiniHost, AnswersTheCapabilityQueryWithExactlyOneAndOtherTextsWithZero)
{
    auto plugin = loadReference();
    ASSERT_NE (plugin, nullptr);

    EXPECT_EQ (ReferenceModule::canDo (*plugin, TOLVANE_MINIHOST_CAN_DO), 1);

    for (const char* text : { "supportMiniHostExtension", "supportMiniHostExtensions ", "SupportMiniHostExtensions",
                              "", "supportMyOwnExtensions" })
        EXPECT_EQ (ReferenceModule::canDo (*plugin, text), 0) << '"' << text << '"';
}

TEST (ReferenceMiniHost, AcceptsTheHandleAndAnswersKeyboardSizeAndItsOwnColours)
{
    auto plugin = loadReference();
    ASSERT_NE (plugin, nullptr);

    int hostObject = 0;
    EXPECT_NE (ReferenceModule::send (*plugin, TOLVANE_MINIHOST_HANDLE, &hostObject), 0);

    // The host sets 0 before asking; a different value shows that the plug-in wrote its answer.
    TolvaneMiniHostKeyboardFlag keyboard = 0xAA;
    ReferenceModule::send (*plugin, TOLVANE_MINIHOST_KEYBOARD, &keyboard);
    EXPECT_EQ (keyboard, 0) << "the reference editor does not want the computer keyboard";

    TolvaneMiniHostSizeMode size = 0;
    ReferenceModule::send (*plugin, TOLVANE_MINIHOST_SIZE, &size);
    EXPECT_EQ (size, TOLVANE_MINIHOST_SIZE_FIXED);

    // Three words between two guards: the plug-in must fill exactly the three.
    uint32_t words[5] = { 0xdeadbeef, 0, 0, 0, 0xdeadbeef };
    EXPECT_EQ (ReferenceModule::send (*plugin, TOLVANE_MINIHOST_COLOURS, &words[1]), 1);
    EXPECT_EQ (words[1 + TOLVANE_MINIHOST_COLOUR_TEXT], ReferencePalette::text);
    EXPECT_EQ (words[1 + TOLVANE_MINIHOST_COLOUR_ACCENT], ReferencePalette::accent);
    EXPECT_EQ (words[1 + TOLVANE_MINIHOST_COLOUR_BACKGROUND], ReferencePalette::background);
    EXPECT_EQ (words[0], 0xdeadbeef);
    EXPECT_EQ (words[4], 0xdeadbeef);
}

TEST (ReferenceMiniHost, RefusesWhatItDoesNotKnowAndMissingAddresses)
{
    auto plugin = loadReference();
    ASSERT_NE (plugin, nullptr);

    int hostObject = 0;
    EXPECT_EQ (ReferenceModule::dispatch (*plugin, TOLVANE_MINIHOST_OPCODE_VENDOR, TOLVANE_MINIHOST_INDEX + 1,
                                          TOLVANE_MINIHOST_HANDLE, &hostObject),
               0)
        << "another index";
    EXPECT_EQ (ReferenceModule::send (*plugin, TOLVANE_MINIHOST_FOURCC ('s', 'X', 'Y', 'Z'), &hostObject), 0)
        << "an unknown value";

    for (auto value : { TOLVANE_MINIHOST_KEYBOARD, TOLVANE_MINIHOST_SIZE, TOLVANE_MINIHOST_COLOURS,
                        TOLVANE_MINIHOST_SETTINGS, TOLVANE_MINIHOST_TEMPO })
        EXPECT_EQ (ReferenceModule::send (*plugin, value, nullptr), 0) << "value " << value << " without an address";
}

TEST (ReferenceMiniHost, TheHostsHandshakeAndThePluginAgree)
{
    auto plugin = loadReference();
    ASSERT_NE (plugin, nullptr);

    int host = 0;
    const auto reply = MiniHostHandshake::run (*ReferenceModule::effectOf (*plugin), &host,
                                               MiniHostCallbacks::settingsCallback(),
                                               MiniHostCallbacks::tempoCallback());

    EXPECT_TRUE (reply.supported);
    EXPECT_TRUE (reply.coloursSupplied);
    EXPECT_EQ (reply.keyboardFlag, 0);
    EXPECT_EQ (reply.windowSizeMode, TOLVANE_MINIHOST_SIZE_FIXED);

    const auto colours = MiniHostHandshake::opaqueColours (reply);
    EXPECT_EQ (colours[0].getARGB(), ReferencePalette::text);
    EXPECT_EQ (colours[1].getARGB(), ReferencePalette::accent);
    EXPECT_EQ (colours[2].getARGB(), ReferencePalette::background);
}
