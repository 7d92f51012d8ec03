#include "edit/CalibrationCompare.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>

#include "edit/CellAccess.h"
#include "edit/ConstantsList.h"
#include "edit/LinkedMaps.h"
#include "edit/UndoList.h"

namespace {

MapItem Item(std::uint8_t count, std::uint16_t start, const char* toPhys, const char* toHex, const char* max) {
    MapItem item;
    item.count = count;
    item.start = start;
    item.hexToPhys = toPhys;
    item.physToHex = toHex;
    item.minimum = "0";
    item.maximum = max;
    return item;
}

// Two calibrations of one Free Map machine, alike to begin with: "Fuel1" (an
// RPM row per THROT row) at 0x0100 and "Fuel2" (one RPM row) at 0x0140, each
// 3 THROT rows by 4 RPM columns, DATA x * 0.5; the constant "Rev Limit" (a
// word, x 0.5) at 0x0180; the data range 0x0100..0x01FF, checksum last.
struct CalibrationCompareTest : ::testing::Test {
    Calibration edited;
    Calibration compared;

    CalibrationCompareTest() {
        for (Calibration* c : {&edited, &compared}) {
            c->AllocateImage();
            c->image().fill(0);
            c->definitionKind = kDefinitionFreeMap;
            c->dataStart = 0x0100;
            c->dataEnd = 0x01FF;
            c->definitionLines.Append("[Calib]");
            c->definitionLines.Append("0180,2,Rev Limit,0.5,0,rpm,1");
            AddMap(*c, "Fuel1", 0x0100, kMapRpmPerRow);
            AddMap(*c, "Fuel2", 0x0140, kMapOneRpmRow);
            c->image()[0x0180] = 0x1F;
            c->image()[0x0181] = 0x40;
        }
        edited.currentMap = edited.maps[0].get();
    }

    static void AddMap(Calibration& c, const char* name, std::uint16_t base, int type) {
        auto map = std::make_unique<MapRecord>();
        map->name = name;
        map->type = type;
        map->base = base;
        Image& image = c.image();
        image[base] = 3;
        image[base + 1] = 4;
        const int rpmBytes = type == kMapRpmPerRow ? 12 : 4;
        map->z = Item(3, static_cast<std::uint16_t>(base + 2), "x", "x", "255");
        map->x = Item(4, static_cast<std::uint16_t>(base + 5), "x*50", "x/50", "12750");
        map->y = Item(12, static_cast<std::uint16_t>(base + 5 + rpmBytes), "x*0.5", "x*2", "100");
        for (int i = 0; i < 3; ++i) image[map->z.start + i] = static_cast<std::uint8_t>(10 + 10 * i);
        for (int i = 0; i < rpmBytes; ++i) image[map->x.start + i] = static_cast<std::uint8_t>(20 + 10 * (i % 4));
        for (int i = 0; i < 12; ++i) image[map->y.start + i] = static_cast<std::uint8_t>(2 * i);
        c.maps.push_back(std::move(map));
    }

