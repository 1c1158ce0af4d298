#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <memory>

namespace
{
    /** The framework's message manager and GUI set-up for the whole run of a test program. */
    class JuceEnvironment final : public ::testing::Environment
    {
    public:
        void SetUp() override { juce = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
        void TearDown() override { juce.reset(); }

    private:
        std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juce;
    };
}

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    ::testing::AddGlobalTestEnvironment (new JuceEnvironment());
    return RUN_ALL_TESTS();
}
