// Any command line for tolvane-check: it is understood or refused with a reason (which main()
// prints before it exits with status 3), never a crash, and an accepted one is runnable.
#include "FuzzSupport.h"

#include "CheckOptions.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    // Arguments as the system hands them to main(): separated by NUL bytes, any other byte
    // allowed.
    std::vector<std::string> arguments { "tolvane-check" };
    const auto* end = data + size;

    for (const auto* start = data; start <= end;)
    {
        const auto* stop = std::find (start, end, std::uint8_t {});
        arguments.emplace_back (start, stop);
        start = stop + 1;
    }

    std::vector<const char*> argv;
    for (const auto& argument : arguments)
        argv.push_back (argument.c_str());

    const auto options = CheckOptions::parse ((int) argv.size(), argv.data());

    if (options.help || options.error.isNotEmpty())
        return 0;

    FuzzSupport::require (options.modulePath.isNotEmpty(), "accepted without a module");
    FuzzSupport::require (options.seconds >= CheckOptions::minimumSeconds && options.seconds <= CheckOptions::maximumSeconds,
                          "accepted --seconds " + juce::String (options.seconds));
    return 0;
}
