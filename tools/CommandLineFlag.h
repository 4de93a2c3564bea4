#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace vantrel {

/// One argument of a command line split into its flag and the value given
/// with "=" ("--lat=52" gives "--lat" and "52"); a value given as the next
/// argument is the caller's to take.
struct CommandLineFlag {
    std::string_view Flag;
    std::optional<std::string_view> InlineValue;

    static CommandLineFlag Of(std::string_view argument) {
        const auto eq = argument.find('=');
        if (argument.starts_with("--") && eq != std::string_view::npos) {
            return {argument.substr(0, eq), argument.substr(eq + 1)};
        }
        return {argument, std::nullopt};
    }

    /// The flag's value: the one given with "=", else the next argument
    /// (taken: `i` moves on to it), else none at the end of the line.
    std::optional<std::string_view> Value(std::span<const std::string_view> args,
                                          std::size_t& i) const {
        if (InlineValue) {
            return InlineValue;
        }
        if (i + 1 < args.size()) {
            return args[++i];
        }
        return std::nullopt;
    }
};

} // namespace vantrel
