// The map window driven with real mouse events and key commands, offscreen:
// what lands in the image, the undo list, the notices to the other views and
// the prompts.
#include <QtTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "model/Strings.h"
#include "config/Definition.h"
#include "edit/GraphEditing.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/gui/MapWnd.h"
#include "edit/UndoList.h"
#include "files/DataFile.h"
#include "model/Maps.h"
#include "tests/files/TestInstall.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TestRegistry.h"

namespace {

// Two linked Free Maps of 2 THROT rows x 4 RPM columns, DATA limited to
// 10..200 (identity equations), and a one-point map.
constexpr const char* kFreeMapDefinition =
    "[Free Map]\n"
    "2000,20FF,0000\n"
    "Fuel1,0,F\n"
    "THROT,0,100,x,x\n"
    "RPM,0,12750,x*50,x/50\n"
    "Fuel,10,200,x,x\n"
    "Fuel2,0,F\n"
    "THROT,0,100,x,x\n"
    "RPM,0,12750,x*50,x/50\n"
    "Fuel,10,200,x,x\n"
    "Level,0,L\n"
    "THROT,0,100,x,x\n"
    "RPM,0,12750,x*50,x/50\n"
    "Level,0,255,x,x\n"
    "Twin,1,T\n"
    "THROT,0,100,x,x\n"
    "RPM,0,12750,x*50,x/50\n"
    "Spark,-10,117.5,x/2-10,(x+10)*2\n"
    "[Multi Map]\n"
    "Fuel1,1\n"
    "Fuel2,2\n";

void FillFreeMaps(Image& image) {
    std::uint16_t a = 0x2000;
    auto put = [&](std::initializer_list<int> bytes) {
        for (int b : bytes) image[a++] = static_cast<std::uint8_t>(b);
    };
    for (int m = 0; m < 2; ++m) put({2, 4, 20, 60, 20, 60, 120, 200, 50, 80, 110, 140, 60, 90, 120, 150});
    put({1, 1, 50, 100, 70});                                    // Level: one point
    put({2, 3, 20, 60, 10, 50, 90, 30, 80, 120, 40, 60, 80, 50, 70, 90});   // Twin: an axis per row
}

// A Config Map with image axes (type 3, word RPM axis) and one with list axes.
constexpr const char* kConfigMapDefinition =
    "[Config Map]\n"
    "3000,30FF,0000\n"
    "Boost Fuel,0,B\n"
    "THROT,0,100,x/2,x*2\n"
    "RPM,0,16000,x*100,x/100\n"
    "Fuel,0,25.5,x/10,x*10\n"
    "z,3100,1,3,2\n"
    "x,3110,2,4,5\n"
    "y,3000\n"
    "Idle Trim,0,I\n"
    "THROT,0,30,x,x\n"
    "RPM,800,3000,x,x\n"
    "Trim,-12.8,12.7,x/10-12.8,(x+12.8)*10\n"
    "3,0,10,20\n"
    "6,800,1000,1200,1600,2000,3000\n";

void FillConfigMaps(Image& image) {
    for (int i = 0; i < 12; ++i) image[0x3000 + i] = static_cast<std::uint8_t>(40 + 10 * i);
    for (int i = 0; i < 18; ++i) image[0x300C + i] = static_cast<std::uint8_t>(100 + 3 * i);
    const int throt[] = {0, 60, 200};
    for (int i = 0; i < 3; ++i) image[0x3100 + i] = static_cast<std::uint8_t>(throt[i]);
    const int rpm[] = {10, 40, 90, 150};
    for (int i = 0; i < 4; ++i) WriteWord(image, static_cast<std::uint16_t>(0x3110 + 2 * i), rpm[i]);
}

struct RecordingServices : ViewServices {
    explicit RecordingServices(CQelApp& app) : app(app) {}
    CQelApp& app;
    std::vector<int> refreshes;
    QString caption;
    bool allLines = false;
    std::vector<EcuByteWrite> ecuWrites;

