// The monitor: value texts, the poll state machine tick by tick over a
// scripted ECU, start and stop, and the item lists of the item set dialog.
#include "tests/ecu/EcuFixture.h"

#include <future>
#include <map>

#include "model/Strings.h"
#include "ecu/Monitor.h"

namespace {

DiagItem Item(std::uint8_t request, int length, const char* name, const char* factor, const char* offset,
              const char* unit = "u") {
    DiagItem item;
    item.request = request;
    item.answerLength = length;
    item.name = name;
    item.unit = unit;
    item.factor = factor;
    item.offset = offset;
    return item;
}

TEST(FormatValue, OneDecimalBelowSixCharactersOfWholePartElseTheWholePartCut) {
    struct Case {
        DiagItem item;
        std::uint16_t raw;
        const char* text;
    };
    const Case cases[] = {
        {Item(1, 2, "rpm", "0.1", "0"), 0x012C, "30.0"},
        {Item(1, 2, "big", "1", "123456.7"), 0, "123456"},      // not rounded up
        {Item(1, 1, "neg", "0", "-12.34"), 0, "-12.3"},
        {Item(1, 1, "edge", "1", "99999.9"), 0, "99999.9"},     // five digits keep a decimal
        {Item(1, 1, "minus", "1", "-99999"), 0, "-99999"},      // the sign counts
        {Item(1, 2, "max", "1", "0"), 0xFFFF, "65535.0"},
        {Item(1, 1, "offset", "0.5", "-10"), 100, "40.0"},
        {Item(1, 1, "blanks", " 2 ", " +1"), 3, "7.0"},
        {Item(1, 1, "junk", "abc", ""), 200, "0.0"},
        {Item(1, 1, "huge", "1e30", "0"), 1, "1000000015047466219876688855040"},
        {Item(1, 1, "nan", "nan", "inf"), 1, "0.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatValue(c.item, c.raw), c.text) << c.item.name;
}

TEST(MonitorItemList, AddsBeforeASelectedEntryAndMovesAnItemAlreadyListed) {
    MonitorItemList list(30);
    EXPECT_EQ(list.Add(5), 0);
    EXPECT_EQ(list.Add(6), 1);
    EXPECT_EQ(list.Add(7, 1), 1);
    EXPECT_EQ(list.Entries(), (std::vector<std::uint8_t>{5, 7, 6}));
    EXPECT_EQ(list.Add(5, 3), 2);   // moved to the end
    EXPECT_EQ(list.Entries(), (std::vector<std::uint8_t>{7, 6, 5}));
    EXPECT_EQ(list.Add(5, 0), 0);   // moved to the front
    EXPECT_EQ(list.Entries(), (std::vector<std::uint8_t>{5, 7, 6}));
    EXPECT_TRUE(list.Remove(1));
    EXPECT_FALSE(list.Remove(2));
    EXPECT_EQ(list.Entries(), (std::vector<std::uint8_t>{5, 6}));
}

TEST(MonitorItemList, AFullListTakesNothingMoreNotEvenAMove) {
    MonitorItemList list(monitor::kDialogMax);
    for (int i = 0; i < 30; ++i) ASSERT_GE(list.Add(static_cast<std::uint8_t>(i)), 0);
    EXPECT_FALSE(list.CanAdd());
    EXPECT_EQ(list.Add(30), -1);
    EXPECT_EQ(list.Add(3, 0), -1);
    EXPECT_EQ(list.Size(), 30u);
    MonitorItemList bar(monitor::kStatusBarMax);
    bar.Assign({1, 2, 3, 4, 5});
    EXPECT_EQ(bar.Entries(), (std::vector<std::uint8_t>{1, 2, 3}));
}

using Flags = std::vector<bool>;

// A scripted ECU that answers each request byte with its answer bytes.
struct MonitorTest : EcuFixture {
    std::map<std::uint8_t, std::vector<std::uint8_t>> answers;
    std::vector<std::pair<std::size_t, std::string>> values;
    int cycles = 0;
    Monitor monitor{app.diagItems, link, protocol, prompt};

    void SetUp() override {
        app.diagItems = {Item(0x21, 1, "Throttle", "0.5", "0", "%"), Item(0x02, 2, "Engine Speed", "0.1", "0", "rpm"),
                         Item(0x22, 1, "Gear", "1", "0", "-")};
        answers[0x21] = {200};
        answers[0x02] = {0x01, 0x2C};
        answers[0x22] = {3};
        monitor.onValue = [this](std::size_t position, const std::string& text) { values.emplace_back(position, text); };
        monitor.onCycle = [this] { ++cycles; };
        OpenQuietly();
        port.onWrite = [this](std::uint8_t b) {
            if (auto it = answers.find(b); it != answers.end())
                for (std::uint8_t a : it->second) port.Feed({a});
        };
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) link.OnTick();
    }
    std::vector<bool> Live() const {
        std::vector<bool> live;
        for (const MonitorRow& row : monitor.Rows()) live.push_back(row.live);
        return live;
    }
    bool LockFreeForOthers() {
        return std::async(std::launch::async, [this] {
                   if (!link.CommLock().try_lock()) return false;
                   link.CommLock().unlock();
                   return true;
               }).get();
    }
};

TEST_F(MonitorTest, AsksOneItemAtATimeAndShowsEachAnswerInItsRow) {
    monitor.SetDialogList({0, 1});
    monitor.OpenWindow();
    Ticks(1);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x21}));
    EXPECT_TRUE(link.monitorActive);
    EXPECT_FALSE(LockFreeForOthers());   // held from the request to the answer
    Ticks(1);
    EXPECT_TRUE(LockFreeForOthers());
    EXPECT_EQ(monitor.Rows()[0].value, "100.0");
    EXPECT_EQ(link.silenceCountdown, monitor::kAnswerTicks);
    Ticks(3);   // request, high byte, low byte
    EXPECT_EQ(monitor.Rows()[1].value, "30.0");
    EXPECT_EQ(cycles, 0);
    Ticks(1);   // past the end: back to the first entry, nothing sent
    EXPECT_EQ(cycles, 1);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x21, 0x02}));
    Ticks(1);
    EXPECT_EQ(port.written.back(), 0x21);

    const auto rows = monitor.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].name, "Engine Speed");
    EXPECT_EQ(rows[1].unit, "rpm");
    EXPECT_EQ(values, (std::vector<std::pair<std::size_t, std::string>>{{0, "100.0"}, {1, "30.0"}}));
}

