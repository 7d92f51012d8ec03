// The operating point in the windows: the table window's frames around the
// cells the engine runs between, the map window's line, the marks going a
// second after the monitor stopped, the note of a map without a point, the
// dialog of its items, and a log's hit counts laid over the table.
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QtTest>
#include <cstdio>
#include <filesystem>

#include "edit/OperatingCells.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/gui/MapWnd.h"
#include "tests/gui/EcuFrame.h"

namespace {

using namespace ecuframe;

// Items: 0 Engine Speed, 1 Throttle, 2 Coolant Temp, 3 Injection Time.
std::vector<std::optional<double>> Values(double rpm, double throt) { return {rpm, throt, 80.0, 2.0}; }

struct Frame {
    EcuFrame f;
    double now = 10.0;
    CTableWnd* table = nullptr;
    OperatingAxes axes;

    explicit Frame(const std::string& settingsExtra = "") : f(MakeOptions(settingsExtra)) {
        f.Open();
        table = f.Table();
        f.frame->Operating().clock = [this] { return now; };
        axes = ReadOperatingAxes(AppEditContext(*f.app), *f.app->currentMap);
    }
    static Options MakeOptions(const std::string& settingsExtra) {
        Options options;
        options.startSim = false;
        options.settings = Settings() + settingsExtra;
        return options;
    }
    float Rpm(int column) const { return axes.rpm[0][static_cast<std::size_t>(column)]; }
    float Throt(int row) const { return axes.throt[static_cast<std::size_t>(row)]; }
    void Feed(double rpm, double throt) {
        now += 0.1;
        f.frame->Operating().Feed(now, Values(rpm, throt));
        QApplication::processEvents();
    }
    QImage Grid() const {
        table->grid()->viewport()->repaint();
        return table->grid()->viewport()->grab().toImage();
    }
    QRect Box(int row, int column) const {
        const QPoint centre = table->GridCellCentre({kEditData, row, column});
        return QRect(centre.x() - table->cellWidth() / 2, centre.y() - table->cellHeight() / 2, table->cellWidth(),
                     table->cellHeight());
    }
    CMapWnd* MapWindow() const {
        for (CQelView* v : f.frame->Views())
            if (v->Kind() == kWindowMap) return static_cast<CMapWnd*>(v->ChildWnd());
        return nullptr;
    }
};

bool Black(QRgb pixel) { return qGray(pixel) < 60; }
bool White(QRgb pixel) { return qGray(pixel) > 240; }

// A column of the map's pane, its border aside, mostly black: the RPM line.
int DashedColumn(const QImage& pane) {
    for (int x = 2; x < pane.width() - 2; ++x) {
        int black = 0;
        for (int y = 0; y < pane.height(); ++y) black += Black(pane.pixel(x, y));
        if (black > pane.height() / 3) return x;
    }
    return -1;
}

}  // namespace

