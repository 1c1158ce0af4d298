#pragma once

#include "app/PluginHostApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

/** The one application object a test program may have (the framework allows only one), with
    its settings store in a private folder. Start it in a suite's set-up, stop it in its
    tear-down.
*/
struct PrivateApplication
{
    static void start()
    {
        configFolder = std::make_unique<juce::TemporaryFile>();
        ASSERT_TRUE (configFolder->getFile().createDirectory());
        setenv ("XDG_CONFIG_HOME", configFolder->getFile().getFullPathName().toRawUTF8(), 1);

        app = std::make_unique<PluginHostApp>();
        app->createSettingsStore();
    }

    static void stop()
    {
        app.reset();
        configFolder->getFile().deleteRecursively();
        configFolder.reset();
    }

    static inline std::unique_ptr<juce::TemporaryFile> configFolder;
    static inline std::unique_ptr<PluginHostApp> app;
};
