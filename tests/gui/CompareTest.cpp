// Compare in the main frame, with real keys and mouse, on the shipped
// Kestrel (Free Map) against a copy with a few bytes changed, saved to a
// temporary folder by the program's own saver: the table window marks
// exactly the differing cells, the status line gives both values and the
// difference, the Differences list lists and opens the maps, Copy from
// compare takes cells, a map or a constant with one Ctrl+Z each, and a file
// of another machine or a damaged file opens nothing.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "app/CommandIds.h"
#include "edit/CellAccess.h"
#include "edit/gui/DifferencesDlg.h"
#include "edit/gui/TableWnd.h"
#include "files/DataFile.h"
#include "model/Maps.h"
#include "tests/gui/TestCalibration.h"

namespace {

using Cell = std::tuple<int, int, int>;   // mode, row, column

// KST26A "Fuel Injection": 8 THROT rows (x/2) by 12 RPM columns (x*50), DATA x/20 ms.
struct Session {
    TestCalibration cal;
    Image loaded{};
    std::string modifiedPath;
    Image modified{};

    explicit Session(const ShippedMachine& machine = kKestrel) : cal(machine) {
        cal.Open(0);
        loaded = cal.app->image();
        cal.prompt.shown.clear();
        cal.frame->resize(1200, 900);
        if (&machine == &kKestrel) WriteModifiedCopy();
    }

    MapRecord& Map() { return cal.Map(); }
    std::uint16_t DataAddress(int row, int column) { return DataCellAddress(Map(), row, column); }

    // The shipped file loaded beside, changed and saved: three cells and a
    // THROT value of "Fuel Injection", a cell of "Fuel Trim", the constant
    // "Idle Target" and two bytes outside every map and constant.
    void WriteModifiedCopy() {
        WriteCopy([this](Calibration& other) {
        Image& image = other.image();
        image[DataAddress(1, 2)] += 10;   // +0.5 ms
        image[DataAddress(3, 5)] += 10;
        image[DataAddress(6, 11)] -= 4;   // -0.2 ms
        image[Map().z.start + 2] += 1;
        const MapRecord* trim = FindMap(other.maps, "Fuel Trim");
        if (!trim) qFatal("no Fuel Trim");
        image[DataCellAddress(*trim, 0, 0)] += 2;
        image[0x8205] += 1;
        image[0x8310] = 0x5A;
        image[0x8311] = 0xA5;
        });
    }
    // The shipped file loaded beside, changed and saved to the temporary folder.
    void WriteCopy(const std::function<void(Calibration&)>& change) {
        Calibration other;
        MachineConfig machine;
        machine.registry.machineFolder = cal.app->registry.machineFolder;
        RecordingPrompt quiet;
        if (LoadCalibrationLike(*cal.app, other, machine, quiet, cal.path) != kLoaded) qFatal("copy did not load");
        change(other);
        modifiedPath = cal.install.dir.Path() + "/modified.qsd";
        if (!SaveDataFile(other, modifiedPath)) qFatal("copy not saved");
        modified = other.image();
    }

