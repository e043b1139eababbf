// The asset checker on the demo sets, clean, and on copies broken the ways authors break
// them; its command line as a script runs it, without a display, on one folder and on a
// library of them.
#include "check/AssetCheck.h"
#include "QtPath.h"
#include "Signals.h"
#include "TestSupport.h"
#include "check/Library.h"
#include "check/ReportFormat.h"
#include "sim/SoundAsset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>

using namespace ws;
using namespace ws::check;
using namespace ws::test;
namespace fs = std::filesystem;

namespace {

struct Pcm {
    int channels = 0;
    int rate = 0;
    std::vector<int16_t> samples;
};

Pcm readPcm(const fs::path& file) {
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << file;
    Pcm pcm;
    if (!f)
        return pcm;
    pcm.channels = info.channels;
    pcm.rate = info.samplerate;
    pcm.samples.resize(std::size_t(info.frames * info.channels));
    sf_readf_short(f, pcm.samples.data(), info.frames);
    sf_close(f);
    return pcm;
}

void writePcm(const fs::path& file, const Pcm& pcm) {
    writeWav(file, pcm.channels, pcm.rate, 16, pcm.samples);
}

fs::path copyOfDemo(const TempDir& dir, const char* set) {
    const fs::path copy = dir / set;
    fs::copy(demoDir() / set, copy, fs::copy_options::recursive);
    return copy;
}

// The findings on `file`, as "severity: problem" lines for failure messages.
std::vector<const Finding*> on(const AssetReport& report, const QString& file) {
    std::vector<const Finding*> found;
    for (const Finding& f : report.findings)
        if (f.file == file)
            found.push_back(&f);
    return found;
}

bool has(const AssetReport& report, const QString& file, Severity severity, const char* words) {
    const auto found = on(report, file);
    return std::any_of(found.begin(), found.end(), [&](const Finding* f) {
        return f->severity == severity && f->problem.contains(QLatin1String(words));
    });
}

std::string told(const AssetReport& report) {
    return reportText(report).toStdString();
}

struct Ran {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// The program as a script runs it, without a display; its output to `outFile` when given.
Ran runProgram(const QStringList& arguments, const QString& outFile = {},
               const QString& columns = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "COLUMNS"})
        env.remove(name);
    if (!columns.isEmpty())
        env.insert("COLUMNS", columns);
    process.setProcessEnvironment(env);
    if (!outFile.isEmpty())
        process.setStandardOutputFile(outFile);
    process.start(QString::fromUtf8(WS_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    Ran ran{-1, process.readAllStandardOutput(), process.readAllStandardError()};
    if (process.exitStatus() == QProcess::NormalExit)
        ran.code = process.exitCode();
    return ran;
}

} // namespace

TEST(AssetCheckTest, EveryDemoSetIsCleanAndRecognisedByItsRule) {
    for (const char* set :
         {"Diesel", "Electric", "Steam1", "Steam2", "Horn1", "Horn2", "Horn3", "HornBell"}) {
        const AssetReport report = checkAssetFolder(qpath(demoDir() / set));
        EXPECT_EQ(report.exitCode(), 0) << set << "\n" << told(report);
        EXPECT_TRUE(report.findings.empty()) << set;
        EXPECT_FALSE(report.rule.isEmpty()) << set;
        for (const FileReport& f : report.files) {
            if (!f.onDisk.isEmpty()) {
                EXPECT_TRUE(f.measure.readable && f.measure.playable)
                    << set << " " << f.name.toStdString();
            }
        }
    }
    const AssetReport diesel = checkAssetFolder(qpath(demoDir() / "Diesel"));
    EXPECT_EQ(diesel.typeName, "Diesel");
    EXPECT_EQ(diesel.loudness.size(), 22u) << "eight idle loops and fourteen transitions";
}

TEST(AssetCheckTest, ABrokenDieselSetNamesEachFaultWithItsFileAndSeverity) {
    TempDir dir;
    const fs::path set = copyOfDemo(dir, "Diesel");
    const auto edit = [&](const char* name, const std::function<void(Pcm&)>& change) {
        Pcm pcm = readPcm(set / name);
        change(pcm);
        writePcm(set / name, pcm);
    };
    const auto gain = [](double factor) {
        return [factor](Pcm& p) {
            for (int16_t& s : p.samples)
                s = int16_t(std::clamp(int(std::lround(s * factor)), -32768, 32767));
        };
    };

    // A misnamed transition; a notch 12 dB too loud and one 24 dB too quiet; a loop cut
    // mid-wave; a loop with a gap at its end; one that fades; a silent loop; a clipped
    // transition; an empty start; a stop sound that is not audio; transitions that are a
    // device and a link to nothing.
    fs::rename(set / "up 2 - 3.wav", set / "Up2-3.wav");
    edit("idle 5.wav", gain(4));
    edit("idle 1.wav", gain(1.0 / 16));
    edit("idle 3.wav", [](Pcm& p) {
        p.samples.resize(p.samples.size() - std::size_t(p.channels * p.rate / 1000));
    });
    edit("idle 7.wav",
         [](Pcm& p) { std::fill(p.samples.end() - p.channels * p.rate / 20, p.samples.end(), 0); });
    edit("idle 8.wav", [](Pcm& p) {
        for (std::size_t i = p.samples.size() * 1 / 10; i < p.samples.size(); ++i)
            p.samples[i] = int16_t(p.samples[i] / 10);
    });
    edit("idle 6.wav", gain(0));
    edit("up 4 - 5.wav", gain(8));
    edit("start.wav", [](Pcm& p) { p.samples.clear(); });
    {
        std::ofstream junk(set / "stop.wav");
        junk << "this is not a wave file";
    }
    fs::remove(set / "down 8 - 7.wav");
    fs::create_symlink("/dev/zero", set / "down 8 - 7.wav");
    fs::remove(set / "down 7 - 6.wav");
    fs::create_symlink("gone.wav", set / "down 7 - 6.wav");

    const AssetReport report = checkAssetFolder(qpath(set));
    const std::string text = told(report);
    EXPECT_EQ(report.exitCode(), 2) << text;
    // One finding for a renamed file, on the file as it is named.
    EXPECT_TRUE(on(report, "up 2 - 3.wav").empty()) << text;
    ASSERT_EQ(on(report, "Up2-3.wav").size(), 1u) << text;
    EXPECT_TRUE(on(report, "Up2-3.wav").front()->advice.contains("\"up 2 - 3.wav\"")) << text;
    // A loudness outlier is named once, and its neighbours and transitions not at all.
    EXPECT_TRUE(has(report, "idle 5.wav", Severity::Warning, "louder than \"idle 4.wav\"")) << text;
    EXPECT_TRUE(has(report, "idle 1.wav", Severity::Warning, "quieter than \"idle 2.wav\""))
        << text;
    for (const char* neighbour : {"idle 2.wav", "down 2 - 1.wav", "down 6 - 5.wav"})
        EXPECT_TRUE(on(report, neighbour).empty()) << neighbour << "\n" << text;
    EXPECT_TRUE(has(report, "idle 3.wav", Severity::Warning, "clicks")) << text;
    EXPECT_TRUE(has(report, "idle 7.wav", Severity::Warning, "gap")) << text;
    EXPECT_TRUE(has(report, "idle 8.wav", Severity::Warning, "quieter than its first")) << text;
    ASSERT_EQ(on(report, "idle 6.wav").size(), 1u) << text;
    EXPECT_TRUE(has(report, "idle 6.wav", Severity::Warning, "is silent")) << text;
    EXPECT_TRUE(has(report, "up 4 - 5.wav", Severity::Warning, "clips")) << text;
    EXPECT_TRUE(has(report, "start.wav", Severity::Error, "holds no sound: 0 frames")) << text;
    EXPECT_TRUE(has(report, "stop.wav", Severity::Error, "cannot be decoded")) << text;
    EXPECT_TRUE(has(report, "down 8 - 7.wav", Severity::Error, "device")) << text;
    EXPECT_TRUE(has(report, "down 7 - 6.wav", Severity::Error, "link to nothing")) << text;
    EXPECT_TRUE(on(report, "idle 4.wav").empty()) << text;
    const auto bar = std::find_if(report.loudness.begin(), report.loudness.end(),
                                  [](const LoudnessBar& b) { return b.file == "up 2 - 3.wav"; });
    ASSERT_NE(bar, report.loudness.end());
    EXPECT_TRUE(bar->missing);
}

TEST(AssetCheckTest, TheAssetsConfigIsComparedWithItsFiles) {
    TempDir dir;
    const fs::path diesel = copyOfDemo(dir, "Diesel");
    const auto lengthOf = [&](const QString& name) {
        const Pcm p = readPcm(diesel / name.toStdString());
        return double(p.samples.size()) / p.channels / p.rate;
    };
    const auto durations = [&](bool up, int wrongFrom) {
        QStringList list{"0.0"};
        for (int n = 1; n <= 7; ++n) {
            const QString file = up ? QStringLiteral("up %1 - %2.wav").arg(n).arg(n + 1)
                                    : QStringLiteral("down %1 - %2.wav").arg(n + 1).arg(n);
            list << QString::number(lengthOf(file) + (n >= wrongFrom ? 0.5 : 0.0), 'f', 3);
        }
        return list.join(',').toStdString();
    };
    const auto writeConfig = [&](const fs::path& folder, const std::string& sound) {
        std::ofstream config(folder / "config.txt");
        config << "kuid <kuid:123:456>\r\nkind \"enginesound\"\r\nusername \"Test loco\"\r\n"
               << sound;
    };

    writeConfig(diesel, "isramping 1\r\nengine-sound-ramp-up-durations " + durations(true, 99) +
                            "\r\nengine-sound-ramp-down-durations " + durations(false, 99) +
                            "\r\n");
    AssetReport report = checkAssetFolder(qpath(diesel));
    EXPECT_TRUE(report.findings.empty()) << told(report);

    // Up 6 - 7 and up 7 - 8 configured half a second longer than their files.
    writeConfig(diesel,
                "isramping 1\r\nengine-sound-ramp-up-durations " + durations(true, 6) + "\r\n");
    fs::remove(diesel / "down 5 - 4.wav");
    report = checkAssetFolder(qpath(diesel));
    EXPECT_TRUE(has(report, "up 6 - 7.wav", Severity::Warning, "engine-sound-ramp-up-durations"))
        << told(report);
    EXPECT_TRUE(has(report, "up 7 - 8.wav", Severity::Warning, "engine-sound-ramp-up-durations"));
    EXPECT_TRUE(on(report, "up 5 - 6.wav").empty());
    EXPECT_TRUE(has(report, "config.txt", Severity::Warning, "down 5 - 4.wav"))
        << "a ramping set without a transition: " << told(report);

    const fs::path steam = copyOfDemo(dir, "Steam1");
    writeConfig(steam, "sound {\r\n  number-slow-sounds 2\r\n}\r\n");
    report = checkAssetFolder(qpath(steam));
    EXPECT_TRUE(has(report, "config.txt", Severity::Warning, "number-slow-sounds is 2"))
        << told(report);

    // Saved as "Unicode" by a Windows editor, the count written as a decimal.
    {
        const QString text = QStringLiteral("kind \"enginesound\"\r\nnumber-slow-sounds 2.0\r\n");
        std::ofstream config(steam / "config.txt", std::ios::binary);
        config.write("\xFF\xFE", 2);
        config.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    report = checkAssetFolder(qpath(steam));
    EXPECT_TRUE(has(report, "config.txt", Severity::Warning, "number-slow-sounds is 2"))
        << told(report);

    // Neither a pipe nor a huge file holds the check up.
    fs::remove(steam / "config.txt");
    ASSERT_EQ(mkfifo((steam / "config.txt").c_str(), 0600), 0);
    EXPECT_TRUE(has(checkAssetFolder(qpath(steam)), "config.txt", Severity::Warning, "pipe"));
    fs::remove(steam / "config.txt");
    std::ofstream(steam / "config.txt").close();
    fs::resize_file(steam / "config.txt", std::uintmax_t(1) << 30);
    EXPECT_TRUE(has(checkAssetFolder(qpath(steam)), "config.txt", Severity::Warning, "1024 MB"));

    writeConfig(steam, "sound {\r\n  number-slow-sounds 4\r\n\r\n");
    report = checkAssetFolder(qpath(steam));
    ASSERT_EQ(report.findings.size(), 1u) << told(report);
    EXPECT_TRUE(report.findings[0].problem.contains("line")) << told(report);
    EXPECT_EQ(report.exitCode(), 1);
}

TEST(AssetCheckTest, NamesAreCheckedAsTheyAreOnDisk) {
    TempDir dir;
    // Unpacked from an old Windows archive: names in Latin-1, not UTF-8.
    const fs::path latin = dir / "D\xE9sel";
    fs::copy(demoDir() / "Diesel", latin);
    fs::copy_file(latin / "idle 2.wav", latin / "\xE9xtra.wav");
    AssetReport report = checkAssetFolder(latin);
    EXPECT_EQ(report.soundType, SoundTypeDiesel) << told(report);
    EXPECT_TRUE(report.folder.endsWith(QStringLiteral("D\u00E9sel"))) << told(report);
    EXPECT_TRUE(has(report, QStringLiteral("\u00E9xtra.wav"), Severity::Warning, "not played"))
        << told(report);
    // The same folder named on the command line and found below a root.
    for (const char* options : {"", "--recursive"}) {
        const std::string run = "cd '" + dir.path().string() + "' && '" WS_PROGRAM "' --check " +
                                options + " \"$(printf 'D\\351sel')\" >/dev/null 2>&1";
        const int status = std::system(run.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << options;
    }

    // One misnamed loop and a stray electric loop make a diesel set an electric one.
    const fs::path diesel = copyOfDemo(dir, "Diesel");
    fs::rename(diesel / "idle 1.wav", diesel / "idle1.wav");
    report = checkAssetFolder(qpath(diesel));
    EXPECT_EQ(report.soundType, SoundTypeNone);
    EXPECT_TRUE(has(report, "", Severity::Error, "closest to a Diesel set")) << told(report);
    EXPECT_TRUE(has(report, "", Severity::Error, "\"idle1.wav\" (did you mean \"idle 1.wav\"?)"));
    fs::copy_file(diesel / "idle 2.wav", diesel / "engine_loop.wav");
    report = checkAssetFolder(qpath(diesel));
    EXPECT_EQ(report.soundType, SoundTypeElectric);
    EXPECT_TRUE(has(report, "", Severity::Error, "23 of the 25 wave names are a Diesel set's"))
        << told(report);
    EXPECT_EQ(report.findings.size(), 1u) << told(report);

    const fs::path steam = copyOfDemo(dir, "Steam2");
    fs::rename(steam / "steam_loop_60rpm.wav", steam / "steam_loop_060rpm.wav");
    report = checkAssetFolder(qpath(steam));
    ASSERT_EQ(on(report, "steam_loop_060rpm.wav").size(), 1u) << told(report);
    EXPECT_EQ(on(report, "steam_loop_060rpm.wav").front()->advice,
              "Rename it to \"steam_loop_60rpm.wav\".");
}

// Reports come in order however the checks finish, no worker runs further ahead of a slow
// first folder than the window of reports allows, and a listing that fails stops the workers.
// Before the tests that start the program: ThreadSanitizer loses track of the locks of a
// process that has started another through QProcess.
TEST(AssetCheckTest, ALibrarysReportsComeInOrderWithWorkersNoFurtherAheadThanTheWindow) {
    std::atomic<std::size_t> furthest{0};
    std::vector<std::size_t> order;
    LibraryRun run;
    run.count = 40;
    run.workers = 3;
    run.window = 5;
    run.check = [&](std::size_t i) {
        if (i == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (std::size_t seen = furthest; i > seen && !furthest.compare_exchange_weak(seen, i);) {
        }
        if (i == 0) {
            EXPECT_LT(furthest.load(), run.window);
        }
        return AssetReport{};
    };
    run.done = [&](std::size_t i, AssetReport&) { order.push_back(i); };
    checkLibrary(run);
    ASSERT_EQ(order.size(), run.count);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    furthest = 0;
    run.done = [](std::size_t i, AssetReport&) {
        if (i == 3)
            throw std::runtime_error("the listing cannot be written");
    };
    EXPECT_THROW(checkLibrary(run), std::runtime_error);
}

TEST(AssetCheckTest, TheCommandLineReportsWithExitCodesAndJsonWithoutADisplay) {
    TempDir dir;
    const fs::path set = copyOfDemo(dir, "Horn2");
    std::ofstream(set / "horn_loop.wav") << "junk"; // still there, so still a 2-part horn
    std::ofstream(set / "horn_start.wav") << "junk";
    fs::copy_file(demoDir() / "Horn2" / "horn_start.wav", set / "Horn_Strat.wav");

    const Ran clean = runProgram({"--check", qpath(demoDir() / "Diesel")});
    EXPECT_EQ(clean.code, 0);
    EXPECT_TRUE(clean.out.contains("No findings")) << clean.out.toStdString();
    EXPECT_FALSE(clean.out.contains("Limits:")) << "the files and limits are for --verbose";

    // Options in any order; one heading per cause, its advice once, its files beneath.
    const Ran text = runProgram({qpath(set), "--check"});
    const Ran json = runProgram({"--check", "--json", qpath(set)});
    EXPECT_EQ(text.code, 2);
    EXPECT_EQ(json.code, 2);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(json.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.toStdString();
    EXPECT_EQ(root["soundType"].toString(), "Horn (2 Part)");
    const QJsonArray findings = root["findings"].toArray();
    const int errors = root["errors"].toInt(), warnings = root["warnings"].toInt();
    ASSERT_EQ(findings.size(), errors + warnings);
    EXPECT_EQ(errors, 2) << "both junk files";
    const QString out = QString::fromUtf8(text.out);
    const QStringList lines = out.split('\n');
    for (const QJsonValue& f : findings) {
        const QString heading = f["severity"].toString().toUpper() + ": " + f["cause"].toString();
        EXPECT_EQ(
            lines.filter(QRegularExpression("^" + QRegularExpression::escape(heading))).size(), 1)
            << heading.toStdString() << "\n"
            << out.toStdString();
        if (const QString advice = f["advice"].toString(); !advice.isEmpty()) {
            EXPECT_EQ(out.count(advice.left(25)), 1) << out.toStdString();
        }
        EXPECT_FALSE(lines
                         .filter(QRegularExpression(
                             "^    .*" + QRegularExpression::escape(f["file"].toString())))
                         .isEmpty())
            << out.toStdString();
    }
    EXPECT_TRUE(out.contains(QStringLiteral("Result: %1 error%2, %3 warning%4.")
                                 .arg(errors)
                                 .arg(errors == 1 ? "" : "s")
                                 .arg(warnings)
                                 .arg(warnings == 1 ? "" : "s")))
        << out.toStdString();

    const Ran narrow = runProgram({"--check", "--verbose", qpath(set)}, {}, "50");
    EXPECT_TRUE(narrow.out.contains("Files:") && narrow.out.contains("Limits:"));
    for (const QByteArray& line : narrow.out.split('\n'))
        EXPECT_TRUE(line.size() <= 50 || !line.trimmed().contains(' ')) << line.toStdString();
    const Ran nowhere = runProgram({"--verbose", "--check", qpath(dir / "nowhere")});
    EXPECT_EQ(nowhere.code, 2);
    EXPECT_FALSE(nowhere.out.contains("Files:")) << nowhere.out.toStdString();

    if (fs::exists("/dev/full")) {
        for (const QStringList& arguments :
             {QStringList{"--check", qpath(set)}, {"--check", "--recursive", qpath(dir.path())}}) {
            const Ran full = runProgram(arguments, "/dev/full");
            EXPECT_EQ(full.code, 2);
            EXPECT_TRUE(full.err.contains("cannot write the report: No space left on device"))
                << full.err.toStdString();
        }
    }

    const Ran help = runProgram({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("--check") && help.out.contains("--recursive"));
    EXPECT_TRUE(runProgram({"--version"}).out.contains("1.03"));
    EXPECT_EQ(runProgram({"--json"}).code, 3);
    EXPECT_EQ(runProgram({"--check"}).code, 3);
    const Ran unknown = runProgram({"--check", qpath(set), "--bogus"});
    EXPECT_EQ(unknown.code, 3);
    EXPECT_TRUE(unknown.err.contains("Usage:"));
    // Without --check, before any window: no display is needed to be told.
    for (const char* option : {"-h", "--bogus"}) {
        const Ran window = runProgram({option});
        EXPECT_EQ(window.code, 3) << option;
        EXPECT_TRUE(window.err.contains("Usage:")) << window.err.toStdString();
    }
}

TEST(AssetCheckTest, ALibraryIsFoundBelowItsRootsAndListedOneLinePerAssetInOrder) {
    TempDir dir;
    const fs::path lib = dir / "library";
    const std::vector<std::pair<const char*, const char*>> sets = {{"Horn2", "horns/broken"},
                                                                   {"Horn1", "horns/Horn1"},
                                                                   {"Diesel", "locos/Diesel"},
                                                                   {"Electric", "locos/emu/e1"}};
    for (const auto& [set, where] : sets) {
        fs::create_directories((lib / where).parent_path());
        fs::copy(demoDir() / set, lib / where, fs::copy_options::recursive);
    }
    std::ofstream(lib / "horns/broken/horn_loop.wav") << "junk";
    touch(lib / "notes/readme.txt");
    fs::create_directory_symlink(lib, lib / "notes/back"); // a loop, walked once

    const Ran listing = runProgram({"--check", "--recursive", qpath(lib)});
    EXPECT_EQ(listing.code, 2);
    QStringList assetLines = QString::fromUtf8(listing.out).split('\n');
    assetLines = assetLines.filter(QRegularExpression("^\\S"));
    ASSERT_EQ(assetLines.size(), 5) << listing.out.toStdString();
    for (std::size_t i = 0; i < sets.size(); ++i)
        EXPECT_TRUE(assetLines[qsizetype(i)].startsWith(sets[i].second))
            << listing.out.toStdString();
    EXPECT_EQ(assetLines[4], "4 assets: 3 clean, 0 with warnings, 1 with errors.");
    EXPECT_TRUE(listing.out.contains("1 error\n    ERROR: ")) << listing.out.toStdString();

    const Ran json = runProgram({"--json", qpath(lib), "--jobs", "1", "--recursive", "--check"});
    EXPECT_EQ(json.code, 2);
    const QList<QByteArray> jsonLines = json.out.trimmed().split('\n');
    ASSERT_EQ(jsonLines.size(), 5) << json.out.toStdString();
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const QJsonObject asset = QJsonDocument::fromJson(jsonLines[qsizetype(i)]).object();
        EXPECT_EQ(asset["path"].toString(), sets[i].second);
        EXPECT_EQ(asset["exitCode"].toInt(), i == 0 ? 2 : 0);
    }
    const QJsonObject summary = QJsonDocument::fromJson(jsonLines[4]).object();
    EXPECT_EQ(summary["assets"].toInt(), 4);
    EXPECT_EQ(summary["withErrors"].toInt(), 1);
    EXPECT_EQ(summary["exitCode"].toInt(), 2);

    // Several folders without --recursive: each one asset.
    const Ran two =
        runProgram({"--check", qpath(lib / "locos/Diesel"), qpath(lib / "horns/Horn1")});
    EXPECT_EQ(two.code, 0);
    EXPECT_TRUE(two.out.endsWith("\n2 assets: 2 clean, 0 with warnings, 0 with errors.\n"));
}

TEST(AssetCheckTest, EveryFolderOfTheCorpusIsCheckedWithoutACrash) {
    const fs::path corpus = corpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "../shared/corpus is absent; the real-world files are not checked";
    // Every wave file of a folder is accounted for in its report, whatever it holds.
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_directory())
            continue;
        const AssetReport report = checkAssetFolder(qpath(entry.path()));
        for (const auto& file : fs::directory_iterator(entry.path())) {
            const QString name = qpath(file.path().filename());
            if (!file.is_regular_file() || !name.endsWith(".wav", Qt::CaseInsensitive))
                continue;
            EXPECT_TRUE(std::any_of(report.files.begin(), report.files.end(),
                                    [&](const FileReport& f) { return f.onDisk.endsWith(name); }))
                << qpath(file.path()).toStdString();
        }
        EXPECT_FALSE(reportJson(report).isEmpty());
    }
}
