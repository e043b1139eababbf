// A long, seeded run of what users do with the real window: Start and Stop, throttle moves
// and arrow keys, the horn and the bell held for any length by mouse or key, folders and
// wave files dropped on the window (every demo set, a broken set, an empty folder, a folder
// removed while loaded), device switches and the about box, then close. Watchdogs: every
// action returns within the longest wait the program is meant to make plus a second, no
// modal box stays open, no error is an internal one, and the settings file is whole
// afterwards. WS_RANDOM_USE_SEED and WS_RANDOM_USE_SECONDS change the run (120 s by
// default); a failure names the seed and the step.
#include "ShownWindowTest.h"

#include "shell/Settings.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

using namespace ws;
using namespace ws::test;
namespace fs = std::filesystem;

namespace {

// The longest wait an action is meant to make: the demo diesel's stop sound (2 s), a
// horn's release (its step timer, 1 s, plus a second). A handler may take a second more.
// Sanitizer builds run several times slower, so they get more room.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr qint64 ActionBoundMs = 2000 + 1000 + 4000;
#else
constexpr qint64 ActionBoundMs = 2000 + 1000;
#endif

long envNumber(const char* name, long fallback) {
    const QByteArray v = qgetenv(name);
    bool ok = false;
    const long n = v.toLong(&ok);
    return ok ? n : fallback;
}

void sendKey(QEvent::Type type, Qt::Key key) {
    QWidget* target =
        QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    if (!target)
        return;
    // Keys beyond the character range (the arrows) carry no text.
    const QString text = key < 0x10000 ? QString(QChar(key)).toLower() : QString();
    QKeyEvent event(type, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &event);
}

void drop(MainWindow& window, const fs::path& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(qpath(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return;
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropped);
}

class RandomUseTest : public ShownWindowTest {
protected:
    void makeFolders() {
        for (const char* set :
             {"Diesel", "Electric", "Steam1", "Steam2", "Horn1", "Horn2", "Horn3", "HornBell"})
            folders_.push_back(demoDir() / set);
        // A diesel whose loops are not audio, whose stop sound is cut short, and an empty
        // folder.
        const fs::path broken = dir / "Broken Diesel";
        fs::copy(demoDir() / "Diesel", broken);
        std::ofstream(broken / "idle 2.wav") << "RIFF....WAVEfmt nothing else";
        fs::resize_file(broken / "stop.wav", 100);
        folders_.push_back(broken);
        fs::create_directories(dir / "Empty");
        folders_.push_back(dir / "Empty");
        vanishing_ = dir / "Vanishing";
        folders_.push_back(vanishing_);
        waves_ = {demoDir() / "Diesel" / "idle 1.wav", demoDir() / "Horn3" / "horn" / "loop.wav",
                  broken / "stop.wav"};
    }

    // Runs one action and checks the watchdogs after it.
    void act(const std::string& what, const std::function<void()>& action) {
        step_ = what;
        QElapsedTimer clock;
        clock.start();
        action();
        const qint64 took = clock.elapsed();
        EXPECT_LT(took, ActionBoundMs) << where() << " took " << took << " ms";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << where() << " left a box open";
        ++actions_;
    }

    std::string where() const {
        return "seed " + std::to_string(seed_) + ", action " + std::to_string(actions_) + " (" +
               step_ + ")";
    }

    // A control a user can reach: shown and enabled.
    QPushButton* usable(const char* name) {
        auto* b = window->findChild<QPushButton*>(name);
        return b && b->isVisible() && b->isEnabled() ? b : nullptr;
    }

    void randomAction(std::mt19937& rng) {
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        auto hold = [&] { QTest::qWait(std::uniform_int_distribution<int>(0, 2500)(rng)); };
        switch (pick(17)) {
        case 0:
        case 1:
            if (auto* b = usable("BtStart"))
                act("Start", [&] { QTest::mouseClick(b, Qt::LeftButton); });
            break;
        case 2:
            if (auto* b = usable("BtStop"))
                act("Stop", [&] { QTest::mouseClick(b, Qt::LeftButton); });
            break;
        case 3:
        case 14: {
            auto* t = window->findChild<TrackBar*>("Throttle1");
            if (t && t->isVisible() && t->isEnabled()) {
                const int to = t->Min() + pick(t->Max() - t->Min() + 1);
                act("throttle to " + std::to_string(to), [&] { t->setPosition(to); });
            }
            break;
        }
        case 4:
        case 15: {
            const Qt::Key key = pick(2) ? Qt::Key_Up : Qt::Key_Down;
            act(key == Qt::Key_Up ? "Up" : "Down", [&] {
                sendKey(QEvent::KeyPress, key);
                sendKey(QEvent::KeyRelease, key);
            });
            break;
        }
        case 5:
        case 6:
        case 16: {
            const char* name = pick(2) ? "BtHorn" : "btBell";
            if (auto* b = usable(name)) {
                const Qt::MouseButton button = pick(2) ? Qt::LeftButton : Qt::RightButton;
                act(std::string(name) + " down", [&] { QTest::mousePress(b, button); });
                hold();
                act(std::string(name) + " up", [&] { QTest::mouseRelease(b, button); });
            }
            break;
        }
        case 7: {
            const Qt::Key key = pick(2) ? Qt::Key_H : Qt::Key_B;
            act("key down", [&] { sendKey(QEvent::KeyPress, key); });
            hold();
            act("key up", [&] { sendKey(QEvent::KeyRelease, key); });
            break;
        }
        case 8:
        case 9: {
            const fs::path folder = folders_[std::size_t(pick(int(folders_.size())))];
            if (folder == vanishing_)
                fs::copy(demoDir() / "Diesel", vanishing_,
                         fs::copy_options::overwrite_existing | fs::copy_options::recursive);
            act("drop " + folder.filename().string(), [&] { drop(*window, folder); });
            break;
        }
        case 10:
            act("remove the vanishing folder", [&] { fs::remove_all(vanishing_); });
            break;
        case 11: {
            const fs::path wave = waves_[std::size_t(pick(int(waves_.size())))];
            act("drop " + wave.filename().string(), [&] { drop(*window, wave); });
            break;
        }
        case 12: {
            const QString item = QStringLiteral("DeviceItem%1").arg(pick(2));
            if (auto* a = window->findChild<QAction*>(item))
                act(item.toStdString(), [&] { a->trigger(); });
            break;
        }
        case 13: {
            const int closeAfter = pick(500);
            act("About", [&] {
                QTimer::singleShot(closeAfter, [] {
                    if (QWidget* box = QApplication::activeModalWidget())
                        box->close();
                });
                window->findChild<QAction*>("About1")->trigger();
            });
            break;
        }
        }
        QTest::qWait(pick(300));
    }

    std::vector<fs::path> folders_;
    std::vector<fs::path> waves_;
    fs::path vanishing_;
    long seed_ = 0;
    long actions_ = 0;
    std::string step_;
};

TEST_F(RandomUseTest, AnyOrderOfWhatUsersDoNeverHangsCrashesOrLosesTheSettings) {
    seed_ = envNumber("WS_RANDOM_USE_SEED", 20261208);
    const long seconds = envNumber("WS_RANDOM_USE_SECONDS", 120);
    makeFolders();
    startShown("Diesel");
    Listener listener(*window);
    std::mt19937 rng(static_cast<unsigned>(seed_));
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < seconds * 1000 && !HasFatalFailure())
        randomAction(rng);
    RecordProperty("seed", std::to_string(seed_));
    RecordProperty("actions", std::to_string(actions_));

    if (qEnvironmentVariableIsSet("WS_RANDOM_USE_TRACE"))
        for (const QString& e : errors + messages)
            std::cout << "box: " << e.toStdString() << "\n";
    for (const QString& e : errors) {
        EXPECT_FALSE(e.contains(".cpp, line")) << "an internal check failed: " << e.toStdString();
        EXPECT_FALSE(e.trimmed().isEmpty());
    }
    act("close", [&] { window->close(); });
    EXPECT_FALSE(window->isVisible());

    // The settings: every simulator answer kept, the folder one the run opened (or none),
    // and every line a section, a key with its value, or blank.
    const Settings settings(settingsFile());
    for (const char* key : {"TS2009dir", "TS2010dir", "TS12dir"})
        EXPECT_EQ(settings.readString("OpenWith", key, "?"), "NotFound") << key;
    const QString folder = settings.readString("MRU", "current_dir", "?");
    bool known = folder == "NotFound";
    for (const fs::path& f : folders_)
        known = known || folder == qpath(f) + "/";
    EXPECT_TRUE(known) << folder.toStdString();
    for (const QByteArray& line : readSettings().split('\n')) {
        const QByteArray l = line.trimmed();
        EXPECT_TRUE(l.isEmpty() || (l.startsWith('[') && l.endsWith(']')) || l.contains('='))
            << l.toStdString();
    }
    std::cout << "random use: seed " << seed_ << ", " << actions_ << " actions in "
              << run.elapsed() / 1000 << " s, " << errors.size() << " error boxes, "
              << messages.size() << " message boxes\n";
}

} // namespace