class OperatingPointTest : public QObject {
    Q_OBJECT

private slots:
    void marksTheCellsAroundThePoint() {
        Frame t;
        QVERIFY(t.table);
        QCOMPARE(t.axes.status, AxesStatus::kReady);
        struct Case {
            const char* what;
            float rpm, throt;
            std::vector<std::pair<int, int>> cells;   // the nearest first
        };
        const float between = t.Rpm(1) + 0.75f * (t.Rpm(2) - t.Rpm(1));
        const Case cases[] = {
            {"on a breakpoint", t.Rpm(1), t.Throt(1), {{1, 1}}},
            {"between two columns, nearer the second", between, t.Throt(0), {{0, 2}, {0, 1}}},
            {"between rows and columns", between, t.Throt(1) + 0.25f * (t.Throt(2) - t.Throt(1)),
             {{1, 2}, {1, 1}, {2, 1}, {2, 2}}},
            {"beyond both axes: held at the corner", t.Rpm(3) + 5000, t.Throt(2) + 50, {{2, 3}}},
        };
        for (const Case& c : cases) {
            t.Feed(c.rpm, c.throt);
            const QImage grid = t.Grid();
            const std::vector<TableCell>& marked = t.table->LiveCells();
            QVERIFY2(marked.size() == c.cells.size(), c.what);
            QCOMPARE(marked[0].row, c.cells[0].first);
            QCOMPARE(marked[0].column, c.cells[0].second);
            for (const auto& [row, column] : c.cells)
                QVERIFY2(std::any_of(marked.begin(), marked.end(),
                                     [&](const TableCell& m) { return m.row == row && m.column == column; }),
                         c.what);
            // The nearest cell's left edge is solid black; the others' a
            // dashed pair of black and white.
            const QRect nearest = t.Box(c.cells[0].first, c.cells[0].second);
            QVERIFY2(Black(grid.pixel(nearest.left(), nearest.center().y())), c.what);
            for (std::size_t i = 1; i < c.cells.size(); ++i) {
                const QRect box = t.Box(c.cells[i].first, c.cells[i].second);
                bool black = false, white = false;
                for (int y = box.top() + 2; y < box.bottom() - 2; ++y) {
                    black = black || Black(grid.pixel(box.left(), y));
                    white = white || White(grid.pixel(box.left(), y));
                }
                QVERIFY2(black && white, c.what);
            }
        }
        // A cell without a mark keeps its light grey line.
        const QImage grid = t.Grid();
        const QRect free = t.Box(2, 0);   // (0, 0) has the editor over it
        QCOMPARE(qGray(grid.pixel(free.left(), free.center().y())), 192);
    }

    void monitorAnswersMoveTheMarksAndTheyGoASecondAfterAStop() {
        Frame t;
        CMapWnd* map = t.MapWindow();
        QVERIFY(map && map->graphPane());
        QCOMPARE(DashedColumn(map->graphPane()->grab().toImage()), -1);
        QVERIFY(!t.f.frame->Operating().Ticking());   // nothing to fade: no timer wakes the program
        // The answers as the monitor hands them on: rows 0 and 1 of its list.
        Monitor& monitor = t.f.frame->LiveMonitor();
        char rpm[32];
        std::snprintf(rpm, sizeof rpm, "%.1f", static_cast<double>(t.Rpm(2)));
        monitor.onValue(0, rpm);
        monitor.onValue(1, "Error");   // no throttle yet: no point on a map of rows
        QApplication::processEvents();
        QVERIFY(t.f.app->operating.live.mapName.empty());
        char throt[32];
        std::snprintf(throt, sizeof throt, "%.1f", static_cast<double>(t.Throt(0)));
        monitor.onValue(1, throt);
        QApplication::processEvents();
        t.Grid();
        QCOMPARE(t.table->LiveCells().size(), std::size_t{1});
        QCOMPARE(t.table->LiveCells()[0].column, 2);
        map->graphPane()->repaint();
        QVERIFY(DashedColumn(map->graphPane()->grab().toImage()) > 0);
        QVERIFY(t.f.frame->Operating().Ticking());

        // The monitor is not running: the marks linger a second, then go.
        t.now += 0.5;
        t.f.frame->Operating().Tick();
        QVERIFY(t.f.app->operating.live.cells.found);
        t.now += 1.0;
        t.f.frame->Operating().Tick();
        QVERIFY(!t.f.app->operating.live.cells.found);
        QVERIFY(!t.f.frame->Operating().Ticking());
        t.Grid();
        QVERIFY(t.table->LiveCells().empty());
        map->graphPane()->repaint();
        QCOMPARE(DashedColumn(map->graphPane()->grab().toImage()), -1);
    }

    void aMapWithoutAPointSaysWhyOnce() {
        Frame t("[Operating Point]\nRPM=Crank Speed\n");
        t.Feed(3000, 20);
        QVERIFY(!t.f.app->operating.live.cells.found);
        const QString note = t.table->statusLine()->text();
        QVERIFY2(note.contains("\"Crank Speed\""), qPrintable(note));
        QVERIFY(t.f.prompt.shown.empty());   // not a message box
        t.f.Click(t.table, 0, 0);   // the cursor moves: the status line shows the cell
        QVERIFY(!t.table->statusLine()->text().contains("Crank Speed"));
        t.Feed(3100, 20);
        QVERIFY(!t.table->statusLine()->text().contains("Crank Speed"));
    }

