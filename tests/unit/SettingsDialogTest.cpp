#include "app/PluginHostApp.h"
#include "support/PrivateApplication.h"
#include "devices/SavedDeviceState.h"
#include "look/ThreeColorsLookAndFeel.h"
#include "ui/ComponentModalDialog.h"
#include "ui/MainHostWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <thread>
#include <typeinfo>

// The settings dialog on a real display (Xvfb with a window manager) and, where a device is
// needed, on the JACK server named by JACK_DEFAULT_SERVER.

namespace
{
    juce::String run (const juce::StringArray& command)
    {
        juce::ChildProcess process;
        if (! process.start (command))
            return {};

        auto output = process.readAllProcessOutput();
        process.waitForProcessToFinish (10000);
        return output;
    }

    juce::String windowIdOf (juce::Component& window)
    {
        if (auto* peer = window.getPeer())
            return juce::String ((juce::pointer_sized_uint) peer->getNativeHandle());
        return {};
    }

    /** A value from xwininfo's output, e.g. "Width" or "Absolute upper-left X". */
    int xwininfoValue (const juce::String& xwininfo, const juce::String& field)
    {
        return xwininfo.fromFirstOccurrenceOf (field + ":", false, false).upToFirstOccurrenceOf ("\n", false, false).trim().getIntValue();
    }

    /** What the window system says about a window, gathered off the message thread. */
    struct XWindowFacts
    {
        juce::String geometry;   // xwininfo
        juce::String properties; // xprop: state, frame extents, allowed actions
    };

    XWindowFacts waitUntilViewable (const juce::String& windowId)
    {
        XWindowFacts facts;
        for (int tries = 0; tries < 100; ++tries)
        {
            facts.geometry = run ({ "xwininfo", "-id", windowId });
            facts.properties = run ({ "xprop", "-id", windowId, "_NET_WM_STATE", "_NET_FRAME_EXTENTS", "_NET_WM_ALLOWED_ACTIONS", "_MOTIF_WM_HINTS" });
            if (facts.geometry.contains ("IsViewable") && facts.properties.contains ("_NET_FRAME_EXTENTS(CARDINAL)"))
                break;
            juce::Thread::sleep (50);
        }
        return facts;
    }

    /** Waits until the window system's keyboard focus is on the window; false if it never is. */
    bool waitUntilFocused (const juce::String& windowId)
    {
        for (int tries = 0; tries < 100; ++tries)
        {
            if (run ({ "xdotool", "getwindowfocus" }).trim() == windowId)
                return true;
            juce::Thread::sleep (50);
        }
        return false;
    }

    /** Runs while a dialog's modal loop runs: once the dialog shows, calls whenShown on the
        message thread, then runs offScreenWork on a helper thread (which may drive the window
        system, e.g. press keys with xdotool), then calls afterWork on the message thread.
        Hides the dialog after a deadline so that a failing test does not hang.
    */
    class ModalDialogDriver final : private juce::Timer
    {
    public:
        std::function<void (ComponentModalDialog&)> whenShown;
        std::function<void (const juce::String& dialogWindowId)> offScreenWork;
        std::function<void (ComponentModalDialog&)> afterWork;

        ModalDialogDriver() { startTimer (20); }

        ~ModalDialogDriver() override
        {
            stopTimer();
            if (helper.joinable())
                helper.join();
        }

        bool sawDialog() const { return seen; }
        bool timedOut() const { return expired; }

    private:
        void timerCallback() override
        {
            auto* dialog = dynamic_cast<ComponentModalDialog*> (juce::Component::getCurrentlyModalComponent());

            if (dialog != nullptr && dialog->isShowing() && ! seen)
            {
                seen = true;
                if (whenShown != nullptr)
                    whenShown (*dialog);

                helper = std::thread ([this, id = windowIdOf (*dialog)]
                                      {
                                          if (offScreenWork != nullptr)
                                              offScreenWork (id);
                                          workDone = true;
                                      });
            }

            if (dialog != nullptr && workDone && ! afterWorkDone)
            {
                afterWorkDone = true;
                if (afterWork != nullptr)
                    afterWork (*dialog);
            }

            if (dialog != nullptr && juce::Time::getMillisecondCounter() > deadline)
            {
                expired = true;
                auto* focused = juce::Component::getCurrentlyFocusedComponent();
                std::cerr << "Dialog still open at the deadline; dialog has focus: " << dialog->hasKeyboardFocus (true)
                          << ", focused component: " << (focused != nullptr ? typeid (*focused).name() : "none")
                          << ", X focus: " << run ({ "xdotool", "getwindowfocus" }).trim()
                          << ", dialog window: " << windowIdOf (*dialog) << std::endl;
                dialog->setVisible (false);
            }
        }

