#include "model/Strings.h"

#include <map>

namespace {
const std::map<int, std::string>& Table() {
    static const std::map<int, std::string> table = {
        {str::kProductName, "Orvandel"},
        {str::kVersion, "Version 1.3.0"},
        {str::kCopyright, "Copyright (C) 2008-2024 the Orvandel developers"},
        {str::kDataFileExtension, "qsd"},
        {str::kFileStem, "RV_Tune"},
        {str::kAboutMenu, "&About Orvandel..."},
        {str::kDataFileFilter, "Orvandel Data Files(*.qsd)|*.qsd|All Files(*.*)|*.*||"},
        {str::kDataFileFilterWithObj,
         "Orvandel Data Files(*.qsd)|*.qsd|OBJ Format Files(*.obj)|*.obj|All Files(*.*)|*.*||"},
        {str::kRegistryKey, "SOFTWARE\\RV_Tune"},
        {str::kEquationNotCorrect, "HEX to Physical expression is not correct"},
        {str::kDivideByZero, "Error /0"},
        {str::kInputMaxOver, "Input Data MaxOver"},
        {str::kInputMinOver, "Input Data MaxOver"},
        {str::kEmptyOperand, "HEX to Physical expression has an empty operand"},
        {str::kOverWordSize, "Data is over Word size"},
        {str::kCannotInputZero, "Cannot input 0"},
        {str::kWrongEquation, "Used wrong equation"},
        {str::kCannotChangeToValue, "Input Data cannot change to value"},
        {str::kSetAsBefore, "Data is set as before editing"},
        {str::kDataError, "Data error"},
        {str::kWrongWord, "Including wrong word"},
        {str::kDataSectionMissing, "[Data] section is not found"},
        {str::kDataSectionEmpty, "[Data] section data is not found"},
        {str::kSFormatError, "S-format error in [Data] section"},
        {str::kWrongWordInData, "Including wrong word in [Data] section"},
        {str::kAllParametersNotDefined, "All Parameters are not defined"},
        {str::kMapSectionMissing, "[Free Map] or [Config Map] section is not found."},
        {str::kMapSectionFormat, "Format error in [Free Map] section"},
        {str::kOpenFailed, "Failed to open file"},
        {str::kWriteFailed, "Failed to write file"},
        {str::kPortOpenFailed, "Failed open RS232C port"},
        {str::kFailedToCorrespond, "Failed to correspond with ECU."},
        {str::kFailedToReadFile, "Failed to read file data"},
        {str::kAddressNotCorrespond, "Address does not correspond"},
        {str::kMapAddressWrong, "Map Address is wrong"},
        {str::kNoResponse, "No response from ECU."},
        {str::kRangeOver, "Input Data Range Over:%.2f \n (%.2f<=Data<=%.2f)\n set %.2f"},
        {str::kRangeOver2,
         "Input Data Range Over:%.2f \n(%.2f<=Data<=%.2f)\n(%.2f<=Data<=%.2f)\n set %.2f"},
        {str::kWriteErrorAddress, "Write Error Address : %s"},
        {str::kReadErrorAddress, "Read Error Address : %s"},
        {str::kSaveError, "Orvandel Data File Save Error!"},
        {str::kWrongWord2, "Including wrong word"},
        {str::kEcuTypeDifferent, "ECU type is different."},
        {str::kClipCannotCorrect,
         "Can't correct clip board data\nSupported digital data of front form only."},
        {str::kClipNotFrontForm, "Clip board has not supported data.\nIt's not data of front form."},
        {str::kClipNotDigital, "Clip board has not supported data.\nIt's not digital data."},
        {str::kClipPasteDuringSelection, "paste processing cannot be performed during selection."},
        {str::kDataRemainsInPort, "The data to read remains in port."},
        {str::kValueNotEditable, "A value cannot be edited."},
        {str::kMachineTypeDifferent, "Machine type is different."},
        {str::kCaptionMapWindow, "Map Window"},
        {str::kCaptionTableWindow, "Table Window"},
        {str::kCaptionConstants, "Edit Constants list Data"},
        {str::kCaptionDataRead, "Data Read"},
        {str::kCaptionDataExchange, "Data Exchange"},
        {str::kCaptionRs232c, "RS232C Parameter Set"},
        {str::kCaptionAddTitle, "Add Title"},
        {str::kCaptionEditTitle, "Edit Title"},
        {str::kCaptionMenu, "Menu"},
        {str::kCaptionWriteToEcu, "Write to ECU"},
        {str::kCancelCurrentData, "Do you cancel current data ?"},
        {str::kCloseWithoutSaving, "Are you sure you want to close without saving the change ?"},
        {str::kAreYouExit, "Are you exit ?"},
        {str::kCancelMapLink, "Do you cancel map link?"},
        {str::kClearMapLink, "Do you clear map link?"},
        {str::kMapLinkCleared, "Map link was cleared."},
        {str::kCommLogHeader,
         "time, Buffer, NumberOfBytesReadOrWrite, timeOut, GetLastError, FunctionName\n\n"},
        {str::kCommLogRead, "%d, %02X, %d, %d, %d, ReadFile:%s\n"},
        {str::kCommLogWrite, "%d, %02X, %d, %d, %d, WriteFile:%s\n"},
    };
    return table;
}
}  // namespace

const std::string& Str(int id) {
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}
