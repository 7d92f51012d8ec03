#include "edit/UndoList.h"

#include "edit/CellAccess.h"
#include "tests/edit/EditFixture.h"

namespace {

struct UndoListTest : EditFixture {
    // Pushes an action-1 record for the cell, then stores newValue there.
    void EditCell(int mode, int row, int column, std::uint16_t newValue, int action = kUndoActionEdit,
                  int chained = 0) {
        std::uint16_t address = 0;
        PutCursor(mode, row, column, 0);
        ASSERT_TRUE(CursorCellAddress(map, address));
        switch (mode) {
            case kEditData: ReadDataCell(image, map, column, row, map.cursor.raw); break;
            case kEditRpm: ReadRpmCell(image, map, column, row, map.cursor.raw); break;
            default: ReadThrotCell(image, map, column, map.cursor.raw); break;
        }
        PushUndo(context, map, action, chained);
        switch (mode) {
            case kEditData: WriteDataCell(context, map, static_cast<std::uint8_t>(newValue), column, row); break;
            case kEditRpm: WriteRpmCell(context, map, newValue, column, row); break;
            default: WriteThrotCell(context, map, newValue, column); break;
        }
    }
};

struct RoundTripCase {
    const char* name;
    int mapType;
    int mode;
    int row;
    int column;
    std::uint16_t address;   // first byte of the cell in the fixture's layout
    int kind;
};

TEST_F(UndoListTest, UndoRestoresTheByteAndPutsTheCursorOnItsCell) {
    const RoundTripCase cases[] = {
        {"THROT", kMapOneRpmRow, kEditThrot, 0, 2, 0x0104, 10},
        {"RPM", kMapOneRpmRow, kEditRpm, 0, 3, 0x0108, 11},
        {"DATA", kMapOneRpmRow, kEditData, 2, 1, 0x0112, 12},
        {"RPM of a type-2 row", kMapRpmPerRow, kEditRpm, 1, 2, 0x010B, 11},
        {"DATA of a type-2 map", kMapRpmPerRow, kEditData, 1, 3, 0x0118, 12},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        map.undo.Clear();
        MakeFreeMap(c.mapType);
        const std::uint8_t old = image[c.address];
        EditCell(c.mode, c.row, c.column, 77);
        ASSERT_EQ(image[c.address], 77);
        ASSERT_EQ(map.undo.Newest().kind, c.kind);
        PutCursor(kEditData, 0, 0, 0);
        modified = 0;

        EXPECT_EQ(Undo(context, map), 1);
        EXPECT_EQ(image[c.address], old);
        EXPECT_EQ(map.cursor.mode, c.mode);
        EXPECT_EQ(map.cursor.row, c.row);
        EXPECT_EQ(map.cursor.column, c.column);
        EXPECT_EQ(map.cursor.raw, old);
        EXPECT_EQ(modified, 1);
        EXPECT_TRUE(map.undo.Empty());
    }
}

// Only DATA writes reach the map link. Undo hands nothing to it: it puts back
// the bytes its record holds, the linked cells' own bytes among them.
TEST_F(UndoListTest, OnlyDataWritesReachTheMapLinkAndUndoRestoresTheLinkedBytes) {
    // A linked map whose DATA lies 0x100 above ours and differs from it.
    context.linkTargets = [this](std::uint16_t a) {
        const long long offset = static_cast<long long>(a) - map.y.start;
        return offset >= 0 && offset < 12 ? std::vector<std::uint16_t>{static_cast<std::uint16_t>(a + 0x100)}
                                          : std::vector<std::uint16_t>{};
    };
    context.propagate = [this](std::uint16_t a, std::uint8_t v, int s) {
        links.push_back({a, v, s});
        if (s == 0 && context.linkTargets)
            for (std::uint16_t t : context.linkTargets(a)) image[t] = v;
    };
    const std::uint16_t data = map.y.start + 1;
    image[data + 0x100] = 55;
    EditCell(kEditData, 0, 1, 9);
    EditCell(kEditRpm, 0, 1, 9);
    EditCell(kEditThrot, 0, 1, 99);
    ASSERT_EQ(links, (std::vector<LinkCall>{{data, 9, 0}, {0x0106, 9, 1}, {0x0103, 99, 1}}));
    ASSERT_EQ(image[data + 0x100], 9);
    ASSERT_EQ(map.undo.Newest().addresses.size(), 1u);   // axis records hold their cell alone
    links.clear();
    Undo(context, map);
    Undo(context, map);
    Undo(context, map);
    EXPECT_EQ(links, (std::vector<LinkCall>{{0x0103, 20, 1}, {0x0106, 30, 1}, {data, 2, 1},
                                           {static_cast<std::uint16_t>(data + 0x100), 55, 1}}));
    EXPECT_EQ(image[data], 2);
    EXPECT_EQ(image[data + 0x100], 55);   // its own byte, not the one of the edited map

    // A link made after the edit changed nothing in the other map: Undo
    // leaves it alone.
    context.linkTargets = nullptr;
    EditCell(kEditData, 0, 1, 9);
    image[data + 0x100] = 77;
    Undo(context, map);
    EXPECT_EQ(image[data], 2);
    EXPECT_EQ(image[data + 0x100], 77);
}

TEST_F(UndoListTest, UndoOfAThrotCellRefreshesItsLineListEntry) {
    EditCell(kEditThrot, 0, 1, 25);
    Undo(context, map);
    ASSERT_EQ(lineList.size(), 1u);
    EXPECT_EQ(lineList[0], (std::pair<int, std::string>{1, "20.0"}));
}

TEST_F(UndoListTest, UndoOfAWordRpmCellStoresHighThenLowByte) {
    context.definitionKind = kEditConfigMapDefinition;
    map.type = kMapConfigImage;
    map.x.elementSize = 2;
    map.x.start = 0x0300;
    map.y.start = 0x0400;
    WriteWord(image, 0x0304, 0x1234);
    EditCell(kEditRpm, 0, 2, 0xABCD);
    ASSERT_EQ(ReadWord(image, 0x0304), 0xABCD);
    links.clear();
    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_EQ(links, (std::vector<LinkCall>{{0x0304, 0x12, 1}, {0x0305, 0x34, 1}}));
    EXPECT_EQ(map.cursor.column, 2);
    EXPECT_EQ(map.cursor.raw, 0x1234);
}

// A Config Map places its DATA anywhere, here below both axes: a DATA record
// must come back to its DATA byte, not be taken for a THROT word.
TEST_F(UndoListTest, ConfigMapDataBelowTheAxesIsRestoredAsData) {
    context.definitionKind = kEditConfigMapDefinition;
    map.type = kMapConfigImage;
    map.y.start = 0x0020;
    map.z.start = 0x0200;
    map.z.elementSize = 2;
    map.x.start = 0x0300;
    image[0x0020 + 5] = 40;
    image[0x0020 + 6] = 41;
    EditCell(kEditData, 1, 1, 60);
    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_EQ(image[0x0025], 40);
    EXPECT_EQ(image[0x0026], 41);
    EXPECT_EQ(map.cursor.mode, kEditData);
    EXPECT_EQ(map.cursor.row, 1);
    EXPECT_EQ(map.cursor.column, 1);
}

TEST_F(UndoListTest, ConfigMapOfAnotherTypeHasOnlyDataCells) {
    context.definitionKind = kEditConfigMapDefinition;
    map.type = kMapOneRpmRow;
    UndoRecord axis{10, {0x0103}, {5}, 0};
    map.undo.Append(axis);
    EXPECT_EQ(Undo(context, map), 0);   // no DATA cell there: the record stays
    EXPECT_EQ(map.undo.Size(), 1u);
    EXPECT_EQ(image[0x0103], 20);
}

// The display may be coarser than the raw steps: 7 shows as 2.31 -> "2.3",
// which would read back as raw 6. Undo gives back the byte itself.
TEST_F(UndoListTest, DataIsRestoredToTheExactByteWhateverTheDisplayShows) {
    for (const char* hexToPhys : {"x*0.33", "x/0"}) {
        SCOPED_TRACE(hexToPhys);
        map.y.hexToPhys = hexToPhys;
        map.y.physToHex = "x/0.33";
        image[map.y.start] = 7;
        EditCell(kEditData, 0, 0, 50);
        PutCursor(kEditData, 2, 2, 0);
        Undo(context, map);
        EXPECT_EQ(image[map.y.start], 7);
        EXPECT_EQ(map.cursor.raw, 7);
        EXPECT_EQ(map.cursor.row, 0);
    }
}

// The record takes the value in the image, not what the cursor last saw.
TEST_F(UndoListTest, TheRecordHoldsTheImageValueEvenWhenTheCursorIsStale) {
    image[map.y.start + 5] = 33;
    PutCursor(kEditData, 1, 1, 99);   // a cursor value from before some other change
    PushUndo(context, map, kUndoActionEdit, 0);
    WriteDataCell(context, map, 40, 1, 1);
    Undo(context, map);
    EXPECT_EQ(image[map.y.start + 5], 33);
}

TEST_F(UndoListTest, ChainedRecordsComeBackWithOneUndo) {
    EditCell(kEditData, 2, 3, 1);   // an older, separate edit
    EditCell(kEditData, 0, 0, 90, kUndoActionEdit, 0);
    EditCell(kEditData, 0, 1, 91, kUndoActionEdit, 1);
    EditCell(kEditData, 1, 0, 92, kUndoActionEdit, 1);
    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_EQ(Data(0, 0), 0);
    EXPECT_EQ(Data(0, 1), 2);
    EXPECT_EQ(Data(1, 0), 8);
    EXPECT_EQ(Data(2, 3), 1);   // the older record waits for the next Undo
    EXPECT_EQ(map.undo.Size(), 1u);
    EXPECT_EQ(map.cursor.row, 0);
    EXPECT_EQ(map.cursor.column, 0);
    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_EQ(Data(2, 3), 22);
}

TEST_F(UndoListTest, StepsCoalescePerCellWhileDragsRecordEveryStep) {
    struct Case {
        const char* name;
        int action;
        int secondColumn;
        std::size_t records;
    };
    const Case cases[] = {
        {"action 3 on one cell", kUndoActionStep, 1, 1},
        {"action 3 moving to another cell", kUndoActionStep, 2, 2},
        {"action 2 on one cell", kUndoActionDrag, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        map.undo.Clear();
        EditCell(kEditData, 0, 1, 10, c.action);
        EditCell(kEditData, 0, c.secondColumn, 12, c.action);
        EditCell(kEditData, 0, c.secondColumn, 8, c.action);
        EXPECT_EQ(map.undo.Size(), c.records);
    }
    // An action-1 record of the same cell does not absorb a step.
    map.undo.Clear();
    EditCell(kEditData, 0, 1, 10, kUndoActionEdit);
    EditCell(kEditData, 0, 1, 12, kUndoActionStep);
    EXPECT_EQ(map.undo.Size(), 2u);
}

TEST_F(UndoListTest, SteppingBackAndForthUndoesToTheValueBeforeTheFirstStep) {
    EditCell(kEditData, 1, 1, 20, kUndoActionStep);
    EditCell(kEditData, 1, 1, 21, kUndoActionStep);
    EditCell(kEditData, 1, 1, 19, kUndoActionStep);
    ASSERT_EQ(map.undo.Size(), 1u);
    Undo(context, map);
    EXPECT_EQ(Data(1, 1), 10);
}

TEST_F(UndoListTest, TheListKeepsItsWeightBelowTheUndoSize) {
    struct Case {
        int undoSize;
        int pushes;
        std::size_t kept;
    };
    const Case cases[] = {{1024, 341, 341}, {1024, 342, 342}, {1024, 343, 342}, {1024, 1000, 342},
                          {9, 10, 3}, {1, 5, 1}, {0, 5, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.undoSize * 10000 + c.pushes);
        map.undo.Clear();
        context.undoSize = c.undoSize;
        for (int i = 0; i < c.pushes; ++i) {
            PutCursor(kEditData, 0, i % 4, 0);
            image[map.y.start + i % 4] = static_cast<std::uint8_t>(i);
            PushUndo(context, map, kUndoActionDrag, 0);
        }
        ASSERT_EQ(map.undo.Size(), c.kept);
        EXPECT_EQ(map.undo.Weight(), 3 * c.kept);
        // The oldest went first: the records left are the newest pushes.
        EXPECT_EQ(map.undo.At(0).values[0], static_cast<std::uint8_t>(c.pushes - c.kept));
    }
}

TEST_F(UndoListTest, NothingIsRecordedWithoutACellUnderTheCursor) {
    PutCursor(kEditNone, 0, 0, 1);
    EXPECT_FALSE(PushUndo(context, map, kUndoActionEdit, 0));
    PutCursor(kEditData, 3, 0, 1);
    EXPECT_FALSE(PushUndo(context, map, kUndoActionEdit, 0));
    PutCursor(kEditRpm, 0, 4, 1);
    EXPECT_FALSE(PushUndo(context, map, kUndoActionEdit, 0));
    PutCursor(kEditThrot, 0, -1, 1);
    EXPECT_FALSE(PushUndo(context, map, kUndoActionEdit, 0));
    EXPECT_TRUE(map.undo.Empty());
}

TEST_F(UndoListTest, UndoOnAnEmptyListChangesNothing) {
    const Image before = image;
    PutCursor(kEditData, 1, 2, 5);
    EXPECT_EQ(Undo(context, map), 0);
    EXPECT_EQ(image, before);
    EXPECT_EQ(map.cursor.row, 1);
    EXPECT_EQ(map.cursor.raw, 5);
    EXPECT_EQ(modified, 0);
    EXPECT_EQ(UndoMenuText(&map), "&Undo\tCtrl+Z");
    EXPECT_FALSE(UndoMenuEnabled(&map));
}

TEST_F(UndoListTest, ARecordOutsideTheMapStaysAndRestoresNothing) {
    map.undo.Append(UndoRecord{12, {0x9000}, {1}, 0});
    const Image before = image;
    EXPECT_EQ(Undo(context, map), 0);
    EXPECT_EQ(image, before);
    EXPECT_EQ(map.undo.Size(), 1u);
}

TEST(UndoMenuTextTest, NamesTheActionAndTheTarget) {
    const std::pair<int, const char*> cases[] = {
        {10, "&Undo(Edit THROT)\tCtrl+Z"}, {11, "&Undo(Edit RPM)\tCtrl+Z"},
        {12, "&Undo(Edit DATA)\tCtrl+Z"},  {20, "&Undo(Drag THROT)\tCtrl+Z"},
        {21, "&Undo(Drag RPM)\tCtrl+Z"},   {22, "&Undo(Drag DATA)\tCtrl+Z"},
        {30, "&Undo(Drag THROT)\tCtrl+Z"}, {31, "&Undo(Drag RPM)\tCtrl+Z"},
        {32, "&Undo(Drag DATA)\tCtrl+Z"},  {0, "&Undo\tCtrl+Z"},
        {13, "&Undo\tCtrl+Z"},             {42, "&Undo\tCtrl+Z"},
        {-12, "&Undo\tCtrl+Z"},
    };
    for (const auto& [kind, text] : cases) EXPECT_EQ(UndoMenuText(kind), text) << kind;
    EXPECT_EQ(UndoMenuText(static_cast<const MapRecord*>(nullptr)), "&Undo\tCtrl+Z");
}

TEST_F(UndoListTest, TheMenuNamesTheNewestRecord) {
    EditCell(kEditThrot, 0, 0, 5);
    EditCell(kEditData, 0, 0, 5, kUndoActionStep);
    EXPECT_TRUE(UndoMenuEnabled(&map));
    EXPECT_EQ(UndoMenuText(&map), "&Undo(Drag DATA)\tCtrl+Z");
    Undo(context, map);
    EXPECT_EQ(UndoMenuText(&map), "&Undo(Edit THROT)\tCtrl+Z");
}

TEST_F(UndoListTest, CellWritesRefuseCellsOutsideTheTable) {
    struct Case {
        const char* name;
        int mapType;
        int which;   // 0 DATA, 1 RPM
        int column;
        int row;
        int code;
    };
    const Case cases[] = {
        {"DATA row", kMapOneRpmRow, 0, 0, 3, kCellRowOutside},
        {"DATA negative row", kMapOneRpmRow, 0, 0, -1, kCellRowOutside},
        {"DATA column", kMapOneRpmRow, 0, 4, 0, kCellColumnOutside},
        {"DATA both: the row is reported", kMapOneRpmRow, 0, 9, 9, kCellRowOutside},
        {"RPM column", kMapOneRpmRow, 1, 4, 0, kCellColumnOutside},
        {"RPM row ignored in type 1", kMapOneRpmRow, 1, 1, 200, kCellOk},
        {"RPM row of type 2", kMapRpmPerRow, 1, 1, 3, kCellRowOutside},
        {"RPM inside type 2", kMapRpmPerRow, 1, 3, 2, kCellOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeFreeMap(c.mapType);
        const Image before = image;
        modified = 0;
        std::uint16_t read = 1;
        if (c.which == 0) {
            EXPECT_EQ(WriteDataCell(context, map, 0xEE, c.column, c.row), c.code);
            EXPECT_EQ(ReadDataCell(image, map, c.column, c.row, read), c.code);
        } else {
            EXPECT_EQ(WriteRpmCell(context, map, 0xEE, c.column, c.row), c.code);
            EXPECT_EQ(ReadRpmCell(image, map, c.column, c.row, read), c.code);
        }
        if (c.code != kCellOk) {
            EXPECT_EQ(image, before);
            EXPECT_EQ(modified, 0);
            EXPECT_EQ(read, 0);
        } else {
            EXPECT_EQ(read, 0xEE);
            EXPECT_EQ(modified, 1);
        }
    }
}

}  // namespace
