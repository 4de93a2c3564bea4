#include "apparent/SkySource.h"

#include "apparent/SkyPlaces.h"
#include "astro/Catalogue.h"

namespace vantrel {

namespace {

constexpr std::array<std::string_view, kAllSkySources.size()> kKeys{
    "aquarius", "leo", "cas", "cen", "user", "cyg", "tau", "vir", "sgr", "moon", "sun"};

/// The sources of the display's pairs 3 to 8, after the option pair.
constexpr std::array<SkySource, 6> kAfterOption{SkySource::CygnusA, SkySource::TaurusA,
                                                SkySource::VirgoA,  SkySource::SagittariusA,
                                                SkySource::Moon,    SkySource::Sun};

} // namespace

std::string_view SkySourceKey(SkySource source) {
    return kKeys[static_cast<std::size_t>(source)];
}

std::optional<SkySource> SkySourceFromKey(std::string_view key) {
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (kKeys[i] == key) {
            return kAllSkySources[i];
        }
    }
    return std::nullopt;
}

std::optional<SkySource> SkySourceFromName(std::string_view name) {
    // Compared letter by letter as the user may write them: any case, and
    // "-", "_" or a blank between the words.
    const auto fold = [](char c) {
        if (c == '_' || c == ' ') {
            return '-';
        }
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    const auto same = [&](std::string_view a, std::string_view b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (fold(a[i]) != fold(b[i])) {
                return false;
            }
        }
        return true;
    };
    const HomeStation noStation; // the fixed titles do not depend on it
    for (std::size_t i = 0; i < kAllSkySources.size(); ++i) {
        const SkySource source = kAllSkySources[i];
        if (same(name, kKeys[i]) ||
            (source != SkySource::UserDefined && same(name, SkyPlaces::Title(source, noStation)))) {
            return source;
        }
    }
    return std::nullopt;
}

std::optional<SkySource> DisplayedSource(std::size_t pair, const HomeStation& station) {
    switch (pair) {
    case 0:
        return SkySource::Aquarius;
    case 1:
        return SkySource::Leo;
    case kNoiseSourcePair:
        switch (station.SourceOption) {
        case static_cast<int>(NoiseSourceOption::CassiopeiaA):
            return SkySource::CassiopeiaA;
        case static_cast<int>(NoiseSourceOption::CentaurusA):
            return SkySource::CentaurusA;
        case static_cast<int>(NoiseSourceOption::UserDefined):
            return SkySource::UserDefined;
        default:
            return std::nullopt;
        }
    default:
        if (pair < kDisplayedSourceCount) {
            return kAfterOption[pair - kNoiseSourcePair - 1];
        }
        return std::nullopt;
    }
}

std::optional<std::size_t> DisplayPairOf(SkySource source, const HomeStation& station) {
    for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
        if (DisplayedSource(pair, station) == source) {
            return pair;
        }
    }
    return std::nullopt;
}

} // namespace vantrel
