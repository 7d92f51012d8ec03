// The installer's machine table against the machine list the dist target
// numbers the packaged files by: a row or an order that drifts apart would
// install one machine's files under another's name.
#include <gtest/gtest.h>

#include <string>

#include "platform/FileIo.h"
#include "setup/MachineTable.h"

namespace {

TEST(MachineTableTest, RowsMatchTheShippedListInOrder) {
    std::string list;
    ASSERT_TRUE(ReadWholeFile(std::string(RV_SOURCE_DIR) + "/data/MCN_LIST.DAT", list));
    std::string rows;
    for (const SetupMachine& machine : ShippedMachines()) rows += machine.listRow + "\n";
    EXPECT_EQ(rows, list);
    for (std::size_t i = 0; i < ShippedMachines().size(); ++i) {
        const SetupMachine& machine = ShippedMachines()[i];
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(machine.packedSettings, "S" + n + "RV_Tune.in_");
        EXPECT_EQ(machine.packedDefinition, "S" + n + "RV_Tune.st_");
        EXPECT_EQ(machine.packedStandard, "S" + n + "Stddata.qs_");
        EXPECT_EQ(FindShippedMachine(machine.folder), static_cast<int>(i));
    }
    EXPECT_EQ(FindShippedMachine(OldestMachine().folder), -1);
    EXPECT_EQ(OldestMachine().listRow.find("TEVARLON," + OldestMachine().folder + ","),
              OldestMachine().listRow.find(',') + 1);
}

}  // namespace
