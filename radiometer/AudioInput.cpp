#include "radiometer/AudioInput.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace vantrel {

namespace {

constexpr int kWaitMs = 100;
constexpr snd_pcm_uframes_t kFramesPerRead = 4096;
constexpr double kRateTolerance = 0.01;
constexpr float kInt16FullScale = 32768.0F;
constexpr float kInt32FullScale = 2147483648.0F;
/// Channels opened at the least, when the device has them.
constexpr unsigned kFewestChannels = 2;

/// ALSA's own words about the last failure on this thread ("Unknown PCM
/// cards.pcm.foo"): kept for the details of our sentence instead of being
/// printed on standard error, where they buried what went wrong.
thread_local std::string alsaDetails;
constexpr std::size_t kMostDetailChars = 300;

void KeepAlsaWords(const char* /*file*/, int /*line*/, const char* function, int /*err*/,
                   const char* format, ...) {
    char text[kMostDetailChars];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    alsaDetails = function != nullptr && *function != '\0' ? std::string(function) + ": " + text
                                                           : std::string(text);
}

/// ALSA's messages go to KeepAlsaWords from the first sound card opened on.
void QuietAlsa() {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(&KeepAlsaWords); });
}

std::string AlsaText(int code) {
    std::string text = snd_strerror(code);
    if (!alsaDetails.empty()) {
        text += " (details: " + alsaDetails + ")";
        alsaDetails.clear();
    }
    return text;
}

/// What a sentence about a failed open should suggest.
std::string OpenAdvice(int code) {
    if (code == -EBUSY) {
        return " Another program is using it: close it, or use 'default' or 'pulse' to share "
               "the card.";
    }
    if (code == -ENOENT || code == -ENODEV || code == -EINVAL) {
        return " 'arecord -L' lists the capture devices.";
    }
    return "";
}

class AudioInput final : public PowerInput {
public:
    explicit AudioInput(AudioSettings settings) : settings_(std::move(settings)) {}
    ~AudioInput() override { Close(); }
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;

    InputError Open(StreamDescription& description) override {
        const AudioSettings& s = settings_;
        const std::string name = "the sound card '" + s.Device + "'";
        if (s.Channel < 1) {
            return InputError::Refused("Channels are counted from 1.");
        }
        QuietAlsa();
        alsaDetails.clear();
        int r = snd_pcm_open(&pcm_, s.Device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
        if (r < 0) {
            pcm_ = nullptr;
            return InputError::Retry("Cannot open " + name + ": " + AlsaText(r) + "." +
                                     OpenAdvice(r));
        }
        snd_pcm_hw_params_t* hw = nullptr;
        snd_pcm_hw_params_alloca(&hw);
        snd_pcm_hw_params_any(pcm_, hw);
        if (snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) {
            return InputError::Refused(name + " cannot deliver interleaved samples.");
        }
        format_ = SND_PCM_FORMAT_UNKNOWN;
        for (snd_pcm_format_t f :
             {SND_PCM_FORMAT_S16_LE, SND_PCM_FORMAT_S32_LE, SND_PCM_FORMAT_FLOAT_LE}) {
            if (snd_pcm_hw_params_test_format(pcm_, hw, f) == 0) {
                format_ = f;
                break;
            }
        }
        if (format_ == SND_PCM_FORMAT_UNKNOWN ||
            snd_pcm_hw_params_set_format(pcm_, hw, format_) < 0) {
            return InputError::Refused(
                name + " offers none of the sample formats S16_LE, S32_LE and FLOAT_LE: try "
                       "'plughw:' instead of 'hw:'.");
        }
        unsigned maxChannels = 0;
        snd_pcm_hw_params_get_channels_max(hw, &maxChannels);
        if (s.Channel > maxChannels) {
            return InputError::Refused(name + " has " + std::to_string(maxChannels) +
                                       " channel(s); channel " + std::to_string(s.Channel) +
                                       " is not among them.");
        }
        // At least two channels when the device has them: asked for one,
        // ALSA's plug layer ('default', 'plughw', 'pulse') would give the
        // mix of a stereo card's channels, not the channel asked for.
        unsigned channels = std::max(s.Channel, std::min(maxChannels, kFewestChannels));
        if (snd_pcm_hw_params_set_channels_near(pcm_, hw, &channels) < 0 || channels < s.Channel) {
            return InputError::Refused(name + " cannot capture channel " +
                                       std::to_string(s.Channel) + ".");
        }
        channels_ = channels;
        unsigned rate = s.RateHz;
        int dir = 0;
        r = snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, &dir);
        if (r < 0 || std::fabs(static_cast<double>(rate) - s.RateHz) > kRateTolerance * s.RateHz) {
            return InputError::Refused(
                name + " does not offer the sample rate " + std::to_string(s.RateHz) + " Hz" +
                (r < 0 ? "." : " (nearest: " + std::to_string(rate) + " Hz)."));
        }
        // Half a second of buffer: the worker reads every 100 ms at the most.
        snd_pcm_uframes_t buffer = rate / 2;
        snd_pcm_hw_params_set_buffer_size_near(pcm_, hw, &buffer);
        r = snd_pcm_hw_params(pcm_, hw);
        if (r < 0) {
            return InputError::Refused("Cannot set up " + name + ": " + AlsaText(r) + ".");
        }
        unsigned actual = 0;
        snd_pcm_hw_params_get_rate(hw, &actual, &dir);
        rate_ = actual > 0 ? actual : rate;
        r = snd_pcm_prepare(pcm_);
        if (r >= 0) {
            r = snd_pcm_start(pcm_);
        }
        if (r < 0) {
            return InputError::Retry("Cannot start capturing from " + name + ": " + AlsaText(r) +
                                     ".");
        }
        const std::size_t width =
            static_cast<std::size_t>(snd_pcm_format_physical_width(format_)) / 8;
        raw_.assign(kFramesPerRead * channels_ * width, 0);
        samples_.assign(kFramesPerRead, 0.0F);

        description.What = StreamDescription::Kind::RealSamples;
        description.RateHz = rate_;
        description.Unit = "dBFS";
        description.Device = s.Device;
        description.Summary = "Sound card " + s.Device + ", channel " + std::to_string(s.Channel) +
                              " of " + std::to_string(channels_) + ", " + std::to_string(rate_) +
                              " Hz, " + snd_pcm_format_name(format_);
        return {};
    }

