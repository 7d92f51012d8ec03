#pragma once
// Edit > Set to Value ... Smooth: maths on the table window's selection,
// one undo step, the account in the window's status line.
#include "edit/TableMaths.h"

class CQelView;
class EditDialogs;
class QWidget;
struct Calibration;
struct UserPrompt;

class TableMathsController {
public:
    TableMathsController(Calibration& calibration, EditDialogs& dialogs, UserPrompt& prompt, QWidget* parent);
    // op on the selection of view's table window (nothing when view shows
    // no table window).
    void Run(CQelView* view, TableMathsOp op);

private:
    Calibration& calibration_;
    EditDialogs& dialogs_;
    UserPrompt& prompt_;
    QWidget* parent_;
};
