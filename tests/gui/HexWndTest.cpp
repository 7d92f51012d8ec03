// The HEX window: the map's bytes in lines of 16, typed over with undo.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QtTest>

#include "app/CommandIds.h"
#include "edit/gui/HexWnd.h"
#include "tests/gui/TestCalibration.h"

class HexWndTest : public QObject {
    Q_OBJECT

    struct Hex {
        TestCalibration cal;
        CHexWnd* wnd = nullptr;
        Hex() {
            cal.Open(0);
            CQelView* view = cal.frame->OpenWindow(kWindowHex);
            if (!view) qFatal("no HEX window");
            cal.Activate(view);
            wnd = static_cast<CHexWnd*>(view->ChildWnd());
        }
        void Click(std::uint16_t address) {
            QTest::mouseClick(wnd->area()->viewport(), Qt::LeftButton, {}, wnd->ByteCentre(address));
        }
        void Type(const char* text) {
            wnd->editor()->selectAll();
            QTest::keyClicks(wnd->editor(), text);
            QTest::keyClick(wnd->editor(), Qt::Key_Return);
        }
    };

private slots:
    void typedHexByteIsStoredAndUndone() {
        Hex h;
        QCOMPARE(h.wnd->parentWidget()->parentWidget()->windowTitle(), QString("HEX - Main"));
        h.Click(0x1008);   // DATA (0, 1)
        QCOMPARE(h.wnd->EditAddress(), 0x1008);
        QCOMPARE(h.wnd->editor()->text(), QString("14"));
        QCOMPARE(h.cal.Map().cursor.mode, int(kEditData));
        QCOMPARE(h.cal.Map().cursor.column, 1);
        h.Type("3f");
        QCOMPARE(h.cal.Byte(0x1008), std::uint8_t{0x3F});
        QCOMPARE(h.wnd->editor()->text(), QString("3F"));
        QCOMPARE(h.cal.Map().undo.Newest().kind, 12);
        QCOMPARE(h.cal.frame->dataField()->text(), QString("6.3"));
        QTest::keyClick(h.wnd->editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.cal.Byte(0x1008), std::uint8_t{0x14});
    }

    void axisBytesAreClampedIntoTheirLimits() {
        Hex h;
        h.Click(0x1005);   // the middle RPM breakpoint, between 0x14 and 0x3C
        QCOMPARE(h.cal.Map().cursor.mode, int(kEditRpm));
        h.Type("FF");
        QCOMPARE(h.cal.Byte(0x1005), std::uint8_t{0x3B});   // one below the next breakpoint
        QCOMPARE(h.cal.Map().undo.Newest().kind, 11);
    }

    // Ctrl+V puts one hex byte in the editor; any other text is refused
    // with a message and leaves editor and image alone.
    void aPasteTakesOneHexByteOnly() {
        Hex h;
        h.Click(0x1008);
        h.cal.prompt.shown.clear();
        for (const char* text : {"hello", "1FF", "3f\r\n"}) {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(h.wnd->editor(), Qt::Key_V, Qt::ControlModifier);
        }
        QTest::keyClick(h.wnd->editor(), Qt::Key_Return);
        QCOMPARE(h.cal.Byte(0x1008), std::uint8_t{0x3F});
        QCOMPARE(h.cal.prompt.shown.size(), std::size_t{2});
        QVERIFY(h.cal.prompt.Last().text.find("Nothing was pasted.") != std::string::npos);
    }

    void textThatIsNoHexIsRefused() {
        Hex h;
        h.Click(0x1007);
        h.cal.prompt.shown.clear();
        h.Type("G1");
        QCOMPARE(h.cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
        QCOMPARE(h.cal.prompt.Last().caption, std::string("Table Window"));
        QCOMPARE(h.cal.Byte(0x1007), std::uint8_t{10});
        QCOMPARE(h.wnd->editor()->text(), QString("0A"));
        QVERIFY(h.cal.Map().undo.Empty());
    }

    // One byte is one or two hex digits: a third is not cut off into a
    // different byte ("1FF" is not 1F), and nothing else is a byte either.
    void textThatIsNotOneOrTwoHexDigitsIsRefusedWhole() {
        Hex h;
        h.Click(0x1008);
        for (const char* text : {"1FF", "100", "0x1", "1 F", "-1", "G"}) {
            h.cal.prompt.shown.clear();
            h.Type(text);
            QCOMPARE(h.cal.Texts(), std::vector<std::string>{"Data error\nData is set as before editing"});
            QCOMPARE(h.cal.Byte(0x1008), std::uint8_t{0x14});
            QCOMPARE(h.wnd->editor()->text(), QString("14"));
        }
        QVERIFY(h.cal.Map().undo.Empty());
        h.Type("f");
        QCOMPARE(h.cal.Byte(0x1008), std::uint8_t{0x0F});
    }

    // Escape takes back what was typed: the byte's text returns, nothing is written.
    void escapeRestoresTheBytesText() {
        Hex h;
        h.Click(0x1009);
        h.wnd->editor()->selectAll();
        QTest::keyClicks(h.wnd->editor(), "5");
        QCOMPARE(h.wnd->editor()->text(), QString("5"));
        QTest::keyClick(h.wnd->editor(), Qt::Key_Escape);
        QCOMPARE(h.wnd->editor()->text(), QString("1E"));
        QCOMPARE(h.wnd->editor()->selectedText(), QString("1E"));
        QTest::keyClick(h.wnd->editor(), Qt::Key_Return);
        QCOMPARE(h.cal.Byte(0x1009), std::uint8_t{0x1E});
        QVERIFY(h.cal.Map().undo.Empty());
        QCOMPARE(h.cal.app->modified, 0);
    }

    void theCountBytesAreNotEdited() {
        Hex h;
        h.Click(0x1000);
        QCOMPARE(h.wnd->EditAddress(), -1);
        QVERIFY(!h.wnd->editor()->isVisible());
    }
};

QTEST_MAIN(HexWndTest)
#include "HexWndTest.moc"
