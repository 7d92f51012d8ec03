// Loading the definition at start-up and its sections besides the maps.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "model/LineStore.h"
#include "platform/FileIo.h"
#include "platform/LzExpand.h"
#include "platform/PathSearch.h"
#include "tests/config/DefinitionFixture.h"

namespace {

namespace fs = std::filesystem;

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(RV_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Points TMPDIR at a folder of the test for as long as it lives.
class TmpDirOverride {
public:
    explicit TmpDirOverride(const std::string& folder) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TmpDirOverride() {
        if (old_) setenv("TMPDIR", old_->c_str(), 1);
        else unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> old_;
};

struct LoadDefinitionTest : DefinitionFixture {
    TempDir tmp;
    TmpDirOverride tmpOverride{tmp.Path()};

    void SetUp() override {
        app.registry.installDirectory = dir.Path();
        app.registry.settingFolder = "KST07";
        fs::create_directories(dir.File("KST07"));
    }
    std::string Install(const std::string& name, const std::string& content) {
        return dir.Write("KST07/" + name, content);
    }
    std::string TempFile() const { return tmp.File("mzost0.tmp"); }
    std::vector<std::string> LinesOf(const std::string& text) {
        LineStore lines;
        AppendDefinitionText(text, lines);
        return lines.Lines();
    }
};

TEST_F(LoadDefinitionTest, PlainAndCompressedFilesGiveTheSameLines) {
    const std::string plain = ReadData("lz/definition.stz");
    const struct {
        const char* installedAs;
        const char* source;
    } cases[] = {{"RV_Tune.STZ", "lz/definition.stz"}, {"rv_tune.stz", "lz/definition.stz_"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installedAs);
        fs::remove_all(dir.File("KST07"));
        Install(c.installedAs, ReadData(c.source));
        app.definitionLines.Clear();
        ASSERT_TRUE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
        EXPECT_TRUE(prompt.shown.empty());
        EXPECT_EQ(app.tempDefinitionPath, TempFile());
        EXPECT_EQ(tmp.Read("mzost0.tmp"), plain);
        EXPECT_EQ(app.definitionLines.Lines(), LinesOf(plain));
        EXPECT_EQ(app.definitionLines.At(0).front(), ';');   // comments are kept
    }
}

TEST_F(LoadDefinitionTest, AMissingFileEndsTheProgram) {
    Install("RV_Tune.ST0", "[Free Map]\n");
    EXPECT_FALSE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Setup file is not exist.");
    EXPECT_EQ(prompt.Last().caption, "Orvandel");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
}

TEST_F(LoadDefinitionTest, ADefinitionOverTheSizeLimitEndsTheProgramAndAppendsNothing) {
    std::string text = "[Free Map]\n1000,10FF,0000\n;";
    text += std::string(kMaxInputFileSize + 1 - text.size(), 'x');
    const std::string found = Install("RV_Tune.STZ", text);
    EXPECT_FALSE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Setup file Read Error(larger than 16 MB)\n" + found);
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
    EXPECT_EQ(app.definitionLines.Count(), 0);
}

TEST_F(LoadDefinitionTest, ACorruptCompressedFileEndsTheProgramWithTheExpansionMessage) {
    const std::string packed = ReadData("lz/definition.stz_");
    const std::string found = Install("RV_Tune.STZ", packed.substr(0, packed.size() / 2));
    tmp.Write("mzost0.tmp", "old");
    EXPECT_FALSE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Setup file Read Error(Create TemporaryFile:4-" +
                                      std::to_string(kLzTruncated) + ")\n" + found + " ->" +
                                      TempFolder());
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
    EXPECT_TRUE(app.tempDefinitionPath.empty());
    EXPECT_FALSE(FileExists(TempFile()));   // the old one went first, nothing new was left
    EXPECT_EQ(app.definitionLines.Count(), 0);
}

TEST_F(LoadDefinitionTest, AnOldTemporaryFileIsReplaced) {
    tmp.Write("mzost0.tmp", std::string(5000, 'x'));
    Install("RV_Tune.STZ", "[Free Map]\nC000,C7FF,0\n");
    ASSERT_TRUE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
    EXPECT_EQ(tmp.Read("mzost0.tmp"), "[Free Map]\nC000,C7FF,0\n");
    EXPECT_EQ(app.definitionLines.Count(), 2);
}

TEST_F(LoadDefinitionTest, ATemporaryFileThatCannotBeDeletedEndsTheProgram) {
    tmp.Write("mzost0.tmp/keep", "a folder in the way");
    Install("RV_Tune.STZ", "[Free Map]\n");
    EXPECT_FALSE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text.rfind("Setup file Read Error(Create TemporaryFile:3-", 0), 0u);
    EXPECT_NE(prompt.Last().text.find("\n[" + TempFolder() + "]"), std::string::npos);
    EXPECT_TRUE(app.tempDefinitionPath.empty());
}

TEST_F(LoadDefinitionTest, TextRulesKeepLongLinesAndArbitraryBytes) {
    const std::string longLine(1 << 20, 'L');
    std::string binary = "bin";
    binary += '\0';
    binary += "\xff\x80z";
    Install("RV_Tune.STZ", "one\r\n\r\n;c\n" + longLine + "\n" + binary + "\nlast\r");
    ASSERT_TRUE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
    EXPECT_EQ(app.definitionLines.Lines(),
              (std::vector<std::string>{"one", "", ";c", longLine, binary, "last"}));
}

TEST(DefinitionTextTest, LineEndsFollowTheTextRules) {
    const struct {
        const char* text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"\n", {""}},
        {"a\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\n\r", {"a"}},   // a last line left empty by the dropped CR is no line
        {"a\rb\n", {"ab"}},
    };
    for (const auto& c : cases) {
        LineStore lines;
        AppendDefinitionText(c.text, lines);
        EXPECT_EQ(lines.Lines(), c.lines) << c.text;
    }
}

// "RS232C" -------------------------------------------------------------------

using SectionTest = DefinitionFixture;

TEST_F(SectionTest, Rs232cOverridesOnlyTheCodesItNamesWithKnownValues) {
    app.speedCode = 3;
    app.dataBitsCode = 1;
    app.parityCode = 0;
    app.stopBitsCode = 0;
    app.flowCode = 0;
    app.portCode = 2;
    Define("[rs232c]\n speed = 19200\nDATA=7\nParity=even\nstop=1.5\nX=no\nCommPort=PORT5\n");
    ApplyRs232cSection(app.definitionLines, app);
    EXPECT_EQ(app.speedCode, 5);
    EXPECT_EQ(app.dataBitsCode, 0);
    EXPECT_EQ(app.parityCode, 2);
    EXPECT_EQ(app.stopBitsCode, 1);
    EXPECT_EQ(app.flowCode, 1);
    EXPECT_EQ(app.portCode, 2);   // the settings file gave a port

    app.portCode = -1;
    ApplyRs232cSection(app.definitionLines, app);
    EXPECT_EQ(app.portCode, 4);

    Define("[RS232C]\nSpeed=38400\nData=9\nParity=MARK\nStop=3\nX=maybe\nCommPort=PORT9\n");
    app.portCode = -1;
    ApplyRs232cSection(app.definitionLines, app);
    EXPECT_EQ(app.speedCode, 5);
    EXPECT_EQ(app.dataBitsCode, 0);
    EXPECT_EQ(app.parityCode, 2);
    EXPECT_EQ(app.stopBitsCode, 1);
    EXPECT_EQ(app.flowCode, 1);
    EXPECT_EQ(app.portCode, -1);
}

// "Diag.Com" -----------------------------------------------------------------

TEST_F(SectionTest, DiagItemsKeepTheirFieldsAndBadLinesAreSkipped) {
    Define(
        "[Diag.Com]\n"
        "M,01,Engine Speed,rpm,2,50,0\n"
        "M,1F,Coolant,degC,1,1,-40\n"
        ",02,No first field,x,1,1,0\n"
        "M,100,Number too big,x,1,1,0\n"
        "M,,Empty number,x,1,1,0\n"
        "M,0G,Not hex,x,1,1,0\n"
        "M,03,Size three,x,3,1,0\n"
        "M,04,Size zero,x,0,1,0\n"
        "M,05,Six fields,x,1,1\n"
        "M,FF,Last,V,01,0.1,0.5\n"
        "[Calib]\n"
        "M,06,Other section,x,1,1,0\n");
    const std::vector<DiagItem> items = ReadDiagItems(app.definitionLines);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].request, 0x01);
    EXPECT_EQ(items[0].name, "Engine Speed");
    EXPECT_EQ(items[0].unit, "rpm");
    EXPECT_EQ(items[0].answerLength, 2);
    EXPECT_EQ(items[0].factor, "50");
    EXPECT_EQ(items[1].offset, "-40");
    EXPECT_EQ(items[2].request, 0xFF);
    EXPECT_EQ(items[2].answerLength, 1);
    EXPECT_EQ(items[2].factor, "0.1");
}

