// The Title Editor through Set > Title...: its list drawn in two columns,
// Add, Edit and Delete with the entry dialog, and the titles saved into the
// data file and read back on open.
#include <QImage>
#include <algorithm>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/CommandIds.h"
#include "files/DataFile.h"
#include "tests/gui/TestCalibration.h"

namespace {

// Types the pair into the entry dialog the way a user does and presses OK.
std::function<int(CTitleEntryDlg&)> Answer(const QString& title, const QString& data, QString* caption = nullptr) {
    return [=](CTitleEntryDlg& entry) {
        entry.show();
        if (caption) *caption = entry.windowTitle();
        entry.titleEdit()->setFocus();
        entry.titleEdit()->selectAll();
        QTest::keyClicks(entry.titleEdit(), title);
        QTest::keyClick(entry.titleEdit(), Qt::Key_Tab);
        entry.dataEdit()->selectAll();
        QTest::keyClicks(entry.dataEdit(), data);
        QTest::mouseClick(entry.okButton(), Qt::LeftButton);
        return entry.result();
    };
}

void ClickLine(CTitleDlg& dialog, int line) {
    CTitleListBox* list = dialog.listBox();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(line)).center());
}

QStringList Lines(CTitleDlg& dialog) {
    QStringList lines;
    for (int i = 0; i < dialog.listBox()->count(); ++i) {
        QListWidgetItem* item = dialog.listBox()->item(i);
        lines << item->data(Qt::UserRole).toString() + "|" + item->data(Qt::UserRole + 1).toString();
    }
    return lines;
}

// A saved data file's text with its CR LF line ends read as LF.
std::string Unix(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// The test calibration with a "Title" section written elsewhere: Latin-1
// bytes, blanks around a comma, a comment, and a text of 130 characters.
const std::string kLongText(130, 'n');
std::string ForeignTitles() {
    std::string text = testinstall::CalibrationFile();
    const std::string plain = "Rider,A. Tester\n";
    return text.replace(text.find(plain), plain.size(), "J\xFCrgen , M\xFCller\n; kept\nNotes," + kLongText + "\n");
}

}  // namespace

class TitleDlgTest : public QObject {
    Q_OBJECT

private slots:
    void addedTitlesSurviveSaveAndReopen() {
        TestCalibration cal;
        cal.Open(0);
        QCOMPARE(cal.app->modified, 0);
        QString caption;
        QStringList shown;
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Title Editor"));
            shown = Lines(dialog);
            QVERIFY(!dialog.editButton()->isEnabled());
            QVERIFY(!dialog.deleteButton()->isEnabled());
            dialog.runEntry = Answer("  Pit  ", "Box 3, left", &caption);
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
            dialog.runEntry = Answer("Tyres", "");   // an empty data text is allowed
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
            QVERIFY(!dialog.editButton()->isEnabled());
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->action(cmd::kTitle)->trigger();
        QCOMPARE(caption, QString("Add Title"));
        QCOMPARE(shown, (QStringList{"Rider|A. Tester", "Track|North loop"}));
        QCOMPARE(cal.app->modified, 1);

        const std::string saved = cal.install.dir.File("titled.qsd");
        cal.dialogs.nextFile = saved;
        cal.frame->OnCommand(cmd::kSave);
        QVERIFY(cal.prompt.shown.empty());
        const std::string text = Unix(cal.install.dir.Read("titled.qsd"));
        QVERIFY2(text.find("[Title]\nRider,A. Tester\nTrack,North loop\nPit,Box 3, left\nTyres,\n") != std::string::npos,
                 text.c_str());
        QVERIFY(text.find("[Notes]\nkeep me,as I am\n") != std::string::npos);

        // Reopened: the editor lists all four.
        QVERIFY(cal.frame->CloseCalibration());
        cal.dialogs.menuChoice = 0;
        cal.frame->OpenDataFile(saved);
        QCOMPARE(cal.app->dataFilePath, saved);
        cal.dialogs.titles = [&](CTitleDlg& dialog) { shown = Lines(dialog); };
        cal.frame->OnCommand(cmd::kTitle);
        QCOMPARE(shown, (QStringList{"Rider|A. Tester", "Track|North loop", "Pit|Box 3, left", "Tyres|"}));
    }

