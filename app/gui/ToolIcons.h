#pragma once
// The dialog bar's tool button pictures, drawn here at run time.
#include <QIcon>

// The picture for a tool button's command; a null icon for any other command.
QIcon ToolIcon(int commandId);
