#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace tesk {

// A captioned group of radio buttons chosen by index, where -1 means no
// choice: an index above the last choice shows the last one, a negative
// index shows none.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton* button(int index) const;
    // A control that belongs to one choice, placed on its line after it.
    void setBesideWidget(int index, QWidget* widget);
    int count() const { return int(m_buttons.size()); }

Q_SIGNALS:
    // Any change of the choice, by the user or by the program.
    void itemIndexChanged(int index);

private:
    QButtonGroup* m_group;
    QGridLayout* m_layout;
    QList<QRadioButton*> m_buttons;
};

} // namespace tesk
