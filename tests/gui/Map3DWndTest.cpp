// The 3D window from Window > Open > 3D: the test machine's "Main" map
// (THROT 0, 100 by RPM 1000, 2000, 3000; Fuel 1.0 .. 6.0) drawn with its
// vertices where the projection puts them, turned by the keys, and File >
// Save picture... writing a PNG of it, or refusing with a message.
#include <QImage>
#include <algorithm>
#include <cmath>
#include <QLabel>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "app/CommandIds.h"
#include "edit/gui/Map3DWnd.h"
#include "tests/gui/TestCalibration.h"

namespace {

int Darkness(QRgb c) { return 255 - std::max({qRed(c), qGreen(c), qBlue(c)}); }

// The darkest pixel within a pixel of (x, y).
int DarkestAround(const QImage& image, double x, double y) {
    int darkest = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint p(static_cast<int>(std::lround(x)) + dx, static_cast<int>(std::lround(y)) + dy);
            if (image.rect().contains(p)) darkest = std::max(darkest, Darkness(image.pixel(p)));
        }
    return darkest;
}

}  // namespace

class Map3DWndTest : public QObject {
    Q_OBJECT

    // The calibration open on Main and its 3D window opened from the menu.
    static CMap3DWnd* Open3D(TestCalibration& cal) {
        cal.Open();
        if (!cal.ActionEnabled(cmd::kOpen3DWindow)) return nullptr;
        cal.frame->action(cmd::kOpen3DWindow)->trigger();
        CQelView* view = cal.ViewOfKind(kWindowSurface);
        if (!view) return nullptr;
        cal.Activate(view);
        auto* wnd = dynamic_cast<CMap3DWnd*>(view->ChildWnd());
        if (wnd) {
            wnd->repaint();
            wnd->setFocus();
        }
        return wnd;
    }

    static std::vector<ScreenPoint> Expected(TestCalibration& cal, CMap3DWnd& wnd) {
        const SurfaceGrid grid = ReadSurfaceGrid(AppEditContext(*cal.app), cal.Map());
        return ProjectGrid(grid, SurfaceProjector(SurfaceBoxOf(grid), wnd.View(), wnd.PlotViewport()));
    }

private slots:
    void opensFromTheWindowMenuOnTheCurrentMap() {
        TestCalibration cal;
        CMap3DWnd* wnd = Open3D(cal);
        QVERIFY(wnd);
        QCOMPARE(wnd->Kind(), int(kWindowSurface));
        QCOMPARE(wnd->Caption(), QString("3D - Main"));
        QVERIFY(!cal.ActionEnabled(cmd::kOpen3DWindow));   // one 3D window a document
        QVERIFY(cal.frame->toolButton(cmd::kOpen3DWindow));
    }

    void theVerticesAndFacesArePaintedWhereTheProjectionPutsThem() {
        TestCalibration cal;
        CMap3DWnd* wnd = Open3D(cal);
        QVERIFY(wnd);
        cal.Map().cursor.mode = kEditNone;   // no cursor ring over a vertex
        const QImage picture = wnd->grab().toImage();
        const std::vector<ScreenPoint> expected = Expected(cal, *wnd);
        QCOMPARE(wnd->Vertices().size(), std::size_t{6});
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QVERIFY(expected[i].valid);
            QCOMPARE(wnd->Vertices()[i].x, expected[i].x);
            QCOMPARE(wnd->Vertices()[i].y, expected[i].y);
            // The wireframe's lines meet at each vertex.
            QVERIFY2(DarkestAround(picture, expected[i].x, expected[i].y) > 150, qPrintable(QString::number(i)));
        }
        // Each face's middle has the shade of its mean value (Fuel 1 .. 6:
        // the first face's mean 3.0, the second's 4.0).
        const double means[2] = {3.0, 4.0};
        for (int face = 0; face < 2; ++face) {
            const int a = face;
            const double x = (expected[a].x + expected[a + 1].x + expected[a + 4].x + expected[a + 3].x) / 4;
            const double y = (expected[a].y + expected[a + 1].y + expected[a + 4].y + expected[a + 3].y) / 4;
            const ScaleColour want = ScaleColourAt((means[face] - 1.0) / 5.0);
            const QRgb got = picture.pixel(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
            QVERIFY2(std::abs(qRed(got) - want.red) <= 2 && std::abs(qGreen(got) - want.green) <= 2 &&
                         std::abs(qBlue(got) - want.blue) <= 2,
                     qPrintable(QString("face %1: %2").arg(face).arg(got, 0, 16)));
        }
        // Outside the box the window is white.
        QCOMPARE(picture.pixel(3, 3), qRgb(255, 255, 255));
    }

