#include "app/gui/PlaybackBar.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <optional>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr const char* kPlayText = "Play";
constexpr const char* kPauseText = "Pause";

std::optional<PlaybackKey> KeyOf(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    switch (event.key()) {
    case Qt::Key_Space: return PlaybackKey::kPlayPause;
    case Qt::Key_Left: return PlaybackKey::kPreviousRow;
    case Qt::Key_Right: return PlaybackKey::kNextRow;
    case Qt::Key_PageUp: return PlaybackKey::kPageForward;
    case Qt::Key_PageDown: return PlaybackKey::kPageBack;
    case Qt::Key_Home: return PlaybackKey::kFirst;
    case Qt::Key_End: return PlaybackKey::kLast;
    default: return std::nullopt;
    }
}

QString SpeedText(double speed) { return QString::number(speed) + "x"; }

}  // namespace

CPlaybackBar::CPlaybackBar(QWidget* parent) : QWidget(parent) {
    setObjectName("playbackBar");
    auto* layout = new QGridLayout(this);
    play_ = new QPushButton(kPlayText, this);
    play_->setObjectName("playButton");
    play_->setAutoDefault(false);
    speed_ = new QComboBox(this);
    speed_->setObjectName("speedBox");
    for (double speed : playback::kSpeeds) speed_->addItem(SpeedText(speed));
    speed_->setCurrentIndex(static_cast<int>(playback::kNormalSpeed));
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("timeSlider");
    slider_->setMinimumWidth(240);
    time_ = new QLabel(this);
    time_->setObjectName("timeLabel");
    time_->setMinimumWidth(150);
    time_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    close_ = new QPushButton("Close", this);
    close_->setObjectName("closeButton");
    close_->setAutoDefault(false);
    status_ = new QLabel(this);
    status_->setObjectName("statusLine");
    status_->setWordWrap(true);
    layout->addWidget(play_, 0, 0);
    layout->addWidget(speed_, 0, 1);
    layout->addWidget(slider_, 0, 2);
    layout->addWidget(time_, 0, 3);
    layout->addWidget(close_, 0, 4);
    layout->addWidget(status_, 1, 0, 1, 5);
    layout->setColumnStretch(2, 1);

    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(play_),
                            static_cast<QWidget*>(speed_), static_cast<QWidget*>(slider_),
                            static_cast<QWidget*>(close_)})
        widget->installEventFilter(this);
    connect(play_, &QPushButton::clicked, this, [this] {
        if (onKey) onKey(PlaybackKey::kPlayPause);
    });
    connect(close_, &QPushButton::clicked, this, [this] {
        if (onClose) onClose();
    });
    connect(speed_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!showing_ && index >= 0 && onSpeed) onSpeed(static_cast<std::size_t>(index));
    });
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (!showing_ && onSlider) onSlider(value);
    });
}

void CPlaybackBar::Show(const PlaybackBarView& view) {
    showing_ = true;
    const QString playText = view.playing ? kPauseText : kPlayText;
    if (play_->text() != playText) play_->setText(playText);
    if (speed_->currentIndex() != static_cast<int>(view.speedIndex))
        speed_->setCurrentIndex(static_cast<int>(view.speedIndex));
    if (slider_->maximum() != view.sliderMaximum) {
        slider_->setMaximum(view.sliderMaximum);
        // A click beside the handle moves a tenth of the log.
        slider_->setPageStep(std::max(1, view.sliderMaximum / 10));
    }
    // A slider held by the mouse follows the mouse, not the playback.
    if (!slider_->isSliderDown() && slider_->value() != view.sliderValue) slider_->setValue(view.sliderValue);
    const QString timeText = Q(view.timeText);
    if (time_->text() != timeText) time_->setText(timeText);
    showing_ = false;
}

void CPlaybackBar::SetStatus(const std::string& text) { status_->setText(Q(text)); }

void CPlaybackBar::TakeFocus() { slider_->setFocus(Qt::OtherFocusReason); }

bool CPlaybackBar::eventFilter(QObject* watched, QEvent* event) {
    // The frame's accelerators (PgUp and the like) leave the bar's keys to it.
    if (event->type() == QEvent::ShortcutOverride && KeyOf(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const std::optional<PlaybackKey> key = KeyOf(*static_cast<QKeyEvent*>(event));
        if (key) {
            if (onKey) onKey(*key);
            return true;
        }
    }
    // Space on a button clicks it when released: taken here with its press.
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) return true;
    return QWidget::eventFilter(watched, event);
}
