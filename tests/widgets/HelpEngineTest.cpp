// The help engine library and the compiled help file as the program uses
// them: loaded by name, asked through the help dispatcher. The engine reads a
// help file off the calling thread: its window comes when the file has been
// read, so the tests wait for it.

#include "help/ApplicationHelp.h"
#include "help/engine/Sitemap.h"

#include "tests/RecordingMessages.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>

#include <fstream>
#include <sstream>

namespace vantrel {

class HelpEngineTest : public QObject {
    Q_OBJECT

    /// Longest wait for a help file to be read, ms: far more than it takes.
    static constexpr int kReadingMs = 15000;

    QTemporaryDir work_;
    QString startDir_;
    QWidget mainWindow_;

    static QWidget* HelpWindow() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("VantrelHelpWindow")) {
                return w;
            }
        }
        return nullptr;
    }
    /// The help window once it has come.
    static QWidget* WaitForHelpWindow() {
        static_cast<void>(QTest::qWaitFor([] { return HelpWindow() != nullptr; }, kReadingMs));
        return HelpWindow();
    }
    static QTextBrowser* Topic(QWidget* window) {
        return window->findChild<QTextBrowser*>(QStringLiteral("topic"));
    }
    static QString TopicPath(QWidget* window) { return Topic(window)->source().path(); }
    std::string HelpFilePath() const { return (work_.path() + "/Vantrel.chm").toStdString(); }
    /// Saves a picture of the window when VANTREL_SCREENSHOT_DIR names a folder.
    static void Screenshot(QWidget* window, const char* name) {
        if (const QByteArray dir = qgetenv("VANTREL_SCREENSHOT_DIR"); !dir.isEmpty()) {
            QTest::qWait(200);
            window->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
        }
    }
    static std::string Lines(const std::vector<std::string>& said) {
        std::string s;
        for (const auto& line : said) {
            s += line + "\n";
        }
        return s;
    }

    /// The contents as the help project's sitemap gives them.
    static std::vector<SitemapEntry> ProjectContents() {
        std::ifstream in(VANTREL_HELP_SOURCES "/Vantrel.hhc");
        std::stringstream text;
        text << in.rdbuf();
        return ParseSitemap(text.str());
    }

    static void Compare(QTreeWidgetItem* parent, QTreeWidget* tree,
                        const std::vector<SitemapEntry>& entries) {
        const int count = parent != nullptr ? parent->childCount() : tree->topLevelItemCount();
        QCOMPARE(count, static_cast<int>(entries.size()));
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem* item = parent != nullptr ? parent->child(i) : tree->topLevelItem(i);
            QCOMPARE(item->text(0).toStdString(), entries[static_cast<std::size_t>(i)].Name);
            Compare(item, tree, entries[static_cast<std::size_t>(i)].Children);
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(work_.isValid());
        QVERIFY(QFile::copy(QStringLiteral(VANTREL_HELP_FILE), work_.path() + "/Vantrel.chm"));
        startDir_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work_.path()));
        mainWindow_.setWindowTitle(QStringLiteral("Main window"));
        mainWindow_.resize(400, 300);
        mainWindow_.show();
    }
    void cleanupTestCase() { QDir::setCurrent(startDir_); }

    void contentsOfTheBuiltHelpFile() {
        RecordingMessages messages;
        ApplicationHelp help(messages);
        QVERIFY(help.Viewer() != nullptr);
        QVERIFY(help.Viewer()->EngineLoaded());
        QVERIFY(help.ShowContents(&mainWindow_));
        // The request returns before the file is read: the window comes later.
        QVERIFY(HelpWindow() == nullptr);
        QWidget* window = WaitForHelpWindow();
        QVERIFY(window != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY2(messages.said.empty(), Lines(messages.said).c_str());

        auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("contents"));
        QVERIFY(tree != nullptr);
        Compare(nullptr, tree, ProjectContents());
        QVERIFY(tree->isVisible()); // the contents tab is the one shown

        QCOMPARE(TopicPath(window), QStringLiteral("/index.htm"));
        QCOMPARE(Topic(window)->documentTitle(), QStringLiteral("Welcome to Vantrel"));
        QVERIFY(Topic(window)->toPlainText().contains(QStringLiteral("Getting started")));
        QVERIFY(window->windowTitle().contains(QStringLiteral("Vantrel Help")));
        // Closing the main window ends the program even with help open.
        QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose));

        Screenshot(window, "help-contents.png");
    }

    void topicPicturesAndHistory() {
        RecordingMessages messages;
        ApplicationHelp help(messages);
        QVERIFY(help.ShowContents(&mainWindow_));
        QWidget* window = WaitForHelpWindow();
        QVERIFY(window != nullptr);

        // With the window open, requests are carried out at once.
        QVERIFY(help.Dispatcher()->ShowTopic("sources", HelpFilePath()));
        QCOMPARE(TopicPath(window), QStringLiteral("/sources.htm"));
        QCOMPARE(Topic(window)->documentTitle(), QStringLiteral("Noise sources and the catalogue"));
        QVERIFY(Topic(window)->toPlainText().contains(QStringLiteral("Cassiopeia-A")));
        auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("contents"));
        QVERIFY(tree->currentItem() != nullptr);
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("Noise sources and the catalogue"));

        // A page with a picture: the picture comes out of the help file.
        QVERIFY(help.Dispatcher()->ShowTopic("displaymodes.htm", HelpFilePath()));
        const QVariant picture = Topic(window)->loadResource(
            QTextDocument::ImageResource, QUrl(QStringLiteral("images/azel.png")));
        const QImage image = QImage::fromData(picture.toByteArray());
        QVERIFY(!image.isNull());
        QVERIFY(image.width() > 100);
        Screenshot(window, "help-picture.png");
        QVERIFY(help.Dispatcher()->ShowTopic("sources", HelpFilePath()));
        Screenshot(window, "help-sources.png");
        QVERIFY(help.Dispatcher()->ShowTopic("displaymodes", HelpFilePath()));

        // Back and forward through what was shown.
        auto* back = window->findChild<QAction*>(QStringLiteral("back"));
        auto* forward = window->findChild<QAction*>(QStringLiteral("forward"));
        QVERIFY(back != nullptr && forward != nullptr);
        QVERIFY(back->isEnabled());
        QVERIFY(!forward->isEnabled());
        back->trigger();
        QCOMPARE(TopicPath(window), QStringLiteral("/sources.htm"));
        QVERIFY(forward->isEnabled());
        forward->trigger();
        QCOMPARE(TopicPath(window), QStringLiteral("/displaymodes.htm"));

        // A link inside the file is followed in the window.
        emit Topic(window)->anchorClicked(QUrl(QStringLiteral("sunmoon.htm")));
        QCOMPARE(TopicPath(window), QStringLiteral("/sunmoon.htm"));

        // A topic that the file does not have: said, and the window stays.
        QVERIFY(help.Dispatcher()->ShowTopic("orbits", HelpFilePath()));
        QCOMPARE(messages.said, std::vector<std::string>{"Warning|Warning|Help topic not found: "
                                                         "/orbits.htm"});
        QCOMPARE(TopicPath(window), QStringLiteral("/sunmoon.htm"));
    }

    void keywordAndContext() {
        RecordingMessages messages;
        ApplicationHelp help(messages);
        QVERIFY(help.ShowKeyword(&mainWindow_, "moon"));
        QWidget* window = WaitForHelpWindow();
        QVERIFY(window != nullptr);
        auto* tabs = window->findChild<QTabWidget*>();
        auto* keyword = window->findChild<QLineEdit*>(QStringLiteral("indexKeyword"));
        auto* index = window->findChild<QListWidget*>(QStringLiteral("index"));
        QVERIFY(tabs != nullptr && keyword != nullptr && index != nullptr);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(keyword->text(), QStringLiteral("moon"));
        QVERIFY(index->currentItem() != nullptr);
        QCOMPARE(index->currentItem()->text().trimmed(), QStringLiteral("Moon"));
        QCOMPARE(TopicPath(window), QStringLiteral("/sunmoon.htm"));
        Screenshot(window, "help-index.png");

        // Typing in the keyword field moves to the first keyword it starts.
        keyword->clear();
        QTest::keyClicks(keyword, QStringLiteral("grid l"));
        QCOMPARE(index->currentItem()->text().trimmed(), QStringLiteral("grid locator"));
        QTest::keyClick(keyword, Qt::Key_Return);
        QCOMPARE(TopicPath(window), QStringLiteral("/locator.htm"));

        // A context number of the main window's help map.
        QVERIFY(help.Dispatcher()->HelpCommand(HelpDispatcher::kHelpContext, 1030));
        QCOMPARE(TopicPath(window), QStringLiteral("/printing.htm"));
        QVERIFY(messages.said.empty());
    }

    void missingHelpFileIsSaid() {
        QTemporaryDir empty;
        QVERIFY(QDir::setCurrent(empty.path()));
        RecordingMessages messages;
        {
            ApplicationHelp help(messages);
            QVERIFY(help.ShowContents(&mainWindow_));
        }
        QVERIFY(QDir::setCurrent(work_.path()));
        const std::string expected = "Warning|Warning|Help file not found: " +
                                     QDir(empty.path()).absolutePath().toStdString() +
                                     "/Vantrel.chm";
        QCOMPARE(messages.said, std::vector<std::string>{expected});
        QVERIFY(HelpWindow() == nullptr);
    }

    void missingEngineIsSaid() {
        RecordingMessages messages;
        ApplicationHelp help(messages, nullptr, "libVantrelNoSuchHelp.so");
        QVERIFY(!help.Viewer()->EngineLoaded());
        QVERIFY(help.ShowContents(&mainWindow_));
        QCOMPARE(messages.said,
                 std::vector<std::string>{"Warning|Warning|Help is not available: the help viewer "
                                          "could not be loaded."});
        QVERIFY(HelpWindow() == nullptr);
    }

    void windowsCloseWithQuitAndWithTheEngine() {
        RecordingMessages messages;
        ApplicationHelp help(messages);
        QVERIFY(help.ShowContents(&mainWindow_));
        QPointer<QWidget> first = WaitForHelpWindow();
        QVERIFY(first != nullptr);
        QVERIFY(help.Dispatcher()->HelpCommand(HelpDispatcher::kHelpQuit, 0));
        QVERIFY(first == nullptr);

        QVERIFY(help.ShowContents(&mainWindow_));
        QPointer<QWidget> second = WaitForHelpWindow();
        QVERIFY(second != nullptr);
        help.Release(); // unloads the engine with its window open
        QVERIFY(second == nullptr);
        QVERIFY(HelpWindow() == nullptr);
        QVERIFY(messages.said.empty());
    }

    void closingOrUnloadingWhileTheFileIsRead() {
        RecordingMessages messages;
        {
            ApplicationHelp help(messages);
            QVERIFY(help.ShowContents(&mainWindow_));
            QVERIFY(help.Dispatcher()->HelpCommand(HelpDispatcher::kHelpQuit, 0));
            QTest::qWait(500);
            QVERIFY(HelpWindow() == nullptr); // the reading was given up

            QVERIFY(help.ShowContents(&mainWindow_));
            QVERIFY(WaitForHelpWindow() != nullptr); // and the engine still reads
            QVERIFY(help.Dispatcher()->HelpCommand(HelpDispatcher::kHelpQuit, 0));

            QVERIFY(help.ShowKeyword(&mainWindow_, "Sun"));
            help.Release(); // unloads the engine while it reads
        }
        QTest::qWait(500);
        QVERIFY(HelpWindow() == nullptr);
        QVERIFY2(messages.said.empty(), Lines(messages.said).c_str());
    }

    void damagedHelpFileIsSaid_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("said");
        // The help file as built on 2026-12-09: the offsets below are its own.
        QFile built(QStringLiteral(VANTREL_CRASH_BASE_CHM));
        QVERIFY(built.open(QIODevice::ReadOnly));
        const QByteArray original = built.readAll();
        QVERIFY(original.size() > 0x22af);
        const auto flipped = [&](int offset, int bit) {
            QByteArray bytes = original;
            bytes[offset] = static_cast<char>(bytes[offset] ^ (1 << bit));
            return bytes;
        };
        const QString damaged = QStringLiteral("The help file is damaged: ");
        // Bits on which chmlib overflows the heap, follows a bad pointer and
        // divides by zero.
        QTest::newRow("heap overflow") << flipped(0x22af, 0) << damaged;
        QTest::newRow("bad pointer") << flipped(0x223a, 2) << damaged;
        QTest::newRow("division by zero") << flipped(0x41b, 2) << damaged;
        QTest::newRow("empty") << QByteArray() << damaged;
        QTest::newRow("text") << QByteArray("not a help file") << damaged;
        QTest::newRow("header only") << original.left(0x60) << damaged;
    }

    void damagedHelpFileIsSaid() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        QTemporaryDir folder;
        QFile file(folder.path() + "/Vantrel.chm");
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        QVERIFY(QDir::setCurrent(folder.path()));
        RecordingMessages messages;
        {
            ApplicationHelp help(messages);
            QVERIFY(help.ShowContents(&mainWindow_));
            static_cast<void>(QTest::qWaitFor([&] { return !messages.said.empty(); }, kReadingMs));
        }
        QVERIFY(QDir::setCurrent(work_.path()));
        const std::string expected = "Warning|Warning|" + said.toStdString() +
                                     QDir(folder.path()).absolutePath().toStdString() +
                                     "/Vantrel.chm";
        QCOMPARE(messages.said, std::vector<std::string>{expected});
        QVERIFY(HelpWindow() == nullptr);
    }
};

} // namespace vantrel

QTEST_MAIN(vantrel::HelpEngineTest)
#include "HelpEngineTest.moc"
