#pragma once

#include "apparent/ObservingConditions.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// The observing options of the command-line tools:
///   --apparent              apparent places of date for the fixed sources
///   --refraction P,T,RH     radio refraction with pressure (hPa),
///                           temperature (°C) and relative humidity (%)
///   --frequency MHZ         the observing frequency; refraction needs it
///   --iers FILE             UT1 − UTC from this IERS finals2000A file
///                           (else the one ToolUt1 finds), for apparent places
/// Both options off unless given, as in the windows.
struct ObservingArguments {
    ObservingConditions Conditions;
    bool FrequencyGiven = false;
    std::string IersFile; ///< --iers FILE; empty when not given

    /// Whether `flag` is one of the four.
    static bool Owns(std::string_view flag);
    /// Whether `flag` takes a value ("--refraction", "--frequency", "--iers").
    static bool TakesValue(std::string_view flag);

    /// Applies one of the four flags with its value (none for
    /// "--apparent"). Returns the reason it is refused, without the tool's
    /// name ("--refraction: 'x' is not P,T,RH: Pressure must be a number."),
    /// or nothing.
    std::optional<std::string> Apply(std::string_view flag, std::optional<std::string_view> value);

    /// What is still missing once every argument is read; nothing, now that
    /// refraction (independent of the frequency) needs no --frequency.
    std::optional<std::string> Missing() const;

    /// For a tool whose only use of UT1 is apparent places (the positions):
    /// --iers given without --apparent, which would change nothing, refused.
    std::optional<std::string> IersUnused() const;

    /// For a tool whose only use of the frequency is refraction (the
    /// positions): --frequency given without --refraction, which would
    /// change nothing, so it is refused rather than ignored in silence.
    /// Nothing when the options are used.
    std::optional<std::string> Unused() const;
};

} // namespace vantrel