        const juce::uint32 deadline = juce::Time::getMillisecondCounter() + 20000;
        bool seen = false, afterWorkDone = false, expired = false;
        std::atomic<bool> workDone { false };
        std::thread helper;
    };

    /** Presses Escape the way the window system delivers it: to the dialog's focused window. */
    void pressEscapeThroughTheFramework (ComponentModalDialog& dialog)
    {
        ASSERT_NE (dialog.getPeer(), nullptr);
        dialog.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey));
    }

    bool jackRequired()
    {
        const auto* value = std::getenv ("TOLVANE_REQUIRE_JACK");
        return value != nullptr && juce::String (value) == "1";
    }

    /** Opens the default device of the JACK server named by JACK_DEFAULT_SERVER as a saved
        (explicit) choice, with two outputs wanted: JACK calls back only with an output.
    */
    bool openJack (juce::AudioDeviceManager& deviceManager)
    {
        juce::AudioIODeviceType* jack = nullptr;
        for (auto* type : deviceManager.getAvailableDeviceTypes())
            if (type->getTypeName() == "JACK")
                jack = type;

        if (jack == nullptr)
            return false;

        jack->scanForDevices();
        const auto outputs = jack->getDeviceNames (false);
        if (outputs.isEmpty())
            return false;

        juce::XmlElement state ("DEVICESETUP");
        state.setAttribute ("deviceType", "JACK");
        state.setAttribute ("audioOutputDeviceName", outputs[juce::jmax (0, jack->getDefaultDeviceIndex (false))]);
        state.setAttribute ("audioInputDeviceName", jack->getDeviceNames (true)[juce::jmax (0, jack->getDefaultDeviceIndex (true))]);
        deviceManager.initialise (0, 2, &state, false);

        return deviceManager.getCurrentAudioDevice() != nullptr
            && deviceManager.getCurrentAudioDeviceType() == "JACK";
    }

    /** The label the device selector attaches to a channel list, if that list exists. */
    juce::Component* findLabel (juce::Component& root, const juce::String& text)
    {
        if (auto* label = dynamic_cast<juce::Label*> (&root))
            if (label->getText() == text && label->isShowing())
                return label;

        for (auto* child : root.getChildren())
            if (auto* found = findLabel (*child, text))
                return found;

        return nullptr;
    }

    template <typename ComponentType>
    ComponentType* findFirst (juce::Component& root)
    {
        if (auto* found = dynamic_cast<ComponentType*> (&root))
            return found;

        for (auto* child : root.getChildren())
            if (auto* found = findFirst<ComponentType> (*child))
                return found;

        return nullptr;
    }

    /** Escape pressed while one of the selector's controls has the keyboard focus (the window
        system's focus must be on the dialog already).
    */
    template <typename ComponentType>
    void pressEscapeWithFocusOnA (ComponentModalDialog& dialog)
    {
        auto* control = findFirst<ComponentType> (dialog);
        ASSERT_NE (control, nullptr);
        control->grabKeyboardFocus();
        ASSERT_TRUE (control->hasKeyboardFocus (true));
        pressEscapeThroughTheFramework (dialog);
    }

    /** The application's settings store in a private folder, and a visible main window. */
    class SettingsDialogTest : public ::testing::Test
    {
    protected:
        static void SetUpTestSuite() { PrivateApplication::start(); }
        static void TearDownTestSuite() { PrivateApplication::stop(); }

        void SetUp() override
        {
            mainWindow = std::make_unique<MainHostWindow>();
            mainWindow->useNativeTitleBar();
            mainWindow->setSize (640, 480);
            mainWindow->setTopLeftPosition (100, 100);
            mainWindow->setVisible (true);

            settingsFile().deleteFile();
        }

        void TearDown() override
        {
            mainWindow.reset();
            juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        }

        void openJackOrSkip (juce::AudioDeviceManager& deviceManager, int expectedOutputs)
        {
            if (! openJack (deviceManager))
            {
                if (jackRequired())
                    FAIL() << "no JACK server reachable (JACK_DEFAULT_SERVER="
                           << (std::getenv ("JACK_DEFAULT_SERVER") != nullptr ? std::getenv ("JACK_DEFAULT_SERVER") : "") << ")";
                GTEST_SKIP() << "no JACK server reachable";
            }

            ASSERT_EQ (deviceManager.getCurrentAudioDevice()->getOutputChannelNames().size(), expectedOutputs)
                << "JACK_DEFAULT_SERVER names a server with another output count";
        }

        static juce::PropertiesFile& settings() { return *getApplicationProperties().getUserSettings(); }
        static juce::File settingsFile() { return settings().getFile(); }

        /** The value stored in the file on disk, not the one in memory. */
        static juce::String storedOnDisk (const juce::String& key)
        {
            juce::PropertiesFile::Options options;
            juce::PropertiesFile onDisk (settingsFile(), options);
            return onDisk.containsKey (key) ? onDisk.getValue (key) : "<absent>";
        }

        /** The dialog as the application opens it, on the device state saved in the file now. */
        void openSettingsDialog (juce::AudioDeviceManager& deviceManager)
        {
            SavedDeviceState savedState (settings());
            mainWindow->openSettingsDialog (deviceManager, savedState);
        }

        std::unique_ptr<MainHostWindow> mainWindow;
    };

}

