#pragma once

#include "ReferenceProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <array>

/** The reference plug-in's editor, of a fixed size (ReferenceLayout): the plug-in's name,
    a panel with what the play head reports, a panel with what the host offers through the
    mini-host extension, and a keyboard to play the plug-in with. The host makes it the
    content of its main window.

    Under a host that speaks the extension, the host panel has a button that opens the
    host's "Audio / MIDI Settings" dialog and a tempo control (20 to 300 bpm) that sets the
    tempo of the host's play head. Under any other host both controls are hidden (not
    merely disabled: they could never work there) and the panel says why; the play head
    panel and the keyboard work everywhere. The editor checks the link at every tick of its
    timer, so the controls also appear if the host speaks the extension only after the
    editor was made.
*/
class ReferenceEditor final : public juce::AudioProcessorEditor,
                              private juce::Timer
{
public:
    explicit ReferenceEditor (ReferenceProcessor& owner);
    ~ReferenceEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** One line of the play head panel: what is shown, and its value. */
    struct Readout
    {
        juce::String name, value;
        bool operator== (const Readout& other) const { return name == other.name && value == other.value; }
    };

    using Readouts = std::array<Readout, 6>;

    /** The play head panel's lines for what the host last reported, e.g. "Tempo" "120.0 bpm". */
    static Readouts describe (const ReferenceProcessor::HostView& view);

    static constexpr double minimumTempo = 20.0, maximumTempo = 300.0, defaultTempo = 120.0;

private:
    void timerCallback() override;
    void showHostControls();
    void paintPanel (juce::Graphics& g, juce::Rectangle<int> panel, const juce::String& heading) const;

    ReferenceProcessor& reference;

    // Declared first so that it outlives the components drawn with it.
    juce::LookAndFeel_V4 look;

    juce::TextButton settingsButton { "Audio / MIDI Settings..." };
    juce::Label tempoLabel { {}, "Tempo" };
    juce::Slider tempoSlider { juce::Slider::LinearHorizontal, juce::Slider::TextBoxRight };
    juce::MidiKeyboardComponent keyboard;

    Readouts readouts;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReferenceEditor)
};
