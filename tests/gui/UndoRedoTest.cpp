// Undo and Redo in the main frame with real keys, on the shipped Kestrel:
// the Edit menu names the step, Ctrl+Y and Ctrl+Shift+Z put back exactly
// what Ctrl+Z took, Undo keeps the selection, and the frame's keys work
// while the Differences, Monitor or Logbook window has the focus.
#include <QApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QtTest>

#include "app/CommandIds.h"
#include "ecu/gui/LogbookDlg.h"
#include "ecu/gui/MonitorWnd.h"
#include "edit/CellAccess.h"
#include "edit/TableModel.h"
#include "edit/gui/DifferencesDlg.h"
#include "edit/gui/TableWnd.h"
#include "files/DataFile.h"
#include "tests/gui/TestCalibration.h"

namespace {

struct Bench {
    TestCalibration cal{kKestrel};

    Bench() {
        cal.Open(0);
        cal.frame->resize(1200, 900);
        qobject_cast<QMdiSubWindow*>(cal.ViewOfKind(kWindowTable)->parentWidget())->showMaximized();
        QApplication::processEvents();
        cal.prompt.shown.clear();
    }
    CTableWnd* Table() {
        CQelView* view = cal.ViewOfKind(kWindowTable);
        cal.Activate(view);
        return static_cast<CTableWnd*>(view->ChildWnd());
    }
    std::uint16_t Data(int row, int column) { return DataCellAddress(cal.Map(), row, column); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : cal.frame.get(), key, modifiers);
    }
    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        CTableWnd* table = Table();
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, modifiers,
                          table->GridCellCentre({kEditData, row, column}));
    }
    void Type(int row, int column, const char* text) {
        Click(row, column);
        QTest::keyClicks(Table()->gridEditor(), text);
        QTest::keyClick(Table()->gridEditor(), Qt::Key_Return);
    }
    void FrontAgain() {
        cal.frame->activateWindow();
        if (!QTest::qWaitForWindowActive(cal.frame.get())) qFatal("frame not active again");
        Table()->gridEditor()->setFocus();
    }
    // A window beside the frame takes the activation and the focus.
    static void Focus(QWidget* window) {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window)) qFatal("window not active");
    }
    // The calibration saved beside with one byte changed, to compare with.
    std::string ChangedCopy() {
        Calibration other;
        MachineConfig machine;
        machine.registry.machineFolder = cal.app->registry.machineFolder;
        RecordingPrompt quiet;
        if (LoadCalibrationLike(*cal.app, other, machine, quiet, cal.path) != kLoaded) qFatal("copy did not load");
        other.image()[Data(5, 5)] += 3;
        const std::string path = cal.install.dir.Path() + "/changed.qsd";
        if (!SaveDataFile(other, path)) qFatal("copy not saved");
        return path;
    }
};

}  // namespace

class UndoRedoTest : public QObject {
    Q_OBJECT

private slots:
    void keysUndoAndRedoExactlyWithNamedMenuItems() {
        Bench b;
        const Image loaded = b.cal.app->image();
        QVERIFY(!b.cal.ActionEnabled(cmd::kRedo));
        QCOMPARE(b.cal.ActionText(cmd::kRedo), QString("&Redo\tCtrl+Y"));
        b.Type(1, 1, "2.5");
        b.Type(2, 3, "1.5");
        const Image edited = b.cal.app->image();
        QVERIFY(edited != loaded);
        QVERIFY(b.cal.ActionEnabled(cmd::kUndo));
        QCOMPARE(b.cal.ActionText(cmd::kUndo), QString("&Undo(Edit DATA)\tCtrl+Z"));

        b.Key(Qt::Key_Z, Qt::ControlModifier);
        b.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(b.cal.app->image() == loaded);
        QVERIFY(b.cal.ActionEnabled(cmd::kRedo));
        QCOMPARE(b.cal.ActionText(cmd::kRedo), QString("&Redo Typed value\tCtrl+Y"));
        b.Key(Qt::Key_Y, Qt::ControlModifier);
        b.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(b.cal.app->image() == edited);
        QVERIFY(!b.cal.ActionEnabled(cmd::kRedo));

        // A new edit after an Undo: nothing is left to redo.
        b.Key(Qt::Key_Z, Qt::ControlModifier);
        b.Type(0, 0, "1");
        QVERIFY(!b.cal.ActionEnabled(cmd::kRedo));
        const Image now = b.cal.app->image();
        b.Key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(b.cal.app->image() == now);
        QVERIFY(b.cal.prompt.shown.empty());
    }

    void undoKeepsTheSelection() {
        Bench b;
        b.Click(1, 1);
        b.Click(3, 4, Qt::ShiftModifier);
        const CellSelection chosen = b.cal.Map().selection;
        QVERIFY(HasSelection(b.cal.Map()));
        const Image loaded = b.cal.app->image();
        b.Key(Qt::Key_PageUp);
        QVERIFY(b.cal.app->image() != loaded);
        b.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(b.cal.app->image() == loaded);
        const CellSelection kept = b.cal.Map().selection;
        QCOMPARE(std::make_tuple(kept.startRow, kept.startColumn, kept.endRow, kept.endColumn),
                 std::make_tuple(chosen.startRow, chosen.startColumn, chosen.endRow, chosen.endColumn));
        b.Key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(b.cal.app->image() != loaded);
        QVERIFY(HasSelection(b.cal.Map()));
    }

    void frameKeysWorkInTheDifferencesMonitorAndLogbookWindows() {
        Bench b;
        const Image loaded = b.cal.app->image();
        b.cal.dialogs.nextFile = b.ChangedCopy();
        b.Key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        b.FrontAgain();
        b.Type(1, 1, "2.5");
        const Image edited = b.cal.app->image();

        // The Differences window.
        b.Key(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        CDifferencesDlg* differences = b.cal.frame->DifferencesWindow();
        QVERIFY(differences && differences->isVisible());
        Bench::Focus(differences);
        b.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(b.cal.app->image() == loaded);
        b.Key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(b.cal.app->image() == edited);
        int menus = 0;
        b.cal.dialogs.menu = [&menus](CMenuDlg&) {
            ++menus;
            return 0;
        };
        b.Key(Qt::Key_F1);
        QCOMPARE(menus, 1);

        // The Monitor window.
        b.FrontAgain();
        b.cal.frame->action(cmd::kMonitor)->trigger();
        CMonitorWnd* monitor = b.cal.frame->findChild<CMonitorWnd*>();
        QVERIFY(monitor && monitor->isVisible());
        Bench::Focus(monitor);
        b.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(b.cal.app->image() == loaded);
        b.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(b.cal.app->image() == edited);
        monitor->close();

        // The Logbook window, modal where it runs for the user.
        b.FrontAgain();
        bool ran = false;
        b.cal.dialogs.logbook = [&](CLogbookDlg& dialog) {
            dialog.show();
            Bench::Focus(&dialog);
            b.Key(Qt::Key_Z, Qt::ControlModifier);
            ran = b.cal.app->image() == loaded;
            return 0;
        };
        b.cal.frame->action(cmd::kLogbook)->trigger();
        QVERIFY(ran);
    }
};

QTEST_MAIN(UndoRedoTest)
#include "UndoRedoTest.moc"
