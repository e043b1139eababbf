// The settings file: reading values, the rules of integer conversion, and the exact bytes
// written back (layout, order, spelling, line ends), plus where the file lives and how it is
// saved where its folder or one of its values stands in the way.
#include "shell/Settings.h"

#include "QtPath.h"
#include "TestSupport.h"

#include <QByteArray>
#include <QStandardPaths>
#include <climits>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ws {
namespace {

namespace fs = std::filesystem;

using test::qpath;

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What the window writes at close, in its order.
void saveConfig(Settings& s, const QString& ts2010, const QString& currentDir) {
    s.writeString("OpenWith", "TS2009dir", "NotFound");
    s.writeString("OpenWith", "TS2010dir", ts2010);
    s.writeString("OpenWith", "TS12dir", "NotFound");
    s.writeString("MRU", "current_dir", currentDir);
    s.writeInteger("Position", "Left", 200);
    s.writeInteger("Position", "Top", 150);
    s.writeString("Program", "Version", "1.03");
}

const std::string firstRunFile = "[OpenWith]\r\n"
                                 "TS2009dir=NotFound\r\n"
                                 "TS2010dir=C:\\Program Files\\Auran\\TS2010\r\n"
                                 "TS12dir=NotFound\r\n"
                                 "\r\n"
                                 "[MRU]\r\n"
                                 "current_dir=\r\n"
                                 "\r\n"
                                 "[Position]\r\n"
                                 "Left=200\r\n"
                                 "Top=150\r\n"
                                 "\r\n"
                                 "[Program]\r\n"
                                 "Version=1.03\r\n"
                                 "\r\n";

TEST(SettingsTest, FirstRunWritesTheFourSectionsAndReadsThemBack) {
    test::TempDir dir;
    const fs::path file = dir / "whistlestop.ini";
    {
        Settings s(qpath(file));
        EXPECT_EQ(s.readString("MRU", "current_dir", "NotFound"), "NotFound");
        EXPECT_EQ(s.readInteger("Position", "Left", 200), 200);
        saveConfig(s, "C:\\Program Files\\Auran\\TS2010", "");
        s.updateFile();
    }
    EXPECT_EQ(readBytes(file), firstRunFile);

    Settings again(qpath(file));
    EXPECT_EQ(again.readString("OpenWith", "TS2010dir", ""), "C:\\Program Files\\Auran\\TS2010");
    EXPECT_EQ(again.readString("MRU", "current_dir", "NotFound"), ""); // empty, not absent
    EXPECT_EQ(again.readInteger("Position", "Top", 0), 150);
    saveConfig(again, "C:\\Program Files\\Auran\\TS2010", "");
    again.updateFile();
    EXPECT_EQ(readBytes(file), firstRunFile);
}

TEST(SettingsTest, IntegersAcceptDecimalAndBothHexSpellingsElseTheDefault) {
    test::TempDir dir;
    writeBytes(dir / "s.ini", "[N]\n"
                              "hex1=0x64\n"
                              "hex2=$64\n"
                              "hex3=0X1f\n"
                              "  padded =\t 0x64  \t\n"
                              "neg=-5\n"
                              "plus=+7\n"
                              "min=-2147483648\n"
                              "all=$FFFFFFFF\n"
                              "over=2147483648\n"
                              "longhex=$100000000\n"
                              "word=12abc\n"
                              "empty=\n"
                              "bare0x=0x\n"
                              "dollar=$\n"
                              "sign=-\n"
                              "signedhex=0x-5\n"
                              "minushex=-$10\n");
    Settings s(qpath(dir / "s.ini"));
    EXPECT_EQ(s.readInteger("N", "hex1", 1), 100);
    EXPECT_EQ(s.readInteger("N", "hex2", 1), 100);
    EXPECT_EQ(s.readInteger("N", "hex3", 1), 31);
    EXPECT_EQ(s.readInteger("N", "padded", 1), 100);
    EXPECT_EQ(s.readInteger("N", "neg", 1), -5);
    EXPECT_EQ(s.readInteger("N", "plus", 1), 7);
    EXPECT_EQ(s.readInteger("N", "min", 1), INT_MIN);
    EXPECT_EQ(s.readInteger("N", "all", 1), -1);
    for (const char* key : {"over", "longhex", "word", "empty", "bare0x", "dollar", "sign",
                            "signedhex", "minushex", "absent"})
        EXPECT_EQ(s.readInteger("N", key, 200), 200) << key;
    EXPECT_EQ(s.readInteger("Absent", "hex1", 150), 150);
}

TEST(SettingsTest, EmptyValuesDifferFromAbsentKeys) {
    test::TempDir dir;
    writeBytes(dir / "s.ini", "[OpenWith]\r\nTS2009dir=\r\n");
    Settings s(qpath(dir / "s.ini"));
    EXPECT_EQ(s.readString("OpenWith", "TS2009dir", "default"), "");
    EXPECT_EQ(s.readString("OpenWith", "TS2010dir", "default"), "default");
    EXPECT_EQ(s.readString("MRU", "TS2009dir", "default"), "default");
}

TEST(SettingsTest, NamesIgnoreCaseAndRewrittenKeysTakeTheProgramsSpelling) {
    test::TempDir dir;
    const fs::path file = dir / "s.ini";
    writeBytes(file, "[openwith]\r\nts2009dir=/old\r\nOTHER=1\r\n[POSITION]\r\nLEFT=0x10\r\n");
    Settings s(qpath(file));
    EXPECT_EQ(s.readString("OpenWith", "TS2009dir", ""), "/old");
    EXPECT_EQ(s.readInteger("Position", "Left", 0), 16);
    s.writeString("OpenWith", "TS2009dir", "/new");
    s.writeInteger("Position", "Left", -3);
    s.updateFile();
    EXPECT_EQ(readBytes(file), "[openwith]\r\nTS2009dir=/new\r\nOTHER=1\r\n\r\n"
                               "[POSITION]\r\nLeft=-3\r\n\r\n");
}

TEST(SettingsTest, UnknownSectionsAndLinesSurviveCommentsAndBlankLinesDoNot) {
    test::TempDir dir;
    const fs::path file = dir / "s.ini";
    // A UTF-8 byte-order mark, LF and CR line ends, a line before the first section.
    writeBytes(file, "\xEF\xBB\xBFstray=1\r\n"
                     "; written by hand\r\n"
                     "[ Extra ]\n"
                     "  foo  =  bar baz  \r\n"
                     "\r\n"
                     ";another comment\r"
                     "a line without equals\r\n"
                     "[MRU]\r\n"
                     "current_dir=/home/me/Assets/é/\r\n"
                     "keep=me\r\n");
    Settings s(qpath(file));
    EXPECT_EQ(s.readString("Extra", "foo", ""), "bar baz");
    EXPECT_EQ(s.readString("Extra", "a line without equals", "none"), "none");
    EXPECT_EQ(s.readString("MRU", "current_dir", ""), QString::fromUtf8("/home/me/Assets/é/"));
    saveConfig(s, "NotFound", "/srv/assets/diesel/");
    s.updateFile();
    EXPECT_EQ(readBytes(file), "[Extra]\r\n"
                               "foo=bar baz\r\n"
                               "a line without equals\r\n"
                               "\r\n"
                               "[MRU]\r\n"
                               "current_dir=/srv/assets/diesel/\r\n"
                               "keep=me\r\n"
                               "\r\n"
                               "[OpenWith]\r\n"
                               "TS2009dir=NotFound\r\n"
                               "TS2010dir=NotFound\r\n"
                               "TS12dir=NotFound\r\n"
                               "\r\n"
                               "[Position]\r\n"
                               "Left=200\r\n"
                               "Top=150\r\n"
                               "\r\n"
                               "[Program]\r\n"
                               "Version=1.03\r\n"
                               "\r\n");
}

TEST(SettingsTest, ValuesWithLineBreaksAreRefused) {
    test::TempDir dir;
    Settings s(qpath(dir / "s.ini"));
    s.writeString("MRU", "current_dir", "/safe/");
    EXPECT_THROW(s.writeString("MRU", "current_dir", "/a\r\n[Evil]\r\nx=1"), std::invalid_argument);
    EXPECT_THROW(s.writeString("MRU", "current_dir", "/a\nb"), std::invalid_argument);
    EXPECT_THROW(s.writeString("MRU", "cur\rrent", "x"), std::invalid_argument);
    EXPECT_THROW(s.writeString("M\nRU", "current_dir", "x"), std::invalid_argument);
    EXPECT_EQ(s.readString("MRU", "current_dir", ""), "/safe/");
    s.updateFile();
    EXPECT_EQ(readBytes(dir / "s.ini"), "[MRU]\r\ncurrent_dir=/safe/\r\n\r\n");
}

TEST(SettingsTest, AFileThatCannotBeWrittenIsReportedWithItsNameAndReason) {
    test::TempDir dir;
    test::touch(dir / "plain-file");
    const QString underAFile = qpath(dir / "plain-file" / "whistlestop.ini");
    const QString procFile = QStringLiteral("/proc/whistlestop-settings-test.ini");
    for (const QString& name : {underAFile, procFile}) {
        Settings s(name);
        s.writeString("Program", "Version", "1.03");
        try {
            s.updateFile();
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const std::runtime_error& e) {
            const std::string message = e.what();
            const std::string prefix =
                "Cannot write the settings file " + name.toStdString() + ": ";
            EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
            EXPECT_GT(message.size(), prefix.size()) << "no reason given";
        }
    }
    EXPECT_EQ(readBytes(dir / "plain-file"), "");
}

// Takes from this thread, while it lives, the administrator's power to pass file permission
// checks, so that a test running as root meets the refusals a user meets. The permitted set is
// kept, so the power comes back at the end.
class PermissionChecksEnforced {
public:
    PermissionChecksEnforced() {
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[CAP_TO_INDEX(CAP_DAC_OVERRIDE)].effective &= ~CAP_TO_MASK(CAP_DAC_OVERRIDE);
        lowered[CAP_TO_INDEX(CAP_DAC_READ_SEARCH)].effective &= ~CAP_TO_MASK(CAP_DAC_READ_SEARCH);
        lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~PermissionChecksEnforced() {
        if (lowered_)
            syscall(SYS_capset, &header_, saved_);
    }
    PermissionChecksEnforced(const PermissionChecksEnforced&) = delete;
    PermissionChecksEnforced& operator=(const PermissionChecksEnforced&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

// Files this process writes stop growing at `bytes` while the object lives; the signal that
// would end the process is ignored, so writes beyond the limit simply fail.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

TEST(SettingsTest, AWritableFileInAFolderThatRefusesNewFilesIsRewrittenInPlace) {
    test::TempDir dir;
    const fs::path folder = dir / "program";
    const fs::path file = folder / "whistlestop.ini";
    fs::create_directories(folder);
    writeBytes(file, "[Position]\r\nLeft=10\r\n");

    Settings s(qpath(file));
    s.writeInteger("Position", "Left", 321);
    s.writeString("Program", "Version", "1.03");
    const std::string saved = "[Position]\r\nLeft=321\r\n\r\n[Program]\r\nVersion=1.03\r\n\r\n";
    // No temporary file for a name too long to take its suffix: also rewritten in place.
    {
        const fs::path longName = folder / (std::string(251, 'w') + ".ini");
        fs::copy_file(file, longName);
        Settings named(qpath(longName));
        named.writeInteger("Position", "Left", 321);
        named.writeString("Program", "Version", "1.03");
        EXPECT_NO_THROW(named.updateFile());
        EXPECT_EQ(readBytes(longName), saved);
        fs::remove(longName);
    }
    {
        fs::permissions(folder,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        PermissionChecksEnforced asAUser;
        if (std::ofstream(folder / "probe")) {
            fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add);
            GTEST_SKIP() << "a folder without write permission still takes new files here";
        }
        EXPECT_NO_THROW(s.updateFile());
        fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_EQ(readBytes(file), saved);
    EXPECT_EQ(fs::directory_iterator(folder)->path(), file) << "only the settings file is there";

    // Where a temporary file can be made, a write that fails leaves the old file whole.
    s.writeInteger("Position", "Left", 5);
    {
        FileSizeLimit limit(saved.size() / 2);
        EXPECT_THROW(s.updateFile(), std::runtime_error);
    }
    EXPECT_EQ(readBytes(file), saved);
    EXPECT_EQ(fs::directory_iterator(folder)->path(), file) << "temporary file left";
}

TEST(SettingsTest, AValueWithALineBreakIsLeftEmptyAndEveryOtherSettingIsWritten) {
    test::TempDir dir;
    const fs::path file = dir / "whistlestop.ini";
    writeBytes(file, "[OpenWith]\r\nTS2009dir=/old/ts2009\r\n[Mine]\r\na=b\r\n");
    Settings s(qpath(file));
    RememberedSettings values;
    values.ts2009Folder = "/mnt/two\nlines";
    values.ts2010Folder = "/opt/ts2010";
    values.ts12Folder = "/opt/ts12\r";
    values.assetFolder = "/srv/assets/diesel/";
    values.position = QPoint(321, -4);
    saveSettings(s, values);
    EXPECT_EQ(readBytes(file), "[OpenWith]\r\n"
                               "TS2009dir=\r\n"
                               "TS2010dir=/opt/ts2010\r\n"
                               "TS12dir=\r\n"
                               "\r\n"
                               "[Mine]\r\n"
                               "a=b\r\n"
                               "\r\n"
                               "[MRU]\r\n"
                               "current_dir=/srv/assets/diesel/\r\n"
                               "\r\n"
                               "[Position]\r\n"
                               "Left=321\r\n"
                               "Top=-4\r\n"
                               "\r\n"
                               "[Program]\r\n"
                               "Version=1.03\r\n"
                               "\r\n");
}

TEST(SettingsTest, WritingCreatesAMissingFolder) {
    test::TempDir dir;
    const fs::path file = dir / "config" / "whistlestop" / "whistlestop.ini";
    Settings s(qpath(file));
    s.writeInteger("Position", "Top", 7);
    s.updateFile();
    EXPECT_EQ(readBytes(file), "[Position]\r\nTop=7\r\n\r\n");
    EXPECT_EQ(fs::directory_iterator(file.parent_path())->path(), file) << "temporary file left";
}

TEST(SettingsTest, FileNameReplacesTheProgramsExtension) {
    EXPECT_EQ(settingsFileName("/opt/ws/whistlestop"), "/opt/ws/whistlestop.ini");
    EXPECT_EQ(settingsFileName("/opt/ws/Whistlestop.exe"), "/opt/ws/Whistlestop.ini");
    EXPECT_EQ(settingsFileName("/opt/my.app/whistlestop"), "/opt/my.app/whistlestop.ini");
    EXPECT_EQ(settingsFileName("/a/b.c.d"), "/a/b.c.ini");
    EXPECT_EQ(settingsFileName("whistlestop"), "whistlestop.ini");
}

TEST(SettingsTest, SettingsMoveToTheUsersConfigOnlyWhenTheProgramsFolderIsClosed) {
    QStandardPaths::setTestModeEnabled(true);
    test::TempDir dir;
    const QString program = qpath(dir / "whistlestop");
    EXPECT_EQ(locateSettingsFile(program), program + ".ini");
    EXPECT_TRUE(fs::is_empty(dir.path())) << "the writability probe was left behind";

    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    ASSERT_FALSE(config.isEmpty());
    EXPECT_EQ(locateSettingsFile("/proc/whistlestop"), config + "/whistlestop.ini");
    EXPECT_EQ(locateSettingsFile(qpath(dir / "missing" / "whistlestop")),
              config + "/whistlestop.ini");
    QStandardPaths::setTestModeEnabled(false);
}

} // namespace
} // namespace ws
