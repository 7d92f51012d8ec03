// "Edit Constants list" driven with keys and the mouse: typed values with
// their range messages and refusals, the raw steps, the rows over a list
// longer than the window, Shift+Enter, and OK and Cancel through the frame.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "app/CommandIds.h"
#include "edit/gui/ConstantsDlg.h"
#include "tests/gui/TestCalibration.h"
#include "tests/support/RecordingPrompt.h"

namespace {

// "Calib" constants c00..c39 at 0x2000.. (LSB 0.5, Offset 10, Min 20, Max
// 100), with c03 read-only, c05 a period and c06 of the falling kind.
LineStore FortyConstants() {
    LineStore lines;
    lines.Append("[Calib]");
    for (int i = 0; i < 40; ++i) {
        char line[96];
        const char* tail = i == 3 ? "1,1" : i == 5 ? "2" : i == 6 ? "5" : "1,0,20,100";
        const char* lsb = i == 5 ? "1" : i == 6 ? "1000" : "0.5";
        const char* offset = i == 5 ? "1" : i == 6 ? "0" : "10";
        std::snprintf(line, sizeof line, "%04X,1,c%02d,%s,%s,u%d,%s", 0x2000 + i, i, lsb, offset, i, tail);
        lines.Append(line);
    }
    lines.Append("[Fixed]");
    return lines;
}

struct Dialog {
    LineStore definition = FortyConstants();
    Image buffer{};
    RecordingPrompt prompt;
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> live;
    std::unique_ptr<CConstantsDlg> dialog;

    explicit Dialog(std::optional<DataSpan> kept = std::nullopt) {
        for (int i = 0; i < 40; ++i) buffer[0x2000 + i] = static_cast<std::uint8_t>(20 + i);
        buffer[0x2005] = 1;
        dialog = std::make_unique<CConstantsDlg>(
            definition, buffer, prompt,
            [this](std::uint16_t a, const std::vector<std::uint8_t>& b) { live.emplace_back(a, b); }, kept);
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get())) qFatal("dialog not active");
    }
    // Clicks into the row's VALUE field and types text over its whole text.
    void Type(int row, const QString& text) {
        QLineEdit* field = dialog->valueField(row);
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    QString Value(int row) const { return dialog->valueField(row)->text(); }
};

}  // namespace

class ConstantsDlgTest : public QObject {
    Q_OBJECT
private slots:
    void rowsShowTheListAndScroll() {
        Dialog d;
        QCOMPARE(d.dialog->windowTitle(), QString("Edit Constants list"));
        QCOMPARE(d.dialog->ConstantCount(), 40);
        QVERIFY(d.dialog->scrollBar()->isEnabled());
        QCOMPARE(d.dialog->scrollBar()->minimum(), 0);
        QCOMPARE(d.dialog->scrollBar()->maximum(), 8);
        QCOMPARE(d.dialog->contentsLabel(0)->text(), QString("c00"));
        QCOMPARE(d.Value(0), QString("20"));        // 10 + 20 x 0.5
        QCOMPARE(d.Value(1), QString("20.50"));
        QCOMPARE(d.dialog->unitLabel(1)->text(), QString("u1"));
        QVERIFY(!d.dialog->valueField(3)->isEnabled());   // read-only
        QCOMPARE(d.Value(5), QString("166666.67"));

        // A page down on the bar: the rows show constants 8 .. 39.
        d.dialog->scrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(d.dialog->TopIndex(), 8);
        QCOMPARE(d.dialog->contentsLabel(0)->text(), QString("c08"));
        QCOMPARE(d.dialog->contentsLabel(31)->text(), QString("c39"));

        // A short list: rows past its end are empty and disabled, no bar.
        LineStore three;
        three.Append("[Calib]");
        three.Append("2000,1,a,1,0,u,1");
        three.Append("2001,2,b,1,0,u,1");
        three.Append("2002,1,c,1,0,u,3");
        Image image{};
        image[0x2002] = 0xFF;
        RecordingPrompt prompt;
        CConstantsDlg shortList(three, image, prompt);
        QVERIFY(!shortList.scrollBar()->isEnabled());
        QCOMPARE(shortList.valueField(2)->text(), QString("-1"));
        QVERIFY(!shortList.valueField(3)->isEnabled());
        QVERIFY(shortList.contentsLabel(3)->text().isEmpty());
    }