    CTableWnd* Table() {
        CQelView* view = cal.ViewOfKind(kWindowTable);
        if (!view) return nullptr;
        cal.Activate(view);
        return static_cast<CTableWnd*>(view->ChildWnd());
    }
    // The table window over the whole frame, so that every cell is in view.
    CTableWnd* WholeTable() {
        CTableWnd* table = Table();
        qobject_cast<QMdiSubWindow*>(cal.ViewOfKind(kWindowTable)->parentWidget())->showMaximized();
        QApplication::processEvents();
        return table;
    }
    void FrontAgain() {
        cal.frame->activateWindow();
        if (!QTest::qWaitForWindowActive(cal.frame.get())) qFatal("frame not active again");
        if (CTableWnd* table = Table()) table->gridEditor()->setFocus();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : cal.frame.get(), key, modifiers);
    }
    void CompareWith(const std::string& path) {
        cal.dialogs.nextFile = path;
        Key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        FrontAgain();
    }
    void Click(CTableWnd* table, int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, modifiers,
                          table->GridCellCentre({kEditData, row, column}));
    }
    std::set<Cell> Marks(CTableWnd* table) {
        table->repaint();
        table->grid()->viewport()->repaint();
        std::set<Cell> marks;
        for (const TableCell& cell : table->MarkedCells()) marks.insert({cell.mode, cell.row, cell.column});
        return marks;
    }
    // File > Close. Closing keeps the monitor's list in the machine's
    // settings file: a copy in the temporary folder takes it, not data/.
    void CloseCalibration() {
        QFile settings(QString::fromStdString(cal.app->settingsFilePath));
        if (!settings.open(QIODevice::ReadOnly)) qFatal("no settings file");
        cal.app->settingsFilePath = cal.install.dir.Write("settings-copy.ini", settings.readAll().toStdString());
        cal.frame->action(cmd::kClose)->trigger();
    }
    int DifferingBytes() const {
        int n = 0;
        for (std::size_t i = 0; i < loaded.size(); ++i) n += loaded[i] != cal.app->image()[i];
        return n;
    }
    QStringList Rows() {
        QStringList rows;
        CDifferencesDlg* list = cal.frame->DifferencesWindow();
        if (!list) return rows;
        for (int i = 0; i < list->list()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->list()->topLevelItem(i);
            rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
        }
        return rows;
    }
    QTreeWidgetItem* RowNamed(const QString& name) {
        QTreeWidget* list = cal.frame->DifferencesWindow()->list();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(1) == name) return list->topLevelItem(i);
        return nullptr;
    }
    void ClickRow(const QString& name, bool twice) {
        QTreeWidget* list = cal.frame->DifferencesWindow()->list();
        QTreeWidgetItem* item = RowNamed(name);
        if (!item) qFatal("no row");
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
};

QString Fixed(double value, int decimals) { return QString::number(value, 'f', decimals); }

const std::set<Cell> kFuelMarks{{kEditThrot, 0, 2}, {kEditData, 1, 2}, {kEditData, 3, 5}, {kEditData, 6, 11}};

}  // namespace

