#pragma once

namespace vantrel::measure {

/// How far a flux density can be trusted.
enum class FluxBasis {
    Model,        ///< within the model's or the table's frequency range
    Extrapolated, ///< a model used outside its published frequency range
    TableEnd,     ///< beyond a solar table's end: the nearest end's value
    NoModel,      ///< no flux model for this source: there is no number
};

/// A flux density with how it was obtained. `Jy` is meaningful only when
/// `Basis` is not `NoModel` (it is then 0 and must not be shown).
struct FluxEstimate {
    double Jy = 0.0; ///< flux density, Jy (1e-26 W m^-2 Hz^-1)
    FluxBasis Basis = FluxBasis::NoModel;

    bool HasValue() const { return Basis != FluxBasis::NoModel; }
};

/// A short note for a table column: "" for `Model`, "extrapolated",
/// "table end", "no model".
const char* BasisNote(FluxBasis basis);

} // namespace vantrel::measure
