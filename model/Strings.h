#pragma once
// The string table: every text the program shows, numbered as its messages
// are numbered. Core code takes its texts from here and hands them to a
// UserPrompt; nothing else spells a message out.
#include <string>

namespace str {
enum : int {
    kProductName = 2,               // "Orvandel"
    kVersion = 5,
    kCopyright = 6,                 // the About dialog's third text
    kDataFileExtension = 8,         // "qsd"
    kFileStem = 12,                 // the program's file name stem
    kAboutMenu = 7,                 // "&About Orvandel..."
    kDataFileFilter = 9,
    kDataFileFilterWithObj = 10,
    kRegistryKey = 11,              // "SOFTWARE\\RV_Tune"
    kEquationNotCorrect = 1000,
    kDivideByZero = 1001,
    kInputMaxOver = 1002,
    kInputMinOver = 1003,
    kEmptyOperand = 1004,           // our own wording: the table had no text for it
    kOverWordSize = 1006,
    kCannotInputZero = 1007,
    kWrongEquation = 1500,
    kCannotChangeToValue = 1503,
    kSetAsBefore = 1504,
    kDataError = 1505,
    kWrongWord = 1506,
    kDataSectionMissing = 1507,
    kDataSectionEmpty = 1508,
    kSFormatError = 1509,
    kWrongWordInData = 1510,
    kAllParametersNotDefined = 1512,
    kMapSectionMissing = 1514,
    kMapSectionFormat = 1515,
    kOpenFailed = 1516,
    kWriteFailed = 1517,
    kPortOpenFailed = 1518,
    kFailedToCorrespond = 1520,
    kFailedToReadFile = 1519,
    kAddressNotCorrespond = 1521,
    kMapAddressWrong = 1523,
    kNoResponse = 1524,
    kRangeOver = 1525,
    kWriteErrorAddress = 1528,
    kReadErrorAddress = 1529,
    kRangeOver2 = 1531,
    kLinkNamesPiledUp = 1538,
    kLinkFirstMapsEmpty = 1539,
    kLinkLastMapsHalfEmpty = 1540,
    kLinkCountDiffers = 1541,
    kSaveError = 1533,
    kWrongWord2 = 1536,
    kEcuTypeDifferent = 1542,
    kClipCannotCorrect = 1544,
    kClipNotFrontForm = 1545,
    kClipNotDigital = 1546,
    kClipPasteDuringSelection = 1547,
    kDataRemainsInPort = 1548,
    kValueNotEditable = 1549,
    kMachineTypeDifferent = 1550,
    // 1525 with another number of decimals, for the constants editor
    kRangeOver3 = 1551,
    kRangeOver4 = 1552,
    kRangeOver5 = 1553,
    kRangeOver6 = 1554,
    kRangeOver1 = 1555,
    kRangeOver0 = 1556,
    // Our own: another program holds the serial port's lock.
    kPortUsedByOther = 1601,
    kCaptionMapWindow = 2000,
    kCaptionTableWindow = 2001,
    kCaptionConstants = 2002,
    kCaptionDataRead = 2008,
    kCaptionDataExchange = 2009,
    kCaptionRs232c = 2005,
    kCaptionAddTitle = 2010,
    kCaptionEditTitle = 2011,
    kCaptionMenu = 2013,
    kCaptionWriteToEcu = 2015,
    kCancelCurrentData = 3000,
    kCloseWithoutSaving = 3001,
    kAreYouExit = 3003,
    kCancelMapLink = 3005,
    kExecuteMapLink = 3006,
    kClearMapLink = 3007,
    kMapLinkCleared = 3008,
    kCommLogHeader = 57644,
    kCommLogRead = 57645,
    kCommLogWrite = 57646,
};
}  // namespace str

// The text of a string-table entry; empty for a number the table lacks.
const std::string& Str(int id);

// Texts of the program that the table does not number.
namespace text {
constexpr const char* kProgramTitle = "Orvandel";
constexpr const char* kSettingsMissing = "%s.ini is not exist.";
constexpr const char* kMachineSelectCaption = "Machine Select";
constexpr const char* kMachineSelectPrompt = "Select the target machine name.";
constexpr const char* kMachineChangeQuestion =
    "Target machine tends to be changed.\nAre you sure?\n"
    "Changed machine data becomed effective, after restart Orvandel.";
constexpr const char* kMachineNotSelectedQuestion =
    "Target machine is not selected.\nOrvandel is need the target machine information.\n"
    "Orvandel is exit, OK?";
constexpr const char* kMachineListFile = "MCN_LIST.DAT";
// The main frame's commands whose dialogs this build does not have yet.
constexpr const char* kDialogMissing = "The %s dialog is not available in this version of Orvandel.";
constexpr const char* kOpenFileTitle = "Open File";
constexpr const char* kSaveAsTitle = "Save As";
constexpr const char* kAboutCaption = "Version";
constexpr const char* kMenuDialogCaption = "Menu Dialog";
}  // namespace text
