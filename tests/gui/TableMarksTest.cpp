// The table window's marks and value display on a shipped machine, judged in
// grabbed pixels turned to grey as a greyscale print would show them: the
// selection, the colour scale, and the units beside the values.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <algorithm>
#include <map>
#include <vector>

#include "app/CommandIds.h"
#include "edit/CellAccess.h"
#include "edit/gui/ScaleLegend.h"
#include "edit/gui/TableWnd.h"
#include "model/ValueConversion.h"
#include "platform/FileIo.h"
#include "tests/gui/TestCalibration.h"

namespace {

struct Table {
    TestCalibration cal{kKestrel};
    CTableWnd* wnd = nullptr;
    explicit Table(int map = 0) {
        cal.Open(map);
        CQelView* view = cal.ViewOfKind(kWindowTable);
        if (!view) qFatal("no table window");
        cal.Activate(view);
        wnd = static_cast<CTableWnd*>(view->ChildWnd());
    }
    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(wnd->grid()->viewport(), Qt::LeftButton, modifiers,
                          wnd->GridCellCentre({kEditData, row, column}));
    }
    QImage Grid() const {
        wnd->grid()->viewport()->repaint();
        return wnd->grid()->viewport()->grab().toImage();
    }
    QRect Box(int row, int column) const {
        const QPoint centre = wnd->GridCellCentre({kEditData, row, column});
        return QRect(centre.x() - wnd->cellWidth() / 2, centre.y() - wnd->cellHeight() / 2, wnd->cellWidth(),
                     wnd->cellHeight());
    }
    float Physical(int row, int column) const {
        const MapRecord& map = cal.Map();
        float value = 0.0f;
        ToPhysicalByte(map.y, cal.Byte(DataCellAddress(map, row, column)), value);
        return value;
    }
};

// The grey levels inside a cell, its edges left out, with their counts.
std::map<int, int> Greys(const QImage& image, const QRect& box) {
    std::map<int, int> counts;
    for (int y = box.top() + 3; y <= box.bottom() - 3; ++y)
        for (int x = box.left() + 3; x <= box.right() - 3; ++x) ++counts[qGray(image.pixel(x, y))];
    return counts;
}

// The background of a cell: its most frequent grey.
int Background(const QImage& image, const QRect& box) {
    const std::map<int, int> counts = Greys(image, box);
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

// Pixels far from the background: the value's text.
int TextPixels(const QImage& image, const QRect& box, int background) {
    int text = 0;
    for (const auto& [grey, count] : Greys(image, box))
        if (std::abs(grey - background) > 100) text += count;
    return text;
}

}  // namespace

