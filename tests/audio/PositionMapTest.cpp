// The position map: interpolation, truncation, newest-first lookup over 49 slots, the
// internal errors, and runs of whole repetitions kept as one periodic piece.
#include "audio/PositionMap.h"
#include "audio/AudioErrors.h"

#include <gtest/gtest.h>

#include <string>

namespace ws {
namespace {

constexpr int64_t Second = 10'000'000; // stream time units

// Expects `call` to raise InternalError whose message is `text` with the place of the check.
template <class F> void expectInternalError(F call, const std::string& text) {
    try {
        call();
        FAIL() << "no error for " << text;
    } catch (const InternalError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind(text + " (PositionMap.cpp, line ", 0), 0u) << message;
        EXPECT_EQ(message.back(), ')') << message;
    }
}

TEST(PositionMapTest, InterpolatesWithinAPieceAndTruncatesToMilliseconds) {
    PositionMap map;
    map.addPosTime(0, 4410, 0, Second);
    EXPECT_EQ(map.getPosTime(2205), 500);
    EXPECT_EQ(map.getPosTime(0), 0);
    EXPECT_EQ(map.getPosTime(4409), 999); // 9997732 units, truncated

    map.addPosTime(10000, 10100, 123'456'789, 123'466'789);
    EXPECT_EQ(map.getPosTime(10000), 12345); // PosStart gives exactly TimeStart div 10000
    EXPECT_EQ(map.getPosTime(10050), 12346);
}

TEST(PositionMapTest, ACursorAtAPiecesEndBelongsToThePieceThatStartsThere) {
    PositionMap map;
    map.addPosTime(0, 100, 0, Second / 10);
    map.addPosTime(100, 200, 5 * Second, 6 * Second);
    EXPECT_EQ(map.getPosTime(99), 99);
    EXPECT_EQ(map.getPosTime(100), 5000);
    expectInternalError([&] { map.getPosTime(200); }, "Internal Error: unable to GetPosTime");
}

TEST(PositionMapTest, SilenceMapsToTheTimeAtWhichTheDataEnded) {
    PositionMap map;
    map.addPosTime(0, 1000, 0, Second);
    map.addPosTime(1000, 9000, Second, Second);
    for (int32_t pos : {1000, 1001, 5000, 8999})
        EXPECT_EQ(map.getPosTime(pos), 1000) << pos;
}

TEST(PositionMapTest, TheNewestPieceAtAnOffsetWins) {
    PositionMap map;
    map.addPosTime(0, 100, 0, Second);
    map.addPosTime(50, 150, 20 * Second, 21 * Second);
    EXPECT_EQ(map.getPosTime(25), 250);
    EXPECT_EQ(map.getPosTime(50), 20000);
    EXPECT_EQ(map.getPosTime(99), 20490);
}

TEST(PositionMapTest, AnEmptyMapFindsNothing) {
    PositionMap map;
    for (int32_t pos : {-1, 0, 1, 705599})
        expectInternalError([&] { map.getPosTime(pos); }, "Internal Error: unable to GetPosTime");
}

TEST(PositionMapTest, OnlyTheFortyNineNewestPiecesAreSearched) {
    // Side by side in the ring, but each from another second of the stream: none carries
    // on the one before, so each keeps its own slot.
    PositionMap map;
    for (int i = 0; i < 49; ++i)
        map.addPosTime(i * 10, i * 10 + 10, i * Second, i * Second + Second / 10);
    EXPECT_EQ(map.getPosTime(5), 50);
    EXPECT_EQ(map.getPosTime(485), 48050);

    map.addPosTime(490, 500, 49 * Second, 49 * Second + Second / 10);
    expectInternalError([&] { map.getPosTime(5); }, "Internal Error: unable to GetPosTime");
    EXPECT_EQ(map.getPosTime(15), 1050);
    EXPECT_EQ(map.getPosTime(495), 49050);
}

TEST(PositionMapTest, InvalidPiecesRaiseAndAreOverwrittenByTheNextOne) {
    PositionMap map;
    map.addPosTime(0, 100, 0, Second);
    expectInternalError([&] { map.addPosTime(200, 300, 9, 8); },
                        "Internal Error: Time Start higher then Time End");
    expectInternalError([&] { map.addPosTime(300, 300, 0, 0); },
                        "Internal Error: Position Start not inferior to Position End");
    expectInternalError([&] { map.addPosTime(400, 350, 0, 0); },
                        "Internal Error: Position Start not inferior to Position End");
    EXPECT_EQ(map.Next(), 1);
    // The failed slot is the next one to be written, and never searched.
    expectInternalError([&] { map.getPosTime(250); }, "Internal Error: unable to GetPosTime");
    map.addPosTime(1000, 1100, 2 * Second, 3 * Second);
    EXPECT_EQ(map.Next(), 2);
    EXPECT_EQ(map.getPosTime(50), 500);
    EXPECT_EQ(map.getPosTime(1050), 2500);
}

TEST(PositionMapTest, WholeRepetitionsOfAShortFileShareOneSlot) {
    // A 100-byte file of 100 ms looping through a ring: thousands of repetitions, then a
    // partial one, then the file goes on at the ring's start.
    PositionMap map;
    map.addPosTime(0, 60, 4 * Second / 100, Second / 10); // the tail of a pass
    for (int k = 0; k < 5000; ++k)
        map.addPosTime(60 + k * 100, 60 + (k + 1) * 100, 0, Second / 10);
    map.addPosTime(500060, 500090, 0, 3 * Second / 100);
    map.addPosTime(0, 20, 3 * Second / 100, 5 * Second / 100);

    EXPECT_EQ(map.getPosTime(30), 70);
    EXPECT_EQ(map.getPosTime(60), 0);
    EXPECT_EQ(map.getPosTime(110), 50);
    EXPECT_EQ(map.getPosTime(60 + 2500 * 100 + 99), 99);
    EXPECT_EQ(map.getPosTime(60 + 4999 * 100 + 10), 10);
    EXPECT_EQ(map.getPosTime(500060), 0);
    EXPECT_EQ(map.getPosTime(500089), 29);
    EXPECT_EQ(map.getPosTime(0), 30); // the newest piece at offset 0
    EXPECT_EQ(map.getPosTime(10), 40);
    // The run took one slot: 44 more pieces still leave it in reach.
    for (int i = 0; i < 44; ++i)
        map.addPosTime(600000 + i * 10, 600010 + i * 10, 0, Second);
    EXPECT_EQ(map.getPosTime(110), 50);
    EXPECT_EQ(map.getPosTime(30), 70);
}

TEST(PositionMapTest, PiecesThatOnlyLookAlikeAreNotMerged) {
    PositionMap map;
    map.addPosTime(0, 100, 0, Second);
    map.addPosTime(100, 150, 0, Second); // same times, other length
    map.addPosTime(150, 250, 0, Second); // same length as the first, but not after it
    map.addPosTime(300, 400, 0, Second); // a gap before it
    EXPECT_EQ(map.Next(), 4);
    EXPECT_EQ(map.getPosTime(125), 500);
    EXPECT_EQ(map.getPosTime(200), 500);
    expectInternalError([&] { map.getPosTime(275); }, "Internal Error: unable to GetPosTime");
}

} // namespace
} // namespace ws
