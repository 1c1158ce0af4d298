#include "SavedDeviceState.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

namespace
{
    const char* const tagName = "DEVICESETUP";

    // The attributes that name and set up the audio device; the rest (MIDI inputs and output)
    // is not the device's.
    const char* const deviceAttributes[] = { "deviceType", "audioDeviceName", "audioOutputDeviceName",
                                             "audioInputDeviceName", "audioDeviceRate",
                                             "audioDeviceBufferSize", "audioDeviceInChans",
                                             "audioDeviceOutChans" };

    /** Removes the attribute however often it stands in the element: the framework reads the
        first of several with one name, and removing only that would bring the next to light.
    */
    void removeEvery (juce::XmlElement& xml, const char* name)
    {
        while (xml.hasAttribute (name))
            xml.removeAttribute (name);
    }

    std::unique_ptr<juce::XmlElement> copyOf (const juce::XmlElement* xml)
    {
        return xml != nullptr ? std::make_unique<juce::XmlElement> (*xml) : nullptr;
    }
}

//==============================================================================
SavedDeviceState::SavedDeviceState (juce::PropertiesFile& settings)
    : userSettings (settings),
      saved (settings.getXmlValue (SettingsKeys::audioDeviceState))
{
    if (saved != nullptr && ! saved->hasTagName (tagName))
        saved.reset();
}

bool SavedDeviceState::storeAfterDialog (const juce::XmlElement* before, const juce::XmlElement* after)
{
    auto toStore = toStoreAfterDialog (saved.get(), before, after);
    const auto written = SettingsStore::storeAndSave (userSettings, SettingsKeys::audioDeviceState,
                                                      SettingsStore::xmlValue (toStore.get()));
    saved = std::move (toStore);
    return written;
}

//==============================================================================
bool SavedDeviceState::Device::operator== (const Device& other) const noexcept
{
    return type == other.type && output == other.output && input == other.input;
}

SavedDeviceState::Device SavedDeviceState::deviceOf (const juce::XmlElement* state)
{
    if (state == nullptr || ! state->hasTagName (tagName))
        return {};

    const auto type = state->getStringAttribute ("deviceType");
    const auto both = state->getStringAttribute ("audioDeviceName");

    if (both.isNotEmpty())
        return { type, both, both };

    return { type, state->getStringAttribute ("audioOutputDeviceName"), state->getStringAttribute ("audioInputDeviceName") };
}

juce::AudioDeviceManager::AudioDeviceSetup SavedDeviceState::setupOf (const juce::XmlElement& state)
{
    const auto device = deviceOf (&state);

    juce::AudioDeviceManager::AudioDeviceSetup setup;
    setup.outputDeviceName = device.output;
    setup.inputDeviceName = device.input;
    setup.sampleRate = state.getDoubleAttribute ("audioDeviceRate");
    setup.bufferSize = state.getIntAttribute ("audioDeviceBufferSize");
    setup.inputChannels.parseString (state.getStringAttribute ("audioDeviceInChans", "11"), 2);
    setup.outputChannels.parseString (state.getStringAttribute ("audioDeviceOutChans", "11"), 2);
    setup.useDefaultInputChannels = ! state.hasAttribute ("audioDeviceInChans");
    setup.useDefaultOutputChannels = ! state.hasAttribute ("audioDeviceOutChans");
    return setup;
}

std::unique_ptr<juce::XmlElement> SavedDeviceState::withoutInput (const juce::XmlElement& state)
{
    auto result = std::make_unique<juce::XmlElement> (state);
    const auto device = deviceOf (&state);

    if (state.hasAttribute ("audioDeviceName"))
        result->setAttribute ("audioOutputDeviceName", device.output);

    removeEvery (*result, "audioDeviceName");
    removeEvery (*result, "audioDeviceInChans");
    result->setAttribute ("audioInputDeviceName", juce::String());
    return result;
}

std::unique_ptr<juce::XmlElement> SavedDeviceState::withDeviceOf (const juce::XmlElement& state,
                                                                  const juce::XmlElement& deviceSource)
{
    auto result = std::make_unique<juce::XmlElement> (state);

    for (const auto* name : deviceAttributes)
    {
        removeEvery (*result, name);

        if (deviceSource.hasAttribute (name))
            result->setAttribute (name, deviceSource.getStringAttribute (name));
    }

    return result;
}

bool SavedDeviceState::sameDevice (const juce::XmlElement& a, const juce::XmlElement& b)
{
    for (const auto* name : deviceAttributes)
        if (a.hasAttribute (name) != b.hasAttribute (name) || a.getStringAttribute (name) != b.getStringAttribute (name))
            return false;

    return true;
}

std::unique_ptr<juce::XmlElement> SavedDeviceState::toStoreAfterDialog (const juce::XmlElement* saved,
                                                                        const juce::XmlElement* before,
                                                                        const juce::XmlElement* after)
{
    const auto unchanged = before == nullptr ? after == nullptr
                                             : after != nullptr && before->isEquivalentTo (after, true);

    if (unchanged)
        return copyOf (saved != nullptr ? saved : after);

    // The device that ran stood in for the saved one, or was the saved one without its
    // input: the saved device stays the choice.
    if (saved != nullptr && before != nullptr && after != nullptr && sameDevice (*before, *after)
        && ! sameDevice (*after, *saved))
        return withDeviceOf (*after, *saved);

    return copyOf (after);
}
