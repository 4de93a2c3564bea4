#include "help/engine/HelpWindow.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kTopicRole = Qt::UserRole;
constexpr int kIndexRowRole = Qt::UserRole + 1;
constexpr int kIndentPerDepth = 4; // blanks before a sub-keyword

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

HelpWindow::HelpWindow(ChmHelpFile file, QWidget* parent)
    : QMainWindow(parent), file_(std::move(file)) {
    setObjectName(QStringLiteral("VantrelHelpWindow"));
    setWindowTitle(file_.Title().empty() ? tr("Help") : Text(file_.Title()));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // An open help window does not keep the program running once its main
    // window has closed; the windows go with the application.
    setAttribute(Qt::WA_QuitOnClose, false);

    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"));
    back_->setObjectName(QStringLiteral("back"));
    back_->setShortcut(QKeySequence::Back);
    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Forward"));
    forward_->setObjectName(QStringLiteral("forward"));
    forward_->setShortcut(QKeySequence::Forward);
    QAction* home = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("Home"));
    home->setObjectName(QStringLiteral("home"));

    auto* splitter = new QSplitter(this);
    tabs_ = new QTabWidget(splitter);
    contents_ = new QTreeWidget(tabs_);
    contents_->setObjectName(QStringLiteral("contents"));
    contents_->setHeaderHidden(true);
    contents_->setColumnCount(1);
    contents_->header()->setStretchLastSection(true);
    tabs_->addTab(contents_, tr("Contents"));

    auto* indexPage = new QWidget(tabs_);
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    keyword_ = new QLineEdit(indexPage);
    keyword_->setObjectName(QStringLiteral("indexKeyword"));
    keyword_->setPlaceholderText(tr("Type the keyword to find"));
    keyword_->setClearButtonEnabled(true);
    index_ = new QListWidget(indexPage);
    index_->setObjectName(QStringLiteral("index"));
    indexLayout->addWidget(keyword_);
    indexLayout->addWidget(index_);
    tabs_->addTab(indexPage, tr("Index"));

    browser_ = new ChmBrowser(file_, splitter);
    browser_->setObjectName(QStringLiteral("topic"));
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({290, 630});
    setCentralWidget(splitter);
    resize(920, 640);

    FillContents();
    FillIndex();

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, [this] { ShowTopic(file_.DefaultTopic()); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::TopicChanged);
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { ContentsActivated(item); });
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ContentsActivated(item); });
    connect(index_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { IndexActivated(index_->row(item)); });
    connect(index_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { IndexActivated(index_->row(item)); });
    connect(keyword_, &QLineEdit::textEdited, this, &HelpWindow::KeywordEdited);
    connect(keyword_, &QLineEdit::returnPressed, this,
            [this] { IndexActivated(index_->currentRow()); });
}

void HelpWindow::AddContents(QTreeWidgetItem* parent, const std::vector<SitemapEntry>& entries) {
    for (const SitemapEntry& e : entries) {
        auto* item =
            parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
        item->setText(0, Text(e.Name));
        const bool book = !e.Children.empty();
        item->setIcon(0, style()->standardIcon(book ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
        if (!e.Locals.empty()) {
            item->setData(0, kTopicRole, Text(e.Locals.front()));
            const std::string& local = e.Locals.front();
            contentsByTopic_.emplace(local.substr(0, local.find('#')), item);
        }
        AddContents(item, e.Children);
    }
}

void HelpWindow::FillContents() {
    AddContents(nullptr, file_.Contents());
    contents_->expandToDepth(0);
}

void HelpWindow::FillIndex() {
    const auto& keywords = file_.Index();
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        const IndexKeyword& k = keywords[i];
        auto* item = new QListWidgetItem(
            QString(static_cast<qsizetype>(k.Depth) * kIndentPerDepth, QLatin1Char(' ')) +
                Text(k.Name),
            index_);
        item->setData(kIndexRowRole, static_cast<int>(i));
    }
}

void HelpWindow::ShowContents() {
    tabs_->setCurrentIndex(0);
    if (browser_->source().isEmpty()) {
        ShowTopic(file_.DefaultTopic());
    }
}

bool HelpWindow::ShowTopic(const std::string& topic) {
    if (!file_.HasTopic(topic)) {
        return false;
    }
    const QUrl url = ChmUrl(topic);
    if (url != browser_->source()) {
        browser_->setSource(url);
    }
    return true;
}

bool HelpWindow::ShowIndex(const std::string& keyword) {
    tabs_->setCurrentIndex(1);
    keyword_->setText(Text(keyword));
    const int found = file_.FindKeyword(keyword);
    if (found < 0) {
        return false;
    }
    index_->setCurrentRow(found);
    index_->scrollToItem(index_->item(found), QAbstractItemView::PositionAtTop);
    IndexActivated(found);
    return true;
}

std::string HelpWindow::CurrentTopic() const {
    const std::string topic = ChmTopic(browser_->source());
    return topic.substr(0, topic.find('#'));
}

void HelpWindow::ContentsActivated(QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    const QString topic = item->data(0, kTopicRole).toString();
    if (!topic.isEmpty()) {
        ShowTopic(topic.toStdString());
    } else {
        item->setExpanded(!item->isExpanded());
    }
}

void HelpWindow::IndexActivated(int row) {
    if (row < 0 || row >= static_cast<int>(file_.Index().size())) {
        return;
    }
    const IndexKeyword& k = file_.Index()[static_cast<std::size_t>(row)];
    if (!k.Topics.empty()) {
        ShowTopic(k.Topics.front());
    }
}

void HelpWindow::KeywordEdited(const QString& text) {
    const int found = file_.FindKeyword(text.toStdString());
    if (found >= 0) {
        index_->setCurrentRow(found);
        index_->scrollToItem(index_->item(found), QAbstractItemView::PositionAtTop);
    }
}

void HelpWindow::TopicChanged(const QUrl& url) {
    std::string topic = ChmTopic(url);
    topic = topic.substr(0, topic.find('#'));
    const auto it = contentsByTopic_.find(topic);
    if (it != contentsByTopic_.end()) {
        contents_->setCurrentItem(it->second);
    }
    const QString title = browser_->documentTitle();
    const QString project = file_.Title().empty() ? tr("Help") : Text(file_.Title());
    setWindowTitle(title.isEmpty() ? project : title + QStringLiteral(" - ") + project);
}

} // namespace vantrel
