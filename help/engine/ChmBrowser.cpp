#include "help/engine/ChmBrowser.h"

#include <QDesktopServices>
#include <QTextDocument>

namespace vantrel {

QUrl ChmUrl(const std::string& topic) {
    const std::string path = ChmHelpFile::NormaliseTopic(topic);
    const auto hash = path.find('#');
    QUrl url;
    url.setScheme(QString::fromLatin1(kChmScheme));
    url.setPath(QString::fromStdString(path.substr(0, hash)));
    if (hash != std::string::npos) {
        url.setFragment(QString::fromStdString(path.substr(hash + 1)));
    }
    return url;
}

std::string ChmTopic(const QUrl& url) {
    if (url.scheme() != QLatin1String(kChmScheme)) {
        return {};
    }
    std::string topic = url.path().toStdString();
    if (url.hasFragment()) {
        topic += "#" + url.fragment().toStdString();
    }
    return topic;
}

ChmBrowser::ChmBrowser(const ChmHelpFile& file, QWidget* parent)
    : QTextBrowser(parent), file_(file) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &ChmBrowser::FollowLink);
}

void ChmBrowser::FollowLink(const QUrl& link) {
    const QUrl target = source().resolved(link);
    if (target.scheme() == QLatin1String(kChmScheme)) {
        setSource(target);
    } else {
        QDesktopServices::openUrl(target);
    }
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (url.scheme() != QLatin1String(kChmScheme)) {
        return {};
    }
    const std::optional<std::string> data = file_.Read(url.path().toStdString());
    if (!data) {
        if (type == QTextDocument::HtmlResource) {
            return tr("<html><body><h2>Page not found</h2><p>The help file has no page "
                      "<tt>%1</tt>.</p></body></html>")
                .arg(url.path().toHtmlEscaped());
        }
        return {};
    }
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource) {
        return QString::fromUtf8(data->data(), static_cast<qsizetype>(data->size()));
    }
    return QByteArray(data->data(), static_cast<qsizetype>(data->size()));
}

} // namespace vantrel
