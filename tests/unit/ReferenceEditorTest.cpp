/*
    The reference plug-in's editor under a host, on a real display: the editor runs inside
    the loaded module with a framework of its own, so it is reached the way a user reaches
    it, with the mouse (xdotool), at the places ReferenceLayout gives. The host's side is a
    pair of fake call-backs that record how the plug-in calls them. What the editor draws is
    read back from the X server.
*/
#include "support/ReferenceModule.h"

#include "ReferenceLayout.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

// Last: Xlib's macros would otherwise meet the framework's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{
    struct CallRecord
    {
        std::atomic<int> settingsCalls { 0 }, tempoCalls { 0 };
        std::atomic<void*> settingsHandle { nullptr }, tempoHandle { nullptr };
        std::atomic<bool> settingsOnMessageThread { false };
        std::atomic<float> lastTempo { 0.0f };
    };

    CallRecord calls;

    /** How many pixels of an area of the screen are drawn in the editor's accent blue (clearly
        bluer than red), as the X server shows them; -1 without a display.
    */
    int accentPixelsIn (juce::Rectangle<int> screenArea)
    {
        auto* display = XOpenDisplay (nullptr);
        if (display == nullptr)
            return -1;

        int count = 0;
        if (auto* image = XGetImage (display, DefaultRootWindow (display), screenArea.getX(), screenArea.getY(),
                                     (unsigned int) screenArea.getWidth(), (unsigned int) screenArea.getHeight(),
                                     AllPlanes, ZPixmap))
        {
            for (int y = 0; y < screenArea.getHeight(); ++y)
                for (int x = 0; x < screenArea.getWidth(); ++x)
                {
                    const auto pixel = XGetPixel (image, x, y);
                    if ((long) (pixel & 0xff) > (long) ((pixel >> 16) & 0xff) + 100)
                        ++count;
                }

            XDestroyImage (image);
        }

        XCloseDisplay (display);
        return count;
    }
}

// The host's call-backs as the protocol declares them: plain functions, C calling convention.
extern "C"
{
    static void TOLVANE_MINIHOST_CALL fakeSettings (void* hostHandle)
    {
        calls.settingsHandle = hostHandle;
        calls.settingsOnMessageThread = juce::MessageManager::getInstance()->isThisTheMessageThread();
        ++calls.settingsCalls;
    }

    static void TOLVANE_MINIHOST_CALL fakeTempo (void* hostHandle, float beatsPerMinute)
    {
        calls.tempoHandle = hostHandle;
        calls.lastTempo = beatsPerMinute;
        ++calls.tempoCalls;
    }
}

class ReferenceEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        calls.settingsCalls = calls.tempoCalls = 0;
        calls.settingsHandle = calls.tempoHandle = nullptr;
        calls.settingsOnMessageThread = false;
        calls.lastTempo = 0.0f;

        juce::String error;
        plugin = ReferenceModule::load (error);
        ASSERT_NE (plugin, nullptr) << error;
    }

    void TearDown() override
    {
        if (window != nullptr)
            window->clearContentComponent();

        if (plugin != nullptr)
            delete plugin->getActiveEditor();

        window.reset();
        plugin.reset();
    }

    /** The host's whole handshake, in its order, with the fake call-backs. */
    void handshake()
    {
        ASSERT_EQ (ReferenceModule::canDo (*plugin, TOLVANE_MINIHOST_CAN_DO), 1);
        ASSERT_NE (ReferenceModule::send (*plugin, TOLVANE_MINIHOST_HANDLE, &hostObject), 0);
        ReferenceModule::send (*plugin, TOLVANE_MINIHOST_SETTINGS, reinterpret_cast<void*> (&fakeSettings));
        ReferenceModule::send (*plugin, TOLVANE_MINIHOST_TEMPO, reinterpret_cast<void*> (&fakeTempo));

        TolvaneMiniHostKeyboardFlag keyboard = 0;
        TolvaneMiniHostSizeMode size = 1;
        TolvaneMiniHostColours colours = { 0, 0, 0 };
        ReferenceModule::send (*plugin, TOLVANE_MINIHOST_KEYBOARD, &keyboard);
        ReferenceModule::send (*plugin, TOLVANE_MINIHOST_SIZE, &size);
        ReferenceModule::send (*plugin, TOLVANE_MINIHOST_COLOURS, colours);
    }

    void openEditor()
    {
        editor = plugin->createEditorIfNeeded();
        ASSERT_NE (editor, nullptr);

        window = std::make_unique<juce::DocumentWindow> ("Tolvane Reference", juce::Colours::black,
                                                         juce::DocumentWindow::closeButton);
        window->setUsingNativeTitleBar (true);
        window->setContentNonOwned (editor, true);
        window->setTopLeftPosition (100, 100);
        window->setVisible (true);

        // Long enough for the window manager to map it and the module to draw into it.
        pump (800);
        ASSERT_EQ (editor->getWidth(), ReferenceLayout::width);
        ASSERT_EQ (editor->getHeight(), ReferenceLayout::height);
    }

    static void pump (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    static bool waitFor (const std::function<bool()>& condition, int milliseconds = 5000)
    {
        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() > deadline)
                return false;
            pump (20);
        }
        return true;
    }

    /** Runs xdotool with the host's message loop going, as it would in the application. */
    static void xdotool (const juce::StringArray& arguments)
    {
        juce::StringArray command { "xdotool" };
        command.addArray (arguments);

        juce::ChildProcess process;
        ASSERT_TRUE (process.start (command, 0)) << "xdotool is needed";
        while (process.isRunning())
            pump (20);
    }

    juce::Point<int> onScreen (juce::Point<int> inEditor) const
    {
        return editor->getScreenPosition() + inEditor;
    }

    /** True when a clear part of the area (a twentieth) is drawn in the accent colour, as a
        button or a slider's thumb and track are.
    */
    bool showsAccentIn (juce::Rectangle<int> inEditor) const
    {
        const auto count = accentPixelsIn (inEditor + editor->getScreenPosition());
        EXPECT_GE (count, 0) << "no display";
        return count * 20 >= inEditor.getWidth() * inEditor.getHeight();
    }

    bool showsNoAccentIn (juce::Rectangle<int> inEditor) const
    {
        return accentPixelsIn (inEditor + editor->getScreenPosition()) == 0;
    }

    void click (juce::Point<int> inEditor) const
    {
        const auto at = onScreen (inEditor);
        xdotool ({ "mousemove", juce::String (at.x), juce::String (at.y), "sleep", "0.1", "click", "1" });
    }

    void drag (juce::Point<int> fromInEditor, juce::Point<int> toInEditor) const
    {
        const auto from = onScreen (fromInEditor), to = onScreen (toInEditor);
        xdotool ({ "mousemove", juce::String (from.x), juce::String (from.y), "sleep", "0.1", "mousedown", "1",
                   "sleep", "0.1", "mousemove", juce::String ((from.x + to.x) / 2), juce::String (to.y),
                   "sleep", "0.1", "mousemove", juce::String (to.x), juce::String (to.y),
                   "sleep", "0.1", "mouseup", "1" });
    }

    /** A point on the tempo slider's track (left of its text box), and one far beyond each end. */
    static juce::Point<int> tempoTrack() { return tempoTrackArea().getCentre(); }
    static juce::Point<int> beyondRight() { return tempoTrack().withX (tempoTrackArea().getRight() + 200); }
    static juce::Point<int> beyondLeft() { return tempoTrack().withX (tempoTrackArea().getX() - 200); }

    static juce::Rectangle<int> tempoTrackArea()
    {
        return ReferenceLayout::tempoSlider().withTrimmedRight (ReferenceLayout::tempoTextBoxWidth);
    }

    int hostObject = 0;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
    juce::AudioProcessorEditor* editor = nullptr;
    std::unique_ptr<juce::DocumentWindow> window;
};

