#pragma once
// The batch conversion: "RV_Tune IN OUT" loads the data file IN as the Open
// command would, without any dialog, writes the export to OUT and ends.
class CQelApp;
class UserPrompt;

// Uses the command-line parts of the application object. 0 when the export
// was written; 1 when the load (message 1516, after the load's own messages)
// or the write (message 1517) failed. The caller then ends the program.
int RunBatchConversion(CQelApp& app, UserPrompt& prompt);
