#pragma once
// The tuning loop in the windows: the live operating point on the table and
// map windows of the current map while the monitor runs, the choice of its
// monitor items (Monitor > Operating point...) and the hit seconds of a
// recorded ride laid over the table (Monitor > Hit counts from log...,
// Monitor > Clear hit counts). It keeps the trail, places its marks in the
// application's overlay and tells the windows what moved; nothing of it
// touches the calibration.
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QElapsedTimer>

#include "app/OperatingPoint.h"
#include "app/OperatingTrail.h"

class CChildWnd;
class Monitor;
class QTimer;
class QWidget;
class TuneDialogs;
struct Calibration;
struct LiveMarks;
struct OperatingOverlay;
struct UserPrompt;

// What the tuning loop asks of the frame around it.
struct OperatingWindows {
    virtual ~OperatingWindows() = default;
    // The windows of the open document (none without one).
    virtual std::vector<CChildWnd*> MapWindows() const = 0;
    virtual void UpdateCommandUi() = 0;
};

struct OperatingParts {
    Calibration& calibration;
    const std::string& settingsFilePath;   // the machine's settings file
    const std::string& workFolder;         // where the file dialog starts without a logs folder
    Monitor& monitor;
    OperatingOverlay& overlay;
};

namespace operating {
// How long the marks stay after the monitor stopped, in seconds.
constexpr double kLingerSeconds = 1.0;
// How often the trail fades and a stop is looked for, in milliseconds.
constexpr int kTickMs = 200;
constexpr const char* kHitsTitle = "Hit counts from log";
}  // namespace operating

class OperatingController {
public:
    OperatingController(const OperatingParts& parts, OperatingWindows& windows, TuneDialogs& dialogs,
                        UserPrompt& prompt, QWidget* parent);
    ~OperatingController();
    OperatingController(const OperatingController&) = delete;
    OperatingController& operator=(const OperatingController&) = delete;

    // Monitor > Operating point...
    void ChooseItems();
    // Monitor > Hit counts from log...
    void LoadHits();
    // Monitor > Clear hit counts.
    void ClearHits();
    bool HitsShown() const;

    // Values of the monitor items (by item index) at time seconds on the
    // controller's clock; the live monitor's answers come here, and so can
    // a log's playback. placeMarks false leaves the marks as they are (a
    // playback feeding many rows places them once after the last).
    void Feed(double time, const std::vector<std::optional<double>>& itemValues, bool placeMarks = true);
    // The marks placed again on the current map (a map switch, the trail's fading).
    void Replace();
    // A log played back drives the marks: they are placed at its time now
    // (the trail fades on its clock) and stay while it pauses. nullopt ends
    // it: the trail and the marks go.
    void SetPlaybackTime(std::optional<double> now);
    bool PlayingBack() const { return playbackNow_.has_value(); }
    // The trail starts over (a playback jumped).
    void RestartTrail() { trail_.Clear(); }
    // The calibration went or another came: marks, hits and notes go.
    void End();
    // Whether the fade timer runs (it stops once nothing is left to fade).
    bool Ticking() const;
    // A stopped monitor's marks go once they lingered (called on a timer).
    void Tick();

    const OperatingTrail& Trail() const { return trail_; }
    // Seconds since the controller was made; a test may put its own clock.
    std::function<double()> clock;

private:
    void OnAnswer(std::size_t position, const std::string& text);
    void LoadPoint();
    void RunStarts();
    void Wake();   // starts the fade timer if it is idle
    // Says once per map and run why a map shows no operating point.
    void TellNoCursor(const MapRecord& map, const std::string& reason);
    void SetLive(const LiveMarks& live);
    // The time the marks are placed at: the playback's, else the clock's.
    double Now() const { return playbackNow_ ? *playbackNow_ : clock(); }
    void TellHitsChanged();

    std::function<void(std::size_t, const std::string&)> previousOnValue_;
    OperatingParts parts_;
    OperatingWindows& windows_;
    TuneDialogs& dialogs_;
    UserPrompt& prompt_;
    QWidget* parent_;
    QTimer* timer_;
    QElapsedTimer elapsed_;

    OperatingTrail trail_;
    OperatingPoint point_;
    bool pointLoaded_ = false;
    bool fed_ = false;                  // values came since the marks last went
    bool inRun_ = false;                // the monitor has run since the last stop was seen
    double stoppedAt_ = -1.0;           // when the monitor was first seen stopped; -1 while it runs
    std::set<std::string> toldMaps_;    // maps told of in this run
    std::optional<double> playbackNow_; // the time of a log played back
};
