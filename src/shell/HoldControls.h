// Press-and-hold controls: a button whose handlers run when it is pressed with any mouse
// button and when it is released, and a key that does the same while the window is active.
// A key held down is one hold however the window system repeats it: X11 repeats a held key
// as release-and-press pairs, which Qt marks as repeats only when it sees both at once (not
// always under load), so a key's release takes effect only when no press of that key
// follows within RepeatGapMs. A hold by mouse and key at once is one hold: it begins with
// the first and ends with the last. A hold whose release cannot arrive (the window loses
// the focus while the key or button is down) ends once the running handlers have returned,
// so nothing sounds on after the user has let go; one still down when the window closes is
// dropped without its release, since the close stops every sound itself.
//
// Threads: the user-interface thread only.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QPushButton;
class QTimer;
class QWidget;

namespace ws {

class HoldControls : public QObject {
public:
    // Keys are taken while `window` is the active window and no modal box is open.
    explicit HoldControls(QWidget* window);

    void add(QPushButton* button, int key, std::function<void()> press,
             std::function<void()> release);

    // Forgets every hold without running its release: for the window's close, after which
    // a release would play into channels that are gone.
    void dropAll();

    // Longer than the delivery of a repeat's press behind its release on a busy machine,
    // short beside the release's own fade.
    static constexpr int RepeatGapMs = 100;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Hold {
        QPushButton* button;
        int key;
        std::function<void()> press;
        std::function<void()> release;
        QTimer* keyUp = nullptr; // runs a key's release unless a press comes first
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
