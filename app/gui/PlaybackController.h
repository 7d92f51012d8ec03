#pragma once
// A recorded ride played back in the windows (File > Open log...): the
// timeline at the foot of the frame, the operating point and its trail on
// the table and map windows moved by the log's values as the live monitor
// moves them, and the monitor window showing the log's values at the time
// shown. While a log plays back the monitor cannot start; a log opened
// while the monitor runs asks first whether to stop it. Nothing of it
// touches the calibration.
#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/Playback.h"

class CPlaybackBar;
class EcuController;
class Monitor;
class OperatingController;
class QDockWidget;
class QMainWindow;
class QTimer;
class TuneDialogs;
struct Calibration;
struct OperatingWindows;
struct UserPrompt;

struct PlaybackParts {
    Calibration& calibration;
    const std::string& settingsFilePath;   // the machine's settings file
    const std::string& startFolder;        // where the file dialog starts without a logs folder
    Monitor& monitor;
    OperatingController& operating;
    EcuController& ecu;                    // the monitor's window and its Stop
};

namespace playback {
constexpr const char* kTitle = "Open log";
// How often a playing log moves on, in milliseconds.
constexpr int kTickMs = 40;
}  // namespace playback

class PlaybackController {
public:
    PlaybackController(const PlaybackParts& parts, OperatingWindows& windows, TuneDialogs& dialogs,
                       UserPrompt& prompt, QMainWindow* frame);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    // File > Open log...: the file dialog, then Load.
    void Open();
    // The log at path played back from its first row, paused; false when it
    // was refused (the reason shown) or the technician kept the monitor running.
    bool Load(const std::string& path);
    // The close button, or the calibration goes: the marks and the monitor
    // window's log values go, and the monitor may start again.
    void End();
    bool Active() const { return playback_ != nullptr; }
    const Playback* Current() const { return playback_.get(); }

    // A playing log moves on by the time the clock went (called on a timer).
    void Tick();
    // Seconds on a steady clock; a test may put its own.
    std::function<double()> clock;

    CPlaybackBar* Bar() const { return bar_; }

private:
    void MakeBar();
    void Apply(PlaybackKey key);
    void StartTimer();
    // After every move: the trail fed, the monitor's rows and the bar shown.
    void Show();

    PlaybackParts parts_;
    OperatingWindows& windows_;
    TuneDialogs& dialogs_;
    UserPrompt& prompt_;
    QMainWindow* frame_;
    QDockWidget* dock_ = nullptr;
    CPlaybackBar* bar_ = nullptr;
    QTimer* timer_;
    QElapsedTimer elapsed_;

    std::unique_ptr<Playback> playback_;
    PlaybackItems matched_;
    double lastWall_ = 0.0;     // the clock at the last move of a playing log
    double sliderUnit_ = 0.001; // seconds per step of the slider
};
