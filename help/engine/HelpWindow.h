#pragma once

#include "help/engine/ChmBrowser.h"
#include "help/engine/ChmHelpFile.h"

#include <QMainWindow>

#include <map>
#include <string>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QAction;

namespace vantrel {

/// The window that shows one help file: on the left the table of contents
/// and the index (a keyword field above the list of keywords), on the right
/// the topic, with Back, Forward and Home (the default topic) in the tool
/// bar. The window owns its help file.
///
/// Object names, for tests and style sheets: "VantrelHelpWindow",
/// "contents", "index", "indexKeyword", "topic", "back", "forward", "home".
class HelpWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit HelpWindow(ChmHelpFile file, QWidget* parent = nullptr);

    const ChmHelpFile& File() const { return file_; }

    /// The contents tab; the default topic when nothing is shown yet.
    void ShowContents();
    /// Shows a topic path ("/planning.htm", "sources.htm#catalogue"); false
    /// when the file has no such page.
    bool ShowTopic(const std::string& topic);
    /// The index tab with `keyword` in the keyword field; the best matching
    /// keyword is selected and its first topic shown. False when no keyword
    /// matches.
    bool ShowIndex(const std::string& keyword);

    /// The topic path shown ("/planning.htm"), empty before the first.
    std::string CurrentTopic() const;

private:
    void FillContents();
    void FillIndex();
    void AddContents(QTreeWidgetItem* parent, const std::vector<SitemapEntry>& entries);
    void ContentsActivated(QTreeWidgetItem* item);
    void IndexActivated(int row);
    void KeywordEdited(const QString& text);
    void TopicChanged(const QUrl& url);

    ChmHelpFile file_;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QLineEdit* keyword_ = nullptr;
    QListWidget* index_ = nullptr;
    ChmBrowser* browser_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    std::map<std::string, QTreeWidgetItem*> contentsByTopic_;
};

} // namespace vantrel
