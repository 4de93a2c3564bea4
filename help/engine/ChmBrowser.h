#pragma once

#include "help/engine/ChmHelpFile.h"

#include <QTextBrowser>
#include <QUrl>

namespace vantrel {

/// Scheme of the topic addresses inside a help window: "chm:/planning.htm".
inline constexpr const char* kChmScheme = "chm";

/// The address of a topic path ("/sources.htm#catalogue").
QUrl ChmUrl(const std::string& topic);
/// The topic path of an address; empty for other schemes.
std::string ChmTopic(const QUrl& url);

/// The topic pane: a text browser whose pages, style sheets and pictures
/// come from the help file. Links inside the file are followed here and go
/// into the back and forward history; links to the web and mail addresses
/// are handed to the desktop.
class ChmBrowser final : public QTextBrowser {
    Q_OBJECT

public:
    ChmBrowser(const ChmHelpFile& file, QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    void FollowLink(const QUrl& link);

    const ChmHelpFile& file_;
};

} // namespace vantrel
