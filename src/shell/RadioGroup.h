// A titled group of radio items with an item index (-1 when none is selected), as the main
// window's sound-type and horn-type displays use it.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

namespace ws {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    void setItemIndex(int index); // -1 (or any index out of range) clears the selection
    int itemCount() const;
    QString itemCaption(int index) const;

private:
    QButtonGroup buttons_;
};

} // namespace ws
