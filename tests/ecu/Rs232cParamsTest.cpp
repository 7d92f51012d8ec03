// The RS232C parameter dialog without its window, and the port choice it
// leads to: the settings file, the registry and the next port opened.
#include <gtest/gtest.h>

#include "ecu/EcuProtocol.h"
#include "ecu/Monitor.h"
#include "ecu/Rs232cParams.h"
#include "ecu/SerialLink.h"
#include "model/Strings.h"
#include "platform/ProfileFile.h"
#include "platform/RegistryStore.h"
#include "tests/ecu/EcuFixture.h"
#include "tests/support/InstalledApp.h"

namespace {

SerialCodes Codes(int speed, int bits, int parity, int stop, int flow, int port) {
    SerialCodes codes;
    codes.speed = speed;
    codes.dataBits = bits;
    codes.parity = parity;
    codes.stopBits = stop;
    codes.xonXoff = flow;
    codes.port = port;
    return codes;
}

TEST(Rs232cDialogTest, OkWithoutAPortIsRefusedAndAChosenPortIsReturned) {
    Rs232cDialog dialog(Codes(5, 1, 0, 0, 0, -1), SerialCodes{});
    SerialCodes out = Codes(9, 9, 9, 9, 9, 9);
    EXPECT_EQ(dialog.Accept(out), str::kAllParametersNotDefined);
    EXPECT_EQ(Str(str::kAllParametersNotDefined), "All Parameters are not defined");
    EXPECT_EQ(out.port, 9);   // untouched
    dialog.choice.port = 5;   // "Port6"
    ASSERT_EQ(dialog.Accept(out), 0);
    EXPECT_EQ(out.port, 5);
    // The hidden groups come back as they went in.
    EXPECT_EQ(out.speed, 5);
    EXPECT_EQ(out.dataBits, 1);
    EXPECT_EQ(out.xonXoff, 0);
}

TEST(Rs232cDialogTest, EveryGroupNeedsAChoice) {
    const SerialCodes full = Codes(3, 1, 2, 1, 1, 0);
    SerialCodes out;
    for (int group = 0; group < 6; ++group) {
        SerialCodes codes = full;
        int* fields[] = {&codes.speed, &codes.dataBits, &codes.parity, &codes.stopBits, &codes.xonXoff, &codes.port};
        *fields[group] = -1;
        EXPECT_EQ(Rs232cDialog(codes, SerialCodes{}).Accept(out), str::kAllParametersNotDefined) << group;
        *fields[group] = 8;   // no radio of the group has this code
        EXPECT_EQ(Rs232cDialog(codes, SerialCodes{}).Accept(out), str::kAllParametersNotDefined) << group;
    }
    EXPECT_EQ(Rs232cDialog(full, SerialCodes{}).Accept(out), 0);
}

TEST(Rs232cDialogTest, OnlyThePortGroupIsShown) {
    for (Rs232cGroup group : {Rs232cGroup::kSpeed, Rs232cGroup::kBit, Rs232cGroup::kParity, Rs232cGroup::kStop,
                              Rs232cGroup::kXFlow, Rs232cGroup::kDefault})
        EXPECT_FALSE(Rs232cDialog::Shown(group));
    EXPECT_TRUE(Rs232cDialog::Shown(Rs232cGroup::kPort));
}

struct Rs232cSettingsTest : ::testing::Test, InstalledApp {
    std::string Settings() const { return install.dir.Read("install/TST01/RV_Tune.INI"); }
    void WriteSettings(const std::string& rs232c) {
        install.dir.Write("install/TST01/RV_Tune.INI", "[RS232C]\n" + rs232c + "[PRECISION]\nX=0\n");
    }
    ProfileFile File() const { return ProfileFile(install.dir.File("install/TST01/RV_Tune.INI")); }
};

TEST_F(Rs232cSettingsTest, TheDefaultValuesAreTheDialogsOwnWordsOnly) {
    WriteSettings("SPEED=19200\nDATA=7BIT\nPARITY=EVEN\nSTOP=1.5BIT\nXFLLOW=NO\nPORT=PORT4\n");
    Rs232cDialog dialog(Codes(3, 1, 0, 0, 1, 0), SettingsFileSerialCodes(File()));
    EXPECT_TRUE(dialog.DefaultEnabled());
    dialog.ApplyDefault();
    const SerialCodes& c = dialog.choice;
    EXPECT_EQ(c.speed, 5);
    EXPECT_EQ(c.dataBits, 0);
    EXPECT_EQ(c.parity, 2);
    EXPECT_EQ(c.stopBits, 1);
    EXPECT_EQ(c.xonXoff, 0);
    EXPECT_EQ(c.port, 3);

    // What the start-up reads leniently, the dialog does not know.
    WriteSettings("SPEED=38400\nDATA=7\nPARITY=NO\nSTOP=1\nXFLLOW=no\nPORT=PORT5\n");
    const SerialCodes odd = SettingsFileSerialCodes(File());
    EXPECT_EQ(odd.speed, -1);
    EXPECT_EQ(odd.dataBits, -1);
    EXPECT_EQ(odd.parity, -1);
    EXPECT_EQ(odd.stopBits, -1);
    EXPECT_EQ(odd.xonXoff, -1);
    EXPECT_EQ(odd.port, -1);
    EXPECT_FALSE(Rs232cDialog(Codes(3, 1, 0, 0, 1, 0), odd).DefaultEnabled());
    WriteSettings("");
    EXPECT_EQ(SettingsFileSerialCodes(File()).speed, -1);
}

TEST_F(Rs232cSettingsTest, TheCurrentCodesTurnTheFlowCodeIntoTheCheckBox) {
    ASSERT_TRUE(app.InitInstance(host));
    app.flowCode = 1;   // "NO"
    EXPECT_EQ(CurrentSerialCodes(app).xonXoff, 0);
    app.flowCode = 0;
    EXPECT_EQ(CurrentSerialCodes(app).xonXoff, 1);
    EXPECT_EQ(CurrentSerialCodes(app).port, 0);   // PORT1 of the test settings
    app.ExitInstance();
}

struct PortChoiceTest : Rs232cSettingsTest {
    FakeSerialPort port;
    FakeEventPump pump;
    std::unique_ptr<SerialLink> link;
    RecordingProgress progress;
    std::unique_ptr<EcuProtocol> protocol;
    std::unique_ptr<Monitor> monitor;

