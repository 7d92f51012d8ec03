// The Monitor window from the main frame, against ecusim on a
// pseudo-terminal: its rows, Start and Stop from its button and from the
// menu with their update rules, live values, the keys, the window's size and
// its remembered place.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include "ecu/Monitor.h"
#include "ecu/EcuSession.h"
#include "ecu/SerialLink.h"
#include "ecu/gui/MonitorWnd.h"
#include "model/Strings.h"
#include "tests/gui/EcuFrame.h"

using namespace ecuframe;

namespace {

CMonitorWnd* OpenMonitor(EcuFrame& f) {
    QTest::keyClick(f.frame.get(), Qt::Key_M, Qt::ControlModifier);
    CMonitorWnd* monitor = f.frame->MonitorWindow();
    if (monitor && !QTest::qWaitForWindowExposed(monitor)) return nullptr;
    return monitor;
}

bool Enabled(EcuFrame& f, int id) {
    f.frame->UpdateCommandUi();
    return f.frame->action(id)->isEnabled();
}

bool Checked(EcuFrame& f, int id) {
    f.frame->UpdateCommandUi();
    return f.frame->action(id)->isChecked();
}

}  // namespace

class MonitorWndTest : public QObject {
    Q_OBJECT

private slots:
    void runningForTwoSecondsFillsTheRowsAndStopClosesThePort() {
        EcuFrame f;
        QVERIFY(!Enabled(f, cmd::kMonitor));   // no calibration yet
        f.Open();
        QVERIFY(Enabled(f, cmd::kMonitor));
        QVERIFY(!Checked(f, cmd::kMonitor));
        QVERIFY(!Enabled(f, cmd::kMonitorStart));
        QVERIFY(!Enabled(f, cmd::kMonitorStop));
        QVERIFY(!Enabled(f, cmd::kMonitorDialog));

        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        QCOMPARE(monitor->windowTitle(), QString("Monitor"));
        QVERIFY(Checked(f, cmd::kMonitor));
        QVERIFY(Enabled(f, cmd::kMonitorStart));
        QVERIFY(!Enabled(f, cmd::kMonitorStop));
        QVERIFY(Checked(f, cmd::kMonitorStop));   // checked while the port is closed
        QVERIFY(Enabled(f, cmd::kMonitorDialog));
        QCOMPARE(monitor->UsedRows(), 4);
        const char* names[] = {"Engine Speed", "Throttle", "Coolant Temp", "Injection Time"};
        const char* units[] = {"rpm", "%", "degC", "ms"};
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(monitor->nameLabel(row)->text(), QString(names[row]));
            QCOMPARE(monitor->unitLabel(row)->text(), QString(units[row]));
            QVERIFY(monitor->valueBox(row)->text().isEmpty());
            QVERIFY(monitor->valueBox(row)->isReadOnly());
            QVERIFY(monitor->valueBox(row)->alignment() & Qt::AlignRight);
        }
        QCOMPARE(monitor->nameLabel(0)->objectName(), QString("control1109"));
        QCOMPARE(monitor->valueBox(3)->objectName(), QString("control1095"));
        QVERIFY(!monitor->nameLabel(4)->isVisible());
        // The window ends below the last used row.
        const QRect last = monitor->valueBox(3)->geometry();
        QVERIFY(monitor->height() >= last.bottom());
        QVERIFY(monitor->height() < last.bottom() + 3 * last.height());
        QCOMPARE(monitor->startButton()->text(), QString("St&art"));

        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        SerialLink& link = f.frame->Session().Link();
        QVERIFY(link.portOpen);
        QVERIFY(f.frame->Timer().LinkTimerRunning());
        QCOMPARE(monitor->startButton()->text(), QString("St&op"));
        QVERIFY(!Enabled(f, cmd::kMonitorStart));
        QVERIFY(Checked(f, cmd::kMonitorStart));
        QVERIFY(Enabled(f, cmd::kMonitorStop));
        QVERIFY(f.prompt.shown.empty());

