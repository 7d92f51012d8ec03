// "Multi Map Edit" through the main frame on a machine with four fuel maps
// of one shape and a spark map of another: the dialog's rules and checks,
// edits reaching every map of a group, Individual Edit, and the link read
// again from the definition.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "app/CommandIds.h"
#include "files/SRecord.h"
#include "tests/gui/TestCalibration.h"

// Checks inside the dialog scripts, which must return the dialog's result;
// the test looks at the list afterwards.
QStringList failures;
#define CHECK(condition) \
    do { \
        if (!(condition)) failures << QString("%1:%2").arg(__LINE__).arg(#condition); \
    } while (0)

namespace {

std::string Definition(const std::string& multiMap = "") {
    std::string text = "[Free Map]\n1000,10FF,0000\n";
    for (const char* name : {"Fuel1", "Fuel2", "Fuel3", "Fuel4", "Spark1"})
        text += std::string(name) + ",0,A,map\nTHROT,0,100,x/2,x*2\nRPM,0,12750,x*50,x/50\nFuel,0,25.5,x/10,x*10\n";
    return text + "[Multi Map]\n" + multiMap + "[Calib]\n103E,1,Idle,10,0,rpm,1\n";
}

// Fuel1..Fuel4 (2 x 3) at 0x1000 + 13 n, DATA 7 bytes in; Spark1 (2 x 2) at 0x1034.
std::string CalibrationFile() {
    Image image{};
    std::uint16_t a = 0x1000;
    for (int m = 0; m < 4; ++m)
        for (std::uint8_t b : {2, 3, 0x00, 0xC8, 0x14, 0x28, 0x3C, 10, 20, 30, 40, 50, 60})
        {
            image[a] = static_cast<std::uint8_t>(b + (a >= 0x1000 + 13 * m + 7 ? m : 0));
            ++a;
        }
    for (std::uint8_t b : {2, 2, 0x00, 0xC8, 0x14, 0x28, 1, 2, 3, 4}) image[a++] = b;
    std::uint8_t sum = 0;
    for (std::uint32_t i = 0x1000; i < 0x103F; ++i) sum = static_cast<std::uint8_t>(sum + image[i]);
    image[0x103F] = static_cast<std::uint8_t>(0x7F - sum);
    std::string text = "[Machine]\nModel,TST01\n[Data]\nCalib:\n";
    for (std::uint32_t i = 0x1000; i <= 0x103F; i += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(i), &image[i], 16) + "\n";
    return text + "S9030000FC\nFixed:\n";
}

constexpr std::uint16_t kData[4] = {0x1007, 0x1014, 0x1021, 0x102E};

// Picks entry index (0 = none) of the list with the keyboard.
void Pick(QComboBox* combo, int index) {
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(combo, Qt::Key_Down);
}

void ShowDialog(CMultiMapDlg& dialog) {
    dialog.show();
    dialog.activateWindow();
    if (!QTest::qWaitForWindowActive(&dialog)) qFatal("dialog not active");
}

QStringList SelectorEntries(TestCalibration& cal) {
    QStringList entries;
    for (int i = 0; i < cal.frame->mapSelector()->count(); ++i) entries << cal.frame->mapSelector()->itemText(i);
    return entries;
}

void TypeData(TestCalibration& cal, const char* text) {
    QLineEdit* data = cal.frame->dataField();
    data->setFocus();
    data->selectAll();
    QTest::keyClicks(data, text);
    QTest::mouseClick(cal.frame->okButton(), Qt::LeftButton);
}

}  // namespace

class MultiMapDlgTest : public QObject {
    Q_OBJECT
private slots:
    void linkingTwoMapsMakesOneEditChangeBoth() {
        TestCalibration cal(Definition(), CalibrationFile());
        cal.Open(0);
        CHECK(cal.ActionEnabled(cmd::kMultiMapEdit));
        CHECK(!cal.ActionEnabled(cmd::kIndividualEdit));
        bool rulesChecked = false;
        cal.dialogs.multiMap = [&](CMultiMapDlg& dialog) {
            ShowDialog(dialog);
            CHECK((dialog.windowTitle()) == (QString("Multi Map Edit")));
            // Nothing chosen yet: no mode, no OK, no Individual Edit.
            CHECK(!dialog.okButton()->isEnabled());
            CHECK(!dialog.allInOneChoice()->isEnabled());
            CHECK(!dialog.individualButton()->isEnabled());
            Pick(dialog.mapList(0), 1);
            Pick(dialog.mapList(1), 2);
            CHECK(dialog.allInOneChoice()->isEnabled());
            CHECK(!dialog.twoGroupsChoice()->isEnabled());
            CHECK(dialog.okButton()->isEnabled());
            rulesChecked = true;
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            return dialog.result();
        };
        cal.prompt.answers.push_back(PromptAnswer::kOk);   // "Do you execute map link?"
        cal.frame->OnCommand(cmd::kMultiMapEdit);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        QVERIFY(rulesChecked);
        QCOMPARE(cal.prompt.Last().text, std::string("Do you execute map link?"));
        QCOMPARE(cal.app->mapLinkState, 0);
        QCOMPARE(SelectorEntries(cal), QStringList{"#1,#2"});
        QCOMPARE(cal.Map().name, std::string("Fuel1"));
        QVERIFY(cal.ActionEnabled(cmd::kIndividualEdit));

        // One typed value: the same cell of both maps, not of the others.
        TypeData(cal, "9.9");
        QCOMPARE(cal.Byte(kData[0]), std::uint8_t{99});
        QCOMPARE(cal.Byte(kData[1]), std::uint8_t{99});
        QCOMPARE(cal.Byte(kData[2]), std::uint8_t{12});
        // Undo gives both back.
        cal.frame->OnCommand(cmd::kUndo);
        QCOMPARE(cal.Byte(kData[0]), std::uint8_t{10});
        QCOMPARE(cal.Byte(kData[1]), std::uint8_t{11});

        // Individual Edit from the menu ends the link.
        cal.prompt.answers.push_back(PromptAnswer::kOk);
        cal.frame->OnCommand(cmd::kIndividualEdit);
        QCOMPARE(cal.prompt.Last().text, std::string("Do you cancel map link?"));
        QCOMPARE(cal.app->mapLinkState, 2);
        QCOMPARE(SelectorEntries(cal).size(), 5);
        TypeData(cal, "7.7");
        QCOMPARE(cal.Byte(kData[0]), std::uint8_t{77});
        QCOMPARE(cal.Byte(kData[1]), std::uint8_t{11});
    }

    void checksKeepTheDialogOpen() {
        TestCalibration cal(Definition(), CalibrationFile());
        cal.Open(0);
        std::vector<std::string> seen;
        cal.dialogs.multiMap = [&](CMultiMapDlg& dialog) {
            ShowDialog(dialog);
            auto ok = [&] {
                QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
                if (!cal.prompt.shown.empty()) seen.push_back(cal.prompt.Last().text);
                CHECK((cal.prompt.Last().caption) == (std::string("Multi Map Edit")));
            };
            Pick(dialog.mapList(0), 1);
            Pick(dialog.mapList(1), 2);
            Pick(dialog.mapList(2), 2);   // Fuel2 twice
            ok();
            Pick(dialog.mapList(2), 3);   // #3 without #4
            ok();
            Pick(dialog.mapList(2), 0);
            Pick(dialog.mapList(1), 5);   // Spark1: another shape
            ok();
            CHECK(dialog.isVisible());
            // All four: two groups, asked once; OK again in that mode asks nothing.
            Pick(dialog.mapList(1), 2);
            Pick(dialog.mapList(2), 3);
            Pick(dialog.mapList(3), 4);
            CHECK(dialog.twoGroupsChoice()->isEnabled());
            QTest::mouseClick(dialog.twoGroupsChoice(), Qt::LeftButton);
            cal.prompt.answers.push_back(PromptAnswer::kCancel);
            ok();   // cancelled: stays open
            CHECK(dialog.isVisible());
            cal.prompt.answers.push_back(PromptAnswer::kOk);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            return dialog.result();
        };
        cal.frame->OnCommand(cmd::kMultiMapEdit);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        QCOMPARE(seen.size(), std::size_t{4});
        QCOMPARE(seen[0], std::string("Map names are piled up"));
        QCOMPARE(seen[1], std::string("#3Map and #4Map must be both empth \n or both not empty"));
        QCOMPARE(seen[2], std::string("Data count is different. \n Can't Execute map link."));
        QCOMPARE(seen[3], std::string("Do you execute map link?"));
        QCOMPARE(cal.app->mapLinkState, 1);
        QCOMPARE(SelectorEntries(cal), (QStringList{"#1,#4", "#2,#3"}));

        // The group #2,#3 opens Fuel2 and writes Fuel3 with it.
        cal.frame->mapSelector()->setFocus();
        QTest::keyClick(cal.frame->mapSelector(), Qt::Key_Down);
        QCOMPARE(cal.Map().name, std::string("Fuel2"));
        TypeData(cal, "4.4");
        QCOMPARE(cal.Byte(kData[1]), std::uint8_t{44});
        QCOMPARE(cal.Byte(kData[2]), std::uint8_t{44});
        QCOMPARE(cal.Byte(kData[0]), std::uint8_t{10});
        QCOMPARE(cal.Byte(kData[3]), std::uint8_t{13});

        // The same mode again asks nothing; Individual Edit in the dialog asks 3005.
        const std::size_t before = cal.prompt.shown.size();
        cal.dialogs.multiMap = [&](CMultiMapDlg& dialog) {
            ShowDialog(dialog);
            CHECK(dialog.twoGroupsChoice()->isChecked());
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            return dialog.result();
        };
        cal.frame->OnCommand(cmd::kMultiMapEdit);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        QCOMPARE(cal.prompt.shown.size(), before);
        cal.dialogs.multiMap = [&](CMultiMapDlg& dialog) {
            ShowDialog(dialog);
            cal.prompt.answers.push_back(PromptAnswer::kOk);
            QTest::mouseClick(dialog.individualButton(), Qt::LeftButton);
            return dialog.result();
        };
        cal.frame->OnCommand(cmd::kMultiMapEdit);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        QCOMPARE(cal.prompt.Last().text, std::string("Do you cancel map link?"));
        QCOMPARE(cal.prompt.Last().caption, std::string("Multi Map Edit"));
        QCOMPARE(cal.app->mapLinkState, 2);
        QVERIFY(cal.app->mapLink.linkList.empty());
    }

    void aFixedLinkComesBackAfterIndividualEditAndAReset() {
        TestCalibration cal(Definition("Fuel1,1\nFuel3,2\n"), CalibrationFile());
        cal.Open(0);
        QCOMPARE(cal.app->mapLink.linkList, (std::vector<std::string>{"Fuel1", "Fuel3"}));
        auto link = [&](CMultiMapDlg& dialog) {
            ShowDialog(dialog);
            for (int i = 0; i < 4; ++i) CHECK(!dialog.mapList(i)->isEnabled());
            CHECK((dialog.mapList(0)->currentText()) == (QString("Fuel1")));
            CHECK((dialog.mapList(1)->currentText()) == (QString("Fuel3")));
            cal.prompt.answers.push_back(PromptAnswer::kOk);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            return dialog.result();
        };
        cal.dialogs.multiMap = link;
        cal.frame->OnCommand(cmd::kMultiMapEdit);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
        QCOMPARE(cal.app->mapLinkState, 0);
        cal.prompt.answers.push_back(PromptAnswer::kOk);
        cal.frame->OnCommand(cmd::kIndividualEdit);
        QCOMPARE(cal.app->mapLink.linkList, (std::vector<std::string>{"Fuel1", "Fuel3"}));
        cal.frame->OnCommand(cmd::kMultiMapEdit);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));   // the lists still hold the fixed maps
        QCOMPARE(cal.app->mapLinkState, 0);

        // Closing the last window resets to the loaded data: 3008, groups read again.
        for (CQelView* view : cal.frame->Views()) view->parentWidget()->close();
        QTRY_VERIFY(cal.frame->Views().empty());
        QCOMPARE(cal.prompt.Last().text, std::string("Map link was cleared."));
        QCOMPARE(cal.app->mapLinkState, 2);
        QCOMPARE(cal.app->mapLink.linkList, (std::vector<std::string>{"Fuel1", "Fuel3"}));
        QVERIFY(cal.app->mapLink.fixedLink);
    }
};

QTEST_MAIN(MultiMapDlgTest)
#include "MultiMapDlgTest.moc"