//==============================================================================
TEST_F (SettingsDialogTest, OpensModalAndCentredAt500x550AndEscapeClosesItAndSavesTheDeviceState)
{
    juce::AudioDeviceManager deviceManager;
    openJackOrSkip (deviceManager, 6);
    if (IsSkipped() || HasFatalFailure())
        return;

    const auto defaultBackground = juce::LookAndFeel::getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);
    XWindowFacts dialogFacts, mainFacts;
    std::atomic<bool> focused { false };
    const auto mainId = windowIdOf (*mainWindow);

    ModalDialogDriver driver;
    driver.whenShown = [&] (ComponentModalDialog& dialog)
    {
        EXPECT_EQ (dialog.getName(), "Audio / MIDI Settings");
        EXPECT_TRUE (dialog.isCurrentlyModal());
        EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 1);
        EXPECT_TRUE (mainWindow->isCurrentlyBlockedByAnotherModalComponent());

        EXPECT_EQ (dialog.getWidth(), 500);
        EXPECT_EQ (dialog.getHeight(), 550);
        EXPECT_NEAR (dialog.getBounds().getCentreX(), mainWindow->getBounds().getCentreX(), 1);
        EXPECT_NEAR (dialog.getBounds().getCentreY(), mainWindow->getBounds().getCentreY(), 1);

        EXPECT_TRUE (dialog.isUsingNativeTitleBar());
        EXPECT_TRUE (dialog.isAlwaysOnTop());
        EXPECT_FALSE (dialog.isResizable());
        const auto style = dialog.getDesktopWindowStyleFlags();
        EXPECT_NE (style & juce::ComponentPeer::windowHasCloseButton, 0);
        EXPECT_EQ (style & juce::ComponentPeer::windowHasMinimiseButton, 0);
        EXPECT_EQ (style & juce::ComponentPeer::windowHasMaximiseButton, 0);
        EXPECT_EQ (style & juce::ComponentPeer::windowIsResizable, 0);
        EXPECT_EQ (dialog.getBackgroundColour(), defaultBackground);
    };
    driver.offScreenWork = [&] (const juce::String& dialogId)
    {
        dialogFacts = waitUntilViewable (dialogId);
        mainFacts = waitUntilViewable (mainId);
        focused = waitUntilFocused (dialogId);
    };
    driver.afterWork = [] (ComponentModalDialog& dialog)
    {
        pressEscapeThroughTheFramework (dialog);
    };

    openSettingsDialog (deviceManager);

    EXPECT_TRUE (driver.sawDialog());
    EXPECT_FALSE (driver.timedOut());
    EXPECT_TRUE (focused) << "the keyboard focus never went to the dialog";
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);

    // On the screen: a 500 × 550 client area inside a frame with a title bar, above the
    // other windows, with nothing to resize, minimise or maximise it.
    EXPECT_EQ (xwininfoValue (dialogFacts.geometry, "Width"), 500) << dialogFacts.geometry;
    EXPECT_EQ (xwininfoValue (dialogFacts.geometry, "Height"), 550);
    const auto dialogCentreX = xwininfoValue (dialogFacts.geometry, "Absolute upper-left X") + 250;
    const auto dialogCentreY = xwininfoValue (dialogFacts.geometry, "Absolute upper-left Y") + 275;
    const auto mainCentreX = xwininfoValue (mainFacts.geometry, "Absolute upper-left X") + xwininfoValue (mainFacts.geometry, "Width") / 2;
    const auto mainCentreY = xwininfoValue (mainFacts.geometry, "Absolute upper-left Y") + xwininfoValue (mainFacts.geometry, "Height") / 2;
    EXPECT_NEAR (dialogCentreX, mainCentreX, 1) << mainFacts.geometry;
    EXPECT_NEAR (dialogCentreY, mainCentreY, 1);

    const auto extents = juce::StringArray::fromTokens (dialogFacts.properties.fromFirstOccurrenceOf ("_NET_FRAME_EXTENTS(CARDINAL) =", false, false)
                                                            .upToFirstOccurrenceOf ("\n", false, false),
                                                        ",", {});
    ASSERT_EQ (extents.size(), 4) << dialogFacts.properties;
    EXPECT_GT (extents[2].trim().getIntValue(), 0) << "no title bar";
    EXPECT_TRUE (dialogFacts.properties.contains ("_NET_WM_STATE_ABOVE")) << dialogFacts.properties;
    EXPECT_TRUE (dialogFacts.properties.contains ("_NET_WM_ACTION_CLOSE"));
    EXPECT_FALSE (dialogFacts.properties.contains ("_NET_WM_ACTION_RESIZE"));
    EXPECT_FALSE (dialogFacts.properties.contains ("_NET_WM_ACTION_MAXIMIZE"));

    // What the window asks of the window manager (Motif hints: flags, functions, decorations);
    // openbox still offers to minimise any window, so that is checked here, not in its actions.
    const auto motif = juce::StringArray::fromTokens (dialogFacts.properties.fromFirstOccurrenceOf ("_MOTIF_WM_HINTS) =", false, false)
                                                          .upToFirstOccurrenceOf ("\n", false, false),
                                                      ",", {});
    ASSERT_GE (motif.size(), 3) << dialogFacts.properties;
    const auto functions = motif[1].trim().getHexValue32();
    const auto decorations = motif[2].trim().getHexValue32();
    EXPECT_EQ (functions & (0x02 | 0x08 | 0x10), 0) << "resize, minimise or maximise offered: " << dialogFacts.properties;
    EXPECT_NE (functions & 0x20, 0) << "close not offered";
    EXPECT_EQ (decorations & (0x20 | 0x40), 0) << "minimise or maximise button asked for";

    // Stored and written at once (the store's own delayed save has had no chance to run).
    EXPECT_TRUE (settingsFile().existsAsFile());
    const auto stored = storedOnDisk ("audioDeviceState");
    const auto xml = juce::parseXML (stored);
    ASSERT_NE (xml, nullptr) << stored;
    EXPECT_EQ (xml->getStringAttribute ("deviceType"), "JACK");
    EXPECT_FALSE (settings().needsToBeSaved());
}

