#include "app/PluginHostApp.h"
#include "support/PrivateApplication.h"
#include "ui/MainHostWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
    /** One application object for the whole program (the framework allows only one), with
        its settings store in a private folder, and a fresh window for each test.
    */
    class MainHostWindowTest : public ::testing::Test
    {
    protected:
        static void SetUpTestSuite() { PrivateApplication::start(); }
        static void TearDownTestSuite() { PrivateApplication::stop(); }

        void SetUp() override
        {
            settings().setValue ("mainWindowPos", juce::String());
        }

        static juce::PropertiesFile& settings() { return *getApplicationProperties().getUserSettings(); }
    };

    juce::ApplicationCommandInfo infoFor (MainHostWindow& window, juce::CommandID id)
    {
        juce::ApplicationCommandInfo info (id);
        window.getCommandInfo (id, info);
        return info;
    }
}

TEST_F (MainHostWindowTest, IsBuiltGreyUnresizableAt800x600CentredAndTitledWithTheApplication)
{
    MainHostWindow window;

    EXPECT_EQ (window.getName(), "Tolvane Editor");
    EXPECT_EQ (window.getBackgroundColour(), juce::Colour (0xffd3d3d3));
    EXPECT_FALSE (window.isResizable());
    EXPECT_FALSE (window.isVisible());
    EXPECT_TRUE (window.isOnDesktop());
    EXPECT_EQ (window.getWidth(), 800);
    EXPECT_EQ (window.getHeight(), 600);

    const auto screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    EXPECT_NEAR (window.getBounds().getCentreX(), screen.getCentreX(), 1);
    EXPECT_NEAR (window.getBounds().getCentreY(), screen.getCentreY(), 1);
}

TEST_F (MainHostWindowTest, BackgroundIgnoresTheLookAndFeel)
{
    juce::LookAndFeel_V4 other;
    other.setColour (juce::ResizableWindow::backgroundColourId, juce::Colours::red);

    MainHostWindow window;
    window.setLookAndFeel (&other);
    EXPECT_EQ (window.findColour (juce::ResizableWindow::backgroundColourId), juce::Colour (0xffd3d3d3));
    window.setLookAndFeel (nullptr);
}

TEST_F (MainHostWindowTest, OffersTheTwoCommandsWithTheirInfos)
{
    MainHostWindow window;

    juce::Array<juce::CommandID> commands;
    window.getAllCommands (commands);
    EXPECT_EQ (commands, juce::Array<juce::CommandID> (0x30200, 0x30300));

    const auto settingsInfo = infoFor (window, MainHostWindow::audioSettingsCommand);
    EXPECT_EQ (settingsInfo.shortName, "Change the audio device settings");
    EXPECT_TRUE (settingsInfo.description.isEmpty());
    EXPECT_EQ (settingsInfo.categoryName, "General");
    EXPECT_EQ (settingsInfo.flags, 0);
    ASSERT_EQ (settingsInfo.defaultKeypresses.size(), 1);
    EXPECT_EQ (settingsInfo.defaultKeypresses[0], juce::KeyPress ('a', juce::ModifierKeys::ctrlModifier, 0));

    const auto aboutInfo = infoFor (window, MainHostWindow::aboutCommand);
    EXPECT_EQ (aboutInfo.shortName, "About...");
    EXPECT_EQ (aboutInfo.categoryName, "General");
    EXPECT_EQ (aboutInfo.flags, 0);
    EXPECT_TRUE (aboutInfo.defaultKeypresses.isEmpty());

    juce::ApplicationCommandInfo untouched (0x1234);
    untouched.shortName = "unchanged";
    window.getCommandInfo (0x1234, untouched);
    EXPECT_EQ (untouched.shortName, "unchanged");
}

TEST_F (MainHostWindowTest, PerformHandlesItsOwnCommandsOnly)
{
    MainHostWindow window;

    EXPECT_TRUE (window.perform (juce::ApplicationCommandTarget::InvocationInfo (MainHostWindow::audioSettingsCommand)));
    EXPECT_TRUE (window.perform (juce::ApplicationCommandTarget::InvocationInfo (MainHostWindow::aboutCommand)));
    EXPECT_FALSE (window.perform (juce::ApplicationCommandTarget::InvocationInfo (juce::StandardApplicationCommandIDs::quit)));
    EXPECT_EQ (window.getNextCommandTarget(), nullptr);
}