    void RefreshViews(int exceptKind) override { refreshes.push_back(exceptKind); }
    void RefreshDialogBar() override {}
    void SetCaption(const QString& text) override { caption = text; }
    EditContext MakeEditContext(CQelApp& a) override { return AppLinkedEditContext(a); }
    bool AllLines() const override { return allLines; }
    int WriteToEcu(const std::vector<EcuByteWrite>& bytes) override {
        ecuWrites.insert(ecuWrites.end(), bytes.begin(), bytes.end());
        return 0;
    }
};

// An installed test machine whose definition lines are replaced by ours and
// applied to an image filled by the test.
struct MapCalibration {
    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    RecordingPrompt prompt;
    std::unique_ptr<CQelApp> app;
    std::unique_ptr<RecordingServices> services;
    bool ok = false;

    MapCalibration(const char* definition, const std::function<void(Image&)>& fill, const char* mapName) {
        AppOptions options;
        options.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(options);
        HeadlessHost host(prompt);
        if (!app->InitInstance(host)) return;
        app->definitionLines.Clear();
        AppendDefinitionText(definition, app->definitionLines);
        fill(app->image());
        // The filled image stands for a data file that holds all of it.
        app->dataStart = 0x0000;
        app->dataEnd = 0xFFFF;
        if (ApplyDefinition(*app, *app, app->image(), prompt) != 0) return;
        app->currentMap = FindMap(app->maps, mapName);
        if (!app->currentMap) return;
        StartDataEdit(*app->currentMap, app->image());
        services = std::make_unique<RecordingServices>(*app);
        ok = true;
    }
    MapRecord& Map() { return *app->currentMap; }
    Image& image() { return app->image(); }
    std::uint8_t Data(const char* map, int row, int column) {
        const MapRecord& m = *FindMap(app->maps, map);
        return image()[static_cast<std::uint16_t>(m.y.start + row * m.x.count + column)];
    }
};

struct Window {
    CMapWnd wnd;
    explicit Window(MapCalibration& cal, int width = 600, int height = 460)
        : wnd(*cal.app, cal.prompt, *cal.services, nullptr) {
        wnd.resize(width, height);
        wnd.show();
    }
    CMapGraphWnd* pane() { return wnd.graphPane(); }
    QPoint PointOf(const MapCalibration& cal, int line, int point) {
        GraphPoint p;
        GraphPointPosition(*cal.app->currentMap, cal.app->image(), wnd.Scales(), line, point, p);
        return {p.x, p.y};
    }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(pane(), button, {}, at);
    }
    // Left button down at from, one move to to, button up there.
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(pane(), Qt::LeftButton, {}, from);
        QTest::mouseMove(pane(), to);
        QTest::mouseRelease(pane(), Qt::LeftButton, {}, to);
    }
};

}  // namespace

class MapWndTest : public QObject {
    Q_OBJECT

private slots:
    void dragOfADataPointWritesTheByteWithADragUndoRecord() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        QVERIFY(w.pane());
        QCOMPARE(w.pane()->geometry(), QRect(50, 0, 550, 430));

        const QPoint p = w.PointOf(cal, 0, 1);
        w.Click(p);   // selects the point
        QCOMPARE(cal.Map().cursor.mode, int(kEditData));
        QCOMPARE(cal.Map().cursor.column, 1);
        QCOMPARE(int(cal.Map().cursor.raw), 80);
        QCOMPARE(cal.services->refreshes, std::vector<int>{kWindowMap});
        QVERIFY(GraphStateOf(cal.Map()).graphActive);

        QTest::mousePress(w.pane(), Qt::LeftButton, {}, p);   // the second click drags
        QVERIFY(w.pane()->Dragging());
        QVERIFY(!w.pane()->Background().isNull());
        const QPoint to(p.x(), p.y() - 60);
        const int expected = GraphDragCandidate(kEditData, w.wnd.Scales(), cal.Map().cursor, to.x(), to.y());
        QVERIFY(expected > 80);
        const int paints = w.pane()->GraphPaintCount();
        QTest::mouseMove(w.pane(), QPoint(p.x(), p.y() - 30));
        w.pane()->repaint();
        QTest::mouseMove(w.pane(), to);
        w.pane()->repaint();
        QCOMPARE(w.pane()->GraphPaintCount(), paints);   // drag steps come from the cached picture
        // The table window and the dialog bar were told of each new value;
        // the image holds the old one until the button comes up.
        QCOMPARE(cal.services->refreshes.size(), std::size_t{3});
        QCOMPARE(int(cal.Data("Fuel1", 0, 1)), 80);
        QCOMPARE(int(ShownCursorValue(cal.Map(), 80)), expected);

