#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include <juce_gui_basics/juce_gui_basics.h>

/** The running application's command manager. */
juce::ApplicationCommandManager& getCommandManager();

/** The running application's settings store (exists from the settings store's creation at
    start-up until it is destroyed at shut-down).
*/
juce::ApplicationProperties& getApplicationProperties();