class TableMarksTest : public QObject {
    Q_OBJECT

private slots:
    void selectionTintsTheCellsAndKeepsTheirValuesReadable() {
        Table t;
        const QImage before = t.Grid();
        t.Click(1, 1);
        t.Click(2, 3, Qt::ShiftModifier);   // rows 1-2, columns 1-3; the cursor on (2, 3)
        const QImage grid = t.Grid();
        const int white = Background(before, t.Box(1, 2));
        QCOMPARE(white, 255);
        for (const auto& [row, column] : std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {2, 2}}) {
            const QRect box = t.Box(row, column);
            const int tint = Background(grid, box);
            // Told from white in grey alone, and the value still stands out of it.
            QVERIFY2(white - tint >= 25, qPrintable(QString("tint %1").arg(tint)));
            QVERIFY2(tint > 150, "the tint stays light");
            QVERIFY(TextPixels(grid, box, tint) >= TextPixels(before, box, white) / 2);
        }
        // A dark edge along the selection's outside, none across it.
        const QRect corner = t.Box(1, 1);
        QVERIFY(qGray(grid.pixel(corner.left(), corner.center().y())) < 60);
        QVERIFY(qGray(grid.pixel(corner.center().x(), corner.top())) < 60);
        QVERIFY(qGray(grid.pixel(t.Box(1, 2).left(), corner.center().y())) > 150);
        // Outside the selection nothing changed.
        QCOMPARE(Background(grid, t.Box(0, 0)), white);
    }

    void colourScaleShadesEachMapByItsOwnValuesInLuminanceOrder() {
        Table t;
        QVERIFY(!t.wnd->legend()->isVisible());
        t.cal.frame->OnCommand(cmd::kColourScale);
        t.cal.frame->UpdateCommandUi();
        QVERIFY(t.cal.frame->action(cmd::kColourScale)->isChecked());
        QVERIFY(t.wnd->legend()->isVisible());
        QVERIFY(t.wnd->legend()->HighText().endsWith(" ms"));
        const QImage grid = t.Grid();
        // The cell under the editor aside: every value's grey follows its value.
        std::vector<std::pair<float, int>> shades;
        const MapRecord& map = t.cal.Map();
        for (int row = 0; row < std::min<int>(map.z.count, 4); ++row)
            for (int column = 1; column < std::min<int>(map.x.count, 6); ++column) {
                const QRect box = t.Box(row, column);
                shades.push_back({t.Physical(row, column), qGray(grid.pixel(box.left() + 3, box.top() + 3))});
            }
        std::sort(shades.begin(), shades.end());
        QVERIFY(shades.front().first < shades.back().first);
        for (std::size_t i = 1; i < shades.size(); ++i)
            QVERIFY2(shades[i].first == shades[i - 1].first || shades[i].second >= shades[i - 1].second,
                     qPrintable(QString("%1 grey %2 after %3 grey %4")
                                    .arg(shades[i].first)
                                    .arg(shades[i].second)
                                    .arg(shades[i - 1].first)
                                    .arg(shades[i - 1].second)));
        // Kept in the machine's settings.
        std::string settings;
        QVERIFY(ReadWholeFile(t.cal.app->settingsFilePath, settings, 1 << 20));
        QVERIFY(settings.find("[Value Display]") != std::string::npos);
        QVERIFY(settings.find("ColourScale=1") != std::string::npos);

        // Another map, its own range and unit.
        const QString fuelHigh = t.wnd->legend()->HighText();
        t.cal.frame->mapSelector()->setCurrentIndex(1);
        emit t.cal.frame->mapSelector()->activated(1);
        QApplication::processEvents();
        QVERIFY(t.wnd->legend()->HighText().endsWith(" deg"));
        QVERIFY(t.wnd->legend()->HighText() != fuelHigh);

        t.cal.frame->OnCommand(cmd::kColourScale);
        QVERIFY(!t.wnd->legend()->isVisible());
    }

    void unitsStandInTheCornerTheStatusLineAndTheDialogBar() {
        Table t;
        QCOMPARE(t.wnd->CornerText(), QString("ms"));
        t.Click(1, 2);
        const QString status = t.wnd->statusLine()->text();
        QVERIFY2(status.startsWith("THROT ") && status.contains(" %  RPM ") && status.contains(" rpm: ") &&
                     status.endsWith(" ms"),
                 qPrintable(status));
        auto* dataUnit = t.cal.frame->findChild<QLabel*>("dataUnit");
        auto* pointUnit = t.cal.frame->findChild<QLabel*>("pointUnit");
        QVERIFY(dataUnit && pointUnit);
        QCOMPARE(dataUnit->text(), QString("ms"));
        QCOMPARE(pointUnit->text(), QString("rpm"));
    }

    // PageUp over a step of 0.05: with the step's decimals every press shows
    // a new number in the cell, the editor and the dialog bar.
    void stepDecimalsShowEveryPageUp() {
        Table t;
        t.cal.frame->OnCommand(cmd::kStepDecimals);
        t.Click(1, 2);
        QStringList shown;
        for (int i = 0; i < 4; ++i) {
            shown << t.wnd->gridEditor()->text();
            QCOMPARE(t.cal.frame->dataField()->text(), shown.back());
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : t.wnd->gridEditor(), Qt::Key_PageUp);
        }
        QCOMPARE(shown.removeDuplicates(), 0);
        QVERIFY2(shown.front().section('.', 1).size() == 2, qPrintable(shown.front()));
    }
};

QTEST_MAIN(TableMarksTest)
#include "TableMarksTest.moc"
