// The map window's drawing cost on a full-size map: 15 THROT rows x 17 RPM
// columns (255 cells, the most a table holds) in a 600 x 460 window, all
// lines shown. One drag step must redraw from the cached picture; a full
// repaint draws every curve, breakpoint line and label.
//
//   build/bin/MapWndBench -platform offscreen
#include <QtTest>

#include <memory>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "config/Definition.h"
#include "edit/GraphEditing.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphWnd.h"
#include "edit/MapWnd.h"
#include "model/Maps.h"
#include "tests/files/TestInstall.h"
#include "tests/support/RecordingPrompt.h"

namespace {

constexpr const char* kDefinition =
    "[Free Map]\n"
    "2000,21FF,0000\n"
    "Full,0,F\n"
    "THROT,0,100,x/2,x*2\n"
    "RPM,500,12750,x*50,x/50\n"
    "Injection,0,12.75,x/20,x*20\n";

struct Services : ViewServices {
    bool allLines = true;
    void RefreshViews(int) override {}
    void RefreshDialogBar() override {}
    void SetCaption(const QString&) override {}
    EditContext MakeEditContext(CQelApp& a) override { return AppEditContext(a, AppLinkPropagation(a)); }
    bool AllLines() const override { return allLines; }
};

}  // namespace

class MapWndBench : public QObject {
    Q_OBJECT

    testinstall::Install install;
    std::unique_ptr<testinstall::EnvOverride> tmp;
    RecordingPrompt prompt;
    std::unique_ptr<CQelApp> app;
    Services services;
    std::unique_ptr<CMapWnd> wnd;

private slots:
    void initTestCase() {
        tmp = std::make_unique<testinstall::EnvOverride>("TMPDIR", install.TmpPath());
        AppOptions options;
        options.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(options);
        HeadlessHost host(prompt);
        QVERIFY(app->InitInstance(host));
        app->definitionLines.Clear();
        AppendDefinitionText(kDefinition, app->definitionLines);
        Image& image = app->image();
        std::uint16_t a = 0x2000;
        image[a++] = 15;
        image[a++] = 17;
        for (int r = 0; r < 15; ++r) image[a++] = static_cast<std::uint8_t>(r * 14);
        for (int c = 0; c < 17; ++c) image[a++] = static_cast<std::uint8_t>(10 + c * 14);
        for (int r = 0; r < 15; ++r)
            for (int c = 0; c < 17; ++c) image[a++] = static_cast<std::uint8_t>(20 + r * 9 + c * 4 + (c % 3) * 5);
        QCOMPARE(ApplyDefinition(*app, image, prompt), 0);
        app->currentMap = FindMap(app->maps, "Full");
        QVERIFY(app->currentMap);
        QCOMPARE(int(app->currentMap->y.count), 255);
        StartDataEdit(*app->currentMap, image);
        app->currentMap->cursor.row = 7;
        wnd = std::make_unique<CMapWnd>(*app, prompt, services, nullptr);
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
        MapRecord& map = *app->currentMap;
        GraphPoint p;
        QVERIFY(GraphPointPosition(map, app->image(), wnd->Scales(), 7, 8, p));
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