class CompareTest : public QObject {
    Q_OBJECT

private slots:
    void marksStatusLineAndDifferencesList() {
        Session s;
        QVERIFY(!s.cal.ActionEnabled(cmd::kDifferences));
        // The line settings as the RS232C dialog left them: the compared
        // file's definition must not set them back.
        s.cal.app->speedCode = 2;
        s.cal.app->commandSetSelector = kCommandSetA;
        s.CompareWith(s.modifiedPath);
        QCOMPARE(s.cal.app->speedCode, 2);
        QCOMPARE(s.cal.app->commandSetSelector, int(kCommandSetA));
        QVERIFY(s.cal.prompt.shown.empty());
        QVERIFY(s.cal.app->compared != nullptr);
        QVERIFY(s.cal.app->image() == s.loaded);   // opening a compare writes nothing
        QCOMPARE(s.cal.app->modified, 0);

        // The list: maps first, then the constant, then the bytes.
        CDifferencesDlg* list = s.cal.frame->DifferencesWindow();
        QVERIFY(list && list->isVisible());
        QCOMPARE(s.Rows(), QStringList({"map|Fuel Injection|3 cells, 1 axis value", "map|Fuel Trim|1 cell",
                                        "constant|Idle Target|", "bytes|8310-8311|2 bytes"}));
        QCOMPARE(s.RowNamed("Fuel Injection")->text(3), QString("0.5"));
        QCOMPARE(s.RowNamed("8310-8311")->text(5), QString("5A A5"));

        // Every differing cell marked, and no other.
        CTableWnd* table = s.WholeTable();
        QVERIFY2(s.Map().x.count * table->cellWidth() <= table->grid()->viewport()->width() &&
                     s.Map().z.count * table->cellHeight() <= table->grid()->viewport()->height(),
                 "the table is not in view whole");
        QCOMPARE(s.Marks(table), kFuelMarks);

        // The status line: both values and the difference in the table's
        // formats, the cursor's values with their units.
        s.Click(table, 1, 2);
        const Image& image = s.cal.app->image();
        const int raw = image[s.DataAddress(1, 2)];
        const QString expected = "THROT " + Fixed(image[s.Map().z.start + 1] / 2.0, 1) + " %  RPM " +
                                 Fixed(image[s.Map().x.start + 2] * 50.0, 0) + " rpm: " + Fixed(raw / 20.0, 1) + " ms" +
                                 "   compared " + Fixed((raw + 10) / 20.0, 1) + "   difference +0.5";
        QCOMPARE(table->statusLine()->text(), expected);
        s.Click(table, 6, 11);
        QVERIFY2(table->statusLine()->text().endsWith("   difference -0.2"), qPrintable(table->statusLine()->text()));
        s.Click(table, 0, 0);
        QVERIFY(table->statusLine()->text().endsWith("   compared: the same"));

        // Choosing a row opens its map in the table window on its first differing cell.
        s.ClickRow("Fuel Trim", true);
        QCOMPARE(QString::fromStdString(s.Map().name), QString("Fuel Trim"));
        QVERIFY(s.cal.frame->ActiveView() && s.cal.frame->ActiveView()->Kind() == kWindowTable);
        QCOMPARE(s.Map().cursor.mode, int(kEditData));
        QCOMPARE(std::make_pair(s.Map().cursor.row, s.Map().cursor.column), std::make_pair(0, 0));
        QCOMPARE(s.Marks(table), (std::set<Cell>{{kEditData, 0, 0}}));
        QVERIFY(table->statusLine()->text().contains("   compared "));
        QCOMPARE(s.cal.frame->mapSelector()->currentText(), QString("Fuel Trim"));

        // End compare: no marks, no compared value.
        s.cal.frame->action(cmd::kEndCompare)->trigger();
        QVERIFY(s.cal.app->compared == nullptr);
        QVERIFY(!list->isVisible());
        QVERIFY(s.Marks(table).empty());
        QVERIFY(!table->statusLine()->text().contains("compared"));
    }

