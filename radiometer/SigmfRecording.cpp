#include "radiometer/SigmfRecording.h"

#include "radiometer/BlockIntegrator.h"

#include <sys/statvfs.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace vantrel {

namespace {

constexpr std::uint64_t kRoomMarginBytes = 100'000'000;
constexpr double kMetaEveryS = 10.0;

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char u[8];
                std::snprintf(u, sizeof u, "\\u%04x", c);
                out += u;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string Number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string IsoUtc(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second, d.Millisecond);
    return text;
}

class TeeSink final : public SampleSink {
public:
    TeeSink(SampleSink& sink, SigmfRecording& recording) : sink_(sink), recording_(recording) {}
    void Complex(std::span<const std::complex<float>> samples) override {
        recording_.Samples(samples, 0);
        sink_.Complex(samples);
    }
    void Real(std::span<const float> samples) override { sink_.Real(samples); }
    void Reading(double linearPower) override { sink_.Reading(linearPower); }
    void Gap(std::string_view why) override { sink_.Gap(why); }
    void Note(std::string_view text) override { sink_.Note(text); }

private:
    SampleSink& sink_;
    SigmfRecording& recording_;
};

class Recording final : public PowerInput {
public:
    Recording(std::unique_ptr<PowerInput> inner, std::shared_ptr<SigmfRecording> recording)
        : inner_(std::move(inner)), recording_(std::move(recording)) {}
    InputError Open(StreamDescription& description) override {
        InputError e = inner_->Open(description);
        if (e.Failed()) {
            return e;
        }
        if (auto why = recording_->Begin(description, SystemUtcNow())) {
            inner_->Close();
            return InputError::Refused(*why);
        }
        return {};
    }
    InputError Read(SampleSink& sink) override {
        TeeSink tee(sink, *recording_);
        return inner_->Read(tee);
    }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<PowerInput> inner_;
    std::shared_ptr<SigmfRecording> recording_;
};

} // namespace

SigmfRecording::SigmfRecording(SigmfSettings settings, PointingSource pointing)
    : settings_(std::move(settings)), pointing_(std::move(pointing)) {}

SigmfRecording::~SigmfRecording() {
    Finish();
}

std::optional<std::string> SigmfRecording::CheckRoom(const SigmfSettings& settings) {
    std::filesystem::path folder = std::filesystem::path(settings.Base).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) {
        return "The recording's folder " + folder.string() +
               " cannot be read: " + std::strerror(errno);
    }
    const std::uint64_t free = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    if (free < settings.LimitBytes + kRoomMarginBytes) {
        return "The disk of " + folder.string() + " has " + std::to_string(free / 1'000'000) +
               " MB free, less than the recording's limit of " +
               std::to_string(settings.LimitBytes / 1'000'000) +
               " MB and 100 MB to spare: free some space or set a smaller limit.";
    }
    return std::nullopt;
}

std::optional<std::string> SigmfRecording::Begin(const StreamDescription& stream, DateTime utc) {
    const std::lock_guard lock(mutex_);
    if (stream.What != StreamDescription::Kind::ComplexSamples || !(stream.RateHz > 0)) {
        return std::string("A SigMF recording takes an SDR's IQ samples; this input has none.");
    }
    if (!data_) {
        const std::string path = settings_.Base + ".sigmf-data";
        data_ = std::fopen(path.c_str(), "wb");
        if (!data_) {
            return "Cannot write the recording " + path + ": " + std::strerror(errno);
        }
        rateHz_ = stream.RateHz;
        hardware_ = stream.Summary;
        nextAnnotation_ = 0;
        nextMeta_ = static_cast<std::uint64_t>(rateHz_ * kMetaEveryS);
    }
    captures_.push_back({written_, stream.FrequencyMHz * 1e6, utc});
    return std::nullopt;
}

void SigmfRecording::Samples(std::span<const std::complex<float>> samples, DateTime) {
    std::unique_lock lock(mutex_);
    if (!data_ || cut_ || finished_) {
        return;
    }
    const std::uint64_t room = settings_.LimitBytes / 8 - written_;
    std::size_t n = samples.size();
    if (n > room) {
        n = static_cast<std::size_t>(room);
        cut_ = true;
    }
    buffer_.resize(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        buffer_[2 * i] = samples[i].real();
        buffer_[2 * i + 1] = samples[i].imag();
    }
    static_assert(std::endian::native == std::endian::little, "cf32_le is written as it lies");
    if (n > 0 && std::fwrite(buffer_.data(), sizeof(float), 2 * n, data_) != 2 * n && !problem_) {
        problem_ = "The recording " + settings_.Base +
                   ".sigmf-data could not be written: " + std::strerror(errno);
        cut_ = true;
    }
    const std::uint64_t before = written_;
    written_ += n;
    // An annotation a second: where the antenna pointed then.
    const auto second = static_cast<std::uint64_t>(std::llround(rateHz_));
    while (second > 0 && nextAnnotation_ < written_ && nextAnnotation_ >= before) {
        Annotation a;
        a.Start = nextAnnotation_;
        a.Count = second;
        if (pointing_) {
            a.Pointing = pointing_();
        }
        annotations_.push_back(a);
        nextAnnotation_ += second;
    }
    if (written_ >= nextMeta_ || cut_) {
        nextMeta_ = written_ + static_cast<std::uint64_t>(rateHz_ * kMetaEveryS);
        std::fflush(data_);
        if (auto why = WriteMeta(); why && !problem_) {
            problem_ = why;
        }
    }
}

