#include "edit/gui/TableMathsController.h"

#include <QDialog>

#include "edit/EditContext.h"
#include "edit/gui/EditDialogs.h"
#include "edit/gui/QelView.h"
#include "edit/gui/TableMathsDlg.h"
#include "edit/gui/TableWnd.h"
#include "model/Calibration.h"
#include "platform/UserPrompt.h"

TableMathsController::TableMathsController(Calibration& calibration, EditDialogs& dialogs, UserPrompt& prompt,
                                           QWidget* parent)
    : calibration_(calibration), dialogs_(dialogs), prompt_(prompt), parent_(parent) {}

void TableMathsController::Run(CQelView* view, TableMathsOp op) {
    auto* table = view ? dynamic_cast<CTableWnd*>(view->ChildWnd()) : nullptr;
    MapRecord* map = calibration_.currentMap;
    if (!table || !map) return;
    // A value typed but not yet entered counts first, as a cursor move would take it.
    table->CommitPending();
    EditContext context = view->MakeEditContext();
    const std::vector<CellRef> cells = MathsCells(*map);
    TableMathsPlan plan;
    if (TableMathsTakesValue(op)) {
        CTableMathsDlg dialog(context, *map, cells, op, parent_);
        if (dialogs_.RunTableMaths(dialog) != QDialog::Accepted) return;
        plan = dialog.Plan();
    } else {
        plan = PlanTableMaths(context, *map, cells, op, 0.0f);
    }
    if (plan.result == kMathsOutsideData) {
        prompt_.Show(OutsideDataMessage(plan.refusal, CTableMathsDlg::Caption(op).toStdString()));
        return;
    }
    ApplyTableMaths(context, *map, plan);
    table->AfterEdit();
    table->SetStatusText(CTableMathsDlg::Caption(op).toStdString() + ": " + MathsSummary(plan, context, *map));
}
