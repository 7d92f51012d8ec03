// The Setup window driven with real clicks and keys: the Welcome page, the
// install page and its texts, Cancel, Browse, the folder checks, the machine
// choice, and an install whose progress bar runs to the end.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <unistd.h>

#include "platform/PathSearch.h"
#include "platform/RegistryStore.h"
#include "setup/SetupTexts.h"
#include "setup/gui/SetupWnd.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/FakeDistribution.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

struct Fixture {
    TempDir dir;
    std::string dist = fakedist::Make(dir);
    EnvOverride tmp{"TMPDIR", dir.File("tmp")};
    RegistryStore registry{dir.File("registry.reg")};
    RecordingPrompt prompt;
    SetupHost host{registry, prompt, {dir.File("home/apps"), dir.File("home/Desktop")}};
    std::unique_ptr<CSetupWnd> wnd;

    explicit Fixture(const std::string& destination = "") {
        fs::create_directories(dir.File("tmp"));
        wnd = std::make_unique<CSetupWnd>(host, dist, destination);
        wnd->show();
        QVERIFY(QTest::qWaitForWindowExposed(wnd.get()));
    }
    void ToInstallPage() { QTest::mouseClick(wnd->nextButton(), Qt::LeftButton); }
    void TypeFolder(const std::string& folder) {
        QTest::keyClick(wnd->folderEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(wnd->folderEdit(), Qt::Key_Delete);
        QTest::keyClicks(wnd->folderEdit(), QString::fromStdString(folder));
    }
    QStringList VisibleLabels() const {
        QStringList texts;
        for (QLabel* label : wnd->findChildren<QLabel*>())
            if (label->isVisible()) texts << label->text();
        return texts;
    }
};

}  // namespace

class SetupWndTest : public QObject {
    Q_OBJECT

private slots:
    void welcomeThenTheInstallPageWithItsTexts() {
        Fixture f("/opt/VOZA/RV_Tune");
        QCOMPARE(f.wnd->windowTitle(), QString("ZanP Setup"));
        QVERIFY(!f.wnd->onInstallPage());
        QVERIFY(f.VisibleLabels().join("\n").contains("Welcome to the Orvandel Setup program."));
        QTest::keyClick(f.wnd->nextButton(), Qt::Key_Space);   // Next by keyboard
        QVERIFY(f.wnd->onInstallPage());
        const QStringList labels = f.VisibleLabels();
        QVERIFY(labels.contains("Setup will install Orvandel in the following folder."));
        QVERIFY(labels.contains("You can choose not to install Orvandel by clicking Cancel to exit Setup."));
        QCOMPARE(f.wnd->browseButton()->text(), QString("B&rowse..."));
        QCOMPARE(f.wnd->installButton()->text(), QString("&Install"));
        QCOMPARE(f.wnd->cancelButton()->text(), QString("Cancel"));
        QCOMPARE(f.wnd->folderEdit()->text(), QString("/opt/VOZA/RV_Tune"));
        QCOMPARE(f.wnd->machineBox(0)->text(), QString("'26 Kestrel-450(KST26A)"));
        QCOMPARE(f.wnd->progressBar()->value(), 0);
        QCOMPARE(f.wnd->progressBar()->maximum(), kInstallStepCount);
    }

    void cancelOnEitherPageEndsWithoutInstalling() {
        Fixture first;
        QTest::mouseClick(first.wnd->welcomeCancelButton(), Qt::LeftButton);
        QCOMPARE(first.wnd->result(), int(QDialog::Rejected));
        QVERIFY(!first.wnd->isVisible());

        Fixture second;
        const std::string target = second.dir.File("target");
        second.ToInstallPage();
        second.TypeFolder(target);
        QTest::mouseClick(second.wnd->cancelButton(), Qt::LeftButton);
        QVERIFY(!second.wnd->isVisible());
        QCOMPARE(second.wnd->installResult(), -1);
        QVERIFY(!fs::exists(target));
        QVERIFY(second.prompt.shown.empty());
    }

