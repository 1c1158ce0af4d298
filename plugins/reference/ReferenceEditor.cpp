#include "ReferenceEditor.h"

#include "ReferenceLayout.h"
#include "ReferencePalette.h"

namespace
{
    const juce::Colour text { ReferencePalette::text };
    const juce::Colour accent { ReferencePalette::accent };
    const juce::Colour background { ReferencePalette::background };
    const juce::Colour panel { background.brighter (0.25f) };

    /** The framework's own look, coloured from the editor's three colours. */
    juce::LookAndFeel_V4::ColourScheme colourScheme()
    {
        return { background, panel, background, text.withAlpha (0.3f),
                 text, accent, background, accent, text };
    }
}

ReferenceEditor::ReferenceEditor (ReferenceProcessor& owner)
    : AudioProcessorEditor (owner),
      reference (owner),
      look (colourScheme()),
      keyboard (owner.keyboardState, juce::MidiKeyboardComponent::horizontalKeyboard)
{
    setLookAndFeel (&look);

    settingsButton.setColour (juce::TextButton::buttonColourId, accent);
    settingsButton.setColour (juce::TextButton::textColourOffId, background);
    settingsButton.onClick = [this]
    {
        // Returns only once the user has closed the host's dialog.
        reference.miniHost.openSettings();
    };
    addChildComponent (settingsButton);

    tempoLabel.setFont (juce::Font (15.0f));
    tempoLabel.setBorderSize ({});
    addChildComponent (tempoLabel);

    tempoSlider.setRange (minimumTempo, maximumTempo, 1.0);
    tempoSlider.setTextValueSuffix (" bpm");
    tempoSlider.setTextBoxStyle (juce::Slider::TextBoxRight, false, ReferenceLayout::tempoTextBoxWidth, 24);
    tempoSlider.setDoubleClickReturnValue (true, defaultTempo);
    tempoSlider.setColour (juce::Slider::backgroundColourId, background);
    tempoSlider.setColour (juce::Slider::trackColourId, accent);
    tempoSlider.setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);

    // Start from the host's tempo when the play head has reported one, so that an editor
    // opened again shows what the host plays at.
    const auto reported = reference.hostView.bpm.load();
    tempoSlider.setValue (reported >= minimumTempo && reported <= maximumTempo ? reported : defaultTempo,
                          juce::dontSendNotification);
    tempoSlider.onValueChange = [this]
    {
        reference.miniHost.setTempo ((float) tempoSlider.getValue());
    };
    addChildComponent (tempoSlider);

    keyboard.setAvailableRange (48, 84);
    keyboard.setWantsKeyboardFocus (false);
    keyboard.setColour (juce::MidiKeyboardComponent::keyDownOverlayColourId, accent);
    keyboard.setColour (juce::MidiKeyboardComponent::mouseOverKeyOverlayColourId, accent.withAlpha (0.3f));
    addAndMakeVisible (keyboard);

    readouts = describe (reference.hostView);
    showHostControls();

    setResizable (false, false);
    setSize (ReferenceLayout::width, ReferenceLayout::height);
    startTimerHz (15);
}

ReferenceEditor::~ReferenceEditor()
{
    setLookAndFeel (nullptr);
}

ReferenceEditor::Readouts ReferenceEditor::describe (const ReferenceProcessor::HostView& view)
{
    Readouts lines { { { "Audio device", "not running" },
                       { "Transport", "no play head" },
                       { "Tempo", "-" },
                       { "Time signature", "-" },
                       { "Position", "-" },
                       { "Time", "-" } } };

    if (view.sampleRate.load() > 0.0)
        lines[0].value = juce::String (juce::roundToInt (view.sampleRate.load())) + " Hz, "
            + juce::String (view.blockSize.load()) + " samples";

    if (view.hasPosition.load())
    {
        lines[1].value = juce::String (view.playing.load() ? "playing" : "stopped")
            + (view.recording.load() ? ", recording" : "");
        lines[2].value = juce::String (view.bpm.load(), 1) + " bpm";
        lines[3].value = juce::String (view.timeSigNumerator.load()) + "/" + juce::String (view.timeSigDenominator.load());
        lines[4].value = juce::String (view.samples.load()) + " samples";
        lines[5].value = juce::String (view.seconds.load(), 2) + " s";
    }

    return lines;
}

