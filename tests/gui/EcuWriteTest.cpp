// Shift+Enter's single-address writes through the main frame's own serial
// link, event pump, link timer, protocol and progress window, against
// ecusim on a pseudo-terminal (COM1 through RV_TUNE_COM1). What reached the
// ECU is read from the image ecusim saves when it stops.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/ChildFrame.h"
#include "app/CommandIds.h"
#include "app/HeadlessHost.h"
#include "app/gui/MainFrame.h"
#include "ecu/gui/ProgressWnd.h"
#include "app/QelApp.h"
#include "model/Strings.h"
#include "ecu/EcuRecords.h"
#include "ecu/Logbook.h"
#include "ecu/SerialLink.h"
#include "edit/gui/QelView.h"
#include "edit/gui/TableWnd.h"
#include "files/SRecord.h"
#include "tests/gui/ScriptedDialogs.h"
#include "tests/files/TestInstall.h"
#include "tests/gui/TestCalibration.h"
#include "tests/support/Ecusim.h"
#include "tests/support/Process.h"
#include "tests/support/RecordingPrompt.h"

namespace {

// A Config Map machine: "Boost Fuel" has 3 THROT rows x 4 RPM columns of
// DATA at 0x3000 (x/10), its axes in the image (type 3).
constexpr const char* kDefinition =
    "[Config Map]\n"
    "3000,30FF,0000\n"
    "Boost Fuel,0,B\n"
    "THROT,0,100,x/2,x*2\n"
    "RPM,0,16000,x*100,x/100\n"
    "Fuel,0,25.5,x/10,x*10\n"
    "z,3100,1,3,2\n"
    "x,3110,2,4,5\n"
    "y,3000\n";
constexpr std::uint16_t kData = 0x3000;
constexpr std::uint16_t kFirst = 0x3000;
constexpr std::uint16_t kLast = 0x311F;

// The link timer bounds the waits; the per-byte time-out is generous so
// that an echo from a busy machine still counts, and the identification
// makes one attempt, so a silent ECU is given up quickly all the same.
constexpr const char* kSettings =
    "[RS232C]\nPORT=PORT1\nSPEED=9600\nXFLLOW=NO\nTIMEOUT=200\nWAITTIME=1\nRETRY=0\nECRETRY=0\n"
    "[PRECISION]\nX=0\nY=1\nZ=1\n";

Image CalibrationImage() {
    Image image{};
    for (int i = 0; i < 12; ++i) image[kData + i] = static_cast<std::uint8_t>(40 + 10 * i);
    const int throt[] = {0, 60, 200};
    for (int i = 0; i < 3; ++i) image[0x3100 + i] = static_cast<std::uint8_t>(throt[i]);
    const int rpm[] = {10, 40, 90, 150};
    for (int i = 0; i < 4; ++i) {
        image[0x3110 + 2 * i] = 0;
        image[0x3111 + 2 * i] = static_cast<std::uint8_t>(rpm[i]);
    }
    std::uint8_t sum = 0;
    for (int a = kFirst; a < kLast; ++a) sum = static_cast<std::uint8_t>(sum + image[a]);
    image[kLast] = static_cast<std::uint8_t>(0x7F - sum);
    return image;
}

std::string CalibrationFile() {
    const Image image = CalibrationImage();
    std::string text = "[Machine]\nModel,TST01\n\n[Data]\nCalib:\n";
    for (int a = kFirst; a <= kLast; a += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
    return text + "S9030000FC\nFixed:\n";
}

// The test machine with our Config Map definition, ecusim standing in for
// the ECU on COM1, and a main frame whose file dialog and Menu dialog
// answer from the test.
struct EcuCalibration {
    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    testinstall::EnvOverride com1{"RV_TUNE_COM1", install.dir.File("ecu")};
    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    std::unique_ptr<EcusimProcess> sim;
    std::unique_ptr<CQelApp> app;
    ScriptedDialogs dialogs;
    std::unique_ptr<CMainFrame> frame;
    std::string saved;

    // withImage: the ECU starts with the calibration's memory, else all zero.
    EcuCalibration(bool withImage, std::vector<std::string> simArguments) : saved(install.dir.File("saved.s19")) {
        install.dir.Write("install/TST01/RV_Tune.INI", kSettings);
        install.dir.Write("install/TST01/RV_Tune.STZ", kDefinition);
        if (withImage) simArguments.insert(simArguments.end(), {"--image", install.dir.Write("ecu.qsd", CalibrationFile())});
        simArguments.insert(simArguments.end(), {"--range", "3000-311F", "--save", saved});
        sim = std::make_unique<EcusimProcess>(install.dir.File("ecu"), simArguments);
        if (!sim->Ready()) qFatal("ecusim did not come up (is %s built?)", EcusimPath().c_str());

        AppOptions options;
        options.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(options);
        if (!app->InitInstance(host)) qFatal("start-up failed");
        frame = std::make_unique<CMainFrame>(*app, prompt, &dialogs);
        const std::string path = install.dir.Write("cal.qsd", CalibrationFile());
        dialogs.nextFile = path;
        frame->resize(900, 700);
        frame->show();
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame.get())) qFatal("frame not active");
        frame->OnCommand(cmd::kOpen);
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame.get())) qFatal("frame not active again");
    }
    ~EcuCalibration() {
        frame.reset();
        app->ExitInstance();
    }

    CQelView* ViewOfKind(int kind) const {
        for (CQelView* v : frame->Views())
            if (v->Kind() == kind) return v;
        return nullptr;
    }
    CTableWnd* Table() {
        CQelView* view = ViewOfKind(kWindowTable);
        if (!view) return nullptr;
        frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
        QApplication::processEvents();
        return static_cast<CTableWnd*>(view->ChildWnd());
    }
    void Click(CTableWnd* table, int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, modifiers,
                          table->GridCellCentre({kEditData, row, column}));
    }
    // Stops ecusim and reads the memory it saved: the ECU's bytes kFirst..kLast.
    std::string EcuBytes() {
        if (sim->Stop() < 0) return {};
        QFile file(QString::fromStdString(saved));
        if (!file.open(QIODevice::ReadOnly)) return {};
        std::string text = file.readAll().toStdString();
        text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }),
                   text.end());
        const DecodedRecords decoded = DecodeRecords(text);
        if (!decoded.ok || decoded.start != kFirst) return {};
        return std::string(decoded.bytes.begin(), decoded.bytes.end());
    }
};

