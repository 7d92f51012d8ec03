// The Data Exchange window from the main frame, against ecusim on a
// pseudo-terminal: reading the ECU into the exchange buffer, verifying
// against files, writing to the edit data with the table window following,
// a read cut short, the window during a paced transfer, and a monitor left
// running while the exchange talks.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "ecu/gui/ProgressWnd.h"
#include "ecu/EcuRecords.h"
#include "ecu/Monitor.h"
#include "ecu/EcuSession.h"
#include "ecu/SerialLink.h"
#include "ecu/Logbook.h"
#include "ecu/SafeWrite.h"
#include "ecu/gui/BlockWriteStop.h"
#include "ecu/gui/DataExchangeDlg.h"
#include "ecu/gui/MonitorWnd.h"
#include "model/Strings.h"
#include "tests/gui/EcuFrame.h"
#include "tests/support/TempDir.h"

using namespace ecuframe;

namespace {

// Runs the window from "Data &Exchange..." with steps while it is open, then
// closes it with its Close button.
void RunExchange(EcuFrame& f, const std::function<void(CDataExchangeDlg&)>& steps) {
    f.dialogs.exchange = [&](CDataExchangeDlg& dialog) {
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog)) qFatal("exchange window not active");
        steps(dialog);
        QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
        return dialog.result();
    };
    f.frame->OnCommand(cmd::kDataExchange);
}

// The next choice dialog takes choice code (or Cancel with -1).
void NextChoice(CDataExchangeDlg& dialog, int code, QString* caption = nullptr) {
    dialog.runChoice = [code, caption](CExchangeChoiceDlg& choice) {
        choice.show();
        if (caption) *caption = choice.windowTitle();
        if (code < 0) {
            QTest::mouseClick(choice.cancelButton(), Qt::LeftButton);
        } else {
            // On the round button: the rest of the row is no part of it.
            QRadioButton* button = choice.choiceButton(code);
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
            QTest::mouseClick(choice.okButton(), Qt::LeftButton);
        }
        return choice.result();
    };
}

void Read(CDataExchangeDlg& dialog, int source) {
    NextChoice(dialog, source);
    QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
}

std::vector<std::uint8_t> Range(const Image& image, std::uint16_t first, std::uint16_t last) {
    return std::vector<std::uint8_t>(image.begin() + first, image.begin() + last + 1);
}

// "operation result" of each logbook entry, oldest first.
std::vector<std::string> Entries(const EcuFrame& f) {
    std::vector<std::string> steps;
    for (const LogEntry& entry : Logbook(Logbook::FolderFor(f.app->settingsFilePath)).List())
        steps.push_back(entry.operation + " " + entry.result);
    return steps;
}

QString LastReportLine(const CDataExchangeDlg& dialog) {
    QStringList lines = dialog.report()->toPlainText().split('\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.back();
}

}  // namespace

