// The real main window for a whole-chain test: its settings in a scratch folder, and every
// modal box collected instead of shown, for the test to check that none came.
#pragma once

#include "QtPath.h"
#include "TestSupport.h"
#include "shell/MainWindow.h"
#include "shell/Toolkit.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QStringList>

#include <memory>

namespace ws::test {

struct ServerWindow {
    explicit ServerWindow(const TempDir& dir, const QStringList& arguments = {}) {
        setMessageResponder([this](const QString& text, bool) {
            boxes << text;
            return true;
        });
        StartOptions options;
        options.settingsFile = qpath(dir / "whistlestop.ini");
        // Every simulator version answered: the Open-With installer stays away.
        QFile settings(options.settingsFile);
        if (!settings.exists() && settings.open(QIODevice::WriteOnly))
            settings.write("[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=NotFound\r\n"
                           "TS12dir=NotFound\r\n");
        settings.close();
        options.arguments = arguments;
        window = std::make_unique<MainWindow>(options);
    }
    ~ServerWindow() {
        window.reset();
        setMessageResponder(nullptr);
    }
    ServerWindow(const ServerWindow&) = delete;
    ServerWindow& operator=(const ServerWindow&) = delete;

    QMenu* deviceMenu() const { return window->findChild<QMenu*>("Device1"); }
    QAction* deviceItem(const QString& description) const {
        for (QAction* a : deviceMenu()->actions())
            if (a->text() == description)
                return a;
        return nullptr;
    }

    QStringList boxes;
    std::unique_ptr<MainWindow> window;
};

} // namespace ws::test
