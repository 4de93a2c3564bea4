#include "help/OldStyleHelpViewer.h"

#include "help/HelpFileRule.h"

#include <algorithm>
#include <cctype>

namespace vantrel {

namespace {

bool IsOldStyleHelpName(std::string_view fileName) {
    std::string ext(NameExtension(fileName));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".hlp";
}

} // namespace

std::string OldStyleHelpViewer::HelpFile(std::string_view fileName) const {
    if (tester_ != nullptr) {
        const std::string own = tester_->DefaultHelpFile(fileName);
        if (!own.empty()) {
            std::string path = tester_->HelpPath();
            if (!path.empty() && path.back() != '/') {
                path += '/';
            }
            return path + own;
        }
    }
    if (!fileName.empty()) {
        return std::string(fileName);
    }
    return helpFile_ ? helpFile_() : std::string();
}

int OldStyleHelpViewer::KeywordMatchCount(std::string_view keyword) {
    const std::string file = HelpFile({});
    if (tester_ != nullptr) {
        return tester_->CanShowALink(keyword, file) ? 1 : 0;
    }
    return IsOldStyleHelpName(file) ? 1 : 0;
}

std::vector<std::string> OldStyleHelpViewer::KeywordEntries(std::string_view keyword) {
    if (tester_ != nullptr) {
        return tester_->HelpEntries(keyword);
    }
    return {std::string(kName) + ": " + std::string(keyword)};
}

bool OldStyleHelpViewer::HandlesTopic(std::string_view topic) {
    const std::string file = HelpFile({});
    if (tester_ != nullptr) {
        return tester_->CanShowTopic(topic, file);
    }
    return IsOldStyleHelpName(file);
}

bool OldStyleHelpViewer::HandlesContext(int context, std::string_view fileName) {
    const std::string file = HelpFile(fileName);
    if (tester_ != nullptr) {
        return tester_->CanShowContext(context, file);
    }
    return IsOldStyleHelpName(file);
}

void OldStyleHelpViewer::CannotShow() {
    if (messages_ != nullptr) {
        messages_->Warning("Warning", "This help file cannot be shown: " + HelpFile({}));
    }
}

} // namespace vantrel
