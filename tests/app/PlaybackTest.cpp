#include "app/Playback.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/app/RideFixtures.h"

namespace {

using namespace ridefixtures;

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
    // An empty field and an item the log lacks give no value; the texts keep
    // the column's decimals.
    const std::vector<std::optional<double>> values = RowItemValues(log, matched, 2);
    EXPECT_TRUE(!values[0] && values[1] == 25.0 && !values[2]);
    EXPECT_EQ(RowItemTexts(log, matched, 1), (std::vector<std::string>{"2400", "12.5", ""}));
}

TEST(PlaybackTest, LoadNotesSayWhatTheTechnicianMustKnow) {
    struct Case {
        const char* what;
        const char* text;
        const char* notes;
    };
    const Case cases[] = {
        {"neither axis item", "time_s,Coolant Temp [degC]\n0,80\n",
         "Read 1 row of ride.csv. Neither the RPM item nor the THROT item is in the log: no operating point is "
         "shown."},
        {"throttle alone", "time_s,Throttle [%]\n0,80\n",
         "Read 1 row of ride.csv. The RPM item is not in the log: no operating point is shown."},
        {"a name twice trusts neither", "time_s,Engine Speed [rpm],Engine Speed [rpm],Throttle\n0,1,2,3\n",
         "Read 1 row of ride.csv. The RPM item is not in the log: no operating point is shown. Not monitor items "
         "of this machine: Engine Speed, Engine Speed."},
        {"a speed in another unit is not an engine speed", "time_s,Engine Speed [km/h],Throttle [%]\n0,120,30\n",
         "Read 1 row of ride.csv. Left out: the log's column Engine Speed is in km/h, the machine's item in rpm. "
         "The RPM item is not in the log: no operating point is shown."},
    };
    for (const Case& c : cases) {
        const Datalog log = Log(c.text);
        EXPECT_EQ(PlaybackLoadNotes("ride.csv", log, MatchLogItems(log, Items(), Point())), c.notes) << c.what;
    }
}

TEST(PlaybackTest, StepsFindTheirRowAndPlayAtTheEndStartsOver) {
    Playback playback(Log(kRide));
    playback.SeekTime(2.0);   // between rows: back is the row shown
    playback.Apply(PlaybackKey::kPreviousRow);
    EXPECT_DOUBLE_EQ(playback.Time(), 1.0);
    EXPECT_EQ(playback.Row(), 3u);
    // Rows of the same time are stepped through one by one.
    playback.SeekRow(1);
    playback.Apply(PlaybackKey::kNextRow);
    EXPECT_EQ(playback.Row(), 2u);
    playback.Apply(PlaybackKey::kNextRow);
    EXPECT_EQ(playback.Row(), 3u);
    playback.Apply(PlaybackKey::kLast);
    playback.Play();
    EXPECT_TRUE(playback.Playing());
    EXPECT_EQ(playback.Row(), 0u);
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
