#include "app/PlannerArguments.h"

#include "tools/CommandLineFlag.h"
#include "tools/TerminalText.h"

#include <algorithm>
#include <array>
#include <span>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel [--data-home[=FOLDER]] [--version] [--help]\n"
    "\n"
    "Starts the planner in the current folder, where Vantrel.dat (the station),\n"
    "Vanset.ini (the window and the observing settings) and Vantrel.chm (the help)\n"
    "are kept. --data-home works in $XDG_DATA_HOME/vantrel instead (by default\n"
    "~/.local/share/vantrel), or in FOLDER; the folder is created when missing,\n"
    "and a new Vanset.ini opens the window at its design size. The desktop\n"
    "menu starts the planner this way.\n";

/// Options of Qt's application object (QGuiApplication, QApplication and
/// the X11 platform) that take the next argument as their value.
constexpr std::array<std::string_view, 16> kQtOptionsWithValue{"-platform",
                                                               "-platformpluginpath",
                                                               "-platformtheme",
                                                               "-plugin",
                                                               "-qwindowgeometry",
                                                               "-geometry",
                                                               "-qwindowtitle",
                                                               "-title",
                                                               "-qwindowicon",
                                                               "-icon",
                                                               "-session",
                                                               "-style",
                                                               "-stylesheet",
                                                               "-display",
                                                               "-name",
                                                               "-qmljsdebugger"};
/// Options of Qt's application object that stand alone.
constexpr std::array<std::string_view, 8> kQtFlags{"-reverse", "-widgetcount", "-nograb",
                                                   "-dograb",  "-sync",        "-testability",
                                                   "-qdevel",  "-qdebug"};
/// Options of Qt's application object given as NAME=VALUE in one argument.
constexpr std::array<std::string_view, 3> kQtOptionsWithInlineValue{
    "-style=", "-stylesheet=", "-qmljsdebugger="};

bool Contains(std::span<const std::string_view> list, std::string_view option) {
    return std::find(list.begin(), list.end(), option) != list.end();
}

} // namespace

PlannerArguments ParsePlannerArguments(const std::vector<std::string>& args) {
    PlannerArguments parsed;
    const auto refuse = [&parsed](std::string problem) {
        if (parsed.Problem.empty()) {
            parsed.Problem = std::move(problem);
        }
    };
    for (const std::string& arg : args) {
        const auto [flag, value] = CommandLineFlag::Of(arg);
        if ((flag == "--help" || flag == "-h") && !value) {
            parsed.Help = true;
        } else if (flag == "--version" && !value) {
            parsed.Version = true;
        } else if (flag == "--data-home") {
            if (value && value->empty()) {
                refuse("--data-home= needs a folder (try --help)");
                continue;
            }
            parsed.DataHome = true;
            parsed.DataFolder = value ? std::string(*value) : std::string();
        } else {
            refuse("unknown option '" + TerminalSafe(arg) + "' (try --help)");
        }
    }
    return parsed;
}

std::vector<std::string> WithoutQtOptions(const std::vector<std::string>& args) {
    std::vector<std::string> left;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view option = args[i];
        if (option.starts_with("--")) {
            option.remove_prefix(1); // Qt reads --platform as -platform
        }
        if (Contains(kQtOptionsWithValue, option)) {
            ++i; // and its value
        } else if (!Contains(kQtFlags, option) && !option.starts_with("-psn_") &&
                   std::none_of(kQtOptionsWithInlineValue.begin(), kQtOptionsWithInlineValue.end(),
                                [option](std::string_view o) { return option.starts_with(o); })) {
            left.push_back(args[i]);
        }
    }
    return left;
}

std::string_view PlannerUsage() {
    return kUsage;
}

std::string PlannerVersionLine(std::string_view version) {
    return "vantrel " + std::string(version) + "\n";
}

} // namespace vantrel
