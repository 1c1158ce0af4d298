#include "CheckOptions.h"
#include "CheckReport.h"
#include "ConformanceCheck.h"

#include <iostream>

int main (int argc, char* argv[])
{
    const auto options = CheckOptions::parse (argc, argv);

    if (options.help)
    {
        std::cout << CheckOptions::helpText();
        return 0;
    }

    if (options.error.isNotEmpty())
    {
        std::cerr << "tolvane-check: " << options.error << "\n"
                  << "Usage: tolvane-check [--seconds N] [--no-editor] [--json] MODULE   (--help for more)\n";
        return 3;
    }

    // The message thread is this one, as the application's is its main thread.
    juce::ScopedJuceInitialiser_GUI framework;

    CheckReport report (options.modulePath);
    ConformanceCheck (options, report).run();

    std::cout << (options.json ? report.asJson() : report.asText()) << std::flush;
    return report.exitCode();
}
