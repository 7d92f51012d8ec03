// The table window's keys and mouse: the cursor moves and steps the frame
// passes in as key command codes, the clicks on the grid and the header, and
// the keys the in-place editors keep for the window.
#include "edit/gui/TableWnd.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "edit/CellEdit.h"

bool SelectOnClick(QLineEdit* editor, QEvent* event, bool& swallowing) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // Text the user has typed keeps the usual caret placement.
            if (mouse->button() != Qt::LeftButton || editor->isModified()) return false;
            editor->setFocus(Qt::MouseFocusReason);
            editor->selectAll();
            swallowing = true;
            return true;
        }
        case QEvent::MouseMove:
            return swallowing;
        case QEvent::MouseButtonRelease:
            if (!swallowing) return false;
            swallowing = false;
            return true;
        default:
            return false;
    }
}

void CTableWnd::MoveCursor(int code, bool extend) {
    MapRecord* map = Map();
    if (!map) return;
    CommitPending();
    TableCell target;
    const TableShape shape = Shape();
    if (!CursorMoveTarget(*map, shape, code, target)) return;
    if (app_.definitionKind == kDefinitionConfigMap && target.mode != kEditData && map->type != kMapConfigImage)
        return;
    services_.PrepareViews(0);
    statusText_.clear();
    const EditCursor before = map->cursor;
    if (extend && before.mode == kEditData && target.mode == kEditData)
        ExtendSelection(*map, target.row, target.column, before.row, before.column);
    EditContext context = Context();
    PlaceCursor(context, *map, target);
    AfterEdit();
    (gridEditor_->isVisible() ? gridEditor_ : axisEditor_)->setFocus();
}

void CTableWnd::StepCursor(bool up) {
    MapRecord* map = Map();
    if (!map) return;
    EditContext context = Context();
    int changed = 0;
    if (map->cursor.mode == kEditData) changed = StepDataCells(context, *map, up, SelectedCells(*map), &prompt_);
    else changed = StepAxisCell(context, *map, up, &prompt_) ? 1 : 0;
    if (changed > 0) AfterEdit();
}

void CTableWnd::KeyCommand(int code) {
    switch (code) {
        case 7: EnterPressed(false); break;
        case 11: StepCursor(true); break;
        case 12: StepCursor(false); break;
        case 13: MoveCursor(kKeyCursorUp, false); break;
        case 14: MoveCursor(kKeyCursorDown, false); break;
        case 15: MoveCursor(kKeyCursorLeft, false); break;
        case 16: MoveCursor(kKeyCursorRight, false); break;
        case 20: MoveCursor(kKeyCursorUp, true); break;
        case 21: MoveCursor(kKeyCursorDown, true); break;
        case 22: MoveCursor(kKeyCursorLeft, true); break;
        case 23: MoveCursor(kKeyCursorRight, true); break;
        default: break;
    }
}

void CTableWnd::GridPressed(const QPoint& position, Qt::KeyboardModifiers modifiers) {
    MapRecord* map = Map();
    if (!map) return;
    const TableShape shape = Shape();
    TableCell hit;
    if (!GridHit(shape, cellWidth_, cellHeight_, firstLine(), firstColumn(), position.x(), position.y(), hit)) return;
    const EditCursor before = map->cursor;
    if (hit.mode == kEditData) {
        if (modifiers & Qt::ShiftModifier) {
            const bool fromData = before.mode == kEditData;
            ExtendSelection(*map, hit.row, hit.column, fromData ? before.row : hit.row,
                            fromData ? before.column : hit.column);
        } else {
            AnchorSelection(*map, hit.row, hit.column);
        }
    } else {
        ClearSelection(*map);
    }
    CommitPending();
    services_.PrepareViews(0);
    statusText_.clear();
    EditContext context = Context();
    PlaceCursor(context, *map, hit);
    PlaceEditor();
    axisEditor_->hide();
    services_.RefreshViews(0);
    update();
    grid_->viewport()->update();
    gridEditor_->setFocus();
}

void CTableWnd::mousePressEvent(QMouseEvent* event) {
    MapRecord* map = Map();
    if (!map) return;
    ClearSelection(*map);
    if (app_.definitionKind == kDefinitionConfigMap && map->type != kMapConfigImage) {
        update();
        return;
    }
    const TableShape shape = Shape();
    TableCell hit;
    const QPoint p = event->position().toPoint();
    if (HeaderHit(shape, cellWidth_, cellHeight_, firstLine(), firstColumn(), p.x(), p.y(), hit)) {
        CommitPending();
        services_.PrepareViews(0);
        EditContext context = Context();
        PlaceCursor(context, *map, hit);
        PlaceEditor();
        services_.RefreshViews(0);
        axisEditor_->setFocus();
    }
    update();
    grid_->viewport()->update();
}

void CTableWnd::ClearSelectionAndRepaint() {
    if (MapRecord* map = Map()) ClearSelection(*map);
    update();
    grid_->viewport()->update();
}

void CTableWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab && (event->modifiers() & Qt::ControlModifier)) {
        ClearSelectionAndRepaint();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CTableWnd::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ControlModifier) &&
            (widget == this || isAncestorOf(widget))) {
            if (event->type() == QEvent::KeyPress) ClearSelectionAndRepaint();
            else event->accept();
            return true;
        }
    }
    if (watched != axisEditor_ && watched != gridEditor_) return CChildWnd::eventFilter(watched, event);
    if (SelectOnClick(static_cast<QLineEdit*>(watched), event, swallowingClick_)) return true;
    if (event->type() == QEvent::ShortcutOverride) {
        // The main frame's accelerators come before the editors' own keys.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ControlModifier)) {
            event->accept();
            return true;
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ControlModifier)) {
            ClearSelectionAndRepaint();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            EnterPressed((key->modifiers() & Qt::ShiftModifier) != 0);
            return true;
        }
        if (key->key() == Qt::Key_Escape) return true;
    }
    return CChildWnd::eventFilter(watched, event);
}
