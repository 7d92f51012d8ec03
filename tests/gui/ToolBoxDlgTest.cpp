// "About ToolBox" from Help > Tool box...: the legend of the dialog bar's
// eleven buttons with their pictures and names, closed by OK or Close.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/CommandIds.h"
#include "app/gui/ToolIcons.h"
#include "tests/gui/TestCalibration.h"

class ToolBoxDlgTest : public QObject {
    Q_OBJECT

private slots:
    void theLegendNamesEveryToolButtonInBarOrder() {
        TestCalibration cal;
        QStringList names;
        bool picturesMatch = true;
        cal.dialogs.toolBox = [&](CToolBoxDlg& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("About ToolBox"));
            for (int i = 0; i < 11; ++i) {
                names << dialog.nameLabel(i)->text();
                const int command = kToolBoxLegend[i].command;
                // The legend shows the picture of the button the bar carries.
                const QImage shown = dialog.iconLabel(i)->pixmap().toImage();
                const QImage button = ToolIcon(command).pixmap(24, 24).toImage();
                picturesMatch = picturesMatch && !shown.isNull() && shown == button &&
                                cal.frame->toolButton(command) != nullptr;
                QVERIFY(dialog.nameLabel(i)->isVisible());
            }
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->action(cmd::kToolBox)->trigger();
        QCOMPARE(cal.dialogs.toolBoxRuns, 1);
        QCOMPARE(names, (QStringList{"Open", "Save", "Menu", "Copy", "Paste", "Undo", "Muitl Map Edit", "Monitor",
                                     "Set Item", "Data Exchange", "Constants list"}));
        QVERIFY(picturesMatch);
        QVERIFY(cal.prompt.shown.empty());   // no "not available" message any more
    }

    void okAndCloseBothEndIt() {
        TestCalibration cal;
        int okResult = -1, closeResult = -1, enterResult = -1;
        cal.dialogs.toolBox = [&](CToolBoxDlg& dialog) {
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            okResult = dialog.isVisible() ? -1 : dialog.result();
        };
        cal.frame->OnCommand(cmd::kToolBox);
        cal.dialogs.toolBox = [&](CToolBoxDlg& dialog) {
            QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
            closeResult = dialog.isVisible() ? -1 : dialog.result();
        };
        cal.frame->OnCommand(cmd::kToolBox);
        cal.dialogs.toolBox = [&](CToolBoxDlg& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Return);
            enterResult = dialog.isVisible() ? -1 : dialog.result();
        };
        cal.frame->OnCommand(cmd::kToolBox);
        QCOMPARE(okResult, int(QDialog::Accepted));
        QCOMPARE(closeResult, int(QDialog::Rejected));
        QCOMPARE(enterResult, int(QDialog::Accepted));   // Enter is OK
        // The legend is there with a calibration open as well.
        cal.Open(0);
        cal.dialogs.toolBox = nullptr;
        cal.frame->OnCommand(cmd::kToolBox);
        QCOMPARE(cal.dialogs.toolBoxRuns, 4);
    }
};

QTEST_MAIN(ToolBoxDlgTest)
#include "ToolBoxDlgTest.moc"
