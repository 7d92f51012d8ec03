// The workbench's file, ECU and window commands in the main frame, against ecusim.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "app/FileHistory.h"
#include "app/WindowLayout.h"
#include "model/Strings.h"
#include "platform/ProfileFile.h"
#include "tests/gui/EcuFrame.h"
#include "tests/support/TempDir.h"

using namespace ecuframe;

namespace {

// A cell of "Boost Fuel" typed through the table window.
void TypeCell(EcuFrame& f, int row, int column, const char* text) {
    CTableWnd* table = f.Table();
    QVERIFY(table);
    f.Click(table, row, column);
    table->gridEditor()->selectAll();
    QTest::keyClicks(table->gridEditor(), text);
    QTest::keyClick(table->gridEditor(), Qt::Key_Return);
}

DecodedRecords SavedEcu(EcuFrame& f, const TempDir& place) {
    DecodedRecords none;
    if (f.sim->Stop() < 0) return none;
    std::string text = place.Read("saved.s19");
    text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }), text.end());
    return DecodeRecords(text);
}

bool HasText(EcuFrame& f, const std::string& part) {
    for (const std::string& t : f.Texts())
        if (t.find(part) != std::string::npos) return true;
    return false;
}

}  // namespace

class WorkbenchFilesTest : public QObject {
    Q_OBJECT

private slots:
    void openStartsInTheWorkFolderThenInTheOpenCalibrationsFolder() {
        Options options;
        options.startSim = false;
        EcuFrame f(options);
        f.install.dir.Write("install/TST01/WORK/keep", "");
        f.dialogs.nextFile = "";
        f.frame->OnCommand(cmd::kOpen);
        QCOMPARE(f.dialogs.lastRequest.folder, f.install.dir.File("install/TST01/WORK"));
        f.Open();
        f.frame->OnCommand(cmd::kSave);
        QCOMPARE(f.dialogs.lastRequest.folder, f.install.dir.Path());
    }

    void recentCalibrationsArePerMachineAndAMissingOneLeavesTheList() {
        Options options;
        options.startSim = false;
        EcuFrame f(options);
        std::vector<std::string> files;
        for (int n = 1; n <= 9; ++n) files.push_back(f.install.dir.Write("cals/c" + std::to_string(n) + ".qsd", f.install.dir.Read("cal.qsd")));
        for (const std::string& file : files) f.Open(file);
        f.Restart();
        f.frame->FillRecentFiles();
        std::vector<QAction*> entries;
        for (QAction* a : f.frame->RecentFileActions())
            if (!a->isSeparator()) entries.push_back(a);
        QCOMPARE(entries.size(), std::size_t{8});   // the ninth pushed the first out
        QCOMPARE(entries[0]->text(), QString::fromStdString("&1 " + files[8]));

        // A recent entry reopens its calibration (the Menu dialog takes map 0).
        entries[3]->trigger();
        QCOMPARE(f.app->dataFilePath, files[5]);
        QCOMPARE(ReadRecentFiles(ProfileFile(f.app->settingsFilePath)).front(), files[5]);

        // A file gone since: said, and taken off the list; the calibration stays.
        QVERIFY(::unlink(files[4].c_str()) == 0);
        f.frame->FillRecentFiles();
        f.prompt.shown.clear();
        QAction* gone = nullptr;
        for (QAction* a : f.frame->RecentFileActions())
            if (a->text().endsWith(QString::fromStdString(files[4]))) gone = a;
        QVERIFY(gone);
        gone->trigger();
        QVERIFY(HasText(f, "no longer there"));
        QCOMPARE(f.app->dataFilePath, files[5]);
        const std::vector<std::string> left = ReadRecentFiles(ProfileFile(f.app->settingsFilePath));
        QCOMPARE(left.size(), std::size_t{7});
        QVERIFY(std::find(left.begin(), left.end(), files[4]) == left.end());
    }

