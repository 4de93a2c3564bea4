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
    // The observing and the data options take and apply their values alike.
    const auto take = [&](auto& target, bool fromNext) {
        result.Taken = true;
        result.Value = fromNext ? split.Value(args, i) : split.InlineValue;
        result.Refused = target.Apply(flag, result.Value);
        return result;
    };
    if (ObservingArguments::Owns(flag)) {
        return take(targets.Observing, ObservingArguments::TakesValue(flag));
    }
    if (DataArguments::Owns(flag)) {
        return take(targets.Files, DataArguments::TakesNextValue(flag));
    }
    return result;
}

} // namespace vantrel