TEST_F (MainHostWindowTest, OptionsMenuListsSettingsSeparatorAndAbout)
{
    MainHostWindow window;
    auto& commandManager = getCommandManager();
    commandManager.registerAllCommandsForTarget (&window);

    EXPECT_EQ (window.getMenuBarNames(), juce::StringArray ("Options"));

    auto menu = window.getMenuForIndex (0, "ignored");
    juce::PopupMenu::MenuItemIterator items (menu);

    ASSERT_TRUE (items.next());
    EXPECT_EQ (items.getItem().itemID, MainHostWindow::audioSettingsCommand);
    EXPECT_EQ (items.getItem().commandManager, &commandManager);
    EXPECT_EQ (items.getItem().text, "Change the audio device settings");
    EXPECT_TRUE (items.getItem().isEnabled);
    EXPECT_FALSE (items.getItem().isTicked);

    ASSERT_TRUE (items.next());
    EXPECT_TRUE (items.getItem().isSeparator);

    ASSERT_TRUE (items.next());
    EXPECT_EQ (items.getItem().itemID, MainHostWindow::aboutCommand);
    EXPECT_EQ (items.getItem().text, "About...");

    EXPECT_FALSE (items.next());
    EXPECT_EQ (window.getMenuForIndex (1, {}).getNumItems(), 0);
}

TEST_F (MainHostWindowTest, IsFirstCommandTargetAndCtrlAInvokesTheSettingsCommand)
{
    MainHostWindow window;
    auto& commandManager = getCommandManager();
    commandManager.registerAllCommandsForTarget (PrivateApplication::app.get());
    commandManager.registerAllCommandsForTarget (&window);

    EXPECT_EQ (commandManager.getFirstCommandTarget (0), &window);

    const auto* mappings = commandManager.getKeyMappings();
    EXPECT_EQ (mappings->findCommandForKeyPress (juce::KeyPress ('a', juce::ModifierKeys::ctrlModifier, 0)),
               MainHostWindow::audioSettingsCommand);
    EXPECT_EQ (mappings->findCommandForKeyPress (juce::KeyPress ('q', juce::ModifierKeys::ctrlModifier, 0)),
               juce::StandardApplicationCommandIDs::quit);

    // Handled by the window, which does nothing more.
    EXPECT_TRUE (commandManager.invokeDirectly (MainHostWindow::audioSettingsCommand, false));
    EXPECT_TRUE (commandManager.invokeDirectly (MainHostWindow::aboutCommand, false));

    // The window does not list quit, so the command falls through to the application.
    juce::ApplicationCommandInfo quitInfo (juce::StandardApplicationCommandIDs::quit);
    EXPECT_EQ (commandManager.getTargetForCommand (juce::StandardApplicationCommandIDs::quit, quitInfo), PrivateApplication::app.get());
    EXPECT_EQ (quitInfo.shortName, "Quit");
}

TEST_F (MainHostWindowTest, StoresItsBoundsOnDestructionAndRestoresThemWhenBuilt)
{
    {
        // The framework keeps the bounds of a window only while it is showing.
        MainHostWindow window;
        window.setVisible (true);
        window.setBounds (210, 160, 560, 340);
    }

    const auto stored = settings().getValue ("mainWindowPos");
    EXPECT_TRUE (stored.startsWith ("210 160 560 340")) << stored;

    MainHostWindow restored;
    EXPECT_EQ (restored.getBounds(), juce::Rectangle<int> (210, 160, 560, 340));
}

TEST_F (MainHostWindowTest, AWindowNeverShownKeepsTheStoredPosition)
{
    settings().setValue ("mainWindowPos", "300 250 560 340");
    {
        MainHostWindow window;
        window.setBounds (10, 10, 200, 100);
    }
    EXPECT_EQ (settings().getValue ("mainWindowPos"), "300 250 560 340");
}

TEST_F (MainHostWindowTest, MalformedStoredStateLeavesTheDefaultBounds)
{
    for (const auto* value : { "garbage", "1 2 3", "10 10 0 0" })
    {
        settings().setValue ("mainWindowPos", value);
        MainHostWindow window;
        EXPECT_EQ (window.getWidth(), 800) << value;
        EXPECT_EQ (window.getHeight(), 600) << value;
    }
}

TEST_F (MainHostWindowTest, StartPositionIsTheStoredCornerOrElse100x100)
{
    settings().setValue ("mainWindowPos", "250 180 560 340");
    {
        MainHostWindow window;
        window.setSize (400, 300);
        window.moveToStartPosition();
        EXPECT_EQ (window.getPosition(), juce::Point<int> (250, 180));
    }

    settings().setValue ("mainWindowPos", "-5000 -5000 560 340");
    {
        MainHostWindow window;
        window.moveToStartPosition();
        EXPECT_EQ (window.getPosition(), juce::Point<int> (100, 100));
    }

    settings().setValue ("mainWindowPos", juce::String());
    {
        MainHostWindow window;
        window.moveToStartPosition();
        EXPECT_EQ (window.getPosition(), juce::Point<int> (100, 100));
    }
}
