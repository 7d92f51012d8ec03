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
#include <QWindow>
#include <QtTest>

#include "app/CommandIds.h"
#include "app/FrameModel.h"
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
        // Refused as a table cell refuses it, and the field shows the cell again.
        QCOMPARE(cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
        QCOMPARE(cal.prompt.Last().icon, PromptIcon::kStop);
        QCOMPARE(cal.Byte(0x1007), std::uint8_t{10});
        QCOMPARE(data->text(), QString("1.0"));
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

    // Enter on the close question keeps the work: Cancel is its default.
    void theCloseQuestionKeepsTheWorkByDefault() {
        TestCalibration cal;
        cal.Open(0);
        cal.app->modified = 1;
        cal.frame->OnCommand(cmd::kClose);   // nobody answers: the default answer
        QCOMPARE(cal.Texts(), std::vector<std::string>{Str(str::kCloseWithoutSaving)});
        QCOMPARE(cal.app->dataFilePath, cal.path);
        QVERIFY(cal.ViewOfKind(kWindowTable));
        QVERIFY(!cal.frame->close());
        QVERIFY(cal.frame->isVisible());

        // The message box itself: Enter presses Cancel.
        QtUserPrompt real;
        QString defaultButton;
        QTimer::singleShot(0, [&defaultButton] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (box->defaultButton()) defaultButton = box->defaultButton()->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!ConfirmCloseWithoutSaving(real));
        QCOMPARE(defaultButton, QString("Cancel"));
    }

    // Escape out of a menu gives the keyboard back to the cell editor, which
    // takes the next key.
    void escapeOutOfAMenuGivesTheKeyboardBackToTheCell() {
        TestCalibration cal;
        cal.Open(0);
        CTableWnd* table = Table(cal);
        cal.Activate(cal.ViewOfKind(kWindowTable));
        table->gridEditor()->setFocus();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(table->gridEditor()));
        QMenuBar* bar = cal.frame->menuBar();
        QAction* edit = nullptr;
        for (QAction* a : bar->actions())
            if (a->text() == "&Edit") edit = a;
        QVERIFY(edit);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(edit).center());
        QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        // Not the menu bar, waiting for a second Escape: the cell editor.
        QTRY_COMPARE(cal.frame->focusWidget(), static_cast<QWidget*>(table->gridEditor()));
        // The offscreen platform leaves the closed menu's window the focus
        // window, where a window manager gives it back to the frame.
        cal.frame->windowHandle()->requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), cal.frame->windowHandle());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(table->gridEditor()));
        QTest::keyClicks(QApplication::focusWidget(), "4");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(cal.Byte(0x1007), std::uint8_t{40});
    }

    // The Data field's change is one undo record, the newest: Ctrl+Z takes
    // it back, not an older edit.
    void ctrlZUndoesTheDataFieldChange() {
        TestCalibration cal;
        cal.Open(0);
        CTableWnd* table = Table(cal);
        cal.Activate(cal.ViewOfKind(kWindowTable));
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, {}, table->GridCellCentre({kEditData, 1, 1}));
        table->gridEditor()->selectAll();
        QTest::keyClicks(table->gridEditor(), "0.9");
        QTest::keyClick(table->gridEditor(), Qt::Key_Return);   // an older edit
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, {}, table->GridCellCentre({kEditData, 0, 2}));
        QLineEdit* data = cal.frame->dataField();
        data->setFocus();
        data->selectAll();
        QTest::keyClicks(data, "99");   // clamped to 25.5, reported as the table reports it
        QTest::keyClick(data, Qt::Key_Return);
        QCOMPARE(cal.Byte(0x1009), std::uint8_t{255});
        QCOMPARE(cal.Texts().size(), std::size_t{1});
        QVERIFY(cal.Texts()[0].find("Input Data Range Over:99.00") == 0);
        QCOMPARE(data->text(), QString("25.5"));
        QCOMPARE(table->gridEditor()->text(), QString("25.5"));
        QCOMPARE(cal.ActionText(cmd::kUndo), QString("&Undo(Edit DATA)\tCtrl+Z"));
        QTest::keyClick(cal.frame.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cal.Byte(0x1009), std::uint8_t{30});
        QCOMPARE(cal.Byte(0x100B), std::uint8_t{9});   // the older edit waits for the next Undo
        QTest::keyClick(cal.frame.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cal.Byte(0x100B), std::uint8_t{50});
    }

    // Only numbers are numbers, in the Data field too: "." or "-" would
    // be read as 0 and set the cell's lower limit, "1.2.3" as 1.2.
    void dataFieldRefusesTextThatIsNoWholeNumber() {
        TestCalibration cal;
        cal.Open(0);
        // The map window active: its inputs go through the same field.
        cal.Activate(cal.ViewOfKind(kWindowMap));
        QLineEdit* data = cal.frame->dataField();
        for (const char* text : {".", "-", "1.2.3", "1-2", "abc", "-."}) {
            cal.prompt.shown.clear();
            data->setFocus();
            data->selectAll();
            QTest::keyClicks(data, text);
            QTest::keyClick(data, Qt::Key_Return);
            QCOMPARE(cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
            QCOMPARE(cal.Byte(0x1007), std::uint8_t{10});
            QCOMPARE(data->text(), QString("1.0"));
        }
        QVERIFY(cal.Map().undo.Empty());
        QCOMPARE(cal.app->modified, 0);
    }

    // Leaving the Data field commits it as OK does: a refused text is
    // reported once the focus has settled, and the field shows the cell.
    void leavingTheDataFieldRefusesANonNumberToo() {
        TestCalibration cal;
        cal.Open(0);
        CTableWnd* table = Table(cal);
        QLineEdit* data = cal.frame->dataField();
        data->setFocus();
        data->selectAll();
        QTest::keyClicks(data, "1.2.3");
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, {}, table->GridCellCentre({kEditData, 0, 0}));
        QTRY_COMPARE(cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
        QCOMPARE(cal.Byte(0x1007), std::uint8_t{10});
        QCOMPARE(data->text(), QString("1.0"));
        QVERIFY(cal.Map().undo.Empty());
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
