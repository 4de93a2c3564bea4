#include "controls/QtUserMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace vantrel {

namespace {

QString Text(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

int QtUserMessages::Show(int icon, std::string_view title, std::string_view text, bool question) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), Text(title), Text(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    anchor_ ? anchor_->window() : nullptr);
    if (anchor_ && offset_) {
        box.adjustSize();
        box.move(anchor_->window()->frameGeometry().topLeft() + *offset_);
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
    return Show(QMessageBox::Question, title, text, true) == QMessageBox::Yes;
}

} // namespace vantrel
