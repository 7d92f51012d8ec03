#pragma once
// The machine definition: found and expanded once at start-up into the
// definition lines, interpreted against the image on every data file load.
#include <string>

class CQelApp;
class UserPrompt;

// The load was abandoned after its message was shown; the command that
// started it ends here.
constexpr int kAbandoned = -2;

// Start-up: finds "<exe>.STZ" in the setting folder, expands it into the
// temporary file and reads its lines. false when the program must end: the
// message has been shown and the exit code is 0.
bool LoadDefinition(CQelApp& app, UserPrompt& prompt);

// After a data file filled the image: maps (and the map link groups),
// "RS232C" overrides, "Diag.Com" items, "Individual Information".
// 0, or kAbandoned after the map section's message.
int ApplyDefinition(CQelApp& app, UserPrompt& prompt);