TEST_F (ReferenceEditorTest, WithTheExtensionItsButtonOpensTheSettingsAndItsTempoControlSetsTheTempo)
{
    handshake();
    openEditor();

    click (ReferenceLayout::settingsButton().getCentre());
    ASSERT_TRUE (waitFor ([]
                          {
                              return calls.settingsCalls > 0;
                          }))
        << "the settings button did not call the host";
    EXPECT_EQ (calls.settingsHandle, &hostObject);
    EXPECT_TRUE (calls.settingsOnMessageThread) << "the settings call-back must come on the host's message thread";

    drag (tempoTrack(), beyondRight());
    ASSERT_TRUE (waitFor ([]
                          {
                              return calls.lastTempo == 300.0f;
                          }))
        << "last tempo: " << calls.lastTempo;
    EXPECT_EQ (calls.tempoHandle, &hostObject);

    const auto callsSoFar = calls.tempoCalls.load();
    drag (tempoTrack(), beyondLeft());
    ASSERT_TRUE (waitFor ([]
                          {
                              return calls.lastTempo == 20.0f;
                          }))
        << "last tempo: " << calls.lastTempo;
    EXPECT_GT (calls.tempoCalls, callsSoFar);

    EXPECT_EQ (calls.settingsCalls, 1) << "moving the tempo must not open the settings";

    // For people to look at: the editor as this host shows it.
    const juce::File artefacts (TOLVANE_TEST_ARTEFACTS);
    juce::ChildProcess screenshot;
    if (artefacts.createDirectory()
        && screenshot.start (juce::StringArray { "import", "-window", "root",
                                                 artefacts.getChildFile ("reference-editor-with-extension.png").getFullPathName() }))
        screenshot.waitForProcessToFinish (10000);
}

TEST_F (ReferenceEditorTest, WithoutTheExtensionTheEditorShowsNoHostControlsUntilTheHostSpeaksIt)
{
    openEditor();

    EXPECT_TRUE (showsNoAccentIn (ReferenceLayout::settingsButton())) << "a settings button is drawn";
    EXPECT_TRUE (showsNoAccentIn (tempoTrackArea())) << "a tempo slider is drawn";

    click (ReferenceLayout::settingsButton().getCentre());
    drag (tempoTrack(), beyondRight());
    pump (500);
    EXPECT_EQ (calls.settingsCalls, 0);
    EXPECT_EQ (calls.tempoCalls, 0);

    // The editor looks at the link on its timer: the controls come once the host has spoken.
    handshake();
    EXPECT_TRUE (waitFor ([this]
                          {
                              return showsAccentIn (ReferenceLayout::settingsButton())
                                  && showsAccentIn (tempoTrackArea());
                          }))
        << "the host controls did not appear";

    click (ReferenceLayout::settingsButton().getCentre());
    EXPECT_TRUE (waitFor ([]
                          {
                              return calls.settingsCalls == 1;
                          }));
    EXPECT_EQ (calls.tempoCalls, 0);
}
