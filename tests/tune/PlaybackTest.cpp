#include "tune/Playback.h"

#include <gtest/gtest.h>

#include <string>

namespace {

Datalog Log(const char* text) {
    Datalog log;
    std::string error;
    EXPECT_TRUE(ParseDatalog(text, log, error)) << error;
    return log;
}

DiagItem Item(const char* name, const char* unit) {
    DiagItem item;
    item.name = name;
    item.unit = unit;
    return item;
}

// Items 0 Engine Speed, 1 Throttle, 2 Coolant Temp.
std::vector<DiagItem> Items() {
    return {Item("Engine Speed", "rpm"), Item("Throttle", "%"), Item("Coolant Temp", "degC")};
}

OperatingPoint Point() {
    OperatingPoint point;
    point.rpm.item = 0;
    point.throt.item = 1;
    return point;
}

// Rows at 0, 0.5, 1, 1, 3 and 14 s.
const char* kRide =
    "time_s,Throttle [%],Engine Speed [rpm],Oil Pressure [bar]\n"
    "0.000,0.0,1200,1.5\n"
    "0.500,12.5,2400,2.0\n"
    "1.000,25.0,,2.5\n"
    "1.000,30.0,3600,2.5\n"
    "3.000,50.0,5000,3.0\n"
    "14.000,0.0,1300,1.5\n";

}  // namespace

TEST(PlaybackTest, ColumnsMatchItemsByNameInAnyOrder) {
    const Datalog log = Log(kRide);
    const PlaybackItems matched = MatchLogItems(log, Items(), Point());
    EXPECT_EQ(matched.columnOfItem, (std::vector<int>{1, 0, -1}));
    EXPECT_EQ(matched.ignored, std::vector<std::string>{"Oil Pressure"});
    EXPECT_TRUE(matched.hasRpm);
    EXPECT_TRUE(matched.hasThrot);

    // The values by item: an empty field and an item the log lacks give none;
    // the texts keep the column's decimals.
    const std::vector<std::optional<double>> values = RowItemValues(log, matched, 2);
    EXPECT_FALSE(values[0]);
    ASSERT_TRUE(values[1]);
    EXPECT_DOUBLE_EQ(*values[1], 25.0);
    EXPECT_FALSE(values[2]);
    EXPECT_EQ(RowItemTexts(log, matched, 1), (std::vector<std::string>{"2400", "12.5", ""}));
    EXPECT_EQ(RowItemTexts(log, matched, 99), (std::vector<std::string>{"", "", ""}));
}

TEST(PlaybackTest, LoadNotesSayWhatTheTechnicianMustKnow) {
    struct Case {
        const char* what;
        const char* text;
        const char* notes;
    };
    const Case cases[] = {
        {"all known", "time_s,Engine Speed [rpm],Throttle [%]\n0,1000,5\n",
         "Read 1 row of ride.csv."},
        {"cut off, unknown column, no throttle",
         "time_s,Engine Speed [rpm],Lambda\n0,1000,0.9\n1,1100,0.9\n2,12",
         "Read 2 rows of ride.csv. The last line was cut off and left out. Not monitor items of this machine: "
         "Lambda."},
        {"neither axis item", "time_s,Coolant Temp [degC]\n0,80\n",
         "Read 1 row of ride.csv. Neither the RPM item nor the THROT item is in the log: no operating point is "
         "shown."},
        {"throttle alone", "time_s,Throttle [%]\n0,80\n",
         "Read 1 row of ride.csv. The RPM item is not in the log: no operating point is shown."},
        {"a name twice trusts neither", "time_s,Engine Speed [rpm],Engine Speed [rpm],Throttle\n0,1,2,3\n",
         "Read 1 row of ride.csv. The RPM item is not in the log: no operating point is shown. Not monitor items "
         "of this machine: Engine Speed, Engine Speed."},
    };
    for (const Case& c : cases) {
        const Datalog log = Log(c.text);
        EXPECT_EQ(PlaybackLoadNotes("ride.csv", log, MatchLogItems(log, Items(), Point())), c.notes) << c.what;
    }
}

