// Start-up, close and the File and Device menu handlers of the main window.
#include "MainWindow.h"

#include "PathText.h"
#include "RadioGroup.h"
#include "Settings.h"
#include "Toolkit.h"
#include "widgets/Gauge.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace ws {

namespace {
const QString OpenWithSection = QStringLiteral("OpenWith");
const QString MruSection = QStringLiteral("MRU");
const QString PositionSection = QStringLiteral("Position");
const QString ProgramSection = QStringLiteral("Program");
const QString ProgramVersion = QStringLiteral("1.03");
const QString NotFound = QStringLiteral("NotFound");

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
    buildLayout();
    runHandler(this, [this] { FormCreate(); });
}

MainWindow::~MainWindow() {
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
    TS2009Folder = Settings_->readString(OpenWithSection, QStringLiteral("TS2009dir"), QString());
    TS2010Folder = Settings_->readString(OpenWithSection, QStringLiteral("TS2010dir"), QString());
    TS12Folder = Settings_->readString(OpenWithSection, QStringLiteral("TS12dir"), QString());
    engine_.AssetFolder =
        Settings_->readString(MruSection, QStringLiteral("current_dir"), NotFound);
    const int left = Settings_->readInteger(PositionSection, QStringLiteral("Left"), 200);
    const int top = Settings_->readInteger(PositionSection, QStringLiteral("Top"), 150);
    move(left, top);

    // 2. Recent-folder entry.
    if (isFolder(engine_.AssetFolder))
        Open2->setText(QStringLiteral("  ") +
                       lastName(stripTrailingDelimiter(engine_.AssetFolder)));
    else
        engine_.AssetFolder.clear();

    // 3. Device menu.
    buildDeviceMenu();

    // 4. Engine state.
    engine_.SingleFileMode = false;
    engine_.Gain1 = 1.0f;
    engine_.Gain2 = 1.0f;
    engine_.LastThrottle = Throttle1->Position();
    engine_.Playing = false;

    // 5. The two channels.
    Channel1 = std::make_unique<MixerChannel>(Mixer1);
    Channel2 = std::make_unique<MixerChannel>(Mixer1);

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
    const QFileInfo info(argument);
    if (info.exists() && !info.isDir() && lowerExtension(argument) == QStringLiteral(".wav")) {
        BtHorn->hide();
        btBell->hide();
        BtStart->show();
        BtStop->show();
        Throttle1->setEnabled(false);
        engine_.SingleFilePath = info.absoluteFilePath();
        engine_.SingleFileMode = true;
        Timer5->setEnabled(true);
    } else if (info.isDir()) {
        // The folder is remembered absolute, so the next start finds it from any working
        // directory, and with one trailing separator however it was typed.
        QString folder = QDir::toNativeSeparators(info.absoluteFilePath());
        if (folder.isEmpty() || !isPathSeparator(folder.back()))
            folder += folderSeparator();
        engine_.AssetFolder = toFolderSeparators(folder);
        soundSelect();
    } else {
        showMessage(this, QStringLiteral("Parameter file or folder does not exist") + QChar(u'\r') +
                              argument);
    }
}

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

void MainWindow::Device1Click(QAction* item) {
    Mixer1.selectDevice(item->data().toInt());
    Mixer1.closeDevice();
    item->setChecked(true);
}

void MainWindow::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    Channel1.reset();
    Channel2.reset();
    saveConfig();
}

void MainWindow::saveConfig() {
    if (!Settings_)
        return;
    Settings_->writeString(OpenWithSection, QStringLiteral("TS2009dir"), TS2009Folder);
    Settings_->writeString(OpenWithSection, QStringLiteral("TS2010dir"), TS2010Folder);
    Settings_->writeString(OpenWithSection, QStringLiteral("TS12dir"), TS12Folder);
    // A folder whose name holds a line break cannot be stored in a line of the file; it is
    // not remembered rather than breaking the file.
    const QString& folder = engine_.AssetFolder;
    const bool storable = !folder.contains(u'\r') && !folder.contains(u'\n');
    Settings_->writeString(MruSection, QStringLiteral("current_dir"),
                           storable ? folder : QString());
    Settings_->writeInteger(PositionSection, QStringLiteral("Left"), pos().x());
    Settings_->writeInteger(PositionSection, QStringLiteral("Top"), pos().y());
    Settings_->writeString(ProgramSection, QStringLiteral("Version"), ProgramVersion);
    Settings_->updateFile();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The window closes whatever happens; a settings file that cannot be written is
    // reported by the handler boundary.
    runHandler(this, [this] { FormClose(); });
    event->accept();
}

void MainWindow::Exit1Click() {
    close();
}

void MainWindow::assetFolderLabel() {
    if (SoundType->ItemIndex() < 0)
        return;
    LAsset->setText(QStringLiteral("Asset Folder: ") +
                    lastName(stripTrailingDelimiter(engine_.AssetFolder)));
}

void MainWindow::BtStopClick() {
    if (!engine_.Playing)
        return;
}

} // namespace ws
