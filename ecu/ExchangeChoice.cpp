#include "ecu/ExchangeChoice.h"

#include "model/Strings.h"

namespace {
// The dialogs' titles; "Data Read" is also the caption of the question
// about the current data, so it is the string table's.
constexpr const char* kWriteCaption = "Data Write";
constexpr const char* kVerifyCaption = "Data Verify";
}  // namespace

ExchangeChoice ExchangeChoiceOf(ExchangeAction action, bool noEcu) {
    ExchangeChoice choice;
    switch (action) {
    case ExchangeAction::kRead:
        choice.caption = Str(str::kCaptionDataRead);
        choice.labels = {"ECU Data", "Edit Data", "File Data"};
        break;
    case ExchangeAction::kWrite:
        choice.caption = kWriteCaption;
        choice.labels = {"ECU", "Edit"};
        break;
    case ExchangeAction::kVerify:
        choice.caption = kVerifyCaption;
        choice.labels = {"ECU Data", "Edit Data", "File Data"};
        break;
    }
    choice.enabled.assign(choice.labels.size(), true);
    if (noEcu) {
        choice.enabled[0] = false;
        choice.preselected = 1;
    }
    return choice;
}

bool ChosenSource(int code, ExchangeSource& source) {
    if (code < 0 || code > 2) return false;
    source = static_cast<ExchangeSource>(code);
    return true;
}

bool ChosenTarget(int code, ExchangeTarget& target) {
    if (code < 0 || code > 1) return false;
    target = static_cast<ExchangeTarget>(code);
    return true;
}

namespace hexview {

std::string ColumnHeader(int column) {
    static const char kDigits[] = "0123456789ABCDEF";
    if (column < 0 || column >= kColumns) return std::string();
    return std::string("+") + kDigits[column];
}

int LastFirstRow(const DataPane& pane) {
    return pane.rowCount > DataPane::kVisibleRows ? pane.rowCount - DataPane::kVisibleRows : 0;
}

}  // namespace hexview