    void theDialogSavesTheItemsAndAFailedSaveChangesNothing() {
        Frame t;
        QVERIFY(t.f.frame->QueryCommand(cmd::kOperatingPoint).enabled);
        // THROT from the coolant temperature (item 2: the automatic entry, then the items).
        t.f.dialogs.operatingPoint = [](COperatingPointDlg& dialog) {
            QCOMPARE(dialog.rpmBox()->currentText(), QString("(automatic)"));
            dialog.throtBox()->setFocus();
            QTest::keyClick(dialog.throtBox(), Qt::Key_Down);
            QTest::keyClick(dialog.throtBox(), Qt::Key_Down);
            QTest::keyClick(dialog.throtBox(), Qt::Key_Down);
            QCOMPARE(dialog.ThrotItem(), 2);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        t.f.frame->action(cmd::kOperatingPoint)->trigger();
        const std::string settings = t.f.SettingsText();
        QVERIFY2(settings.find("[Operating Point]\nTHROT=Coolant Temp\n") != std::string::npos,
                 settings.c_str());
        // The coolant's 80 now places the point, whatever the throttle says.
        t.Feed(t.Rpm(0), 0);
        QCOMPARE(t.f.app->operating.live.cells.nearestRow,
                 CellsAround(t.axes, t.Rpm(0), 80.0f).nearestRow);

        // The settings file cannot be written: a message, and the items stay.
        const std::string path = t.f.install.dir.File("install/TST01/RV_Tune.INI");
        std::filesystem::rename(path, path + ".kept");
        std::filesystem::create_directory(path);
        t.f.dialogs.operatingPoint = [](COperatingPointDlg& dialog) {
            dialog.throtBox()->setCurrentIndex(dialog.throtBox()->currentIndex() == 3 ? 0 : 3);   // a change to save
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        t.f.frame->action(cmd::kOperatingPoint)->trigger();
        QCOMPARE(t.f.prompt.shown.size(), std::size_t{1});
        QCOMPARE(t.f.prompt.shown[0].caption, std::string("Operating point"));
        QVERIFY(std::filesystem::is_directory(path));
        const OperatingCells before = t.f.app->operating.live.cells;
        t.Feed(t.Rpm(0), 0);
        QCOMPARE(t.f.app->operating.live.cells.nearestRow, before.nearestRow);
        std::filesystem::remove(path);
        std::filesystem::rename(path + ".kept", path);
        // Cancel leaves the file as it is.
        t.f.dialogs.operatingPoint = nullptr;
        t.f.frame->action(cmd::kOperatingPoint)->trigger();
        QCOMPARE(t.f.SettingsText(), settings);
    }

    void anUntouchedOkChangesNoByteOfTheSettings() {
        // A name of no item shows as "(automatic)" and one in another case as
        // its item; OK on them must not put the default or the item's own
        // spelling in their place.
        Frame t("[Operating Point]\nRPM=Crank Speed\nTHROT=throttle\n");
        const std::string before = t.f.SettingsText();
        t.f.dialogs.operatingPoint = [](COperatingPointDlg& dialog) {
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        t.f.frame->action(cmd::kOperatingPoint)->trigger();
        QCOMPARE(t.f.SettingsText(), before);
        QVERIFY(t.f.prompt.shown.empty());
    }

    void hitCountsOverlayTheTableAndClear() {
        Frame t;
        char text[256];
        // 3 s on cell (1, 2), 1 s halfway between (0, 0) and (0, 1).
        std::snprintf(text, sizeof text,
                      "time_s,Engine Speed [rpm],Throttle [%%],Coolant Temp [degC]\n"
                      "0.000,%g,%g,80\n3.000,%g,%g,80\n4.000,%g,%g,81\n",
                      double(t.Rpm(2)), double(t.Throt(1)), double((t.Rpm(0) + t.Rpm(1)) / 2), double(t.Throt(0)),
                      double(t.Rpm(0)), double(t.Throt(0)));
        t.f.dialogs.nextFile = t.f.install.dir.Write("install/TST01/WORK/LOGS/ride.csv", text);
        QVERIFY(!t.f.frame->QueryCommand(cmd::kClearHitCounts).enabled);
        t.f.frame->action(cmd::kHitCounts)->trigger();
        QVERIFY(t.f.prompt.shown.empty());
        // The dialog starts where Monitor > Record writes.
        QVERIFY(QString::fromStdString(t.f.dialogs.lastRequest.folder).endsWith("/WORK/LOGS"));
        QVERIFY(t.f.frame->QueryCommand(cmd::kClearHitCounts).enabled);

        // The seconds on demand: the tooltip over a cell, the status line for the cursor cell.
        QVERIFY(t.table->HitToolTip(t.table->GridCellCentre({kEditData, 1, 2})).startsWith("3.0 s around"));
        QVERIFY(t.table->HitToolTip(t.table->GridCellCentre({kEditData, 0, 1})).startsWith("0.5 s"));
        const QPoint over = t.table->GridCellCentre({kEditData, 1, 2});
        QHelpEvent help(QEvent::ToolTip, over, t.table->grid()->viewport()->mapToGlobal(over));
        QApplication::sendEvent(t.table->grid()->viewport(), &help);
        QVERIFY(QToolTip::text().contains("3.0 s"));
        // The longest cell is dark with white text, a cell of no time white.
        const QImage grid = t.Grid();
        const QRect longest = t.Box(1, 2);
        QVERIFY(qGray(grid.pixel(longest.left() + 6, longest.top() + 6)) < 128);
        const QRect none = t.Box(2, 0);
        QVERIFY(White(grid.pixel(none.left() + 6, none.top() + 6)));
        t.f.Click(t.table, 1, 2);
        QVERIFY2(t.table->statusLine()->text().contains("(3.0 s in ride.csv)"),
                 qPrintable(t.table->statusLine()->text()));
        t.f.Click(t.table, 0, 0);   // the editor off the cell again
        // Nothing in the calibration changed.
        QCOMPARE(t.f.app->modified, 0);
        QVERIFY(!t.f.frame->QueryCommand(cmd::kUndo).enabled);

        t.f.frame->action(cmd::kClearHitCounts)->trigger();
        QVERIFY(t.f.app->operating.hits.empty());
        QVERIFY(t.table->HitToolTip(over).isEmpty());
        QVERIFY(!t.f.frame->QueryCommand(cmd::kClearHitCounts).enabled);
        QVERIFY(White(t.Grid().pixel(longest.left() + 6, longest.top() + 6)));
    }

    void aRefusedLogIsReportedWithItsLine() {
        Frame t;
        t.f.dialogs.nextFile = t.f.install.dir.Write(
            "bad.csv", "time_s,Engine Speed [rpm],Throttle [%]\n0.000,2000,10\n1.000,fast,10\n");
        t.f.frame->action(cmd::kHitCounts)->trigger();
        QCOMPARE(t.f.prompt.shown.size(), std::size_t{1});
        QVERIFY2(t.f.prompt.shown[0].text.find("line 3") != std::string::npos, t.f.prompt.shown[0].text.c_str());
        QVERIFY(t.f.app->operating.hits.empty());
        // A log without the items' columns shows nothing either, and says why.
        t.f.dialogs.nextFile = t.f.install.dir.Write("other.csv", "time_s,Gear\n0,1\n1,2\n");
        t.f.frame->action(cmd::kHitCounts)->trigger();
        QCOMPARE(t.f.prompt.shown.size(), std::size_t{2});
        QVERIFY(t.f.prompt.shown[1].text.find("no column \"Engine Speed\"") != std::string::npos);
        QVERIFY(!t.f.frame->QueryCommand(cmd::kClearHitCounts).enabled);
    }
};

QTEST_MAIN(OperatingPointTest)
#include "OperatingPointTest.moc"
