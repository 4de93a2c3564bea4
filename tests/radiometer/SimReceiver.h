#pragma once

#include <string>

namespace vantrel::testing {

/// A folder of the test's own with the simulated receiver's control file
/// (see VantrelSim.h), removed with everything in it at the end. Making one
/// points SOAPY_SDR_PLUGIN_PATH at the folder holding only the simulated
/// module, and SOAPY_SDR_ROOT at the test folder, so that SoapySDR loads
/// that module and no module installed on the machine: the tests do not
/// depend on what hardware modules are there.
class SimReceiver {
public:
    SimReceiver();
    ~SimReceiver();
    SimReceiver(const SimReceiver&) = delete;
    SimReceiver& operator=(const SimReceiver&) = delete;

    /// The device arguments: "driver=vantrelsim,control=PATH" and `extra`
    /// ("power_db=-30,seed=2"), when given.
    std::string Args(const std::string& extra = {}) const;

    /// Writes the control file anew ("key=value" lines), whole: through a
    /// temporary file renamed over it.
    void Control(const std::string& lines) const;

    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
};

} // namespace vantrel::testing
