// The table's selection, colour scale and units on a shipped machine, judged
// in grabbed pixels turned to grey, as a greyscale print shows them.
#include <QComboBox>
#include <QLabel>
#include <QtTest>
#include <algorithm>
#include <map>
#include <vector>

#include "app/CommandIds.h"
#include "edit/CellAccess.h"
#include "edit/gui/ScaleLegend.h"
#include "edit/gui/TableWnd.h"
#include "model/ValueConversion.h"
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

// The background of a cell (its most frequent grey, edges left out) and the
// pixels far from it: the value's text.
std::pair<int, int> BackgroundAndText(const QImage& image, const QRect& box) {
    std::map<int, int> counts;
    for (int y = box.top() + 3; y <= box.bottom() - 3; ++y)
        for (int x = box.left() + 3; x <= box.right() - 3; ++x) ++counts[qGray(image.pixel(x, y))];
    const int background = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                               return a.second < b.second;
                           })->first;
    int text = 0;
    for (const auto& [grey, count] : counts) text += std::abs(grey - background) > 100 ? count : 0;
    return {background, text};
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
        for (const auto& [row, column] : std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {2, 2}}) {
            const auto [white, plainText] = BackgroundAndText(before, t.Box(row, column));
            const auto [tint, text] = BackgroundAndText(grid, t.Box(row, column));
            // Told from white in grey alone, light, and the value stands out of it.
            QVERIFY(white == 255 && white - tint >= 25 && tint > 150);
            QVERIFY(text >= plainText / 2 && text > 0);
        }
        // A dark edge along the selection's outside, none across it.
        const QRect corner = t.Box(1, 1);
        QVERIFY(qGray(grid.pixel(corner.left(), corner.center().y())) < 60);
        QVERIFY(qGray(grid.pixel(corner.center().x(), corner.top())) < 60);
        QVERIFY(qGray(grid.pixel(t.Box(1, 2).left(), corner.center().y())) > 150);
        QCOMPARE(BackgroundAndText(grid, t.Box(0, 0)).first, 255);   // outside the selection
    }

    void colourScaleShadesEachMapByItsOwnValuesInLuminanceOrder() {
        Table t;
        QVERIFY(!t.wnd->legend()->isVisible());
        t.cal.frame->OnCommand(cmd::kColourScale);
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
            QVERIFY(shades[i].first == shades[i - 1].first || shades[i].second >= shades[i - 1].second);
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
};

QTEST_MAIN(TableMarksTest)
#include "TableMarksTest.moc"
