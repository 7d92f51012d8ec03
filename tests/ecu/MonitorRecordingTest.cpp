// The monitor's recording over a scripted ECU: the items go back to back
// without waiting for ticks, one row per round; a late or half answer
// leaves its item empty and shifts no later value; the request gap, an
// exchange, and the ends of a recording. The recorder's rows in the file.
#include "tests/ecu/EcuFixture.h"

#include <map>
#include <optional>

#include "ecu/DatalogRecorder.h"
#include "ecu/Monitor.h"

namespace {

DiagItem Item(std::uint8_t request, int length, const char* name, const char* factor, const char* unit) {
    DiagItem item;
    item.request = request;
    item.answerLength = length;
    item.name = name;
    item.unit = unit;
    item.factor = factor;
    item.offset = "0";
    return item;
}

using Row = RecordedRaws;
using std::nullopt;

struct MonitorRecordingTest : EcuFixture {
    // What the ECU answers to each request, one script entry per request in
    // turn (the last repeats): bytes, or a silence before the bytes come.
    struct Answer {
        std::vector<std::uint8_t> bytes;
        bool late = false;   // a read time-out first, then the bytes
    };
    std::map<std::uint8_t, std::vector<Answer>> script;
    std::map<std::uint8_t, std::size_t> asked;
    std::vector<Row> rows;
    int ended = 0;
    Monitor monitor{app.diagItems, link, protocol, prompt};

    void SetUp() override {
        app.diagItems = {Item(0x21, 1, "Throttle", "0.5", "%"), Item(0x01, 2, "Engine Speed", "1", "rpm"),
                         Item(0x22, 1, "Gear", "1", "-")};
        script[0x21] = {{{200}}};
        script[0x01] = {{{0x01, 0x2C}}};
        script[0x22] = {{{3}}};
        OpenQuietly();
        port.onWrite = [this](std::uint8_t b) {
            auto it = script.find(b);
            if (it == script.end()) return;
            const std::size_t n = asked[b]++;
            const Answer& answer = it->second[std::min(n, it->second.size() - 1)];
            if (answer.late) port.Silence();
            for (std::uint8_t a : answer.bytes) port.Feed({a});
        };
        monitor.onRecordRow = [this](const Row& row) { rows.push_back(row); };
        monitor.onRecordingEnded = [this] { ++ended; };
        monitor.SetDialogList({0, 1, 2});
        monitor.OpenWindow();
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(monitor.RecordStep()) << "step " << i;
    }
};

TEST_F(MonitorRecordingTest, AsksTheItemsBackToBackAndGivesOneRowPerRound) {
    ASSERT_TRUE(monitor.StartRecording());
    Steps(6);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x21, 0x01, 0x22, 0x21, 0x01, 0x22}));
    EXPECT_EQ(pump.dispatchCount, 0);   // no tick was waited for
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{200, 300, 3}));
    EXPECT_EQ(monitor.Rows()[1].value, "300.0");   // the window shows the values
    EXPECT_TRUE(monitor.Rows()[1].live);
    // The tick poll asks nothing while recording.
    link.OnTick();
    EXPECT_EQ(port.written.size(), 6u);
}

