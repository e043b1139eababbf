// The Device menu: one radio item per output device of the mixer's list, the system
// default first, and the choice of the device that the next Play opens; and telling the
// user when the open device goes away.
#include "MainWindow.h"
#include "Toolkit.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>

namespace ws {

void MainWindow::buildDeviceMenu() {
    const int count = Mixer1.deviceCount();
    for (int i = 0; i < count; ++i) {
        QAction* item = Device1->addAction(QString::fromStdString(Mixer1.deviceName(i)));
        item->setObjectName(QStringLiteral("DeviceItem%1").arg(i));
        item->setData(i); // the tag
        item->setCheckable(true);
        deviceItems_->addAction(item);
        connect(item, &QAction::triggered, this,
                handler(this, [this, item] { Device1Click(item); }));
    }
    // With no device at all there is no item to check.
    if (count > 0)
        Device1->actions().front()->setChecked(true);
    else
        StatusBar1->setText(QStringLiteral("No sound output device was found."));
}

void MainWindow::refreshDeviceMenu() {
    const QList<QAction*> items = Device1->actions();
    bool same = items.size() == Mixer1.deviceCount();
    for (int i = 0; same && i < items.size(); ++i)
        same = items[i]->text() == QString::fromStdString(Mixer1.deviceName(i));
    if (same)
        return;
    // The old items may be the sender of the handler now running (a Play from a menu
    // handler opens the device): they go once it has returned.
    for (QAction* item : items) {
        Device1->removeAction(item);
        deviceItems_->removeAction(item);
        item->deleteLater();
    }
    buildDeviceMenu();
    const QList<QAction*> rebuilt = Device1->actions();
    const int chosen = Mixer1.DeviceIndex();
    if (chosen >= 0 && chosen < rebuilt.size())
        rebuilt[chosen]->setChecked(true);
}

void MainWindow::deviceChanged() {
    if (Mixer1.deviceOpen() && !Mixer1.deviceLost())
        deviceLossTold_ = false;
    refreshDeviceMenu();
}

void MainWindow::watchDeviceLoss() {
    // A channel finds the loss on its refill thread as often as on this one.
    for (MixerChannel* channel : {Channel1.get(), Channel2.get()})
        channel->setOnBufferLost([this](MixerChannel&) {
            QMetaObject::invokeMethod(this, [this] { deviceLost(); }, Qt::QueuedConnection);
        });
}

void MainWindow::deviceLost() {
    if (deviceLossTold_ || closed_)
        return;
    deviceLossTold_ = true;
    const int index = Mixer1.DeviceIndex();
    const QString name = index >= 0 && index < Mixer1.deviceCount()
                             ? QString::fromStdString(Mixer1.deviceName(index))
                             : QString();
    // Not under a handler that is waiting on the sound (the diesel's stop sound).
    afterHandlers(this, [this, name] {
        showError(this, QStringLiteral("The sound output device was lost (%1). Choose a device "
                                       "in the Device menu, or press Start again once it is "
                                       "back.")
                            .arg(name));
    });
}

void MainWindow::Device1Click(QAction* item) {
    Mixer1.selectDevice(item->data().toInt());
    Mixer1.closeDevice();
    item->setChecked(true);
}

} // namespace ws
