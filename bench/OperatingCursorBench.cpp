// The latency of the live operating point in the table window: from a point
// fed to the trail (as a monitor answer feeds it) to the table's repaint of
// the old and new cells being done, on a full-size map (255 cells in view),
// offscreen. The point alternates between two places, so every round moves
// the marks.
//
//   build/bin/OperatingCursorBench -platform offscreen
#include <QtTest>

#include <memory>

#include "bench/support/FullMapCalibration.h"
#include "edit/LinkedMaps.h"
#include "edit/gui/TableWnd.h"
#include "app/MapOverlay.h"

namespace {

struct Services : ViewServices {
    void RefreshViews(int) override {}
    void RefreshDialogBar() override {}
    void SetCaption(const QString&) override {}
    EditContext MakeEditContext(CQelApp& a) override { return AppLinkedEditContext(a); }
};

// Counts the paints of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

class OperatingCursorBench : public QObject {
    Q_OBJECT

    FullMapCalibration cal;
    Services services;
    std::unique_ptr<QWidget> view;
    CTableWnd* wnd = nullptr;
    PaintCounter counter;

private slots:
    void initTestCase() {
        cal.Start();
        if (QTest::currentTestFailed()) return;
        view = std::make_unique<QWidget>();
        wnd = new CTableWnd(*cal.app, cal.prompt, services, view.get());
        view->resize((17 + 2) * wnd->cellWidth() + 40, (15 + 2) * wnd->cellHeight() + 40);
        wnd->setGeometry(view->rect());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        wnd->grid()->viewport()->installEventFilter(&counter);
    }

    void fedPointToTableRepaint() {
        const MapRecord& map = *cal.app->currentMap;
        // The bench's image has no data file around it: every byte counts as kept.
        EditContext context = AppLinkedEditContext(*cal.app);
        context.keptData.reset();
        const OperatingAxes axes = ReadOperatingAxes(context, map);
        QCOMPARE(axes.status, AxesStatus::kReady);
        OperatingTrail trail;
        trail.SetItems(0, 1);
        double time = 0.0;
        bool far = false;
        const int paintsBefore = counter.paints;
        int rounds = 0;
        QBENCHMARK {
            time += 0.1;
            far = !far;
            const std::vector<std::optional<double>> values = {far ? 9000.0 : 3000.0, far ? 70.0 : 20.0};
            trail.Feed(time, values);
            const LiveMarks before = cal.app->operating.live;
            cal.app->operating.live = PlaceLiveMarks(trail, time, map, axes);
            wnd->OperatingChanged(before);
            QCoreApplication::processEvents();
            ++rounds;
        }
        // Each round painted.
        QVERIFY(counter.paints - paintsBefore >= rounds);
        QVERIFY(!wnd->LiveCells().empty());
    }
};

QTEST_MAIN(OperatingCursorBench)
#include "OperatingCursorBench.moc"
