#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app/gui/MachineSelectDlg.h"
#include "app/QelApp.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

class MachineSelectDlgTest : public QObject {
    Q_OBJECT

    struct Setup {
        TempDir dir;
        RecordingPrompt prompt;
        std::unique_ptr<CQelApp> app;
        explicit Setup(const std::string& list, const std::string& registryValues = "") {
            if (!list.empty()) dir.Write("install/MCN_LIST.DAT", list);
            dir.Write("registry.reg", TestRegistryText(TestInstallValues(dir.File("install")) + registryValues));
            AppOptions options;
            options.registryPath = dir.File("registry.reg");
            app = std::make_unique<CQelApp>(options);
            app->registry.LoadRegistrySettings(app->registryStore());
        }
        std::unique_ptr<RegistrySettings> Reread() {
            auto settings = std::make_unique<RegistrySettings>();
            settings->LoadRegistrySettings(RegistryStore(dir.File("registry.reg")));
            return settings;
        }
    };

    static void ClickRow(QListWidget* list, int row) {
        QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

private slots:
    void firstStartWritesTheFiveValuesWithoutAQuestion() {
        Setup s("Alpha 450,ORV,ALP,480\nno commas here\nBeta 600,ORV,BET,0\n,ORV,X\nGamma,ORV,GAM,8\n");
        CMachineSelectDlg dlg(*s.app, s.prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.windowTitle(), QString("Machine Select"));
        QCOMPARE(dlg.machineList()->count(), 3);
        QCOMPARE(dlg.machineList()->currentRow(), 0);
        ClickRow(dlg.machineList(), 1);
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(s.prompt.shown.empty());
        auto stored = s.Reread();
        QCOMPARE(stored->machineName, std::string("Beta 600"));
        QCOMPARE(stored->machineFolder, std::string("BET"));
        QCOMPARE(stored->initializeFolder, std::string("BET"));
        QCOMPARE(stored->settingFolder, std::string("BET"));
        QCOMPARE(stored->readEcuNum, 1);
    }

    void choosingAnotherMachineAsksFirst() {
        Setup s("Alpha 450,ORV,ALP,480\nGamma,ORV,GAM,8\n",
                "\"MachineName\"=\"Alpha 450\"\n\"MachineFolder\"=\"ALP\"\n"
                "\"InitializeFolder\"=\"ALP\"\n\"SettingFolder\"=\"ALP\"\n");
        CMachineSelectDlg dlg(*s.app, s.prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        ClickRow(dlg.machineList(), 1);
        s.prompt.answers = {PromptAnswer::kCancel};
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(s.prompt.shown.size(), std::size_t{1});
        QCOMPARE(s.Reread()->machineName, std::string("Alpha 450"));

        s.prompt.answers = {PromptAnswer::kOk};
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(s.Reread()->machineName, std::string("Gamma"));
        QCOMPARE(s.Reread()->readEcuNum, 1);
    }

    void doubleClickActsAsOk() {
        Setup s("Alpha 450,ORV,ALP\nGamma,ORV,GAM\n");
        CMachineSelectDlg dlg(*s.app, s.prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QListWidget* list = dlg.machineList();
        QPoint centre = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(s.Reread()->machineName, std::string("Gamma"));
        QCOMPARE(s.Reread()->readEcuNum, 30);
    }

    void cancelWithoutAMachineAsksTheExitQuestion() {
        Setup s("");   // no machine list: the list stays empty
        CMachineSelectDlg dlg(*s.app, s.prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.machineList()->count(), 0);
        QVERIFY(dlg.windowTitle() != QString("Machine Select"));
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);   // nothing to choose
        QVERIFY(dlg.isVisible());
        QVERIFY(s.prompt.shown.empty());

        s.prompt.answers = {PromptAnswer::kCancel};
        QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(s.prompt.shown.size(), std::size_t{1});
        QCOMPARE(s.prompt.Last().icon, PromptIcon::kExclamation);

        s.prompt.answers = {PromptAnswer::kOk};
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QCOMPARE(dlg.result(), CMachineSelectDlg::kExitProgram);
        QVERIFY(!s.Reread()->HasMachine());
    }
};

QTEST_MAIN(MachineSelectDlgTest)
#include "MachineSelectDlgTest.moc"
