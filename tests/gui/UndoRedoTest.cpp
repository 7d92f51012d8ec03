// Undo and Redo with real keys on the shipped Kestrel, also from the Differences, Monitor and Logbook windows.
#include <QApplication>
#include <QLineEdit>
#include <QtTest>

#include "app/CommandIds.h"
#include "ecu/gui/LogbookDlg.h"
#include "ecu/gui/MonitorWnd.h"
#include "edit/gui/DifferencesDlg.h"
#include "edit/gui/TableWnd.h"
#include "tests/gui/TestCalibration.h"

namespace {

struct Bench {
    TestCalibration cal{kKestrel};
    Bench() { cal.Open(0), cal.frame->resize(1200, 900); }
    CTableWnd* Table() { return static_cast<CTableWnd*>(cal.ViewOfKind(kWindowTable)->ChildWnd()); }
    const Image& Bytes() const { return cal.app->image(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : QApplication::activeWindow(), key, modifiers);
    }
    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(Table()->grid()->viewport(), Qt::LeftButton, modifiers,
                          Table()->GridCellCentre({kEditData, row, column}));
    }
    void Type(int row, int column, const char* text) {
        Click(row, column), QTest::keyClicks(Table()->gridEditor(), text), Key(Qt::Key_Return);
    }
    // The window takes the activation and the keys, as a click on it would.
    static void Focus(QWidget* window) {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window)) qFatal("window not active");
        QApplication::setActiveWindow(window);
        if (!window->isAncestorOf(QApplication::focusWidget())) window->setFocus();
        if (QApplication::activeWindow() != window || QApplication::focusWidget()->window() != window)
            qFatal("the keys would go elsewhere");
    }
};

}  // namespace

class UndoRedoTest : public QObject {
    Q_OBJECT

private slots:
    void keysUndoAndRedoExactlyAndKeepTheSelection() {
        Bench b;
        const Image loaded = b.Bytes();
        QCOMPARE(b.cal.ActionText(cmd::kRedo), QString("&Redo\tCtrl+Y"));
        b.Type(1, 1, "2.5");
        b.Click(2, 2);
        b.Click(3, 4, Qt::ShiftModifier);
        const CellSelection chosen = b.cal.Map().selection;
        b.Key(Qt::Key_PageUp);   // every selected cell a step up
        const Image edited = b.Bytes();
        b.Key(Qt::Key_Z, Qt::ControlModifier);
        b.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(b.Bytes() == loaded);
        const CellSelection kept = b.cal.Map().selection;
        QCOMPARE(std::make_tuple(kept.startRow, kept.startColumn, kept.endRow, kept.endColumn),
                 std::make_tuple(chosen.startRow, chosen.startColumn, chosen.endRow, chosen.endColumn));
        QCOMPARE(b.cal.ActionText(cmd::kRedo), QString("&Redo Typed value\tCtrl+Y"));
        b.Key(Qt::Key_Y, Qt::ControlModifier);
        b.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(b.Bytes() == edited);
        QVERIFY(!b.cal.ActionEnabled(cmd::kRedo));
    }

    void frameKeysWorkInTheDifferencesMonitorAndLogbookWindows() {
        Bench b;
        const Image loaded = b.Bytes();
        b.cal.dialogs.nextFile = b.cal.path;
        b.Key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        Bench::Focus(b.cal.frame.get());
        b.Type(1, 1, "2.5");
        const Image edited = b.Bytes();
        int menus = 0;
        b.cal.dialogs.menu = [&menus](CMenuDlg&) { return ++menus, 0; };
        b.Key(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        b.cal.frame->action(cmd::kMonitor)->trigger();
        for (QWidget* window : {static_cast<QWidget*>(b.cal.frame->DifferencesWindow()),
                                static_cast<QWidget*>(b.cal.frame->findChild<CMonitorWnd*>())}) {
            QVERIFY(window && window->isVisible());
            Bench::Focus(window);
            b.Key(Qt::Key_Z, Qt::ControlModifier);
            QVERIFY(b.Bytes() == loaded);
            b.Key(Qt::Key_Y, Qt::ControlModifier);
            QVERIFY(b.Bytes() == edited);
            b.Key(Qt::Key_F1);
        }
        QCOMPARE(menus, 2);

        bool undone = false;   // the Logbook runs modal for the user
        b.cal.dialogs.logbook = [&](CLogbookDlg& dialog) {
            dialog.show();
            Bench::Focus(&dialog);
            b.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);   // nothing to redo
            b.Key(Qt::Key_Z, Qt::ControlModifier);
            undone = b.Bytes() == loaded;
            return 0;
        };
        b.cal.frame->action(cmd::kLogbook)->trigger();
        QVERIFY(undone);
    }
};

QTEST_MAIN(UndoRedoTest)
#include "UndoRedoTest.moc"
