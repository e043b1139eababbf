// The config.txt reader: a realistic engine-sound asset yields its sound tags whatever the
// line ends, BOM, comments and container layout; both ways of writing a duration list are
// read; every malformation is reported on its own line; no input can crash or hang it.
#include "check/ConfigTxt.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <optional>
#include <random>
#include <string>
#include <vector>

using ws::check::ConfigReadResult;
using ws::check::parseConfigTxt;

namespace {

// Written with LF ends; the tests also feed it with CRLF ends and a BOM. Decoys sit where a
// careless reader would pick them up: braces and quotes inside strings and comments, a
// later duplicate of a sound tag, unknown tags holding lists of non-numbers.
const char* const EngineSoundAsset =
    R"(// Whistlestop test asset } a diesel sound set; the BOM sits before this comment
kuid <kuid2:123456:10001:2>
username "Test 'Prime' Mover"
kind "enginesound"
trainz-build 3.5
category-class "XE"
description "A two-line description
with { braces } and a // that is not a comment"
thumbnails { 0 { image "thumb.jpg" width 240 height 180 } }
// } a closing brace in a comment must not count "
kuid-table
{
  0 <kuid:-3:10126>
}
obsolete-table {
}
weird-list a,b,c
sound-settings
{
  tag-only-here
  IsRamping 1
  isfading 0
  number-slow-sounds 4
  speedup 1.25
  engine-sound-ramp-up-durations 0.0,2.5,2.5,3.0,3.0,3.5,3.5,4.0
  engine-sound-ramp-down-durations "4.0, 3.5,3.5 ,3.0,3.0,2.5,2.5,0.0"
  extras { nested { deeper { speedup-ish 7 } } }
}
speedup 9
isramping 0
kind "steam"
)";

QByteArray withCrLf(const QByteArray& text) {
    QByteArray out = text;
    out.replace("\n", "\r\n");
    return out;
}

int lineCount(const QByteArray& text) {
    return static_cast<int>(text.count('\n')) + 1;
}

void expectEngineSoundAsset(const ConfigReadResult& r) {
    ASSERT_FALSE(r.error) << r.error->line << ": " << r.error->message.toStdString();
    ASSERT_TRUE(r.config);
    const auto& c = *r.config;
    EXPECT_EQ(c.kind, QStringLiteral("enginesound"));
    ASSERT_TRUE(c.isRamping);
    EXPECT_TRUE(*c.isRamping);
    ASSERT_TRUE(c.isFading);
    EXPECT_FALSE(*c.isFading);
    EXPECT_EQ(c.numberSlowSounds, 4);
    EXPECT_EQ(c.speedUp, 1.25);
    EXPECT_EQ(c.rampUpDurations, (std::vector<double>{0.0, 2.5, 2.5, 3.0, 3.0, 3.5, 3.5, 4.0}));
    EXPECT_EQ(c.rampDownDurations, (std::vector<double>{4.0, 3.5, 3.5, 3.0, 3.0, 2.5, 2.5, 0.0}));
}

} // namespace

TEST(ConfigTxt, ReadsRealisticEngineSoundAsset) {
    const QByteArray lf(EngineSoundAsset);
    {
        SCOPED_TRACE("LF");
        expectEngineSoundAsset(parseConfigTxt(lf));
    }
    {
        SCOPED_TRACE("CRLF with BOM");
        expectEngineSoundAsset(parseConfigTxt(QByteArray("\xEF\xBB\xBF") + withCrLf(lf)));
    }
}

TEST(ConfigTxt, TagsMatchAnyCaseAndFirstOccurrenceAtAnyDepthCounts) {
    const QByteArray text = "outer {\n"
                            "  inner{SPEEDUP +2}\n"
                            "  Number-Slow-Sounds 3\n"
                            "}\n"
                            "KIND enginesound\n"
                            "ISFADING 1\n"
                            "Engine-Sound-Ramp-Up-Durations 1 , 2.5,  .5\n"
                            "ENGINE-SOUND-RAMP-DOWN-DURATIONS 3\n"
                            "speedup 5\n"
                            "number-slow-sounds x\n" // a later duplicate is not read at all
                            "engine-sound-ramp-up-durations \"9,9\"\n";
    const ConfigReadResult r = parseConfigTxt(text);
    ASSERT_FALSE(r.error) << r.error->line << ": " << r.error->message.toStdString();
    const auto& c = *r.config;
    EXPECT_EQ(c.kind, QStringLiteral("enginesound"));
    EXPECT_FALSE(c.isRamping);
    EXPECT_EQ(c.isFading, std::optional<bool>(true));
    EXPECT_EQ(c.speedUp, 2.0);
    EXPECT_EQ(c.numberSlowSounds, 3);
    EXPECT_EQ(c.rampUpDurations, (std::vector<double>{1.0, 2.5, 0.5}));
    EXPECT_EQ(c.rampDownDurations, (std::vector<double>{3.0}));
}

