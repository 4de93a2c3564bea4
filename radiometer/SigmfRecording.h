#pragma once

#include "astro/DateTime.h"
#include "radiometer/PowerBlock.h"
#include "radiometer/PowerInput.h"

#include <complex>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

/// What a SigMF recording says of itself beside the samples.
struct SigmfSettings {
    /// BASE of BASE.sigmf-data and BASE.sigmf-meta.
    std::string Base;
    /// The data file stops growing at this size, bytes (the samples' 8
    /// bytes each); the recording then says it was cut.
    std::uint64_t LimitBytes = 1'000'000'000;
    std::string Description;           ///< core:description
    std::string Recorder;              ///< core:recorder ("Vantrel 2026.0.1.0")
    std::string AntennaModel;          ///< antenna:model ("dish 3 m, efficiency 0.55")
    std::optional<double> LatitudeDeg; ///< core:geolocation, when the station is known
    double LongitudeDeg = 0;
    double HeightM = 0;
};

/// Records an SDR's raw samples as a SigMF recording (SigMF specification
/// v1.0.0): BASE.sigmf-data with the samples as cf32_le (interleaved
/// little-endian 32-bit floats, I then Q, full scale 1), and BASE.sigmf-meta,
/// JSON: the global object (core:datatype, core:sample_rate, core:version,
/// core:description, core:recorder, core:hw, core:geolocation, the antenna
/// extension's antenna:model, core:extensions), a capture segment each time
/// the device opens (core:sample_start, core:frequency in Hz, core:datetime),
/// and every second an annotation with where the antenna points
/// (antenna:azimuth_angle, antenna:elevation_angle, the antenna extension
/// v1.0.0) and the tracked source (core:label), or that nothing was known.
///
/// The metadata is written again every ten seconds and at the end, each
/// time to a file of its own renamed over the last, so a crash leaves a
/// readable recording of all but the last seconds. Used from the
/// radiometer's worker thread.
class SigmfRecording {
public:
    using PointingSource = std::function<std::optional<BlockPointing>()>;

    SigmfRecording(SigmfSettings settings, PointingSource pointing = {});
    ~SigmfRecording();
    SigmfRecording(const SigmfRecording&) = delete;
    SigmfRecording& operator=(const SigmfRecording&) = delete;

    /// Whether the disk holding BASE has room for the limit (and 100 MB
    /// more); the sentence when not, or when the folder cannot be written.
    static std::optional<std::string> CheckRoom(const SigmfSettings& settings);

    /// The device opened with `stream` at `utc`: a new capture segment;
    /// the data file is created at the first. A sentence when the stream
    /// has no IQ samples or the file cannot be written.
    std::optional<std::string> Begin(const StreamDescription& stream, DateTime utc);
    /// The samples as they come, until the limit.
    void Samples(std::span<const std::complex<float>> samples, DateTime utc);
    /// Writes the metadata whole, closes the data; later calls do nothing
    /// but return the first problem, if any.
    std::optional<std::string> Finish();

    std::uint64_t SamplesWritten() const;
    bool Cut() const; ///< the limit was reached
    /// The first problem met (a write that failed), if any.
    std::optional<std::string> Problem() const;

private:
    struct Capture {
        std::uint64_t Start = 0;
        double FrequencyHz = 0;
        DateTime Utc = 0;
    };
    struct Annotation {
        std::uint64_t Start = 0;
        std::uint64_t Count = 0;
        std::optional<BlockPointing> Pointing;
    };
    std::optional<std::string> WriteMeta();

    SigmfSettings settings_;
    PointingSource pointing_;
    mutable std::mutex mutex_;
    std::FILE* data_ = nullptr;
    double rateHz_ = 0;
    std::string hardware_;
    std::vector<Capture> captures_;
    std::vector<Annotation> annotations_;
    std::uint64_t written_ = 0;
    std::uint64_t nextAnnotation_ = 0;
    std::uint64_t nextMeta_ = 0;
    bool cut_ = false;
    bool finished_ = false;
    std::optional<std::string> problem_;
    std::vector<float> buffer_;
};

/// An input whose IQ samples are also recorded: `inner` as it is, with
/// every block of samples it delivers handed to `recording` too.
std::unique_ptr<PowerInput> RecordingInput(std::unique_ptr<PowerInput> inner,
                                           std::shared_ptr<SigmfRecording> recording);

} // namespace vantrel
