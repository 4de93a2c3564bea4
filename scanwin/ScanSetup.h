#pragma once

#include "apparent/ObservingConditions.h"
#include "astro/DateTime.h"
#include "astro/SunMoon.h"
#include "measurewin/MeasureSetup.h"
#include "scan/ScanSettings.h"
#include "scan/YFactorSequence.h"
#include "station/HomeStation.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// Everything the Scan window is told, kept in "Vanset.ini" [Scan]. The
/// observing frequency and the antenna are not here: they are the Measure
/// window's (the program's one frequency, its antenna), read from there.
struct ScanSetup {
    /// The procedure and its parameters. Its BeamwidthDeg is the one typed,
    /// used only when BeamFromAntenna is off.
    scan::ScanSettings Settings;
    /// The beamwidth from the Measure window's antenna at the observing
    /// frequency (70 λ/D for a dish), rather than the one typed.
    bool BeamFromAntenna = true;

    bool operator==(const ScanSetup&) const = default;
};

/// The fields of the Scan window that hold a number.
enum class ScanField {
    BeamwidthDeg, ///< 0.01..90
    TauS,         ///< 0.1..600
    SettleS,      ///< 0..600
    Pairs,        ///< a whole number 1..100
    OffBeams,     ///< 1..50
    SpanBeams,    ///< 0.5..20
    Points,       ///< a whole number 6..201
    ColdAzimuth,  ///< -360..360
    ColdElevation ///< 0..90
};

/// A number typed into a field: the value, or why it is refused (a
/// sentence naming the field and its range; empty when accepted).
struct ParsedScanNumber {
    double Value = 0;
    std::string Problem;
};

/// Reads `text` as a value of `field`; blanks around it allowed, a comma
/// is not a decimal separator.
ParsedScanNumber ParseScanField(ScanField field, std::string_view text);

/// The beamwidth the procedures use, degrees: the antenna's (BeamOf the
/// Measure setup at `frequencyMHz`) when BeamFromAntenna, else the one
/// typed; none when the antenna's values are refused.
std::optional<double> BeamwidthOf(const ScanSetup& setup, const MeasureSetup& antenna,
                                  double frequencyMHz);

/// What G/T needs of `source` at `utc`: its flux at the observing
/// frequency and its size, as the Measure window's table has them
/// (MeasureRows; the Sun's flux as the Measure window's solar entry gives
/// it). For Cassiopeia A, Centaurus A and the user source the row is taken
/// as if the station showed that one of the three.
scan::GOverTBasis GOverTBasisOf(SkySource source, DateTime utc, const HomeStation& station,
                                const ObservingConditions& conditions, SunMoonLibrary& library,
                                const MeasureSetup& antenna);

/// The disk the scans take off their widths, degrees: the Sun's or the
/// Moon's diameter at `utc` as the Measure window's table has it (its
/// distance then), 0 for every other source (small against the beam, or
/// not a uniform disk).
double SourceDiskOf(SkySource source, DateTime utc, const HomeStation& station,
                    const ObservingConditions& conditions, SunMoonLibrary& library,
                    const MeasureSetup& antenna);

/// The station as the scans log keeps it (ScanLogStation).
std::string StationText(const HomeStation& station);

/// A Measure setup for a tool's beam given as a beamwidth: an antenna of
/// the gain a circular beam of that width has (41 253 / θ², Kraus), so
/// that BeamOf gives the beamwidth back.
MeasureSetup AntennaOfBeamwidth(double beamwidthDeg);

} // namespace vantrel
