#include "app/OperatingTrail.h"

#include <cmath>

namespace {

std::optional<double> ValueOf(const std::vector<std::optional<double>>& values, int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= values.size()) return std::nullopt;
    const std::optional<double>& value = values[static_cast<std::size_t>(item)];
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

}  // namespace

void OperatingTrail::SetItems(int rpmItem, int throtItem) {
    if (rpmItem == rpmItem_ && throtItem == throtItem_) return;
    rpmItem_ = rpmItem;
    throtItem_ = throtItem;
    Clear();
}

void OperatingTrail::Clear() {
    rpm_.reset();
    throt_.reset();
    points_.clear();
}

bool OperatingTrail::Feed(double time, const std::vector<std::optional<double>>& itemValues) {
    if (!std::isfinite(time)) return false;
    if (!points_.empty() && time < points_.back().time) Clear();
    const std::optional<double> rpm = ValueOf(itemValues, rpmItem_);
    const std::optional<double> throt = ValueOf(itemValues, throtItem_);
    if (rpm) rpm_ = rpm;
    if (throt) throt_ = throt;
    const bool added = (rpm || throt) && rpm_;
    if (added) points_.push_back({time, *rpm_, throt_});
    DropOlderThan(time);
    return added;
}

void OperatingTrail::DropOlderThan(double time) {
    // The newest point stays whatever its age: it is where the engine is.
    while (points_.size() > 1 && time - points_.front().time > kSpanSeconds) points_.pop_front();
}

std::vector<AgedTrailPoint> OperatingTrail::Older(double now) const {
    std::vector<AgedTrailPoint> older;
    for (std::size_t i = 0; i + 1 < points_.size(); ++i) {
        const double age = (now - points_[i].time) / kSpanSeconds;
        if (age > 1.0) continue;
        older.push_back({points_[i], age < 0.0 ? 0.0 : age});
    }
    return older;
}