    MapRecord& Mine(int i) { return *edited.maps[static_cast<std::size_t>(i)]; }
    MapRecord& Theirs(int i) { return *compared.maps[static_cast<std::size_t>(i)]; }
    void SetTheirData(int map, int row, int column, std::uint8_t raw) {
        compared.image()[DataCellAddress(Theirs(map), row, column)] = raw;
    }
    std::uint8_t MyData(int map, int row, int column) { return edited.image()[DataCellAddress(Mine(map), row, column)]; }
    void LinkTheFuelMaps() {
        edited.mapLink.linkList = {"Fuel1", "Fuel2"};
        edited.mapLinkState = kLinkAllInOne;
    }
    EditContext Context() { return AppLinkedEditContext(edited); }
};

TEST_F(CalibrationCompareTest, MarksExactlyTheCellsAndAxisElementsThatDiffer) {
    SetTheirData(0, 0, 1, 99);
    SetTheirData(0, 2, 3, 0);
    compared.image()[Theirs(0).z.start + 1] = 21;
    compared.image()[RpmCellAddress(Theirs(0), 2, 0)] = 25;   // row 2's own RPM row

    const CompareMarks marks = MapCompareMarks(kDefinitionFreeMap, Mine(0), edited.image(), compared);
    ASSERT_TRUE(marks.comparable);
    EXPECT_EQ(marks.DataCount(), 2);
    const std::set<std::pair<int, int>> differing{{0, 1}, {2, 3}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(marks.Differs({kEditData, r, c}), differing.count({r, c}) == 1) << r << "," << c;
            EXPECT_EQ(marks.Differs({kEditRpm, r, c}), r == 2 && c == 0) << r << "," << c;
        }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(marks.Differs({kEditThrot, 0, i}), i == 1) << i;
    // Cells outside the table are never marked.
    EXPECT_FALSE(marks.Differs({kEditData, 0, 4}));
    EXPECT_FALSE(marks.Differs({kEditData, 3, 0}));
    EXPECT_FALSE(marks.Differs({kEditThrot, 0, -1}));

    // The other map did not change.
    const CompareMarks other = MapCompareMarks(kDefinitionFreeMap, Mine(1), edited.image(), compared);
    EXPECT_TRUE(other.comparable);
    EXPECT_EQ(other.DataCount(), 0);
}

TEST_F(CalibrationCompareTest, AxesFromTheDefinitionAndMapsOfAnotherShapeMarkNothing) {
    compared.image()[Theirs(1).z.start] = 11;
    SetTheirData(1, 0, 0, 77);
    // A Config Map of one RPM row takes its axes from the definition's lists.
    const CompareMarks config = MapCompareMarks(kDefinitionConfigMap, Mine(1), edited.image(), compared);
    EXPECT_TRUE(config.comparable);
    EXPECT_FALSE(config.Differs({kEditThrot, 0, 0}));
    EXPECT_TRUE(config.Differs({kEditData, 0, 0}));

    Theirs(1).x.count = 5;
    const CompareMarks shape = MapCompareMarks(kDefinitionFreeMap, Mine(1), edited.image(), compared);
    EXPECT_FALSE(shape.comparable);
    EXPECT_FALSE(shape.Differs({kEditData, 0, 0}));
    Theirs(1).x.count = 4;
    Theirs(1).name = "Spark";
    EXPECT_FALSE(MapCompareMarks(kDefinitionFreeMap, Mine(1), edited.image(), compared).comparable);
}

TEST_F(CalibrationCompareTest, StatusTextGivesTheComparedValueAndTheSignedDifference) {
    EditContext context = Context();
    SetTheirData(0, 0, 2, 7);   // 2.0 edited, 3.5 compared
    SetTheirData(0, 0, 3, 1);   // 3.0 edited, 0.5 compared
    compared.image()[Theirs(0).z.start + 2] = 35;
    struct Case {
        TableCell cell;
        const char* text;
    };
    const Case cases[] = {
        {{kEditData, 0, 2}, "   compared 3.5   difference +1.5"},
        {{kEditData, 0, 3}, "   compared 0.5   difference -2.5"},
        {{kEditData, 1, 1}, "   compared: the same"},
        {{kEditThrot, 0, 2}, "   compared 35.0   difference +5.0"},
        {{kEditRpm, 1, 1}, "   compared: the same"},
        {{kEditData, 3, 0}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareCellText(context, Mine(0), compared, c.cell), c.text) << c.text;

    Theirs(0).z.count = 2;
    EXPECT_EQ(CompareCellText(context, Mine(0), compared, {kEditData, 0, 2}), "   compared: the map has another shape");
    Theirs(0).name = "Other";
    EXPECT_EQ(CompareCellText(context, Mine(0), compared, {kEditData, 0, 2}), "   compared: no such map");
}

TEST_F(CalibrationCompareTest, RowsListMapsWithTheirCountsThenConstantsThenByteRanges) {
    compared.image()[Theirs(0).z.start] = 5;   // Fuel1: an axis value only
    SetTheirData(1, 1, 2, 14);                 // Fuel2: 6.0 -> 7.0
    SetTheirData(1, 2, 0, 11);                 // 8.0 -> 5.5, the largest
    compared.image()[0x0181] = 0x50;
    for (int i = 0; i < 3; ++i) compared.image()[0x0160 + i] = static_cast<std::uint8_t>(i + 1);
    compared.image()[0x01A0] = 0xAB;
    compared.image()[0x01FF] = 0x55;           // the checksum follows every change: not listed

    const std::vector<DifferenceRow> rows = DifferenceRows(edited, DiffCalibrations(edited, compared));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].kind, DifferenceKind::kMap);
    EXPECT_EQ(rows[0].name, "Fuel1");
    EXPECT_EQ(rows[0].count, "1 axis value");
    EXPECT_EQ(rows[0].largest, "");
    EXPECT_EQ(rows[0].firstRow, -1);
    EXPECT_EQ(rows[1].name, "Fuel2");
    EXPECT_EQ(rows[1].count, "2 cells");
    EXPECT_EQ(rows[1].largest, "2.5");
    EXPECT_EQ(std::make_pair(rows[1].firstRow, rows[1].firstColumn), std::make_pair(1, 2));

