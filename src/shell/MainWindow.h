// The main window: its layout, start-up (settings, recent folder, device menu, channels,
// command line), close, and the handlers of the File and Device menus. The sound logic plays
// through this window: it reaches the controls, timers and channels as its view, and the
// window forwards the events of Start, Stop, the throttle, the volume and the timers to it.
#pragma once

#include "audio/Mixer.h"
#include "audio/MixerChannel.h"
#include "sim/EngineSound.h"
#include "sim/EngineState.h"
#include "sim/EngineView.h"

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

class AboutBox;
class Gauge;
class HoldControls;
class RadioGroup;
class RecordingControl;
class Settings;
class Timer;
class TrackBar;

struct StartOptions {
    QString settingsFile;  // where the settings live (see locateSettingsFile)
    QStringList arguments; // the command-line arguments, without the program name
};

class MainWindow : public QMainWindow, public EngineView {
    Q_OBJECT
public:
    explicit MainWindow(const StartOptions& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Window geometry of the layout: the outer size on a classic desktop, and the room its
    // frame, caption and menu take there.
    static constexpr int LayoutWidth = 515;
    static constexpr int LayoutHeight = 327;
    static constexpr int WideWidth = 852; // shows Memo1 while the installer runs

    const EngineState& engine() const { return sound_.state(); }
    EngineSound& sound() { return sound_; }
    const QString& settingsFileName() const { return settingsFile_; }
    Mixer& mixer() { return Mixer1; }
    // The two channels; null before start-up and after close.
    MixerChannel* mixerChannel1() const { return Channel1.get(); }
    MixerChannel* mixerChannel2() const { return Channel2.get(); }
    QString statusText() const;

    // Handlers (names as the layout binds them).
    void FormCreate();
    void FormClose();
    void Exit1Click();
    void Open1Click();
    void Open2Click();
    void Device1Click(QAction* item);

    void Openwavfile1Click();
    void Timer5Timer();
    // The Open-With installer (OpenWith.cpp).
    void SetOpenWith();
    void OpenWith1Click();
    void RemoveOpenWiths1Click();
    void Help2Click();
    // File > Check asset folder (AssetCheckMenu.cpp).
    void CheckAssetFolderClick();
    void About1Click();

    // Classifies the asset folder and arranges the controls for its sound type.
    void soundSelect() override;
    // Shows and enables the controls the selected sound type uses; with none selected,
    // leaves them as they are.
    void arrangeControls();
    // Shows the asset folder's name in LAsset when a sound type is selected.
    void assetFolderLabel();

signals:
    // The window has closed for good: FormClose has run.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Folders and wave files dropped on the window (Dropping.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the sound logic asks of the window (MainWindowEngineView.cpp).
    void setLabel1(const QString& text) override;
    void setLabel2(const QString& text) override;
    void setLabel3(const QString& text) override;
    void setFader1(int progress) override;
    void setFader2(int progress) override;
    void showProgressBar1(bool visible) override;
    void setProgressBar1(int maximum, int position) override;
    void setStatusText(const QString& text) override;
    void appendMemo1(const QString& line) override;
    int throttlePosition() const override;
    void setThrottlePosition(int position) override;
    void setThrottleMin(int value) override;
    void setThrottleMax(int value) override;
    void setThrottleFrequency(int ticks) override;
    bool throttleFocusable() const override;
    void focusThrottle() override;
    void setThrottleCaption(const QString& text) override;
    int volumePosition() const override;
    void setVolumePosition(int position) override;
    int soundTypeIndex() const override;
    int hornTypeIndex() const override;
    void processMessages() override;
    void sleep(int ms) override;
    EngineTimer& timer(int number) override;
    SoundChannel& channel1() override;
    SoundChannel& channel2() override;

    // Binds Start, Stop, the throttle, the volume and the sound timers to the sound logic.
    void bindSoundHandlers();
    void buildLayout();
    void buildMenus();
    void buildDeviceMenu();
    // Builds the Device menu again when the device list has changed since it was built
    // (the sound system lists its devices again when it opens the default one).
    void refreshDeviceMenu();
    // The device was opened or released: the menu follows, and a device opened again may be
    // lost again, which is then told again.
    void deviceChanged();
    // Has the channels tell the window when the output device goes away, which tells the
    // user once per loss.
    void watchDeviceLoss();
    void deviceLost();
    void handleArgument(const QString& argument);
    // A wave file to play on its own at the next Start: the throttle and the horn and bell
    // buttons go, Start and Stop stay.
    void enterSingleFileMode(const QString& path);
    // The folder chosen in File > Open's browser, or dropped: classified, remembered as the
    // recent folder and shown.
    void openAssetFolder(const QString& folder);
    void setClientWidth(int outerWidth);
    // TS2009Folder, TS2010Folder or TS12Folder, in the order of simulatorVersions().
    QString& simulatorFolder(std::size_t version);
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
    QAction* CheckAssetFolder1 = nullptr;
    QAction* RecordToWav1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Device1 = nullptr;
    QActionGroup* deviceItems_ = nullptr;
    QMenu* Setup1 = nullptr;
    QAction* OpenWith1 = nullptr;
    QAction* RemoveOpenWiths1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* About1 = nullptr;
    HoldControls* holds_ = nullptr;         // the Horn and Bell buttons and their keys
    AboutBox* AboutBox1 = nullptr;          // made hidden at start, shown by Help > About
    RecordingControl* recording_ = nullptr; // File > Record to WAV
    bool deviceLossTold_ = false;           // the loss of the open device has been told

    Mixer Mixer1;
    std::unique_ptr<MixerChannel> Channel1;
    std::unique_ptr<MixerChannel> Channel2;

    StartOptions options_;
    QString settingsFile_;
    std::unique_ptr<Settings> Settings_;
    QString TS2009Folder;
    QString TS2010Folder;
    QString TS12Folder;
    EngineSound sound_{*this}; // holds the engine state; plays on Channel1 and Channel2
    bool closed_ = false;
    bool closePending_ = false; // a close request waits for the running handlers to return
};

} // namespace ws
