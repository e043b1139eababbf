// The main window's controls and menus, placed in client pixels as the layout gives them.
#include "MainWindow.h"

#include "RadioGroup.h"
#include "Toolkit.h"
#include "widgets/Gauge.h"

#include <QActionGroup>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace ws {

namespace {
// The classic desktop's frame and caption around the client area; the menu bar is part of
// the client here.
constexpr int FrameWidth = 16;
constexpr int FrameHeight = 16 + 23;
constexpr int MenuHeight = 19;
constexpr int StatusHeight = 19;

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect bounds,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(bounds);
    l->setAlignment(align);
    return l;
}

QFrame* panel(QWidget* parent, const char* name, QRect bounds) {
    auto* p = new QFrame(parent);
    p->setObjectName(name);
    p->setFrameStyle(QFrame::Panel | QFrame::Raised);
    p->setLineWidth(2);
    p->setGeometry(bounds);
    return p;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect bounds) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(bounds);
    QFont font = b->font();
    font.setBold(true);
    font.setPixelSize(13);
    b->setFont(font);
    return b;
}

Timer* makeTimer(QObject* parent, const char* name, int interval) {
    auto* t = new Timer(parent);
    t->setObjectName(name);
    t->setInterval(interval);
    return t;
}
} // namespace

