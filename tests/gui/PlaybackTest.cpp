// A recorded ride played back from File > Open log...: the timeline's keys
// and slider, the time driven by a clock of the test's own, the marks on the
// table window and the log's values in the monitor window, the monitor kept
// from starting, a damaged log refused, and the calibration left alone.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

#include "ecu/Monitor.h"
#include "ecu/gui/MonitorWnd.h"
#include "tests/gui/EcuFrame.h"
#include "app/gui/PlaybackBar.h"

namespace {

using namespace ecuframe;

// The map's THROT rows are 0, 30, 100 %, its RPM columns 1000, 4000, 9000,
// 15000 rpm: each row of the ride lies on one cell.
const char* kRide =
    "time_s,Engine Speed [rpm],Throttle [%],Coolant Temp [degC],Oil Pressure [bar]\n"
    "0.000,1000,0.0,60,1.5\n"      // cell (0, 0)
    "1.000,4000,30.0,65,2.0\n"     // (1, 1)
    "2.000,9000,100.0,70,2.5\n"    // (2, 2)
    "3.000,15000,100.0,75,3.0\n"   // (2, 3)
    "4.000,4000,0.0,80,2.0\n"      // (0, 1)
    "5.000,1000,30.0,85,1.5\n";    // (1, 0)

struct Frame {
    EcuFrame f;
    double now = 100.0;
    CTableWnd* table = nullptr;

    explicit Frame(bool startSim = false) : f([startSim] { Options o; o.startSim = startSim; return o; }()) {
        f.Open();
        table = f.Table();
        Controller().clock = [this] { return now; };
    }
    PlaybackController& Controller() { return f.frame->Playback(); }
    CPlaybackBar* Bar() { return Controller().Bar(); }
    // File > Open log... answered with a log of text.
    void OpenLog(const std::string& text) {
        f.dialogs.nextFile = f.install.dir.Write("install/TST01/WORK/LOGS/ride.csv", text);
        f.frame->OnCommand(cmd::kOpenLog);
        QApplication::processEvents();
    }
    void Wall(double seconds) {
        now += seconds;
        Controller().Tick();
        QApplication::processEvents();
    }
    QString TimeText() { return Bar()->timeLabel()->text(); }
    std::pair<int, int> Nearest() {
        const std::vector<TableCell>& cells = table->LiveCells();
        return cells.empty() ? std::make_pair(-1, -1) : std::make_pair(cells[0].row, cells[0].column);
    }
    CMonitorWnd* OpenMonitor() {
        QTest::keyClick(f.frame.get(), Qt::Key_M, Qt::ControlModifier);
        CMonitorWnd* monitor = f.frame->MonitorWindow();
        if (monitor && !QTest::qWaitForWindowExposed(monitor)) return nullptr;
        return monitor;
    }
    QStringList MonitorValues(CMonitorWnd* monitor) {
        monitor->Refresh();
        QStringList values;
        for (int row = 0; row < monitor->UsedRows(); ++row) values << monitor->valueBox(row)->text();
        return values;
    }
};

// Where the slider's handle stands for value.
QPoint SliderPoint(QSlider* slider, int value) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.maximum = slider->maximum();
    option.sliderPosition = option.sliderValue = value;
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
}

// The handle dragged with the mouse from where it is to value.
void Drag(QSlider* slider, int value) {
    const QPoint from = SliderPoint(slider, slider->value());
    const QPoint to = SliderPoint(slider, value);
    QTest::mousePress(slider, Qt::LeftButton, {}, from);
    QTest::mouseMove(slider, QPoint((from.x() + to.x()) / 2, from.y()));
    QTest::mouseMove(slider, to);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
    QApplication::processEvents();
}

}  // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

