// Fuzzes the Steam 2 loop list and the loop choice it feeds. The input is a folder listing
// (FuzzEntries.h); lines of the form "@<speed>" are not entries but speeds to run the engine
// at, in order. Start lists the folder's loops, which must be every "steam_loop_*.wav"
// entry, files and folders alike, with the rpm its name gives, ascending, and a 0 at the end
// for each name that gives none. At each speed above the beat range the loop that plays must
// be the one nearest in rpm (the lower slot on a tie) whenever its file is there, and no
// step may end in an error.
#include "FuzzCheck.h"
#include "FuzzEntries.h"
#include "FuzzScratch.h"

#include "FakeEngineView.h"
#include "sim/AssetNames.h"
#include "sim/EngineSound.h"
#include "sim/SoundAsset.h"

#include <QVector>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace ws::fuzz {
namespace {

constexpr int MaxSpeeds = 8;
constexpr int SpeedSteps = 300;
constexpr int LoopsAbove = 30; // speeds above this play loops; below, beats or standstill

// The naming rules as the loop list documents them, written independently of the program.
bool loopNameModel(const QString& name) {
    const QString prefix = QStringLiteral("steam_loop_");
    if (name.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        char16_t c = name[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        if (c != prefix[i].unicode())
            return false;
    }
    return true;
}

bool wavNameModel(const QString& name) {
    return name.size() >= 4 && name.right(4).toLower() == QLatin1String(".wav");
}

int rpmModel(const QString& name) {
    std::string digits;
    for (qsizetype i = 11; i < 14 && i < name.size(); ++i)
        if (name[i].unicode() >= u'0' && name[i].unicode() <= u'9')
            digits += static_cast<char>(name[i].unicode());
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0'))
        return -1;
    const int rpm = std::atoi(digits.c_str());
    return rpm <= SpeedSteps ? rpm : -1;
}

// Speeds from "@" lines; without any, a few from the input's hash.
std::vector<int> speedsOf(const std::vector<std::string>& lines, InputRandom& random) {
    std::vector<int> speeds;
    for (const std::string& line : lines)
        if (line.size() > 1 && line[0] == '@' && speeds.size() < MaxSpeeds)
            speeds.push_back(std::clamp(std::atoi(line.c_str() + 1), 0, SpeedSteps));
    if (speeds.empty())
        for (int i = 0; i < 3; ++i)
            speeds.push_back(static_cast<int>(random.below(SpeedSteps + 1)));
    return speeds;
}

// The file of the listing a name finds, letter case ignored; null when none or a folder.
const Entry* fileEntry(const std::vector<Entry>& entries, const QString& name) {
    const Entry* e = findEntry(entries, name);
    return e && !e->folder ? e : nullptr;
}

ScratchFolder& scratch() {
    static ScratchFolder folder("steam-loop-list");
    return folder;
}

} // namespace
} // namespace ws::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ws;
    using namespace ws::fuzz;
    std::vector<std::string> lines;
    std::vector<Entry> entries = entriesFromInput(data, size, &lines);
    std::erase_if(entries, [](const Entry& e) { return e.name.startsWith(QLatin1Char('@')); });
    const std::filesystem::path root = scratch().emptied();
    createEntries(root, entries, false, false);
    const QString folder = QFile::decodeName(root.c_str()) + QLatin1Char('/');

    for (const std::string& line : lines) {
        const QString name = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        WS_FUZZ_CHECK(isSteamLoopName(name) == loopNameModel(name));
        WS_FUZZ_CHECK(steamLoopRpmOf(name) == rpmModel(name));
    }

    test::FakeEngineView view;
    EngineSound engine(view);
    view.attach(engine);
    view.soundType = SoundTypeSteam2;
    engine.state().AssetFolder = folder;
    InputRandom random(data, size);
    for (const Entry& e : entries)
        if (!e.folder)
            view.files[(root / QFile::encodeName(e.name).toStdString()).string()] = {
                1000, random.below(2) ? 22050u : 44100u};

    QVector<int> expected;
    int unnumbered = 0;
    for (const Entry& e : entries) {
        if (!wavNameModel(e.name) || !loopNameModel(e.name))
            continue;
        const int rpm = rpmModel(e.name);
        if (rpm < 0)
            ++unnumbered;
        else
            expected.append(rpm);
    }
    std::sort(expected.begin(), expected.end());
    expected.append(QVector<int>(unnumbered, 0));

    engine.BtStartClick();
    const QVector<int>& rpms = engine.state().RpmList;
    WS_FUZZ_CHECK(rpms == expected);
    WS_FUZZ_CHECK(view.throttleMax == SpeedSteps && view.throttlePosition() == SpeedSteps);

    for (const int speed : speedsOf(lines, random)) {
        const int before = engine.state().RpmIndex;
        view.setThrottlePosition(SpeedSteps - speed);
        view.advance(500);
        const int reached = SpeedSteps - view.throttlePosition(); // the control stops at 1
        if (reached <= LoopsAbove)
            continue;
        int best = -1;
        for (qsizetype i = 0; i < rpms.size(); ++i)
            if (best < 0 || std::abs(reached - rpms[i]) < std::abs(reached - rpms[best]))
                best = static_cast<int>(i);
        const Entry* loop =
            best < 0 ? nullptr : fileEntry(entries, assetfile::steamLoopRpm(rpms[best]));
        if (!loop) {
            WS_FUZZ_CHECK(engine.state().RpmIndex == before);
            continue;
        }
        WS_FUZZ_CHECK(engine.state().RpmIndex == best);
        const std::string onDisk = (root / QFile::encodeName(loop->name).toStdString()).string();
        WS_FUZZ_CHECK((view.ch1().isPlaying() && view.ch1().FileName() == onDisk) ||
                      (view.ch2().isPlaying() && view.ch2().FileName() == onDisk));
    }
    engine.BtStopClick();
    WS_FUZZ_CHECK(view.errorBoxes.empty());
    return 0;
}
