#include "edit/EditContext.h"

#include "app/QelApp.h"

static_assert(static_cast<int>(kEditConfigMapDefinition) == static_cast<int>(kDefinitionConfigMap) &&
                  static_cast<int>(kEditFreeMapDefinition) == static_cast<int>(kDefinitionFreeMap),
              "definition kinds must match the application's");

void EditContext::StoreByte(std::uint16_t address, std::uint8_t value, int suppress) {
    image[address] = value;
    modified = 1;
    if (propagate) propagate(address, value, suppress);
}

EditContext AppEditContext(CQelApp& app, LinkPropagation propagate, LineListUpdate lineListUpdate) {
    EditContext context(app.image(), app.modified, app.formats);
    context.undoSize = app.undoSize;
    context.definitionKind = app.definitionKind;
    context.currentMap = app.currentMap;
    context.propagate = std::move(propagate);
    context.lineListUpdate = std::move(lineListUpdate);
    return context;
}
