#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** Keeps the user's settings file safe: a file that cannot be read is set aside rather than
    overwritten, and every save is made on top of what is on disk at that moment, so that
    instances running side by side keep each other's changes. Message thread.
*/
namespace SettingsStore
{
    /** What became of the settings file before the store opened it. */
    enum class FileCheck
    {
        usable,        ///< missing, readable, or not a file at all (a folder): nothing moved
        setAside,      ///< unreadable; moved to damagedCopyOf() and the store starts empty
        keptUnreadable ///< unreadable and could not be moved: it must not be written over
    };

    /** Where an unreadable settings file is kept: beside it, ".damaged" appended to its name. */
    juce::File damagedCopyOf (const juce::File& settingsFile);

    /** Reads the file that the options name the way the store will. When it exists but cannot
        be read or parsed, moves it to damagedCopyOf() (replacing an older copy) before
        anything can write it. Besides files the framework refuses, a file is unreadable when
        the framework could not read it without harm: not UTF-8 text (its binary forms
        included), a NUL byte, over 1 MiB, or elements nested more than 64 deep.
    */
    FileCheck setAsideIfDamaged (const juce::PropertiesFile::Options& options);

    /** The store's options for this run: the given ones, or, when the file is unreadable and
        still in place, options that neither save nor read it (the store starts empty).
    */
    juce::PropertiesFile::Options openSafely (juce::PropertiesFile::Options options);

    /** Sets key to value and saves at once, on top of the file as it is now on disk: under an
        inter-process lock it re-reads the file, sets the one key and writes it (to a temporary
        file, then renamed). Another instance's keys survive, and so do its newer values of
        keys this one has not changed since. A file that has become unreadable since it was
        opened is not written over. Returns whether the file was written.
    */
    bool storeAndSave (juce::PropertiesFile& settings, const juce::String& key, const juce::var& value);

    /** The value setValue would store for an XML element: one line, no header; an empty
        value for null.
    */
    juce::var xmlValue (const juce::XmlElement* xml);
}