// The ecusim options scripts/demo gives the ECU of a shipped machine, from
// the same shell function.
std::vector<std::string> DemoEcusimArguments(const std::string& folder) {
    const ProcessResult run = RunProcess(
        {"/bin/bash", "-c", "source \"$1/scripts/common.sh\" && rv_ecusim_machine_args \"$1/data/$2/RV_Tune.STZ\"",
         "bash", RV_SOURCE_DIR, folder},
        {}, std::chrono::seconds(30));
    std::vector<std::string> arguments;
    if (run.status != 0) return arguments;
    std::string line;
    for (char c : run.out) {
        if (c != '\n') {
            line += c;
            continue;
        }
        arguments.push_back(line);
        line.clear();
    }
    return arguments;
}

// A shipped machine with its standard calibration, and ecusim holding the
// same calibration on COM1, started as the demo starts it (or with the
// arguments given instead).
struct ShippedEcu {
    TestCalibration cal;
    testinstall::EnvOverride com1;
    std::string saved;
    std::unique_ptr<EcusimProcess> sim;

    ShippedEcu(const ShippedMachine& machine, std::vector<std::string> arguments)
        : cal(machine), com1("RV_TUNE_COM1", cal.install.dir.File("ecu")), saved(cal.install.dir.File("saved.s19")) {
        const std::string folder = machine.folder;
        arguments.insert(arguments.end(), {"--image", std::string(RV_SOURCE_DIR "/data/") + folder + "/WORK/" +
                                                          folder + ".qsd", "--save", saved});
        sim = std::make_unique<EcusimProcess>(cal.install.dir.File("ecu"), arguments);
        if (!sim->Ready()) qFatal("ecusim did not come up (is %s built?)", EcusimPath().c_str());
        cal.Open(0);
        cal.prompt.shown.clear();
    }
    // The ECU's memory, from the file ecusim saves when it stops; empty on failure.
    DecodedRecords EcuMemory() {
        DecodedRecords none;
        if (sim->Stop() < 0) return none;
        QFile file(QString::fromStdString(saved));
        if (!file.open(QIODevice::ReadOnly)) return none;
        std::string text = file.readAll().toStdString();
        text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }),
                   text.end());
        return DecodeRecords(text);
    }
};

