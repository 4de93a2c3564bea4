#include "tools/RotatorModelCheck.h"

#include "tracking/HamlibRotator.h"

#include <algorithm>
#include <vector>

namespace vantrel {

std::optional<std::string> UnknownRotatorModel(int model) {
    const std::vector<RotatorModel> models = HamlibRotatorModels();
    if (std::any_of(models.begin(), models.end(),
                    [&](const RotatorModel& m) { return m.Model == model; })) {
        return std::nullopt;
    }
    return "--rotator: Hamlib has no rotator model " + std::to_string(model) +
           " ('rotctl -l' lists them)";
}

} // namespace vantrel
