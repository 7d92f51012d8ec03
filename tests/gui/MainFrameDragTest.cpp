// The map window's drags as the frame sees them: the table cell and the
// dialog bar's fields follow a drag, and whatever ends a drag early (a
// command, Escape, the window's close) leaves no value moving.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include "app/CommandIds.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/gui/MapWnd.h"
#include "edit/gui/TableWnd.h"
#include "tests/gui/TestCalibration.h"

class MainFrameDragTest : public QObject {
    Q_OBJECT

    static CTableWnd* Table(TestCalibration& cal) {
        CQelView* view = cal.ViewOfKind(kWindowTable);
        return view ? static_cast<CTableWnd*>(view->ChildWnd()) : nullptr;
    }

private slots:
    void aDragInTheMapWindowMovesTheTableCellAndTheDataFieldWithIt() {
        TestCalibration cal;
        cal.Open(0);   // Main: DATA x/10 at 0x1007, row 0 is 1.0 2.0 3.0
        CQelView* mapView = cal.ViewOfKind(kWindowMap);
        QVERIFY(mapView);
        auto* map = static_cast<CMapWnd*>(mapView->ChildWnd());
        CMapGraphWnd* pane = map->graphPane();
        QVERIFY(pane);
        CTableWnd* table = Table(cal);
        QLineEdit* cell = table->gridEditor();   // lies over the cursor cell
        QLineEdit* data = cal.frame->dataField();
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), 0, 1, p));
        const QPoint at(p.x, p.y);

        QTest::mouseClick(pane, Qt::LeftButton, {}, at);   // selects the point
        QCOMPARE(cal.Map().cursor.column, 1);
        QCOMPARE(cell->text(), QString("2.0"));
        QCOMPARE(data->text(), QString("2.0"));

        // A drag shows its value in both while the image keeps the old one.
        const QPoint up(at.x(), at.y() - 40);
        const int moving = GraphDragCandidate(kEditData, map->Scales(), cal.Map().cursor, up.x(), up.y());
        QVERIFY(moving > 20);
        const QString movingText = QString::number(moving / 10.0, 'f', 1);
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, up);
        QVERIFY(pane->Dragging());
        QCOMPARE(cell->text(), movingText);
        QCOMPARE(data->text(), movingText);
        QCOMPARE(cal.Byte(0x1008), std::uint8_t{20});

        // Cancelled: both show the image's value again.
        QTest::mousePress(pane, Qt::RightButton, {}, up);
        QVERIFY(!pane->Dragging());
        QCOMPARE(cell->text(), QString("2.0"));
        QCOMPARE(data->text(), QString("2.0"));
        QTest::mouseRelease(pane, Qt::LeftButton, {}, up);
        QCOMPARE(cal.Byte(0x1008), std::uint8_t{20});
        QVERIFY(cal.Map().undo.Empty());

        // Released: the image takes the value, and one Undo puts it back.
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, up);
        QTest::mouseRelease(pane, Qt::LeftButton, {}, up);
        QCOMPARE(int(cal.Byte(0x1008)), moving);
        QCOMPARE(cell->text(), movingText);
        QCOMPARE(data->text(), movingText);
        QCOMPARE(cal.Map().undo.Size(), std::size_t{1});
        QCOMPARE(cal.ActionText(cmd::kUndo), QString("&Undo(Drag DATA)\tCtrl+Z"));
        cal.frame->OnCommand(cmd::kUndo);
        QCOMPARE(cal.Byte(0x1008), std::uint8_t{20});
        QVERIFY(cal.Map().undo.Empty());
        QCOMPARE(cell->text(), QString("2.0"));
        QCOMPARE(data->text(), QString("2.0"));
    }

    void aBreakpointDragMovesTheRpmCellAndThePointField() {
        TestCalibration cal;
        cal.Open(0);   // Main: RPM x*50 at 0x1004, 1000 2000 3000
        auto* map = static_cast<CMapWnd*>(cal.ViewOfKind(kWindowMap)->ChildWnd());
        CMapGraphWnd* pane = map->graphPane();
        CTableWnd* table = Table(cal);
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), 0, 1, p));
        const QPoint at(p.x, 2);   // on the breakpoint's vertical, far from the point
        QTest::mouseClick(pane, Qt::LeftButton, {}, at);
        QCOMPARE(cal.Map().cursor.mode, int(kEditRpm));
        QCOMPARE(table->axisEditor()->text(), QString("2000"));
        QCOMPARE(cal.frame->pointField()->text(), QString("2000"));

        const QPoint right(at.x() + 30, at.y());
        const int moving = GraphDragCandidate(kEditRpm, map->Scales(), cal.Map().cursor, right.x(), right.y());
        QVERIFY(moving > 40);
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, right);
        QVERIFY(pane->Dragging());
        QCOMPARE(table->axisEditor()->text(), QString::number(moving * 50));
        QCOMPARE(cal.frame->pointField()->text(), QString::number(moving * 50));
        QCOMPARE(cal.Byte(0x1005), std::uint8_t{40});
        QTest::mousePress(pane, Qt::RightButton, {}, right);
        QCOMPARE(table->axisEditor()->text(), QString("2000"));
        QCOMPARE(cal.frame->pointField()->text(), QString("2000"));
    }

    void aDragCutShortByClosingTheMapWindowLeavesNoMovingValue() {
        TestCalibration cal;
        cal.Open(0);
        CQelView* mapView = cal.ViewOfKind(kWindowMap);
        QVERIFY(mapView);
        auto* map = static_cast<CMapWnd*>(mapView->ChildWnd());
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), 0, 1, p));
        const QPoint at(p.x, p.y);
        QTest::mouseClick(map->graphPane(), Qt::LeftButton, {}, at);
        QTest::mousePress(map->graphPane(), Qt::LeftButton, {}, at);
        QTest::mouseMove(map->graphPane(), QPoint(at.x(), at.y() - 40));
        QVERIFY(map->graphPane()->Dragging());

        delete mapView->parentWidget();   // the window goes in the middle of the drag
        QVERIFY(!cal.ViewOfKind(kWindowMap));
        cal.frame->RefreshDialogBar();
        QCOMPARE(cal.frame->dataField()->text(), QString("2.0"));
        Table(cal)->UpdateWindow();
        QCOMPARE(Table(cal)->gridEditor()->text(), QString("2.0"));
    }

    // A drag in the map window, then a key that moves the cursor, the line or
    // the undo list before the button comes up: the drag ends as the right
    // button ends it, the key does nothing else, and no cell changes.
    void aCommandDuringADragEndsItAndChangesNoCell_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("line");
        QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier) << 0;
        QTest::newRow("F3") << int(Qt::Key_F3) << 0 << 0;
        QTest::newRow("F2") << int(Qt::Key_F2) << 0 << 1;
        QTest::newRow("Shift+F5") << int(Qt::Key_F5) << int(Qt::ShiftModifier) << 0;
        QTest::newRow("F4") << int(Qt::Key_F4) << 0 << 0;
    }
    void aCommandDuringADragEndsItAndChangesNoCell() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, line);
        TestCalibration cal;
        cal.Open(0);   // Main: 2 lines of DATA x/10 at 0x1007
        // An older edit for Ctrl+Z to find: DATA (1, 2) typed.
        CTableWnd* table = Table(cal);
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, {}, table->GridCellCentre({kEditData, 1, 2}));
        table->gridEditor()->selectAll();
        QTest::keyClicks(table->gridEditor(), "0.5");
        QTest::keyClick(table->gridEditor(), Qt::Key_Return);
        QCOMPARE(cal.Byte(0x100C), std::uint8_t{5});
        if (line == 0) cal.frame->OnCommand(cmd::kPreviousLine);
        QCOMPARE(cal.Map().cursor.row, line);

        CQelView* mapView = cal.ViewOfKind(kWindowMap);
        cal.Activate(mapView);
        auto* map = static_cast<CMapWnd*>(mapView->ChildWnd());
        CMapGraphWnd* pane = map->graphPane();
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), line, 1, p));
        const QPoint at(p.x, p.y);
        const QPoint up(at.x(), std::max(at.y() - 40, 2));
        QTest::mouseClick(pane, Qt::LeftButton, {}, at);
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, up);
        QVERIFY(pane->Dragging());
        const Image before = cal.app->image();
        const std::size_t records = cal.Map().undo.Size();
        const int lineShown = cal.frame->lineSelector()->currentIndex();

        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : static_cast<QWidget*>(cal.frame.get()), static_cast<Qt::Key>(key),
                        Qt::KeyboardModifiers(modifiers));
        QVERIFY(!pane->Dragging());
        QTest::mouseRelease(pane, Qt::LeftButton, {}, up);
        QVERIFY(cal.app->image() == before);
        QCOMPARE(cal.Map().undo.Size(), records);
        QCOMPARE(cal.Map().cursor.mode, int(kEditData));
        QCOMPARE(cal.Map().cursor.row, line);
        QCOMPARE(cal.Map().cursor.column, 1);
        QCOMPARE(cal.frame->lineSelector()->currentIndex(), lineShown);
        QCOMPARE(cal.frame->dataField()->text(), QString::fromStdString(line == 0 ? "2.0" : "5.0"));

        // The next drag works as ever.
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, up);
        QTest::mouseRelease(pane, Qt::LeftButton, {}, up);
        QVERIFY(cal.Byte(static_cast<std::uint16_t>(0x1008 + 3 * line)) > (line == 0 ? 20 : 50));
        QCOMPARE(cal.Map().undo.Size(), records + 1);
    }

    // Escape ends a drag too.
    void escapeEndsADragWithoutWriting() {
        TestCalibration cal;
        cal.Open(0);
        CQelView* mapView = cal.ViewOfKind(kWindowMap);
        cal.Activate(mapView);
        auto* map = static_cast<CMapWnd*>(mapView->ChildWnd());
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), 0, 2, p));
        const QPoint at(p.x, p.y);
        QTest::mouseClick(map->graphPane(), Qt::LeftButton, {}, at);
        QTest::mousePress(map->graphPane(), Qt::LeftButton, {}, at);
        QTest::mouseMove(map->graphPane(), QPoint(at.x(), at.y() - 30));
        QVERIFY(map->graphPane()->Dragging());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!map->graphPane()->Dragging());
        QTest::mouseRelease(map->graphPane(), Qt::LeftButton, {}, QPoint(at.x(), at.y() - 30));
        QCOMPARE(cal.Byte(0x1009), std::uint8_t{30});
        QVERIFY(cal.Map().undo.Empty());
    }

    // F4, Alt+A and the ALL box: the graph shows all lines or one at once.
    void allLinesRedrawsTheGraphAtOnce_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("F4") << 0;
        QTest::newRow("Alt+A") << 1;
        QTest::newRow("ALL box") << 2;
    }
    void allLinesRedrawsTheGraphAtOnce() {
        QFETCH(int, way);
        TestCalibration cal;
        cal.Open(0);
        auto* map = static_cast<CMapWnd*>(cal.ViewOfKind(kWindowMap)->ChildWnd());
        CMapGraphWnd* pane = map->graphPane();
        QVERIFY(QTest::qWaitForWindowExposed(pane));
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QApplication::processEvents();
        QWidget* typing = QApplication::focusWidget();
        QCOMPARE(typing, static_cast<QWidget*>(Table(cal)->gridEditor()));
        for (bool expected : {true, false}) {
            const int paints = pane->GraphPaintCount();
            if (way == 0) QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
            else if (way == 1) QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
            else QTest::mouseClick(cal.frame->allBox(), Qt::LeftButton);
            QTRY_COMPARE(cal.frame->AllLines(), expected);
            QApplication::processEvents();
            QVERIFY(pane->GraphPaintCount() > paints);
            // The keyboard stays where the user was typing.
            QCOMPARE(QApplication::focusWidget(), typing);
        }
    }
};

QTEST_MAIN(MainFrameDragTest)
#include "MainFrameDragTest.moc"
