/*
    jack-peak: listens to another JACK client's output ports and prints the peak level it hears.
    Usage: jack-peak "CLIENT:PORT-PREFIX" NUM-PORTS SECONDS
    e.g.   jack-peak "Tolvane Editor:out_" 2 0.5     -> prints "peak 0.312500"
    The server is the one JACK_DEFAULT_SERVER names. Exit code 2 when the ports cannot be reached.
*/
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{
    std::vector<jack_port_t*> inputs;
    std::atomic<float> peak { 0.0f };

    int process (jack_nframes_t frames, void*)
    {
        auto loudest = peak.load (std::memory_order_relaxed);

        for (auto* port : inputs)
        {
            const auto* samples = static_cast<const float*> (jack_port_get_buffer (port, frames));

            for (jack_nframes_t i = 0; i < frames; ++i)
                loudest = std::max (loudest, std::fabs (samples[i]));
        }

        peak.store (loudest, std::memory_order_relaxed);
        return 0;
    }
}

int main (int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf (stderr, "usage: jack-peak CLIENT:PORT-PREFIX NUM-PORTS SECONDS\n");
        return 2;
    }

    const std::string prefix = argv[1];
    const int numPorts = std::atoi (argv[2]);
    const double seconds = std::atof (argv[3]);

    jack_status_t status {};
    auto* client = jack_client_open ("jack-peak", JackNoStartServer, &status);

    if (client == nullptr)
    {
        std::fprintf (stderr, "jack-peak: no JACK server\n");
        return 2;
    }

    for (int i = 0; i < numPorts; ++i)
        inputs.push_back (jack_port_register (client, ("in_" + std::to_string (i + 1)).c_str(),
                                              JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));

    jack_set_process_callback (client, process, nullptr);
    jack_activate (client);

    for (int i = 0; i < numPorts; ++i)
    {
        const auto source = prefix + std::to_string (i + 1);

        if (jack_connect (client, source.c_str(), jack_port_name (inputs[(size_t) i])) != 0)
        {
            std::fprintf (stderr, "jack-peak: cannot connect %s\n", source.c_str());
            jack_client_close (client);
            return 2;
        }
    }

    std::this_thread::sleep_for (std::chrono::duration<double> (seconds));
    std::printf ("peak %f\n", (double) peak.load());
    jack_client_close (client);
    return 0;
}
