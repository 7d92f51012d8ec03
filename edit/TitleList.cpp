#include "edit/TitleList.h"

#include "platform/AsciiText.h"

int TitlePairCount(const std::vector<std::string>& list) { return static_cast<int>((list.size() + 1) / 2); }

std::string TitleOf(const std::vector<std::string>& list, int pair) {
    if (pair < 0 || pair >= TitlePairCount(list)) return std::string();
    return list[static_cast<std::size_t>(pair) * 2];
}

std::string TitleDataOf(const std::vector<std::string>& list, int pair) {
    const std::size_t index = static_cast<std::size_t>(pair) * 2 + 1;
    if (pair < 0 || index >= list.size()) return std::string();
    return list[index];
}

void AddTitle(std::vector<std::string>& list, const std::string& title, const std::string& data,
              std::vector<int>* pairLines) {
    if (list.size() % 2 != 0) list.emplace_back();   // complete a lone last title first
    list.push_back(title);
    list.push_back(data);
    if (pairLines) pairLines->resize(static_cast<std::size_t>(TitlePairCount(list)), kAddedTitle);
}

bool ReplaceTitle(std::vector<std::string>& list, int pair, const std::string& title, const std::string& data) {
    if (pair < 0 || pair >= TitlePairCount(list)) return false;
    const std::size_t index = static_cast<std::size_t>(pair) * 2;
    if (index + 1 >= list.size()) list.emplace_back();
    list[index] = title;
    list[index + 1] = data;
    return true;
}

bool DeleteTitle(std::vector<std::string>& list, int pair, std::vector<int>* pairLines) {
    if (pair < 0 || pair >= TitlePairCount(list)) return false;
    const std::size_t index = static_cast<std::size_t>(pair) * 2;
    // The data text goes first, then its title.
    if (index + 1 < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(index) + 1);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    if (pairLines && static_cast<std::size_t>(pair) < pairLines->size())
        pairLines->erase(pairLines->begin() + pair);
    return true;
}

TitleEntryCheck CheckTitleEntry(const std::string& title, const std::string& data) {
    if (title.empty()) return TitleEntryCheck::kEmptyTitle;
    if (title.find(',') != std::string::npos || title.front() == ';' || title.front() == '[')
        return TitleEntryCheck::kNotStorable;
    for (const std::string* field : {&title, &data})
        for (char c : *field)
            if (c == '\n' || c == '\r') return TitleEntryCheck::kNotStorable;
    return TitleEntryCheck::kOk;
}

std::string TrimTitleField(const std::string& text) { return std::string(TrimBlanks(text)); }
