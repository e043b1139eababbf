// Radio group with an item index; see RadioGroup.h.
#include "RadioGroup.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ws {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 2, 4, 2);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_.addButton(button, i);
        layout->addWidget(button);
    }
}

int RadioGroup::ItemIndex() const {
    return buttons_.checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (QAbstractButton* b = buttons_.button(index)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last checked button by itself.
    buttons_.setExclusive(false);
    for (QAbstractButton* b : buttons_.buttons())
        b->setChecked(false);
    buttons_.setExclusive(true);
}

int RadioGroup::itemCount() const {
    return static_cast<int>(buttons_.buttons().size());
}

QString RadioGroup::itemCaption(int index) const {
    QAbstractButton* b = buttons_.button(index);
    return b ? b->text() : QString();
}

} // namespace ws
