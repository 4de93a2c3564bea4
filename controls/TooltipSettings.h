#pragma once

#include "controls/GridCells.h"

#include <QObject>

namespace vantrel {

/// How the application's tooltips behave.
struct TooltipBehaviour {
    int VisibleMs = 2000; ///< how long a tooltip stays; 0 shows none
    int DelayMs = 250;    ///< how long the mouse rests before one appears
    Colour Background = colour::kYellow;

    bool operator==(const TooltipBehaviour&) const = default;
};

/// The behaviour of the "On Screen Hints" choice: 0 "8 seconds", 1 "4
/// seconds", 2 "2 seconds", 3 "Disable". Any other index keeps `current`.
TooltipBehaviour HintOptionBehaviour(int index, TooltipBehaviour current);

/// The application-wide tooltip settings. Qt has no such settings of its
/// own, so this object filters every tooltip request of the application and
/// shows the tooltip itself, with the delay through the style, the visible
/// time per tooltip, a yellow (or black) background and the tooltip font,
/// black bold Arial 10 pt. One object per application.
class ApplicationTooltips final : public QObject {
    Q_OBJECT

public:
    /// Installs itself on the running QApplication with the start-up
    /// behaviour (2000 ms visible, 250 ms delay, yellow).
    explicit ApplicationTooltips(QObject* parent = nullptr);
    ~ApplicationTooltips() override;

    /// The object installed on the application, or null.
    static ApplicationTooltips* Instance();

    void Apply(const TooltipBehaviour& behaviour);
    /// Apply hint option: the table of `HintOptionBehaviour`, then the
    /// tooltip font again.
    void ApplyHintOption(int index);
    const TooltipBehaviour& Behaviour() const { return behaviour_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TooltipBehaviour behaviour_;
};

} // namespace vantrel
