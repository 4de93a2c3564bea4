// vantrel-save-station: saves a station into a folder as the planner's
// "Save Home Data" does (the same record writer), for the package check,
// which cannot click the button of a window without a display.
//
//     vantrel-save-station FOLDER LATITUDE LONGITUDE CALLSIGN
//
// Degrees, north and east positive. Exit status 0 when the record reached
// FOLDER/Vantrel.dat, 1 when it did not, 2 for bad arguments.

#include "station/DataFile.h"
#include "tools/ArgumentNumbers.h"
#include "tools/ConsoleMessages.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace vantrel;
    if (argc != 5) {
        std::fputs("usage: vantrel-save-station FOLDER LATITUDE LONGITUDE CALLSIGN\n", stderr);
        return 2;
    }
    const auto latitude = ParseRealArgument(argv[2], -90, 90);
    const auto longitude = ParseRealArgument(argv[3], -180, 180);
    if (!latitude || !longitude) {
        std::fputs("vantrel-save-station: a latitude and a longitude in degrees\n", stderr);
        return 2;
    }
    HomeStation station;
    station.Latitude = *latitude;
    station.Longitude = *longitude;
    station.CalcInterval = 60;
    station.CallSign = std::string(argv[4]).substr(0, kCallSignCapacity);
    ConsoleMessages messages;
    DataFile file(messages, std::string(argv[1]) + "/");
    return file.Write(station) ? 0 : 1;
}
