// The application object. Handlers catch their own exceptions at the handler boundary
// (Toolkit.h); notify() is only the last net for one that slipped through, so that Qt's
// own frames are never unwound by an exception.
#pragma once

#include <QApplication>

namespace ws {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace ws
