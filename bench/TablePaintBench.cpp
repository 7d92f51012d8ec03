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

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "config/Definition.h"
#include "edit/LinkedMaps.h"
#include "edit/TableWnd.h"
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
    void RefreshViews(int) override {}
    void RefreshDialogBar() override {}
    void SetCaption(const QString&) override {}
    EditContext MakeEditContext(CQelApp& a) override { return AppEditContext(a, AppLinkPropagation(a)); }
};

}  // namespace

class TablePaintBench : public QObject {
    Q_OBJECT

    testinstall::Install install;
    std::unique_ptr<testinstall::EnvOverride> tmp;
    RecordingPrompt prompt;
    std::unique_ptr<CQelApp> app;
    Services services;
    std::unique_ptr<QWidget> view;   // the window's parent, as a view is
    CTableWnd* wnd = nullptr;

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
        view = std::make_unique<QWidget>();
        wnd = new CTableWnd(*app, prompt, services, view.get());
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
