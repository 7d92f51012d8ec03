// The "RS232C Parameter" dialog from the main frame: only the port group is
// shown, OK without a port is refused and keeps the dialog, a chosen port
// goes to the settings file and the registry, and the next ECU operation
// talks over it (ecusim answers on COM2 only).
#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "ecu/EcuSession.h"
#include "ecu/SerialLink.h"
#include "ecu/gui/DataExchangeDlg.h"
#include "ecu/gui/Rs232cDlg.h"
#include "model/Strings.h"
#include "tests/gui/EcuFrame.h"

using namespace ecuframe;

namespace {

void ClickRadio(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// Runs the dialog from "&RS232C..." with steps; they end it themselves.
int RunRs232c(EcuFrame& f, const std::function<void(CRs232cDlg&)>& steps) {
    int result = -1;
    f.dialogs.rs232c = [&](CRs232cDlg& dialog) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) qFatal("RS232C dialog not shown");
        steps(dialog);
        result = dialog.isVisible() ? -1 : dialog.result();
        if (dialog.isVisible()) dialog.reject();
        return result;
    };
    f.frame->OnCommand(cmd::kRs232c);
    return result;
}

// No port in the settings file, none in the registry, and ecusim on COM2.
Options NoPort() {
    Options options;
    options.settings = Settings("");
    options.comName = "RV_TUNE_COM2";
    return options;
}

}  // namespace

class Rs232cDlgTest : public QObject {
    Q_OBJECT

private slots:
    void withoutAPortOkIsRefusedAndTheDialogStays() {
        EcuFrame f(NoPort());
        QCOMPARE(f.app->portCode, -1);
        const std::string settings = f.SettingsText();
        const int result = RunRs232c(f, [&](CRs232cDlg& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("RS232C Parameter"));
            QVERIFY(dialog.group(Rs232cGroup::kPort)->isVisible());
            for (Rs232cGroup hidden : {Rs232cGroup::kSpeed, Rs232cGroup::kBit, Rs232cGroup::kParity, Rs232cGroup::kStop})
                QVERIFY(!dialog.group(hidden)->isVisible() && !dialog.group(hidden)->isEnabled());
            QVERIFY(!dialog.flowBox()->isVisible());
            QVERIFY(!dialog.defaultButton()->isVisible() && !dialog.defaultButton()->isEnabled());
            // The hidden groups hold the codes the program runs with: 19200, 8 bits.
            QVERIFY(dialog.radio(1076)->isChecked());
            QVERIFY(dialog.radio(1078)->isChecked());
            for (int id : {1090, 1091, 1092, 1093, 1098, 1099, 1100, 1101}) QVERIFY(!dialog.radio(id)->isChecked());
            // The port group moved to the left edge.
            QVERIFY(dialog.group(Rs232cGroup::kPort)->x() < 30);

            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            QVERIFY(dialog.isVisible());
            QCOMPARE(f.prompt.shown.size(), std::size_t{1});
            QCOMPARE(f.prompt.Last().text, std::string("All Parameters are not defined"));
            QCOMPARE(f.prompt.Last().caption, std::string("RS232C Parameter Set"));
            QCOMPARE(f.prompt.Last().icon, PromptIcon::kExclamation);
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(f.app->portCode, -1);
        QCOMPARE(f.SettingsText(), settings);
    }

    void aChosenPortIsWrittenAndUsedByTheNextRead() {
        EcuFrame f(NoPort());
        f.Open();
        f.prompt.shown.clear();
        // Without a port the ECU cannot be reached.
        f.dialogs.exchange = [&](CDataExchangeDlg& dialog) {
            dialog.show();
            dialog.runChoice = [](CExchangeChoiceDlg& choice) {
                choice.show();
                QTest::mouseClick(choice.okButton(), Qt::LeftButton);   // "ECU Data" is preselected
                return choice.result();
            };
            QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
            QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
            return dialog.result();
        };
        f.frame->OnCommand(cmd::kDataExchange);
        QCOMPARE(f.prompt.shown.size(), std::size_t{1});
        QCOMPARE(f.prompt.Last().text, Str(str::kNoResponse));
        f.prompt.shown.clear();

        const int result = RunRs232c(f, [&](CRs232cDlg& dialog) {
            ClickRadio(dialog.radio(1091));   // "Port2"
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(f.prompt.shown.empty());
        QCOMPARE(f.app->portCode, 1);
        QVERIFY(f.SettingsText().find("PORT=PORT2") != std::string::npos);
        QVERIFY(f.install.dir.Read("registry.reg").find("\"Rs232cPort\"=dword:00000001") != std::string::npos);

        f.frame->OnCommand(cmd::kDataExchange);
        QVERIFY(f.prompt.shown.empty());

        // Port6 is code 5; the dialog shows the port in use when it opens.
        RunRs232c(f, [&](CRs232cDlg& dialog) {
            QVERIFY(dialog.radio(1091)->isChecked());
            ClickRadio(dialog.radio(1099));
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        });
        QCOMPARE(f.app->portCode, 5);
        QVERIFY(f.SettingsText().find("PORT=PORT6") != std::string::npos);
    }
};

QTEST_MAIN(Rs232cDlgTest)
#include "Rs232cDlgTest.moc"