    void browseFillsTheFolderAndCancelInItChangesNothing() {
        Fixture f("/opt/first");
        f.ToInstallPage();
        std::string startedAt;
        std::optional<std::string> answer = "/srv/chosen folder";
        f.wnd->setFolderChooser([&](QWidget*, const std::string& start) {
            startedAt = start;
            return answer;
        });
        QTest::mouseClick(f.wnd->browseButton(), Qt::LeftButton);
        QCOMPARE(startedAt, std::string("/opt/first"));
        QCOMPARE(f.wnd->folderEdit()->text(), QString("/srv/chosen folder"));
        answer.reset();
        f.wnd->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.wnd.get()));
        f.wnd->folderEdit()->setFocus();
        QTest::keyClick(f.wnd->folderEdit(), Qt::Key_Tab);   // on to Browse, pressed by keyboard
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.wnd->browseButton()));
        QTest::keyClick(f.wnd->browseButton(), Qt::Key_Space);
        QCOMPARE(startedAt, std::string("/srv/chosen folder"));
        QCOMPARE(f.wnd->folderEdit()->text(), QString("/srv/chosen folder"));
    }

    void invalidAndMissingFoldersAreRefusedOrOffered() {
        Fixture f;
        f.ToInstallPage();
        f.TypeFolder("relative/folder");
        QTest::mouseClick(f.wnd->installButton(), Qt::LeftButton);
        QCOMPARE(f.prompt.Last().text, std::string("The folder:\n\nrelative/folder\n\nis invalid. Please reenter."));
        QVERIFY(f.wnd->isVisible());
        QVERIFY(f.wnd->installButton()->isEnabled());

        const std::string target = f.dir.File("new/RV Tune");
        f.TypeFolder(target);
        f.prompt.answers = {PromptAnswer::kNo};
        QTest::mouseClick(f.wnd->installButton(), Qt::LeftButton);
        QVERIFY(f.prompt.Last().question);
        QCOMPARE(f.prompt.Last().text,
                 "The folder:\n\n" + target + "\n\ndoes not exist. Do you want the folder to be created?");
        QVERIFY(!fs::exists(target));
        QVERIFY(f.wnd->isVisible());
        QCOMPARE(f.wnd->progressBar()->value(), 0);
    }

    void everyMachineUntickedIsRefusedOnThePage() {
        Fixture f;
        f.ToInstallPage();
        const std::string target = f.dir.File("target");
        fs::create_directories(target);
        f.TypeFolder(target);
        for (std::size_t i = 0; i < kShippedMachineCount; ++i)
            QTest::mouseClick(f.wnd->machineBox(i), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseClick(f.wnd->installButton(), Qt::LeftButton);
        QCOMPARE(f.prompt.Last().text, std::string(setuptext::kNoMachineSelected));
        QVERIFY(f.wnd->isVisible());
        QVERIFY(f.wnd->installButton()->isEnabled());
        QCOMPARE(f.wnd->progressBar()->value(), 0);
        QVERIFY(fs::is_empty(target));
    }

    void chosenMachinesInstallAndTheProgressBarRunsToTheEnd() {
        Fixture f;
        f.ToInstallPage();
        const std::string target = f.dir.File("Program Files/RV_Tune");
        f.TypeFolder(target);
        for (std::size_t i : {1u, 2u, 3u, 4u}) QTest::mouseClick(f.wnd->machineBox(i), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(!f.wnd->machineBox(1)->isChecked());
        f.prompt.answers = {PromptAnswer::kYes};   // create the folder
        QTest::keyClick(f.wnd->folderEdit(), Qt::Key_Return);   // Install is the default button
        QCOMPARE(f.wnd->installResult(), int(kSetupOk));
        QCOMPARE(f.wnd->result(), int(QDialog::Accepted));
        QCOMPARE(f.wnd->progressBar()->value(), kInstallStepCount);
        QCOMPARE(f.prompt.Last().text, std::string("Setup has finished installing Orvandel on your computer."));
        QVERIFY(FileExists(target + "/KST26A/WORK/Standard_data.qsd"));
        QVERIFY(FileExists(target + "/HRR26E/RV_Tune.ini"));
        QVERIFY(!fs::exists(target + "/HRN26C"));
        QVERIFY(!fs::exists(target + "/PLV23A"));
    }

    void aFailedInstallEndsWithItsMessage() {
        Fixture f;
        ::unlink((f.dist + "RV_Tune.bm_").c_str());
        f.ToInstallPage();
        const std::string target = f.dir.File("target");
        fs::create_directories(target);
        f.TypeFolder(target);
        QTest::mouseClick(f.wnd->installButton(), Qt::LeftButton);
        QCOMPARE(f.wnd->installResult(), int(kSetupFailed));
        QVERIFY(!f.wnd->isVisible());
        QCOMPARE(f.prompt.Last().text, "[" + target + "/RV_Tune.bmp] Fail to copy file.");
    }
};

QTEST_MAIN(SetupWndTest)
#include "SetupWndTest.moc"
