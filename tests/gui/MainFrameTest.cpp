// The main frame: opening a calibration through its command, the menus and
// their update rules, the dialog bar, Close, Save and the constants list.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "app/CommandIds.h"
#include "app/gui/QtUserPrompt.h"
#include "edit/GraphEditing.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/gui/MapWnd.h"
#include "edit/gui/TableWnd.h"
#include "files/SRecord.h"
#include "model/Strings.h"
#include "tests/gui/TestCalibration.h"

class MainFrameTest : public QObject {
    Q_OBJECT

    static QStringList MenuTitles(CMainFrame& frame) {
        QStringList titles;
        for (QAction* a : frame.menuBar()->actions()) titles << a->text();
        return titles;
    }
    static CTableWnd* Table(TestCalibration& cal) {
        CQelView* view = cal.ViewOfKind(kWindowTable);
        return view ? static_cast<CTableWnd*>(view->ChildWnd()) : nullptr;
    }

private slots:
    void openShowsTheChosenMapInTheDocumentWindows() {
        TestCalibration cal;
        QCOMPARE(cal.frame->MenuResource(), 2);
        QCOMPARE(MenuTitles(*cal.frame), (QStringList{"&File", "&Set", "&Help"}));
        QVERIFY(!cal.ActionEnabled(cmd::kSave));
        cal.Open(1);
        QCOMPARE(cal.app->dataFilePath, cal.path);
        QCOMPARE(cal.app->openState, int(kOpenDocument));
        QCOMPARE(cal.Map().name, std::string("Twin"));
        QCOMPARE(cal.frame->MenuResource(), 3);
        QCOMPARE(MenuTitles(*cal.frame), (QStringList{"&File", "&Edit", "&Monitor", "&Set", "&Window", "&Help"}));
        QCOMPARE(cal.frame->windowTitle(), QString("Orvandel - cal.qsd"));
        QCOMPARE(cal.frame->mapSelector()->count(), 2);
        QCOMPARE(cal.frame->mapSelector()->currentText(), QString("Twin"));
        QCOMPARE(cal.frame->lineSelector()->count(), 2);
        QCOMPARE(cal.frame->lineSelector()->itemText(1), QString("100.0"));
        CQelView* table = cal.ViewOfKind(kWindowTable);
        QVERIFY(table);
        QCOMPARE(table->parentWidget()->windowTitle(), QString("TABLE - Twin"));
        QVERIFY(cal.ActionEnabled(cmd::kSave));
        QVERIFY(!cal.ActionEnabled(cmd::kOpenTableWindow));   // one is open already
        QVERIFY(cal.prompt.shown.empty());
    }

    void hexWindowOpensFromTheWindowMenuAndAPathOpensWithoutTheDialog() {
        TestCalibration cal;
        cal.dialogs.menuChoice = 0;
        cal.frame->OpenDataFile(cal.path);   // no file dialog: the path is given
        QCOMPARE(cal.app->dataFilePath, cal.path);
        QVERIFY(!cal.ViewOfKind(kWindowHex));
        QVERIFY(cal.ActionEnabled(cmd::kOpenHexWindow));
        cal.frame->OnCommand(cmd::kOpenHexWindow);
        CQelView* hex = cal.ViewOfKind(kWindowHex);
        QVERIFY(hex);
        QCOMPARE(hex->parentWidget()->windowTitle(), QString("HEX - ") + QString::fromStdString(cal.Map().name));
        QVERIFY(!cal.ActionEnabled(cmd::kOpenHexWindow));   // one is open already
        QVERIFY(cal.prompt.shown.empty());
    }

