#include "edit/OperatingCells.h"

#include <algorithm>
#include <cmath>

#include "edit/CellAccess.h"
#include "edit/TableModel.h"

namespace {

// A Config Map of any type but 3 lists its axis values in the definition:
// they have no bytes in the image.
bool ListAxes(const EditContext& context, const MapRecord& map) {
    return context.definitionKind == kEditConfigMapDefinition && map.type != kMapConfigImage;
}

bool Kept(const EditContext& context, const std::vector<std::uint16_t>& bytes) {
    if (!context.keptData) return true;
    return std::all_of(bytes.begin(), bytes.end(), [&](std::uint16_t a) { return context.keptData->Holds(a); });
}

// One axis element's value as the table shows it; status says why not.
bool ReadElement(const EditContext& context, const MapRecord& map, int mode, int row, int index, float& value,
                 AxesStatus& status) {
    if (!ListAxes(context, map) && !Kept(context, CellBytes(map, mode, row, index))) {
        status = AxesStatus::kNotInData;
        return false;
    }
    if (!AxisPhysical(context, map, mode, row, index, value) || !std::isfinite(value)) {
        status = AxesStatus::kBadEquation;
        return false;
    }
    return true;
}

}  // namespace

OperatingAxes ReadOperatingAxes(const EditContext& context, const MapRecord& map) {
    OperatingAxes axes;
    const int rows = map.z.count;
    const int columns = map.x.count;
    if (rows == 0 || columns == 0) return axes;
    AxesStatus status = AxesStatus::kReady;
    auto fail = [&] {
        OperatingAxes none;
        none.status = status;
        return none;
    };
    for (int r = 0; r < rows; ++r) {
        float value = 0.0f;
        if (!ReadElement(context, map, kEditThrot, 0, r, value, status)) return fail();
        axes.throt.push_back(value);
    }
    // A Config Map's listed RPM values are one line whatever its type.
    const int rpmLines = map.type == kMapRpmPerRow && !ListAxes(context, map) ? rows : 1;
    for (int r = 0; r < rpmLines; ++r) {
        std::vector<float> line;
        for (int c = 0; c < columns; ++c) {
            float value = 0.0f;
            if (!ReadElement(context, map, kEditRpm, r, c, value, status)) return fail();
            line.push_back(value);
        }
        axes.rpm.push_back(std::move(line));
    }
    axes.status = AxesStatus::kReady;
    return axes;
}

AxisPosition LocateOnAxis(const std::vector<float>& values, float value) {
    AxisPosition at;
    const int n = static_cast<int>(values.size());
    if (n <= 1) return at;
    for (int i = 0; i + 1 < n; ++i) {
        const float a = values[static_cast<std::size_t>(i)];
        const float b = values[static_cast<std::size_t>(i + 1)];
        if (value < std::min(a, b) || value > std::max(a, b)) continue;
        // On a breakpoint (equal neighbours included) the one breakpoint
        // takes the point whole.
        if (value == a) {
            at.low = at.high = i;
        } else if (value == b) {
            at.low = at.high = i + 1;
        } else {
            at.low = i;
            at.high = i + 1;
            at.fraction = (value - a) / (b - a);
        }
        return at;
    }
    int nearest = 0;
    for (int i = 1; i < n; ++i) {
        if (std::fabs(values[static_cast<std::size_t>(i)] - value) <
            std::fabs(values[static_cast<std::size_t>(nearest)] - value))
            nearest = i;
    }
    at.low = at.high = nearest;
    at.clamped = true;
    return at;
}

OperatingCells CellsAround(const OperatingAxes& axes, float rpm, float throt) {
    OperatingCells result;
    if (axes.status != AxesStatus::kReady || axes.throt.empty() || axes.rpm.empty()) return result;
    if (axes.rpm.size() != 1 && axes.rpm.size() != axes.throt.size()) return result;
    if (!std::isfinite(rpm) || !std::isfinite(throt)) return result;

    const AxisPosition z = LocateOnAxis(axes.throt, throt);
    result.throtClamped = z.clamped;
    result.row = static_cast<float>(z.low) + z.fraction;

    const int rowsUsed = z.low == z.high ? 1 : 2;
    float column[2] = {0.0f, 0.0f};
    for (int k = 0; k < rowsUsed; ++k) {
        const int row = k == 0 ? z.low : z.high;
        const float rowWeight = rowsUsed == 1 ? 1.0f : (k == 0 ? 1.0f - z.fraction : z.fraction);
        const AxisPosition x = LocateOnAxis(axes.RpmOfRow(static_cast<std::size_t>(row)), rpm);
        result.rpmClamped = result.rpmClamped || x.clamped;
        column[k] = static_cast<float>(x.low) + x.fraction;
        result.cells.push_back({row, x.low, rowWeight * (x.low == x.high ? 1.0f : 1.0f - x.fraction)});
        if (x.low != x.high) result.cells.push_back({row, x.high, rowWeight * x.fraction});
    }
    result.column = rowsUsed == 1 ? column[0] : (1.0f - z.fraction) * column[0] + z.fraction * column[1];

    // A weight can round to 0 next to a breakpoint: such a cell has no share.
    result.cells.erase(std::remove_if(result.cells.begin(), result.cells.end(),
                                      [](const CellShare& c) { return !(c.weight > 0.0f); }),
                       result.cells.end());
    if (result.cells.empty()) return result;
    const CellShare* nearest = &result.cells.front();
    for (const CellShare& c : result.cells)
        if (c.weight > nearest->weight) nearest = &c;
    result.nearestRow = nearest->row;
    result.nearestColumn = nearest->column;
    result.found = true;
    return result;
}
