#pragma once
// A started application on the test machine of tests/files/TestInstall.h
// (maps "Main", one RPM row, and "Twin", an RPM row per THROT row; 2 THROT
// rows x 3 RPM columns each), its calibration file, and a main frame whose
// file dialogs and Menu dialog answer from the test: no modal window runs.
// Or the same on a machine shipped in data/ with its standard calibration,
// from a copy of data/ in the test's folder: the program writes beside a
// machine's settings (the logbook of the writes to its ECU).
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>

#include "app/gui/ChildFrame.h"
#include "app/HeadlessHost.h"
#include "app/gui/MainFrame.h"
#include "app/QelApp.h"
#include "edit/gui/QelView.h"
#include "tests/files/TestInstall.h"
#include "tests/gui/ScriptedDialogs.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TestRegistry.h"

// A machine of data/MCN_LIST.DAT: its folder and its title there.
struct ShippedMachine {
    const char* folder;
    const char* title;
};
inline const ShippedMachine kKestrel{"KST26A", "'26 Kestrel-450(KST26A)"};
inline const ShippedMachine kHeron{"HRN26C", "'26 Heron-700(HRN26C)"};

struct TestCalibration {
    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    std::unique_ptr<CQelApp> app;
    std::unique_ptr<CMainFrame> frame;
    std::string path;
    ScriptedDialogs dialogs;       // the file dialog, Menu dialog, constants list and exchange

    explicit TestCalibration(const std::string& settingsExtra = "") {
        if (!settingsExtra.empty())
            install.dir.Write("install/TST01/RV_Tune.INI",
                              "[RS232C]\nPORT=PORT1\n[PRECISION]\nX=0\nY=1\nZ=1\n" + settingsExtra);
        Start(install.dir.Write("cal.qsd", testinstall::CalibrationFile()));
    }
    // The test machine with a definition and a calibration file of the test's own.
    TestCalibration(const std::string& definition, const std::string& calibrationFile) {
        install.dir.Write("install/TST01/RV_Tune.STZ", definition);
        Start(install.dir.Write("cal.qsd", calibrationFile));
    }
    explicit TestCalibration(const ShippedMachine& machine) {
        const std::string shipped = install.dir.File("shipped");
        std::error_code error;
        std::filesystem::copy(RV_SOURCE_DIR "/data", shipped, std::filesystem::copy_options::recursive, error);
        if (error) qFatal("cannot copy data/: %s", error.message().c_str());
        WriteTestRegistry(install.dir, shipped, machine.title, machine.folder);
        const std::string folder = machine.folder;
        Start(shipped + "/" + folder + "/WORK/" + folder + ".qsd");
    }
    void Start(const std::string& calibration) {
        AppOptions options;
        options.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(options);
        if (!app->InitInstance(host)) qFatal("start-up failed");
        path = calibration;
        frame = std::make_unique<CMainFrame>(*app, prompt, &dialogs);
        frame->resize(900, 700);
        frame->show();
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame.get())) qFatal("frame not active");
    }
    ~TestCalibration() {
        frame.reset();
        app->ExitInstance();
    }

    // Ctrl+O with the calibration and map index choice in the Menu dialog.
    void Open(int choice = 0) {
        dialogs.nextFile = path;
        dialogs.menuChoice = choice;
        QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier);
        // The Menu dialog took the activation with it.
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame.get())) qFatal("frame not active again");
    }
    CQelView* ViewOfKind(int kind) const {
        for (CQelView* v : frame->Views())
            if (v->Kind() == kind) return v;
        return nullptr;
    }
    void Activate(CQelView* view) {
        frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
        QApplication::processEvents();
    }
    MapRecord& Map() const { return *app->currentMap; }
    std::uint8_t Byte(std::uint16_t address) const { return app->image()[address]; }
    QString ActionText(int id) const { return frame->action(id)->text(); }
    bool ActionEnabled(int id) const {
        frame->UpdateCommandUi();
        return frame->action(id)->isEnabled();
    }
    // The texts of the prompts shown so far, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const RecordedPrompt& p : prompt.shown) texts.push_back(p.text);
        return texts;
    }
};
