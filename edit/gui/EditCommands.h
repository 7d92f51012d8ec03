#pragma once
// Edit > Undo, Redo, Cut, Copy and Paste: the undo and redo lists of the
// current map and the clipboard, on the window of the active view.
#include <string>

class CChildWnd;
struct Calibration;
struct EditWindows;
struct UserPrompt;

class EditCommands {
public:
    EditCommands(Calibration& calibration, EditWindows& windows, UserPrompt& prompt);
    // The last edit of the current map taken back. The selection stays as
    // it was; without one the cursor cell becomes the anchor. Nothing
    // without an active view.
    void Undo();
    // What the last Undo of the current map took back, put in again exactly;
    // a refusal (a byte changed since, a byte outside the data) is told and
    // changes nothing.
    void Redo();
    void Cut();
    void Copy();
    void Paste();

private:
    CChildWnd* ActiveChild() const;
    void AfterUndoOrRedo();

    Calibration& calibration_;
    EditWindows& windows_;
    UserPrompt& prompt_;
};
