#include "sysreg/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QGridLayout>

namespace tesk {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent)
    , m_group(new QButtonGroup(this))
    , m_layout(new QGridLayout(this))
{
    m_layout->setContentsMargins(8, 2, 8, 4);
    m_layout->setVerticalSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        m_group->addButton(b, i);
        m_buttons << b;
        m_layout->addWidget(b, i, 0, 1, 2);
    }
    m_layout->setRowStretch(int(items.size()), 1);
    m_layout->setColumnStretch(1, 1);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            Q_EMIT itemIndexChanged(itemIndex());
    });
}

int RadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (m_buttons.isEmpty())
        return;
    if (index < 0) {
        if (itemIndex() < 0)
            return;
        // An exclusive group never lets its last button go by itself.
        m_group->setExclusive(false);
        for (QRadioButton* b : m_buttons)
            b->setChecked(false);
        m_group->setExclusive(true);
        Q_EMIT itemIndexChanged(-1);
        return;
    }
    m_buttons[std::min(index, int(m_buttons.size()) - 1)]->setChecked(true);
}

void RadioGroup::setBesideWidget(int index, QWidget* widget)
{
    // The other choices keep the whole width for their captions.
    if (QRadioButton* b = button(index)) {
        m_layout->removeWidget(b);
        m_layout->addWidget(b, index, 0);
    }
    m_layout->addWidget(widget, index, 1);
}

QRadioButton* RadioGroup::button(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

} // namespace tesk
