#include "SimReceiver.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace vantrel::testing {

SimReceiver::SimReceiver() {
    char pattern[] = "/tmp/vantrel-sim-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("SimReceiver: no temporary folder");
    }
    folder_ = pattern;
    ::setenv("SOAPY_SDR_PLUGIN_PATH", VANTREL_SOAPY_MODULES, 1);
}

SimReceiver::~SimReceiver() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string SimReceiver::Args(const std::string& extra) const {
    std::string args = "driver=vantrelsim,control=" + folder_ + "/control";
    return extra.empty() ? args : args + "," + extra;
}

void SimReceiver::Control(const std::string& lines) const {
    const std::string path = folder_ + "/control";
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << lines << '\n';
    }
    std::filesystem::rename(temporary, path);
}

} // namespace vantrel::testing