    void openRefusesOtherMachinesAndUnreadableFiles() {
        TestCalibration cal;
        cal.dialogs.nextFile = cal.install.dir.Write("other.qsd", testinstall::CalibrationFile("XYZ99"));
        cal.frame->OnCommand(cmd::kOpen);
        cal.dialogs.nextFile = cal.install.dir.File("missing.qsd");
        cal.frame->OnCommand(cmd::kOpen);
        QCOMPARE(cal.Texts(), (std::vector<std::string>{"Machine type is different.", "Failed to open file"}));
        QCOMPARE(cal.prompt.Last().icon, PromptIcon::kExclamation);
        QVERIFY(cal.app->dataFilePath.empty());
        QCOMPARE(cal.frame->MenuResource(), 2);
    }

    void cancelledMenuLeavesTheDataLoadedWithoutWindows() {
        TestCalibration cal;
        cal.Open(-1);
        QCOMPARE(cal.app->dataFilePath, cal.path);
        QVERIFY(cal.frame->Views().empty());
        QCOMPARE(cal.frame->MenuResource(), 4);
        QVERIFY(!MenuTitles(*cal.frame).contains("&Edit"));
        // F1 runs the Menu dialog again and opens the windows.
        cal.dialogs.menuChoice = 0;
        QTest::keyClick(cal.frame.get(), Qt::Key_F1);
        QVERIFY(cal.ViewOfKind(kWindowTable));
        QCOMPARE(cal.Map().name, std::string("Main"));
        QCOMPARE(cal.frame->MenuResource(), 3);
    }

    void windowOpenWithoutAViewUsesTheMapSelector() {
        TestCalibration cal;
        cal.Open(-1);
        QVERIFY(cal.frame->Views().empty());
        cal.frame->mapSelector()->setCurrentIndex(1);
        QVERIFY(cal.ActionEnabled(cmd::kOpenTableWindow));
        cal.frame->OnCommand(cmd::kOpenTableWindow);
        QVERIFY(cal.ViewOfKind(kWindowTable));
        QCOMPARE(QString::fromStdString(cal.Map().name), cal.frame->mapSelector()->itemText(1));
    }

    void undoTextAndStateFollowTheNewestRecord() {
        TestCalibration cal;
        cal.Open(0);
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QCOMPARE(cal.ActionText(cmd::kUndo), QString("&Undo\tCtrl+Z"));
        QVERIFY(!cal.ActionEnabled(cmd::kUndo));
        QVERIFY(!cal.frame->toolButton(cmd::kUndo)->isEnabled());
        CTableWnd* table = Table(cal);
        table->gridEditor()->setFocus();
        table->gridEditor()->selectAll();
        QTest::keyClicks(table->gridEditor(), "3.3");
        QTest::keyClick(table->gridEditor(), Qt::Key_Return);
        QCOMPARE(cal.Byte(0x1007), std::uint8_t{33});
        QCOMPARE(cal.ActionText(cmd::kUndo), QString("&Undo(Edit DATA)\tCtrl+Z"));
        QVERIFY(cal.ActionEnabled(cmd::kUndo));
        QVERIFY(cal.frame->toolButton(cmd::kUndo)->isEnabled());
        QTest::mouseClick(cal.frame->toolButton(cmd::kUndo), Qt::LeftButton);
        QCOMPARE(cal.Byte(0x1007), std::uint8_t{10});
        QVERIFY(!cal.ActionEnabled(cmd::kUndo));
    }

    void clipboardRuleNeedsATableOrHexWindowAndPasteNeedsText() {
        TestCalibration cal;
        QVERIFY(!cal.ActionEnabled(cmd::kCopy));   // no window at all
        cal.Open(0);
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QVERIFY(cal.ActionEnabled(cmd::kCopy));    // the grid editor is in use
        QGuiApplication::clipboard()->clear();
        QVERIFY(!cal.ActionEnabled(cmd::kPaste));
        QGuiApplication::clipboard()->setText("1.0");
        QVERIFY(cal.ActionEnabled(cmd::kPaste));
        if (CQelView* map = cal.ViewOfKind(kWindowMap)) {
            cal.Activate(map);
            QVERIFY(!cal.ActionEnabled(cmd::kCopy));
        }
    }

