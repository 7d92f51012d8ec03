// The table window inside the main frame: typing, steps, selections, axis
// cells and the clipboard, driven with real keys and mouse clicks.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include "app/CommandIds.h"
#include "model/Strings.h"
#include "edit/gui/TableWnd.h"
#include "tests/gui/TestCalibration.h"

namespace {
// Main: THROT at 0x1002, RPM at 0x1004, DATA (2 x 3, x/10) at 0x1007.
constexpr std::uint16_t kMainData = 0x1007;
// Twin: RPM rows at 0x1011, DATA (x/2-10) at 0x1017.
constexpr std::uint16_t kTwinRpm = 0x1011;
constexpr std::uint16_t kTwinData = 0x1017;
}  // namespace

class TableWndTest : public QObject {
    Q_OBJECT

    struct Table {
        TestCalibration cal;
        CTableWnd* wnd = nullptr;
        explicit Table(int map = 0) {
            cal.Open(map);
            CQelView* view = cal.ViewOfKind(kWindowTable);
            if (!view) qFatal("no table window");
            cal.Activate(view);
            wnd = static_cast<CTableWnd*>(view->ChildWnd());
            wnd->gridEditor()->setFocus();
            cal.prompt.shown.clear();
        }
        void Click(const TableCell& cell, Qt::KeyboardModifiers modifiers = {}) {
            QTest::mouseClick(wnd->grid()->viewport(), Qt::LeftButton, modifiers, wnd->GridCellCentre(cell));
        }
        void ClickHeader(const TableCell& cell) {
            QTest::mouseClick(wnd, Qt::LeftButton, {}, wnd->HeaderCellCentre(cell));
        }
        void Type(QLineEdit* editor, const char* text, Qt::KeyboardModifiers enter = {}) {
            editor->selectAll();
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, Qt::Key_Return, enter);
        }
        void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
            QWidget* target = QApplication::focusWidget();
            if (!target) qWarning() << "no focus; active window" << QApplication::activeWindow() << cal.frame->focusWidget();
            QTest::keyClick(target ? target : cal.frame->focusWidget(), static_cast<Qt::Key>(key), modifiers);
        }
    };

