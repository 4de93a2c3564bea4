#pragma once

#include "controls/GridCells.h"

#include <QButtonGroup>
#include <QFrame>
#include <QList>
#include <QRadioButton>
#include <QStringList>

namespace vantrel {

/// A framed group of radio items with a caption. Its reaction (`Click`)
/// runs only when the selection really changes, whether the user chose the
/// item or the program set `SetItemIndex`; choosing the item that is
/// already selected runs nothing. Index −1 means no item is selected.
/// The items are laid out in columns inside the frame whatever its size.
class RadioGroup final : public QFrame {
    Q_OBJECT

public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr,
               int columns = 1);

    int ItemIndex() const { return index_; }
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(buttons_.size()); }
    QRadioButton* Item(int i) const { return buttons_.value(i); }
    void SetBackground(Colour c);
    const QString& Caption() const { return caption_; }

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Layout();
    void Chosen(int index);

    QString caption_;
    QList<QRadioButton*> buttons_;
    QButtonGroup group_;
    Colour background_ = colour::kButtonFace;
    int columns_;
    int index_ = -1;
};

} // namespace vantrel
