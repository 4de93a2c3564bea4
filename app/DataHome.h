#pragma once

#include <optional>
#include <string>

namespace vantrel {

/// Name of the planner's own folder inside the user's data folder.
inline constexpr const char* kDataHomeName = "vantrel";

/// Where the planner keeps a user's files when it is started from the desktop
/// menu: "Vantrel.dat", "Vanset.ini" and the measurement log, as it keeps
/// them in the current folder when started from a terminal.
struct DataHomeLocation {
    std::string Folder;  ///< absolute path without a trailing "/"; empty when unknown
    std::string Problem; ///< why there is none, a sentence; empty when Folder is set
};

/// The user's data folder for Vantrel by the XDG Base Directory rules:
/// `xdgDataHome` + "/vantrel" when XDG_DATA_HOME is set to an absolute path;
/// otherwise (unset, empty or relative: the rules say a relative path is to be
/// ignored) `home` + "/.local/share/vantrel". `home` must be absolute too;
/// without a usable one the result names the problem. Pure: nothing is looked
/// at on disk. Reference: XDG Base Directory Specification 0.8.
DataHomeLocation DataHomeFolder(const std::optional<std::string>& xdgDataHome,
                                const std::optional<std::string>& home);

/// `DataHomeFolder` of this process's environment: XDG_DATA_HOME, and HOME or,
/// when HOME is unset or empty, the home folder of the user's account entry.
DataHomeLocation DataHomeOfEnvironment();

/// The folder of `--data-home[=FOLDER]`, as the planner and every tool take
/// it: `DataHomeOfEnvironment()` for an empty `folder` (the option alone),
/// else `folder` made absolute against the current folder. Nothing is looked
/// at on disk; a folder that cannot be made absolute gives the reason.
DataHomeLocation ChosenDataHome(const std::string& folder);

/// What `PrepareDataHome` did.
struct DataHomeSetup {
    bool FolderCreated = false;   ///< the folder did not exist and was made
    bool SettingsWritten = false; ///< a new "Vanset.ini" was written
    std::string Problem;          ///< a sentence naming the path; empty when all went well
};

/// Makes `folder` ready for a first start: creates it with every missing
/// parent (mode 0700, as the XDG rules ask of a data folder created on
/// demand), then writes a "Vanset.ini" whose section "Position" holds the
/// main window's design size (1048 × 700 pixels at 10, 10) when the folder has
/// no "Vanset.ini" yet. An existing "Vanset.ini", or anything else of that
/// name (a link, even a dangling one), is never touched. A path that is not a
/// folder, a folder that cannot be made, or a file that cannot be written gives
/// the reason in `Problem`; a half-written "Vanset.ini" is removed again.
DataHomeSetup PrepareDataHome(const std::string& folder);

/// What `EnterDataHome` did.
struct DataHomeEntry {
    bool Entered = false; ///< the working folder is now the data folder
    /// What the user should be told, a sentence or two naming the folders;
    /// empty when all went well.
    std::string Problem;
};

/// The start-up of a planner started from the desktop menu: `PrepareDataHome`
/// of `where`, then the folder made the process's working folder, where every
/// part of the planner reads and writes its files. When the folder cannot be
/// used the working folder stays as it is and `Problem` says so and names it;
/// a "Vanset.ini" that could not be written is said too, but the folder is
/// still entered (the window then opens at its default size).
DataHomeEntry EnterDataHome(const DataHomeLocation& where);

} // namespace vantrel
