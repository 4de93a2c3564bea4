#include "help/HelpDispatcher.h"

#include <algorithm>
#include <cctype>

namespace vantrel {

/// The reference viewers hold: it outlives the dispatcher harmlessly, and
/// answers nothing once the dispatcher is gone.
class HelpDispatcher::Handle final : public HelpManager {
public:
    explicit Handle(HelpDispatcher* owner) : owner_(owner) {}
    void Detach() { owner_ = nullptr; }

    HelpWindowHandle CallerWindow() const override {
        return owner_ != nullptr ? owner_->RequestCaller() : 0;
    }
    std::string HelpFile() const override {
        return owner_ != nullptr ? owner_->RequestHelpFile() : std::string();
    }
    void Release(int viewerId) override {
        if (owner_ != nullptr) {
            owner_->Release(viewerId);
        }
    }

private:
    HelpDispatcher* owner_;
};

/// The help file and caller of one request, for the request's duration.
class HelpDispatcher::Request {
public:
    Request(HelpDispatcher& d, const std::string& fileName)
        : d_(d), file_(d.requestFile_), caller_(d.requestCaller_) {
        d_.requestFile_ = fileName;
        d_.requestCaller_ = d_.callerWindow_;
    }
    ~Request() {
        d_.requestFile_ = file_;
        d_.requestCaller_ = caller_;
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

private:
    HelpDispatcher& d_;
    std::string file_;
    HelpWindowHandle caller_;
};

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

} // namespace

HelpDispatcher::HelpDispatcher(UserMessages* messages)
    : messages_(messages), handle_(std::make_shared<Handle>(this)) {
    oldStyle_ = std::make_shared<OldStyleHelpViewer>([this] { return requestFile_; }, messages);
    std::shared_ptr<HelpManager> unused;
    RegisterViewer(oldStyle_, unused);
}

HelpDispatcher::~HelpDispatcher() {
    const std::vector<Entry> left = Snapshot();
    for (const Entry& e : left) {
        e.Viewer->Shutdown();
    }
    viewers_.clear();
    selector_.reset();
    handle_->Detach();
}

int HelpDispatcher::RegisterViewer(const std::shared_ptr<HelpViewer>& viewer,
                                   std::shared_ptr<HelpManager>& manager) {
    const int id = nextId_++;
    viewers_.push_back({id, viewer});
    manager = handle_;
    viewer->SetViewerId(id);
    return id;
}

void HelpDispatcher::Release(int viewerId) {
    const auto it = std::find_if(viewers_.begin(), viewers_.end(),
                                 [viewerId](const Entry& e) { return e.Id == viewerId; });
    if (it == viewers_.end()) {
        return;
    }
    // A viewer whose last reference this was is destroyed only once the
    // list is whole again.
    const std::shared_ptr<HelpViewer> keep = it->Viewer;
    viewers_.erase(it);
}

std::vector<std::string> HelpDispatcher::SortedViewerNames() const {
    std::vector<std::string> names;
    for (const Entry& e : viewers_) {
        names.push_back(e.Viewer->ViewerName());
    }
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

void HelpDispatcher::Tell(const std::string& text) {
    if (messages_ != nullptr) {
        messages_->Error(text);
    }
}

bool HelpDispatcher::ShowContents(const std::string& fileName) {
    Request request(*this, fileName);
    std::vector<std::shared_ptr<HelpViewer>> able;
    for (const Entry& e : Snapshot()) {
        if (e.Viewer->HasContents()) {
            able.push_back(e.Viewer);
        }
    }
    if (able.empty()) {
        Tell(std::string(kNoTableOfContents));
        return false;
    }
    std::shared_ptr<HelpViewer> chosen = able.front();
    if (able.size() > 1) {
        std::stable_sort(able.begin(), able.end(), [](const auto& a, const auto& b) {
            return LessIgnoringCase(a->ViewerName(), b->ViewerName());
        });
        chosen = able.front();
        if (selector_ != nullptr) {
            std::vector<std::string> names;
            names.reserve(able.size());
            for (const auto& v : able) {
                names.push_back(v->ViewerName());
            }
            const int index = selector_->ChooseContentsViewer(names);
            if (index >= 0 && static_cast<std::size_t>(index) < able.size()) {
                chosen = able[static_cast<std::size_t>(index)];
            }
        }
    }
    chosen->ShowContents();
    return true;
}

bool HelpDispatcher::ShowKeyword(std::string_view keyword, const std::string& fileName) {
    Request request(*this, fileName);
    std::vector<std::string> entries;
    std::vector<std::shared_ptr<HelpViewer>> owners;
    for (const Entry& e : Snapshot()) {
        if (e.Viewer->KeywordMatchCount(keyword) > 0) {
            for (std::string& entry : e.Viewer->KeywordEntries(keyword)) {
                entries.push_back(std::move(entry));
                owners.push_back(e.Viewer);
            }
        }
    }
    if (entries.empty()) {
        Tell("Unable to find help for the keyword \"" + std::string(keyword) + "\"");
        return false;
    }
    std::size_t chosen = 0;
    if (entries.size() > 1 && selector_ != nullptr) {
        const int index = selector_->ChooseKeywordEntry(entries);
        if (index >= 0 && static_cast<std::size_t>(index) < entries.size()) {
            chosen = static_cast<std::size_t>(index);
        }
    }
    owners[chosen]->ShowKeyword(entries[chosen]);
    return true;
}

bool HelpDispatcher::ShowTopic(std::string_view topic, const std::string& fileName) {
    Request request(*this, fileName);
    for (const Entry& e : Snapshot()) {
        auto* extended = dynamic_cast<ExtendedHelpViewer*>(e.Viewer.get());
        if (extended != nullptr && extended->HandlesTopic(topic)) {
            extended->ShowTopic(topic);
            return true;
        }
    }
    Tell("Unable to find help for the topic \"" + std::string(topic) + "\"");
    return false;
}

bool HelpDispatcher::ShowContext(int context, const std::string& fileName) {
    Request request(*this, fileName);
    for (const Entry& e : Snapshot()) {
        auto* extended = dynamic_cast<ExtendedHelpViewer*>(e.Viewer.get());
        if (extended != nullptr && extended->HandlesContext(context, fileName)) {
            extended->ShowContext(context, fileName);
            return true;
        }
    }
    Tell("Unable to find help for context " + std::to_string(context));
    return false;
}

bool HelpDispatcher::HelpCommand(unsigned command, std::uintptr_t data) {
    switch (command) {
    case kHelpContents:
        return ShowContents(applicationHelpFile_);
    case kHelpContext:
        return ShowContext(static_cast<int>(data), applicationHelpFile_);
    case kHelpKey:
        // The help command's data carries the keyword's address, as help
        // requests always have.
        return ShowKeyword(data != 0 ? reinterpret_cast<const char*>(data) // NOLINT
                                     : "",
                           applicationHelpFile_);
    case kHelpQuit:
        for (const Entry& e : Snapshot()) {
            e.Viewer->CloseWindows();
        }
        return true;
    default:
        return false;
    }
}

} // namespace vantrel