    void SetUp() override {
        ASSERT_TRUE(app.InitInstance(host));
        link = std::make_unique<SerialLink>(app, port, pump, pump);
        protocol = std::make_unique<EcuProtocol>(app, app.definitionLines, *link, prompt, progress);
        monitor = std::make_unique<Monitor>(app.diagItems, *link, *protocol, prompt);
        pump.onDispatch = [this] {
            if (pump.running) link->OnTick();
        };
        link->sleepMs = [](int) {};
        app.registry.expectedId = {{0, 0, 0}};   // no identification traffic
    }
    void TearDown() override {
        monitor.reset();
        protocol.reset();
        link.reset();
        app.ExitInstance();
    }
    std::string Registry() const { return install.dir.Read("registry.reg"); }
    bool Apply(const SerialCodes& codes) {
        ProfileFile settings = File();
        return ApplySerialCodes(*link, *monitor, codes, settings, app.registryStore());
    }
};

TEST_F(PortChoiceTest, ANewPortGoesToTheSettingsFileAndTheRegistryAndIsOpenedNext) {
    ASSERT_EQ(app.portCode, 0);
    const std::string before = Settings();
    ASSERT_TRUE(Apply(Codes(app.speedCode, app.dataBitsCode, app.parityCode, app.stopBitsCode, 1, 5)));
    EXPECT_EQ(app.portCode, 5);
    EXPECT_NE(Settings().find("PORT=PORT6"), std::string::npos);
    EXPECT_EQ(Settings().find("PORT=PORT1"), std::string::npos);
    EXPECT_NE(Settings().find("[PRECISION]"), std::string::npos);   // the rest stays
    EXPECT_NE(Registry().find("\"Rs232cPort\"=dword:00000005"), std::string::npos);
    EXPECT_EQ(app.registry.rs232cPort, 5);
    ASSERT_TRUE(link->OpenPort(false));
    EXPECT_EQ(port.openedDevices.back(), "COM6");
    link->ClosePort();
}

TEST_F(PortChoiceTest, TheSamePortWritesNothingButAStaleRegistryValue) {
    const std::string settings = Settings();
    const std::string registry = Registry();
    ProfileFile file = File();
    ASSERT_TRUE(link->SetPort(0, file, app.registryStore()));
    EXPECT_EQ(Settings(), settings);
    EXPECT_EQ(Registry(), registry);

    app.registry.rs232cPort = 3;   // the registry said otherwise
    ASSERT_TRUE(link->SetPort(0, file, app.registryStore()));
    EXPECT_EQ(Settings(), settings);
    EXPECT_NE(Registry().find("\"Rs232cPort\"=dword:00000000"), std::string::npos);
    EXPECT_FALSE(link->SetPort(8, file, app.registryStore()));
    EXPECT_FALSE(link->SetPort(-1, file, app.registryStore()));
    EXPECT_EQ(app.portCode, 0);
}

TEST_F(PortChoiceTest, AMonitorRunningOnTheOldPortIsStoppedFirst) {
    DiagItem item;
    item.request = 0x21;
    item.answerLength = 1;
    item.name = "Throttle";
    item.factor = "1";
    item.offset = "0";
    app.diagItems = {item};
    monitor->SetDialogList({0});
    monitor->OpenWindow();
    ASSERT_EQ(monitor->StartFromMenu(), 0);
    link->OnTick();   // the request is out
    port.Feed({42});
    ASSERT_TRUE(Apply(Codes(3, 1, 0, 0, 1, 2)));
    EXPECT_FALSE(link->portOpen);
    EXPECT_FALSE(pump.running);
    EXPECT_EQ(monitor->Rows()[0].value, "42.0");   // its answer was let in
    EXPECT_EQ(app.portCode, 2);

    // The same port leaves a running monitor alone.
    ASSERT_EQ(monitor->StartFromMenu(), 0);
    ASSERT_TRUE(Apply(Codes(3, 1, 0, 0, 1, 2)));
    EXPECT_TRUE(link->portOpen);
}

}  // namespace
