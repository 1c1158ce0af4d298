#include "SettingsStore.h"

namespace SettingsStore
{
    namespace
    {
        // One lock a settings file (the file's path names it), so that instances of different
        // users or with different settings folders never wait for each other.
        juce::String lockNameFor (const juce::File& settingsFile)
        {
            return TOLVANE_APP_NAME_STRING " settings "
                + juce::String::toHexString (settingsFile.getFullPathName().hashCode64());
        }

        // Long enough for another instance's save, short enough that a lock left by a
        // stuck process never keeps this one from saving.
        constexpr int lockTimeoutMs = 2000;
    }

    juce::File damagedCopyOf (const juce::File& settingsFile)
    {
        return settingsFile.getSiblingFile (settingsFile.getFileName() + ".damaged");
    }

    FileCheck setAsideIfDamaged (const juce::PropertiesFile::Options& options)
    {
        const auto file = options.getDefaultFile();

        if (! file.existsAsFile())
            return FileCheck::usable;

        auto readOnly = options;
        readOnly.doNotSave = true;
        readOnly.millisecondsBeforeSaving = -1;

        if (juce::PropertiesFile (readOnly).isValidFile())
            return FileCheck::usable;

        return file.moveFileTo (damagedCopyOf (file)) ? FileCheck::setAside
                                                      : FileCheck::keptUnreadable;
    }

    juce::PropertiesFile::Options openSafely (juce::PropertiesFile::Options options)
    {
        if (setAsideIfDamaged (options) == FileCheck::keptUnreadable)
            options.doNotSave = true;

        return options;
    }

    bool storeAndSave (juce::PropertiesFile& settings, const juce::String& key, const juce::var& value)
    {
        juce::InterProcessLock lock (lockNameFor (settings.getFile()));
        const auto locked = lock.enter (lockTimeoutMs);

        // Whatever other instances saved meanwhile comes in first; keys missing from the
        // file keep their value here. A file that has become unreadable leaves the values
        // as they are.
        if (settings.getFile().existsAsFile())
            settings.reload();

        settings.setValue (key, value);
        const auto saved = settings.save();

        if (locked)
            lock.exit();

        return saved;
    }

    juce::var xmlValue (const juce::XmlElement* xml)
    {
        if (xml == nullptr)
            return {};

        return xml->toString (juce::XmlElement::TextFormat().singleLine().withoutHeader());
    }
}
