#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

/// The outcome of one exchange with a rotator controller: Hamlib's error
/// code (0 success, negative RIG_E* values as rotctld's "RPRT -n" carries
/// them: -1 invalid argument, -5 timeout, -6 I/O error, -9 command rejected,
/// ...) and a sentence for the user. Empty text on success.
struct RotatorError {
    int Code = 0;
    std::string Text;
    bool Failed() const { return Code != 0; }
};

/// A position in the rotator's own coordinates, degrees: azimuth as the
/// controller counts it (within its range, possibly beyond 360 or below 0),
/// elevation above its horizon.
struct RotatorPosition {
    double AzimuthDeg = 0;
    double ElevationDeg = 0;
    bool operator==(const RotatorPosition&) const = default;
};

/// A rotator controller, blocking: every call returns when the controller
/// has answered or its timeout has run out. Used from one thread at a time
/// (RotatorLink's worker), never from the user-interface thread.
class Rotator {
public:
    virtual ~Rotator() = default;
    virtual RotatorError Open() = 0;
    virtual void Close() = 0;
    virtual RotatorError SetPosition(const RotatorPosition& position) = 0;
    virtual RotatorError GetPosition(RotatorPosition& position) = 0;
    virtual RotatorError Stop() = 0;
    /// The controller's own park position ("K").
    virtual RotatorError Park() = 0;
    /// The longest one call is meant to block, milliseconds: RotatorLink
    /// bounds its Shutdown by it.
    virtual std::chrono::milliseconds Timeout() const { return std::chrono::milliseconds{2000}; }
};

/// Which rotator and how to reach it.
struct RotatorSettings {
    int Model = 2;                         ///< Hamlib model number; 2 is the network rotctld
    std::string Device = "localhost:4533"; ///< serial port, or host:port for model 2
    int SerialSpeed = 0;                   ///< baud; 0 keeps the model's default
    int TimeoutMs = 2000;                  ///< per exchange, milliseconds

    bool operator==(const RotatorSettings&) const = default;
};

/// One entry of Hamlib's list of rotator models.
struct RotatorModel {
    int Model = 0;
    std::string Manufacturer;
    std::string Name;
};

} // namespace vantrel