private slots:
    void playsAtTheChosenSpeedToTheRowOfTheTime() {
        Frame t;
        QVERIFY(t.f.frame->QueryCommand(cmd::kOpenLog).enabled);
        t.OpenLog(kRide);
        // The dialog started in the machine's logs and asked for datalogs.
        QVERIFY(QString::fromStdString(t.f.dialogs.lastRequest.folder).endsWith("/WORK/LOGS"));
        QCOMPARE(t.f.dialogs.lastRequest.filters.front(), std::string("Datalog (*.csv)"));
        QVERIFY(t.f.prompt.shown.empty());
        QVERIFY(t.Bar() && t.Bar()->isVisible());
        QCOMPARE(t.TimeText(), QString("0.000 s / 5.000 s"));
        QCOMPARE(t.Bar()->statusLine()->text(),
                 QString("Read 6 rows of ride.csv. Not monitor items of this machine: Oil Pressure."));
        QCOMPARE(t.Nearest(), std::make_pair(0, 0));

        // 2x with the keyboard, then Space plays.
        QTest::keyClick(t.Bar()->speedBox(), Qt::Key_Down);
        QCOMPARE(t.Bar()->speedBox()->currentText(), QString("2x"));
        QTest::keyClick(t.Bar()->slider(), Qt::Key_Space);
        QCOMPARE(t.Bar()->playButton()->text(), QString("Pause"));
        struct Step {
            double wall;            // seconds of the test's clock
            const char* time;
            std::pair<int, int> cell;
        };
        const Step steps[] = {
            {0.25, "0.500 s / 5.000 s", {0, 0}},
            {1.0, "2.500 s / 5.000 s", {2, 2}},
            {0.25, "3.000 s / 5.000 s", {2, 3}},
            {10.0, "5.000 s / 5.000 s", {1, 0}},   // held at the end, paused
        };
        for (const Step& s : steps) {
            t.Wall(s.wall);
            QCOMPARE(t.TimeText(), QString(s.time));
            QCOMPARE(t.Nearest(), s.cell);
        }
        QCOMPARE(t.Bar()->playButton()->text(), QString("Play"));
        // The trail holds the rows of the last two seconds on the log's clock.
        QCOMPARE(t.f.frame->Operating().Trail().Size(), std::size_t{3});
    }

    void keysStepRowsAndPagesAndSpacePauses() {
        Frame t;
        t.OpenLog(kRide);
        QSlider* slider = t.Bar()->slider();
        struct Case {
            Qt::Key key;
            const char* time;
        };
        const Case cases[] = {
            {Qt::Key_Right, "1.000 s / 5.000 s"},  {Qt::Key_Right, "2.000 s / 5.000 s"},
            {Qt::Key_Left, "1.000 s / 5.000 s"},   {Qt::Key_End, "5.000 s / 5.000 s"},
            {Qt::Key_Home, "0.000 s / 5.000 s"},   {Qt::Key_PageUp, "5.000 s / 5.000 s"},
            {Qt::Key_PageDown, "0.000 s / 5.000 s"},
        };
        for (const Case& c : cases) {
            QTest::keyClick(slider, c.key);
            QCOMPARE(t.TimeText(), QString(c.time));
        }
        QTest::keyClick(slider, Qt::Key_Space);
        t.Wall(1.5);
        QCOMPARE(t.TimeText(), QString("1.500 s / 5.000 s"));
        // Space on the focused play button pauses once, not twice.
        t.Bar()->playButton()->setFocus();
        QTest::keyClick(t.Bar()->playButton(), Qt::Key_Space);
        QCOMPARE(t.Bar()->playButton()->text(), QString("Play"));
        t.Wall(1.0);
        QCOMPARE(t.TimeText(), QString("1.500 s / 5.000 s"));
    }

    void draggingShowsTheRowInTheMonitorAndMarksItsCellsAndTheMonitorCannotStart() {
        Frame t;
        CMonitorWnd* monitor = t.OpenMonitor();
        QVERIFY(monitor);
        t.OpenLog(kRide);
        QSlider* slider = t.Bar()->slider();
        Drag(slider, 3500);
        const Playback* playback = t.Controller().Current();
        QVERIFY(playback);
        QCOMPARE(playback->Row(), std::size_t{3});
        // Engine Speed, Throttle, Coolant Temp as the log gives them; the
        // log has no Injection Time.
        QCOMPARE(t.MonitorValues(monitor), (QStringList{"15000", "100.0", "75", ""}));
        QCOMPARE(monitor->windowTitle(), QString("Monitor - playback %1 s").arg(playback->Time(), 0, 'f', 1));
        QCOMPARE(t.Nearest(), std::make_pair(2, 3));
        QCOMPARE(t.f.frame->Operating().Trail().Size(), std::size_t{3});

        // Back: the trail starts over at the row shown.
        Drag(slider, 1500);
        QCOMPARE(t.Controller().Current()->Row(), std::size_t{1});
        QCOMPARE(t.MonitorValues(monitor), (QStringList{"4000", "30.0", "65", ""}));
        QCOMPARE(t.Nearest(), std::make_pair(1, 1));
        QCOMPARE(t.f.frame->Operating().Trail().Size(), std::size_t{2});

        // The monitor cannot start, from its button or the menu.
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        t.f.frame->OnCommand(cmd::kMonitorStart);
        QVERIFY(!t.f.frame->LiveMonitor().Running());
        QCOMPARE(t.f.Texts(), (std::vector<std::string>(2, monitor::kPlaybackRefusal)));
        // Playing back never touches the calibration.
        QCOMPARE(t.f.app->modified, 0);
        QVERIFY(!t.f.frame->QueryCommand(cmd::kUndo).enabled);

        // Close ends it: the monitor's own rows and title, no marks.
        QTest::mouseClick(t.Bar()->closeButton(), Qt::LeftButton);
        QVERIFY(!t.Controller().Active());
        QVERIFY(!t.Bar()->isVisible());
        QCOMPARE(t.MonitorValues(monitor), (QStringList{"", "", "", ""}));
        QCOMPARE(monitor->windowTitle(), QString("Monitor"));
        QVERIFY(t.f.app->operating.live.mapName.empty());
    }

    void aLogOpenedWhileTheMonitorRunsAsksBeforeStoppingIt() {
        Frame t(/*startSim=*/true);
        QVERIFY(t.OpenMonitor());
        QCOMPARE(t.f.frame->LiveMonitor().StartFromMenu(), 0);
        t.f.prompt.answers = {PromptAnswer::kNo};
        t.OpenLog(kRide);
        QVERIFY(t.f.frame->LiveMonitor().Running());
        QVERIFY(!t.Controller().Active());
        QCOMPARE(t.f.prompt.Last().text, std::string("The monitor is running.\nStop it and play back the log?"));
        t.f.prompt.answers = {PromptAnswer::kYes};
        t.OpenLog(kRide);
        QVERIFY(!t.f.frame->LiveMonitor().Running());
        QVERIFY(t.Controller().Active());
    }

    void damagedOrForeignLogsAreRefused() {
        struct Case {
            const char* what;
            const char* text;
            const char* says;
        };
        const Case cases[] = {
            {"a field that is no number", "time_s,Engine Speed [rpm]\n0,1000\n1,fast\n", "line 3"},
            {"no rows", "time_s,Engine Speed [rpm]\n", "no rows"},
            {"no item of this machine", "time_s,Lambda\n0,0.9\n", "No column"},
        };
        Frame t;
        for (const Case& c : cases) {
            t.f.prompt.shown.clear();
            t.OpenLog(c.text);
            QVERIFY2(!t.Controller().Active(), c.what);
            QCOMPARE(t.f.prompt.shown.size(), std::size_t{1});
            QVERIFY2(t.f.prompt.Last().text.find(c.says) != std::string::npos, t.f.prompt.Last().text.c_str());
            QCOMPARE(t.f.prompt.Last().caption, std::string("Open log"));
        }
        // A cut-off last line is read without it and said in the status line.
        t.f.prompt.shown.clear();
        t.OpenLog("time_s,Engine Speed [rpm],Throttle [%]\n0,1000,0\n1,4000,30\n2,90");
        QVERIFY(t.Controller().Active());
        QVERIFY(t.f.prompt.shown.empty());
        QCOMPARE(t.Bar()->statusLine()->text(),
                 QString("Read 2 rows of ride.csv. The last line was cut off and left out."));
    }
};

QTEST_MAIN(PlaybackTest)
#include "PlaybackTest.moc"
