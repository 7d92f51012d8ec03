// The Menu dialog: the map groups of "MAP LIST", OK, Exit and the map link.
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app/gui/MenuDlg.h"
#include "tests/gui/TestCalibration.h"

namespace {
struct RecordingHost : MenuDlgHost {
    int constants = 0, exchange = 0, refills = 0, closes = 0;
    void ConstantsList() override { ++constants; }
    void DataExchange() override { ++exchange; }
    void RefillMapSelector() override { ++refills; }
    bool MultiMapEdit() override { return false; }
    void RequestClose() override { ++closes; }
};
}  // namespace

class MenuDlgTest : public QObject {
    Q_OBJECT

    static void Loaded(TestCalibration& cal) {
        cal.Open(-1);   // the data loaded, no map chosen
        cal.prompt.shown.clear();
    }
    static QStringList Items(QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
        return items;
    }

private slots:
    void withoutAMapListEveryMapIsAnOtherMap() {
        TestCalibration cal;
        Loaded(cal);
        RecordingHost host;
        CMenuDlg dlg(*cal.app, cal.prompt, host);
        QCOMPARE(Items(dlg.groupList()), QStringList{"Other Map"});
        QCOMPARE(Items(dlg.mapList()), (QStringList{"Main", "Twin"}));
        QCOMPARE(dlg.mapList()->item(1)->data(Qt::UserRole).toInt(), 1);
        QVERIFY(!dlg.multiMapButton()->isEnabled());
        dlg.show();
        QTest::mouseClick(dlg.mapList()->viewport(), Qt::LeftButton, {},
                          dlg.mapList()->visualItemRect(dlg.mapList()->item(1)).center());
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.ChosenMap(), 1);
    }

    void groupsComeFromTheMapListAndANamedMapLeavesTheOthers() {
        TestCalibration cal("[MAP LIST]\nLIST=Rest\nLIST1=Twin,Ignition\nLIST2=Nothing,Ignition\nLIST3=,Empty\n");
        Loaded(cal);
        RecordingHost host;
        CMenuDlg dlg(*cal.app, cal.prompt, host);
        QCOMPARE(Items(dlg.groupList()), (QStringList{"Ignition", "Rest"}));
        QCOMPARE(dlg.groupList()->currentRow(), 0);   // the first group, not the others'
        QCOMPARE(Items(dlg.mapList()), QStringList{"Twin"});
        dlg.groupList()->setCurrentRow(1);
        QCOMPARE(Items(dlg.mapList()), QStringList{"Main"});
    }

    void whenEveryMapIsNamedNothingIsChosenUntilAGroupIs() {
        TestCalibration cal("[MAP LIST]\nLIST1=Main,Fuel\nLIST2=Twin,Fuel\n");
        Loaded(cal);
        RecordingHost host;
        CMenuDlg dlg(*cal.app, cal.prompt, host);
        dlg.show();
        QCOMPARE(dlg.groupList()->currentRow(), -1);
        QCOMPARE(dlg.mapList()->count(), 0);
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), 0);
    }

    void exitAsksAndEndsWithTheExitCode() {
        TestCalibration cal;
        Loaded(cal);
        RecordingHost host;
        CMenuDlg dlg(*cal.app, cal.prompt, host);
        dlg.show();
        cal.prompt.answers = {PromptAnswer::kCancel};
        QTest::mouseClick(dlg.exitButton(), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(cal.prompt.Last().text, std::string("Are you exit ?"));
        QCOMPARE(cal.prompt.Last().caption, std::string("Menu"));
        cal.prompt.answers = {PromptAnswer::kOk};
        QTest::mouseClick(dlg.exitButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), CMenuDlg::kExitCommand);
        QCOMPARE(host.closes, 1);
    }

    void anActiveMapLinkIsClearedOnlyWhenTheUserAgrees() {
        TestCalibration cal;
        Loaded(cal);
        cal.app->mapLinkState = 0;
        cal.app->mapLink.linkList = {"Main", "Twin"};
        RecordingHost host;
        CMenuDlg dlg(*cal.app, cal.prompt, host);
        dlg.show();
        dlg.mapList()->setCurrentRow(0);
        cal.prompt.answers = {PromptAnswer::kCancel};
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(cal.prompt.Last().text, std::string("Do you clear map link?"));
        QCOMPARE(cal.app->mapLinkState, 0);
        cal.prompt.answers = {PromptAnswer::kOk};
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(cal.app->mapLinkState, int(kLinkNone));
        QVERIFY(cal.app->mapLink.linkList.empty());
        QCOMPARE(host.refills, 1);
    }

    void theOtherButtonsRunTheirOperationsAndKeepTheDialog() {
        TestCalibration cal;
        Loaded(cal);
        RecordingHost host;
        CMenuDlg dlg(*cal.app, cal.prompt, host);
        dlg.show();
        QTest::mouseClick(dlg.constantsButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.exchangeButton(), Qt::LeftButton);
        QCOMPARE(host.constants, 1);
        QCOMPARE(host.exchange, 1);
        QVERIFY(dlg.isVisible());
    }
};

QTEST_MAIN(MenuDlgTest)
#include "MenuDlgTest.moc"
