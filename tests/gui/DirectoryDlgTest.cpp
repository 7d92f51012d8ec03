// The Directory dialog through the frame's Set menu: the recent folder list
// read from the settings file, a folder picked from it, typed or browsed,
// and the list written back; the new first folder is where the file dialogs
// start.
#include <filesystem>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/CommandIds.h"
#include "platform/ProfileFile.h"
#include "tests/gui/TestCalibration.h"
#include "tests/support/TempDir.h"

namespace {

std::string Paths(int count, const char* prefix = "/work/f") {
    std::string text = "[DIRECTORY]\n";
    for (int n = 1; n <= count; ++n) text += "PATH" + std::to_string(n) + "=" + prefix + std::to_string(n) + "\n";
    return text;
}

std::vector<std::string> Stored(TestCalibration& cal) {
    ProfileFile settings(cal.app->settingsFilePath);
    std::vector<std::string> values;
    for (int n = 1; n <= 8; ++n) values.push_back(settings.ReadString("DIRECTORY", "PATH" + std::to_string(n), "NO_DIR"));
    return values;
}

}  // namespace

class DirectoryDlgTest : public QObject {
    Q_OBJECT

private slots:
    void path3ChosenBecomesPath1AndTheFileDialogsStartThere() {
        // Folders that exist: a file dialog passes over one that does not.
        TempDir folders;
        const std::string prefix = folders.File("f");
        const auto F = [&prefix](int n) { return prefix + std::to_string(n); };
        for (int n = 1; n <= 4; ++n) std::filesystem::create_directories(F(n));
        TestCalibration cal(Paths(4, prefix.c_str()));
        QCOMPARE(cal.app->defaultFolder, F(1));
        int listed = -1;
        cal.dialogs.directory = [&](CDirectoryDlg& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Directory"));
            listed = dialog.pathBox()->count();
            QCOMPARE(dialog.pathBox()->currentText(), QString::fromStdString(F(1)));
            dialog.pathBox()->setFocus();
            QTest::keyClick(dialog.pathBox(), Qt::Key_Down);
            QTest::keyClick(dialog.pathBox(), Qt::Key_Down);
            QCOMPARE(dialog.pathBox()->currentText(), QString::fromStdString(F(3)));
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->action(cmd::kDirectory)->trigger();
        QCOMPARE(cal.dialogs.directoryRuns, 1);
        QCOMPARE(listed, 4);
        QCOMPARE(Stored(cal), (std::vector<std::string>{F(3), F(1), F(2), F(4), "NO_DIR",
                                                        "NO_DIR", "NO_DIR", "NO_DIR"}));
        QCOMPARE(cal.app->defaultFolder, F(3));
        QVERIFY(cal.prompt.shown.empty());

        cal.dialogs.nextFile.clear();   // Cancel in the file dialog
        cal.frame->activateWindow();   // the dialog took the activation with it
        QVERIFY(QTest::qWaitForWindowActive(cal.frame.get()));
        QTest::keyClick(cal.frame.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(cal.dialogs.lastRequest.folder, F(3));
        QVERIFY(!cal.dialogs.lastRequest.save);
        // Save starts there too.
        cal.Open(0);
        cal.dialogs.nextFile.clear();
        cal.dialogs.lastRequest = FileDialogRequest();
        cal.frame->OnCommand(cmd::kSave);
        QVERIFY(cal.dialogs.lastRequest.save);
        QCOMPARE(cal.dialogs.lastRequest.folder, F(3));
    }

    void eightFoldersAndABrowsedOneDropTheOldest() {
        TestCalibration cal(Paths(8));
        QString browseStart;
        cal.dialogs.directory = [&](CDirectoryDlg& dialog) {
            QCOMPARE(dialog.pathBox()->count(), 8);
            dialog.chooseFolder = [&](QWidget*, const QString& start) {
                browseStart = start;
                return QString("/mnt/new folder");
            };
            QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
            QCOMPARE(dialog.pathBox()->currentText(), QString("/mnt/new folder"));
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kDirectory);
        QCOMPARE(browseStart, QString("/work/f1"));
        QCOMPARE(Stored(cal), (std::vector<std::string>{"/mnt/new folder", "/work/f1", "/work/f2", "/work/f3",
                                                        "/work/f4", "/work/f5", "/work/f6", "/work/f7"}));
        QCOMPARE(cal.app->defaultFolder, std::string("/mnt/new folder"));
    }

    void aTypedFolderAndTheBrowserCancelled() {
        TestCalibration cal(Paths(2));
        cal.dialogs.directory = [&](CDirectoryDlg& dialog) {
            dialog.chooseFolder = [](QWidget*, const QString&) { return QString(); };
            QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
            QCOMPARE(dialog.pathBox()->currentText(), QString("/work/f1"));   // unchanged
            QLineEdit* edit = dialog.pathBox()->lineEdit();
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, "/work/f2");
            QTest::keyClick(edit, Qt::Key_Return);   // the default button
        };
        cal.frame->OnCommand(cmd::kDirectory);
        QCOMPARE(Stored(cal), (std::vector<std::string>{"/work/f2", "/work/f1", "NO_DIR", "NO_DIR", "NO_DIR",
                                                        "NO_DIR", "NO_DIR", "NO_DIR"}));
    }

    void path2MissingListsOnlyPath1AndCancelChangesNothing() {
        TestCalibration cal("[DIRECTORY]\nPATH1=/work/f1\nPATH3=/work/f3\n");
        const std::string before = cal.install.dir.Read("install/TST01/RV_Tune.INI");
        int listed = -1;
        cal.dialogs.directory = [&](CDirectoryDlg& dialog) {
            listed = dialog.pathBox()->count();
            dialog.pathBox()->lineEdit()->selectAll();
            QTest::keyClicks(dialog.pathBox()->lineEdit(), "/elsewhere");
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kDirectory);
        QCOMPARE(listed, 1);
        QCOMPARE(cal.install.dir.Read("install/TST01/RV_Tune.INI"), before);
        QCOMPARE(cal.app->defaultFolder, std::string("/work/f1"));
    }

    void aSettingsFileThatCannotBeWrittenKeepsTheDialogOpen() {
        TestCalibration cal(Paths(1));
        cal.app->settingsFilePath = cal.install.dir.File("gone/RV_Tune.INI");
        bool stayedOpen = false;
        cal.dialogs.directory = [&](CDirectoryDlg& dialog) {
            dialog.pathBox()->lineEdit()->setText("/work/x");
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            stayedOpen = dialog.isVisible();
        };
        cal.frame->OnCommand(cmd::kDirectory);
        QVERIFY(stayedOpen);
        QCOMPARE(cal.prompt.shown.size(), std::size_t{1});
        QCOMPARE(cal.prompt.shown[0].icon, PromptIcon::kStop);
        QCOMPARE(cal.app->defaultFolder, std::string("/work/f1"));
    }
};

QTEST_MAIN(DirectoryDlgTest)
#include "DirectoryDlgTest.moc"