TEST_F (SettingsDialogTest, EscapeAndAltF4FromTheKeyboardCloseItEachTimeAndEachClosingSaves)
{
    juce::AudioDeviceManager deviceManager;
    openJackOrSkip (deviceManager, 6);
    if (IsSkipped() || HasFatalFailure())
        return;

    // Escape after Alt+F4 too: the window manager's Alt+F4 can leave the framework believing
    // that Alt is still held.
    for (const auto* keys : { "Escape", "alt+F4", "Escape" })
    {
        SCOPED_TRACE (keys);
        settingsFile().deleteFile();

        ModalDialogDriver driver;
        driver.offScreenWork = [keys] (const juce::String& dialogId)
        {
            // The keys go to the window with the input focus, which the dialog takes itself.
            waitUntilViewable (dialogId);
            waitUntilFocused (dialogId);
            run ({ "xdotool", "key", "--clearmodifiers", keys });
        };

        openSettingsDialog (deviceManager);

        EXPECT_TRUE (driver.sawDialog());
        EXPECT_FALSE (driver.timedOut()) << "the dialog did not close on " << keys;
        EXPECT_TRUE (settingsFile().existsAsFile());
        EXPECT_TRUE (storedOnDisk ("audioDeviceState").contains ("deviceType=\"JACK\""));
    }
}