    void ctrlSSavesByteIdenticalToSaveAsAndAFailedSaveLosesNothing() {
        Options options;
        options.startSim = false;
        EcuFrame f(options);
        const std::string file = f.install.dir.Write("cals/run.qsd", CalibrationFile(CalibrationImage()));
        f.Open(file);
        TypeCell(f, 1, 2, "9.9");
        QCOMPARE(int(f.app->image()[kData + 6]), 99);
        QTest::keySequence(f.frame.get(), QKeySequence("Ctrl+S"));
        QVERIFY(f.frame->StatusText().startsWith("Saved"));
        QCOMPARE(f.app->modified, 0);
        const std::string own = f.install.dir.Read("cals/run.qsd");
        f.dialogs.nextFile = f.install.dir.File("cals/as.qsd");
        f.frame->OnCommand(cmd::kSave);
        QCOMPARE(f.install.dir.Read("cals/as.qsd"), own);

        // A file that cannot be written (no write bit, which stops even the
        // superuser): the failure is said, the file and the edit both stay.
        TypeCell(f, 0, 0, "1.2");
        const std::string before = f.install.dir.Read("cals/as.qsd");
        QVERIFY(::chmod(f.install.dir.File("cals/as.qsd").c_str(), 0444) == 0);
        f.prompt.shown.clear();
        f.frame->OnCommand(cmd::kSaveToFile);
        ::chmod(f.install.dir.File("cals/as.qsd").c_str(), 0644);
        QCOMPARE(f.Texts(), std::vector<std::string>{Str(str::kSaveError)});
        QVERIFY(f.frame->StatusText().startsWith("Not saved"));
        QCOMPARE(f.install.dir.Read("cals/as.qsd"), before);
        QCOMPARE(f.app->modified, 1);
        QCOMPARE(int(f.app->image()[kData]), 12);
    }

    void readFromEcuOpensTheEcusDataOnTheStandardFileWithoutAFileOfItsOwn() {
        Options options;
        options.ecuImage = CalibrationImage(70);
        EcuFrame f(options);
        const std::string standard = f.install.dir.Write("install/TST01/WORK/TST01.qsd", CalibrationFile(CalibrationImage()));
        f.Open();
        f.prompt.shown.clear();
        f.frame->OnCommand(cmd::kReadFromEcu);
        QVERIFY2(f.prompt.shown.empty(), f.Texts().empty() ? "" : f.Texts()[0].c_str());
        QCOMPARE(f.app->dataFilePath, standard);
        QVERIFY(!f.app->ownFile);
        QCOMPARE(f.app->modified, 1);
        for (int i = 0; i < 12; ++i) QCOMPARE(int(f.app->image()[kData + i]), 70 + 10 * i);
        // Ctrl+S asks where, and the standard file stays as it was.
        const std::string standardText = f.install.dir.Read("install/TST01/WORK/TST01.qsd");
        f.dialogs.nextFile = f.install.dir.File("fromEcu.qsd");
        f.frame->OnCommand(cmd::kSaveToFile);
        QVERIFY(f.dialogs.lastRequest.save);
        QCOMPARE(f.dialogs.lastRequest.proposedName, std::string("TST01_ECU.qsd"));
        QCOMPARE(f.install.dir.Read("install/TST01/WORK/TST01.qsd"), standardText);
        QVERIFY(f.install.dir.Read("fromEcu.qsd").find(MakeDataRecord(kData, &CalibrationImage(70)[kData], 16)) !=
                std::string::npos);
        QVERIFY(f.app->ownFile);
    }

    void aDamagedOrShortReadFromEcuLeavesTheOpenCalibrationUntouched() {
        struct Case {
            std::vector<std::string> sim;
            std::string range;
        } cases[] = {{{"--fault", "bad-hex=3"}, "3000-311F"}, {{}, "3000-303F"}, {{"--fault", "silent"}, "3000-311F"}};
        for (const Case& c : cases) {
            Options options;
            options.ecuImage = CalibrationImage(70);
            options.simArguments = c.sim;
            options.range = c.range;
            EcuFrame f(options);
            f.install.dir.Write("install/TST01/WORK/TST01.qsd", CalibrationFile(CalibrationImage()));
            f.Open();
            TypeCell(f, 0, 1, "3.3");
            f.prompt.shown.clear();
            f.frame->OnCommand(cmd::kReadFromEcu);
            QVERIFY(!f.prompt.shown.empty());   // the failure is said
                QCOMPARE(f.app->dataFilePath, f.calibration);
                QCOMPARE(int(f.app->image()[kData + 1]), 33);
            QCOMPARE(int(f.app->image()[kData + 2]), 60);
            QVERIFY(f.frame->HasDocumentWindow());
        }
    }