    void typedValuesAreCommittedWithTheirMessages() {
        Dialog d;
        // Above Max: clamped, written, then reported.
        d.Type(0, "200");
        QTest::keyClick(d.dialog->valueField(0), Qt::Key_Tab);
        QCOMPARE(d.buffer[0x2000], std::uint8_t{180});
        QCOMPARE(d.Value(0), QString("100"));
        QCOMPARE(d.prompt.shown.size(), std::size_t{1});
        QCOMPARE(d.prompt.Last().text,
                 std::string("Input Data Range Over:200.00 \n (20.00<=Data<=100.00)\n set 100.00"));
        QCOMPARE(d.prompt.Last().caption, std::string("Edit Constants list Data"));
        QVERIFY(d.prompt.Last().icon == PromptIcon::kExclamation);

        // Enter commits and keeps the focus; not a number: refused, shown again.
        d.Type(1, "12-5");
        QTest::keyClick(d.dialog->valueField(1), Qt::Key_Return);
        QCOMPARE(d.prompt.Last().text, std::string("Including wrong word"));
        QCOMPARE(d.buffer[0x2001], std::uint8_t{21});
        QCOMPARE(d.Value(1), QString("20.50"));
        QVERIFY(d.dialog->isVisible());
        d.Type(1, "+55.5");
        QTest::keyClick(d.dialog->valueField(1), Qt::Key_Enter);
        QCOMPARE(d.buffer[0x2001], std::uint8_t{91});
        QCOMPARE(d.prompt.shown.size(), std::size_t{2});
        // No Min and Max (a period): held to the raw range and reported.
        d.Type(5, "2000000");
        QTest::keyClick(d.dialog->valueField(5), Qt::Key_Return);
        QCOMPARE(d.prompt.Last().text,
                 std::string("Input Data Range Over:2000000.00 \n (653.59<=Data<=166666.67)\n set 166666.67"));

        // Visiting a field without typing changes nothing, even where the
        // shown text is rounded.
        const Image before = d.buffer;
        for (int r = 0; r < 8; ++r) {
            if (r == 3) continue;
            QTest::mouseClick(d.dialog->valueField(r), Qt::LeftButton);
        }
        QTest::keyClick(d.dialog->valueField(7), Qt::Key_Tab);
        QVERIFY(d.buffer == before);
        QVERIFY(d.live.empty());
    }