    const ConstantEntry* revLimit = nullptr;
    const std::vector<ConstantEntry> constants = ListConstants(edited.definitionLines);
    revLimit = FindConstant(constants, "Rev Limit");
    ASSERT_NE(revLimit, nullptr);
    EXPECT_EQ(rows[2].kind, DifferenceKind::kConstant);
    EXPECT_EQ(rows[2].name, "Rev Limit");
    EXPECT_EQ(rows[2].edited, ConstantValueText(*revLimit, edited.image()));
    EXPECT_EQ(rows[2].compared, ConstantValueText(*revLimit, compared.image()));
    EXPECT_NE(rows[2].edited, rows[2].compared);

    EXPECT_EQ(rows[3].kind, DifferenceKind::kBytes);
    EXPECT_EQ(rows[3].name, "0160-0162");
    EXPECT_EQ(rows[3].count, "3 bytes");
    EXPECT_EQ(rows[3].edited, "00 00 00");
    EXPECT_EQ(rows[3].compared, "01 02 03");
    EXPECT_EQ(rows[4].name, "01A0-01A0");
    EXPECT_EQ(rows[4].count, "1 byte");
}

TEST_F(CalibrationCompareTest, CopiedCellsGoThroughTheLinkAndOneUndoRestoresEveryByte) {
    LinkTheFuelMaps();
    SetTheirData(0, 0, 0, 40);
    SetTheirData(0, 0, 1, 41);
    SetTheirData(0, 1, 1, 42);   // differs, but not chosen
    Mine(0).cursor = {kEditData, 0, 1, 2, 0, 0};
    const Image before = edited.image();

    const CompareCopy copy = PlanCellCopy(edited, Mine(0), compared, {{0, 0}, {0, 1}, {2, 2}, {5, 5}});
    ASSERT_TRUE(copy.refusal.empty()) << copy.refusal;
    EXPECT_EQ(copy.cells, 2);   // (2, 2) is the same in both; (5, 5) lies outside
    EditContext context = Context();
    EXPECT_EQ(ApplyCompareCopy(context, Mine(0), copy), 2);
    EXPECT_EQ(MyData(0, 0, 0), 40);
    EXPECT_EQ(MyData(0, 0, 1), 41);
    EXPECT_EQ(MyData(0, 1, 1), before[DataCellAddress(Mine(0), 1, 1)]);
    EXPECT_EQ(MyData(1, 0, 0), 40);   // the linked map got the bytes too
    EXPECT_EQ(MyData(1, 0, 1), 41);
    EXPECT_EQ(edited.modified, 1);
    EXPECT_EQ(Mine(0).cursor.raw, 41);   // the cursor reads its cell again
    ASSERT_EQ(Mine(0).undo.Size(), 1u);
    EXPECT_EQ(UndoMenuText(&Mine(0)), "&Undo(Edit DATA)\tCtrl+Z");

    EXPECT_EQ(Undo(context, Mine(0)), 1);
    EXPECT_TRUE(edited.image() == before);
    EXPECT_TRUE(Mine(0).undo.Empty());
}

TEST_F(CalibrationCompareTest, WholeMapCopyTakesTheAxesWithoutTheLinkAndOneUndoRestoresIt) {
    LinkTheFuelMaps();
    const MapRecord& theirs = Theirs(0);
    compared.image()[theirs.z.start + 2] = 33;
    compared.image()[RpmCellAddress(theirs, 1, 3)] = 55;
    SetTheirData(0, 2, 2, 60);
    const Image before = edited.image();

    const CompareCopy copy = PlanMapCopy(edited, Mine(0), compared);
    ASSERT_TRUE(copy.refusal.empty()) << copy.refusal;
    EXPECT_EQ(copy.cells, 1);
    EXPECT_EQ(copy.otherBytes, 2);
    EditContext context = Context();
    ASSERT_EQ(ApplyCompareCopy(context, Mine(0), copy), 3);
    for (std::uint16_t a = 0x0100; a < 0x011D; ++a) EXPECT_EQ(edited.image()[a], compared.image()[a]) << std::hex << a;
    EXPECT_EQ(MyData(1, 2, 2), 60);   // DATA through the link
    for (std::uint16_t a = Mine(1).z.start; a < Mine(1).y.start; ++a) EXPECT_EQ(edited.image()[a], before[a]);

    EXPECT_EQ(Undo(context, Mine(0)), 1);
    EXPECT_TRUE(edited.image() == before);
}

