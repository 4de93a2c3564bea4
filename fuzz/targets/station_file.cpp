// Fuzz target: the station data file Vantrel.dat as the program reads it.
//
// Input: the whole file. It is written to a folder of this process and read
// with DataFile::Read, as at start-up. Properties:
//  - a file of at least one record loads; the values are those of the last
//    complete record (the six extended values decoded from their bytes, the
//    integers and the display mode as they stand), texts cut to their
//    capacity and taken from the record's bytes;
//  - a file shorter than one record leaves the zero-filled values;
//  - the station check names every value the file holds that the program
//    cannot use, without failing on any of them;
//  - saving what was read and reading it back gives the same station (the
//    extended values bit for bit).

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFolder.h"
#include "station/DataFile.h"
#include "station/Extended80.h"
#include "station/StationCheck.h"

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace vantrel;

class QuietMessages : public UserMessages {
public:
    void Warning(std::string_view, std::string_view) override { ++warnings; }
    void Information(std::string_view, std::string_view) override { ++informations; }
    void Error(std::string_view) override { ++errors; }
    int warnings = 0;
    int informations = 0;
    int errors = 0;
};

bool SameBits(long double a, long double b) {
    return EncodeExtended80(a) == EncodeExtended80(b) && (std::isnan(a) ? std::isnan(b) : a == b);
}

long double Extended(const std::uint8_t* record, std::size_t offset) {
    Extended80 bytes{};
    std::memcpy(bytes.data(), record + offset, bytes.size());
    return DecodeExtended80(bytes);
}

std::int32_t Int32(const std::uint8_t* record, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | record[offset + static_cast<std::size_t>(i)];
    }
    return static_cast<std::int32_t>(v);
}

void CheckText(const std::string& text, const std::uint8_t* record, std::size_t offset,
               std::size_t capacity) {
    const std::size_t length = record[offset] < capacity ? record[offset] : capacity;
    FUZZ_CHECK(text.size() == length);
    FUZZ_CHECK(std::memcmp(text.data(), record + offset + 1, length) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder folder("station");
    {
        std::ofstream out(folder.path / kDataFileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    QuietMessages messages;
    DataFile file(messages, folder.path.string());
    HomeStation station;
    FUZZ_CHECK(file.Read(station));
    FUZZ_CHECK(messages.warnings == 0 && messages.errors == 0);

    if (size < kRecordSize) {
        FUZZ_CHECK(station == HomeStation{});
    } else {
        const std::uint8_t* last = data + (size / kRecordSize - 1) * kRecordSize;
        FUZZ_CHECK(SameBits(station.Latitude, Extended(last, record::kLatitude)));
        FUZZ_CHECK(SameBits(station.Longitude, Extended(last, record::kLongitude)));
        FUZZ_CHECK(SameBits(station.HeightAsl, Extended(last, record::kHeightAsl)));
        FUZZ_CHECK(SameBits(station.UtcOffset, Extended(last, record::kUtcOffset)));
        FUZZ_CHECK(SameBits(station.UserSourceRa, Extended(last, record::kUserSourceRa)));
        FUZZ_CHECK(SameBits(station.UserSourceDec, Extended(last, record::kUserSourceDec)));
        CheckText(station.Location, last, record::kLocation, kLocationCapacity);
        CheckText(station.UserSourceName, last, record::kUserSourceName, kUserSourceNameCapacity);
        CheckText(station.CallSign, last, record::kCallSign, kCallSignCapacity);
        FUZZ_CHECK(station.CalcInterval == Int32(last, record::kCalcInterval));
        FUZZ_CHECK(station.HintOption == Int32(last, record::kHintOption));
        FUZZ_CHECK(station.SourceOption == Int32(last, record::kSourceOption));
        FUZZ_CHECK(station.DisplayMode == last[record::kDisplayMode]);
    }

    // Every value the program cannot work with is named, and naming it works.
    const std::vector<StationProblem> problems = CheckStation(station);
    const auto outside = [](long double v, StationRange r) { return !(v >= r.Lo && v <= r.Hi); };
    namespace range = station_range;
    const std::size_t expected = outside(station.Latitude, range::kLatitudeDeg) +
                                 outside(station.Longitude, range::kLongitudeDeg) +
                                 outside(station.HeightAsl, range::kHeightM) +
                                 outside(station.UtcOffset, range::kUtcOffsetHours) +
                                 outside(station.UserSourceRa, range::kRightAscensionHours) +
                                 outside(station.UserSourceDec, range::kDeclinationDeg) +
                                 outside(station.SourceOption, range::kSourceOption);
    FUZZ_CHECK(problems.size() == expected);
    if (!problems.empty()) {
        FUZZ_CHECK(!ProblemsLine(problems).empty());
        FUZZ_CHECK(!ProblemsMessage(problems).empty());
    }

    // Saving the finite values and reading them back changes nothing.
    const bool allFinite = std::isfinite(station.Latitude) && std::isfinite(station.Longitude) &&
                           std::isfinite(station.HeightAsl) && std::isfinite(station.UtcOffset) &&
                           std::isfinite(station.UserSourceRa) &&
                           std::isfinite(station.UserSourceDec);
    if (allFinite && size >= kRecordSize) {
        FUZZ_CHECK(file.Write(station));
        HomeStation again;
        FUZZ_CHECK(file.Read(again));
        FUZZ_CHECK(again == station);
    }
    return 0;
}
