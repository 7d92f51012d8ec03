// The Logbook dialog on a logbook on disk: a row chosen with the mouse, its
// note typed and saved, Restore and Open only for entries with data and
// handed the entry that was clicked, a damaged entry shown as damaged. From
// the main frame, against ecusim: what Restore and Open do with entries of
// another machine and with data the ECU may never have held.
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <array>
#include <tuple>

#include "ecu/gui/LogbookDlg.h"
#include "tests/gui/EcuFrame.h"
#include "tests/support/TempDir.h"

using namespace ecuframe;

namespace {

void ClickRow(QTableWidget* table, int row) {
    QTableWidgetItem* item = table->item(row, 1);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(item).center());
}

// Entries over the calibration's range holding image's bytes: {machine, operation, result}.
void AddEntries(EcuFrame& f, const Image& image, const std::vector<std::array<std::string, 3>>& entries) {
    Logbook book(Logbook::FolderFor(f.app->settingsFilePath));
    LogEntry entry;
    entry.ecu = EcuIdText(f.app->registry.expectedId.data(), 2);
    entry.hasData = true;
    entry.start = kFirst;
    entry.data.assign(image.begin() + kFirst, image.begin() + kLast + 1);
    std::string error;
    for (const auto& [machine, operation, result] : entries) {
        std::tie(entry.machine, entry.operation, entry.result) = std::tie(machine, operation, result);
        QVERIFY(book.Add(entry, error));
    }
}

// "Set > Logbook..." from the frame, clicking each {row, Restore (else Open)} in turn.
void RunLogbook(EcuFrame& f, std::vector<std::pair<int, bool>> clicks) {
    f.dialogs.logbook = [clicks](CLogbookDlg& dialog) {
        dialog.show();
        for (const auto& [row, restore] : clicks) {
            if (!dialog.isVisible()) break;
            ClickRow(dialog.table(), row);
            QTest::mouseClick(restore ? dialog.restoreButton() : dialog.openButton(), Qt::LeftButton);
        }
        return dialog.result();
    };
    f.frame->OnCommand(cmd::kLogbook);
}

}  // namespace

class LogbookDlgTest : public QObject {
    Q_OBJECT
private slots:
    void notesRestoreAndOpenWorkOnTheClickedEntry();
    void restoreAndOpenRefuseAnotherMachineAndAskBeforeUnverifiedData();
};

void LogbookDlgTest::notesRestoreAndOpenWorkOnTheClickedEntry() {
    TempDir dir;
    Logbook book(dir.File("LOGBOOK"));
    std::string error;
    LogEntry read;
    read.operation = logbook::kRead;
    read.result = logbook::kComplete;
    read.hasData = true;
    read.start = 0x1000;
    read.data = {1, 2, 3};
    QVERIFY(book.Add(read, error));
    LogEntry failed;
    failed.operation = logbook::kBackup;
    failed.result = logbook::kFail;
    QVERIFY(book.Add(failed, error));
    LogEntry damaged = read;
    QVERIFY(book.Add(damaged, error));
    dir.Write("LOGBOOK/000003.s19", "S1");

    CLogbookDlg dialog(book);
    int restored = 0, opened = 0;
    dialog.restore = [&](const LogEntry& entry) { restored = entry.id; return true; };
    dialog.open = [&](const LogEntry& entry) { opened = entry.id; return false; };
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget* table = dialog.table();
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(2, 3)->text(), QString("damaged"));
    QVERIFY(!dialog.noteEdit()->isEnabled());

    ClickRow(table, 1);   // no data: nothing to restore or open
    QCOMPARE(dialog.SelectedId(), 2);
    QVERIFY(!dialog.restoreButton()->isEnabled());
    QVERIFY(!dialog.openButton()->isEnabled());
    ClickRow(table, 2);
    QVERIFY(!dialog.restoreButton()->isEnabled());

    ClickRow(table, 0);
    QVERIFY(dialog.restoreButton()->isEnabled());
    dialog.noteEdit()->selectAll();
    QTest::keyClicks(dialog.noteEdit(), "baseline, before the track day");
    QTest::mouseClick(dialog.saveNoteButton(), Qt::LeftButton);
    QCOMPARE(table->item(0, 5)->text(), QString("baseline, before the track day"));
    LogEntry stored;
    QVERIFY(book.Find(1, stored));
    QCOMPARE(QString::fromStdString(stored.note), QString("baseline, before the track day"));
    QCOMPARE(dialog.SelectedId(), 1);   // kept over the reload

    QTest::mouseClick(dialog.restoreButton(), Qt::LeftButton);
    QCOMPARE(restored, 1);
    QTest::mouseClick(dialog.openButton(), Qt::LeftButton);
    QCOMPARE(opened, 1);
    QVERIFY(dialog.isVisible());   // an open that did nothing leaves the dialog up
}

void LogbookDlgTest::restoreAndOpenRefuseAnotherMachineAndAskBeforeUnverifiedData() {
    EcuFrame f;
    f.Open();
    const Image before = f.app->image();
    const Image next = CalibrationImage(42);
    AddEntries(f, next, {{"OTHER", logbook::kRead, logbook::kComplete}, {"TST01", logbook::kWrite, logbook::kFail},
                         {"TST01", logbook::kRead, logbook::kComplete}});
    f.prompt.shown.clear();
    // Restore, then Open, of the other machine's entry and of the failed write (default No).
    RunLogbook(f, {{0, true}, {1, true}, {0, false}, {1, false}});
    std::vector<std::string> texts;
    for (const RecordedPrompt& p : f.prompt.shown) texts.push_back((p.question ? "? " : "") + p.text);
    const std::string foreign = "Logbook entry 1 belongs to machine OTHER, ECU M1; this is machine TST01, ECU M1.\n";
    const std::string doubtful = "Logbook entry 2 holds the data of a write that is \"Fail\": the ECU never held it for sure.";
    QCOMPARE(texts, (std::vector<std::string>{
                        foreign + "Nothing was written.", "? " + doubtful + "\n\nWrite it to the ECU all the same?",
                        doubtful + "\nNothing was written.", foreign + "Nothing was changed.",
                        "? " + doubtful + "\n\nTake it into the edited calibration all the same?"}));
    QVERIFY(f.app->image() == before);

    RunLogbook(f, {{2, false}});   // sound data: in (the checksum byte is the save's), and out again with one Undo
    QVERIFY(std::equal(next.begin() + kFirst, next.begin() + kLast, f.app->image().begin() + kFirst));
    f.frame->OnCommand(cmd::kUndo);
    QVERIFY(f.app->image() == before);
    // Nothing went to the ECU: a restore's backup would be the first entry after these.
    QCOMPARE(Logbook(Logbook::FolderFor(f.app->settingsFilePath)).List().size(), std::size_t{3});
}

QTEST_MAIN(LogbookDlgTest)
#include "LogbookDlgTest.moc"
