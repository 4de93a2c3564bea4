#pragma once

#include "controls/GridCells.h"

#include <QStringList>
#include <QWidget>

namespace vantrel {

/// A strip of soft-edged tabs on top, used as a row of commands: a click on
/// a tab selects it and reports its index; the owner may then clear the
/// selection (index −1) so that the same tab can be chosen again.
///
/// The keyboard reaches it too: Tab gives it the focus, the arrow keys (and
/// Home, End) move a focus frame from tab to tab, and Enter or Space
/// chooses the framed tab as a click would.
class TabStrip final : public QWidget {
    Q_OBJECT

public:
    explicit TabStrip(const QStringList& tabs, QWidget* parent = nullptr);

    /// Design widths of the tabs, in proportion to which the strip's width
    /// is shared; empty (the default) gives every tab the same width.
    void SetTabWidths(const QList<int>& widths);

    int TabIndex() const { return index_; }
    void SetTabIndex(int index);
    /// Rectangle of tab i, for tests that click it.
    QRect TabRect(int i) const;

    Colour SelectedColour = 0x00F0CAA6;
    Colour TabColour = 0x00DDECEE;
    Colour StripColour = 0xFF00000B; // inactive border

signals:
    /// A tab was chosen (`TabSet2Click`); `TabIndex()` is its index.
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose(int index);

    QStringList tabs_;
    QList<int> widths_;
    int index_ = -1;
    int keyed_ = 0; ///< the tab the keyboard's focus frame stands on
};

} // namespace vantrel
