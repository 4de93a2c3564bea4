#pragma once

#include "sunmoon/ElpSeries.h"

#include <string>
#include <vector>

namespace vantrel::sunmoon {

/// The 14 series files of ELP/MPP02 read into memory: what the build
/// generates the compiled-in tables from, and what the tests compare the
/// truncated series with.
struct ElpSeriesFiles {
    std::vector<ElpMainTerm> Main[kElpCoordinates];
    std::vector<ElpPerturbationTerm> Perturbation[kElpCoordinates][kElpPowers];

    /// Views on the terms held here (valid while this object lives).
    ElpSeriesSet View() const;
};

/// File names in a folder: "elp_main.long", "elp_pert.latT1", … ; empty for
/// the perturbation series that do not exist (latitude T³).
std::string ElpMainFileName(ElpCoordinate coordinate);
std::string ElpPerturbationFileName(ElpCoordinate coordinate, int power);

/// Reads the 14 files from `folder`: each begins with its number of terms,
/// then one term a line (main problem: i1..i4 A B1..B6; perturbations:
/// i1..i13 A φ0). Returns false with `error` naming the file and line when
/// a file is missing, short, or holds a value that is not a number or a
/// multiplier out of −127..127.
bool ReadElpSeriesFiles(const std::string& folder, ElpSeriesFiles& out, std::string& error);

} // namespace vantrel::sunmoon
