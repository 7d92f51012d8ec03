// The machines shipped in data/: every one listed in the machine list, with
// its settings file, its definition and a standard calibration that loads
// through the core and through rvtune without a single message.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "config/MachineList.h"
#include "files/DataFile.h"
#include "platform/PathSearch.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Process.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

namespace {

const std::string kData = std::string(RV_SOURCE_DIR) + "/data";

std::vector<MachineEntry> Shipped() { return ReadMachineList(kData + "/MCN_LIST.DAT"); }

std::string StandardData(const MachineEntry& machine) {
    return kData + "/" + machine.folder + "/WORK/" + machine.folder + ".qsd";
}

std::string Registry(const TempDir& dir, const MachineEntry& machine) {
    return dir.Write("registry.reg", TestRegistryText(TestInstallValues(kData, machine.title, machine.folder)));
}

TEST(ShippedMachinesTest, SixMachinesEachWithSettingsDefinitionAndStandardData) {
    const auto machines = Shipped();
    ASSERT_EQ(machines.size(), 6u);
    for (const MachineEntry& machine : machines) {
        SCOPED_TRACE(machine.folder);
        EXPECT_EQ(machine.second, "TEVARLON");
        EXPECT_NE(machine.title.find("(" + machine.folder + ")"), std::string::npos);
        EXPECT_TRUE(FileExists(kData + "/" + machine.folder + "/RV_Tune.INI"));
        EXPECT_TRUE(FileExists(kData + "/" + machine.folder + "/RV_Tune.STZ"));
        EXPECT_TRUE(FileExists(StandardData(machine)));
    }
}

TEST(ShippedMachinesTest, EveryStandardDataFileLoadsWithoutAMessage) {
    int freeMaps = 0, configMaps = 0;
    for (const MachineEntry& machine : Shipped()) {
        SCOPED_TRACE(machine.folder);
        TempDir dir;
        dir.Write("tmp/.keep", "");
        EnvOverride tmp("TMPDIR", dir.File("tmp"));
        RecordingPrompt prompt;
        HeadlessHost host(prompt);
        AppOptions options;
        options.registryPath = Registry(dir, machine);
        CQelApp app(options);
        ASSERT_TRUE(app.InitInstance(host));
        ASSERT_EQ(LoadDataFile(app, app, prompt, StandardData(machine)), kLoaded);
        for (const auto& shown : prompt.shown) ADD_FAILURE() << shown.text;
        EXPECT_GE(app.maps.size(), 2u);
        (app.definitionKind == kDefinitionFreeMap ? freeMaps : configMaps)++;

        ASSERT_LE(app.dataStart, app.dataEnd);
        std::uint8_t sum = 0;
        for (std::uint32_t a = app.dataStart; a <= app.dataEnd; ++a) sum = static_cast<std::uint8_t>(sum + app.image()[a]);
        EXPECT_EQ(sum, 0x7F);
        for (const auto& map : app.maps) {
            SCOPED_TRACE(map->name);
            EXPECT_GE(map->z.count, 3u);
            EXPECT_GE(map->x.count, 5u);
            // A map of all one value is no calibration.
            const std::uint8_t first = app.image()[map->y.start];
            bool varies = false;
            for (unsigned i = 1; i < map->y.count; ++i) varies = varies || app.image()[map->y.start + i] != first;
            EXPECT_TRUE(varies);
        }
    }
    EXPECT_GE(freeMaps, 2);
    EXPECT_GE(configMaps, 2);
}

TEST(ShippedMachinesTest, RvtuneInfoReadsEveryStandardDataFile) {
    for (const MachineEntry& machine : Shipped()) {
        SCOPED_TRACE(machine.folder);
        TempDir dir;
        dir.Write("tmp/.keep", "");
        const ProcessResult run =
            RunProcess({std::string(RV_BIN_DIR) + "/rvtune", "info", StandardData(machine)},
                       {"RV_TUNE_REGISTRY=" + Registry(dir, machine), "TMPDIR=" + dir.File("tmp")},
                       std::chrono::seconds(30));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_NE(run.out.find("file model: " + machine.folder + "\n"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("checksum: ok"), std::string::npos) << run.out;
    }
}

}  // namespace