class DataExchangeDlgTest : public QObject {
    Q_OBJECT

private slots:
    void aReadFromTheEcuFillsTheExchangeBufferWhileTheWindowStaysAlive() {
        // 1 KB at 19200 baud, paced: the transfer takes its time.
        Options options;
        options.ecuImage = CalibrationImage(90);
        for (int a = 0x3120; a < 0x3400; ++a) options.ecuImage[a] = static_cast<std::uint8_t>(a * 5);
        options.range = "3000-33FF";
        options.ecuLast = 0x33FF;
        options.simArguments = {"--baud", "19200"};
        EcuFrame f(options);
        f.Open();
        f.prompt.shown.clear();

        struct Sample {
            bool progressShown;
            bool readEnabled;
            bool closeEnabled;
            QString progress;
        };
        std::vector<Sample> samples;
        int paints = 0;
        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Data Exchange"));
            QVERIFY(dialog.readButton()->isEnabled());
            QVERIFY(!dialog.writeButton()->isEnabled());
            QVERIFY(!dialog.verifyButton()->isEnabled());
            QVERIFY(!dialog.clearButton()->isEnabled());
            QTimer sampler;
            QObject::connect(&sampler, &QTimer::timeout, [&] {
                CProgressWnd& progress = f.frame->ProgressWindow();
                samples.push_back({progress.isVisible(), dialog.readButton()->isEnabled(),
                                   dialog.closeButton()->isEnabled(), progress.ProgressText()});
                dialog.hexView()->viewport()->update();
            });
            // Paints of the hex view while the progress window is up.
            struct PaintCounter : QObject {
                int& count;
                CProgressWnd& progress;
                PaintCounter(int& c, CProgressWnd& p) : count(c), progress(p) {}
                bool eventFilter(QObject*, QEvent* event) override {
                    if (event->type() == QEvent::Paint && progress.isVisible()) ++count;
                    return false;
                }
            } counter(paints, f.frame->ProgressWindow());
            dialog.hexView()->viewport()->installEventFilter(&counter);
            sampler.start(20);
            Read(dialog, 0);
            sampler.stop();
            dialog.hexView()->viewport()->removeEventFilter(&counter);

            const DataPane& pane = dialog.Exchange().ExchangeBuffer();
            QCOMPARE(int(pane.start), 0x3000);
            QVERIFY(pane.bytes == Range(options.ecuImage, 0x3000, 0x33FF));
            QVERIFY(!pane.partial);
            QCOMPARE(dialog.titleLabel()->text(), QString("ECU Data"));
            QCOMPARE(dialog.hexView()->ByteColor(), QColor(Qt::black));
            QCOMPARE(LastReportLine(dialog), QString("Read from ECU data   --->   Complete"));
            QVERIFY(dialog.writeButton()->isEnabled() && dialog.verifyButton()->isEnabled() &&
                    dialog.clearButton()->isEnabled() && dialog.closeButton()->isEnabled());
            QCOMPARE(dialog.statusLabel()->text(), QString());

            // Page Down moves ten rows, the last page stops it.
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            dialog.hexView()->setFocus();
            QTest::keyClick(dialog.hexView(), Qt::Key_PageDown);
            QCOMPARE(pane.firstVisibleRow, 10);
            QTest::keyClick(dialog.hexView(), Qt::Key_Down);
            QCOMPARE(pane.firstVisibleRow, 11);
            for (int i = 0; i < 10; ++i) QTest::keyClick(dialog.hexView(), Qt::Key_PageDown);
            QCOMPARE(pane.firstVisibleRow, 64 - 10);
            QTest::keyClick(dialog.hexView(), Qt::Key_PageUp);
            QCOMPARE(pane.firstVisibleRow, 44);

            // Clear empties the window and gives the focus to Read.
            QTest::mouseClick(dialog.clearButton(), Qt::LeftButton);
            QVERIFY(dialog.Exchange().ExchangeBuffer().Empty());
            QCOMPARE(dialog.report()->toPlainText(), QString());
            QVERIFY(!dialog.writeButton()->isEnabled());
            QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.readButton()));
        });
        QVERIFY(f.prompt.shown.empty());
        CProgressWnd& progress = f.frame->ProgressWindow();
        QCOMPARE(progress.TitleText(), QString("Read from ECU"));
        QVERIFY(!progress.isVisible());
        QVERIFY(!f.frame->Session().Link().portOpen);   // the read opened it and closed it again

        // While the bytes came in the buttons were disabled, the progress
        // text moved on and the window went on painting.
        std::set<QString> texts;
        bool disabledDuringTransfer = false;
        for (const Sample& s : samples) {
            if (!s.progressShown) continue;
            texts.insert(s.progress);
            disabledDuringTransfer = disabledDuringTransfer || (!s.readEnabled && !s.closeEnabled);
            QVERIFY(!s.readEnabled);
        }
        QVERIFY2(texts.size() >= 3, qPrintable(QString::number(texts.size())));
        QVERIFY(disabledDuringTransfer);
        QVERIFY(paints >= 5);
    }

    void verifyAgainstAFileSaysSameThenNotSameAfterOneChangedByte() {
        EcuFrame f;
        f.Open();
        const Image ecu = CalibrationImage();
        const std::string same = f.install.dir.Write("same.qsd", CalibrationFile(ecu));
        Image changed = ecu;
        changed[0x3005] ^= 0x01;
        const std::string other = f.install.dir.Write("other.qsd", CalibrationFile(changed));
        f.prompt.shown.clear();
        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            Read(dialog, 0);
            QCOMPARE(LastReportLine(dialog), QString("Read from ECU data   --->   Complete"));

            QString caption;
            NextChoice(dialog, 2, &caption);
            f.dialogs.nextFile = same;
            QTest::mouseClick(dialog.verifyButton(), Qt::LeftButton);
            QCOMPARE(caption, QString("Data Verify"));
            QStringList lines = dialog.report()->toPlainText().split('\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.at(lines.size() - 2), QString("Compare with file data   --->   Same"));
            QCOMPARE(lines.back(), QString::fromStdString("  " + same));

            NextChoice(dialog, 2);
            f.dialogs.nextFile = other;
            QTest::mouseClick(dialog.verifyButton(), Qt::LeftButton);
            lines = dialog.report()->toPlainText().split('\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.at(lines.size() - 3), QString("Compare with file data   --->   Not same"));
            QCOMPARE(lines.at(lines.size() - 2), QString::fromStdString("  " + other));
            QCOMPARE(lines.back(), QString("    map Boost Fuel: 1 cell differs, largest by 0.1"));   // and where

            // A cancelled file choice adds nothing; the buffer stays the ECU's.
            NextChoice(dialog, 2);
            f.dialogs.nextFile.clear();
            const QString before = dialog.report()->toPlainText();
            QTest::mouseClick(dialog.verifyButton(), Qt::LeftButton);
            QCOMPARE(dialog.report()->toPlainText(), before);
            QVERIFY(dialog.Exchange().ExchangeBuffer().bytes == Range(ecu, kFirst, kLast));
            // The report shows its end.
            QScrollBar* bar = dialog.report()->verticalScrollBar();
            QCOMPARE(bar->value(), bar->maximum());
        });
        QVERIFY(f.prompt.shown.empty());
    }

    void writeToEditDataPutsTheEcusValuesIntoTheTableWindow() {
        Options options;
        options.ecuImage = CalibrationImage(90);   // DATA 9.0, 10.0, ... in the ECU
        EcuFrame f(options);
        f.Open();
        CTableWnd* table = f.Table();
        QVERIFY(table);
        const MapRecord& map = *f.app->currentMap;
        const int cell = map.cursor.row * 4 + map.cursor.column;
        const QString before = table->gridEditor()->text();
        QCOMPARE(before, QString::number((40 + 10 * cell) / 10.0, 'f', 1));
        QCOMPARE(f.app->modified, 0);
        f.prompt.shown.clear();

        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            Read(dialog, 0);
            QString caption;
            NextChoice(dialog, 1, &caption);
            QTest::mouseClick(dialog.writeButton(), Qt::LeftButton);
            QCOMPARE(caption, QString("Data Write"));
            QCOMPARE(LastReportLine(dialog), QString("Write to edit data   --->   Complete"));
            // The table window behind the dialog shows the ECU's value at once.
            QCOMPARE(table->gridEditor()->text(), QString::number((90 + 10 * cell) / 10.0, 'f', 1));
        });
        QVERIFY(f.prompt.shown.empty());
        QVERIFY(Range(f.app->image(), kFirst, kLast) == Range(options.ecuImage, kFirst, kLast));
        QCOMPARE(f.app->modified, 1);   // the calibration counts as changed
        f.Click(table, 2, 3);
        QCOMPARE(table->gridEditor()->text(), QString::number((90 + 10 * 11) / 10.0, 'f', 1));
    }

    void writeToTheEcuSendsAFilesDataThatTheEcuThenHolds() {
        // An ECU with empty memory that saves it when it stops.
        TempDir place;
        Options options;
        options.ecuHasImage = false;
        options.simArguments = {"--save", place.File("saved.s19")};
        EcuFrame f(options);
        f.Open();
        Image next = CalibrationImage(120);
        const std::string file = f.install.dir.Write("next.qsd", CalibrationFile(next));
        f.prompt.shown.clear();
        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            NextChoice(dialog, 2);
            f.dialogs.nextFile = file;
            QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
            QCOMPARE(dialog.titleLabel()->text(), QString::fromStdString("File Data [ " + file + " ]"));
            QString caption;
            NextChoice(dialog, 0, &caption);
            // Every map cell moves away from the empty ECU's zeros: the guard
            // asks, and the technician goes on.
            f.prompt.answers.push_back(PromptAnswer::kYes);
            QTest::mouseClick(dialog.writeButton(), Qt::LeftButton);
            QCOMPARE(f.prompt.shown.size(), std::size_t{1});
            QVERIFY(f.prompt.shown[0].question);
            QVERIFY(f.prompt.shown[0].text.find("cells changed") != std::string::npos);
            f.prompt.shown.clear();
            QCOMPARE(LastReportLine(dialog), QString("Write to ECU data   --->   Complete"));
            QVERIFY(dialog.report()->toPlainText().contains("Backup from ECU data   --->   Complete"));
            QVERIFY(dialog.report()->toPlainText().contains("Read back from ECU data   --->   Same"));
            // The last step of the three was the read-back.
            QCOMPARE(f.frame->ProgressWindow().TitleText(), QString("Read from ECU"));
            QCOMPARE(f.frame->ProgressWindow().PhaseText(), QString("Step 3 of 3: Verify"));
            // What the ECU holds now is what the file holds.
            NextChoice(dialog, 0);
            QTest::mouseClick(dialog.verifyButton(), Qt::LeftButton);
            QCOMPARE(LastReportLine(dialog), QString("Compare with ECU data   --->   Same"));
        });
        QVERIFY(f.prompt.shown.empty());
        QCOMPARE(Entries(f), (std::vector<std::string>{"backup Complete", "write Complete", "verify Same"}));
        QCOMPARE(f.sim->Stop(), 0);
        std::string text = place.Read("saved.s19");
        text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }),
                   text.end());
        const DecodedRecords decoded = DecodeRecords(text);
        QVERIFY(decoded.ok);
        QCOMPARE(int(decoded.start), int(kFirst));
        QVERIFY(decoded.bytes == Range(next, kFirst, kLast));
    }

    // A write cut in the middle by an ECU that stores each record as it
    // comes: the window says so, asks at once to write the backup back, and
    // the ECU ends with exactly the bytes it held before.
    void aCutWriteIsOfferedItsBackupAndEndsAsBefore() {
        TempDir place;
        Options options;
        options.simArguments = {"--save", place.File("saved.s19"), "--fault", "stop-echo=300", "--fault",
                                "store-each", "--fault", "first-write"};
        EcuFrame f(options);
        f.Open();
        const std::string file = f.install.dir.Write("next.qsd", CalibrationFile(CalibrationImage(45)));
        f.prompt.shown.clear();
        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            NextChoice(dialog, 2);
            f.dialogs.nextFile = file;
            QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
            NextChoice(dialog, 0);
            f.prompt.answers.push_back(PromptAnswer::kYes);   // write the backup back
            QTest::mouseClick(dialog.writeButton(), Qt::LeftButton);
        });
        // The failure is told first, then the backup is offered.
        int told = -1, offered = -1;
        for (int i = 0; i < static_cast<int>(f.prompt.shown.size()); ++i) {
            const RecordedPrompt& shown = f.prompt.shown[static_cast<std::size_t>(i)];
            if (!shown.question && shown.text.find("Failed to correspond with ECU.") == 0 && told < 0) told = i;
            if (shown.question && shown.text.find("logbook entry 1") != std::string::npos) offered = i;
        }
        QVERIFY(told >= 0);
        QVERIFY(offered > told);
        QCOMPARE(f.sim->Stop(), 0);
        std::string text = place.Read("saved.s19");
        text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }),
                   text.end());
        const DecodedRecords decoded = DecodeRecords(text);
        QVERIFY(decoded.ok);
        QVERIFY(decoded.bytes == Range(options.ecuImage, kFirst, kLast));
        Logbook book(Logbook::FolderFor(f.app->settingsFilePath));
        std::vector<std::string> steps;
        for (const LogEntry& entry : book.List()) steps.push_back(entry.operation + " " + entry.result);
        QVERIFY(steps == (std::vector<std::string>{"backup Complete", "write Fail", "backup Complete",
                                                   "restore Complete"}));
    }

    // A close during a write to the ECU waits for the next record and asks
    // there (default No); yes stops the write, and the window that was
    // closed goes once the offer of the backup is over.
    void aCloseDuringAWriteAsksWhetherToStopIt_data() {
        QTest::addColumn<bool>("frameCloses");
        QTest::addColumn<bool>("stop");
        QTest::newRow("frame, no") << true << false;
        QTest::newRow("frame, yes: backup written back") << true << true;
        QTest::newRow("window, yes: backup kept") << false << true;
    }
    void aCloseDuringAWriteAsksWhetherToStopIt() {
        QFETCH(bool, frameCloses);
        QFETCH(bool, stop);
        EcuFrame f;
        f.Open();
        f.dialogs.nextFile = f.install.dir.Write("next.qsd", CalibrationFile(CalibrationImage(42)));
        // The guard's question, the stop, the offer of the backup.
        f.prompt.answers = {PromptAnswer::kYes, stop ? PromptAnswer::kYes : PromptAnswer::kNo,
                            frameCloses ? PromptAnswer::kYes : PromptAnswer::kNo};
        bool closed = true, stillOpen = false;
        f.dialogs.exchange = [&](CDataExchangeDlg& dialog) {
            dialog.show();
            Read(dialog, 2);
            SafeWrite& write = *dialog.Exchange().safeWrite;
            write.onPhase = [&, shown = write.onPhase](WritePhase phase) {
                shown(phase);
                if (phase == WritePhase::kWrite && closed) closed = frameCloses ? f.frame->close() : dialog.close();
            };
            NextChoice(dialog, 0);
            QTest::mouseClick(dialog.writeButton(), Qt::LeftButton);
            stillOpen = dialog.isVisible();
            dialog.reject();
            return dialog.result();
        };
        f.frame->OnCommand(cmd::kDataExchange);
        QVERIFY(!closed);   // held for the question
        QVERIFY(f.prompt.shown.size() >= 2);
        QCOMPARE(f.prompt.shown[1].text, StopWriteQuestion());
        QCOMPARE(stillOpen, !stop);
        QTRY_COMPARE_WITH_TIMEOUT(f.frame->isVisible(), !(frameCloses && stop), 10000);
        std::vector<std::string> entries{"backup Complete", stop ? "write interrupted" : "write Complete"};
        if (frameCloses && stop) entries.insert(entries.end(), {"backup Complete", "restore Complete"});
        QCOMPARE(Entries(f), entries);
    }

    void aReadCutAfterThreeRecordsKeepsTheirBytesInRed() {
        Options options;
        options.range = "0000-00FF";
        options.simArguments = {"--fault", "stop-after=3"};
        EcuFrame f(options);
        f.Open();
        f.prompt.shown.clear();
        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            Read(dialog, 0);
            QCOMPARE(f.prompt.shown.size(), std::size_t{1});
            QCOMPARE(f.prompt.Last().text, std::string("Failed to correspond with ECU.\nRead Error Address : 0030"));
            QCOMPARE(f.prompt.Last().caption, std::string("Data Exchange"));
            QCOMPARE(f.prompt.Last().icon, PromptIcon::kExclamation);
            const DataPane& pane = dialog.Exchange().ExchangeBuffer();
            QVERIFY(pane.partial);
            QCOMPARE(pane.Length(), 48);
            QCOMPARE(pane.rowCount, 3);
            QCOMPARE(QString::fromStdString(PaneRow(pane, 2).address), QString("0020"));
            QCOMPARE(dialog.hexView()->ByteColor(), QColor(Qt::red));
            QCOMPARE(dialog.titleLabel()->text(), QString("ECU Data"));
            QCOMPARE(LastReportLine(dialog), QString("Read from ECU data   --->   Fail"));
            QVERIFY(!dialog.writeButton()->isEnabled());
            QVERIFY(!dialog.verifyButton()->isEnabled());
            QVERIFY(dialog.clearButton()->isEnabled());
            QVERIFY(dialog.readButton()->isEnabled());
        });
        QVERIFY(!f.frame->Session().Link().portOpen);
        QCOMPARE(f.app->modified, 0);
    }

    void theMenuDialogAndTheDialogBarLeadToTheWindow() {
        EcuFrame f(Options{});
        f.Open();
        int runs = 0;
        f.dialogs.exchange = [&](CDataExchangeDlg& dialog) {
            ++runs;
            return dialog.result();
        };
        QTest::mouseClick(f.frame->toolButton(cmd::kDataExchange), Qt::LeftButton);
        QCOMPARE(runs, 1);
        f.dialogs.menu = [](CMenuDlg& dialog) {
            dialog.show();
            QTest::mouseClick(dialog.exchangeButton(), Qt::LeftButton);
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
            return dialog.result();
        };
        f.frame->OnCommand(cmd::kMenu);
        QCOMPARE(runs, 2);
        QVERIFY(f.prompt.shown.empty());   // no "not available" any more
    }

    void theChoiceDialogsOfferTheirSourcesAndWithoutAnEcuStartAtTheEdit() {
        EcuFrame f(Options{});
        f.Open();
        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            bool checked = false;
            dialog.runChoice = [&](CExchangeChoiceDlg& choice) {
                choice.show();
                checked = choice.windowTitle() == "Data Read" && choice.choiceButton(0)->isChecked() &&
                          choice.choiceButton(0)->text() == "ECU Data" && choice.choiceButton(2)->text() == "File Data";
                QTest::mouseClick(choice.cancelButton(), Qt::LeftButton);
                return choice.result();
            };
            QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
            QVERIFY(checked);
            QCOMPARE(dialog.report()->toPlainText(), QString());   // Cancel: nothing happens

            dialog.noEcu = true;
            dialog.runChoice = [&](CExchangeChoiceDlg& choice) {
                choice.show();
                checked = !choice.choiceButton(0)->isEnabled() && choice.choiceButton(1)->isChecked();
                QTest::mouseClick(choice.okButton(), Qt::LeftButton);
                return choice.result();
            };
            QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
            QVERIFY(checked);
            QCOMPARE(dialog.titleLabel()->text(), QString("Edit Data  [ cal.qsd ]"));
            QCOMPARE(LastReportLine(dialog), QString("Read from edit data   --->   Complete"));
        });
        QVERIFY(!f.frame->Session().Link().portOpen);   // the edit data needs no ECU
    }

    void aMonitorLeftRunningNeitherDisturbsNorIsDisturbedByTheExchange() {
        Options options;
        options.ecuImage = CalibrationImage(70);
        options.simArguments = {"--baud", "19200"};
        EcuFrame f(options);
        f.Open();
        f.frame->OnCommand(cmd::kMonitor);
        CMonitorWnd* monitor = f.frame->MonitorWindow();
        QVERIFY(monitor && monitor->isVisible());
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QVERIFY(f.frame->Session().Link().portOpen);
        QTRY_VERIFY_WITH_TIMEOUT(!monitor->valueBox(3)->text().isEmpty(), 10000);
        f.prompt.shown.clear();

        // Every answer of the monitor as the exchange goes on.
        bool errorSeen = false;
        int answers = 0;
        bool exchanging = false;
        f.frame->LiveMonitor().onValue = [&](std::size_t position, const std::string& text) {
            ++answers;
            if (text == monitor::kError) qWarning("Error in row %d (exchange running: %d)", int(position), exchanging);
            errorSeen = errorSeen || text == monitor::kError;
        };
        RunExchange(f, [&](CDataExchangeDlg& dialog) {
            for (int round = 0; round < 3; ++round) {
                if (round > 0) {
                    f.prompt.answers.push_back(PromptAnswer::kOk);   // "Do you cancel current data ?"
                    QTest::qWait(250);   // the monitor goes on between the reads
                }
                exchanging = true;
                Read(dialog, 0);
                exchanging = false;
                QCOMPARE(LastReportLine(dialog), QString("Read from ECU data   --->   Complete"));
                QVERIFY(dialog.Exchange().ExchangeBuffer().bytes == Range(options.ecuImage, kFirst, kLast));
            }
            NextChoice(dialog, 0);
            QTest::mouseClick(dialog.verifyButton(), Qt::LeftButton);
            QCOMPARE(LastReportLine(dialog), QString("Compare with ECU data   --->   Same"));
        });
        QCOMPARE(Entries(f), (std::vector<std::string>{"read Complete", "read Complete", "read Complete", "verify Same"}));
        // The monitor went on between the reads and goes on afterwards.
        QVERIFY(answers > 0);
        QVERIFY(f.frame->Session().Link().portOpen);
        const int before = answers;
        QTRY_VERIFY_WITH_TIMEOUT(answers >= before + 8, 10000);
        QVERIFY(!errorSeen);
        for (int row = 0; row < monitor->UsedRows(); ++row) QVERIFY(monitor->valueBox(row)->text() != "Error");
        for (const RecordedPrompt& p : f.prompt.shown) QVERIFY2(p.question, p.text.c_str());
        QTest::mouseClick(monitor->startButton(), Qt::LeftButton);
        QVERIFY(!f.frame->Session().Link().portOpen);
    }
};

QTEST_MAIN(DataExchangeDlgTest)
#include "DataExchangeDlgTest.moc"
