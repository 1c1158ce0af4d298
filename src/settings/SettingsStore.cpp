#include "SettingsStore.h"

#include "platform/SafeText.h"

#include <algorithm>

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

        // Far more than any settings of ours (a few kilobytes, four levels deep).
        constexpr size_t maxFileBytes = 1 << 20;
        constexpr int maxNesting = 64;

        /** The deepest element nesting that the text could hold, counted generously: every
            '<' that does not close an element opens one.
        */
        int nestingOf (const char* text, size_t size)
        {
            int depth = 0, deepest = 0;

            for (size_t i = 0; i < size; ++i)
            {
                const auto next = i + 1 < size ? text[i + 1] : '\0';

                if (text[i] == '<' && next != '/' && next != '?' && next != '!')
                    deepest = juce::jmax (deepest, ++depth);
                else if ((text[i] == '<' && next == '/') || (text[i] == '/' && next == '>'))
                    --depth;
            }

            return deepest;
        }

        /** Where a processing instruction ("<?") may stand: only as the declaration that
            opens a document. The framework's XML parser loops for ever on one inside an
            element's text, and it parses every stored value that looks like XML (when a
            value is read as XML, and when the file is saved).
        */
        bool hasStrayProcessingInstruction (const juce::String& text)
        {
            const auto first = text.indexOf ("<?");
            return first >= 0 && (text.substring (0, first).trim().isNotEmpty() || text.indexOf (first + 2, "<?") >= 0);
        }

        /** Whether the text declares a document type. The framework's XML parser expands the
            entities of one without bounds (an entity holding "&amp;" loops for ever) and reads
            any file an external one names, a device or a pipe included; our own files and
            values never have one.
        */
        bool hasDocumentType (const juce::String& text)
        {
            return text.contains ("<!DOCTYPE");
        }

        /** Whether the framework can read the file without harm. Its readers take the bytes
            as UTF-8 unchecked (see SafeText), and its XML parser descends once per nesting
            level on the stack, hangs on processing instructions and trusts a document type.
            Our own files are UTF-8 text without NUL bytes, of a few levels, with one
            declaration at the top.
        */
        bool isSafeToRead (const juce::File& file)
        {
            if (file.getSize() > (juce::int64) maxFileBytes)
                return false;

            juce::MemoryBlock bytes;
            if (! file.loadFileAsData (bytes))
                return false;

            const auto* text = static_cast<const char*> (bytes.getData());
            const auto size = bytes.getSize();

            if (! SafeText::isStrictUtf8 (text, size) || nestingOf (text, size) > maxNesting)
                return false;

            const auto content = juce::String::fromUTF8 (text, (int) size);
            return ! hasStrayProcessingInstruction (content) && ! hasDocumentType (content);
        }

        /** Whether the file holds settings that the store can read and use: safe to read,
            accepted by the framework, and no value with a processing instruction or a
            document type (entities in the file unescape to one), as the framework parses a
            value that looks like XML.
        */
        bool isReadable (const juce::File& file)
        {
            if (! isSafeToRead (file))
                return false;

            juce::PropertiesFile::Options options;
            options.applicationName = file.getFileNameWithoutExtension();
            options.filenameSuffix = file.getFileExtension();
            options.folderName = file.getParentDirectory().getFullPathName();
            options.doNotSave = true;
            options.millisecondsBeforeSaving = -1;

            juce::PropertiesFile settings (options);
            const auto& values = settings.getAllProperties().getAllValues();

            return settings.isValidFile() && std::none_of (values.begin(), values.end(), [] (const juce::String& value)
                                                           {
                                                               return value.contains ("<?") || hasDocumentType (value);
                                                           });
        }
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

        if (isReadable (file))
            return FileCheck::usable;

        return file.moveFileTo (damagedCopyOf (file)) ? FileCheck::setAside
                                                      : FileCheck::keptUnreadable;
    }

    juce::PropertiesFile::Options openSafely (juce::PropertiesFile::Options options)
    {
        if (setAsideIfDamaged (options) == FileCheck::keptUnreadable)
        {
            // The store neither writes nor reads it: it is pointed at a file that cannot
            // exist, one inside the unreadable file itself.
            options.doNotSave = true;
            options.folderName = options.getDefaultFile().getFullPathName();
        }

        return options;
    }

    bool storeAndSave (juce::PropertiesFile& settings, const juce::String& key, const juce::var& value)
    {
        juce::InterProcessLock lock (lockNameFor (settings.getFile()));
        const auto locked = lock.enter (lockTimeoutMs);

        // Whatever other instances saved meanwhile comes in first; keys missing from the
        // file keep their value here. A file that has become unreadable meanwhile is left
        // as it is, for the next start to set aside.
        const auto& file = settings.getFile();
        const auto readable = ! file.existsAsFile() || (isReadable (file) && settings.reload());

        settings.setValue (key, value);

        // Nor does a later timed or final save of the store write over it.
        if (! readable)
            settings.setNeedsToBeSaved (false);

        const auto saved = readable && settings.save();

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