TEST_F(MonitorTest, AnItemWithoutAnswerShowsErrorAfterTenTicksAndThePollMovesOn) {
    answers.erase(0x21);
    monitor.SetDialogList({0, 2});
    monitor.OpenWindow();
    Ticks(1);
    port.clearErrorCount = 0;
    Ticks(9);
    EXPECT_EQ(monitor.Rows()[0].value, "");
    Ticks(1);
    EXPECT_EQ(monitor.Rows()[0].value, monitor::kError);
    EXPECT_EQ(port.clearErrorCount, 1);
    EXPECT_TRUE(LockFreeForOthers());
    Ticks(2);
    EXPECT_EQ(monitor.Rows()[1].value, "3.0");
}

TEST_F(MonitorTest, AHalfAnswerAndAFailedReadAreErrorsToo) {
    answers[0x02] = {0x01};
    monitor.SetDialogList({1, 0});
    monitor.OpenWindow();
    Ticks(11);
    EXPECT_EQ(monitor.Rows()[0].value, monitor::kError);

    answers[0x21] = {};
    Ticks(1);   // request of item 0
    port.Fail();
    Ticks(1);
    EXPECT_EQ(monitor.Rows()[1].value, monitor::kError);
}

TEST_F(MonitorTest, StaysIdleWhileAnExchangeRuns) {
    monitor.SetDialogList({0});
    monitor.OpenWindow();
    link.exchangeBusy = true;
    link.monitorActive = true;
    Ticks(5);
    EXPECT_FALSE(link.monitorActive);
    EXPECT_TRUE(port.written.empty());
    link.exchangeBusy = false;
    Ticks(1);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x21}));
}

TEST_F(MonitorTest, WithTheWindowClosedOnlyTheStatusBarItemsArePolled) {
    monitor.SetStatusBarList({2});
    monitor.SetDialogList({0, 1});
    Ticks(6);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x22, 0x22}));
    EXPECT_EQ(values.front(), (std::pair<std::size_t, std::string>{0, "3.0"}));
    EXPECT_EQ(monitor.Rows()[0].value, "");

    monitor.OpenWindow();
    port.written.clear();
    Ticks(6);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x22, 0x21, 0x02}));
}

TEST_F(MonitorTest, AnEmptyListWrapsOnEveryTickAndSendsNothing) {
    monitor.OpenWindow();
    Ticks(4);
    EXPECT_EQ(cycles, 4);
    EXPECT_TRUE(port.written.empty());
}

