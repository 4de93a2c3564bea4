#include "controls/QtUserMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace vantrel {

namespace {

/// Texts break their lines with CR, CR LF or LF; the box shows each as a line.
QString Text(std::string_view s) {
    QString t = QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

} // namespace

int QtUserMessages::Show(int icon, std::string_view title, std::string_view text, bool question) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), Text(title), Text(text),
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
