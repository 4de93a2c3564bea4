#include "tools/NowOptions.h"

#include "tools/CommandLineFlag.h"
#include "tools/TerminalText.h"

namespace vantrel {

ParsedNow ParseNowArguments(std::span<const std::string_view> args) {
    ParsedNow parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        auto [flag, value] = CommandLineFlag::Of(args[i]);
        if (!ObservingArguments::Owns(flag)) {
            parsed.Error = "unexpected argument '" + TerminalSafe(args[i]) +
                           "' (it takes only --apparent, --refraction P,T,RH, --frequency MHZ)";
            return parsed;
        }
        if (!value && ObservingArguments::TakesValue(flag) && i + 1 < args.size()) {
            value = args[++i];
        }
        if (auto refused = parsed.Observing.Apply(flag, value)) {
            parsed.Error = TerminalSafe(*refused);
            return parsed;
        }
    }
    if (auto missing = parsed.Observing.Missing()) {
        parsed.Error = *missing;
    }
    return parsed;
}

} // namespace vantrel
