// The map window's drawing cost on a full-size map: 15 THROT rows x 17 RPM
// columns (255 cells, the most a table holds) in a 600 x 460 window, all
// lines shown. One drag step must redraw from the cached picture; a full
// repaint draws every curve, breakpoint line and label.
//
//   build/bin/MapWndBench -platform offscreen
#include <QtTest>

#include <memory>

#include "bench/support/FullMapCalibration.h"
#include "edit/GraphEditing.h"
#include "edit/LinkedMaps.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/gui/MapWnd.h"

namespace {

struct Services : ViewServices {
    bool allLines = true;
    void RefreshViews(int) override {}
    void RefreshDialogBar() override {}
    void SetCaption(const QString&) override {}
    EditContext MakeEditContext(CQelApp& a) override { return AppLinkedEditContext(a); }
    bool AllLines() const override { return allLines; }
};

}  // namespace

class MapWndBench : public QObject {
    Q_OBJECT

    FullMapCalibration cal;
    Services services;
    std::unique_ptr<CMapWnd> wnd;

private slots:
    void initTestCase() {
        cal.Start();
        if (QTest::currentTestFailed()) return;
        cal.app->currentMap->cursor.row = 7;
        wnd = std::make_unique<CMapWnd>(*cal.app, cal.prompt, services, nullptr);
        wnd->resize(600, 460);
        wnd->show();
        QVERIFY(QTest::qWaitForWindowExposed(wnd.get()));
    }

    void fullRepaintOfTheGraph() {
        CMapGraphWnd* pane = wnd->graphPane();
        QBENCHMARK { pane->repaint(); }
    }

    void fullRepaintOfWindowAndGraph() {
        QBENCHMARK { wnd->repaint(); }
    }

    void oneDragStep() {
        CMapGraphWnd* pane = wnd->graphPane();
        MapRecord& map = *cal.app->currentMap;
        GraphPoint p;
        QVERIFY(GraphPointPosition(map, cal.app->image(), wnd->Scales(), 7, 8, p));
        const QPoint at(p.x, p.y);
        QTest::mouseClick(pane, Qt::LeftButton, {}, at);
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QVERIFY(pane->Dragging());
        const int paints = pane->GraphPaintCount();
        int step = 0;
        QBENCHMARK {
            // Alternate between two heights so that every step changes the value.
            QTest::mouseMove(pane, QPoint(at.x(), at.y() - 20 - (step++ % 2) * 20));
            pane->repaint();
        }
        QCOMPARE(pane->GraphPaintCount(), paints);
        QTest::mousePress(pane, Qt::RightButton, {}, at);
        QVERIFY(!pane->Dragging());
    }
};

QTEST_MAIN(MapWndBench)
#include "MapWndBench.moc"