TEST_F(MonitorRecordingTest, ALateOrHalfAnswerLeavesItsItemEmptyAndShiftsNothing) {
    struct Case {
        const char* what;
        std::uint8_t request;
        Answer answer;
    };
    const Case cases[] = {
        {"late one-byte answer", 0x21, {{200}, true}},
        {"late two-byte answer", 0x01, {{0x01, 0x2C}, true}},
        {"half of a two-byte answer", 0x01, {{0x01}}},
        {"no answer at all", 0x22, {{}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rows.clear();
        asked.clear();
        script[c.request].insert(script[c.request].begin(), c.answer);
        ASSERT_TRUE(monitor.StartRecording());
        Steps(6);
        script[c.request].erase(script[c.request].begin());
        ASSERT_EQ(rows.size(), 2u);
        Row first{200, 300, 3};
        first[c.request == 0x21 ? 0 : c.request == 0x01 ? 1 : 2] = nullopt;
        EXPECT_EQ(rows[0], first);
        EXPECT_EQ(rows[1], (Row{200, 300, 3}));   // the late bytes were not taken for the next answers
        monitor.StopRecording();
    }
    EXPECT_EQ(ended, 0);   // stopped by its owner: nobody is told
}

TEST_F(MonitorRecordingTest, KeepsTheRequestGapFromOneRequestToTheNext) {
    using namespace std::chrono;
    steady_clock::time_point now{};
    std::vector<steady_clock::duration> pausesTaken;
    monitor.clock = [&] { return now; };
    monitor.pause = [&](steady_clock::duration wait) {
        pausesTaken.push_back(wait);
        now += wait;
    };
    monitor.SetRequestGap(milliseconds(5));
    ASSERT_TRUE(monitor.StartRecording());
    Steps(1);
    now += milliseconds(2);   // the answer took 2 ms
    Steps(1);
    now += milliseconds(7);   // longer than the gap: no pause
    Steps(1);
    EXPECT_EQ(pausesTaken, (std::vector<steady_clock::duration>{milliseconds(3)}));
}

TEST_F(MonitorRecordingTest, StandsAsideWhileAnExchangeRunsAndGoesOnWithTheRowAfterIt) {
    ASSERT_TRUE(monitor.StartRecording());
    Steps(1);
    link.exchangeBusy = true;
    EXPECT_FALSE(monitor.RecordStep());
    EXPECT_FALSE(link.monitorActive);
    EXPECT_EQ(port.written.size(), 1u);
    link.exchangeBusy = false;
    Steps(2);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{200, 300, 3}));
}

TEST_F(MonitorRecordingTest, EndsWhenTheMonitorStopsTheListChangesOrThePortCloses) {
    struct Case {
        const char* what;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"Stop", [this] { monitor.Stop(); }},
        {"another list", [this] { monitor.SetDialogList({2}); }},
        {"the port closed", [this] {
             link.ClosePort();
             EXPECT_FALSE(monitor.RecordStep());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!link.portOpen) OpenQuietly();
        monitor.SetDialogList({0, 1, 2});
        ended = 0;
        ASSERT_TRUE(monitor.StartRecording());
        c.end();
        EXPECT_FALSE(monitor.Recording());
        EXPECT_EQ(ended, 1);
    }
    // Nothing to record: a closed port, an empty list.
    EXPECT_FALSE(monitor.StartRecording());
    OpenQuietly();
    monitor.SetDialogList({});
    EXPECT_FALSE(monitor.StartRecording());
}

TEST_F(MonitorRecordingTest, TheRecorderWritesARowPerRoundTimedFromItsStart) {
    using namespace std::chrono;
    DatalogRecorder recorder(monitor, app.diagItems);
    steady_clock::time_point now{};
    recorder.clock = [&] { return now; };
    ASSERT_EQ(recorder.StartAt(dir.File("ride.csv"), false), RecordStart::kStarted);
    script[0x22].insert(script[0x22].begin(), Answer{{}});
    now += milliseconds(12);
    Steps(3);
    now += milliseconds(13);
    Steps(3);
    EXPECT_EQ(recorder.Rows(), 2u);
    EXPECT_TRUE(recorder.Stop());
    EXPECT_EQ(dir.Read("ride.csv"),
              "time_s,Throttle [%],Engine Speed [rpm],Gear [-]\n"
              "0.012,100.0,300,\n"
              "0.025,100.0,300,3\n");
    EXPECT_EQ(recorder.StartAt(dir.File("ride.csv"), false), RecordStart::kExists);
    monitor.Stop();
    EXPECT_EQ(recorder.StartAt(dir.File("other.csv"), false), RecordStart::kNotRunning);
}

}  // namespace
