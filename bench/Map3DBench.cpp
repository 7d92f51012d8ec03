// The 3D window's repaint of a 16 x 16 map: every paint reads the map from
// the image, places the 256 vertices, sorts the 225 faces and fills them
// with the wireframe and the legend, so this is what a turn by a key, a
// step of a drag or a notice from another window costs. The aim is a frame
// of 60 Hz: under 16 ms.
//
//   build/bin/Map3DBench -platform offscreen
#include <QtTest>

#include <cstdint>
#include <memory>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "config/Definition.h"
#include "edit/LinkedMaps.h"
#include "edit/gui/Map3DWnd.h"
#include "model/Maps.h"
#include "tests/files/TestInstall.h"
#include "tests/support/RecordingPrompt.h"

namespace {

constexpr int kRows = 16;
constexpr int kColumns = 16;

struct Services : ViewServices {
    void RefreshViews(int) override {}
    void RefreshDialogBar() override {}
    void SetCaption(const QString&) override {}
    EditContext MakeEditContext(CQelApp& a) override { return AppLinkedEditContext(a); }
};

}  // namespace

class Map3DBench : public QObject {
    Q_OBJECT

    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    RecordingPrompt prompt;
    std::unique_ptr<CQelApp> app;
    Services services;
    std::unique_ptr<CMap3DWnd> wnd;

private slots:
    void initTestCase() {
        AppOptions options;
        options.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(options);
        HeadlessHost host(prompt);
        QVERIFY(app->InitInstance(host));
        // A definition holds at most 255 cells, so the map of 15 x 17 it
        // loads is widened here to 16 x 16 by hand: the window reads only
        // the record's counts and addresses.
        app->definitionLines.Clear();
        AppendDefinitionText("[Free Map]\n2000,21FF,0000\nSquare,0,F\nTHROT,0,100,x/2,x*2\n"
                             "RPM,500,12750,x*50,x/50\nInjection,0,12.75,x/20,x*20\n",
                             app->definitionLines);
        Image& image = app->image();
        std::uint16_t a = 0x2000;
        image[a++] = 15;
        image[a++] = 17;
        QCOMPARE(ApplyDefinition(*app, *app, image, prompt), 0);
        MapRecord* map = FindMap(app->maps, "Square");
        QVERIFY(map);
        a = 0x2000;
        image[a++] = kRows;
        image[a++] = kColumns;
        map->z.count = kRows;
        map->z.start = a;
        for (int r = 0; r < kRows; ++r) image[a++] = static_cast<std::uint8_t>(r * 13);
        map->x.count = kColumns;
        map->x.start = a;
        for (int c = 0; c < kColumns; ++c) image[a++] = static_cast<std::uint8_t>(10 + c * 15);
        map->y.start = a;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) image[a++] = static_cast<std::uint8_t>(20 + r * 9 + c * 4 + (c % 3) * 5);
        // The file's data, so every cell has its value.
        app->dataStart = 0x2000;
        app->dataEnd = a;
        app->currentMap = map;
        StartDataEdit(*app->currentMap, image);
        app->currentMap->cursor.mode = kEditData;
        wnd = std::make_unique<CMap3DWnd>(*app, prompt, services);
        wnd->resize(800, 600);
        wnd->show();
        QVERIFY(QTest::qWaitForWindowExposed(wnd.get()));
        wnd->repaint();
        QCOMPARE(wnd->Vertices().size(), std::size_t{kRows * kColumns});
        for (const ScreenPoint& p : wnd->Vertices()) QVERIFY(p.valid);
    }

    void repaintOf16x16() {
        QBENCHMARK { wnd->repaint(); }
    }

    // A turn by a key: the view moves and the whole window is painted again.
    void turnAndRepaint() {
        QBENCHMARK {
            wnd->View().Rotate(10);
            wnd->repaint();
        }
    }
};

QTEST_MAIN(Map3DBench)
#include "Map3DBench.moc"