void ReferenceEditor::showHostControls()
{
    const auto settings = reference.miniHost.canOpenSettings();
    const auto tempo = reference.miniHost.canSetTempo();

    if (settings == settingsButton.isVisible() && tempo == tempoSlider.isVisible())
        return;

    settingsButton.setVisible (settings);
    tempoLabel.setVisible (tempo);
    tempoSlider.setVisible (tempo);
    repaint (ReferenceLayout::hostPanel());
}

void ReferenceEditor::timerCallback()
{
    showHostControls();

    const auto lines = describe (reference.hostView);

    if (lines != readouts)
    {
        readouts = lines;
        repaint (ReferenceLayout::playHeadPanel());
    }
}

void ReferenceEditor::resized()
{
    settingsButton.setBounds (ReferenceLayout::settingsButton());
    tempoLabel.setBounds (ReferenceLayout::tempoLabel());
    tempoSlider.setBounds (ReferenceLayout::tempoSlider());
    keyboard.setBounds (ReferenceLayout::keyboard());

    // Three octaves and a top C: 22 white keys across the whole width.
    keyboard.setKeyWidth ((float) keyboard.getWidth() / 22.0f);
}

void ReferenceEditor::paintPanel (juce::Graphics& g, juce::Rectangle<int> area, const juce::String& heading) const
{
    g.setColour (panel);
    g.fillRoundedRectangle (area.toFloat(), 6.0f);

    g.setColour (accent);
    g.setFont (juce::Font (13.0f, juce::Font::bold));
    g.drawText (heading.toUpperCase(),
                area.reduced (ReferenceLayout::panelPadding).removeFromTop (ReferenceLayout::headingHeight - 6),
                juce::Justification::topLeft);
}

void ReferenceEditor::paint (juce::Graphics& g)
{
    g.fillAll (background);

    auto header = ReferenceLayout::header();

    g.setColour (accent);
    g.fillRect (header.removeFromTop (6).withWidth (96));
    header.removeFromTop (12);

    g.setColour (text);
    g.setFont (juce::Font (30.0f, juce::Font::bold));
    g.drawText (processor.getName(), header.removeFromTop (36), juce::Justification::centredLeft);

    g.setColour (text.withAlpha (0.8f));
    g.setFont (juce::Font (15.0f));
    header.removeFromTop (4);
    g.drawFittedText ("The reference editor plug-in of the Tolvane Editor host.\n"
                      "Play notes on an enabled MIDI input, or the keys below.",
                      header, juce::Justification::topLeft, 2);

    const auto playHead = ReferenceLayout::playHeadPanel();
    paintPanel (g, playHead, "Play head");

    auto rows = ReferenceLayout::panelBody (playHead);
    const auto rowHeight = rows.getHeight() / (int) readouts.size();
    g.setFont (juce::Font (14.0f));

    for (const auto& line : readouts)
    {
        auto row = rows.removeFromTop (rowHeight);
        g.setColour (text.withAlpha (0.6f));
        g.drawText (line.name, row.removeFromLeft (110), juce::Justification::centredLeft);
        g.setColour (text);
        g.drawText (line.value, row, juce::Justification::centredLeft);
    }

    const auto host = ReferenceLayout::hostPanel();
    paintPanel (g, host, "Host");

    if (tempoSlider.isVisible())
    {
        g.setColour (text.withAlpha (0.6f));
        g.setFont (juce::Font (13.0f));
        g.drawFittedText ("The tempo goes to the host's play head.\nDouble-click the slider for 120 bpm.",
                          ReferenceLayout::tempoHint(), juce::Justification::topLeft, 2);
    }

    if (! settingsButton.isVisible() && ! tempoSlider.isVisible())
    {
        g.setColour (text.withAlpha (0.6f));
        g.setFont (juce::Font (14.0f));
        g.drawFittedText ("This host does not offer the mini-host extension: "
                          "its settings and tempo cannot be reached from here.",
                          ReferenceLayout::panelBody (host), juce::Justification::topLeft, 4);
    }
}
