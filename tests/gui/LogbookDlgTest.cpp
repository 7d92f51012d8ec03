// The Logbook dialog on a logbook on disk: a row chosen with the mouse, its
// note typed and saved, Restore and Open only for entries with data and
// handed the entry that was clicked, a damaged entry shown as damaged.
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "ecu/gui/LogbookDlg.h"
#include "tests/support/TempDir.h"

namespace {

void ClickRow(QTableWidget* table, int row) {
    QTableWidgetItem* item = table->item(row, 1);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(item).center());
}

}  // namespace

class LogbookDlgTest : public QObject {
    Q_OBJECT
private slots:
    void notesRestoreAndOpenWorkOnTheClickedEntry();
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

QTEST_MAIN(LogbookDlgTest)
#include "LogbookDlgTest.moc"
