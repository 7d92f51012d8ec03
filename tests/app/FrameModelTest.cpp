// The main frame's decisions: the Line list, the dialog bar's fields and its
// typed value, Line step, Toggle DATA/RPM, the Menu dialog's groups.
#include "app/FrameModel.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/QelApp.h"
#include "edit/LinkedMaps.h"
#include "edit/UndoList.h"
#include "files/DataFile.h"
#include "platform/ProfileFile.h"
#include "tests/files/TestInstall.h"
#include "tests/support/InstalledApp.h"

namespace {

// The test machine with its calibration loaded: "Main" (one RPM row, DATA
// x/10 at 0x1007) and "Twin" (an RPM row per THROT row).
struct FrameModelTest : ::testing::Test, InstalledApp {
    void SetUp() override {
        ASSERT_TRUE(app.InitInstance(host));
        ASSERT_EQ(LoadDataFile(app, app, prompt, install.dir.Write("cal.qsd", testinstall::CalibrationFile())), kLoaded);
        for (auto& map : app.maps) StartDataEdit(*map, app.image());
    }
    void TearDown() override { app.ExitInstance(); }
    MapRecord& Main() { return *app.maps[0]; }
    MapRecord& Twin() { return *app.maps[1]; }
};

TEST_F(FrameModelTest, TheLineListPrintsTheThrotValuesAndMarksTheCursorRow) {
    Main().cursor.row = 1;
    const LineList list = LineListOf(app, Main());
    EXPECT_EQ(list.texts, (std::vector<std::string>{"0.0", "100.0"}));
    EXPECT_EQ(list.selected, 1);
}

TEST_F(FrameModelTest, DialogBarFieldsShowTheCursorCellAndTheLineFollowsAThrotCursor) {
    DialogBarFields fields;
    Main().cursor.column = 2;
    ASSERT_TRUE(DialogBarFieldsOf(app, Main(), 0, fields));
    EXPECT_EQ(fields.point, "3000");
    EXPECT_EQ(fields.data, "3.0");
    EXPECT_EQ(fields.lineFollows, -1);
    Main().cursor = {kEditThrot, 0, 1, 200, 0, 255};
    ASSERT_TRUE(DialogBarFieldsOf(app, Main(), 0, fields));
    EXPECT_EQ(fields.lineFollows, 1);
    EXPECT_EQ(Main().cursor.row, 1);
    Main().cursor = {kEditData, 5, 0, 0, 0, 255};
    EXPECT_FALSE(DialogBarFieldsOf(app, Main(), 0, fields));
}

TEST_F(FrameModelTest, TypedValuesAreCommittedOnlyAsWholeNumbersAndLeaveOneUndoRecord) {
    struct Case {
        const char* text;
        bool committed;
        std::uint8_t stored;
        const char* message;   // the beginning of the message shown, "" for none
    };
    const char* const refusal = "Data error\nData is set as before editing";
    const Case cases[] = {
        {"2.5", true, 25, ""},
        {"300", true, 255, "Input Data Range Over:300.00"},
        {"-4", true, 0, "Input Data Range Over:-4.00"},
        {"1-", false, 10, refusal},
        {"x", false, 10, refusal},
        {".", false, 10, refusal},     // "%f" would take it for 0: the lower limit
        {"-", false, 10, refusal},
        {"1.2.3", false, 10, refusal}, // "%f" would take it for 1.2
        {"", true, 10, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        app.image()[0x1007] = 10;
        Main().undo.Clear();
        Main().cursor = {kEditData, 0, 0, 10, 0, 255};
        EditContext context = AppLinkedEditContext(app);
        const TypedValueResult result = CommitTypedValue(context, app, Main(), c.text, true);
        EXPECT_EQ(result.committed, c.committed);
        EXPECT_EQ(result.refused, !c.committed);
        EXPECT_FALSE(result.wrongWord);
        EXPECT_EQ(app.image()[0x1007], c.stored);
        EXPECT_EQ(result.message.has_value(), *c.message != '\0');
        const std::string message = result.message ? result.message->text : "";
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << message;
        // The field shows what the cell holds, also after a refusal.
        char shown[16];
        std::snprintf(shown, sizeof shown, "%.1f", c.stored / 10.0);
        EXPECT_EQ(result.dataText, shown);
        // A change is one undo record, which gives the byte back.
        EXPECT_EQ(Main().undo.Size(), c.stored != 10 ? 1u : 0u);
        if (c.stored != 10) {
            EXPECT_EQ(Main().undo.Newest().kind, 12);
            EXPECT_EQ(Undo(context, Main()), 1);
            EXPECT_EQ(app.image()[0x1007], 10);
        }
    }
}

TEST_F(FrameModelTest, TypedValuesAreNotCommittedOnAxes) {
    EditContext context = AppLinkedEditContext(app);
    Main().cursor = {kEditThrot, 0, 0, 0, 0, 255};
    TypedValueResult result = CommitTypedValue(context, app, Main(), "1", true);
    EXPECT_FALSE(result.committed);
    EXPECT_TRUE(result.clearField);
    Main().cursor = {kEditRpm, 0, 0, 20, 0, 255};   // one RPM row: not a DATA line
    EXPECT_TRUE(CommitTypedValue(context, app, Main(), "1", true).clearField);
    Twin().cursor = {kEditRpm, 0, 0, 20, 0, 255};
    EXPECT_TRUE(CommitTypedValue(context, app, Twin(), "1", false).committed);
    EXPECT_TRUE(Twin().undo.Empty());
    // A DATA cursor outside the table: "Including wrong word" for OK.
    Main().cursor = {kEditData, 5, 0, 0, 0, 255};
    result = CommitTypedValue(context, app, Main(), "1", true);
    EXPECT_FALSE(result.committed);
    EXPECT_TRUE(result.wrongWord);
    EXPECT_TRUE(Main().undo.Empty());
}

TEST_F(FrameModelTest, TheCloseQuestionKeepsTheWorkUnlessOkIsChosen) {
    // Nobody answers: the default, Cancel, keeps the changes.
    EXPECT_FALSE(ConfirmCloseWithoutSaving(prompt));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Are you sure you want to close without saving the change ?");
    EXPECT_EQ(prompt.Last().buttons, PromptButtons::kOkCancel);
    prompt.answers = {PromptAnswer::kOk};
    EXPECT_TRUE(ConfirmCloseWithoutSaving(prompt));
}

TEST_F(FrameModelTest, LineStepAndToggleCarryTheRawValueAlong) {
    ASSERT_TRUE(StepToLine(app, Main(), 1));
    EXPECT_EQ(Main().cursor.raw, 40);
    EXPECT_FALSE(StepToLine(app, Main(), 2));
    ASSERT_TRUE(ToggleDataRpm(app, Twin()));
    EXPECT_EQ(Twin().cursor.mode, int(kEditRpm));
    EXPECT_EQ(Twin().cursor.raw, 0x14);
    Twin().cursor.row = 1;
    ASSERT_TRUE(ToggleDataRpm(app, Twin()));
    EXPECT_EQ(Twin().cursor.mode, int(kEditData));
    EXPECT_EQ(Twin().cursor.raw, 0x28);
    Twin().cursor.mode = kEditThrot;
    EXPECT_FALSE(ToggleDataRpm(app, Twin()));
}

TEST_F(FrameModelTest, CopyBackTellsWhetherAByteChanged) {
    Image buffer = app.image();
    EXPECT_FALSE(CopyBackImage(app.image(), buffer));
    buffer[0x1020] = 1;
    EXPECT_TRUE(CopyBackImage(app.image(), buffer));
    EXPECT_EQ(app.image()[0x1020], 1);
}

TEST_F(FrameModelTest, MapGroupsListEachLabelOnceAndTheOthersLast) {
    ProfileFile settings(install.dir.Write("groups.ini",
                                           "[MAP LIST]\nLIST=Rest\nLIST1=Twin,Spark\nLIST2=Twin,Other\n"
                                           "LIST3=Gone,Spark\nLIST4=,Empty\nLIST5=Main,\nLIST6=\nLIST7=Main,Late\n"));
    const MapGroups groups = ReadMapGroups(settings, app.maps);
    EXPECT_EQ(groups.labels, (std::vector<std::string>{"Spark", "Rest"}));
    EXPECT_EQ(MapsOfGroup(groups, app.maps, "Spark"), (std::vector<std::pair<std::string, int>>{{"Twin", 1}}));
    EXPECT_EQ(MapsOfGroup(groups, app.maps, "Rest"), (std::vector<std::pair<std::string, int>>{{"Main", 0}}));
    const MapGroups none = ReadMapGroups(ProfileFile(install.dir.File("missing.ini")), app.maps);
    EXPECT_EQ(none.labels, std::vector<std::string>{"Other Map"});
    EXPECT_EQ(MapsOfGroup(none, app.maps, "Other Map").size(), 2u);
}

TEST_F(FrameModelTest, MultiMapEditNeedsTwoMapsEndingInADigit) {
    EXPECT_FALSE(MultiMapEditAvailable(app.maps));
    Main().name = "Fuel 1";
    EXPECT_FALSE(MultiMapEditAvailable(app.maps));
    Twin().name = "Fuel 2";
    EXPECT_TRUE(MultiMapEditAvailable(app.maps));
}

TEST_F(FrameModelTest, ClosingTheCalibrationEmptiesEverythingItHeld) {
    app.dataFilePath = "x.qsd";
    app.currentMap = &Main();
    app.modified = 1;
    ResetCalibration(app);
    EXPECT_TRUE(app.dataFilePath.empty());
    EXPECT_TRUE(app.maps.empty());
    EXPECT_EQ(app.currentMap, nullptr);
    EXPECT_EQ(app.dataLines.Count(), 0);
    EXPECT_EQ(app.modified, 0);
}

TEST(FilterEntries, TakeTheTextOfEachPair) {
    EXPECT_EQ(FilterEntries("Orvandel Data Files(*.qsd)|*.qsd|All Files(*.*)|*.*||"),
              (std::vector<std::string>{"Orvandel Data Files(*.qsd)", "All Files(*.*)"}));
    EXPECT_TRUE(FilterEntries("").empty());
}

}  // namespace
