#include "sim/options.h"
#include "sim/server.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace va48sim;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    Options options;
    if (const std::string error = ParseOptions(args, options); !error.empty()) {
        std::fprintf(stderr, "va48sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fwrite(HelpText().data(), 1, HelpText().size(), stdout);
        return 0;
    }

    AmplifierConfig config;
    config.seed = options.seed;
    SimState state(config);
    for (const Setting& setting : options.settings) {
        if (const std::string error = ApplySetting(setting, state); !error.empty()) {
            std::fprintf(stderr, "va48sim: --%s: %s\n", setting.name.c_str(), error.c_str());
            return 2;
        }
    }

    Server server(ServerOptions{options.pty, options.port, options.exitOnStdinEof}, state);
    std::string error = Server::InstallStopSignals();
    if (error.empty()) {
        error = server.Open();
    }
    if (!error.empty()) {
        std::fprintf(stderr, "va48sim: %s\n", error.c_str());
        return 1;
    }
    return server.Run();
}
