#pragma once

#include "app/DataHome.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// The options of every command-line tool that say where its files are:
///   --data FILE            the station file (instead of "Vantrel.dat")
///   --data-home[=FOLDER]   the planner's data folder, as `vantrel
///                          --data-home` takes it: $XDG_DATA_HOME/vantrel
///                          (by default ~/.local/share/vantrel), or FOLDER
/// The last of a repeated option counts.
struct DataArguments {
    std::string StationFile; ///< --data FILE; empty when not given
    bool DataHome = false;   ///< --data-home given
    std::string DataFolder;  ///< its FOLDER; empty for the user's data folder

    /// Whether `flag` is one of the two.
    static bool Owns(std::string_view flag);
    /// Whether `flag` takes the next argument as its value when it has none
    /// after "=": "--data" does, "--data-home" never (a folder is given as
    /// "--data-home=FOLDER", as the planner takes it).
    static bool TakesNextValue(std::string_view flag);

    /// Applies one of the two with its value: the one after "=" or, for
    /// "--data", the next argument. Returns the reason it is refused,
    /// without the tool's name ("--data needs a file name"), or nothing.
    std::optional<std::string> Apply(std::string_view flag, std::optional<std::string_view> value);
};

/// One file of a tool, as `ToolFiles` found it.
struct ToolFile {
    std::string Path; ///< the file to read; empty when none of `LookedFor` exists
    /// True when it was found in the data home because the current folder
    /// has none, without --data or --data-home: the tool says which file it
    /// read, as the user did not name it.
    bool FromDataHome = false;
    /// Every path tried, in order, as the user would type them
    /// ("./Vantrel.dat", "/home/ann/.local/share/vantrel/Vantrel.dat").
    std::vector<std::string> LookedFor;

    /// Why there is none, naming every path tried: "neither ./Vantrel.dat nor
    /// /home/ann/.local/share/vantrel/Vantrel.dat exists", or "FILE does not
    /// exist" for one path.
    std::string MissingText() const;
};

/// Where a command-line tool finds its files: the station "Vantrel.dat",
/// "Vanset.ini" (observing conditions, horizon profile) and the logs.
///
/// - With --data-home[=FOLDER]: every file in that folder.
/// - Otherwise each file in the current folder when it exists there (where a
///   terminal user keeps them), else in the user's data folder (where the
///   planner started from the desktop menu keeps them), when that exists.
/// - --data FILE names the station file alone; the other files follow the
///   two rules above.
/// Existence is asked of the file system at each `Find`; links are followed.
class ToolFiles {
public:
    /// `dataHome`: the data folder of --data-home, or the user's data folder
    /// when the option is not given (`DataHomeOfEnvironment`); a location
    /// with a `Problem` has no folder to look in.
    ToolFiles(DataArguments args, DataHomeLocation dataHome);

    /// The files of this process: its environment and its current folder.
    static ToolFiles OfEnvironment(const DataArguments& args);

    /// Why the tool must not start, one sentence, or empty: --data-home
    /// given when there is no data folder to use (no HOME, say).
    std::string Problem() const;

    /// The station file: the one of --data, else `Find("Vantrel.dat")`.
    ToolFile Station() const;

    /// The file `name` ("Vanset.ini", "Vantrel-measurements.csv") by the
    /// rules above.
    ToolFile Find(std::string_view name) const;

    /// Where a tool writes a file `name` it creates: where `Find` finds it;
    /// when there is none yet, beside the station file the tool reads (in
    /// the data home when the station came from there), else in the folder
    /// of --data-home, else in the current folder.
    std::string PathForNew(std::string_view name) const;

    /// The data folder in use; empty when there is none.
    const std::string& DataFolder() const { return home_.Folder; }

private:
    DataArguments args_;
    DataHomeLocation home_;
};

} // namespace vantrel
