// The table window's painting cost on a full-size map: 15 THROT rows x 17
// RPM columns (255 cells, the most a table holds), every cell in view. Each
// cell's text goes through the DATA item's equation and format on every
// paint (the window keeps no copies), so this is the cost of a refresh
// after an edit or of one step of a drag in the map window.
//
//   build/bin/TablePaintBench -platform offscreen
#include <QScrollBar>
#include <QtTest>

#include <memory>

#include "bench/support/FullMapCalibration.h"
#include "edit/LinkedMaps.h"
#include "edit/gui/TableWnd.h"

namespace {

struct Services : ViewServices {
    void RefreshViews(int) override {}
    void RefreshDialogBar() override {}
    void SetCaption(const QString&) override {}
    EditContext MakeEditContext(CQelApp& a) override { return AppLinkedEditContext(a); }
};

}  // namespace

class TablePaintBench : public QObject {
    Q_OBJECT

    FullMapCalibration cal;
    Services services;
    std::unique_ptr<QWidget> view;   // the window's parent, as a view is
    CTableWnd* wnd = nullptr;

private slots:
    void initTestCase() {
        cal.Start();
        if (QTest::currentTestFailed()) return;
        view = std::make_unique<QWidget>();
        wnd = new CTableWnd(*cal.app, cal.prompt, services, view.get());
        // Room for the header column and 17 columns, the RPM row and 15 lines.
        view->resize((17 + 2) * wnd->cellWidth() + 40, (15 + 2) * wnd->cellHeight() + 40);
        wnd->setGeometry(view->rect());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        // Every cell in view: nothing to scroll.
        QCOMPARE(wnd->grid()->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(wnd->grid()->verticalScrollBar()->maximum(), 0);
    }

    void repaintOfTheGrid() {
        QWidget* grid = wnd->grid()->viewport();
        QBENCHMARK { grid->repaint(); }
    }

    void repaintOfHeaderAndGrid() {
        QBENCHMARK { wnd->repaint(); }
    }

    // RefreshFromImage: what a notice from another window costs, the
    // editor placed again and the window painted.
    void refreshFromImage() {
        QBENCHMARK {
            wnd->RefreshFromImage();
            wnd->repaint();
        }
    }
};

QTEST_MAIN(TablePaintBench)
#include "TablePaintBench.moc"