std::optional<std::string> SigmfRecording::WriteMeta() {
    std::string j = "{\n  \"global\": {\n";
    j += "    \"core:datatype\": \"cf32_le\",\n";
    j += "    \"core:sample_rate\": " + Number(rateHz_) + ",\n";
    j += "    \"core:version\": \"1.0.0\",\n";
    j += "    \"core:description\": " +
         Json(settings_.Description + (cut_ ? " (cut at the size limit)" : "")) + ",\n";
    j += "    \"core:recorder\": " + Json(settings_.Recorder) + ",\n";
    j += "    \"core:hw\": " + Json(hardware_) + ",\n";
    if (settings_.LatitudeDeg) {
        j += "    \"core:geolocation\": {\"type\": \"Point\", \"coordinates\": [" +
             Number(settings_.LongitudeDeg) + ", " + Number(*settings_.LatitudeDeg) + ", " +
             Number(settings_.HeightM) + "]},\n";
    }
    j += "    \"antenna:model\": " +
         Json(settings_.AntennaModel.empty() ? "unknown" : settings_.AntennaModel) + ",\n";
    j += "    \"core:extensions\": [{\"name\": \"antenna\", \"version\": \"1.0.0\", \"optional\": "
         "true}]\n";
    j += "  },\n  \"captures\": [";
    for (std::size_t i = 0; i < captures_.size(); ++i) {
        const Capture& c = captures_[i];
        j += std::string(i ? "," : "") +
             "\n    {\"core:sample_start\": " + std::to_string(c.Start) +
             ", \"core:frequency\": " + Number(c.FrequencyHz) + ", \"core:datetime\": \"" +
             IsoUtc(c.Utc) + "\"}";
    }
    j += "\n  ],\n  \"annotations\": [";
    for (std::size_t i = 0; i < annotations_.size(); ++i) {
        const Annotation& a = annotations_[i];
        j += std::string(i ? "," : "") +
             "\n    {\"core:sample_start\": " + std::to_string(a.Start) +
             ", \"core:sample_count\": " + std::to_string(a.Count);
        if (a.Pointing) {
            j += ", \"antenna:azimuth_angle\": " + Number(a.Pointing->AzimuthDeg) +
                 ", \"antenna:elevation_angle\": " + Number(a.Pointing->ElevationDeg);
            if (!a.Pointing->Source.empty()) {
                j += ", \"core:label\": " + Json(a.Pointing->Source);
            }
        } else {
            j += ", \"core:comment\": \"pointing not known\"";
        }
        j += "}";
    }
    j += "\n  ]\n}\n";
    const std::string path = settings_.Base + ".sigmf-meta";
    const std::string partial = path + ".part";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (!f) {
        return "Cannot write " + path + ": " + std::strerror(errno);
    }
    const bool ok = std::fwrite(j.data(), 1, j.size(), f) == j.size();
    if (std::fclose(f) != 0 || !ok || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return "Cannot write " + path + ": " + std::strerror(errno);
    }
    return std::nullopt;
}

std::optional<std::string> SigmfRecording::Finish() {
    const std::lock_guard lock(mutex_);
    if (finished_) {
        return problem_;
    }
    finished_ = true;
    if (data_) {
        if (std::fclose(data_) != 0 && !problem_) {
            problem_ = "The recording " + settings_.Base + ".sigmf-data could not be closed.";
        }
        data_ = nullptr;
        if (auto why = WriteMeta(); why && !problem_) {
            problem_ = why;
        }
    }
    return problem_;
}

std::uint64_t SigmfRecording::SamplesWritten() const {
    const std::lock_guard lock(mutex_);
    return written_;
}

bool SigmfRecording::Cut() const {
    const std::lock_guard lock(mutex_);
    return cut_;
}

std::optional<std::string> SigmfRecording::Problem() const {
    const std::lock_guard lock(mutex_);
    return problem_;
}

std::unique_ptr<PowerInput> RecordingInput(std::unique_ptr<PowerInput> inner,
                                           std::shared_ptr<SigmfRecording> recording) {
    return std::make_unique<Recording>(std::move(inner), std::move(recording));
}

} // namespace vantrel
