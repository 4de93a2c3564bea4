#include "tools/ToolFiles.h"

#include "station/DataFile.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace vantrel {

namespace {

bool Exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

std::string InFolder(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + std::string(name);
}

/// The folder part of `path` with its "/", or "" for a bare name.
std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

bool DataArguments::Owns(std::string_view flag) {
    return flag == "--data" || flag == "--data-home";
}

bool DataArguments::TakesNextValue(std::string_view flag) {
    return flag == "--data";
}

std::optional<std::string> DataArguments::Apply(std::string_view flag,
                                                std::optional<std::string_view> value) {
    if (flag == "--data") {
        if (!value || value->empty()) {
            return "--data needs a file name";
        }
        StationFile = std::string(*value);
        return std::nullopt;
    }
    // --data-home
    if (value && value->empty()) {
        return "--data-home= needs a folder (or --data-home alone for the user's data folder)";
    }
    DataHome = true;
    DataFolder = value ? std::string(*value) : std::string();
    return std::nullopt;
}

std::string ToolFile::MissingText() const {
    if (LookedFor.size() == 1) {
        return LookedFor.front() + " does not exist";
    }
    std::string text = "neither ";
    for (std::size_t i = 0; i < LookedFor.size(); ++i) {
        text += (i == 0 ? "" : " nor ") + LookedFor[i];
    }
    return text + " exists";
}

ToolFiles::ToolFiles(DataArguments args, DataHomeLocation dataHome)
    : args_(std::move(args)), home_(std::move(dataHome)) {}

ToolFiles ToolFiles::OfEnvironment(const DataArguments& args) {
    return {args, args.DataHome ? ChosenDataHome(args.DataFolder) : DataHomeOfEnvironment()};
}

std::string ToolFiles::Problem() const {
    return args_.DataHome ? home_.Problem : std::string();
}

ToolFile ToolFiles::Station() const {
    if (args_.StationFile.empty()) {
        return Find(kDataFileName);
    }
    ToolFile file;
    file.LookedFor = {args_.StationFile};
    if (Exists(args_.StationFile)) {
        file.Path = args_.StationFile;
    }
    return file;
}

ToolFile ToolFiles::Find(std::string_view name) const {
    ToolFile file;
    const bool haveHome = !home_.Folder.empty();
    if (args_.DataHome) {
        if (haveHome) {
            file.LookedFor = {InFolder(home_.Folder, name)};
        }
    } else {
        file.LookedFor = {"./" + std::string(name)};
        if (haveHome) {
            file.LookedFor.push_back(InFolder(home_.Folder, name));
        }
    }
    for (std::size_t i = 0; i < file.LookedFor.size(); ++i) {
        if (Exists(file.LookedFor[i])) {
            file.Path = file.LookedFor[i];
            file.FromDataHome = !args_.DataHome && i > 0;
            break;
        }
    }
    return file;
}

std::string ToolFiles::PathForNew(std::string_view name) const {
    if (const ToolFile found = Find(name); !found.Path.empty()) {
        return found.Path;
    }
    if (const ToolFile station = Station(); !station.Path.empty()) {
        return FolderOf(station.Path) + std::string(name);
    }
    if (args_.DataHome && !home_.Folder.empty()) {
        return InFolder(home_.Folder, name);
    }
    return std::string(name);
}

} // namespace vantrel
