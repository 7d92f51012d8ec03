#pragma once
// Edit > Undo, Cut, Copy and Paste: the undo list of the current map and
// the clipboard, on the window of the active view.
class CChildWnd;
struct Calibration;
struct EditWindows;

class EditCommands {
public:
    EditCommands(Calibration& calibration, EditWindows& windows);
    // The last edit of the current map taken back, the selection anchored on
    // the cursor cell; nothing without an active view.
    void Undo();
    void Cut();
    void Copy();
    void Paste();

private:
    CChildWnd* ActiveChild() const;

    Calibration& calibration_;
    EditWindows& windows_;
};
