#include "edit/TableMaths.h"

#include <algorithm>
#include <cmath>

#include "edit/CellAccess.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "model/Equation.h"
#include "model/ValueConversion.h"

namespace {

struct Rect {
    int top = 0, bottom = -1, left = 0, right = -1;
    int Rows() const { return bottom - top + 1; }
    int Columns() const { return right - left + 1; }
};

float CellPhysical(const Image& image, const MapRecord& map, int row, int column, std::uint8_t& raw) {
    raw = image[DataCellAddress(map, row, column)];
    float physical = 0.0f;   // a failing equation counts as 0, as the table shows it
    ToPhysicalByte(map.y, raw, physical);
    return physical;
}

// The raw byte for a physical result: the byte whose physical value lies
// nearest (a plain truncation would store 1.3 as 1.2 when x*10 gives
// 12.9999), then the range rules of a typed value: the byte, the item's
// limits, one raw step back inside its range. limited tells whether the
// result had to be held inside the range.
std::uint8_t RawFor(const MapItem& item, const EditCursor& limits, float physical, bool& limited) {
    const float low = std::max(ItemMinimum(item), ItemMinimum2(item));
    const float high = std::min(ItemMaximum(item), ItemMaximum2(item));
    limited = physical < low || physical > high;
    std::int32_t wide = 0;
    if (ToRawInt(item, physical, wide) != kEquationOk) wide = 0;
    int best = std::clamp<std::int32_t>(wide, 0, 255);
    float bestDistance = INFINITY;
    for (int candidate = best - 1; candidate <= best + 1; ++candidate) {
        if (candidate < 0 || candidate > 255) continue;
        float p = 0.0f;
        if (ToPhysicalByte(item, static_cast<std::uint8_t>(candidate), p) != kEquationOk) continue;
        const float distance = std::fabs(p - physical);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    int raw = best;
    if (raw < limits.lower) raw = limits.lower;
    else if (raw > limits.upper) raw = limits.upper;
    raw = std::clamp(raw, 0, 255);
    float p = 0.0f;
    ToPhysicalByte(item, static_cast<std::uint8_t>(raw), p);
    if (p < low && raw != 255) ++raw;
    else if (p > high && raw != 0) --raw;
    if (raw != best) limited = true;
    return static_cast<std::uint8_t>(raw);
}

// How far along a line of count cells each cell lies, 0 at the first and 1
// at the last: by the axis values (value(i, v) reads the i-th) when they rise
// from the first cell to the last without falling anywhere between, so that
// every weight lies in 0..1 and follows the cells' order; else, for equal
// ends, a falling axis, one that goes up and down, or a value that does not
// convert, by the cell's position.
template <typename AxisValue>
std::vector<float> LineWeights(int count, AxisValue value) {
    std::vector<float> weights(static_cast<std::size_t>(std::max(count, 0)), 0.0f);
    if (count < 2) return weights;
    std::vector<float> values(weights.size(), 0.0f);
    bool rising = true;
    for (int i = 0; i < count && rising; ++i) {
        float& v = values[static_cast<std::size_t>(i)];
        rising = value(i, v) && std::isfinite(v) && (i == 0 || v >= values[static_cast<std::size_t>(i - 1)]);
    }
    const float first = values.front();
    const float span = values.back() - first;
    rising = rising && span > 0.0f && std::isfinite(span);
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        weights[at] = rising ? (values[at] - first) / span : static_cast<float>(i) / static_cast<float>(count - 1);
    }
    return weights;
}

}  // namespace

bool TableMathsTakesValue(TableMathsOp op) {
    return op == TableMathsOp::kSet || op == TableMathsOp::kAdd || op == TableMathsOp::kScale;
}