    void copyFromCompareIsOneUndoStepEach() {
        Session s;
        s.CompareWith(s.modifiedPath);
        CTableWnd* table = s.WholeTable();
        QVERIFY(s.cal.ActionEnabled(cmd::kCopyFromCompare));

        // A selection over two of the three differing cells.
        s.Click(table, 1, 1);
        s.Click(table, 3, 5, Qt::ShiftModifier);
        s.Key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.cal.Byte(s.DataAddress(1, 2)), s.modified[s.DataAddress(1, 2)]);
        QCOMPARE(s.cal.Byte(s.DataAddress(3, 5)), s.modified[s.DataAddress(3, 5)]);
        QCOMPARE(s.DifferingBytes(), 2);   // the third cell and the THROT value stay
        QCOMPARE(table->statusLine()->text(), QString("Copy from compare: 2 cells copied"));
        QCOMPARE(s.Marks(table), (std::set<Cell>{{kEditThrot, 0, 2}, {kEditData, 6, 11}}));
        QCOMPARE(s.Rows().first(), QString("map|Fuel Injection|1 cell, 1 axis value"));
        QCOMPARE(s.cal.ActionText(cmd::kUndo), QString("&Undo Copy from compare\tCtrl+Z"));

        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);
        QVERIFY(!s.cal.ActionEnabled(cmd::kUndo));
        QCOMPARE(s.Marks(table), kFuelMarks);
        QCOMPARE(s.Rows().first(), QString("map|Fuel Injection|3 cells, 1 axis value"));

        // The whole map, its THROT axis with it.
        s.cal.frame->action(cmd::kCopyMapFromCompare)->trigger();
        for (std::uint16_t a = s.Map().base; a < s.Map().y.start + s.Map().z.count * s.Map().x.count; ++a)
            QCOMPARE(s.cal.Byte(a), s.modified[a]);
        QCOMPARE(s.DifferingBytes(), 4);
        QVERIFY(s.Marks(table).empty());
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);

        // A constant from the list, undone from the map shown.
        s.ClickRow("Idle Target", false);
        QPushButton* copy = s.cal.frame->DifferencesWindow()->copyButton();
        QVERIFY(copy->isEnabled());
        QTest::mouseClick(copy, Qt::LeftButton);
        QCOMPARE(s.cal.Byte(0x8205), s.modified[0x8205]);
        QCOMPARE(s.DifferingBytes(), 1);
        QVERIFY(s.RowNamed("Idle Target") == nullptr);
        s.FrontAgain();
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);
        QVERIFY(s.RowNamed("Idle Target") != nullptr);
        // Byte ranges outside maps and constants are not copied.
        s.ClickRow("8310-8311", false);
        QVERIFY(!s.cal.frame->DifferencesWindow()->copyButton()->isEnabled());
        QVERIFY(s.cal.prompt.shown.empty());
    }

    // With the calibration loaded and no window yet, a row of the list opens
    // the table window on its map.
    void aRowOpensTheTableWindowWhenNoneIsOpen() {
        Session s;
        s.CloseCalibration();
        s.cal.Open(-1);   // the Menu dialog cancelled: data loaded, no window
        QVERIFY(s.cal.frame->Views().empty());
        s.CompareWith(s.modifiedPath);
        QVERIFY(s.cal.app->compared != nullptr);
        QVERIFY(!s.cal.ActionEnabled(cmd::kCopyFromCompare));
        s.ClickRow("Idle Target", false);
        QVERIFY(!s.cal.frame->DifferencesWindow()->copyButton()->isEnabled());   // no map to hold the undo step
        s.ClickRow("Fuel Trim", true);
        QCOMPARE(QString::fromStdString(s.Map().name), QString("Fuel Trim"));
        CTableWnd* table = s.WholeTable();
        QVERIFY(table != nullptr);
        QCOMPARE(s.Marks(table), (std::set<Cell>{{kEditData, 0, 0}}));
        s.ClickRow("Idle Target", false);
        QVERIFY(s.cal.frame->DifferencesWindow()->copyButton()->isEnabled());
        QVERIFY(s.cal.app->image() == s.loaded);
    }

    // The compare keys take no accelerator another command has.
    void noTwoCommandsShareAKey() {
        Session s;
        std::map<QString, QString> owners;
        for (QAction* action : s.cal.frame->actions()) {
            for (const QKeySequence& key : action->shortcuts()) {
                const QString text = key.toString();
                const bool fresh = owners.emplace(text, action->objectName()).second;
                QVERIFY2(fresh, qPrintable(text + " belongs to " + owners[text] + " and " + action->objectName()));
            }
        }
        QCOMPARE(owners[QStringLiteral("Ctrl+Shift+O")], QString("command%1").arg(cmd::kCompareWith));
        QCOMPARE(owners[QStringLiteral("Ctrl+Shift+D")], QString("command%1").arg(cmd::kDifferences));
        QCOMPARE(owners[QStringLiteral("Ctrl+Shift+F")], QString("command%1").arg(cmd::kCopyFromCompare));
    }

    // HRN26C (Config Map): "Main Fuel" and "Ignition" lie on the same axes
    // in the image, RPM as words at 4110. Copying the map takes the word
    // axis for both, says so, and one Ctrl+Z gives every byte back.
    void configMapCopyTakesSharedWordAxes() {
        Session s(kHeron);
        QCOMPARE(QString::fromStdString(s.Map().name), QString("Main Fuel"));
        const std::uint16_t rpm3 = RpmCellAddress(s.Map(), 0, 3);
        s.WriteCopy([&](Calibration& other) {
            const int word = ((other.image()[rpm3] << 8) | other.image()[rpm3 + 1]) + 5;
            other.image()[rpm3] = static_cast<std::uint8_t>(word >> 8);
            other.image()[rpm3 + 1] = static_cast<std::uint8_t>(word & 0xFF);
            other.image()[s.DataAddress(2, 4)] += 5;
        });
        s.CompareWith(s.modifiedPath);
        QCOMPARE(s.Rows(), QStringList({"map|Main Fuel|1 cell, 1 axis value", "map|Ignition|1 axis value"}));
        CTableWnd* table = s.WholeTable();
        QCOMPARE(s.Marks(table), (std::set<Cell>{{kEditRpm, 0, 3}, {kEditData, 2, 4}}));

        s.Click(table, 2, 4);
        QVERIFY(s.cal.ActionEnabled(cmd::kCopyMapFromCompare));
        s.cal.frame->action(cmd::kCopyMapFromCompare)->trigger();
        QCOMPARE(table->statusLine()->text(),
                 QString("Copy from compare: map 'Main Fuel', 1 cell and 1 other byte copied; "
                         "'Ignition' shares the axes and changed too"));
        for (std::uint16_t a : {rpm3, static_cast<std::uint16_t>(rpm3 + 1), s.DataAddress(2, 4)})
            QCOMPARE(s.cal.Byte(a), s.modified[a]);
        QVERIFY(s.Rows().isEmpty());
        QCOMPARE(s.cal.frame->DifferencesWindow()->heading()->text().section('\n', 1),
                 QString("The two calibrations hold the same data."));
        QVERIFY(s.Marks(table).empty());

        s.FrontAgain();
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.DifferingBytes(), 0);
        QCOMPARE(s.Marks(table), (std::set<Cell>{{kEditRpm, 0, 3}, {kEditData, 2, 4}}));
    }

    void anotherMachineOrADamagedFileOpensNothing() {
        Session s;
        s.CompareWith(RV_SOURCE_DIR "/data/HRN26C/WORK/HRN26C.qsd");
        QVERIFY(s.cal.app->compared == nullptr);
        QCOMPARE(s.cal.prompt.shown.size(), std::size_t{1});
        QVERIFY2(s.cal.prompt.shown[0].text.rfind("Machine type is different.\n", 0) == 0 &&
                     s.cal.prompt.shown[0].text.find("Nothing was opened to compare with.") != std::string::npos,
                 s.cal.prompt.shown[0].text.c_str());
        QVERIFY(!s.cal.ActionEnabled(cmd::kDifferences));
        QVERIFY(s.Marks(s.WholeTable()).empty());

        // With a compare open, a damaged file leaves it as it was.
        s.CompareWith(s.modifiedPath);
        const Calibration* open = s.cal.app->compared.get();
        QVERIFY(open);
        std::string text;
        {
            QFile file(QString::fromStdString(s.modifiedPath));
            QVERIFY(file.open(QIODevice::ReadOnly));
            text = file.readAll().toStdString();
        }
        const std::size_t record = text.find("\nS1138010");
        QVERIFY(record != std::string::npos);
        text[record + 1] = 'X';
        const std::string damaged = s.cal.install.dir.Write("damaged.qsd", text);
        s.cal.prompt.shown.clear();
        s.CompareWith(damaged);
        QVERIFY(s.cal.app->compared.get() == open);
        QVERIFY(!s.cal.prompt.shown.empty());
        QVERIFY(s.cal.prompt.shown.back().text.find("Nothing was opened to compare with.") != std::string::npos);
        QCOMPARE(s.Marks(s.WholeTable()), kFuelMarks);
        QVERIFY(s.cal.app->image() == s.loaded);
        QCOMPARE(s.cal.app->modified, 0);

        // Closing the calibration ends the compare.
        s.CloseCalibration();
        QVERIFY(s.cal.app->compared == nullptr);
        QVERIFY(!s.cal.frame->DifferencesWindow()->isVisible());
    }
};

QTEST_MAIN(CompareTest)
#include "CompareTest.moc"
