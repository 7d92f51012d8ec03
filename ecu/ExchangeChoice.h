#pragma once
// What the data exchange window shows besides the panes: the three choice
// dialogs ("Data Read", "Data Write", "Data Verify") and the labels of the
// hex view. The window builds its dialogs and its grid from these.
#include <string>
#include <vector>

#include "ecu/DataExchange.h"

enum class ExchangeAction { kRead, kWrite, kVerify };

// A radio-button dialog with OK and Cancel; the choices in code order
// (ECU, Edit, File).
struct ExchangeChoice {
    std::string caption;
    std::vector<std::string> labels;
    std::vector<bool> enabled;
    int preselected = 0;
};

// The first choice is preselected. With noEcu the first choice (the ECU) is
// disabled and the second preselected instead.
ExchangeChoice ExchangeChoiceOf(ExchangeAction action, bool noEcu);

// The chosen code as the exchange takes it; false for a code the dialog
// does not offer.
bool ChosenSource(int code, ExchangeSource& source);
bool ChosenTarget(int code, ExchangeTarget& target);

// The hex view: a header row "Address", "+0" .. "+F" above the rows of a pane.
namespace hexview {
constexpr const char* kAddressHeader = "Address";
constexpr int kColumns = 16;
// "+0" .. "+F".
std::string ColumnHeader(int column);
// The highest first visible row: the view scrolls until the last row is at
// the bottom of its ten rows.
int LastFirstRow(const DataPane& pane);
}  // namespace hexview
