#include "controls/QtUserMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringDecoder>

namespace vantrel {

QString UserMessageText(std::string_view s) {
    // The program's texts are UTF-8 ("0.44°", "Köln"); a text that is not
    // (a station name of 8-bit characters from an old data file) is read
    // as Latin-1, so no byte is lost to a replacement mark.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString t = utf8(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    if (utf8.hasError()) {
        t = QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
    }
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

int QtUserMessages::Show(int icon, std::string_view title, std::string_view text, bool question) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), UserMessageText(title),
                    UserMessageText(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    anchor_ ? anchor_->window() : nullptr);
    const std::optional<QPoint> at = next_ ? next_ : offset_;
    next_.reset();
    if (anchor_ && at) {
        box.adjustSize();
        box.move(anchor_->window()->frameGeometry().topLeft() + *at);
    }
    return box.exec();
}

void QtUserMessages::Warning(std::string_view title, std::string_view text) {
    Show(QMessageBox::Warning, title, text, false);
}

void QtUserMessages::Information(std::string_view title, std::string_view text) {
    Show(QMessageBox::Information, title, text, false);
}

void QtUserMessages::Error(std::string_view text) {
    const QString app = QApplication::applicationName();
    Show(QMessageBox::Critical, app.isEmpty() ? std::string_view("Error") : "Vantrel", text, false);
}

bool QtUserMessages::Question(std::string_view title, std::string_view text) {
    // The program's questions ("Do you wish to exit now ?") are information
    // boxes with Yes and No.
    return Show(QMessageBox::Information, title, text, true) == QMessageBox::Yes;
}

} // namespace vantrel