    void writeToEcuSendsTheEditedCalibrationThroughTheSafeWrite() {
        for (const bool ignored : {false, true}) {
            TempDir place;
            Options options;
            options.simArguments = {"--save", place.File("saved.s19")};
            if (ignored) options.simArguments.insert(options.simArguments.end(), {"--fault", "ignore-write"});
            EcuFrame f(options);
            f.Open();
            TypeCell(f, 2, 3, "2.5");
            f.prompt.shown.clear();
            f.prompt.answers = {PromptAnswer::kYes, PromptAnswer::kNo};   // the guard's question; no restore
            f.frame->OnCommand(cmd::kWriteToEcu);
            const DecodedRecords ecu = SavedEcu(f, place);
            QVERIFY(ecu.ok);
            const int written = ecu.bytes[kData + 11 - ecu.start];
            if (!ignored) {
                QVERIFY(HasText(f, "Write to ECU data   --->   Complete"));
                QCOMPARE(written, 25);
            } else {
                QVERIFY(HasText(f, "Write to ECU data   --->   Fail"));
                QCOMPARE(written, 150);
                QCOMPARE(f.frame->StatusText(), QString("Write to ECU failed"));
            }
            QCOMPARE(int(f.app->image()[kData + 11]), 25);   // the calibration is as edited
        }
    }

    void cascadeZoomCtrlF4AndTheWindowsKeptForTheNextOpen() {
        Options options;
        options.startSim = false;
        EcuFrame f(options);
        f.Open();
        f.frame->OnCommand(cmd::kOpenHexWindow);
        f.frame->OnCommand(cmd::kWindowCascade);
        const QRect area = f.frame->mdiArea()->viewport()->rect();
        const QList<QMdiSubWindow*> windows = f.frame->mdiArea()->subWindowList();
        QCOMPARE(windows.size(), 3);
        for (QMdiSubWindow* w : windows) {
            QVERIFY(w->width() >= area.width() * 2 / 3 - 1);
            QVERIFY(w->height() >= area.height() * 2 / 3 - 1);
        }

        CTableWnd* table = f.Table();
        const int cell = table->cellWidth();
        const int font = table->fontPixelSize();
        QTest::keySequence(f.frame.get(), QKeySequence("Ctrl++"));
        QCOMPARE(f.frame->Windows().TableZoom(), 110);
        QVERIFY(table->cellWidth() > cell);
        QVERIFY(table->fontPixelSize() > font);
        QCOMPARE(ReadZoom(ProfileFile(f.app->settingsFilePath)), f.frame->Windows().TableZoom());
        QTest::keySequence(f.frame.get(), QKeySequence("Ctrl+0"));
        QCOMPARE(table->cellWidth(), cell);

        // Ctrl+F4 closes the active window only.
        f.frame->mdiArea()->setActiveSubWindow(windows[2]);
        QTest::keySequence(f.frame.get(), QKeySequence("Ctrl+F4"));
        QTRY_COMPARE(f.frame->mdiArea()->subWindowList().size(), 2);

        // The windows reopen where they were at the next open, one dragged
        // off the area brought back onto it whole.
        QList<QMdiSubWindow*> left = f.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        left[0]->setGeometry(10, 20, 320, 200);
        left[1]->setGeometry(5000, 4000, 330, 210);
        QVERIFY(f.frame->CloseCalibration());
        f.Restart();
        f.Open();
        left = f.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(left.size(), 2);
        QCOMPARE(left[0]->geometry(), QRect(10, 20, 320, 200));
        QVERIFY(area.contains(left[1]->geometry()));
        QCOMPARE(left[1]->size(), QSize(330, 210));
        QCOMPARE(f.Table()->cellWidth(), cell);
    }
};

QTEST_MAIN(WorkbenchFilesTest)
#include "WorkbenchFilesTest.moc"
