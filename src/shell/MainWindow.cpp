// Start-up, close and the File and Device menu handlers of the main window.
#include "MainWindow.h"

#include "AboutBox.h"
#include "HoldControls.h"
#include "PathText.h"
#include "RadioGroup.h"
#include "RecordingControl.h"
#include "ScreenPlacement.h"
#include "Settings.h"
#include "Toolkit.h"
#include "WinePaths.h"
#include "widgets/Gauge.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

// The resources live in a static library, whose initialiser the linker may drop.
static void initResources() {
    Q_INIT_RESOURCE(whistlestop);
}

namespace ws {

namespace {
bool isFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}
} // namespace

MainWindow::MainWindow(const StartOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options), settingsFile_(options.settingsFile) {
    setObjectName("Form1");
    Mixer1.setBitsPerSample(BitsPerSample::bs16Bit);
    Mixer1.setStereo(true);
    Mixer1.setFrequency(44100);
    Mixer1.setLevel(CooperativeLevel::lPriority);
    Mixer1.setSpeakerConfig(4);
    initResources();
    buildLayout();
    AboutBox1 = new AboutBox(this);
    recording_ = new RecordingControl(this, Mixer1, RecordToWav1, statusBar(),
                                      [this](const QString& text) { setStatusText(text); });
    setAcceptDrops(true);
    bindSoundHandlers();
    runHandler(this, [this] { FormCreate(); });
    Mixer1.setOnDeviceChanged([this](Mixer&) { deviceChanged(); });
}

MainWindow::~MainWindow() {
    Mixer1.setOnDeviceChanged(nullptr);
    recording_->stop();
    // Channels must go before the mixer they play on, also when the window never closed.
    Channel1.reset();
    Channel2.reset();
}

QString MainWindow::statusText() const {
    return StatusBar1->text();
}

void MainWindow::FormCreate() {
    // 1. Settings.
    Settings_ = std::make_unique<Settings>(settingsFile_);
    const RememberedSettings remembered = loadSettings(*Settings_);
    TS2009Folder = remembered.ts2009Folder;
    TS2010Folder = remembered.ts2010Folder;
    TS12Folder = remembered.ts12Folder;
    sound_.state().AssetFolder = remembered.assetFolder;
    move(remembered.position);
    move(reachablePosition(frameGeometry(), screenAreas()));

    // 2. Recent-folder entry.
    if (isFolder(sound_.state().AssetFolder))
        Open2->setText(QStringLiteral("  ") +
                       lastName(stripTrailingDelimiter(sound_.state().AssetFolder)));
    else
        sound_.state().AssetFolder.clear();

    // 3. Device menu.
    buildDeviceMenu();

    // 4. Engine state.
    EngineState& engine = sound_.state();
    engine.SingleFileMode = false;
    engine.Gain1 = 1.0f;
    engine.Gain2 = 1.0f;
    engine.LastThrottle = Throttle1->Position();
    engine.Playing = false;

    // 5. The two channels.
    Channel1 = std::make_unique<MixerChannel>(Mixer1);
    Channel2 = std::make_unique<MixerChannel>(Mixer1);
    watchDeviceLoss();

    // 6. No sound type shows as chosen.
    SoundType->setItemIndex(-1);

    // 7. First-run trigger of the Open-With installer.
    if (TS2009Folder.isEmpty() || TS2010Folder.isEmpty() || TS12Folder.isEmpty())
        Timer5->setEnabled(true);

    // 8. Command line: exactly one argument is used.
    if (options_.arguments.size() == 1)
        handleArgument(options_.arguments.front());

    // 9.
    assetFolderLabel();
}

void MainWindow::handleArgument(const QString& argument) {
    // The content manager under Wine names the asset folder by its Windows path.
    const QString path = nativeFromDrivePath(argument);
    const QFileInfo info(path);
    // Only a regular file: reading a pipe or a device named like a wave file would block.
    if (info.isFile() && lowerExtension(path) == QStringLiteral(".wav")) {
        enterSingleFileMode(path);
        Timer5->setEnabled(true); // only for its hint
    } else if (info.isDir()) {
        // The folder is remembered absolute, so the next start finds it from any working
        // directory, and with one trailing separator however it was typed.
        QString folder = QDir::toNativeSeparators(info.absoluteFilePath());
        if (folder.isEmpty() || !isPathSeparator(folder.back()))
            folder += folderSeparator();
        sound_.state().AssetFolder = toFolderSeparators(folder);
        soundSelect();
    } else {
        showMessage(this, QStringLiteral("Parameter file or folder does not exist") + QChar(u'\r') +
                              argument);
    }
}

void MainWindow::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    // A horn or bell still held is let go by the window's deactivation, which comes after
    // the channels have gone.
    holds_->dropAll();
    // The sound timers' handlers use the channels.
    sound_.endRun();
    Channel1.reset();
    Channel2.reset();
    // After the channels, so the recording ends with their last fades.
    recording_->stop();
    saveConfig();
}

void MainWindow::saveConfig() {
    if (!Settings_)
        return;
    RememberedSettings values;
    values.ts2009Folder = TS2009Folder;
    values.ts2010Folder = TS2010Folder;
    values.ts12Folder = TS12Folder;
    values.assetFolder = sound_.state().AssetFolder;
    values.position = pos();
    saveSettings(*Settings_, values);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (handlerRunning()) {
        // A request that comes while a handler processes messages or shows a box (the
        // close button, a signal, Exit inside a handler) would free the channels under the
        // handler, which goes on with them once it resumes. It is kept until the outermost
        // handler has returned.
        event->ignore();
        if (!closePending_) {
            closePending_ = true;
            afterHandlers(this, [this] {
                closePending_ = false;
                close();
            });
        }
        return;
    }
    // The window closes whatever happens; a settings file that cannot be written is
    // reported by the handler boundary.
    runHandler(this, [this] { FormClose(); });
    event->accept();
    emit closed();
}

void MainWindow::Exit1Click() {
    close();
}

void MainWindow::assetFolderLabel() {
    if (SoundType->ItemIndex() < 0)
        return;
    LAsset->setText(QStringLiteral("Asset Folder: ") +
                    lastName(stripTrailingDelimiter(sound_.state().AssetFolder)));
}

} // namespace ws