int EcuByte(const DecodedRecords& memory, std::uint16_t address) {
    if (!memory.ok || address < memory.start || address - memory.start >= memory.bytes.size()) return -1;
    return memory.bytes[address - memory.start];
}

std::uint8_t At(const std::string& bytes, std::uint16_t address) {
    const std::size_t offset = address - kFirst;
    return offset < bytes.size() ? static_cast<std::uint8_t>(bytes[offset]) : std::uint8_t{0xEE};
}

}  // namespace

class EcuWriteTest : public QObject {
    Q_OBJECT

private slots:
    void shiftEnterWritesTheTypedCellAndThenTheSelectionToTheEcu() {
        EcuCalibration cal(false, {});
        CTableWnd* table = cal.Table();
        QVERIFY(table);
        cal.prompt.shown.clear();

        cal.Click(table, 1, 2);
        table->gridEditor()->selectAll();
        QTest::keyClicks(table->gridEditor(), "9.9");
        QTest::keyClick(table->gridEditor(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(int(cal.app->image()[kData + 6]), 99);
        QCOMPARE(cal.frame->ProgressWindow().TitleText(), QString("( 3006 ) = 63"));
        QCOMPARE(table->statusLine()->text(), QString("3006 = 63 sent to the ECU"));
        QVERIFY(!cal.frame->ProgressWindow().isVisible());
        // The port was closed before, so it is closed again, timer and all.
        QVERIFY(!cal.frame->Session().Link().portOpen);
        QVERIFY(!cal.frame->Timer().LinkTimerRunning());

        // A selection sends every selected cell, the cursor's value unchanged.
        cal.Click(table, 0, 0);
        cal.Click(table, 0, 1, Qt::ShiftModifier);
        QTest::keyClick(table->gridEditor(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(cal.frame->ProgressWindow().ShowCount(), 3);
        QCOMPARE(table->statusLine()->text(), QString("3000 = 28, 3001 = 32 sent to the ECU"));
        QVERIFY(cal.prompt.shown.empty());

        const std::string ecu = cal.EcuBytes();
        QVERIFY(!ecu.empty());
        QCOMPARE(int(At(ecu, kData + 6)), 99);
        QCOMPARE(int(At(ecu, kData + 0)), 40);
        QCOMPARE(int(At(ecu, kData + 1)), 50);
        QCOMPARE(int(At(ecu, kData + 2)), 0);   // neither typed nor selected
        // Each run of addresses written is an entry of this machine.
        std::vector<std::string> entries;
        for (const LogEntry& entry : Logbook(Logbook::FolderFor(cal.app->settingsFilePath)).List())
            entries.push_back(entry.operation + " " + entry.result + " " + entry.machine + " " + entry.detail);
        QCOMPARE(entries, (std::vector<std::string>{"write-byte Complete TST01 3006 = 63",
                                                    "write-byte Complete TST01 3000 = 2832"}));
    }

    void aWriteTheLogbookCannotTakeStandsAndIsSaid() {
        EcuCalibration cal(false, {});
        cal.install.dir.Write("install/TST01/WORK/LOGBOOK", "not a folder");
        CTableWnd* table = cal.Table();
        cal.prompt.shown.clear();
        cal.Click(table, 0, 0);
        QTest::keyClick(table->gridEditor(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(cal.prompt.shown.size(), std::size_t{1});
        QVERIFY(cal.prompt.Last().text.find("the logbook could not take its entry") != std::string::npos);
        QCOMPARE(int(At(cal.EcuBytes(), kData)), 40);
    }

    void mapWindowShiftEnterSendsTheSteppedValueOfTheCursorCell() {
        EcuCalibration cal(true, {});
        CQelView* map = cal.ViewOfKind(kWindowMap);
        QVERIFY(map);
        cal.frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(map->parentWidget()));
        QApplication::processEvents();
        cal.prompt.shown.clear();
        QCOMPARE(cal.app->currentMap->cursor.mode, int(kEditData));
        const int row = cal.app->currentMap->cursor.row;
        const int column = cal.app->currentMap->cursor.column;
        const auto address = static_cast<std::uint16_t>(kData + row * 4 + column);
        const int before = cal.app->image()[address];

        cal.frame->OnCommand(cmd::kForwardPageUp);   // one step up, in the image only
        QCOMPARE(int(cal.app->image()[address]), before + 1);
        QTest::keyClick(map, Qt::Key_Return, Qt::ShiftModifier);
        QVERIFY(cal.prompt.shown.empty());
        QVERIFY(!cal.frame->Session().Link().portOpen);

        const std::string ecu = cal.EcuBytes();
        QVERIFY(!ecu.empty());
        QCOMPARE(int(At(ecu, address)), before + 1);
    }

    void theLinkTimerCountsTheSilenceDownAndFrameCloseClosesThePort() {
        EcuCalibration cal(false, {});
        SerialLink& link = cal.frame->Session().Link();
        QVERIFY(cal.frame->Session().OpenPort(true));
        QVERIFY(cal.frame->Timer().LinkTimerRunning());
        QVERIFY(!link.ecuChecked);   // the identification at open only primes the line
        link.silenceCountdown = 1000;
        const long ticks = cal.frame->Timer().TickCount();
        QTRY_VERIFY_WITH_TIMEOUT(cal.frame->Timer().TickCount() >= ticks + 3, 30000);
        QCOMPARE(link.silenceCountdown, std::int32_t(1000 - (cal.frame->Timer().TickCount() - ticks)));

        QVERIFY(cal.frame->close());
        QVERIFY(!link.portOpen);
        QVERIFY(!cal.frame->Timer().LinkTimerRunning());
        // Without the link timer nothing moves the countdown.
        QVERIFY(cal.frame->Session().OpenPort(false));
        QVERIFY(!cal.frame->Timer().LinkTimerRunning());
        cal.frame->Session().ClosePort();
        QVERIFY(!link.portOpen);
    }

    void whileAWriteWaitsForTheMonitorACloseWaitsAndASecondWriteIsRefused() {
        EcuCalibration cal(false, {});
        CTableWnd* table = cal.Table();
        QVERIFY(table);
        cal.Click(table, 0, 0);
        cal.prompt.shown.clear();
        SerialLink& link = cal.frame->Session().Link();
        QVERIFY(cal.frame->Session().OpenPort(true));
        // A monitor request that is answered on the third tick: the write
        // dispatches events until then.
        int ticks = 0;
        link.monitorActive = true;
        link.monitorHook = [&] { link.monitorActive = ++ticks < 3; };
        int nested = 0;
        bool closed = true;
        QTimer::singleShot(0, cal.frame.get(), [&] {
            nested = cal.frame->Session().WriteBytes({{0x3002, 7}});
            closed = cal.frame->close();
        });
        QTest::keyClick(table->gridEditor(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(ticks, 3);
        QCOMPARE(nested, -1);
        QVERIFY(!closed);
        QVERIFY(cal.frame->isVisible());
        QVERIFY(link.portOpen);   // it was open before the write
        link.monitorHook = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(!cal.frame->isVisible(), 30000);   // the close comes afterwards
        QVERIFY(!link.portOpen);
        QVERIFY(cal.prompt.shown.empty());

        const std::string ecu = cal.EcuBytes();
        QVERIFY(!ecu.empty());
        QCOMPARE(int(At(ecu, kData + 0)), 40);
        QCOMPARE(int(At(ecu, kData + 2)), 0);
    }

    // The demo's ECU answers with the identification and command set of the
    // machine the demo runs, so the single-address writes of Shift+Enter go
    // through on every shipped machine.
    void theDemoEcuTakesSingleWritesOnEveryShippedMachine_data() {
        QTest::addColumn<int>("machine");
        QTest::newRow("KST26A") << 0;
        QTest::newRow("HRN26C") << 1;
    }
    void theDemoEcuTakesSingleWritesOnEveryShippedMachine() {
        QFETCH(int, machine);
        const ShippedMachine& shipped = machine == 0 ? kKestrel : kHeron;
        const std::vector<std::string> arguments = DemoEcusimArguments(shipped.folder);
        QVERIFY(std::find(arguments.begin(), arguments.end(), "--id") != arguments.end());
        ShippedEcu ecu(shipped, arguments);
        MapRecord& map = ecu.cal.Map();
        const auto cell = static_cast<std::uint16_t>(map.y.start + 1);
        const std::uint8_t value = static_cast<std::uint8_t>(ecu.cal.Byte(cell) + 3);
        if (ecu.cal.app->definitionKind == kDefinitionConfigMap) {
            // Shift+Enter in the table sends the cell typed into.
            CQelView* view = ecu.cal.ViewOfKind(kWindowTable);
            ecu.cal.Activate(view);
            auto* table = static_cast<CTableWnd*>(view->ChildWnd());
            QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, {}, table->GridCellCentre({kEditData, 0, 1}));
            table->gridEditor()->selectAll();
            float physical = 0.0f;
            ToPhysicalByte(map.y, value, physical);
            QTest::keyClicks(table->gridEditor(), QString::fromStdString(FormatData(physical, &map, ecu.cal.app->formats)));
            QTest::keyClick(table->gridEditor(), Qt::Key_Return, Qt::ShiftModifier);
            QCOMPARE(int(ecu.cal.Byte(cell)), int(value));
        } else {
            // A Free Map machine has no Shift+Enter; its single writes go the same way.
            QCOMPARE(ecu.cal.frame->WriteToEcu({{cell, value}}), 0);
        }
        QCOMPARE(ecu.cal.Texts(), std::vector<std::string>{});
        QCOMPARE(EcuByte(ecu.EcuMemory(), cell), int(value));
    }

    // Without the machine's identification the same write is refused: what
    // the demo passes is what makes it work.
    void anEcuOfAnotherTypeRefusesTheWrite() {
        ShippedEcu ecu(kHeron, {});   // ecusim's own identification, "M1"
        const auto cell = static_cast<std::uint16_t>(ecu.cal.Map().y.start + 1);
        const int before = ecu.cal.Byte(cell);
        QVERIFY(ecu.cal.frame->WriteToEcu({{cell, 0x55}}) != 0);
        QCOMPARE(ecu.cal.Texts(), std::vector<std::string>{Str(str::kEcuTypeDifferent)});
        QCOMPARE(EcuByte(ecu.EcuMemory(), cell), before);
    }

    void aSilentEcuShowsNoResponseAndChangesNothing() {
        EcuCalibration cal(false, {"--fault", "silent"});
        CTableWnd* table = cal.Table();
        QVERIFY(table);
        cal.prompt.shown.clear();
        const Image before = cal.app->image();

        // Two selected cells: the first failure ends the writes with one
        // message, not one per cell.
        cal.Click(table, 2, 0);
        cal.Click(table, 2, 1, Qt::ShiftModifier);
        QTest::keyClick(table->gridEditor(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(cal.prompt.shown.size(), std::size_t{1});
        QCOMPARE(cal.prompt.Last().text, Str(str::kNoResponse));
        QCOMPARE(cal.prompt.Last().icon, PromptIcon::kExclamation);
        QCOMPARE(cal.frame->ProgressWindow().ShowCount(), 1);
        QVERIFY(!cal.frame->ProgressWindow().isVisible());
        QVERIFY(!cal.frame->Session().Link().portOpen);
        QVERIFY(!cal.frame->Session().Link().exchangeBusy);
        QVERIFY(cal.app->image() == before);
        QCOMPARE(cal.app->modified, 0);

        const std::string ecu = cal.EcuBytes();
        QVERIFY(!ecu.empty());
        QVERIFY(std::all_of(ecu.begin(), ecu.end(), [](char c) { return c == 0; }));
    }
};

QTEST_MAIN(EcuWriteTest)
#include "EcuWriteTest.moc"
