// The "Set Monitor data" dialog from the main frame: the 30-entry limit, the
// move of an item already listed, OK and Cancel, the monitor window rebuilt,
// and the selection kept in the settings file across a restart.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include "ecu/Monitor.h"
#include "ecu/gui/ItemSetDlg.h"
#include "ecu/gui/MonitorWnd.h"
#include "tests/gui/EcuFrame.h"

using namespace ecuframe;

namespace {

void ClickRow(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QStringList Texts(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

// Runs the dialog from "&Item set..." with steps, then OK (or Cancel).
void RunItemSet(EcuFrame& f, const std::function<void(CItemSetDlg&)>& steps, bool ok = true) {
    f.dialogs.itemSet = [&](CItemSetDlg& dialog) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) qFatal("item set dialog not shown");
        steps(dialog);
        QTest::mouseClick(ok ? dialog.okButton() : dialog.cancelButton(), Qt::LeftButton);
        return dialog.result();
    };
    f.frame->OnCommand(cmd::kItemSet);
}

Options ThirtyTwoItems() {
    Options options;
    options.diagItems = NumberedItems(32);
    options.startSim = false;
    return options;
}

std::vector<std::uint8_t> Entries(EcuFrame& f) { return f.frame->LiveMonitor().DialogList().Entries(); }

}  // namespace

