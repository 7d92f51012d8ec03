// The machines shipped in data/, edited in the main frame as a technician
// edits them, with real keys and mouse: every edit path (typed, stepped,
// filled, pasted and dragged values, axis cells, the Data field, the HEX
// window) and then Undo to the start must give back the calibration as it
// was loaded, byte for byte, however coarse the display is.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "edit/GraphEditing.h"
#include "edit/gui/HexWnd.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/gui/MapWnd.h"
#include "edit/gui/TableWnd.h"
#include "tests/gui/TestCalibration.h"

namespace {

// The calibration open on the machine's first map, with its windows.
struct Shipped {
    TestCalibration cal;
    Image loaded{};

    explicit Shipped(const ShippedMachine& machine) : cal(machine) {
        cal.Open(0);
        loaded = cal.app->image();
        cal.prompt.shown.clear();
    }
    MapRecord& Map() { return cal.Map(); }
    CTableWnd* Table() {
        CQelView* view = cal.ViewOfKind(kWindowTable);
        if (!view) return nullptr;
        cal.Activate(view);
        return static_cast<CTableWnd*>(view->ChildWnd());
    }
    CMapWnd* MapWindow() {
        CQelView* view = cal.ViewOfKind(kWindowMap);
        if (!view) return nullptr;
        cal.Activate(view);
        return static_cast<CMapWnd*>(view->ChildWnd());
    }
    std::uint16_t DataAddress(int row, int column) {
        return static_cast<std::uint16_t>(Map().y.start + row * Map().x.count + column);
    }
    void ClickCell(CTableWnd* table, const TableCell& cell, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, modifiers, table->GridCellCentre(cell));
    }
    void ClickHeader(CTableWnd* table, const TableCell& cell) {
        QTest::mouseClick(table, Qt::LeftButton, {}, table->HeaderCellCentre(cell));
    }
    static void Type(QLineEdit* editor, const QString& text) {
        editor->setFocus();
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : cal.frame.get(), static_cast<Qt::Key>(key), modifiers);
    }
    // Ctrl+Z until the Undo command has nothing left; the number pressed.
    int UndoEverything() {
        int presses = 0;
        while (cal.ActionEnabled(cmd::kUndo) && presses < 500) {
            QTest::keyClick(cal.frame.get(), Qt::Key_Z, Qt::ControlModifier);
            ++presses;
        }
        return presses;
    }
    int DifferingBytes() const {
        int n = 0;
        for (std::size_t i = 0; i < loaded.size(); ++i) n += loaded[i] != cal.app->image()[i];
        return n;
    }
};

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ShippedMachineEditTest : public QObject {
    Q_OBJECT

private slots:
    // KST26A "Fuel Injection" shows one decimal over 0.05 ms raw steps:
    // 0x17 (1.15) shows as 1.1, which reads back as 0x16.
    void undoOfATypedValueGivesBackTheExactByte() {
        Shipped s(kKestrel);
        CTableWnd* table = s.Table();
        QVERIFY(table);
        const std::uint16_t cell = s.DataAddress(0, 2);   // THROT 0.0, RPM 3000
        QCOMPARE(int(s.cal.Byte(cell)), 0x17);
        s.ClickCell(table, {kEditData, 0, 2});
        QCOMPARE(table->gridEditor()->text(), QString("1.1"));
        Shipped::Type(table->gridEditor(), "3");
        QCOMPARE(int(s.cal.Byte(cell)), 60);
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(int(s.cal.Byte(cell)), 0x17);
        QCOMPARE(s.DifferingBytes(), 0);
    }

    void undoOfAPasteOverTheWholeTableGivesBackEveryByte() {
        Shipped s(kKestrel);
        CTableWnd* table = s.Table();
        QVERIFY(table);
        QStringList rows;
        for (int r = 0; r < s.Map().z.count; ++r) {
            QStringList cells;
            for (int c = 0; c < s.Map().x.count; ++c) cells << "1.5";
            rows << cells.join('\t');
        }
        QGuiApplication::clipboard()->setText(rows.join("\r\n"));
        s.ClickCell(table, {kEditData, 0, 0});
        s.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes() > 40, true);
        for (int r = 0; r < s.Map().z.count; ++r)
            for (int c = 0; c < s.Map().x.count; ++c) QCOMPARE(int(s.cal.Byte(s.DataAddress(r, c))), 30);
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);
        QVERIFY(!s.cal.ActionEnabled(cmd::kUndo));
    }

    void everyEditPathUndoesToTheLoadedCalibration_data() {
        QTest::addColumn<int>("machine");
        QTest::newRow("KST26A, Free Map") << 0;
        QTest::newRow("HRN26C, Config Map") << 1;
    }
    void everyEditPathUndoesToTheLoadedCalibration() {
        QFETCH(int, machine);
        Shipped s(machine == 0 ? kKestrel : kHeron);
        CTableWnd* table = s.Table();
        QVERIFY(table);
        // Each path must change the image, or the test would prove nothing.
        Image previous = s.loaded;
        auto changed = [&] {
            const bool differs = s.cal.app->image() != previous;
            previous = s.cal.app->image();
            return differs;
        };

        // Typed into a cell.
        s.ClickCell(table, {kEditData, 0, 2});
        Shipped::Type(table->gridEditor(), "3");
        QVERIFY2(changed(), "typed");
        // Stepped: three raw steps up, one down.
        s.ClickCell(table, {kEditData, 1, 1});
        for (int key : {Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageDown}) s.Key(key);
        QVERIFY2(changed(), "stepped");
        // A selection filled with a typed value.
        s.ClickCell(table, {kEditData, 2, 0});
        s.ClickCell(table, {kEditData, 3, 2}, Qt::ShiftModifier);
        Shipped::Type(table->gridEditor(), "2.2");
        QVERIFY2(changed(), "filled");
        // Pasted.
        QGuiApplication::clipboard()->setText("1.5\t1.5\r\n1.5\t1.5\r\n");
        s.ClickCell(table, {kEditData, 4, 4});
        s.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(changed(), "pasted");
        // A THROT value typed onto its neighbour's, an RPM value typed and
        // one stepped.
        s.ClickHeader(table, {kEditThrot, 0, 2});
        QVERIFY(table->axisEditor()->isVisible());
        Shipped::Type(table->axisEditor(), QString::fromStdString(CellText(
            s.cal.frame->ActiveView()->MakeEditContext(*s.cal.app), s.Map(), {kEditThrot, 0, 3})));
        QVERIFY2(changed(), "THROT typed");
        s.ClickHeader(table, {kEditRpm, 0, 2});
        const int rpm = table->axisEditor()->text().toInt();
        Shipped::Type(table->axisEditor(), QString::number(rpm + 100));
        QVERIFY2(changed(), "RPM typed");
        if (s.Map().x.step != 0) {
            s.ClickHeader(table, {kEditRpm, 0, 4});
            s.Key(Qt::Key_PageUp);
            QVERIFY2(changed(), "RPM stepped");
        }

        // Dragged in the map window, then stepped there.
        CMapWnd* map = s.MapWindow();
        QVERIFY(map && map->graphPane());
        s.ClickCell(s.Table(), {kEditData, 5, 3});
        map = s.MapWindow();
        GraphPoint p;
        QVERIFY(GraphPointPosition(s.Map(), s.cal.app->image(), map->Scales(), 5, 3, p));
        const QPoint at(p.x, p.y);
        const QPoint to(p.x, p.y > map->graphPane()->height() / 2 ? p.y - 40 : p.y + 40);
        QTest::mouseClick(map->graphPane(), Qt::LeftButton, {}, at);
        QTest::mousePress(map->graphPane(), Qt::LeftButton, {}, at);
        QVERIFY(map->graphPane()->Dragging());
        QTest::mouseMove(map->graphPane(), to);
        QTest::mouseRelease(map->graphPane(), Qt::LeftButton, {}, to);
        QCOMPARE(s.Map().undo.Newest().kind, 22);
        QVERIFY2(changed(), "drag");
        s.Key(Qt::Key_PageUp);
        s.Key(Qt::Key_PageUp);
        QCOMPARE(s.Map().undo.Newest().kind, 32);
        QVERIFY2(changed(), "map step");

        // The Data field of the dialog bar, on the cursor cell.
        QLineEdit* data = s.cal.frame->dataField();
        const double shown = data->text().toDouble();
        Shipped::Type(data, QString::number(shown + 1.3, 'f', 2));
        QCOMPARE(s.Map().undo.Newest().kind, 12);
        QVERIFY2(changed(), "Data field");

        // The HEX window.
        s.cal.frame->OnCommand(cmd::kOpenHexWindow);
        CQelView* hexView = s.cal.ViewOfKind(kWindowHex);
        QVERIFY(hexView);
        s.cal.Activate(hexView);
        auto* hex = static_cast<CHexWnd*>(hexView->ChildWnd());
        const std::uint16_t byte = s.DataAddress(5, 5);
        QTest::mouseClick(hex->area()->viewport(), Qt::LeftButton, {}, hex->ByteCentre(byte));
        QCOMPARE(hex->EditAddress(), int(byte));
        Shipped::Type(hex->editor(), s.cal.Byte(byte) == 0x7F ? "7E" : "7F");
        QVERIFY2(changed(), "HEX");

        QVERIFY(s.DifferingBytes() > 10);
        QVERIFY(s.UndoEverything() > 0);
        QCOMPARE(s.DifferingBytes(), 0);
        QVERIFY(s.Map().undo.Empty());

        // Saved, the file holds the calibration exactly as shipped (the data
        // file writer ends its lines with CR LF, as the shipped files may not).
        s.cal.dialogs.nextFile = s.cal.install.dir.File("undone.qsd");
        s.cal.frame->OnCommand(cmd::kSave);
        const QByteArray saved = FileBytes(s.cal.dialogs.nextFile);
        QVERIFY(!saved.isEmpty());
        QCOMPARE(QByteArray(saved).replace("\r\n", "\n"), FileBytes(s.cal.path).replace("\r\n", "\n"));
    }

    // KST26A's THROT axis has no step: 150 typed in THROT 0.0 is beyond the
    // range and past its neighbour 5.0; the axis must keep rising.
    void aTypedAxisValueKeepsTheAxisRisingStrictly() {
        Shipped s(kKestrel);
        CTableWnd* table = s.Table();
        QVERIFY(table);
        const std::uint16_t throt = s.Map().z.start;
        s.ClickHeader(table, {kEditThrot, 0, 0});
        Shipped::Type(table->axisEditor(), "150");
        QCOMPARE(int(s.cal.Byte(throt)), 9);   // 4.5, one raw step below 5.0
        QCOMPARE(int(s.cal.Byte(throt + 1)), 10);
        QCOMPARE(s.cal.prompt.shown.size(), std::size_t{1});
        QVERIFY(s.cal.prompt.Last().text.find("set 4.50") != std::string::npos);
        QCOMPARE(s.cal.frame->lineSelector()->itemText(0), QString("4.5"));

        // Typed onto the neighbour on the other side, and past it.
        s.cal.prompt.shown.clear();
        s.ClickHeader(table, {kEditThrot, 0, 2});
        Shipped::Type(table->axisEditor(), "5");
        QCOMPARE(int(s.cal.Byte(throt + 2)), 11);   // 5.5
        Shipped::Type(table->axisEditor(), "1");
        QCOMPARE(int(s.cal.Byte(throt + 2)), 11);
        QCOMPARE(s.cal.prompt.shown.size(), std::size_t{2});

        // RPM 1000, 2000, 3000: 3000 typed in the middle becomes 2950.
        const std::uint16_t rpm = s.Map().x.start;
        s.ClickHeader(table, {kEditRpm, 0, 1});
        Shipped::Type(table->axisEditor(), "3000");
        QCOMPARE(int(s.cal.Byte(rpm + 1)), 59);
        QCOMPARE(table->axisEditor()->text(), QString("2950"));
        for (int i = 1; i < s.Map().z.count; ++i) QVERIFY(s.cal.Byte(throt + i - 1) < s.cal.Byte(throt + i));
        for (int i = 1; i < s.Map().x.count; ++i) QVERIFY(s.cal.Byte(rpm + i - 1) < s.cal.Byte(rpm + i));
        s.UndoEverything();
        QCOMPARE(s.DifferingBytes(), 0);
    }
};

QTEST_MAIN(ShippedMachineEditTest)
#include "ShippedMachineEditTest.moc"
