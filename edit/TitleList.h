#pragma once
// The calibration's titles as the Title Editor edits them: one array of
// strings taken in pairs, element 2i the title of pair i and 2i + 1 its data
// text. The data file keeps each pair as one line "title,data" in its
// "Title" section.
#include <cstddef>
#include <string>
#include <vector>

namespace titles {
constexpr std::size_t kMaxLength = 100;   // characters per field
}

// Pairs in the list; a last title without its data text counts as a pair.
int TitlePairCount(const std::vector<std::string>& list);
// The title and data text of pair i ("" for a missing data text).
std::string TitleOf(const std::vector<std::string>& list, int pair);
std::string TitleDataOf(const std::vector<std::string>& list, int pair);

// Where the editor's pairs came from, one entry a pair: the data file line
// each was read from, or kAddedTitle. An edited pair keeps its line, so it
// is written back in its place; the functions below keep pairLines in step
// with the list when it is given.
constexpr int kAddedTitle = -1;

void AddTitle(std::vector<std::string>& list, const std::string& title, const std::string& data,
              std::vector<int>* pairLines = nullptr);
// false when pair is not in the list.
bool ReplaceTitle(std::vector<std::string>& list, int pair, const std::string& title, const std::string& data);
bool DeleteTitle(std::vector<std::string>& list, int pair, std::vector<int>* pairLines = nullptr);

enum class TitleEntryCheck {
    kOk,
    kEmptyTitle,     // OK does nothing
    kNotStorable,    // the data file line would not read back as typed
};

// Whether a typed pair (blanks around each field already removed, see
// TrimTitleField) can be kept. A title holding a comma would be cut there,
// and one starting with ";" or "[" would read back as a comment or a
// section header.
TitleEntryCheck CheckTitleEntry(const std::string& title, const std::string& data);
// A typed field as the data file gives it back: the blanks around it removed.
// The entry dialog limits each field to kMaxLength characters.
std::string TrimTitleField(const std::string& text);