TEST(PlaybackTest, PlayingMovesBySpeedAndPausesAtTheEnd) {
    Playback playback(Log(kRide));
    EXPECT_DOUBLE_EQ(playback.Time(), 0.0);
    playback.Advance(1.0);   // paused: nothing moves
    EXPECT_DOUBLE_EQ(playback.Time(), 0.0);
    playback.SetSpeedIndex(4);   // 4x
    playback.Play();
    playback.Advance(0.2);
    EXPECT_DOUBLE_EQ(playback.Time(), 0.8);
    EXPECT_EQ(playback.Row(), 1u);
    playback.Advance(0.5);   // 2.8 s: still the last of the rows at 1 s
    EXPECT_EQ(playback.Row(), 3u);
    playback.Advance(10.0);
    EXPECT_DOUBLE_EQ(playback.Time(), 14.0);
    EXPECT_EQ(playback.Row(), 5u);
    EXPECT_FALSE(playback.Playing());
    // Play at the end starts over.
    playback.Play();
    EXPECT_TRUE(playback.Playing());
    EXPECT_EQ(playback.Row(), 0u);
    playback.SetSpeedIndex(99);
    EXPECT_DOUBLE_EQ(playback.Speed(), 8.0);
}

TEST(PlaybackTest, KeysMoveByRowsPagesAndEnds) {
    struct Case {
        const char* what;
        double from;
        PlaybackKey key;
        double time;
        std::size_t row;
    };
    const Case cases[] = {
        {"next row", 0.0, PlaybackKey::kNextRow, 0.5, 1},
        {"next row from between rows", 0.7, PlaybackKey::kNextRow, 1.0, 2},
        {"previous row from between rows is the row shown", 2.0, PlaybackKey::kPreviousRow, 1.0, 3},
        {"previous row on a row", 0.5, PlaybackKey::kPreviousRow, 0.0, 0},
        {"previous row at the start stays", 0.0, PlaybackKey::kPreviousRow, 0.0, 0},
        {"next row at the end stays", 14.0, PlaybackKey::kNextRow, 14.0, 5},
        {"ten seconds on", 1.5, PlaybackKey::kPageForward, 11.5, 4},
        {"ten seconds on, held at the end", 9.0, PlaybackKey::kPageForward, 14.0, 5},
        {"ten seconds back, held at the start", 3.0, PlaybackKey::kPageBack, 0.0, 0},
        {"home", 9.0, PlaybackKey::kFirst, 0.0, 0},
        {"end", 0.0, PlaybackKey::kLast, 14.0, 5},
    };
    for (const Case& c : cases) {
        Playback playback(Log(kRide));
        playback.SeekTime(c.from);
        playback.Apply(c.key);
        EXPECT_DOUBLE_EQ(playback.Time(), c.time) << c.what;
        EXPECT_EQ(playback.Row(), c.row) << c.what;
    }
    // A step walks through rows of the same time one by one.
    Playback playback(Log(kRide));
    playback.SeekRow(1);
    playback.Apply(PlaybackKey::kNextRow);
    EXPECT_EQ(playback.Row(), 2u);
    playback.Apply(PlaybackKey::kNextRow);
    EXPECT_EQ(playback.Row(), 3u);
    playback.Apply(PlaybackKey::kPlayPause);
    EXPECT_TRUE(playback.Playing());
}

TEST(PlaybackTest, FeedFollowsForwardAndStartsOverOnJumps) {
    Playback playback(Log(kRide));
    struct Step {
        const char* what;
        double seek;
        bool restart;
        std::size_t first, count;
    };
    const Step steps[] = {
        {"the first feed brings the row shown", 0.0, true, 0, 1},
        {"same row: nothing", 0.2, false, 0, 0},
        {"on within the span: the rows between", 1.2, false, 1, 3},
        {"on by 2 s exactly: still the rows between", 3.0, false, 4, 1},
        {"far on: anew from the row before the span", 14.0, true, 4, 2},
        {"back: anew", 0.6, true, 0, 2},
    };
    for (const Step& s : steps) {
        playback.SeekTime(s.seek);
        const PlaybackFeed feed = playback.TakeFeed();
        EXPECT_EQ(feed.restart, s.restart) << s.what;
        EXPECT_EQ(feed.first, s.first) << s.what;
        EXPECT_EQ(feed.count, s.count) << s.what;
    }
}

TEST(PlaybackTest, TimeTextAndRefusedSeeks) {
    EXPECT_EQ(PlaybackTimeText(12.3454, 95.0), "12.345 s / 95.000 s");
    Playback playback(Log(kRide));
    playback.SeekTime(3.0);
    playback.SeekTime(std::nan(""));
    EXPECT_DOUBLE_EQ(playback.Time(), 3.0);
    // A log without rows is refused by its callers; kept safe all the same.
    Playback empty(Log("time_s,Engine Speed [rpm]\n"));
    EXPECT_EQ(empty.Row(), 0u);
    EXPECT_EQ(RowItemTexts(empty.Log(), MatchLogItems(empty.Log(), Items(), Point()), 0),
              (std::vector<std::string>{"", "", ""}));
}