        QTest::qWait(2000);
        for (int row = 0; row < 4; ++row) {
            const QString value = monitor->valueBox(row)->text();
            bool number = false;
            value.toDouble(&number);
            QVERIFY2(number, qPrintable(QString("row %1: '%2'").arg(row).arg(value)));
        }
        // Values with one decimal, as the items convert them.
        QVERIFY(monitor->valueBox(1)->text().contains('.'));

        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QVERIFY(!link.portOpen);
        QVERIFY(!f.frame->Timer().LinkTimerRunning());
        QCOMPARE(monitor->startButton()->text(), QString("St&art"));
        QVERIFY(f.prompt.shown.empty());
        // What the rows show stays; nothing is asked for any more.
        const QString kept = monitor->valueBox(0)->text();
        QTest::qWait(300);
        QCOMPARE(monitor->valueBox(0)->text(), kept);
    }

    void theMenuStartsAndStopsAndASilentEcuIsReported() {
        Options options;
        options.simArguments = {"--fault", "silent"};
        EcuFrame f(options);
        f.Open();
        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        f.prompt.shown.clear();
        f.frame->action(cmd::kMonitorStart)->trigger();
        QCOMPARE(f.prompt.shown.size(), std::size_t{1});
        QCOMPARE(f.prompt.Last().text, Str(str::kNoResponse));
        QCOMPARE(f.prompt.Last().caption, std::string("RS232C Parameter Set"));
        QCOMPARE(f.prompt.Last().icon, PromptIcon::kExclamation);
        QVERIFY(!f.frame->Session().Link().portOpen);
        QCOMPARE(monitor->startButton()->text(), QString("St&art"));

        // The button opens first, then asks, and closes again.
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QCOMPARE(f.prompt.shown.size(), std::size_t{2});
        QCOMPARE(f.prompt.Last().text, Str(str::kNoResponse));
        QVERIFY(!f.frame->Session().Link().portOpen);
    }

    void menuStartRunsTheWindowAndMenuStopEndsIt() {
        EcuFrame f;
        f.Open();
        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        f.frame->action(cmd::kMonitorStart)->trigger();
        QVERIFY(f.frame->Session().Link().portOpen);
        QCOMPARE(monitor->startButton()->text(), QString("St&op"));
        QTRY_VERIFY_WITH_TIMEOUT(!monitor->valueBox(3)->text().isEmpty(), 10000);
        f.frame->action(cmd::kMonitorStop)->trigger();
        QVERIFY(!f.frame->Session().Link().portOpen);
        QCOMPARE(monitor->startButton()->text(), QString("St&art"));
        QVERIFY(f.prompt.shown.empty());
    }

    void anItemWithoutAnswerShowsErrorAndThePollGoesOn() {
        Options options;
        // ecusim knows no item 45: its row gets no answer.
        options.diagItems = DiagLine(0x45, "Unplugged", "V", 1, "1", "0") + FourItems();
        EcuFrame f(options);
        f.Open();
        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        QCOMPARE(monitor->UsedRows(), 5);
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(monitor->valueBox(0)->text(), QString("Error"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!monitor->valueBox(4)->text().isEmpty(), 10000);
        QVERIFY(monitor->valueBox(4)->text() != "Error");
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QVERIFY(!f.frame->Session().Link().portOpen);
    }

    void aValueTheMonitorNoLongerRenewsShowsStale() {
        EcuFrame f;
        f.Open();
        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        QLineEdit* box = monitor->valueBox(0);
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(f.frame->LiveMonitor().Rows()[0].live, 10000);
        monitor->Refresh();
        const QString value = box->text();
        const QColor liveColour = box->palette().color(QPalette::Text);
        QVERIFY(!value.isEmpty() && !box->font().italic());
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);   // Stop: kept, no longer live
        QCOMPARE(box->text(), value);
        QVERIFY(box->palette().color(QPalette::Text) != liveColour);
        QVERIFY(box->font().italic());
    }

    void theKeysOfTheWindow() {
        EcuFrame f;
        f.Open();
        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        monitor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(monitor));
        monitor->startButton()->setFocus();
        // A and O alone would press the button through its mnemonic.
        for (Qt::Key key : {Qt::Key_A, Qt::Key_O}) {
            QTest::keyClick(monitor->startButton(), key);
            QTest::keyClick(monitor->valueBox(0), key);
        }
        QVERIFY(!f.frame->Session().Link().portOpen);
        // Enter sends the focus to the main window and starts nothing.
        QTest::keyClick(monitor->startButton(), Qt::Key_Return);
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        QVERIFY(!f.frame->Session().Link().portOpen);
        QVERIFY(monitor->isVisible());
        // Window > Monitor Dialog brings it back with the focus on its button.
        f.frame->action(cmd::kMonitorDialog)->trigger();
        QVERIFY(QTest::qWaitForWindowActive(monitor));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(monitor->startButton()));
        // Escape closes it, as its close box does.
        QTest::keyClick(monitor->startButton(), Qt::Key_Escape);
        QVERIFY(!monitor->isVisible());
        QVERIFY(!Checked(f, cmd::kMonitor));
        QVERIFY(!Enabled(f, cmd::kMonitorDialog));
        QVERIFY(!f.frame->LiveMonitor().WindowShown());
    }

    void theDialogBarsMonitorButtonShowsAndClosesTheWindow() {
        EcuFrame f;
        f.Open();
        QToolButton* button = f.frame->toolButton(cmd::kMonitor);
        QVERIFY(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        CMonitorWnd* monitor = f.frame->MonitorWindow();
        QVERIFY(monitor && monitor->isVisible());
        QVERIFY(f.frame->LiveMonitor().WindowShown());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!monitor->isVisible());
        QVERIFY(!f.frame->LiveMonitor().WindowShown());
    }

    void theWindowComesBackWhereItWasLeft() {
        EcuFrame f;
        f.Open();
        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        // First shown centred over the main window.
        const QPoint centre = f.frame->frameGeometry().center();
        QVERIFY((monitor->geometry().center() - centre).manhattanLength() < 40);
        monitor->move(monitor->pos() + QPoint(-120, 35));
        const QPoint moved = monitor->pos();
        f.frame->OnCommand(cmd::kMonitor);   // shown: closes it
        QVERIFY(!monitor->isVisible());
        f.frame->OnCommand(cmd::kMonitor);
        QVERIFY(monitor->isVisible());
        QCOMPARE(monitor->pos(), moved);
    }

    void closingTheCalibrationStopsTheMonitorAndClosesItsWindow() {
        EcuFrame f;
        f.Open();
        CMonitorWnd* monitor = OpenMonitor(f);
        QVERIFY(monitor);
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QVERIFY(f.frame->Session().Link().portOpen);
        f.frame->OnCommand(cmd::kClose);
        QVERIFY(!f.frame->Session().Link().portOpen);
        QVERIFY(!monitor->isVisible());
        QVERIFY(!Enabled(f, cmd::kMonitor));
    }
};

QTEST_MAIN(MonitorWndTest)
#include "MonitorWndTest.moc"
