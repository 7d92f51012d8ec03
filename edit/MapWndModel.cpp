#include "edit/MapWndModel.h"

GraphRawRange ScaleRange(const GraphRawRange& range, GraphAxisKind axis) {
    GraphRawRange r = range;
    if (axis == GraphAxisKind::kFreeMap && r.xMinimum > 0) r.xMinimum = 0;
    return r;
}
