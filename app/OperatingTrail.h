#pragma once
// Where the engine has been in the last two seconds: the RPM and THROT
// values as they arrive, one point each time either of them changes. The
// feed is plain (a time and the values of the monitor items), so the live
// monitor and a log played back drive it alike.
#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

struct TrailPoint {
    double time = 0.0;              // seconds, on the feeder's clock
    double rpm = 0.0;
    std::optional<double> throt;    // none until the first THROT value came
};

// A point with its age: 0 now, 1 at the end of the span (two seconds ago).
struct AgedTrailPoint {
    TrailPoint point;
    double age = 0.0;
};

class OperatingTrail {
public:
    static constexpr double kSpanSeconds = 2.0;

    // The monitor items that give RPM and THROT (-1: none). The trail starts
    // over, since the old points came from other items.
    void SetItems(int rpmItem, int throtItem);
    int RpmItem() const { return rpmItem_; }
    int ThrotItem() const { return throtItem_; }

    // The values of the monitor items by item index, nullopt (or a value
    // that is not finite) where the item brought none. A time before the
    // newest point (a playback moved back) starts the trail over. true when a
    // point was added: the RPM or THROT item brought a value and an engine
    // speed is known.
    bool Feed(double time, const std::vector<std::optional<double>>& itemValues);

    // Forgets every point and the last known values.
    void Clear();
    bool Empty() const { return points_.empty(); }
    std::size_t Size() const { return points_.size(); }
    // The newest point; nullptr when there is none.
    const TrailPoint* Current() const { return points_.empty() ? nullptr : &points_.back(); }
    // The points before the newest that are younger than the span at time
    // now, oldest first, each with its age.
    std::vector<AgedTrailPoint> Older(double now) const;

private:
    void DropOlderThan(double time);

    int rpmItem_ = -1;
    int throtItem_ = -1;
    std::optional<double> rpm_;
    std::optional<double> throt_;
    std::deque<TrailPoint> points_;
};
