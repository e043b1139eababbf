// Answers the modal file dialogs the program opens, as a user would.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <functional>

namespace ws::test {

// Answers the next modal file dialog with `act`.
inline void answerFileDialog(std::function<void(QFileDialog&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start();
}

} // namespace ws::test