TEST_F(MonitorTest, AnEntryWithoutItemIsPassedOver) {
    monitor.SetDialogList({9, 2});
    monitor.OpenWindow();
    Ticks(3);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0x22}));
    EXPECT_EQ(monitor.Rows()[1].value, "3.0");
    EXPECT_EQ(monitor.Rows()[0].name, "");
}

TEST_F(MonitorTest, StopLetsTheOutstandingAnswerArriveThenClosesWithAnEmptyInput) {
    monitor.SetDialogList({1});
    monitor.OpenWindow();
    Ticks(1);
    EXPECT_EQ(monitor.ButtonText(), "St&op");
    port.clearErrorCount = 0;
    monitor.Stop();
    EXPECT_EQ(monitor.Rows()[0].value, "30.0");
    EXPECT_FALSE(monitor.Rows()[0].live);   // kept, no longer renewed
    EXPECT_FALSE(link.portOpen);
    EXPECT_FALSE(pump.running);
    EXPECT_EQ(port.clearErrorCount, 1);
    EXPECT_TRUE(LockFreeForOthers());
    EXPECT_EQ(monitor.ButtonText(), "St&art");
}

TEST_F(MonitorTest, AValueIsLiveOnlyWhileThePollRenewsIt) {
    monitor.SetDialogList({0, 2});   // a round of 5 ticks
    monitor.OpenWindow();
    Ticks(2);
    EXPECT_EQ(Live(), (Flags{true, false}));
    Ticks(2);
    link.exchangeBusy = true;   // stale at once, and after the exchange until asked again
    EXPECT_EQ(Live(), (Flags{false, false}));
    Ticks(3);
    link.exchangeBusy = false;
    Ticks(3);   // the wrap, the first row again
    EXPECT_EQ(Live(), (Flags{true, false}));
    Ticks(2);
    EXPECT_EQ(Live(), (Flags{true, true}));
    // The ECU falls silent: each value goes stale once older than a round,
    // before the first "Error" (10 ticks after its request).
    answers.clear();
    Ticks(6);
    EXPECT_EQ(Live(), (Flags{false, false}));
    EXPECT_EQ(monitor.Rows()[1].value, "3.0");
    Ticks(6);
    EXPECT_EQ(monitor.Rows()[0].value, monitor::kError);
    EXPECT_EQ(Live(), (Flags{false, false}));
}

// An item that never answers makes every round 9 ticks longer: from the
// second round on, the other row is renewed in time and stays live.
TEST_F(MonitorTest, AnItemThatNeverAnswersLeavesTheOtherRowLive) {
    answers.erase(0x21);
    monitor.SetDialogList({0, 2});
    monitor.OpenWindow();
    Ticks(2 * 14);
    for (int tick = 0; tick < 2 * 14; ++tick) {
        Ticks(1);
        EXPECT_EQ(Live(), (Flags{false, true})) << "tick " << tick;
    }
}

struct MonitorStartTest : EcuFixture {
    Monitor monitor{app.diagItems, link, protocol, prompt};
};

TEST_F(MonitorStartTest, FromTheMenuASilentEcuIsReportedAndThePortStaysClosed) {
    EXPECT_EQ(monitor.StartFromMenu(), str::kNoResponse);
    EXPECT_FALSE(link.portOpen);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, Str(str::kNoResponse));
    EXPECT_EQ(prompt.Last().caption, "RS232C Parameter Set");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
}

TEST_F(MonitorStartTest, FromTheMenuAnAnsweringEcuStartsTheLinkTimer) {
    port.onWrite = [this](std::uint8_t b) {
        if (b == 0xBF) port.Feed("M1");
    };
    EXPECT_EQ(monitor.StartFromMenu(), 0);
    EXPECT_TRUE(link.portOpen);
    EXPECT_TRUE(pump.running);
    EXPECT_EQ(monitor.StartFromMenu(), 0);   // already running: nothing
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(MonitorStartTest, FromTheButtonAWrongEcuClosesThePortAgain) {
    port.onWrite = [this](std::uint8_t b) {
        if (b == 0xBF) port.Feed("M2");
    };
    EXPECT_EQ(monitor.StartFromButton(), str::kEcuTypeDifferent);
    EXPECT_FALSE(link.portOpen);
    port.openResult = false;
    EXPECT_EQ(monitor.StartFromButton(), str::kPortOpenFailed);
    EXPECT_EQ(prompt.Last().text, "Failed open RS232C port");
}

}  // namespace
