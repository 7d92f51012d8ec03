#pragma once
// A main frame on a test machine of our own with ecusim standing in for the
// ECU: the machine TST01 has one Config Map ("Boost Fuel", 3 THROT rows x 4
// RPM columns of DATA at 0x3000, x/10), a calibration 0x3000-0x311F, and the
// monitor items given; ecusim answers on the pseudo-terminal that COM1 (or
// the port named) leads to. File dialogs answer from nextFile; the Menu
// dialog takes the first map.
#include <QApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "app/gui/ChildFrame.h"
#include "app/gui/MainFrame.h"
#include "edit/gui/QelView.h"
#include "edit/gui/TableWnd.h"
#include "files/SRecord.h"
#include "model/Image.h"
#include "tests/files/TestInstall.h"
#include "tests/support/Ecusim.h"
#include "tests/gui/ScriptedDialogs.h"
#include "tests/support/RecordingPrompt.h"

namespace ecuframe {

constexpr std::uint16_t kData = 0x3000;
constexpr std::uint16_t kFirst = 0x3000;
constexpr std::uint16_t kLast = 0x311F;

// One line per item of [Diag.Com]: request byte (ecusim answers 01-0F with
// two bytes, 10-3F with one, but never the flow-control bytes 11 and 13),
// name, unit, size, factor, offset.
inline std::string DiagLine(int request, const std::string& name, const std::string& unit, int size,
                            const std::string& factor, const std::string& offset) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", request);
    return "D," + std::string(hex) + "," + name + "," + unit + "," + std::to_string(size) + "," + factor + "," +
           offset + "\n";
}

// Four items of both sizes.
inline std::string FourItems() {
    return DiagLine(0x01, "Engine Speed", "rpm", 2, "1", "0") + DiagLine(0x14, "Throttle", "%", 1, "0.5", "0") +
           DiagLine(0x15, "Coolant Temp", "degC", 1, "1", "-40") + DiagLine(0x02, "Injection Time", "ms", 2, "0.004", "0");
}

// count (at most 32) one-byte items "Sensor 01" .. from request 0x20 on.
inline std::string NumberedItems(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Sensor %02d", i + 1);
        lines += DiagLine(0x20 + i, name, "V", 1, "0.1", "0");
    }
    return lines;
}

inline std::string Definition(const std::string& diagItems) {
    return "[Config Map]\n"
           "3000,30FF,0000\n"
           "Boost Fuel,0,B\n"
           "THROT,0,100,x/2,x*2\n"
           "RPM,0,16000,x*100,x/100\n"
           "Fuel,0,25.5,x/10,x*10\n"
           "z,3100,1,3,2\n"
           "x,3110,2,4,5\n"
           "y,3000\n"
           "[Diag.Com]\n" +
           diagItems;
}

// The link timer bounds the waits: a silent line is given up after 30 ticks.
inline std::string Settings(const std::string& port = "PORT=PORT1\n") {
    return "[RS232C]\n" + port + "SPEED=19200\nXFLLOW=NO\nTIMEOUT=30\nWAITTIME=1\nRETRY=0\nECRETRY=0\n"
           "[PRECISION]\nX=0\nY=1\nZ=1\n";
}

// The calibration: DATA 40, 50, 60, ... (4.0, 5.0, ...), its axes, and the
// checksum byte at 0x311F.
inline Image CalibrationImage(int dataSeed = 40) {
    Image image{};
    for (int i = 0; i < 12; ++i) image[kData + i] = static_cast<std::uint8_t>(dataSeed + 10 * i);
    const int throt[] = {0, 60, 200};
    for (int i = 0; i < 3; ++i) image[0x3100 + i] = static_cast<std::uint8_t>(throt[i]);
    const int rpm[] = {10, 40, 90, 150};
    for (int i = 0; i < 4; ++i) image[0x3111 + 2 * i] = static_cast<std::uint8_t>(rpm[i]);
    std::uint8_t sum = 0;
    for (int a = kFirst; a < kLast; ++a) sum = static_cast<std::uint8_t>(sum + image[a]);
    image[kLast] = static_cast<std::uint8_t>(0x7F - sum);
    return image;
}