    void keysTurnTiltAndZoomAndHomeResets() {
        TestCalibration cal;
        CMap3DWnd* wnd = Open3D(cal);
        QVERIFY(wnd);
        const std::vector<ScreenPoint> before = wnd->Vertices();
        QTest::keyClick(wnd, Qt::Key_Right);
        QTest::keyClick(wnd, Qt::Key_Up);
        QTest::keyClick(wnd, Qt::Key_Plus);
        QCOMPARE(wnd->View().yawDegrees, SurfaceView::kDefaultYaw + 10);
        QCOMPARE(wnd->View().pitchDegrees, SurfaceView::kDefaultPitch + 5);
        QCOMPARE(wnd->View().zoom, 1.25);
        wnd->repaint();
        QVERIFY(wnd->Vertices()[0].x != before[0].x);
        // Dragging turns as well.
        QTest::mousePress(wnd, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(120, 100), wnd->mapToGlobal(QPointF(120, 100)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(wnd, &move);
        QTest::mouseRelease(wnd, Qt::LeftButton, Qt::NoModifier, QPoint(120, 100));
        QCOMPARE(wnd->View().yawDegrees, SurfaceView::kDefaultYaw + 20);
        QTest::keyClick(wnd, Qt::Key_Home);
        QCOMPARE(wnd->View().yawDegrees, SurfaceView::kDefaultYaw);
        QCOMPARE(wnd->View().zoom, 1.0);
        wnd->repaint();
        QCOMPARE(wnd->Vertices()[0].x, before[0].x);
    }

    void hoveringAVertexTellsItsCellAndValue() {
        TestCalibration cal;
        CMap3DWnd* wnd = Open3D(cal);
        QVERIFY(wnd);
        const ScreenPoint p = wnd->Vertices()[4];   // row 2, column 2
        QTest::mouseMove(wnd, QPoint(static_cast<int>(std::lround(p.x)) + 2, static_cast<int>(std::lround(p.y))));
        QTRY_COMPARE(wnd->HoverVertex(), 4);
        QCOMPARE(wnd->statusLine()->text(), QString("Row 2, column 2  THROT 100.0  RPM 2000: Fuel 5.0"));
    }

    void savePictureWritesAPngOfTheActiveWindowWhereOpenStarts() {
        TestCalibration cal;
        CMap3DWnd* wnd = Open3D(cal);
        QVERIFY(wnd);
        // The open calibration's folder, the Directory dialog having chosen none.
        const std::string work = std::filesystem::path(cal.app->dataFilePath).parent_path().string();
        const std::string path = cal.install.dir.File("Main 3D.png");
        cal.dialogs.nextFile = path;
        QVERIFY(cal.ActionEnabled(cmd::kSavePicture));
        cal.frame->OnCommand(cmd::kSavePicture);
        QVERIFY(cal.app->defaultFolder.empty());
        QCOMPARE(cal.dialogs.lastRequest.folder, work);
        QCOMPARE(cal.dialogs.lastRequest.proposedName, std::string("cal Main 3D.png"));
        QVERIFY(cal.prompt.shown.empty());
        QImage saved;
        QVERIFY(saved.load(QString::fromStdString(path), "PNG"));
        QCOMPARE(saved.size(), wnd->size() * wnd->devicePixelRatio());
    }

    void savePictureRefusesAPlantedLinkAndAMissingFolder() {
        TestCalibration cal;
        QVERIFY(Open3D(cal));
        const std::string target = cal.install.dir.Write("someone-else.txt", "theirs");
        const std::string link = cal.install.dir.File("picture.png");
        std::filesystem::create_symlink(target, link);
        cal.dialogs.nextFile = link;
        cal.frame->OnCommand(cmd::kSavePicture);
        QCOMPARE(cal.prompt.shown.size(), std::size_t{1});
        QVERIFY(cal.prompt.shown[0].text.find("symbolic link") != std::string::npos);
        std::ifstream in(target);
        std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        QCOMPARE(kept, std::string("theirs"));
        QVERIFY(std::filesystem::is_symlink(link));

        cal.dialogs.nextFile = cal.install.dir.File("no-such-folder/picture.png");
        cal.frame->OnCommand(cmd::kSavePicture);
        QCOMPARE(cal.prompt.shown.size(), std::size_t{2});
        QVERIFY(cal.prompt.shown[1].text.find("was not saved") != std::string::npos);
        QVERIFY(!std::filesystem::exists(cal.dialogs.nextFile));
    }

    void savePictureNeedsATableMapOr3DWindow() {
        TestCalibration cal;
        QVERIFY(!cal.ActionEnabled(cmd::kSavePicture));   // no window at all
        cal.Open();
        cal.frame->action(cmd::kOpenHexWindow)->trigger();
        cal.Activate(cal.ViewOfKind(kWindowHex));
        QVERIFY(!cal.ActionEnabled(cmd::kSavePicture));
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QVERIFY(cal.ActionEnabled(cmd::kSavePicture));
    }
};

QTEST_MAIN(Map3DWndTest)
#include "Map3DWndTest.moc"