TEST_F (SettingsDialogTest, WithNoExplicitDeviceChoiceTheStoredStateIsEmpty)
{
    juce::AudioDeviceManager deviceManager;
    deviceManager.initialise (0, 2, nullptr, false);
    settings().setValue ("audioDeviceState", "stale");

    ModalDialogDriver driver;
    driver.afterWork = [] (ComponentModalDialog& dialog)
    {
        pressEscapeThroughTheFramework (dialog);
    };

    openSettingsDialog (deviceManager);

    EXPECT_FALSE (driver.timedOut());
    EXPECT_EQ (storedOnDisk ("audioDeviceState"), "");
}

//==============================================================================
namespace
{
    struct ChannelLists
    {
        bool outputs = false, inputs = false, insideDialog = true;
    };

    ChannelLists channelListsShown (ComponentModalDialog& dialog)
    {
        ChannelLists lists;
        for (auto [text, shown] : { std::pair<const char*, bool*> { "Active output channels:", &lists.outputs },
                                    std::pair<const char*, bool*> { "Active input channels:", &lists.inputs } })
        {
            if (auto* label = findLabel (dialog, text))
            {
                *shown = true;
                lists.insideDialog = lists.insideDialog && dialog.getScreenBounds().contains (label->getScreenBounds());
            }
        }
        return lists;
    }
}

TEST_F (SettingsDialogTest, WithSixOutputsTheSelectorShowsNoOutputChannelList)
{
    juce::AudioDeviceManager deviceManager;
    openJackOrSkip (deviceManager, 6);
    if (IsSkipped() || HasFatalFailure())
        return;

    ChannelLists lists;
    ModalDialogDriver driver;
    driver.whenShown = [&] (ComponentModalDialog& dialog)
    {
        lists = channelListsShown (dialog);
    };
    driver.offScreenWork = [] (const juce::String& dialogId)
    {
        waitUntilViewable (dialogId);
        waitUntilFocused (dialogId);
    };
    driver.afterWork = [] (ComponentModalDialog& dialog)
    {
        pressEscapeWithFocusOnA<juce::ComboBox> (dialog);
    };

    openSettingsDialog (deviceManager);

    EXPECT_TRUE (driver.sawDialog());
    EXPECT_FALSE (driver.timedOut()) << "Escape did not pass from a focused combo box to the dialog";
    EXPECT_FALSE (lists.outputs);
    EXPECT_TRUE (lists.inputs);
}

TEST_F (SettingsDialogTest, WithEighteenOutputsTheSelectorShowsTheOutputChannelListInTheThreeColourLook)
{
    ThreeColorsLookAndFeel look (juce::Colour (0xffffffff), juce::Colour (0xff2080c0), juce::Colour (0xff303030));
    juce::LookAndFeel::setDefaultLookAndFeel (&look);

    juce::AudioDeviceManager deviceManager;
    openJackOrSkip (deviceManager, 18);
    if (IsSkipped() || HasFatalFailure())
        return;

    // TOLVANE_SCREENSHOT names a file to capture the screen into while the dialog is open.
    const auto* screenshot = std::getenv ("TOLVANE_SCREENSHOT");

    ChannelLists lists;
    juce::Colour dialogBackground;
    ModalDialogDriver driver;
    driver.whenShown = [&] (ComponentModalDialog& dialog)
    {
        lists = channelListsShown (dialog);
        dialogBackground = dialog.getBackgroundColour();
    };
    driver.offScreenWork = [screenshot] (const juce::String& dialogId)
    {
        waitUntilViewable (dialogId);
        waitUntilFocused (dialogId);
        if (screenshot != nullptr)
        {
            juce::Thread::sleep (500); // let the first paint reach the screen
            run ({ "import", "-window", "root", screenshot });
        }
    };
    driver.afterWork = [] (ComponentModalDialog& dialog)
    {
        pressEscapeWithFocusOnA<juce::ListBox> (dialog);
    };

    openSettingsDialog (deviceManager);

    EXPECT_TRUE (driver.sawDialog());
    EXPECT_FALSE (driver.timedOut()) << "Escape did not pass from a focused channel list to the dialog";
    EXPECT_TRUE (lists.outputs);
    EXPECT_TRUE (lists.inputs);
    EXPECT_TRUE (lists.insideDialog) << "a channel list lies outside the 500 × 550 dialog";
    EXPECT_EQ (dialogBackground, juce::Colour (0xff303030));

    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}