// A data file of image's bytes first..last (16 a record).
inline std::string CalibrationFile(const Image& image, int first = kFirst, int last = kLast) {
    std::string text = "[Machine]\nModel,TST01\n\n[Data]\nCalib:\n";
    for (int a = first; a <= last; a += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
    return text + "S9030000FC\nFixed:\n";
}

struct Options {
    std::string diagItems = FourItems();
    std::string settings = Settings();
    bool ecuHasImage = true;                 // else the ECU's memory is all zero
    Image ecuImage = CalibrationImage();
    int ecuLast = kLast;                     // the ECU's memory holds ecuImage from kFirst to here
    std::string range = "3000-311F";         // what a block read of the ECU sends
    std::vector<std::string> simArguments;   // more ecusim options
    const char* comName = "RV_TUNE_COM1";
    bool startSim = true;
};

struct EcuFrame {
    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    std::unique_ptr<testinstall::EnvOverride> com;
    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    std::unique_ptr<EcusimProcess> sim;
    std::unique_ptr<CQelApp> app;
    std::unique_ptr<CMainFrame> frame;
    ScriptedDialogs dialogs;       // the file dialogs answer nextFile, the Menu dialog takes map 0
    std::string calibration;

    explicit EcuFrame(const Options& options = Options()) {
        install.dir.Write("install/TST01/RV_Tune.INI", options.settings);
        install.dir.Write("install/TST01/RV_Tune.STZ", Definition(options.diagItems));
        calibration = install.dir.Write("cal.qsd", CalibrationFile(CalibrationImage()));
        com = std::make_unique<testinstall::EnvOverride>(options.comName, install.dir.File("ecu"));
        if (options.startSim) {
            std::vector<std::string> arguments = options.simArguments;
            if (options.ecuHasImage)
                arguments.insert(arguments.end(),
                                 {"--image", install.dir.Write("ecu.qsd", CalibrationFile(options.ecuImage, kFirst, options.ecuLast))});
            arguments.insert(arguments.end(), {"--range", options.range});
            sim = std::make_unique<EcusimProcess>(install.dir.File("ecu"), arguments);
            if (!sim->Ready()) qFatal("ecusim did not come up (is %s built?)", EcusimPath().c_str());
        }
        Start();
    }
    ~EcuFrame() { Stop(); }

    // The program as it starts: application object and main frame.
    void Start() {
        AppOptions appOptions;
        appOptions.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(appOptions);
        if (!app->InitInstance(host)) qFatal("start-up failed");
        frame = std::make_unique<CMainFrame>(*app, prompt, &dialogs);
        frame->resize(900, 700);
        frame->show();
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame.get())) qFatal("frame not active");
    }
    // The program ends as the user ends it: the main window closes.
    void Stop() {
        if (!frame) return;
        frame->close();
        frame.reset();
        app->ExitInstance();
        app.reset();
    }
    void Restart() {
        Stop();
        Start();
    }
    // Ctrl+O with the calibration (or another file).
    void Open(const std::string& path = "") {
        dialogs.nextFile = path.empty() ? calibration : path;
        frame->OnCommand(cmd::kOpen);
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame.get())) qFatal("frame not active again");
    }
    CTableWnd* Table() {
        for (CQelView* v : frame->Views()) {
            if (v->Kind() != kWindowTable) continue;
            frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(v->parentWidget()));
            QApplication::processEvents();
            return static_cast<CTableWnd*>(v->ChildWnd());
        }
        return nullptr;
    }
    void Click(CTableWnd* table, int row, int column) {
        QTest::mouseClick(table->grid()->viewport(), Qt::LeftButton, {},
                          table->GridCellCentre({kEditData, row, column}));
    }
    std::string SettingsText() const { return install.dir.Read("install/TST01/RV_Tune.INI"); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const RecordedPrompt& p : prompt.shown) texts.push_back(p.text);
        return texts;
    }
};

}  // namespace ecuframe
