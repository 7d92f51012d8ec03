#include "edit/EditContext.h"

#include "model/Calibration.h"

static_assert(static_cast<int>(kEditConfigMapDefinition) == static_cast<int>(kDefinitionConfigMap) &&
                  static_cast<int>(kEditFreeMapDefinition) == static_cast<int>(kDefinitionFreeMap),
              "definition kinds must match the application's");

void EditContext::StoreByte(std::uint16_t address, std::uint8_t value, int suppress) {
    image[address] = value;
    modified = 1;
    if (propagate) propagate(address, value, suppress);
}

EditContext AppEditContext(Calibration& calibration, LinkPropagation propagate, LineListUpdate lineListUpdate) {
    EditContext context(calibration.image(), calibration.modified, calibration.formats);
    context.undoSize = calibration.undoSize;
    context.definitionKind = calibration.definitionKind;
    context.currentMap = calibration.currentMap;
    context.propagate = std::move(propagate);
    context.lineListUpdate = std::move(lineListUpdate);
    return context;
}
