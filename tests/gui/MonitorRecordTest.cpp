// Monitor > Record against ecusim --sequence on a pseudo-terminal: the
// command and the window's Record button, the status line, the log read
// back row by row, the end of a recording when the monitor stops, and a
// logs folder that cannot be used.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>
#include <unistd.h>

#include "ecu/Monitor.h"
#include "ecu/gui/EcuController.h"
#include "ecu/gui/MonitorWnd.h"
#include "files/Datalog.h"
#include "tests/gui/EcuFrame.h"

using namespace ecuframe;

namespace {

Options SequenceEcu() {
    Options options;
    options.simArguments = {"--sequence"};
    return options;
}

bool Enabled(EcuFrame& f, int id) {
    f.frame->UpdateCommandUi();
    return f.frame->action(id)->isEnabled();
}

bool Checked(EcuFrame& f, int id) {
    f.frame->UpdateCommandUi();
    return f.frame->action(id)->isChecked();
}

CMonitorWnd* StartedMonitor(EcuFrame& f) {
    f.Open();
    f.frame->OnCommand(cmd::kMonitor);
    CMonitorWnd* monitor = f.frame->MonitorWindow();
    if (!monitor || !QTest::qWaitForWindowExposed(monitor)) return nullptr;
    QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
    return monitor;
}

QStringList LogLines(EcuFrame& f, const QString& status) {
    // "Recorded N rows to LOGS/<name>"
    const QString name = status.section('/', -1);
    const std::string text = f.install.dir.Read("install/TST01/WORK/LOGS/" + name.toStdString());
    QStringList lines = QString::fromStdString(text).split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

class MonitorRecordTest : public QObject {
    Q_OBJECT

private slots:
    void recordingWritesEveryRoundAndTheStatusSaysWhere() {
        EcuFrame f(SequenceEcu());
        f.Open();
        QVERIFY(!Enabled(f, cmd::kMonitorRecord));
        CMonitorWnd* monitor = StartedMonitor(f);
        QVERIFY(monitor);
        QVERIFY(Enabled(f, cmd::kMonitorRecord));
        QVERIFY(!Checked(f, cmd::kMonitorRecord));
        QVERIFY(monitor->recordButton()->isEnabled());

        f.frame->action(cmd::kMonitorRecord)->trigger();
        QVERIFY(Checked(f, cmd::kMonitorRecord));
        QVERIFY(monitor->recordButton()->isChecked());
        const QString recording = monitor->statusLine()->text();
        QVERIFY2(recording.startsWith("Recording to LOGS/") && recording.endsWith(".csv"), qPrintable(recording));
        QTRY_VERIFY_WITH_TIMEOUT(f.frame->Ecu().Recording() && !monitor->valueBox(3)->text().isEmpty(), 10000);
        QTest::qWait(300);

        // The window's button ends it as the command does.
        QTest::mouseClick(monitor->recordButton(), Qt::LeftButton);
        QVERIFY(!f.frame->Ecu().Recording());
        QVERIFY(!Checked(f, cmd::kMonitorRecord));
        QVERIFY(!monitor->recordButton()->isChecked());
        const QString done = monitor->statusLine()->text();
        QVERIFY2(done.startsWith("Recorded ") && done.endsWith(recording.section('/', -1)), qPrintable(done));
        QVERIFY(f.prompt.shown.empty());

        const QStringList lines = LogLines(f, done);
        QCOMPARE(lines.value(0), QString("time_s,Engine Speed [rpm],Throttle [%],Coolant Temp [degC],Injection Time [ms]"));
        QCOMPARE(QString("Recorded %1 rows to ").arg(lines.size() - 1), done.section("LOGS/", 0, 0));
        QVERIFY(lines.size() > 10);
        // Four answers a row, counted by the simulator: row r starts at the
        // first row's count + 4 r.
        const long first = lines[1].section(',', 1, 1).toLong();
        for (int r = 1; r < lines.size(); ++r) {
            const unsigned count = static_cast<unsigned>(first) + 4u * static_cast<unsigned>(r - 1);
            const QString expected = QString("%1,%2,%3,%4")
                                         .arg(count & 0xFFFF)
                                         .arg(QString::fromStdString(DatalogNumber(((count + 1) & 0xFF) * 0.5, 1)))
                                         .arg(static_cast<int>((count + 2) & 0xFF) - 40)
                                         .arg(QString::fromStdString(DatalogNumber(
                                             static_cast<double>(static_cast<float>((count + 3) & 0xFFFF) * 0.004F), 3)));
            QCOMPARE(lines[r].section(',', 1), expected);
        }
    }

    void stoppingTheMonitorEndsTheRecordingWithItsRows() {
        EcuFrame f(SequenceEcu());
        CMonitorWnd* monitor = StartedMonitor(f);
        QVERIFY(monitor);
        QTest::mouseClick(monitor->recordButton(), Qt::LeftButton);
        QVERIFY(f.frame->Ecu().Recording());
        QTRY_VERIFY_WITH_TIMEOUT(!monitor->valueBox(3)->text().isEmpty(), 10000);
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);   // St&op
        QTRY_VERIFY_WITH_TIMEOUT(monitor->statusLine()->text().startsWith("Recorded "), 5000);
        QVERIFY(!f.frame->Ecu().Recording());
        QVERIFY(!monitor->recordButton()->isEnabled());
        QVERIFY(!Enabled(f, cmd::kMonitorRecord));
        QVERIFY(LogLines(f, monitor->statusLine()->text()).size() > 1);
    }

    void quittingBeforeTheFirstAnswerLeavesNoLog() {
        EcuFrame f(SequenceEcu());
        CMonitorWnd* monitor = StartedMonitor(f);
        QVERIFY(monitor);
        QTest::mouseClick(monitor->recordButton(), Qt::LeftButton);
        QVERIFY(f.frame->Ecu().Recording());
        f.frame.reset();   // before the event loop ran a recording step
        const std::filesystem::path logs = f.install.dir.File("install/TST01/WORK/LOGS");
        std::error_code error;
        QVERIFY(std::filesystem::is_empty(logs, error));
    }

    void aLogsFolderThatIsALinkIsRefusedAndNothingElseChanges() {
        EcuFrame f(SequenceEcu());
        f.install.dir.Write("elsewhere/keep.txt", "keep");
        f.install.dir.Write("install/TST01/WORK/placeholder", "");
        QCOMPARE(::symlink(f.install.dir.File("elsewhere").c_str(),
                           f.install.dir.File("install/TST01/WORK/LOGS").c_str()),
                 0);
        CMonitorWnd* monitor = StartedMonitor(f);
        QVERIFY(monitor);
        QVERIFY(Enabled(f, cmd::kMonitorRecord));
        f.frame->action(cmd::kMonitorRecord)->trigger();
        QVERIFY(!f.frame->Ecu().Recording());
        QCOMPARE(f.prompt.shown.size(), std::size_t{1});
        QVERIFY(f.prompt.shown[0].text.find("symbolic link") != std::string::npos);
        QVERIFY(f.frame->LiveMonitor().Running());   // the monitor goes on as before
        QVERIFY(monitor->statusLine()->text().isEmpty());
        QCOMPARE(f.install.dir.Read("elsewhere/keep.txt"), std::string("keep"));
    }
};

QTEST_MAIN(MonitorRecordTest)
#include "MonitorRecordTest.moc"