private slots:
    void typedValueIsStoredWithAnUndoRecordAndTheDialogBarFollows() {
        Table t;
        t.Click({kEditData, 1, 2});
        t.Type(t.wnd->gridEditor(), "2.5");
        QCOMPARE(t.cal.Byte(kMainData + 5), std::uint8_t{25});
        QCOMPARE(t.cal.app->modified, 1);
        QCOMPARE(t.cal.Map().undo.Size(), std::size_t{1});
        QCOMPARE(t.cal.Map().undo.Newest().kind, 12);
        QCOMPARE(t.wnd->gridEditor()->text(), QString("2.5"));
        QCOMPARE(t.cal.frame->dataField()->text(), QString("2.5"));
        QCOMPARE(t.cal.frame->pointField()->text(), QString("3000"));
        QVERIFY(t.cal.prompt.shown.empty());
        QCOMPARE(t.cal.ActionText(cmd::kUndo), QString("&Undo(Edit DATA)\tCtrl+Z"));
    }

    void outOfRangeInputIsClampedAndReported() {
        Table t;
        t.Type(t.wnd->gridEditor(), "99999");
        QCOMPARE(t.cal.Byte(kMainData), std::uint8_t{255});
        QCOMPARE(t.cal.prompt.shown.size(), std::size_t{1});
        const RecordedPrompt& p = t.cal.prompt.Last();
        QCOMPARE(p.caption, std::string("Table Window"));
        QCOMPARE(p.icon, PromptIcon::kExclamation);
        QVERIFY(p.text.find("Input Data Range Over:99999.00") == 0);
        QVERIFY(p.text.find("set 25.50") != std::string::npos);
        QCOMPARE(t.wnd->gridEditor()->text(), QString("25.5"));
    }

    void rejectedTextKeepsTheCellAndSaysSo() {
        Table t;
        for (const char* text : {"1-2", "abc"}) {
            t.cal.prompt.shown.clear();
            t.Type(t.wnd->gridEditor(), text);
            QCOMPARE(t.cal.Byte(kMainData), std::uint8_t{10});
            QCOMPARE(t.cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
            QCOMPARE(t.cal.prompt.Last().icon, PromptIcon::kStop);
            QCOMPARE(t.wnd->gridEditor()->text(), QString("1.0"));
        }
        QVERIFY(t.cal.Map().undo.Empty());
        QCOMPARE(t.cal.app->modified, 0);
    }

    // Only a text that reads whole as one number is a number: "%f" would
    // store "1.2.3" as 1.2 and "." or "-" as 0, clamped to the minimum.
    void textThatIsNoWholeNumberIsRefusedInEveryCell() {
        Table t;
        for (const char* text : {".", "-", "1.2.3", "1-2", "-.", "2..5"}) {
            t.cal.prompt.shown.clear();
            t.Click({kEditData, 0, 1});
            t.Type(t.wnd->gridEditor(), text);
            QCOMPARE(t.cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
            QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{20});
            QCOMPARE(t.wnd->gridEditor()->text(), QString("2.0"));

            t.cal.prompt.shown.clear();
            t.ClickHeader({kEditRpm, 0, 1});
            t.Type(t.wnd->axisEditor(), text);
            QCOMPARE(t.cal.Texts(),
                     std::vector<std::string>{"Input Data cannot change to value\nData is set as before editing"});
            QCOMPARE(t.cal.Byte(0x1005), std::uint8_t{0x28});
            QCOMPARE(t.wnd->axisEditor()->text(), QString("2000"));
        }
        // The RPM line of a map of type 2 too.
        Table twin(1);
        twin.Click({kEditRpm, 0, 1});
        twin.Type(twin.wnd->gridEditor(), "1.2.3");
        QCOMPARE(twin.cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
        QCOMPARE(twin.cal.Byte(kTwinRpm + 1), std::uint8_t{0x28});
        QVERIFY(t.cal.Map().undo.Empty());
        QVERIFY(twin.cal.Map().undo.Empty());
        QCOMPARE(t.cal.app->modified, 0);
    }

    // A click on the cell the cursor is on selects its text: what is typed
    // replaces it instead of going in where the click put the caret.
    void clickingTheCursorCellSelectsItsText() {
        Table t;
        t.Click({kEditData, 1, 1});
        QLineEdit* editor = t.wnd->gridEditor();
        editor->deselect();
        editor->setCursorPosition(1);
        // The editor lies over the cell: the click lands on it.
        QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(2, editor->height() / 2));
        QCOMPARE(editor->selectedText(), QString("5.0"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
        QTest::keyClicks(editor, "3");
        QCOMPARE(editor->text(), QString("3"));
        // Typed text keeps the usual caret: a click puts it where it lands.
        QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(editor->width() - 2, editor->height() / 2));
        QVERIFY(editor->selectedText().isEmpty());
        QTest::keyClicks(editor, ".5");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(t.cal.Byte(kMainData + 4), std::uint8_t{35});

        // The axis editor alike.
        t.ClickHeader({kEditThrot, 0, 1});
        QLineEdit* axis = t.wnd->axisEditor();
        axis->deselect();
        QTest::mouseClick(axis, Qt::LeftButton, {}, QPoint(axis->width() / 2, axis->height() / 2));
        QCOMPARE(axis->selectedText(), axis->text());
        QVERIFY(!axis->text().isEmpty());
    }

    void clickingAnotherCellCommitsTheTypedTextFirst() {
        Table t;
        t.wnd->gridEditor()->selectAll();
        QTest::keyClicks(t.wnd->gridEditor(), "4.2");
        t.Click({kEditData, 1, 0});
        QCOMPARE(t.cal.Byte(kMainData), std::uint8_t{42});
        QCOMPARE(t.cal.Map().cursor.row, 1);
        QCOMPARE(t.wnd->gridEditor()->text(), QString("4.0"));
    }

    void pageStepsOnOneCellLeaveOneRecordAndOneUndoRestores() {
        Table t;
        t.Click({kEditData, 0, 1});
        for (int i = 0; i < 3; ++i) t.Key(Qt::Key_PageUp);
        QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{23});
        t.Key(Qt::Key_PageDown);
        QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{22});
        QCOMPARE(t.cal.Map().undo.Size(), std::size_t{1});
        QCOMPARE(t.cal.ActionText(cmd::kUndo), QString("&Undo(Drag DATA)\tCtrl+Z"));
        t.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{20});
        QCOMPARE(t.cal.ActionText(cmd::kUndo), QString("&Undo\tCtrl+Z"));
        QVERIFY(!t.cal.ActionEnabled(cmd::kUndo));
        QCOMPARE(t.wnd->gridEditor()->text(), QString("2.0"));
    }

    void shiftClickSelectsARectangleThatEnterFillsAndOneUndoTakesBack() {
        Table t;
        t.Click({kEditData, 0, 0});
        t.Click({kEditData, 1, 1}, Qt::ShiftModifier);
        QVERIFY(t.wnd->HasSelection());
        t.Click({kEditData, 0, 0}, Qt::ShiftModifier);   // the anchor itself: no selection
        QVERIFY(!t.wnd->HasSelection());
        t.Click({kEditData, 1, 1}, Qt::ShiftModifier);
        t.Type(t.wnd->gridEditor(), "0.7");
        for (std::uint16_t a : {kMainData, std::uint16_t(kMainData + 1), std::uint16_t(kMainData + 3),
                                std::uint16_t(kMainData + 4)})
            QCOMPARE(t.cal.Byte(a), std::uint8_t{7});
        QCOMPARE(t.cal.Byte(kMainData + 2), std::uint8_t{30});
        t.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.cal.Byte(kMainData), std::uint8_t{10});
        QCOMPARE(t.cal.Byte(kMainData + 4), std::uint8_t{50});
        QVERIFY(t.cal.Map().undo.Empty());
    }

    void steppingASelectionStepsEveryCell() {
        Table t;
        t.Click({kEditData, 0, 1});
        t.Click({kEditData, 0, 2}, Qt::ShiftModifier);
        t.Key(Qt::Key_PageUp);
        QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{21});
        QCOMPARE(t.cal.Byte(kMainData + 2), std::uint8_t{31});
        t.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{20});
        QCOMPARE(t.cal.Byte(kMainData + 2), std::uint8_t{30});
    }

    void ctrlTabClearsTheSelection() {
        Table t;
        t.Click({kEditData, 1, 1}, Qt::ShiftModifier);
        QVERIFY(t.wnd->HasSelection());
        t.Key(Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!t.wnd->HasSelection());
    }

    void copiedSelectionPastesBackAtTheCursorInOneUndoStep() {
        Table t;
        t.Click({kEditData, 0, 0});
        t.Click({kEditData, 1, 1}, Qt::ShiftModifier);
        QVERIFY(t.cal.ActionEnabled(cmd::kCopy));
        t.Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("1.0\t2.0\r\n4.0\t5.0"));
        t.Key(Qt::Key_V, Qt::ControlModifier);   // refused while cells are selected
        QCOMPARE(t.cal.Texts(), std::vector<std::string>{Str(str::kClipPasteDuringSelection)});
        t.Click({kEditData, 0, 1});
        QVERIFY(t.cal.ActionEnabled(cmd::kPaste));
        t.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{10});
        QCOMPARE(t.cal.Byte(kMainData + 2), std::uint8_t{20});
        QCOMPARE(t.cal.Byte(kMainData + 4), std::uint8_t{40});
        QCOMPARE(t.cal.Byte(kMainData + 5), std::uint8_t{50});
        QCOMPARE(t.wnd->gridEditor()->text(), QString("1.0"));
        t.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.cal.Byte(kMainData + 1), std::uint8_t{20});
        QCOMPARE(t.cal.Byte(kMainData + 5), std::uint8_t{60});
    }

    void pastingTextThatIsNoTableIsRefused() {
        Table t;
        QGuiApplication::clipboard()->setText("1\t2\r\n3");
        t.Key(Qt::Key_V, Qt::ControlModifier);
        QGuiApplication::clipboard()->setText("1\tx");
        t.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(t.cal.Texts(), (std::vector<std::string>{Str(str::kClipNotFrontForm), Str(str::kClipNotDigital)}));
        QCOMPARE(t.cal.Byte(kMainData), std::uint8_t{10});
        QVERIFY(t.cal.Map().undo.Empty());
    }

    void throtValueOutOfRangeIsCorrectedAndItsLineEntryFollows() {
        Table t;
        t.ClickHeader({kEditThrot, 0, 0});
        QVERIFY(t.wnd->axisEditor()->isVisible());
        QCOMPARE(t.cal.Map().cursor.mode, int(kEditThrot));
        // THROT 0, 100 (x/2): 150 is raw 300, past a byte, so it becomes raw 254
        // (127) before the range rule sets the upper end, 100, which the next
        // THROT value holds already: one raw step below it is set.
        t.Type(t.wnd->axisEditor(), "150");
        QCOMPARE(t.cal.prompt.shown.size(), std::size_t{1});
        QVERIFY(t.cal.prompt.Last().text.find("Input Data Range Over:127.00") == 0);
        QVERIFY(t.cal.prompt.Last().text.find("set 99.50") != std::string::npos);
        QCOMPARE(t.cal.Byte(0x1002), std::uint8_t{199});
        QCOMPARE(t.cal.frame->lineSelector()->itemText(0), QString("99.5"));
        QCOMPARE(t.cal.Map().undo.Newest().kind, 10);
        t.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.cal.Byte(0x1002), std::uint8_t{0});
        QCOMPARE(t.cal.frame->lineSelector()->itemText(0), QString("0.0"));
    }

    void axisTextThatIsNoNumberIsRefused() {
        Table t;
        t.ClickHeader({kEditRpm, 0, 1});
        t.Type(t.wnd->axisEditor(), "12a");
        QCOMPARE(t.cal.Texts(),
                 std::vector<std::string>{"Input Data cannot change to value\nData is set as before editing"});
        QCOMPARE(t.wnd->axisEditor()->text(), QString("2000"));
        QCOMPARE(t.cal.Byte(0x1005), std::uint8_t{0x28});
    }

    void shiftArrowsMoveTheCursorBetweenAxisAndData() {
        Table t;
        t.Key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(t.cal.Map().cursor.column, 1);
        t.Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(t.cal.Map().cursor.row, 1);
        QCOMPARE(t.cal.frame->lineSelector()->currentIndex(), 1);
        QCOMPARE(t.wnd->gridEditor()->text(), QString("5.0"));
    }

    void aMapWithAnRpmRowPerLineDoublesItsGridLines() {
        Table t(1);
        QCOMPARE(t.cal.Map().name, std::string("Twin"));
        QVERIFY(t.cal.frame->windowTitle().contains("cal.qsd") || t.cal.frame->windowTitle().contains("Orvandel"));
        t.Click({kEditRpm, 1, 2});
        QCOMPARE(t.cal.Map().cursor.mode, int(kEditRpm));
        QCOMPARE(t.wnd->gridEditor()->text(), QString("3500"));
        t.Type(t.wnd->gridEditor(), "3000");   // its left neighbour is 2500
        QCOMPARE(t.cal.Byte(kTwinRpm + 5), std::uint8_t{60});
        t.Key(Qt::Key_Up, Qt::ShiftModifier);   // from an RPM line to the DATA line above
        QCOMPARE(t.cal.Map().cursor.mode, int(kEditData));
        QCOMPARE(t.cal.Map().cursor.row, 0);
        t.Type(t.wnd->gridEditor(), "0");
        QCOMPARE(t.cal.Byte(kTwinData + 2), std::uint8_t{20});
    }
};

QTEST_MAIN(TableWndTest)
#include "TableWndTest.moc"