void MainWindow::buildLayout() {
    setWindowTitle(QStringLiteral("Whistlestop  a tester for Trainz sound assets."));
    setWindowIcon(QIcon(QStringLiteral(":/whistlestop.svg")));
    QFont base = font();
    base.setPixelSize(11);
    setFont(base);

    auto* client = new QWidget(this);
    client->setObjectName("Client");
    setCentralWidget(client);

    LAsset = label(client, "LAsset", QStringLiteral("Asset Folder:"), {120, 4, 353, 13});

    SoundType = new RadioGroup(QStringLiteral("Sound Type"),
                               {QStringLiteral("Electric"), QStringLiteral("Diesel"),
                                QStringLiteral("Steam 1"), QStringLiteral("Steam 2"),
                                QStringLiteral("Horn")},
                               client);
    SoundType->setObjectName("SoundType");
    SoundType->setGeometry(32, 24, 97, 121);
    SoundType->setEnabled(false);

    HornType = new RadioGroup(
        QStringLiteral("HornType"),
        {QStringLiteral("1 Part"), QStringLiteral("2 Part"), QStringLiteral("3 Part")}, client);
    HornType->setObjectName("HornType");
    HornType->setGeometry(32, 152, 97, 73);
    HornType->setEnabled(false);

    BtStart = button(client, "BtStart", QStringLiteral("Start"), {152, 40, 89, 33});
    BtStop = button(client, "BtStop", QStringLiteral("Stop"), {152, 88, 89, 33});
    btBell = button(client, "btBell", QStringLiteral("Bell"), {152, 136, 89, 25});
    BtHorn = button(client, "BtHorn", QStringLiteral("Horn"), {152, 168, 89, 41});
    // Enter presses the focused button, as Space does.
    BtStart->setAutoDefault(true);
    BtStop->setAutoDefault(true);

    Label2 = label(client, "Label2", QString(), {240, 216, 137, 13}, Qt::AlignCenter);
    Label3 = label(client, "Label3", QString(), {272, 232, 73, 13}, Qt::AlignCenter);

    Panel2 = panel(client, "Panel2", {272, 24, 73, 185});
    LThrottle =
        label(Panel2, "LThrottle", QStringLiteral("Throttle"), {4, 6, 65, 13}, Qt::AlignCenter);
    Throttle1 = new TrackBar(Panel2);
    Throttle1->setObjectName("Throttle1");
    Throttle1->setGeometry(16, 24, 49, 145);
    Throttle1->setMin(1);
    Throttle1->setMax(8);
    Throttle1->setPosition(8);
    Throttle1->setFrequency(1);
    ProgressBar1 = new QProgressBar(Panel2);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(5, 170, 62, 9);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    Panel3 = panel(client, "Panel3", {368, 24, 41, 185});
    LFader = label(Panel3, "LFader", QStringLiteral("Fader"), {2, 6, 37, 13}, Qt::AlignCenter);
    Fader1 = new Gauge(Panel3);
    Fader2 = new Gauge(Panel3);
    int left = 8;
    for (Gauge* fader : {Fader1, Fader2}) {
        fader->setObjectName(fader == Fader1 ? "Fader1" : "Fader2");
        fader->setGeometry(left, 32, 9, 121);
        fader->setForeColor(0x00808040);
        fader->setKind(GaugeKind::gkVerticalBar);
        fader->setProgress(50);
        fader->setShowText(false);
        left += 8;
    }

    Panel1 = panel(client, "Panel1", {432, 24, 49, 185});
    LVolume = label(Panel1, "LVolume", QStringLiteral("Volume"), {2, 6, 45, 13}, Qt::AlignCenter);
    Label1 = label(Panel1, "Label1", QStringLiteral("100"), {2, 164, 45, 13}, Qt::AlignCenter);
    Volume1 = new TrackBar(Panel1);
    Volume1->setObjectName("Volume1");
    Volume1->setGeometry(8, 24, 33, 137);
    Volume1->setMin(0);
    Volume1->setMax(99);
    Volume1->setPosition(0);
    Volume1->setFrequency(25);

    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(488, 24, 337, 225);
    Memo1->setPlainText(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->hide();

    StatusBar1 = new QLabel(this);
    StatusBar1->setObjectName("StatusBar1");
    statusBar()->setObjectName("StatusBar");
    statusBar()->setFixedHeight(StatusHeight);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->addWidget(StatusBar1, 1);

    Timer1 = makeTimer(this, "Timer1", 1000);
    Timer2 = makeTimer(this, "Timer2", 1000);
    Timer3 = makeTimer(this, "Timer3", 200);
    Timer4 = makeTimer(this, "Timer4", 1000);
    Timer5 = makeTimer(this, "Timer5", 5000);

    buildMenus();
    menuBar()->setFixedHeight(MenuHeight);
    setClientWidth(LayoutWidth);
}

void MainWindow::setClientWidth(int outerWidth) {
    resize(outerWidth - FrameWidth, LayoutHeight - FrameHeight);
}

void MainWindow::buildMenus() {
    auto action = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    // The menus open with Alt and their first letter; the captions themselves are unchanged.
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setObjectName("File1");
    Open1 = action(File1, "Open1", QStringLiteral("Open"));
    Open2 = action(File1, "Open2", QString());
    Openwavfile1 = action(File1, "Openwavfile1", QStringLiteral("Open wav file"));
    CheckAssetFolder1 = action(File1, "CheckAssetFolder1", QStringLiteral("Check asset folder..."));
    RecordToWav1 = action(File1, "RecordToWav1", QStringLiteral("Record to WAV..."));
    Exit1 = action(File1, "Exit1", QStringLiteral("Exit"));

    Device1 = menuBar()->addMenu(QStringLiteral("&Device"));
    Device1->setObjectName("Device1");
    deviceItems_ = new QActionGroup(this);
    deviceItems_->setExclusive(true);

    Setup1 = menuBar()->addMenu(QStringLiteral("&Setup"));
    Setup1->setObjectName("Setup1");
    OpenWith1 = action(Setup1, "OpenWith1", QStringLiteral("Open With"));
    RemoveOpenWiths1 = action(Setup1, "RemoveOpenWiths1", QStringLiteral("Remove Open Withs"));

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName("Help1");
    Help2 = action(Help1, "Help2", QStringLiteral("Help"));
    About1 = action(Help1, "About1", QStringLiteral("About"));

    Open1->setShortcut(QKeySequence::Open);
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Help2->setShortcut(QKeySequence::HelpContents);
    // The recent folder's entry has no caption until a folder has been opened: an empty row
    // would be clickable and say nothing.
    Open2->setVisible(false);
    connect(Open2, &QAction::changed, this,
            [this] { Open2->setVisible(!Open2->text().isEmpty()); });

    connect(Open1, &QAction::triggered, this, handler(this, [this] { Open1Click(); }));
    connect(Open2, &QAction::triggered, this, handler(this, [this] { Open2Click(); }));
    connect(Exit1, &QAction::triggered, this, handler(this, [this] { Exit1Click(); }));
    connect(CheckAssetFolder1, &QAction::triggered, this,
            handler(this, [this] { CheckAssetFolderClick(); }));
    connect(OpenWith1, &QAction::triggered, this, handler(this, [this] { OpenWith1Click(); }));
    connect(RemoveOpenWiths1, &QAction::triggered, this,
            handler(this, [this] { RemoveOpenWiths1Click(); }));
    connect(Help2, &QAction::triggered, this, handler(this, [this] { Help2Click(); }));
    connect(About1, &QAction::triggered, this, handler(this, [this] { About1Click(); }));
}

} // namespace ws
