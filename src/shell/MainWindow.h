// The main window: its layout, start-up (settings, recent folder, device menu, channels,
// command line), close, and the handlers of the File and Device menus. The sound logic's
// handlers are methods of this window too and share its engine state.
#pragma once

#include "audio/Mixer.h"
#include "audio/MixerChannel.h"
#include "sim/EngineState.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace ws {

class Gauge;
class RadioGroup;
class Settings;
class Timer;
class TrackBar;

struct StartOptions {
    QString settingsFile;  // where the settings live (see locateSettingsFile)
    QStringList arguments; // the command-line arguments, without the program name
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const StartOptions& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Window geometry of the layout: the outer size on a classic desktop, and the room its
    // frame, caption and menu take there.
    static constexpr int LayoutWidth = 515;
    static constexpr int LayoutHeight = 327;
    static constexpr int WideWidth = 852; // shows Memo1 while the installer runs

    const EngineState& engine() const { return engine_; }
    const QString& settingsFileName() const { return settingsFile_; }
    Mixer& mixer() { return Mixer1; }
    MixerChannel* channel1() const { return Channel1.get(); }
    MixerChannel* channel2() const { return Channel2.get(); }
    QString statusText() const;

    // Handlers (names as the layout binds them).
    void FormCreate();
    void FormClose();
    void Exit1Click();
    void Open1Click();
    void Open2Click();
    void Device1Click(QAction* item);
    void BtStopClick();

    // Classifies the asset folder and arranges the controls for its sound type.
    void soundSelect();
    // Shows the asset folder's name in LAsset when a sound type is selected.
    void assetFolderLabel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildMenus();
    void buildDeviceMenu();
    // Builds the Device menu again when the device list has changed since it was built
    // (the sound system lists its devices again when it opens the default one).
    void refreshDeviceMenu();
    void handleArgument(const QString& argument);
    void setClientWidth(int outerWidth);
    void saveConfig();

    // Controls, named as in the layout.
    QLabel* LAsset = nullptr;
    RadioGroup* SoundType = nullptr;
    RadioGroup* HornType = nullptr;
    QPushButton* BtStart = nullptr;
    QPushButton* BtStop = nullptr;
    QPushButton* btBell = nullptr;
    QPushButton* BtHorn = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* LThrottle = nullptr;
    TrackBar* Throttle1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* LFader = nullptr;
    Gauge* Fader1 = nullptr;
    Gauge* Fader2 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* LVolume = nullptr;
    QLabel* Label1 = nullptr;
    TrackBar* Volume1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* StatusBar1 = nullptr;
    Timer* Timer1 = nullptr;
    Timer* Timer2 = nullptr;
    Timer* Timer3 = nullptr;
    Timer* Timer4 = nullptr;
    Timer* Timer5 = nullptr;

    QMenu* File1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Open2 = nullptr;
    QAction* Openwavfile1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Device1 = nullptr;
    QActionGroup* deviceItems_ = nullptr;
    QMenu* Setup1 = nullptr;
    QAction* OpenWith1 = nullptr;
    QAction* RemoveOpenWiths1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* About1 = nullptr;

    Mixer Mixer1;
    std::unique_ptr<MixerChannel> Channel1;
    std::unique_ptr<MixerChannel> Channel2;

    StartOptions options_;
    QString settingsFile_;
    std::unique_ptr<Settings> Settings_;
    QString TS2009Folder;
    QString TS2010Folder;
    QString TS12Folder;
    EngineState engine_;
    bool closed_ = false;
    bool closePending_ = false; // a close request waits for the running handlers to return
};

} // namespace ws
