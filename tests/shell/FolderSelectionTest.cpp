// File > Open through the real folder browser, and the recent-folder entry.
#include "MainWindowFixture.h"
#include "QtPath.h"

#include "shell/FolderBrowser.h"
#include "shell/RadioGroup.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

using namespace ws;
using namespace ws::test;
namespace fs = std::filesystem;

namespace {
// Answers the folder browser once it is up: records its title and preselected folder,
// then selects `choose` and confirms, or cancels when `choose` is empty. An answer whose
// browser never came is dropped with the object, so it cannot touch a later test.
struct BrowserAnswer {
    QString title;
    QString preselected;
    bool shown = false;

    void arm(const QString& choose) {
        QTimer::singleShot(0, &alive_, [this, choose] { answer(choose, 0); });
    }

private:
    void answer(const QString& choose, int attempt) {
        auto* dialog = qobject_cast<FolderBrowserDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (attempt < 200)
                QTimer::singleShot(10, &alive_,
                                   [this, choose, attempt] { answer(choose, attempt + 1); });
            return;
        }
        shown = true;
        title = dialog->titleText();
        preselected = dialog->selectedFolder();
        if (choose.isEmpty()) {
            dialog->reject();
        } else {
            dialog->select(choose);
            dialog->accept();
        }
    }

    QObject alive_;
};
} // namespace

TEST_F(MainWindowTest, OpenShowsTheTitleAndClassifiesTheChosenFolder) {
    start();
    BrowserAnswer answer;
    answer.arm(demo("Steam2"));
    control<QAction>("Open1")->trigger();
    ASSERT_TRUE(answer.shown);
    EXPECT_EQ(answer.title, "Find a sound asset folder\nor press \"cancel\".");
    EXPECT_EQ(answer.preselected, "") << "no current folder: nothing selected";
    EXPECT_EQ(window->engine().AssetFolder, demo("Steam2") + "/");
    EXPECT_EQ(control<QAction>("Open2")->text(), "Steam2") << "no leading blanks after Open";
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), 3);
    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder: Steam2");
}

TEST_F(MainWindowTest, OpenPreselectsTheCurrentFolderOrItsParentWhenItIsGone) {
    const fs::path gone = dir / "Trains" / "Gone";
    fs::create_directories(gone);
    writeSettings("[MRU]\r\ncurrent_dir=" + qpath(gone).toUtf8() + "/\r\n");
    start();

    BrowserAnswer first;
    first.arm(QString());
    control<QAction>("Open1")->trigger();
    ASSERT_TRUE(first.shown);
    EXPECT_EQ(first.preselected, qpath(gone));

    fs::remove(gone);
    BrowserAnswer second;
    second.arm(QString());
    control<QAction>("Open1")->trigger();
    ASSERT_TRUE(second.shown);
    EXPECT_EQ(second.preselected, qpath(dir / "Trains")) << "the parent, found by text";

    fs::remove_all(dir / "Trains");
    BrowserAnswer third;
    third.arm(QString());
    control<QAction>("Open1")->trigger();
    ASSERT_TRUE(third.shown) << "the browser opens even when no start folder is left";
    EXPECT_EQ(third.preselected, "") << "the parent is gone too: nothing selected";
    EXPECT_EQ(window->engine().AssetFolder, qpath(gone) + "/") << "cancel changes nothing";
}

TEST_F(MainWindowTest, CancelInSingleFileModeLeavesItAndEnablesTheThrottle) {
    const fs::path wav = dir / "one.wav";
    writeWav(wav, 1, 11025, 8, std::vector<int16_t>(1000, 0));
    start({qpath(wav)});
    ASSERT_TRUE(window->engine().SingleFileMode);
    BrowserAnswer answer;
    answer.arm(QString());
    control<QAction>("Open1")->trigger();
    EXPECT_TRUE(answer.shown);
    EXPECT_FALSE(window->engine().SingleFileMode);
    EXPECT_TRUE(control<TrackBar>("Throttle1")->isEnabled());
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), -1);
}

TEST_F(MainWindowTest, ARootChosenGetsASecondSeparatorAndAnEmptyEntry) {
    start();
    BrowserAnswer answer;
    answer.arm("/");
    control<QAction>("Open1")->trigger();
    EXPECT_EQ(window->engine().AssetFolder, "//");
    EXPECT_EQ(control<QAction>("Open2")->text(), "");
    EXPECT_EQ(messages.size(), 1) << "the root meets no naming rule";
}

TEST_F(MainWindowTest, TheRecentEntryReopensTheFolderOrForgetsItWhenGone) {
    const fs::path copy = dir / "Loco A";
    fs::copy(demoDir() / "Electric", copy, fs::copy_options::recursive);
    writeSettings("[MRU]\r\ncurrent_dir=" + qpath(copy).toUtf8() + "/\r\n");
    start();
    QAction* open2 = control<QAction>("Open2");
    EXPECT_EQ(open2->text(), "  Loco A");
    open2->trigger();
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), 0);
    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder: Loco A");

    fs::remove_all(copy);
    open2->trigger();
    EXPECT_EQ(open2->text(), "");
    EXPECT_TRUE(window->engine().AssetFolder.isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << "no message when the recent folder is gone";
}

TEST_F(MainWindowTest, AnUnrecognisedFolderAfterARecognisedOneKeepsItsArrangement) {
    const fs::path odd = dir / "Odd";
    touch(odd / "something.wav");
    start({demo("Horn3")});
    ASSERT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), 4);
    BrowserAnswer answer;
    answer.arm(qpath(odd));
    control<QAction>("Open1")->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), -1);
    EXPECT_EQ(control<RadioGroup>("HornType")->ItemIndex(), 2) << "the horn group keeps its item";
    EXPECT_FALSE(control<QPushButton>("BtHorn")->isHidden());
    EXPECT_TRUE(control<QPushButton>("BtStart")->isHidden());
    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder: Horn3") << "caption kept";
    EXPECT_EQ(window->engine().AssetFolder, qpath(odd) + "/");
    EXPECT_EQ(control<QAction>("Open2")->text(), "Odd");
}

TEST(FolderBrowserTest, AFolderThatDoesNotExistIsClearedAndCancelReturnsFalse) {
    QString folder = "/no/such/place";
    BrowserAnswer answer;
    answer.arm(QString());
    EXPECT_FALSE(browseForFolder(nullptr, "t", QString(), folder));
    EXPECT_TRUE(answer.shown);
    EXPECT_EQ(folder, "");
}
