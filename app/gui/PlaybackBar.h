#pragma once
// The timeline of a log played back: play/pause, the speed, a slider over
// the log's time, the time shown ("12.345 s / 95.000 s"), a status line and
// the close button. It only shows what its controller gives it and reports
// what the user does; the keys (Space, Left/Right, PageUp/PageDown,
// Home/End) work wherever the keyboard is inside the bar.
#include <QWidget>
#include <cstddef>
#include <functional>
#include <string>

#include "app/Playback.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// What the bar shows; the slider in steps of the controller's choosing.
struct PlaybackBarView {
    bool playing = false;
    int sliderValue = 0;
    int sliderMaximum = 0;
    std::string timeText;
    std::size_t speedIndex = playback::kNormalSpeed;
};

class CPlaybackBar : public QWidget {
    Q_OBJECT
public:
    explicit CPlaybackBar(QWidget* parent = nullptr);

    void Show(const PlaybackBarView& view);
    void SetStatus(const std::string& text);
    // The keyboard to the slider, so the keys work at once.
    void TakeFocus();

    std::function<void(PlaybackKey)> onKey;            // the play button sends kPlayPause
    std::function<void(std::size_t index)> onSpeed;
    std::function<void(int value)> onSlider;           // the user moved the slider
    std::function<void()> onClose;

    QPushButton* playButton() const { return play_; }
    QComboBox* speedBox() const { return speed_; }
    QSlider* slider() const { return slider_; }
    QLabel* timeLabel() const { return time_; }
    QLabel* statusLine() const { return status_; }
    QPushButton* closeButton() const { return close_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* play_;
    QComboBox* speed_;
    QSlider* slider_;
    QLabel* time_;
    QLabel* status_;
    QPushButton* close_;
    bool showing_ = false;   // the controller sets the controls: no report back
};