class ItemSetDlgTest : public QObject {
    Q_OBJECT

private slots:
    void theThirtyFirstItemCannotBeAddedAndOkKeepsTheThirty() {
        EcuFrame f(ThirtyTwoItems());
        f.frame->UpdateCommandUi();
        QVERIFY(!f.frame->action(cmd::kItemSet)->isEnabled());   // no calibration
        f.Open();
        f.frame->UpdateCommandUi();
        QVERIFY(f.frame->action(cmd::kItemSet)->isEnabled());
        QCOMPARE(Entries(f).size(), std::size_t{15});   // the first fifteen without a stored list
        RunItemSet(f, [&](CItemSetDlg& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Set Monitor data"));
            QCOMPARE(dialog.itemList()->count(), 32);
            QCOMPARE(dialog.itemList()->item(31)->text(), QString("Sensor 32"));
            QCOMPARE(dialog.dialogList()->count(), 15);
            QVERIFY(!dialog.statusBarList()->isVisible());
            QVERIFY(!dialog.addButton(ItemSet::kStatusBar)->isVisible());
            QCOMPARE(dialog.addButton()->text(), QString(">>(&A)"));
            QCOMPARE(dialog.removeButton()->text(), QString("<<(&D)"));
            QVERIFY(!dialog.addButton()->isEnabled());      // nothing chosen on the left
            QVERIFY(!dialog.removeButton()->isEnabled());   // nor in the list
            for (int item = 15; item < 30; ++item) {
                ClickRow(dialog.itemList(), item);
                QVERIFY(dialog.addButton()->isEnabled());
                QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
            }
            QCOMPARE(dialog.dialogList()->count(), 30);
            QCOMPARE(dialog.dialogList()->item(29)->text(), QString("Sensor 30"));
            QVERIFY(!dialog.addButton()->isEnabled());
            ClickRow(dialog.itemList(), 30);
            QVERIFY(!dialog.addButton()->isEnabled());
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
            QCOMPARE(dialog.dialogList()->count(), 30);
            // Alt+A does nothing either.
            QTest::keyClick(&dialog, Qt::Key_A, Qt::AltModifier);
            QCOMPARE(dialog.dialogList()->count(), 30);
            // One out, and there is room again.
            ClickRow(dialog.dialogList(), 0);
            QVERIFY(dialog.removeButton()->isEnabled());
            QTest::mouseClick(dialog.removeButton(), Qt::LeftButton);
            QCOMPARE(dialog.dialogList()->count(), 29);
            QCOMPARE(dialog.dialogList()->item(0)->text(), QString("Sensor 02"));
            QVERIFY(dialog.addButton()->isEnabled());
            dialog.dialogList()->clearSelection();
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);   // Sensor 31, appended
            QCOMPARE(dialog.dialogList()->item(29)->text(), QString("Sensor 31"));
            QVERIFY(!dialog.addButton()->isEnabled());
        });
        QCOMPARE(Entries(f).size(), std::size_t{30});
        QCOMPARE(int(Entries(f).front()), 1);
        QCOMPARE(int(Entries(f).back()), 30);
        // OK saved the list in the settings file.
        const std::string settings = f.SettingsText();
        QVERIFY(settings.find("SELECT0=Sensor 02") != std::string::npos);
        QVERIFY(settings.find("SELECT29=Sensor 31") != std::string::npos);
    }

    void anItemAlreadyListedMovesAndCancelChangesNothing() {
        EcuFrame f(ThirtyTwoItems());
        f.Open();
        RunItemSet(f, [&](CItemSetDlg& dialog) {
            ClickRow(dialog.dialogList(), 1);       // Sensor 02
            ClickRow(dialog.itemList(), 9);         // Sensor 10, listed at 9
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
            QCOMPARE(dialog.dialogList()->count(), 15);
            QCOMPARE(Texts(dialog.dialogList()).mid(0, 4),
                     (QStringList{"Sensor 01", "Sensor 10", "Sensor 02", "Sensor 03"}));
            QCOMPARE(Texts(dialog.dialogList()).count("Sensor 10"), 1);
            QCOMPARE(dialog.dialogList()->currentRow(), 2);   // Sensor 02 stays chosen
        }, false);
        QCOMPARE(int(Entries(f)[1]), 1);   // Cancel: as before
        QVERIFY(f.SettingsText().find("SELECT0") == std::string::npos);

        RunItemSet(f, [&](CItemSetDlg& dialog) {
            ClickRow(dialog.dialogList(), 1);
            ClickRow(dialog.itemList(), 9);
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        });
        QCOMPARE(int(Entries(f)[1]), 9);
        QCOMPARE(int(Entries(f)[2]), 1);
        QCOMPARE(Entries(f).size(), std::size_t{15});
    }

    void theSelectionSurvivesARestartAndRebuildsAShownMonitor() {
        Options options = ThirtyTwoItems();
        options.startSim = true;
        EcuFrame f(options);
        f.Open();
        f.frame->OnCommand(cmd::kMonitor);
        CMonitorWnd* monitor = f.frame->MonitorWindow();
        QVERIFY(monitor && monitor->isVisible());
        QCOMPARE(monitor->UsedRows(), 15);
        const int fullHeight = monitor->sizeHint().height();
        RunItemSet(f, [&](CItemSetDlg& dialog) {
            while (dialog.dialogList()->count() > 3) {
                ClickRow(dialog.dialogList(), 0);
                QTest::mouseClick(dialog.removeButton(), Qt::LeftButton);
            }
            ClickRow(dialog.itemList(), 31);
            ClickRow(dialog.dialogList(), 0);
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
            QCOMPARE(Texts(dialog.dialogList()), (QStringList{"Sensor 32", "Sensor 13", "Sensor 14", "Sensor 15"}));
        });
        // The shown window follows at once, and is shorter.
        QCOMPARE(monitor->UsedRows(), 4);
        QCOMPARE(monitor->nameLabel(0)->text(), QString("Sensor 32"));
        QVERIFY(!monitor->nameLabel(4)->isVisible());
        QVERIFY(monitor->sizeHint().height() < fullHeight);

        f.Restart();
        f.Open();
        const std::vector<std::uint8_t> expected{31, 12, 13, 14};
        QVERIFY(Entries(f) == expected);
        f.frame->OnCommand(cmd::kMonitor);
        QCOMPARE(f.frame->MonitorWindow()->nameLabel(0)->text(), QString("Sensor 32"));
        QCOMPARE(f.frame->MonitorWindow()->UsedRows(), 4);
    }

    void theDialogBarsSetItemButtonOpensTheDialog() {
        EcuFrame f(ThirtyTwoItems());
        f.Open();
        bool shown = false;
        f.dialogs.itemSet = [&](CItemSetDlg& dialog) {
            shown = dialog.dialogList()->count() == 15;
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(f.frame->toolButton(cmd::kItemSet), Qt::LeftButton);
        QVERIFY(shown);
    }

    void closingTheCalibrationSavesTheList() {
        EcuFrame f(ThirtyTwoItems());
        f.Open();
        f.frame->LiveMonitor().SetDialogList({5, 3});
        f.frame->OnCommand(cmd::kClose);
        const std::string settings = f.SettingsText();
        QVERIFY(settings.find("SELECT0=Sensor 06") != std::string::npos);
        QVERIFY(settings.find("SELECT1=Sensor 04") != std::string::npos);
        QVERIFY(settings.find("SELECT2=") == std::string::npos);
        // A stored name the definition does not know: the default again.
        f.install.dir.Write("install/TST01/RV_Tune.INI",
                            Settings() + "[DIAGSELECT]\nSELECT0=Sensor 06\nSELECT1=Gone\n");
        f.Open();
        QCOMPARE(Entries(f).size(), std::size_t{15});
    }
};

QTEST_MAIN(ItemSetDlgTest)
#include "ItemSetDlgTest.moc"