TEST_F(CalibrationCompareTest, AMapCopyNamesTheMapsThatShareItsAxes) {
    Mine(1).z.start = Mine(0).z.start;   // Fuel2 reads Fuel1's THROT values
    SetTheirData(0, 0, 0, 9);
    EXPECT_TRUE(PlanMapCopy(edited, Mine(0), compared).sharedAxes.empty());   // DATA only
    compared.image()[Theirs(0).z.start + 1] = 19;
    EXPECT_EQ(PlanMapCopy(edited, Mine(0), compared).sharedAxes, std::vector<std::string>{"Fuel2"});
    // Fuel2's own RPM row is its own.
    compared.image()[Theirs(0).z.start + 1] = edited.image()[Mine(0).z.start + 1];
    compared.image()[Theirs(0).x.start] = 99;
    EXPECT_TRUE(PlanMapCopy(edited, Mine(0), compared).sharedAxes.empty());
}

TEST_F(CalibrationCompareTest, ConstantCopyIsOneUndoStepOfTheMapShown) {
    compared.image()[0x0180] = 0x20;
    compared.image()[0x0181] = 0x08;
    Mine(0).cursor = {kEditThrot, 0, 1, 20, 0, 0};
    const Image before = edited.image();

    const CompareCopy copy = PlanConstantCopy(edited, compared, "Rev Limit");
    ASSERT_TRUE(copy.refusal.empty()) << copy.refusal;
    EXPECT_EQ(copy.cells, 0);
    EXPECT_EQ(copy.otherBytes, 2);
    EditContext context = Context();
    ASSERT_EQ(ApplyCompareCopy(context, Mine(0), copy), 2);
    EXPECT_EQ(edited.image()[0x0180], 0x20);
    EXPECT_EQ(edited.image()[0x0181], 0x08);
    ASSERT_EQ(Mine(0).undo.Size(), 1u);
    EXPECT_EQ(UndoMenuText(&Mine(0)), "&Undo(Edit THROT)\tCtrl+Z");   // named after the cursor's cell

    EXPECT_EQ(Undo(context, Mine(0)), 1);
    EXPECT_TRUE(edited.image() == before);
    EXPECT_EQ(Mine(0).cursor.mode, kEditThrot);
    EXPECT_EQ(Mine(0).cursor.column, 1);

    EXPECT_EQ(PlanConstantCopy(edited, compared, "Rev limit").refusal, "unknown constant 'Rev limit'");
}