    void pageKeysStepTheRawValue() {
        Dialog d;
        QTest::mouseClick(d.dialog->valueField(2), Qt::LeftButton);
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_PageUp);
        QCOMPARE(d.buffer[0x2002], std::uint8_t{23});
        QCOMPARE(d.Value(2), QString("21.50"));
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_PageDown);
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_PageDown);
        QCOMPARE(d.buffer[0x2002], std::uint8_t{21});
        // The falling kind steps the other way.
        QTest::mouseClick(d.dialog->valueField(6), Qt::LeftButton);
        QTest::keyClick(d.dialog->valueField(6), Qt::Key_PageUp);
        QCOMPARE(d.buffer[0x2006], std::uint8_t{25});
        // The period kind refuses raw 0.
        QTest::mouseClick(d.dialog->valueField(5), Qt::LeftButton);
        QTest::keyClick(d.dialog->valueField(5), Qt::Key_PageDown);
        QCOMPARE(d.buffer[0x2005], std::uint8_t{1});
        QCOMPARE(d.prompt.Last().text, std::string("Cannot input 0"));
        QCOMPARE(d.Value(5), QString("166666.67"));
    }

    void shiftArrowsPassReadOnlyRowsAndScroll() {
        Dialog d;
        QTest::mouseClick(d.dialog->valueField(2), Qt::LeftButton);
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_Down, Qt::ShiftModifier);
        QVERIFY(d.dialog->valueField(4)->hasFocus());   // row 3 is read-only
        QTest::keyClick(d.dialog->valueField(4), Qt::Key_Up, Qt::ShiftModifier);
        QVERIFY(d.dialog->valueField(2)->hasFocus());
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_Up, Qt::ShiftModifier);
        QTest::keyClick(d.dialog->valueField(1), Qt::Key_Up, Qt::ShiftModifier);
        QTest::keyClick(d.dialog->valueField(0), Qt::Key_Up, Qt::ShiftModifier);   // top: stays
        QVERIFY(d.dialog->valueField(0)->hasFocus());
        QCOMPARE(d.dialog->TopIndex(), 0);

        // At the last row the list moves under the focus; a value typed
        // there is committed first.
        QTest::mouseClick(d.dialog->valueField(31), Qt::LeftButton);
        d.Type(31, "30");
        QTest::keyClick(d.dialog->valueField(31), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(d.buffer[0x201F], std::uint8_t{40});
        QCOMPARE(d.dialog->TopIndex(), 1);
        QVERIFY(d.dialog->valueField(31)->hasFocus());
        QCOMPARE(d.dialog->contentsLabel(31)->text(), QString("c32"));
        QCOMPARE(d.dialog->scrollBar()->value(), 1);
        for (int i = 0; i < 20; ++i) QTest::keyClick(d.dialog->valueField(31), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(d.dialog->TopIndex(), 8);
        QCOMPARE(d.dialog->contentsLabel(31)->text(), QString("c39"));
    }

    void aConstantOutsideTheFilesDataIsNotChanged() {
        Dialog d(DataSpan{0x2000, 0x2002});   // c00 and c01 kept; c02 lies on the checksum
        const Image before = d.buffer;
        d.Type(2, "50");
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(d.Value(2), QString("21"));
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_PageUp);
        QVERIFY(d.buffer == before);
        QVERIFY(d.live.empty());
        QCOMPARE(d.prompt.shown.size(), std::size_t{2});
        QCOMPARE(d.prompt.Last().text, std::string("Byte 2002 lies outside the data the file keeps (2000-2001; 2002 is "
                                                   "the checksum), so a save would lose the change.\nNothing was "
                                                   "changed."));
        QCOMPARE(d.prompt.Last().caption, std::string("Edit Constants list Data"));
        d.Type(1, "30");
        QTest::keyClick(d.dialog->valueField(1), Qt::Key_Return);
        QCOMPARE(d.buffer[0x2001], std::uint8_t{40});
    }

    void shiftEnterWritesTheLiveImage() {
        Dialog d;
        d.Type(2, "50");
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(d.buffer[0x2002], std::uint8_t{80});
        QCOMPARE(d.live.size(), std::size_t{1});
        QCOMPARE(d.live[0].first, std::uint16_t{0x2002});
        QCOMPARE(d.live[0].second, std::vector<std::uint8_t>{80});
        // A refused value sends nothing.
        d.Type(2, "x");
        QTest::keyClick(d.dialog->valueField(2), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(d.live.size(), std::size_t{1});
    }

    void frameCopiesBackOnOkOnly() {
        TestCalibration cal;   // Idle Target at 0x1020 (LSB 10), Limiter word at 0x1021
        cal.Open(0);
        cal.dialogs.constants = [](CConstantsDlg& dialog) {
            dialog.show();
            dialog.activateWindow();
            if (!QTest::qWaitForWindowActive(&dialog)) qFatal("dialog not active");
            QLineEdit* field = dialog.valueField(0);
            QTest::mouseClick(field, Qt::LeftButton);
            field->selectAll();
            QTest::keyClicks(field, "1500");
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
            return dialog.result();
        };
        cal.frame->OnCommand(cmd::kConstantsList);
        QCOMPARE(cal.Byte(0x1020), std::uint8_t{130});
        QCOMPARE(cal.app->modified, 0);

        cal.dialogs.constants = [](CConstantsDlg& dialog) {
            dialog.show();
            dialog.activateWindow();
            if (!QTest::qWaitForWindowActive(&dialog)) qFatal("dialog not active");
            QLineEdit* field = dialog.valueField(1);
            QTest::mouseClick(field, Qt::LeftButton);
            field->selectAll();
            QTest::keyClicks(field, "100");
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);   // the focus leaves: committed
            return dialog.result();
        };
        cal.frame->OnCommand(cmd::kConstantsList);
        QCOMPARE(cal.Byte(0x1021), std::uint8_t{0x00});
        QCOMPARE(cal.Byte(0x1022), std::uint8_t{200});
        QCOMPARE(cal.app->modified, 1);
    }
};

QTEST_MAIN(ConstantsDlgTest)
#include "ConstantsDlgTest.moc"
