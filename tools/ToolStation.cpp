#include "tools/ToolStation.h"

#include "station/DataFile.h"
#include "station/StationCheck.h"
#include "tools/ArgumentNumbers.h"
#include "tools/TerminalText.h"

namespace vantrel {

namespace {

/// How the user is told to give a station.
constexpr const char* kHowToGive =
    "save the station in the planner's Home Data window, or give --lat and --lon";

/// A station flag: the field it sets, its range, what its value must be,
/// and where it says that it came.
struct StationFlag {
    std::string_view Flag;
    long double HomeStation::*Field;
    StationRange Limits;
    std::string_view What;
    bool PositionGiven::*Given;
};

constexpr StationFlag kStationFlags[] = {
    {"--lat", &HomeStation::Latitude, station_range::kLatitudeDeg,
     "a latitude in degrees, -90 to 90", &PositionGiven::Latitude},
    {"--lon", &HomeStation::Longitude, station_range::kLongitudeDeg,
     "a longitude in degrees, -180 to 180", &PositionGiven::Longitude},
    {"--height", &HomeStation::HeightAsl, station_range::kHeightM,
     "a height in metres, -11000 to 100000", nullptr},
};

const StationFlag* FindStationFlag(std::string_view flag) {
    for (const StationFlag& f : kStationFlags) {
        if (f.Flag == flag) {
            return &f;
        }
    }
    return nullptr;
}

} // namespace

bool IsStationFlag(std::string_view flag) {
    return FindStationFlag(flag) != nullptr;
}

std::optional<std::string> ApplyStationFlag(std::string_view flag, const std::string& value,
                                            HomeStation& station, PositionGiven& given) {
    const StationFlag* f = FindStationFlag(flag);
    if (f == nullptr) {
        return "unknown option '" + std::string(flag) + "'";
    }
    const auto number = ParseRealArgument(value, f->Limits.Lo, f->Limits.Hi);
    if (!number) {
        return std::string(flag) + ": '" + value + "' is not " + std::string(f->What);
    }
    station.*(f->Field) = *number;
    if (f->Given != nullptr) {
        given.*(f->Given) = true;
    }
    return std::nullopt;
}

std::string ToolStation::Notice(std::string_view tool) const {
    const std::string name(tool);
    if (File.Path.empty()) {
        return name + ": " + datafile_text::kNotFound + ": " + TerminalSafe(File.MissingText());
    }
    if (File.FromDataHome) {
        return name + ": reading " + TerminalSafe(File.Path) + " (no " + kDataFileName + " here)";
    }
    return {};
}

ToolStation ReadToolStation(const ToolFiles& files, UserMessages& messages, HomeStation& station) {
    ToolStation read;
    read.File = files.Station();
    if (read.File.Path.empty()) {
        return read;
    }
    const std::string& path = read.File.Path;
    const auto slash = path.rfind('/');
    DataFile file(messages, slash == std::string::npos ? std::string() : path.substr(0, slash + 1),
                  slash == std::string::npos ? path : path.substr(slash + 1));
    read.Read = file.Read(station);
    if (read.Read) {
        for (std::string* text : {&station.CallSign, &station.Location, &station.UserSourceName}) {
            *text = StationTextForOutput(*text);
        }
    }
    return read;
}

std::optional<std::string> HardwareStationProblem(const ToolStation& read, PositionGiven given,
                                                  const HomeStation& station) {
    if (const auto problems = CheckStation(station); !problems.empty()) {
        return ProblemsLine(problems);
    }
    if (given.Latitude && given.Longitude) {
        return std::nullopt;
    }
    if (!read.Read) {
        const std::string why = read.File.Path.empty() ? read.File.MissingText()
                                                       : read.File.Path + " could not be read";
        return "no station to point from: " + why + "; " + kHowToGive;
    }
    if (station.Latitude == 0 && station.Longitude == 0) {
        return "the station in " + read.File.Path +
               " is at latitude 0, longitude 0, as a file without a saved station reads; " +
               kHowToGive;
    }
    return std::nullopt;
}

} // namespace vantrel