TEST_F(CalibrationCompareTest, CopiesThatWouldLeaveEitherFilesDataAreRefusedWhole) {
    SetTheirData(0, 0, 0, 50);
    SetTheirData(0, 2, 3, 51);   // the map's last DATA byte, 0x011C
    const Image before = edited.image();
    struct Case {
        const char* name;
        std::uint16_t editedEnd;
        std::uint16_t comparedEnd;
        const char* refusal;
    };
    const Case cases[] = {
        {"on the edited file's checksum", 0x011C, 0x01FF,
         "map 'Fuel1': byte 011C lies outside the data the edited file keeps (0100-011B; 011C is the checksum)"},
        {"past the edited file's data", 0x0115, 0x01FF,
         "map 'Fuel1': byte 011C lies outside the data the edited file keeps (0100-0114; 0115 is the checksum)"},
        {"past the compared file's data", 0x01FF, 0x011C,
         "map 'Fuel1': byte 011C lies outside the data of the compared file (0100-011B; 011C is the checksum)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edited.dataEnd = c.editedEnd;
        compared.dataEnd = c.comparedEnd;
        const CompareCopy copy = PlanCellCopy(edited, Mine(0), compared, {{0, 0}, {2, 3}});
        EXPECT_EQ(copy.refusal, c.refusal);
        EXPECT_TRUE(copy.writes.empty());
        EditContext context = Context();
        EXPECT_EQ(ApplyCompareCopy(context, Mine(0), copy), 0);
        EXPECT_TRUE(edited.image() == before);
        EXPECT_TRUE(Mine(0).undo.Empty());
        EXPECT_EQ(edited.modified, 0);
    }

    edited.dataEnd = compared.dataEnd = 0x01FF;
    Theirs(0).z.count = 2;
    EXPECT_EQ(PlanMapCopy(edited, Mine(0), compared).refusal, "the compared file has no map 'Fuel1' of the same shape");
    EXPECT_EQ(PlanCellCopy(edited, Mine(0), compared, {{0, 0}}).refusal,
              "the compared file has no map 'Fuel1' of the same shape");
}

// The compared file holds 0100-0114 only (0115 its checksum): Fuel1's axes
// and first DATA row, nothing of Fuel2 or the constant. Its image is zero
// elsewhere, as a load leaves it.
struct ShortComparedTest : CalibrationCompareTest {
    ShortComparedTest() {
        compared.dataEnd = 0x0115;
        for (std::uint32_t a = 0x0115; a <= 0x01FF; ++a) compared.image()[a] = 0;
        SetTheirData(0, 0, 2, 99);   // held: 2.0 -> 49.5
    }
    static std::string Outside(const std::string& what) {
        return what + " outside the data of the compared file (0100-0114; 0115 is the checksum)";
    }
};

TEST_F(ShortComparedTest, ACellTheComparedFileDoesNotHoldIsNotInItRatherThanZero) {
    EditContext context = Context();
    EXPECT_EQ(CompareCellText(context, Mine(0), compared, {kEditData, 0, 2}), "   compared 49.5   difference +47.5");
    EXPECT_EQ(CompareCellText(context, Mine(0), compared, {kEditData, 1, 1}), "   not in the compared file");
    const CompareMarks marks = MapCompareMarks(kDefinitionFreeMap, Mine(0), edited.image(), compared, edited.Data());
    EXPECT_EQ(marks.DataCount(), 1);
    EXPECT_FALSE(marks.Differs({kEditData, 1, 1}));
    edited.dataEnd = 0x0112;
    EXPECT_EQ(CompareCellText(Context(), Mine(0), compared, {kEditData, 0, 1}), "   not in the edited file");
}

TEST_F(ShortComparedTest, TheDifferencesListCountsWhatOneFileDoesNotHoldApart) {
    const std::vector<DifferenceRow> rows = DifferenceRows(edited, DiffCalibrations(edited, compared));
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows[0].count, "1 cell; 8 cells not in the compared file");
    EXPECT_EQ(rows[0].largest, "47.5");   // of the cells both hold
    EXPECT_EQ(rows[1].count, "12 cells and 7 axis values not in the compared file");
    EXPECT_EQ(rows[2].compared, "not in the compared file");   // the constant
    EXPECT_EQ(rows[3].compared, "not in the compared file");   // bytes 011D-013F
    // What neither file holds is no difference, whatever the images say.
    edited.dataEnd = compared.dataEnd;
    SetTheirData(0, 0, 2, 4);
    EXPECT_TRUE(DiffCalibrations(edited, compared).Empty());
}

TEST_F(ShortComparedTest, CopiesAndMergesOfBytesTheSourceDoesNotHoldAreRefusedWhole) {
    edited.image()[DataCellAddress(Mine(0), 1, 1)] = 0;   // equal to the zero, yet no value to copy
    const CompareCopy cells = PlanCellCopy(edited, Mine(0), compared, {{0, 2}, {1, 1}});
    EXPECT_EQ(cells.refusal, Outside("map 'Fuel1': byte 0116 lies"));
    EXPECT_TRUE(cells.writes.empty());
    const Image before = edited.image();
    std::string error;
    std::vector<std::string> notes;
    EXPECT_FALSE(MergeCalibration(edited, compared, {"Fuel1", "Fuel2"}, {"Rev Limit"}, {}, error, notes));
    EXPECT_EQ(error, Outside("map 'Fuel1': bytes 0115-011C lie") + "; " + Outside("map 'Fuel2': bytes 0142-0154 lie") +
                         "; " + Outside("constant 'Rev Limit': bytes 0180-0181 lie"));
    EXPECT_TRUE(edited.image() == before);
    EXPECT_EQ(edited.modified, 0);
}

}  // namespace