    InputError Read(SampleSink& sink) override {
        int r = snd_pcm_wait(pcm_, kWaitMs);
        if (r < 0 && r != -EPIPE && r != -ESTRPIPE) {
            return Lost(r);
        }
        const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, raw_.data(), kFramesPerRead);
        if (n == -EAGAIN || n == 0) {
            return {};
        }
        if (n == -EPIPE || n == -ESTRPIPE) {
            // An overrun (or a suspend): samples are lost; capture again.
            r = n == -ESTRPIPE ? snd_pcm_resume(pcm_) : 0;
            if (r < 0 || n == -EPIPE) {
                r = snd_pcm_prepare(pcm_);
            }
            if (r >= 0) {
                r = snd_pcm_start(pcm_);
            }
            if (r < 0) {
                return Lost(r);
            }
            sink.Gap("The sound card's buffer overran (the computer did not read it in time): "
                     "the block in progress was dropped.");
            return {};
        }
        if (n < 0) {
            return Lost(static_cast<int>(n));
        }
        Deliver(sink, static_cast<std::size_t>(n));
        return {};
    }

    void Close() override {
        if (pcm_ != nullptr) {
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
    }

private:
    InputError Lost(int code) {
        return InputError::Retry("The sound card '" + settings_.Device +
                                 "' stopped delivering samples: " + AlsaText(code) +
                                 ". Opening it again.");
    }

    /// The chosen channel, scaled to full scale 1.
    void Deliver(SampleSink& sink, std::size_t frames) {
        const std::size_t stride = channels_;
        const std::size_t at = settings_.Channel - 1;
        if (format_ == SND_PCM_FORMAT_S16_LE) {
            for (std::size_t i = 0; i < frames; ++i) {
                std::int16_t v = 0;
                std::memcpy(&v, raw_.data() + (i * stride + at) * sizeof v, sizeof v);
                samples_[i] = static_cast<float>(v) / kInt16FullScale;
            }
        } else if (format_ == SND_PCM_FORMAT_S32_LE) {
            for (std::size_t i = 0; i < frames; ++i) {
                std::int32_t v = 0;
                std::memcpy(&v, raw_.data() + (i * stride + at) * sizeof v, sizeof v);
                samples_[i] = static_cast<float>(v) / kInt32FullScale;
            }
        } else {
            for (std::size_t i = 0; i < frames; ++i) {
                std::memcpy(&samples_[i], raw_.data() + (i * stride + at) * sizeof(float),
                            sizeof(float));
            }
        }
        sink.Real({samples_.data(), frames});
    }

    AudioSettings settings_;
    snd_pcm_t* pcm_ = nullptr;
    snd_pcm_format_t format_ = SND_PCM_FORMAT_UNKNOWN;
    unsigned channels_ = 1;
    unsigned rate_ = 0;
    std::vector<std::uint8_t> raw_;
    std::vector<float> samples_;
};

} // namespace

std::unique_ptr<PowerInput> MakeAudioInput(const AudioSettings& settings) {
    return std::make_unique<AudioInput>(settings);
}

std::vector<FoundAudioDevice> FindAudioCaptureDevices() {
    std::vector<FoundAudioDevice> found;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) {
        return found;
    }
    const auto take = [](void* hint, const char* id) {
        char* value = snd_device_name_get_hint(hint, id);
        std::string text = value != nullptr ? value : "";
        std::free(value);
        return text;
    };
    for (void** h = hints; *h != nullptr; ++h) {
        const std::string io = take(*h, "IOID"); // empty: both ways
        const std::string name = take(*h, "NAME");
        if (name.empty() || io == "Output") {
            continue;
        }
        std::string description = take(*h, "DESC");
        for (std::size_t at = description.find('\n'); at != std::string::npos;
             at = description.find('\n', at)) {
            description.replace(at, 1, " - ");
        }
        found.push_back({name, description});
    }
    snd_device_name_free_hint(hints);
    return found;
}

} // namespace vantrel
