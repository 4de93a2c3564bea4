#pragma once

#include "station/UserMessages.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace vantrel {

/// A message's text as a box shows it: UTF-8, or Latin-1 when the bytes are
/// not valid UTF-8 (8-bit names from old files); lines broken with CR, CR
/// LF or LF each shown as a line.
QString UserMessageText(std::string_view text);

/// Message boxes with one OK button, placed with their top-left corner at a
/// given offset from the top-left corner of a window (the main window or the
/// home station window); centred on it when no offset is given.
class QtUserMessages final : public UserMessages {
public:
    explicit QtUserMessages(QWidget* anchor = nullptr) : anchor_(anchor) {}
    void SetAnchor(QWidget* anchor) { anchor_ = anchor; }
    /// Offset of the next boxes from the anchor's top-left; null to centre.
    void SetOffset(std::optional<QPoint> offset) { offset_ = offset; }

    void Warning(std::string_view title, std::string_view text) override;
    void Information(std::string_view title, std::string_view text) override;
    void Error(std::string_view text) override;
    bool Question(std::string_view title, std::string_view text) override;
    /// The next box only, at this offset from the anchor window.
    void PlaceNext(int dx, int dy) override { next_ = QPoint(dx, dy); }

private:
    int Show(int icon, std::string_view title, std::string_view text, bool question);

    QPointer<QWidget> anchor_;
    std::optional<QPoint> offset_;
    std::optional<QPoint> next_;
};

} // namespace vantrel