        QTest::mouseRelease(w.pane(), Qt::LeftButton, {}, to);
        QVERIFY(!w.pane()->Dragging());
        QCOMPARE(int(cal.Data("Fuel1", 0, 1)), expected);
        QCOMPARE(int(cal.Map().cursor.raw), expected);
        QCOMPARE(cal.app->modified, 1);
        QCOMPARE(cal.Map().undo.Size(), std::size_t{1});
        const UndoRecord& record = cal.Map().undo.Newest();
        QCOMPARE(record.kind, 22);
        QCOMPARE(int(record.values[0]), 80);
        QCOMPARE(int(record.addresses[0]), cal.Map().y.start + 1);
        QCOMPARE(int(cal.Data("Fuel2", 0, 1)), 80);   // no link active
        QVERIFY(cal.prompt.shown.empty());
        QCOMPARE(cal.services->caption, QString("MAP - Fuel1"));

        // Undo from the main frame puts the old value back.
        w.wnd.UndoEdit();
        QCOMPARE(int(cal.Data("Fuel1", 0, 1)), 80);
        QVERIFY(cal.Map().undo.Empty());
    }

    void aPointOutsideTheFilesDataIsNeitherDraggedNorStepped() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        cal.app->dataStart = 0x2000;
        cal.app->dataEnd = 0x2009;   // the checksum lies on Fuel1's DATA (0, 1)
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        const QPoint p = w.PointOf(cal, 0, 1);
        w.Click(p);
        w.Drag(p, QPoint(p.x(), p.y() - 60));
        w.wnd.KeyCommand(kKeyPageUp);
        QCOMPARE(int(cal.Data("Fuel1", 0, 1)), 80);
        QVERIFY(cal.Map().undo.Empty());
        QCOMPARE(cal.app->modified, 0);
        const std::string refusal = "Byte 2009 lies outside the data the file keeps (2000-2008; 2009 is the checksum), "
                                    "so a save would lose the change.\nNothing was changed.";
        QCOMPARE(cal.prompt.shown.size(), std::size_t{2});
        QCOMPARE(cal.prompt.shown[0].text, refusal);
        QCOMPARE(cal.prompt.shown[1].text, refusal);
        QCOMPARE(cal.prompt.Last().caption, Str(str::kCaptionMapWindow));
    }

    void rightButtonCancelsADragAndReleaseWithoutChangeWritesNothing() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        const QPoint p = w.PointOf(cal, 1, 2);
        cal.services->allLines = true;   // line 1 is not the cursor line
        w.Click(p);
        QCOMPARE(cal.Map().cursor.row, 1);
        QCOMPARE(cal.Map().cursor.column, 2);

        QTest::mousePress(w.pane(), Qt::LeftButton, {}, p);
        QTest::mouseMove(w.pane(), QPoint(p.x(), p.y() + 50));
        QVERIFY(ShownCursorValue(cal.Map(), 120) < 120);
        const std::size_t before = cal.services->refreshes.size();
        QTest::mousePress(w.pane(), Qt::RightButton, {}, QPoint(p.x(), p.y() + 50));
        QVERIFY(!w.pane()->Dragging());
        QCOMPARE(w.pane()->Drag().editValue, std::uint16_t{120});
        QCOMPARE(cal.services->refreshes.size(), before + 1);
        QTest::mouseRelease(w.pane(), Qt::LeftButton, {}, QPoint(p.x(), p.y() + 50));
        QCOMPARE(int(cal.Data("Fuel1", 1, 2)), 120);
        QCOMPARE(int(cal.Map().cursor.raw), 120);
        QVERIFY(cal.Map().undo.Empty());
        QCOMPARE(cal.app->modified, 0);

        // Away and back to a height that means the start value: nothing to
        // write, no undo step.
        int back = -1;
        for (int y = 0; y < w.pane()->height() && back < 0; ++y) {
            if (GraphDragCandidate(kEditData, w.wnd.Scales(), cal.Map().cursor, p.x(), y) == 120) back = y;
        }
        QVERIFY(back >= 0);
        QTest::mousePress(w.pane(), Qt::LeftButton, {}, p);
        QTest::mouseMove(w.pane(), QPoint(p.x(), p.y() - 40));
        QTest::mouseMove(w.pane(), QPoint(p.x() + 1, back));
        QTest::mouseRelease(w.pane(), Qt::LeftButton, {}, QPoint(p.x() + 1, back));
        QCOMPARE(int(cal.Data("Fuel1", 1, 2)), 120);
        QVERIFY(cal.Map().undo.Empty());
        QCOMPARE(cal.app->modified, 0);
    }

    void dragBeyondTheLimitsPinsTheValueAtThem() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        QPoint p = w.PointOf(cal, 0, 2);
        w.Click(p);
        QCOMPARE(cal.Map().cursor.lower, 10);
        QCOMPARE(cal.Map().cursor.upper, 200);
        w.Drag(p, QPoint(p.x(), 0));
        QCOMPARE(int(cal.Data("Fuel1", 0, 2)), 200);

        p = w.PointOf(cal, 0, 2);
        w.Drag(p, QPoint(p.x(), w.pane()->height() - 1));
        QCOMPARE(int(cal.Data("Fuel1", 0, 2)), 10);
        QCOMPARE(cal.Map().undo.Size(), std::size_t{2});   // a Drag record for each
        QCOMPARE(int(cal.Map().undo.Newest().values[0]), 200);
    }

    void oneLineOfOnePointDragsAsALevel() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Level");
        QVERIFY(cal.ok);
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        const QPoint p = w.PointOf(cal, 0, 0);
        w.Click(p);
        QTest::mousePress(w.pane(), Qt::LeftButton, {}, p);
        QVERIFY(w.pane()->Dragging());
        QTest::mouseMove(w.pane(), QPoint(p.x(), p.y() - 20));
        QTest::mouseRelease(w.pane(), Qt::LeftButton, {}, QPoint(p.x(), p.y() - 20));
        QVERIFY(cal.Data("Level", 0, 0) > 70);
        QCOMPARE(cal.Map().undo.Newest().kind, 22);
    }

    void keyStepsStayInsideTheLimitsAndReachLinkedMaps() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        cal.app->mapLinkState = kLinkAllInOne;
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        QCOMPARE(w.wnd.Caption(), QString("MAP - Fuel1,Fuel2"));

        w.wnd.KeyCommand(kKeyUp);
        w.wnd.KeyCommand(kKeyPageUp);
        QCOMPARE(int(cal.Data("Fuel1", 0, 0)), 52);
        QCOMPARE(int(cal.Data("Fuel2", 0, 0)), 52);   // the link
        QCOMPARE(int(cal.Map().cursor.raw), 52);
        QCOMPARE(cal.Map().undo.Size(), std::size_t{1});   // steps of one cell: one record
        QCOMPARE(cal.Map().undo.Newest().kind, 32);
        QCOMPARE(int(cal.Map().undo.Newest().values[0]), 50);
        w.wnd.KeyCommand(kKeyDown);
        QCOMPARE(int(cal.Data("Fuel1", 0, 0)), 51);

        // Moves: right, then to the next line; the cursor takes the cell's value.
        w.wnd.KeyCommand(kKeyRight);
        w.wnd.KeyCommand(kKeyShiftDown);
        QCOMPARE(cal.Map().cursor.row, 1);
        QCOMPARE(cal.Map().cursor.column, 1);
        QCOMPARE(int(cal.Map().cursor.raw), 90);
        w.wnd.KeyCommand(kKeyShiftDown);   // no line 2
        QCOMPARE(cal.Map().cursor.row, 1);

        // At the upper limit a step up does nothing.
        cal.image()[cal.Map().y.start + 5] = 200;
        w.wnd.KeyCommand(kKeyLeft);
        w.wnd.KeyCommand(kKeyRight);
        QCOMPARE(int(cal.Map().cursor.raw), 200);
        const std::size_t records = cal.Map().undo.Size();
        w.wnd.KeyCommand(kKeyUp);
        QCOMPARE(int(cal.Data("Fuel1", 1, 1)), 200);
        QCOMPARE(cal.Map().undo.Size(), records);

        // Shift+Enter is for Config Map definitions only.
        w.wnd.SingleWriteCommand();
        QVERIFY(cal.services->ecuWrites.empty());
        QVERIFY(cal.prompt.shown.empty());
    }

    // With the maps linked, a drag and a key step write the linked map's
    // cell too; Undo gives each map back its own byte, not the edited map's.
    void undoOfALinkedEditGivesEveryMapItsOwnBytes() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        MapRecord& fuel2 = *FindMap(cal.app->maps, "Fuel2");
        cal.image()[fuel2.y.start + 1] = 33;   // the two maps differ here
        cal.image()[fuel2.y.start + 2] = 44;
        cal.app->mapLinkState = kLinkAllInOne;
        const Image loaded = cal.image();
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));

        const QPoint p = w.PointOf(cal, 0, 1);
        w.Click(p);
        w.Drag(p, QPoint(p.x(), p.y() - 40));
        const int dragged = cal.Data("Fuel1", 0, 1);
        QVERIFY(dragged > 80);
        QCOMPARE(int(cal.Data("Fuel2", 0, 1)), dragged);
        w.wnd.KeyCommand(kKeyRight);
        w.wnd.KeyCommand(kKeyUp);
        QCOMPARE(int(cal.Data("Fuel1", 0, 2)), 111);
        QCOMPARE(int(cal.Data("Fuel2", 0, 2)), 111);

        w.wnd.UndoEdit();
        QCOMPARE(int(cal.Data("Fuel1", 0, 2)), 110);
        QCOMPARE(int(cal.Data("Fuel2", 0, 2)), 44);
        w.wnd.UndoEdit();
        QCOMPARE(int(cal.Data("Fuel1", 0, 1)), 80);
        QCOMPARE(int(cal.Data("Fuel2", 0, 1)), 33);
        QVERIFY(cal.Map().undo.Empty());
        QVERIFY(cal.image() == loaded);
    }

    void breakpointOfAFreeMapIsPickedByItsVerticalAndStepped() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        // A point of line 1 without all lines: only its breakpoint's vertical.
        const QPoint other = w.PointOf(cal, 1, 1);
        w.Click(other);
        QCOMPARE(cal.Map().cursor.mode, int(kEditRpm));
        QCOMPARE(cal.Map().cursor.column, 1);
        QCOMPARE(int(cal.Map().cursor.raw), 60);
        QCOMPARE(cal.Map().cursor.lower, 21);   // one raw step inside its neighbours
        QCOMPARE(cal.Map().cursor.upper, 119);

        w.wnd.KeyCommand(kKeyRight);
        QCOMPARE(int(cal.image()[cal.Map().x.start + 1]), 61);
        QCOMPARE(cal.Map().undo.Newest().kind, 31);
        QCOMPARE(int(cal.Data("Fuel2", 0, 0)), 50);   // axes do not propagate
        w.wnd.KeyCommand(kKeyUp);   // Up moves to the next breakpoint in RPM mode
        QCOMPARE(cal.Map().cursor.column, 2);
        QCOMPARE(int(cal.Map().cursor.raw), 120);

        // Drag the breakpoint sideways and drop it.
        const QPoint b(w.PointOf(cal, 0, 2).x(), 5);
        QTest::mousePress(w.pane(), Qt::LeftButton, {}, b);   // the cursor point: this click drags
        QVERIFY(w.pane()->Dragging());
        QTest::mouseMove(w.pane(), QPoint(b.x() + 20, 5));
        QTest::mouseRelease(w.pane(), Qt::LeftButton, {}, QPoint(b.x() + 20, 5));
        const int moved = cal.image()[cal.Map().x.start + 2];
        QVERIFY(moved > 120 && moved <= 200);
        QCOMPARE(cal.Map().undo.Newest().kind, 21);
    }

    void shiftEnterWritesTheCellOfAConfigMapToTheEcu() {
        MapCalibration cal(kConfigMapDefinition, FillConfigMaps, "Boost Fuel");
        QVERIFY(cal.ok);
        QCOMPARE(cal.Map().type, int(kMapConfigImage));
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        w.wnd.KeyCommand(kKeyRight);
        w.wnd.SingleWriteCommand();
        QCOMPARE(cal.services->ecuWrites.size(), std::size_t{1});
        QCOMPARE(int(cal.services->ecuWrites[0].address), 0x3001);
        QCOMPARE(int(cal.services->ecuWrites[0].value), 50);

        // A point of an image axis is dragged like any other.
        const QPoint p = w.PointOf(cal, 0, 1);
        w.Click(p);
        w.Drag(p, QPoint(p.x(), p.y() - 25));
        QVERIFY(cal.Data("Boost Fuel", 0, 1) > 50);
        QCOMPARE(cal.Map().undo.Newest().kind, 22);
    }

    void badAxisEquationIsReportedAndLeavesNoGraph() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        cal.Map().x.physToHex = "x/0";
        cal.Map().x.values = {1000.0f, 3000.0f, 6000.0f, 10000.0f};
        Window w(cal);
        QVERIFY(!w.pane());
        QCOMPARE(cal.prompt.shown.size(), std::size_t{1});
        QCOMPARE(cal.prompt.Last().caption, Str(str::kCaptionMapWindow) + "[RPM]");
        QCOMPARE(cal.prompt.Last().text, Str(str::kWrongEquation) + "\n" + Str(str::kDivideByZero));
        QCOMPARE(cal.prompt.Last().icon, PromptIcon::kStop);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        w.wnd.KeyCommand(kKeyUp);   // no pane: nothing to do
        QCOMPARE(int(cal.Data("Fuel1", 0, 0)), 50);
    }

    void everyKindOfMapPaintsAtAnySize_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("map");
        QTest::addColumn<bool>("allLines");
        QTest::newRow("list axes") << 0 << "Idle Trim" << false;
        QTest::newRow("list axes, all lines") << 0 << "Idle Trim" << true;
        QTest::newRow("image axes") << 0 << "Boost Fuel" << true;
        QTest::newRow("type 2") << 1 << "Twin" << false;
        QTest::newRow("type 2, all lines") << 1 << "Twin" << true;
        QTest::newRow("one point") << 1 << "Level" << false;
    }
    void everyKindOfMapPaintsAtAnySize() {
        QFETCH(int, kind);
        QFETCH(QString, map);
        QFETCH(bool, allLines);
        const std::string name = map.toStdString();
        MapCalibration cal(kind == 0 ? kConfigMapDefinition : kFreeMapDefinition,
                        kind == 0 ? FillConfigMaps : FillFreeMaps, name.c_str());
        QVERIFY(cal.ok);
        cal.services->allLines = allLines;
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        const QSize sizes[] = {{600, 460}, {1, 1}, {0, 0}, {49, 29}, {50, 30}, {51, 31}, {90, 45}, {600, 460}};
        for (const QSize& size : sizes) {
            w.wnd.resize(size);
            QCOMPARE(w.pane()->size(), QSize(std::max(size.width() - 50, 0), std::max(size.height() - 30, 0)));
            w.wnd.grab();
            // A click anywhere, even with nothing drawn, must be harmless.
            if (w.pane()->width() > 0 && w.pane()->height() > 0)
                w.Click(QPoint(w.pane()->width() / 2, w.pane()->height() / 2));
        }
        QCOMPARE(w.wnd.Scales().clientWidth, 600);
        QCOMPARE(cal.services->caption, "MAP - " + map);
        QVERIFY(cal.prompt.shown.empty());
        // The cursor cell's marker, the curves and the margins are all there:
        // the pane is not blank and the margins are grey.
        const QImage pane = w.pane()->grab().toImage();
        QVERIFY(pane.pixelColor(pane.width() / 2, 1) != QColor(192, 192, 192));
        const QImage margins = w.wnd.grab().toImage();
        QCOMPARE(margins.pixelColor(30, 440), QColor(192, 192, 192));
    }

    void switchingTheMapCancelsADragAndTakesTheNewScales() {
        MapCalibration cal(kFreeMapDefinition, FillFreeMaps, "Fuel1");
        QVERIFY(cal.ok);
        Window w(cal);
        QVERIFY(QTest::qWaitForWindowExposed(&w.wnd));
        const QPoint p = w.PointOf(cal, 0, 0);
        w.Click(p);
        QTest::mousePress(w.pane(), Qt::LeftButton, {}, p);
        QTest::mouseMove(w.pane(), QPoint(p.x(), p.y() - 30));
        QVERIFY(w.pane()->Dragging());

        cal.app->currentMap = FindMap(cal.app->maps, "Twin");
        StartDataEdit(*cal.app->currentMap, cal.image());
        w.wnd.ResetForMap();
        QVERIFY(!w.pane()->Dragging());
        QCOMPARE(w.wnd.Map(), cal.app->currentMap);
        QCOMPARE(int(cal.Data("Fuel1", 0, 0)), 50);
        QCOMPARE(w.wnd.RawRange().dataMinimum, 0);   // Spark: -10 is raw 0
        w.wnd.grab();
        QCOMPARE(cal.services->caption, QString("MAP - Twin"));
    }

    // The machines shipped in data/: every map of their standard data files
    // gets its graph, and its first point can be picked.
    void demoMachinesShowEveryMap_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("title");
        QTest::newRow("Free Map") << "KST26A" << "'26 Kestrel-450(KST26A)";
        QTest::newRow("Config Map") << "HRN26C" << "'26 Heron-700(HRN26C)";
    }
    void demoMachinesShowEveryMap() {
        QFETCH(QString, folder);
        QFETCH(QString, title);
        const std::string machine = folder.toStdString();
        TempDir dir;
        WriteTestRegistry(dir, RV_SOURCE_DIR "/data", title.toStdString(), machine);
        dir.Write("tmp/.keep", "");
        testinstall::EnvOverride tmp("TMPDIR", dir.File("tmp"));
        AppOptions options;
        options.registryPath = dir.File("registry.reg");
        CQelApp app(options);
        RecordingPrompt prompt;
        HeadlessHost host(prompt);
        QVERIFY(app.InitInstance(host));
        const std::string path = std::string(RV_SOURCE_DIR "/data/") + machine + "/WORK/" + machine + ".qsd";
        QCOMPARE(LoadDataFile(app, app, prompt, path), int(kLoaded));
        QVERIFY(app.maps.size() >= 3);
        RecordingServices services(app);
        for (const auto& map : app.maps) {
            app.currentMap = map.get();
            StartDataEdit(*map, app.image());
            CMapWnd wnd(app, prompt, services, nullptr);
            wnd.resize(600, 460);
            wnd.show();
            QVERIFY(QTest::qWaitForWindowExposed(&wnd));
            QVERIFY(wnd.graphPane());
            wnd.grab();
            QCOMPARE(services.caption, "MAP - " + QString::fromStdString(map->name));
            // Every point lies inside the pane.
            for (int line = 0; line < map->z.count; ++line) {
                for (const GraphPoint& p : GraphLinePoints(*map, app.image(), wnd.Scales(), line)) {
                    QVERIFY2(wnd.graphPane()->rect().contains(p.x, p.y), map->name.c_str());
                }
            }
            GraphPoint first;
            QVERIFY(GraphPointPosition(*map, app.image(), wnd.Scales(), 0, 1, first));
            QTest::mouseClick(wnd.graphPane(), Qt::LeftButton, {}, QPoint(first.x, first.y));
            QCOMPARE(map->cursor.column, 1);
        }
        QVERIFY(prompt.shown.empty());
    }
};

QTEST_MAIN(MapWndTest)
#include "MapWndTest.moc"