std::string TableMathsUndoName(TableMathsOp op, std::size_t cells) {
    switch (op) {
        case TableMathsOp::kSet: return CellsName("Set", cells);
        case TableMathsOp::kAdd: return CellsName("Add to", cells);
        case TableMathsOp::kScale: return CellsName("Scale", cells);
        case TableMathsOp::kInterpolateRows:
        case TableMathsOp::kInterpolateColumns:
        case TableMathsOp::kInterpolateBoth: return CellsName("Interpolate", cells);
        case TableMathsOp::kSmooth: return CellsName("Smooth", cells);
    }
    return CellsName("Change", cells);
}

std::vector<CellRef> MathsCells(const MapRecord& map) {
    if (HasSelection(map)) return SelectedCells(map);
    std::vector<CellRef> cells;
    for (int r = 0; r < map.z.count; ++r)
        for (int c = 0; c < map.x.count; ++c) cells.push_back({r, c});
    return cells;
}

TableMathsPlan PlanTableMaths(const EditContext& context, const MapRecord& map,
                              const std::vector<CellRef>& cells, TableMathsOp op, float value) {
    TableMathsPlan plan;
    plan.op = op;
    if (TableMathsTakesValue(op) && !std::isfinite(value)) {
        plan.result = kMathsBadValue;
        return plan;
    }
    Rect rect{255, -1, 255, -1};
    for (const CellRef& cell : cells) {
        if (cell.row < 0 || cell.row >= map.z.count || cell.column < 0 || cell.column >= map.x.count) continue;
        rect.top = std::min(rect.top, cell.row);
        rect.bottom = std::max(rect.bottom, cell.row);
        rect.left = std::min(rect.left, cell.column);
        rect.right = std::max(rect.right, cell.column);
    }
    if (rect.bottom < rect.top || rect.right < rect.left) {
        plan.result = kMathsNoCells;
        return plan;
    }

    // The cells of the rectangle as they are now, and which of them are covered.
    const int rows = rect.Rows();
    const int columns = rect.Columns();
    std::vector<float> before(static_cast<std::size_t>(rows * columns), 0.0f);
    std::vector<std::uint8_t> raws(before.size(), 0);
    std::vector<bool> covered(before.size(), false);
    auto at = [&](int row, int column) { return static_cast<std::size_t>((row - rect.top) * columns + column - rect.left); };
    for (int r = rect.top; r <= rect.bottom; ++r)
        for (int c = rect.left; c <= rect.right; ++c) before[at(r, c)] = CellPhysical(context.image, map, r, c, raws[at(r, c)]);
    for (const CellRef& cell : cells)
        if (cell.row >= rect.top && cell.row <= rect.bottom && cell.column >= rect.left && cell.column <= rect.right)
            covered[at(cell.row, cell.column)] = true;

    // Along the THROT values down the rectangle, and along each row's RPM
    // values (a map of type 2 has an RPM row per THROT row).
    const std::vector<float> rowWeights = LineWeights(rows, [&](int i, float& v) {
        return AxisPhysical(context, map, kEditThrot, 0, rect.top + i, v);
    });
    std::vector<std::vector<float>> columnWeights;
    for (int r = rect.top; r <= rect.bottom; ++r) {
        columnWeights.push_back(LineWeights(columns, [&](int i, float& v) {
            return AxisPhysical(context, map, kEditRpm, r, rect.left + i, v);
        }));
    }
    auto columnFraction = [&](int row, int column) {
        return columnWeights[static_cast<std::size_t>(row - rect.top)][static_cast<std::size_t>(column - rect.left)];
    };
    auto rowFraction = [&](int row) { return rowWeights[static_cast<std::size_t>(row - rect.top)]; };

    auto result = [&](int r, int c) -> float {
        const float old = before[at(r, c)];
        switch (op) {
            case TableMathsOp::kSet: return value;
            case TableMathsOp::kAdd: return old + value;
            case TableMathsOp::kScale: return old * value / 100.0f;
            case TableMathsOp::kInterpolateRows: {
                const float t = columnFraction(r, c);
                return before[at(r, rect.left)] + t * (before[at(r, rect.right)] - before[at(r, rect.left)]);
            }
            case TableMathsOp::kInterpolateColumns: {
                const float u = rowFraction(r);
                return before[at(rect.top, c)] + u * (before[at(rect.bottom, c)] - before[at(rect.top, c)]);
            }
            case TableMathsOp::kInterpolateBoth: {
                const float t = columnFraction(r, c);
                const float u = rowFraction(r);
                const float topValue = before[at(rect.top, rect.left)] +
                                       t * (before[at(rect.top, rect.right)] - before[at(rect.top, rect.left)]);
                const float bottomValue = before[at(rect.bottom, rect.left)] +
                                          t * (before[at(rect.bottom, rect.right)] - before[at(rect.bottom, rect.left)]);
                return topValue + u * (bottomValue - topValue);
            }
            case TableMathsOp::kSmooth: {
                float sum = 0.0f, weights = 0.0f;
                for (int dr = -1; dr <= 1; ++dr)
                    for (int dc = -1; dc <= 1; ++dc) {
                        const int nr = r + dr, nc = c + dc;
                        if (nr < rect.top || nr > rect.bottom || nc < rect.left || nc > rect.right) continue;
                        if (!covered[at(nr, nc)]) continue;
                        const float w = static_cast<float>((dr == 0 ? 2 : 1) * (dc == 0 ? 2 : 1));
                        sum += w * before[at(nr, nc)];
                        weights += w;
                    }
                return weights > 0.0f ? sum / weights : old;
            }
        }
        return old;
    };

    EditCursor limits;
    {
        MapRecord probe;
        probe.y = map.y;
        probe.cursor.mode = kEditData;
        ComputeEditLimits(probe, context.image);
        limits = probe.cursor;
    }
    for (int r = rect.top; r <= rect.bottom; ++r) {
        for (int c = rect.left; c <= rect.right; ++c) {
            if (!covered[at(r, c)]) continue;
            ++plan.cellCount;
            const float target = result(r, c);
            bool limited = false;
            const std::uint8_t raw = RawFor(map.y, limits, target, limited);
            if (limited) ++plan.limitedCount;
            if (raw == raws[at(r, c)]) continue;
            TableMathsChange change;
            change.row = r;
            change.column = c;
            change.oldRaw = raws[at(r, c)];
            change.newRaw = raw;
            change.oldPhysical = before[at(r, c)];
            ToPhysicalByte(map.y, raw, change.newPhysical);
            plan.largestChange = std::max(plan.largestChange, std::fabs(change.newPhysical - change.oldPhysical));
            plan.changes.push_back(change);
        }
    }
    std::vector<std::uint16_t> addresses;
    for (const TableMathsChange& change : plan.changes)
        addresses.push_back(DataCellAddress(map, change.row, change.column));
    plan.refusal = context.OutsideDataRefusal(addresses);
    if (!plan.refusal.empty()) plan.result = kMathsOutsideData;
    return plan;
}

int ApplyTableMaths(EditContext& context, MapRecord& map, const TableMathsPlan& plan) {
    if (plan.result != kMathsOk || plan.changes.empty()) return 0;
    std::vector<std::uint16_t> addresses;
    for (const TableMathsChange& change : plan.changes) {
        std::uint16_t ignored = 0;
        if (ReadDataCell(context.image, map, change.column, change.row, ignored) != kCellOk) return 0;
        addresses.push_back(DataCellAddress(map, change.row, change.column));
    }
    UndoStepName name(map, TableMathsUndoName(plan.op, plan.changes.size()), true);
    if (!PushUndoDataCells(context, map, kUndoActionEdit, addresses)) return 0;
    int written = 0;
    for (const TableMathsChange& change : plan.changes) {
        WriteDataCell(context, map, change.newRaw, change.column, change.row);
        ++written;
    }
    if (map.cursor.mode == kEditData) {
        ReadDataCell(context.image, map, map.cursor.column, map.cursor.row, map.cursor.raw);
        ComputeEditLimits(map, context.image);
    }
    return written;
}
