/*
    Loads, runs and deletes real plug-in modules through the framework's VST 2.x hosting,
    the way the application does. Built with AddressSanitizer as well, where it proves that
    the interface declarations the hosting is compiled with match what modules write.
*/
#include "support/ModuleLoader.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

namespace
{
    /** Runs the plug-in for a number of blocks with one note held, returning the peak output. */
    float runBlocks (juce::AudioPluginInstance& plugin, int numBlocks, int blockSize)
    {
        plugin.prepareToPlay (48000.0, blockSize);

        juce::AudioBuffer<float> buffer (juce::jmax (plugin.getTotalNumInputChannels(),
                                                     plugin.getTotalNumOutputChannels()),
                                         blockSize);
        float peak = 0.0f;

        for (int block = 0; block < numBlocks; ++block)
        {
            juce::MidiBuffer midi;
            if (block == 0)
                midi.addEvent (juce::MidiMessage::noteOn (1, 69, (juce::uint8) 100), 0);

            buffer.clear();
            plugin.processBlock (buffer, midi);

            for (int channel = 0; channel < plugin.getTotalNumOutputChannels(); ++channel)
                peak = juce::jmax (peak, buffer.getMagnitude (channel, 0, blockSize));
        }

        plugin.releaseResources();
        return peak;
    }

    /** Shows the plug-in's editor in a window for a moment, then closes both. */
    void showEditorBriefly (juce::AudioPluginInstance& plugin)
    {
        auto* editor = plugin.createEditorIfNeeded();
        ASSERT_NE (editor, nullptr);

        juce::DocumentWindow window ("editor", juce::Colours::lightgrey, juce::DocumentWindow::closeButton);
        window.setContentNonOwned (editor, true);
        window.setVisible (true);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (300);

        EXPECT_GT (editor->getWidth(), 0);
        EXPECT_GT (editor->getHeight(), 0);

        delete plugin.getActiveEditor();
    }
}

TEST (PluginLoad, ReferencePluginLoadsRendersShowsItsEditorAndGoesAway)
{
    juce::String error;
    auto plugin = loadModule (TOLVANE_REFERENCE_MODULE, error);
    ASSERT_NE (plugin, nullptr) << error;

    EXPECT_EQ (plugin->getName(), "Tolvane Reference");
    EXPECT_EQ (plugin->getTotalNumOutputChannels(), 2);
    EXPECT_EQ (plugin->getTotalNumInputChannels(), 0);
    EXPECT_TRUE (plugin->acceptsMidi());

    EXPECT_GT (runBlocks (*plugin, 20, 256), 0.01f);
    showEditorBriefly (*plugin);
    plugin.reset();
}

TEST (PluginLoad, ModuleThatFillsFullSizeStructuresLoadsAndRenders)
{
    juce::String error;
    auto plugin = loadModule (TOLVANE_STRICT_MODULE, error);
    ASSERT_NE (plugin, nullptr) << error;

    EXPECT_EQ (plugin->getName(), "Strict Test Module");
    EXPECT_EQ (plugin->getTotalNumOutputChannels(), 2);
    EXPECT_FLOAT_EQ (runBlocks (*plugin, 4, 512), 0.25f);
    plugin.reset();
}

TEST (PluginLoad, FilesThatAreNoUsableModuleGiveNoInstanceAndAReason)
{
    juce::TemporaryFile garbage (".so");
    ASSERT_TRUE (garbage.getFile().replaceWithText ("this is not a shared object\n"));

    for (const auto& path : { garbage.getFile().getFullPathName(),
                              juce::String (TOLVANE_NO_ENTRY_MODULE),
                              juce::String (TOLVANE_REFUSING_MODULE) })
    {
        juce::String error;
        EXPECT_EQ (loadModule (path, error), nullptr) << path;
        EXPECT_TRUE (error.isNotEmpty()) << path;
    }
}