    void editReplacesThePairAndCancelKeepsTheOldTitles() {
        TestCalibration cal;
        cal.Open(0);
        QString caption, titleShown;
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            QTest::mouseClick(dialog.editButton(), Qt::LeftButton);   // disabled: nothing happens
            ClickLine(dialog, 1);
            QVERIFY(dialog.editButton()->isEnabled());
            QVERIFY(dialog.deleteButton()->isEnabled());
            dialog.runEntry = [&](CTitleEntryDlg& entry) {
                titleShown = entry.titleEdit()->text() + "|" + entry.dataEdit()->text();
                return Answer("Circuit", "South loop", &caption)(entry);
            };
            QTest::mouseClick(dialog.editButton(), Qt::LeftButton);
            QCOMPARE(Lines(dialog), (QStringList{"Rider|A. Tester", "Circuit|South loop"}));
            QVERIFY(!dialog.editButton()->isEnabled());
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kTitle);
        QCOMPARE(caption, QString("Edit Title"));
        QCOMPARE(titleShown, QString("Track|North loop"));
        // Cancel: the old titles stay, although the entry's OK set the flag.
        std::vector<std::string> titles;
        ReadTitles(cal.app->dataLines, titles);
        QCOMPARE(titles, (std::vector<std::string>{"Rider", "A. Tester", "Track", "North loop"}));
        QCOMPARE(cal.app->modified, 1);
    }

    void deletingTheOnlyPairLeavesAnEmptyList() {
        TestCalibration cal;
        cal.Open(0);
        bool buttonsOff = false;
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            ClickLine(dialog, 0);
            QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
            QCOMPARE(Lines(dialog), (QStringList{"Track|North loop"}));
            QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);   // no line selected: nothing
            QCOMPARE(dialog.listBox()->count(), 1);
            ClickLine(dialog, 0);   // the only pair
            QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
            QCOMPARE(dialog.listBox()->count(), 0);
            buttonsOff = !dialog.editButton()->isEnabled() && !dialog.deleteButton()->isEnabled();
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kTitle);
        QVERIFY(buttonsOff);
        cal.dialogs.nextFile = cal.install.dir.File("none.qsd");
        cal.frame->OnCommand(cmd::kSave);
        const std::string text = Unix(cal.install.dir.Read("none.qsd"));
        QVERIFY2(text.find("[Title]\n\n[Notes]") != std::string::npos, text.c_str());
        QVERIFY(text.find("Rider") == std::string::npos);
    }

    void theEntryDialogLimitsAndRefuses() {
        TestCalibration cal;
        cal.Open(0);
        int titleLength = 0, dataLength = 0;
        bool openAfterEmpty = false, quietAfterEmpty = false, openAfterComma = false;
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            dialog.runEntry = [&](CTitleEntryDlg& entry) -> int {
                entry.show();
                QTest::keyClicks(entry.titleEdit(), QString(120, 'T'));
                QTest::keyClicks(entry.dataEdit(), QString(130, 'd'));
                titleLength = int(entry.titleEdit()->text().size());
                dataLength = int(entry.dataEdit()->text().size());
                // An empty (or blank) title: OK does nothing.
                entry.titleEdit()->selectAll();
                QTest::keyClicks(entry.titleEdit(), "   ");
                QTest::mouseClick(entry.okButton(), Qt::LeftButton);
                openAfterEmpty = entry.isVisible();
                quietAfterEmpty = cal.app->modified == 0 && cal.prompt.shown.empty();
                // A comma would split the title in the file: refused with a message.
                entry.titleEdit()->selectAll();
                QTest::keyClicks(entry.titleEdit(), "a,b");
                QTest::mouseClick(entry.okButton(), Qt::LeftButton);
                openAfterComma = entry.isVisible();
                if (entry.isVisible()) QTest::mouseClick(entry.cancelButton(), Qt::LeftButton);
                return entry.result();
            };
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
            QCOMPARE(dialog.listBox()->count(), 2);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kTitle);
        QCOMPARE(titleLength, 100);
        QCOMPARE(dataLength, 100);
        QVERIFY(openAfterEmpty);
        QVERIFY(quietAfterEmpty);
        QVERIFY(openAfterComma);
        QCOMPARE(cal.app->modified, 0);
        QCOMPARE(cal.Texts().size(), std::size_t{1});
        QCOMPARE(cal.prompt.shown[0].caption, std::string("Add Title"));
    }

    void withoutACalibrationNothingCanBeAdded() {
        TestCalibration cal;
        bool addEnabled = true;
        int lines = -1;
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            addEnabled = dialog.addButton()->isEnabled();
            lines = dialog.listBox()->count();
            QTest::mouseClick(dialog.addButton(), Qt::LeftButton);   // disabled: no entry dialog
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kTitle);
        QVERIFY(!addEnabled);
        QCOMPARE(lines, 0);
        QCOMPARE(cal.app->dataLines.Count(), 0);
        QCOMPARE(cal.app->modified, 0);
        cal.dialogs.menuChoice = 0;
        cal.frame->OpenDataFile(cal.path);
        QCOMPARE(cal.app->dataFilePath, cal.path);
        cal.dialogs.titles = [&](CTitleDlg& dialog) { addEnabled = dialog.addButton()->isEnabled(); };
        cal.frame->OnCommand(cmd::kTitle);
        QVERIFY(addEnabled);
    }

    void onlyWhatWasEditedChanges() {
        TestCalibration cal(testinstall::Definition(), ForeignTitles());
        cal.Open(0);
        const std::vector<std::string> before = cal.app->dataLines.Lines();
        cal.dialogs.titles = [&](CTitleDlg& dialog) { QTest::mouseClick(dialog.okButton(), Qt::LeftButton); };
        cal.frame->OnCommand(cmd::kTitle);
        QVERIFY(cal.app->dataLines.Lines() == before);
        QCOMPARE(cal.app->modified, 0);

        // The long text's pair untouched, the Latin-1 pair's title typed over.
        QStringList shown;
        QString shownLong;   // the 130 characters as the entry dialog shows them
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            shown = Lines(dialog);
            for (int line : {1, 0}) {
                ClickLine(dialog, line);
                dialog.runEntry = [&](CTitleEntryDlg& entry) {
                    if (line == 1) shownLong = entry.dataEdit()->text();
                    else entry.titleEdit()->setText(QString::fromUtf8("J\u00f6rg"));   // QtTest types ASCII only
                    entry.accept();
                    return entry.result();
                };
                QTest::mouseClick(dialog.editButton(), Qt::LeftButton);
            }
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kTitle);
        QCOMPARE(shown[0], QString::fromUtf8("J\u00fcrgen|M\u00fcller"));   // Latin-1 shown as such
        QCOMPARE(shownLong.size(), 100);
        std::vector<std::string> expected = before;
        expected[5] = "J\xF6rg,M\xFCller";   // typed Latin-1 as the text it replaced, the rest as it was
        QVERIFY(cal.app->dataLines.Lines() == expected);
    }

    void deleteMarksTheCalibrationModifiedSoClosingAsks() {
        TestCalibration cal(testinstall::Definition(), ForeignTitles());
        cal.Open(0);
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            ClickLine(dialog, 2);
            QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        cal.frame->OnCommand(cmd::kTitle);
        QCOMPARE(cal.app->modified, 1);
        cal.prompt.answers.push_back(PromptAnswer::kCancel);
        QVERIFY(!cal.frame->CloseCalibration() && cal.prompt.Last().question);
        const std::string text = Unix(JoinDataFileLines(cal.app->dataLines));   // only that line went
        QVERIFY(text.find("\n; kept\nNotes," + kLongText + "\n\n[Notes]") != std::string::npos);
    }

    void linesAreDrawnInTwoColumnsWithRules() {
        TestCalibration cal;
        cal.Open(0);
        cal.dialogs.titles = [&](CTitleDlg& dialog) {
            CTitleListBox* list = dialog.listBox();
            ClickLine(dialog, 0);
            const QImage image = list->viewport()->grab().toImage();
            const QRect first = list->visualItemRect(list->item(0));
            const QRect second = list->visualItemRect(list->item(1));
            auto inked = [&](const QRect& row, int from, int to, QRgb background) {
                int count = 0;
                for (int y = row.top() + 2; y < row.bottom() - 1; ++y)
                    for (int x = from; x < to; ++x)
                        if (image.pixel(x, y) != background) ++count;
                return count;
            };
            const QRgb base = image.pixel(list->viewport()->width() - 2, second.center().y());
            const QRgb highlight = list->palette().color(QPalette::Highlight).rgb();
            QCOMPARE(image.pixel(1, first.center().y()), highlight);   // the selected line
            QVERIFY(inked(second, 4, 60, base) > 0);                    // "Track"
            QVERIFY(inked(second, 70, 138, base) == 0);                 // nothing between the columns
            QVERIFY(inked(second, 140, 220, base) > 0);                 // "North loop"
            // Rules under the lines and on down the empty part of the box.
            const QRgb rule = list->palette().color(QPalette::Mid).rgb();
            const int h = list->LineHeight();
            QCOMPARE(image.pixel(200, first.top() + h - 1), rule);
            QCOMPARE(image.pixel(200, first.top() + 5 * h - 1), rule);
        };
        cal.frame->OnCommand(cmd::kTitle);
        QCOMPARE(cal.dialogs.titleRuns, 1);
    }
};

QTEST_MAIN(TitleDlgTest)
#include "TitleDlgTest.moc"
