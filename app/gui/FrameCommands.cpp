#include "app/gui/FrameCommands.h"

#include <QMdiArea>

#include "app/CommandIds.h"
#include "app/gui/MainFrame.h"
#include "ecu/Monitor.h"
#include "edit/WindowKinds.h"

// The rows of app/FrameCommands.def with their handlers. A member of the
// frame, so the handlers reach what the frame keeps to itself.
const std::vector<FrameCommand>& CMainFrame::Commands() {
    static const std::vector<FrameCommand> rows = {
#define COMMAND(id, text, keys, menu, where, rule, forward, handler) \
    {id, text, keys, menu, where, [](CMainFrame& f) { handler; }},
#include "app/FrameCommands.def"
#undef COMMAND
    };
    return rows;
}
