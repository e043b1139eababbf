// Press-and-hold controls: a button whose handlers run when it is pressed with any mouse
// button and when it is released, and a key that does the same while the window is active
// (auto-repeat ignored). A hold by mouse and key at once is one hold: it begins with the
// first and ends with the last. A hold whose release cannot arrive (the window loses the
// focus while the key or button is down) ends once the running handlers have returned, so
// nothing sounds on after the user has let go.
//
// Threads: the user-interface thread only.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QPushButton;
class QWidget;

namespace ws {

class HoldControls : public QObject {
public:
    // Keys are taken while `window` is the active window and no modal box is open.
    explicit HoldControls(QWidget* window);

    void add(QPushButton* button, int key, std::function<void()> press,
             std::function<void()> release);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Hold {
        QPushButton* button;
        int key;
        std::function<void()> press;
        std::function<void()> release;
        bool byMouse = false;
        bool byKey = false;
    };
    bool keyEvent(QObject* watched, QEvent* event);
    // Records that `source` went down or up, running press or release when the hold as a
    // whole begins or ends.
    void down(Hold& hold, bool Hold::*source);
    void up(Hold& hold, bool Hold::*source);
    void releaseAll();

    QWidget* window_;
    std::vector<std::unique_ptr<Hold>> holds_;
};

} // namespace ws
