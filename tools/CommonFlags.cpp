#include "tools/CommonFlags.h"

namespace vantrel {

CommonFlag ApplyCommonFlag(const CommandLineFlag& split, std::span<const std::string_view> args,
                           std::size_t& i, CommonFlagTargets targets) {
    CommonFlag result;
    const std::string_view flag = split.Flag;
    if (flag == "--help" || flag == "-h") {
        targets.Help = true;
        result.Taken = true;
        return result;
    }
    if (ObservingArguments::Owns(flag)) {
        result.Taken = true;
        result.Value =
            ObservingArguments::TakesValue(flag) ? split.Value(args, i) : split.InlineValue;
        result.Refused = targets.Observing.Apply(flag, result.Value);
        return result;
    }
    if (DataArguments::Owns(flag)) {
        result.Taken = true;
        result.Value =
            DataArguments::TakesNextValue(flag) ? split.Value(args, i) : split.InlineValue;
        result.Refused = targets.Files.Apply(flag, result.Value);
        return result;
    }
    return result;
}

} // namespace vantrel
