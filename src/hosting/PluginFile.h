#pragma once

#include <juce_core/juce_core.h>

/** The rule that ties the plug-in module to the executable: same folder, the executable's
    base name (the text before its last dot, a dot in first place not counting) and the
    platform's module extension.
*/
namespace PluginFile
{
    /** ".dll" on Windows, ".so" elsewhere. */
    const char* moduleExtension() noexcept;

    /** The running executable as a file: the image the process runs, with every symbolic
        link resolved (/proc/self/exe on Linux), never what the process was started as. A
        start through PATH, a symlink or a launcher still finds the module beside the real
        executable, and never one in the current folder.
    */
    juce::File runningExecutable();

    /** The module file that belongs to the given executable file. */
    juce::File forExecutable (const juce::File& executable);

    /** True when the module can be handed to the plug-in format: it exists and is a file
        (a folder of that name counts as missing).
    */
    bool isPresent (const juce::File& module);

    /** The message shown when the module exists but no plug-in could be created from it:
        the module's full path, then the framework's reason when it gave one.
    */
    juce::String loadFailureMessage (const juce::File& module, const juce::String& frameworkError);
}
