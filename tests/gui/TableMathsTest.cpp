// Maths on the table window's selection in the main frame, with real keys
// and mouse on the shipped Kestrel (Free Map) and Heron (Config Map): the
// Edit menu's accelerators, the value dialog's account of the change, and
// one Ctrl+Z per operation back to the loaded calibration.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cmath>

#include "app/CommandIds.h"
#include "edit/gui/TableMathsDlg.h"
#include "edit/gui/TableWnd.h"
#include "tests/gui/TestCalibration.h"

namespace {

struct Session {
    TestCalibration cal;
    Image loaded{};
    CTableWnd* table = nullptr;

    explicit Session(const ShippedMachine& machine) : cal(machine) {
        cal.Open(0);
        loaded = cal.app->image();
        CQelView* view = cal.ViewOfKind(kWindowTable);
        if (!view) qFatal("no table window");
        cal.Activate(view);
        table = static_cast<CTableWnd*>(view->ChildWnd());
    }
    MapRecord& Map() { return cal.Map(); }
    std::uint8_t Data(int row, int column) {
        return cal.Byte(static_cast<std::uint16_t>(Map().y.start + row * Map().x.count + column));
    }
    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, modifiers,
                          table->GridCellCentre({kEditData, row, column}));
    }
    void Select(int top, int left, int bottom, int right) {
        Click(top, left);
        Click(bottom, right, Qt::ShiftModifier);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : cal.frame.get(), key, modifiers);
    }
    // A key that runs the value dialog; the dialog took the activation with it.
    void DialogKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        Key(key, modifiers);
        cal.frame->activateWindow();
        if (!QTest::qWaitForWindowActive(cal.frame.get())) qFatal("frame not active again");
        table->gridEditor()->setFocus();
    }
    int DifferingBytes() const {
        int n = 0;
        for (std::size_t i = 0; i < loaded.size(); ++i) n += loaded[i] != cal.app->image()[i];
        return n;
    }
};

}  // namespace

class TableMathsTest : public QObject {
    Q_OBJECT

private slots:
    // KST26A "Fuel Injection": THROT x/2, RPM x*50, DATA x/20 (ms).
    void interpolateAcrossBothThenSmoothAndOneCtrlZEach() {
        Session s(kKestrel);
        const int top = 1, left = 1, bottom = 5, right = 7;
        s.Select(top, left, bottom, right);
        QVERIFY(s.cal.ActionEnabled(cmd::kInterpolateBoth));
        s.Key(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);

        // Bilinear from the four corners by the axis values.
        const Image& image = s.cal.app->image();
        auto throt = [&](int row) { return image[s.Map().z.start + row] / 2.0; };
        auto rpm = [&](int column) { return image[s.Map().x.start + column] * 50.0; };
        auto corner = [&](int row, int column) { return s.loaded[s.Map().y.start + row * s.Map().x.count + column] / 20.0; };
        int changed = 0;
        for (int r = top; r <= bottom; ++r) {
            for (int c = left; c <= right; ++c) {
                const double t = (rpm(c) - rpm(left)) / (rpm(right) - rpm(left));
                const double u = (throt(r) - throt(top)) / (throt(bottom) - throt(top));
                const double upper = corner(top, left) + t * (corner(top, right) - corner(top, left));
                const double lower = corner(bottom, left) + t * (corner(bottom, right) - corner(bottom, left));
                const double expected = upper + u * (lower - upper);
                QVERIFY2(std::fabs(s.Data(r, c) / 20.0 - expected) <= 0.025 + 1e-6,
                         qPrintable(QString("row %1 column %2: %3 for %4").arg(r).arg(c).arg(s.Data(r, c) / 20.0).arg(expected)));
                changed += s.Data(r, c) != s.loaded[s.Map().y.start + r * s.Map().x.count + c];
            }
        }
        QVERIFY(changed > 10);
        QCOMPARE(s.Data(0, 0), s.loaded[s.Map().y.start]);   // outside the selection
        QVERIFY(s.table->statusLine()->text().contains("cells change"));
        const Image interpolated = s.cal.app->image();

        s.Key(Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!(s.cal.app->image() == interpolated));
        QVERIFY(s.cal.ActionText(cmd::kUndo).startsWith("&Undo Smooth "));
        QVERIFY(s.cal.ActionText(cmd::kUndo).endsWith(" cells\tCtrl+Z"));

        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(s.cal.app->image() == interpolated);
        QVERIFY(!s.table->statusLine()->text().contains("Smooth"));
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);
        QVERIFY(!s.cal.ActionEnabled(cmd::kUndo));
    }

    // The dialog counts before anything is written; OK writes what it
    // showed, held inside the second range (0.5 .. 12 ms); Cancel writes nothing.
    void setValueShowsTheChangeAndHoldsTheLimits() {
        Session s(kKestrel);
        s.Select(0, 0, 1, 2);
        QString preview;
        bool okEnabledForText = true;
        s.cal.dialogs.tableMaths = [&](CTableMathsDlg& dialog) {
            QTest::keyClicks(dialog.valueEdit(), "abc");
            okEnabledForText = dialog.okButton()->isEnabled();
            dialog.valueEdit()->clear();
            QTest::keyClicks(dialog.valueEdit(), "99");
            preview = dialog.previewLabel()->text();
            QVERIFY(s.DifferingBytes() == 0);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        s.DialogKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!okEnabledForText);
        QVERIFY2(preview.startsWith("6 of 6 cells change, largest change ") &&
                     preview.endsWith(" Injection; 6 held at the limits"),
                 qPrintable(preview));
        for (int r = 0; r <= 1; ++r)
            for (int c = 0; c <= 2; ++c) QCOMPARE(int(s.Data(r, c)), 240);
        QCOMPARE(s.Data(2, 0), s.loaded[s.Map().y.start + 2 * s.Map().x.count]);

        const Image afterSet = s.cal.app->image();
        s.cal.dialogs.tableMaths = [&](CTableMathsDlg& dialog) {
            QTest::keyClicks(dialog.valueEdit(), "-1");
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        };
        s.DialogKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(s.cal.app->image() == afterSet);
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);
    }

    // HRN26C "Main Fuel" (Config Map, x/10): 110 % of every cell of the
    // table when nothing is selected, then back with one Ctrl+Z.
    void scaleTheWholeConfigMapTable() {
        Session s(kHeron);
        s.Click(0, 0);   // an anchor alone selects nothing
        std::vector<double> expected;
        const int cells = s.Map().z.count * s.Map().x.count;
        for (int i = 0; i < cells; ++i) {
            // 110 % in raw steps, inside the second range 1 .. 24.
            expected.push_back(std::clamp(s.loaded[s.Map().y.start + i] * 1.1, 10.0, 240.0));
        }
        s.cal.dialogs.tableMaths = [&](CTableMathsDlg& dialog) {
            QTest::keyClicks(dialog.valueEdit(), "110");
            QTest::keyClick(dialog.valueEdit(), Qt::Key_Return);
        };
        s.DialogKey(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        int changed = 0;
        for (int i = 0; i < cells; ++i) {
            const int raw = s.cal.Byte(static_cast<std::uint16_t>(s.Map().y.start + i));
            QVERIFY2(std::fabs(raw - expected[i]) <= 0.5001, qPrintable(QString("cell %1: %2 for %3").arg(i).arg(raw).arg(expected[i])));
            changed += raw != s.loaded[s.Map().y.start + i];
        }
        QVERIFY(changed > cells / 2);
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);
    }
};

QTEST_MAIN(TableMathsTest)
#include "TableMathsTest.moc"