    void closeDeclinedKeepsTheCalibrationAndConfirmedClosesIt() {
        TestCalibration cal;
        cal.Open(0);
        cal.app->modified = 1;
        cal.prompt.answers = {PromptAnswer::kCancel};
        cal.frame->OnCommand(cmd::kClose);
        QCOMPARE(cal.Texts(), std::vector<std::string>{Str(str::kCloseWithoutSaving)});
        QVERIFY(cal.prompt.Last().question);
        QCOMPARE(cal.app->dataFilePath, cal.path);
        QCOMPARE(cal.app->maps.size(), std::size_t{2});
        QVERIFY(cal.ViewOfKind(kWindowTable));

        cal.prompt.answers = {PromptAnswer::kOk};
        cal.frame->OnCommand(cmd::kClose);
        QVERIFY(cal.app->dataFilePath.empty());
        QVERIFY(cal.app->maps.empty());
        QVERIFY(cal.app->currentMap == nullptr);
        QVERIFY(cal.frame->Views().empty());
        QCOMPARE(cal.frame->MenuResource(), 2);
        QCOMPARE(cal.frame->windowTitle(), QString("Orvandel"));
    }

    void closingTheLastWindowKeepsTheDataLoaded() {
        TestCalibration cal;
        cal.Open(0);
        for (CQelView* view : cal.frame->Views()) view->parentWidget()->close();
        QTRY_VERIFY(cal.frame->Views().empty());
        QVERIFY(cal.frame->Document() == nullptr);
        QCOMPARE(cal.frame->MenuResource(), 4);
        QCOMPARE(cal.app->maps.size(), std::size_t{2});
    }

    void saveFailureShows1533AndKeepsThePath() {
        TestCalibration cal;
        cal.Open(0);
        cal.dialogs.nextFile = cal.install.dir.File("no/such/folder/out.qsd");
        cal.frame->OnCommand(cmd::kSave);
        QCOMPARE(cal.Texts(), std::vector<std::string>{"Orvandel Data File Save Error!"});
        QCOMPARE(cal.app->dataFilePath, cal.path);

        cal.dialogs.nextFile = cal.install.dir.File("saved.qsd");
        cal.frame->OnCommand(cmd::kSave);
        QCOMPARE(cal.prompt.shown.size(), std::size_t{1});
        QCOMPARE(cal.app->dataFilePath, cal.dialogs.nextFile);
        QVERIFY(!cal.install.dir.Read("saved.qsd").empty());
    }

    void dataFieldCommitsANumberAndRefusesAnythingElse() {
        TestCalibration cal;
        cal.Open(0);
        QLineEdit* data = cal.frame->dataField();
        QVERIFY(data->isVisible());
        QCOMPARE(data->text(), QString("1.0"));
        data->setFocus();
        data->selectAll();
        QTest::keyClicks(data, "1-");
        QTest::mouseClick(cal.frame->okButton(), Qt::LeftButton);
        QCOMPARE(cal.Texts(), std::vector<std::string>{"Including wrong word"});
        QCOMPARE(cal.Byte(0x1007), std::uint8_t{10});
        data->setFocus();
        data->selectAll();
        QTest::keyClicks(data, "300");
        QTest::mouseClick(cal.frame->okButton(), Qt::LeftButton);
        QCOMPARE(cal.Byte(0x1007), std::uint8_t{255});
        QCOMPARE(data->text(), QString("25.5"));
    }

    void lineStepsMoveTheCursorRow() {
        TestCalibration cal;
        cal.Open(0);
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QVERIFY(!cal.ActionEnabled(cmd::kPreviousLine));
        QVERIFY(cal.ActionEnabled(cmd::kNextLine));
        cal.frame->OnCommand(cmd::kNextLine);
        QCOMPARE(cal.Map().cursor.row, 1);
        QCOMPARE(cal.frame->lineSelector()->currentIndex(), 1);
        QCOMPARE(cal.frame->dataField()->text(), QString("4.0"));
        QVERIFY(!cal.ActionEnabled(cmd::kNextLine));
    }

