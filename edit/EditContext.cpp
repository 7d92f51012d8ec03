#include "edit/EditContext.h"

#include "model/Calibration.h"

static_assert(static_cast<int>(kEditConfigMapDefinition) == static_cast<int>(kDefinitionConfigMap) &&
                  static_cast<int>(kEditFreeMapDefinition) == static_cast<int>(kDefinitionFreeMap),
              "definition kinds must match the application's");

std::string OutsideDataRefusal(const std::optional<DataSpan>& kept, const std::vector<std::uint16_t>& addresses) {
    if (!kept) return {};
    std::string text = OutsideDataText(*kept, addresses, "the file keeps");
    if (text.empty()) return text;
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text + ", so a save would lose the change.\nNothing was changed.";
}

std::string EditContext::OutsideDataRefusal(const std::vector<std::uint16_t>& addresses) const {
    if (!keptData) return {};
    std::vector<std::uint16_t> all = addresses;
    if (linkTargets) {
        for (std::uint16_t address : addresses)
            for (std::uint16_t target : linkTargets(address)) all.push_back(target);
    }
    return ::OutsideDataRefusal(keptData, all);
}

PromptMessage OutsideDataMessage(const std::string& refusal, const std::string& caption) {
    return {refusal, caption, PromptIcon::kStop};
}

bool EditContext::StoreByte(std::uint16_t address, std::uint8_t value, int suppress) {
    if (keptData && !keptData->Holds(address)) return false;
    image[address] = value;
    modified = 1;
    if (propagate) propagate(address, value, suppress);
    return true;
}

EditContext AppEditContext(Calibration& calibration, LinkPropagation propagate, LineListUpdate lineListUpdate) {
    EditContext context(calibration.image(), calibration.modified, calibration.formats);
    context.undoSize = calibration.undoSize;
    context.definitionKind = calibration.definitionKind;
    context.currentMap = calibration.currentMap;
    context.keptData = calibration.Data();
    context.propagate = std::move(propagate);
    context.lineListUpdate = std::move(lineListUpdate);
    return context;
}