TEST(ConfigTxt, BothListFormsAndAContainerBraceOnTheNextLine) {
    const QByteArray bare = "a\n{\nengine-sound-ramp-up-durations 0.0,2.5, 3 ,4\n}\n";
    const QByteArray quoted = "a\n{\nengine-sound-ramp-up-durations \" 0.0 ,2.5,3,4 \"\n}\n";
    for (const QByteArray& text : {bare, quoted, withCrLf(bare), withCrLf(quoted)}) {
        const ConfigReadResult r = parseConfigTxt(text);
        ASSERT_TRUE(r.config) << text.toStdString() << "\n" << r.error->message.toStdString();
        EXPECT_EQ(r.config->rampUpDurations, (std::vector<double>{0.0, 2.5, 3.0, 4.0}))
            << text.toStdString();
        EXPECT_TRUE(r.config->rampDownDurations.empty());
        EXPECT_FALSE(r.config->speedUp);
    }
}

TEST(ConfigTxt, EachMalformationIsReportedOnItsLine) {
    struct Case {
        const char* text;
        int line;
        const char* inMessage;
    };
    const QByteArray deep = QByteArray("x\n") + QByteArray("a {\n").repeated(70);
    const Case cases[] = {
        {"kind \"enginesound\"\na { b 1 }\n}\nspeedup 1\n", 3, "'}'"},
        {"a {\n  b {\n  }\n\n", 1, "'a'"},
        {"a {\n  b {\n    c 1\n", 2, "'b'"},
        {"kind \"enginesound\"\r\ndescription \"no end\r\nspeedup 1\r\n", 2, "quoted"},
        {"a { x \"fine\" }\n// \"quote in a comment\nusername \"open\n", 3, "quoted"},
        {"kind enginesound\n\nspeedup fast\n", 3, "speedup"},
        {"s {\n  SpeedUp 1,5\n}\n", 2, "SpeedUp"},
        {"\r\n\r\nnumber-slow-sounds 3.5\r\n", 3, "number-slow-sounds"},
        {"isramping yes\n", 1, "isramping"},
        {"description \"two\r\nlines\"\r\nspeedup x\r\n", 3, "speedup"},
        {"a {\nisfading\n}\n", 2, "isfading"},
        {"engine-sound-ramp-up-durations 0.0,x,1.0\n", 1, "engine-sound-ramp-up-durations"},
        {"\nengine-sound-ramp-down-durations 0.0,1.0,\n", 2, "engine-sound-ramp-down-durations"},
        {"k 1\nengine-sound-ramp-down-durations \"1,,2\"\n", 2, "engine-sound-ramp-down"},
        {"\nspeedup\n{\n}\n", 3, "speedup"},
        {deep.constData(), 2 + 64, "64"},
    };
    for (const Case& c : cases) {
        const ConfigReadResult r = parseConfigTxt(QByteArray(c.text));
        SCOPED_TRACE(c.text);
        EXPECT_FALSE(r.config);
        ASSERT_TRUE(r.error);
        EXPECT_EQ(r.error->line, c.line) << r.error->message.toStdString();
        EXPECT_TRUE(r.error->message.contains(QString::fromUtf8(c.inMessage)))
            << r.error->message.toStdString();
    }
}

TEST(ConfigTxt, SurvivesJunkTruncationsAndExtremes) {
    // Either a config or an error, never both, and an error points inside the text.
    const auto check = [](const QByteArray& text) {
        const ConfigReadResult r = parseConfigTxt(text);
        ASSERT_NE(bool(r.config), bool(r.error));
        if (r.error) {
            EXPECT_GE(r.error->line, 1);
            EXPECT_LE(r.error->line, lineCount(text));
            EXPECT_FALSE(r.error->message.isEmpty());
        }
    };
    const QByteArray asset = "\xEF\xBB\xBF" + withCrLf(EngineSoundAsset);
    for (qsizetype n = 0; n <= asset.size(); ++n)
        check(asset.left(n));

    // Mostly syntax characters, so the junk reaches deep into the reader.
    std::mt19937 rng(20240611);
    const std::string alphabet = "{}\"\n\r /,.-09azKZ";
    for (int i = 0; i < 3000; ++i) {
        const int length = static_cast<int>(rng() % 200);
        QByteArray junk;
        for (int k = 0; k < length; ++k) {
            const bool raw = rng() % 4 == 0;
            junk.append(raw ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()]);
        }
        check(junk);
    }

    check(QByteArray(200000, '{'));
    check(QByteArray(200000, '}'));
    check(QByteArray(200000, '"'));
    check(QByteArray("speedup ") + QByteArray(4 << 20, '7'));
    check(QByteArray(1 << 20, '\0'));

    const ConfigReadResult longList = parseConfigTxt("engine-sound-ramp-up-durations " +
                                                     QByteArray("0.5,").repeated(100000) + "1\n");
    ASSERT_TRUE(longList.config);
    ASSERT_EQ(longList.config->rampUpDurations.size(), 100001u);
    EXPECT_EQ(longList.config->rampUpDurations.front(), 0.5);
    EXPECT_EQ(longList.config->rampUpDurations.back(), 1.0);

    // A long junk value is quoted back only in part.
    const ConfigReadResult r = parseConfigTxt("speedup " + QByteArray(100000, 'x'));
    ASSERT_TRUE(r.error);
    EXPECT_LT(r.error->message.size(), 200);
}