// "Individual Information" ---------------------------------------------------

TEST_F(SectionTest, RecognitionCodeChoosesTheCommandSetAndTheIdentification) {
    const struct {
        const char* section;
        bool registryId;
        int set;
        const char* id;   // two characters expected, "" when unchanged
    } cases[] = {
        {"RecognitionCode,DM1\n", false, kCommandSetA, "M1"},
        {"recognitioncode , dxy \n", false, kCommandSetA, "xy"},
        {"RecognitionCode,EXQ\n", false, kCommandSetB, "XQ"},
        {"RecognitionCode,DM1\n", true, kCommandSetA, ""},
        {"Other,DAB\nRecognitionCode,KS7\nRecognitionCode,DM1\n", false, kCommandSetB, "S7"},
        // Too short: the machine name decides.
        {"RecognitionCode,DM\n", false, kCommandSetA, "ES"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        Define(std::string("[Individual Information]\n") + c.section);
        app.registry.machineName = "'04 Alder-6(ALD04B)";
        app.registry.expectedIdPresent = c.registryId;
        app.registry.expectedId = {'R', 'G', 0};
        app.commandSetSelector = -1;
        ApplyIndividualInformation(app.definitionLines, app);
        EXPECT_EQ(app.commandSetSelector, c.set);
        const std::string id = *c.id ? c.id : "RG";
        EXPECT_EQ(app.registry.expectedId[0], id[0]);
        EXPECT_EQ(app.registry.expectedId[1], id[1]);
        EXPECT_EQ(app.registry.expectedId[2], 0);
    }
}

TEST_F(SectionTest, WithoutRecognitionCodeTheMachineNameDecides) {
    const struct {
        const char* name;
        int set;
        const char* id;
    } cases[] = {
        {"'03 Alder-6(ALD03A)", kCommandSetA, "ES"},
        {"'04 Alder-6(ALD04B)", kCommandSetA, "ES"},
        {"'04 Birch-10(BRC04C)", kCommandSetB, "MM"},
        {"'05 Birch-10(BRC05D)", kCommandSetB, "MM"},
        {"'04 alder-6(ALD04B)", kCommandSetB, "M1"},   // names compare exactly
        {"", kCommandSetB, "M1"},
    };
    Define("[Individual Information]\nModel,KST\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        app.registry.machineName = c.name;
        app.registry.expectedIdPresent = false;
        app.registry.expectedId = {'R', 'G', 'X'};
        ApplyIndividualInformation(app.definitionLines, app);
        EXPECT_EQ(app.commandSetSelector, c.set);
        EXPECT_EQ(app.registry.expectedId[0], c.id[0]);
        EXPECT_EQ(app.registry.expectedId[1], c.id[1]);
        EXPECT_EQ(app.registry.expectedId[2], 0);

        app.registry.expectedIdPresent = true;   // the registry's EcuCheckResult stays
        app.registry.expectedId = {'R', 'G', 'X'};
        ApplyIndividualInformation(app.definitionLines, app);
        EXPECT_EQ(app.registry.expectedId[0], 'R');
        EXPECT_EQ(app.registry.expectedId[2], 'X');
    }
}

// "Multi Map" ----------------------------------------------------------------

TEST_F(SectionTest, MultiMapFixesTheLinkOfExistingNumberedMaps) {
    const std::string maps =
        "[Free Map]\nC000,C0FF,0\n"
        "Fuel 1,0,x\nT,0,1,x,x\nR,0,1,x,x\nD,0,1,x,x\n"
        "Fuel 2,0,x\nT,0,1,x,x\nR,0,1,x,x\nD,0,1,x,x\n"
        "Fuel 3,0,x\nT,0,1,x,x\nR,0,1,x,x\nD,0,1,x,x\n"
        "Fuel 4,0,x\nT,0,1,x,x\nR,0,1,x,x\nD,0,1,x,x\n"
        "Trim,0,x\nT,0,1,x,x\nR,0,1,x,x\nD,0,1,x,x\n";
    const struct {
        const char* section;
        bool fixed;
        std::vector<std::string> list;
    } cases[] = {
        {"Fuel 1,1\nFuel 2,2\nFuel 3,3\nFuel 4,4\n", true, {"Fuel 1", "Fuel 2", "Fuel 3", "Fuel 4"}},
        {"Fuel 3,1\n Fuel 4 , 2 \n", true, {"Fuel 3", "Fuel 4"}},
        {"Fuel 1,1\nFuel 2,2\nFuel 3,3\n", true, {"Fuel 1", "Fuel 2"}},            // #4 empty
        {"Fuel 1,1\nFuel 2,2\nFuel 1,3\nFuel 4,4\n", true, {"Fuel 1", "Fuel 2"}},  // #3 repeats #1
        {"Fuel 4,1\nFuel 1,1\nFuel 2,2\n", true, {"Fuel 1", "Fuel 2"}},            // later line wins
        {"Fuel 1,1\nFuel 1,2\n", false, {}},
        {"Fuel 1,1\nFuel 9,2\n", false, {}},         // no such map
        {"Fuel 1,1\nTrim,2\n", false, {}},           // not ending in a digit
        {"Fuel 1,1\nFuel 2,5\n", false, {}},
        {"Fuel 1,1\nFuel 2\n", false, {}},
        {"Fuel 1,1\nFuel 2,x2\n", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        Define(maps + "[Multi Map]\n" + c.section);
        ASSERT_EQ(Apply(), 0);
        ASSERT_EQ(app.maps.size(), 5u);
        EXPECT_EQ(app.mapLink.fixedLink, c.fixed);
        EXPECT_EQ(app.mapLink.linkList, c.list);
        EXPECT_EQ(app.mapLinkState, kLinkNone);
    }
}

// Constants ------------------------------------------------------------------

TEST(ConstantLineTest, SevenFieldsMakeAConstant) {
    ConstantDef constant;
    EXPECT_TRUE(ParseConstantLine(" D001 , 2 ,Rev Limit,0.5,-10,rpm,1,0,100 ", constant));
    EXPECT_EQ(constant.address, "D001");
    EXPECT_EQ(constant.byte, "2");
    EXPECT_EQ(constant.contents, "Rev Limit");
    EXPECT_EQ(constant.lsb, "0.5");
    EXPECT_EQ(constant.offset, "-10");
    EXPECT_EQ(constant.unit, "rpm");
    EXPECT_EQ(constant.calc, "1");
    EXPECT_FALSE(ParseConstantLine("D001,2,Rev Limit,0.5,-10,rpm", constant));
    EXPECT_EQ(SplitConstantLine("D001,2,Rev Limit,0.5,-10,rpm", constant), 6);
    EXPECT_EQ(constant.calc, "");
}

TEST_F(SectionTest, CalibConstantsAreFoundByNameAndSize) {
    Define(
        "[Fixed]\n"
        "E000,1,Idle,1,0,rpm,1\n"
        "[Calib]\n"
        "D000,1,Idle,0.5,-0.25,rpm,2\n"
        "D002,2,Rev Limit,1.5,10,rpm\n"
        "D00G,1,Bad Address,1,0,x,1\n"
        "12345,1,Far Address,1,0,x,1\n"
        "D006,1,Fan,abc,,degC,x\n"
        "[Other]\n"
        "D008,1,After,1,0,x,1\n");
    const struct {
        const char* contents;
        int size;
        ConstantLookup result;
    } cases[] = {
        {"Idle", 1, ConstantLookup::kFound},
        {"idle", 1, ConstantLookup::kNotFound},
        {"Idle", 2, ConstantLookup::kSizeDiffers},
        {"Rev Limit", 2, ConstantLookup::kFound},
        {"Bad Address", 1, ConstantLookup::kAddressNotHex},
        {"Far Address", 1, ConstantLookup::kAddressNotHex},
        {"After", 1, ConstantLookup::kNotFound},
        {"Fan", 1, ConstantLookup::kFound},
    };
    for (const auto& c : cases) {
        CalibConstant found;
        EXPECT_EQ(FindCalibConstant(app.definitionLines, c.contents, c.size, found), c.result)
            << c.contents;
    }
    CalibConstant idle;
    ASSERT_EQ(FindCalibConstant(app.definitionLines, "Idle", 1, idle), ConstantLookup::kFound);
    EXPECT_EQ(idle.address, 0xD000);
    EXPECT_FLOAT_EQ(idle.lsb, 0.5F);
    EXPECT_FLOAT_EQ(idle.offset, -0.25F);
    EXPECT_EQ(idle.calc, 2);
    CalibConstant rev;
    FindCalibConstant(app.definitionLines, "Rev Limit", 2, rev);
    EXPECT_EQ(rev.calc, 1);   // no Calc field
    CalibConstant fan;
    FindCalibConstant(app.definitionLines, "Fan", 1, fan);
    EXPECT_EQ(fan.lsb, 0.0F);
    EXPECT_EQ(fan.calc, 1);
}

// Whole definitions, loaded as at start-up and applied as by a data file load.

TEST_F(LoadDefinitionTest, AFreeMapDefinitionBuildsMapsLinksItemsAndIdentity) {
    Install("RV_Tune.STZ", ReadData("definitions/heron_free_map.def"));
    ASSERT_TRUE(LoadDefinition(app.registry, app.exeName, app.tempDefinitionPath, app.definitionLines, prompt));
    Counts(0x8000, 4, 5);
    Counts(0x802E, 4, 5);
    Counts(0x805C, 3, 4);
    app.registry.expectedIdPresent = false;
    ASSERT_EQ(Apply(), 0);
    EXPECT_TRUE(prompt.shown.empty());

    ASSERT_EQ(app.maps.size(), 3u);
    EXPECT_EQ(Map(1).base, 0x802E);
    EXPECT_EQ(Map(2).y.start, 0x8065);
    EXPECT_TRUE(app.mapLink.fixedLink);
    EXPECT_EQ(app.mapLink.linkList, (std::vector<std::string>{"Fuel 1", "Fuel 2"}));
    EXPECT_EQ(app.speedCode, 4);
    EXPECT_EQ(app.parityCode, 2);
    EXPECT_EQ(app.diagItems.size(), 3u);
    EXPECT_EQ(app.commandSetSelector, kCommandSetA);
    EXPECT_EQ(app.registry.expectedId[0], 'H');
    EXPECT_EQ(app.registry.expectedId[1], '8');
}

}  // namespace
