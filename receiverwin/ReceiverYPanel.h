#pragma once

#include "receiverwin/LiveYFactor.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace vantrel {

/// What the Y panel is told besides its blocks.
struct YPanelContext {
    QString Target;        ///< the source the Measure window takes a Y for; empty: none
    bool CanHand = false;  ///< a Y can be handed to the Measure window at all
    bool SameSetup = true; ///< the reference was taken with the running settings
    QString Unit;          ///< "dBFS", "dBm", "dB": of the reference
    bool Live = true;      ///< the input delivers (else the figures are greyed)
};

/// The Receiver window's Y-factor panel: the reference, the live Y with its
/// σ and how σ was had, the off-on-off sequence with its prompts, Use this
/// Y, and a warning when the antenna was off the source. The Y itself is
/// the Qt-free `LiveYFactor`'s; the panel shows it and runs the sequence's
/// steps, while the window answers Reference and Use this Y (it marks the
/// power log and hands the Y on).
class ReceiverYPanel final : public QWidget {
    Q_OBJECT

public:
    explicit ReceiverYPanel(const QFont& large, QWidget* parent = nullptr);

    LiveYFactor& Core() { return core_; }
    const LiveYFactor& Core() const { return core_; }

    /// Shows the reference, the Y and what may be pressed.
    void Show(const YPanelContext& context);
    /// The Y that Use this Y hands on now; none when it is not fit.
    std::optional<YEstimate> UsableY() const;
    /// The warning of a Y whose on blocks were taken off the source; empty
    /// when they were on it (or it is not known).
    QString OffSourceWarning() const;

    QPushButton* ReferenceButton = nullptr;
    QLabel* ReferenceText = nullptr;
    QLabel* LiveYText = nullptr;           ///< Y ± σ dB, large
    QLabel* MethodText = nullptr;          ///< how σ was had, the three estimates, the blocks
    QPushButton* SequenceButton = nullptr; ///< "Off-on-off", then "Off taken", "On taken"
    QPushButton* CancelButton = nullptr;
    QLabel* Prompt = nullptr; ///< what to do in the sequence
    QPushButton* UseYButton = nullptr;
    QLabel* YNote = nullptr;     ///< where the Y goes, or why it is not fit for G/T
    QLabel* OffSource = nullptr; ///< the antenna was off the source

private:
    void SequenceClick();
    LiveYFactor core_;
    YPanelContext context_;
};

} // namespace vantrel