    void allLinesFlipsThePerMapFlag() {
        TestCalibration cal;
        cal.Open(0);
        QVERIFY(!cal.frame->action(cmd::kAllLines)->isChecked());
        cal.frame->OnCommand(cmd::kFlipAllLines);
        cal.frame->UpdateCommandUi();
        QVERIFY(cal.frame->AllLines());
        QVERIFY(cal.frame->action(cmd::kAllLines)->isChecked());
        QCOMPARE(cal.frame->allBox()->checkState(), Qt::Checked);
    }

    void altAFlipsTheAllLinesFlagThroughTheCheckBox() {
        TestCalibration cal;
        cal.Open(0);
        QVERIFY(cal.frame->allBox()->isVisible());
        QTest::keyClick(cal.frame.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(cal.frame->AllLines());
        QCOMPARE(cal.frame->allBox()->checkState(), Qt::Checked);
        QTest::mouseClick(cal.frame->allBox(), Qt::LeftButton);
        QVERIFY(!cal.frame->AllLines());
        QCOMPARE(cal.frame->allBox()->checkState(), Qt::Unchecked);
    }

    void dataFieldInRpmModeWritesNoDataByte() {
        TestCalibration cal;
        cal.Open(1);   // Twin: a Free Map of type 2
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QCOMPARE(cal.Map().cursor.mode, int(kEditData));
        cal.frame->OnCommand(cmd::kToggleDataRpm);
        QCOMPARE(cal.Map().cursor.mode, int(kEditRpm));
        QLineEdit* data = cal.frame->dataField();
        data->setFocus();
        data->selectAll();
        QTest::keyClicks(data, "30");
        QTest::mouseClick(cal.frame->okButton(), Qt::LeftButton);
        QCOMPARE(cal.Byte(0x1017), std::uint8_t{0x14});
        QCOMPARE(cal.Byte(0x1011), std::uint8_t{0x14});
        QVERIFY(cal.prompt.shown.empty());
    }

    void constantsListCopiesBackOnlyOnOk() {
        TestCalibration cal;
        cal.Open(0);
        cal.dialogs.constantsEditor = [](Image& buffer) {
            buffer[0x1020] = 99;
            return false;
        };
        cal.frame->OnCommand(cmd::kConstantsList);
        QCOMPARE(cal.Byte(0x1020), std::uint8_t{130});
        QCOMPARE(cal.app->modified, 0);
        cal.dialogs.constantsEditor = [](Image& buffer) {
            buffer[0x1020] = 99;
            return true;
        };
        cal.frame->OnCommand(cmd::kConstantsList);
        QCOMPARE(cal.Byte(0x1020), std::uint8_t{99});
        QCOMPARE(cal.app->modified, 1);
    }

    void aDragInTheMapWindowMovesTheTableCellAndTheDataFieldWithIt() {
        TestCalibration cal;
        cal.Open(0);   // Main: DATA x/10 at 0x1007, row 0 is 1.0 2.0 3.0
        CQelView* mapView = cal.ViewOfKind(kWindowMap);
        QVERIFY(mapView);
        auto* map = static_cast<CMapWnd*>(mapView->ChildWnd());
        CMapGraphWnd* pane = map->graphPane();
        QVERIFY(pane);
        CTableWnd* table = Table(cal);
        QLineEdit* cell = table->gridEditor();   // lies over the cursor cell
        QLineEdit* data = cal.frame->dataField();
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), 0, 1, p));
        const QPoint at(p.x, p.y);

        QTest::mouseClick(pane, Qt::LeftButton, {}, at);   // selects the point
        QCOMPARE(cal.Map().cursor.column, 1);
        QCOMPARE(cell->text(), QString("2.0"));
        QCOMPARE(data->text(), QString("2.0"));

        // A drag shows its value in both while the image keeps the old one.
        const QPoint up(at.x(), at.y() - 40);
        const int moving = GraphDragCandidate(kEditData, map->Scales(), cal.Map().cursor, up.x(), up.y());
        QVERIFY(moving > 20);
        const QString movingText = QString::number(moving / 10.0, 'f', 1);
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, up);
        QVERIFY(pane->Dragging());
        QCOMPARE(cell->text(), movingText);
        QCOMPARE(data->text(), movingText);
        QCOMPARE(cal.Byte(0x1008), std::uint8_t{20});

        // Cancelled: both show the image's value again.
        QTest::mousePress(pane, Qt::RightButton, {}, up);
        QVERIFY(!pane->Dragging());
        QCOMPARE(cell->text(), QString("2.0"));
        QCOMPARE(data->text(), QString("2.0"));
        QTest::mouseRelease(pane, Qt::LeftButton, {}, up);
        QCOMPARE(cal.Byte(0x1008), std::uint8_t{20});
        QVERIFY(cal.Map().undo.Empty());

        // Released: the image takes the value, and one Undo puts it back.
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, up);
        QTest::mouseRelease(pane, Qt::LeftButton, {}, up);
        QCOMPARE(int(cal.Byte(0x1008)), moving);
        QCOMPARE(cell->text(), movingText);
        QCOMPARE(data->text(), movingText);
        QCOMPARE(cal.Map().undo.Size(), std::size_t{1});
        QCOMPARE(cal.ActionText(cmd::kUndo), QString("&Undo(Drag DATA)\tCtrl+Z"));
        cal.frame->OnCommand(cmd::kUndo);
        QCOMPARE(cal.Byte(0x1008), std::uint8_t{20});
        QVERIFY(cal.Map().undo.Empty());
        QCOMPARE(cell->text(), QString("2.0"));
        QCOMPARE(data->text(), QString("2.0"));
    }

    void aBreakpointDragMovesTheRpmCellAndThePointField() {
        TestCalibration cal;
        cal.Open(0);   // Main: RPM x*50 at 0x1004, 1000 2000 3000
        auto* map = static_cast<CMapWnd*>(cal.ViewOfKind(kWindowMap)->ChildWnd());
        CMapGraphWnd* pane = map->graphPane();
        CTableWnd* table = Table(cal);
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), 0, 1, p));
        const QPoint at(p.x, 2);   // on the breakpoint's vertical, far from the point
        QTest::mouseClick(pane, Qt::LeftButton, {}, at);
        QCOMPARE(cal.Map().cursor.mode, int(kEditRpm));
        QCOMPARE(table->axisEditor()->text(), QString("2000"));
        QCOMPARE(cal.frame->pointField()->text(), QString("2000"));

        const QPoint right(at.x() + 30, at.y());
        const int moving = GraphDragCandidate(kEditRpm, map->Scales(), cal.Map().cursor, right.x(), right.y());
        QVERIFY(moving > 40);
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseMove(pane, right);
        QVERIFY(pane->Dragging());
        QCOMPARE(table->axisEditor()->text(), QString::number(moving * 50));
        QCOMPARE(cal.frame->pointField()->text(), QString::number(moving * 50));
        QCOMPARE(cal.Byte(0x1005), std::uint8_t{40});
        QTest::mousePress(pane, Qt::RightButton, {}, right);
        QCOMPARE(table->axisEditor()->text(), QString("2000"));
        QCOMPARE(cal.frame->pointField()->text(), QString("2000"));
    }

    void aDragCutShortByClosingTheMapWindowLeavesNoMovingValue() {
        TestCalibration cal;
        cal.Open(0);
        CQelView* mapView = cal.ViewOfKind(kWindowMap);
        QVERIFY(mapView);
        auto* map = static_cast<CMapWnd*>(mapView->ChildWnd());
        GraphPoint p;
        QVERIFY(GraphPointPosition(cal.Map(), cal.app->image(), map->Scales(), 0, 1, p));
        const QPoint at(p.x, p.y);
        QTest::mouseClick(map->graphPane(), Qt::LeftButton, {}, at);
        QTest::mousePress(map->graphPane(), Qt::LeftButton, {}, at);
        QTest::mouseMove(map->graphPane(), QPoint(at.x(), at.y() - 40));
        QVERIFY(map->graphPane()->Dragging());

        delete mapView->parentWidget();   // the window goes in the middle of the drag
        QVERIFY(!cal.ViewOfKind(kWindowMap));
        cal.frame->RefreshDialogBar();
        QCOMPARE(cal.frame->dataField()->text(), QString("2.0"));
        Table(cal)->UpdateWindow();
        QCOMPARE(Table(cal)->gridEditor()->text(), QString("2.0"));
    }

    // Title, Directory and the tool box legend run their dialogs; nothing
    // says a dialog is missing.
    void theFrameCommandsRunTheirDialogs() {
        TestCalibration cal;
        cal.Open(0);
        cal.frame->OnCommand(cmd::kTitle);
        cal.frame->OnCommand(cmd::kDirectory);
        cal.frame->OnCommand(cmd::kToolBox);
        QCOMPARE(cal.dialogs.titleRuns, 1);
        QCOMPARE(cal.dialogs.directoryRuns, 1);
        QCOMPARE(cal.dialogs.toolBoxRuns, 1);
        QVERIFY(cal.prompt.shown.empty());
    }

    // The second map of the calibration has 16 x 16 cells: the open goes on
    // with the first one, and a real message box says which map is missing.
    void aMapTheLoaderRefusesIsNamedInAMessageBox() {
        TestCalibration cal;
        Image image = testinstall::CalibrationImage();
        image[0x100D] = 16;
        image[0x100E] = 16;
        std::string text = "[Machine]\nModel,TST01\n[Data]\nCalib:\n";
        for (std::uint32_t a = testinstall::kDataStart; a <= testinstall::kDataEnd; a += 16)
            text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
        const std::string path = cal.install.dir.Write("big.qsd", text + "S9030000FC\nFixed:\n");

        cal.frame.reset();
        QtUserPrompt boxes;
        struct CancelledMenu : ScriptedDialogs {
            bool menuRan = false;
            int RunMenu(CMenuDlg& dialog) override {
                menuRan = true;
                return ScriptedDialogs::RunMenu(dialog);
            }
        } dialogs;
        dialogs.menuChoice = -1;
        bool& menuRan = dialogs.menuRan;
        CMainFrame frame(*cal.app, boxes, &dialogs);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        QStringList texts;
        QList<QMessageBox::Icon> icons;
        bool menuBeforeBox = false;
        // Whatever message box comes up is read and answered, as a technician would.
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            menuBeforeBox = menuRan;
            texts << box->text();
            icons << box->icon();
            QTest::keyClick(box, Qt::Key_Return);
        });
        poll.start();
        frame.OpenDataFile(path);
        poll.stop();

        QCOMPARE(texts, QStringList{"The map \"Twin\" and the maps after it are not loaded: its table of 16 x 16 "
                                    "= 256 cells is larger than 255 cells.\nOnly the maps before it are loaded."});
        QCOMPARE(icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        QVERIFY(!menuBeforeBox);   // said before the technician picks a map
        QVERIFY(menuRan);
        QCOMPARE(cal.app->dataFilePath, path);
        QCOMPARE(cal.app->maps.size(), std::size_t{1});
        QCOMPARE(frame.mapSelector()->count(), 1);
        QCOMPARE(frame.mapSelector()->itemText(0), QString("Main"));
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
