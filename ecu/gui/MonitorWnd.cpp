#include "ecu/gui/MonitorWnd.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "ecu/Monitor.h"
#include "ecu/MonitorWindow.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The values are read from the core as often as the link timer polls.
constexpr int kRefreshMs = 100;

// A value box's dynamic property: its value is not live.
constexpr const char* kStaleProperty = "stale";

}  // namespace

CMonitorWnd::CMonitorWnd(Monitor& monitor, QWidget* mainWindow)
    : QDialog(mainWindow), monitor_(monitor), mainWindow_(mainWindow) {
    setObjectName("monitorWnd");
    setWindowTitle(monitor::kWindowTitle);
    setModal(false);
    auto* layout = new QGridLayout(this);
    layout->setVerticalSpacing(1);
    start_ = new QPushButton(monitor::kStartText, this);
    start_->setObjectName("startButton");
    start_->setDefault(true);
    layout->addWidget(start_, 0, 2);
    // No mnemonic: the window's letter keys stay as they are.
    record_ = new QPushButton("Record", this);
    record_->setObjectName("recordButton");
    record_->setCheckable(true);
    record_->setAutoDefault(false);
    layout->addWidget(record_, 0, 1);
    status_ = new QLabel(this);
    status_->setObjectName("statusLine");
    layout->addWidget(status_, static_cast<int>(monitorwnd::kRows) + 1, 0, 1, 3);
    for (std::size_t row = 0; row < monitorwnd::kRows; ++row) {
        auto* name = new QLabel(this);
        auto* value = new QLineEdit(this);
        auto* unit = new QLabel(this);
        name->setObjectName(QString("control%1").arg(monitorwnd::NameId(row)));
        value->setObjectName(QString("control%1").arg(monitorwnd::ValueId(row)));
        unit->setObjectName(QString("control%1").arg(monitorwnd::UnitId(row)));
        value->setReadOnly(true);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFixedWidth(90);
        name->setMinimumWidth(140);
        unit->setMinimumWidth(50);
        const int line = static_cast<int>(row) + 1;
        layout->addWidget(name, line, 0);
        layout->addWidget(value, line, 1);
        layout->addWidget(unit, line, 2);
        names_.push_back(name);
        values_.push_back(value);
        units_.push_back(unit);
        value->installEventFilter(this);
    }
    start_->installEventFilter(this);
    record_->installEventFilter(this);
    installEventFilter(this);
    // The window ends below its last used row.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(start_, &QPushButton::clicked, this, &CMonitorWnd::OnStartStop);
    connect(record_, &QPushButton::clicked, this, [this] {
        if (onRecord) onRecord();
        Refresh();
    });
    refresh_ = new QTimer(this);
    refresh_->setInterval(kRefreshMs);
    connect(refresh_, &QTimer::timeout, this, &CMonitorWnd::Refresh);
    Rebuild();
}

void CMonitorWnd::Rebuild() {
    const std::vector<MonitorRow> rows = monitor_.Rows();
    usedRows_ = static_cast<int>(std::min(rows.size(), monitorwnd::kRows));
    for (std::size_t row = 0; row < monitorwnd::kRows; ++row) {
        const bool used = static_cast<int>(row) < usedRows_;
        names_[row]->setText(used ? Q(rows[row].name) : QString());
        units_[row]->setText(used ? Q(rows[row].unit) : QString());
        values_[row]->clear();
        ShowStale(values_[row], true);
        names_[row]->setVisible(used);
        values_[row]->setVisible(used);
        units_[row]->setVisible(used);
    }
    Refresh();
    adjustSize();
    if (isVisible()) KeepOnScreen();
}

void CMonitorWnd::KeepOnScreen() {
    // A longer list makes the window grow downwards; it moves up as far as
    // needed to stay on the screen.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    const int frameExtra = frame.height() - height();
    QPoint at = pos();
    if (frame.bottom() > area.bottom()) at.setY(std::max(area.top(), area.bottom() - height() - frameExtra + 1));
    if (at != pos()) move(at);
}

void CMonitorWnd::Open() {
    monitor_.OpenWindow();
    Rebuild();
    if (!placed_) {
        // Centred at first; where the user left it afterwards.
        adjustSize();
        QRect area = mainWindow_ ? mainWindow_->frameGeometry() : QRect();
        if (QScreen* screen = QGuiApplication::primaryScreen(); !mainWindow_ && screen) area = screen->availableGeometry();
        position_ = area.center() - QPoint(width() / 2, height() / 2);
        placed_ = true;
    }
    move(position_);
    show();
    KeepOnScreen();
    refresh_->start();
    raise();
    activateWindow();
}

void CMonitorWnd::BringToFront() {
    if (!isVisible()) return;
    raise();
    activateWindow();
    start_->setFocus();
}

void CMonitorWnd::ShowStale(QLineEdit* box, bool stale) {
    if (box->property(kStaleProperty).isValid() && box->property(kStaleProperty).toBool() == stale) return;
    box->setProperty(kStaleProperty, stale);
    QPalette colours = palette();
    if (stale) {
        QColor grey = colours.color(QPalette::Disabled, QPalette::Text);
        // A style whose disabled text looks like any other gets plain grey.
        if (grey == colours.color(QPalette::Active, QPalette::Text)) grey = QColor(Qt::gray);
        colours.setColor(QPalette::Active, QPalette::Text, grey);
        colours.setColor(QPalette::Inactive, QPalette::Text, grey);
    }
    box->setPalette(colours);
    QFont font = this->font();
    font.setItalic(stale);
    box->setFont(font);
}

void CMonitorWnd::Refresh() {
    const std::vector<MonitorRow> rows = monitor_.Rows();
    for (int row = 0; row < usedRows_ && static_cast<std::size_t>(row) < rows.size(); ++row) {
        QLineEdit* box = values_[static_cast<std::size_t>(row)];
        const MonitorRow& shown = rows[static_cast<std::size_t>(row)];
        const QString value = Q(shown.value);
        if (box->text() != value) box->setText(value);
        ShowStale(box, !shown.live);
    }
    // A log played back is said in the title, with the time its values are of.
    QString title = monitor::kWindowTitle;
    if (monitor_.PlayingBack()) title += QString(" - playback %1 s").arg(monitor_.PlaybackTime(), 0, 'f', 1);
    if (windowTitle() != title) setWindowTitle(title);
    const QString text = Q(monitor_.ButtonText());
    if (start_->text() != text) start_->setText(text);
    const bool recording = isRecording && isRecording();
    record_->setChecked(recording);
    record_->setEnabled(recording || monitor_.Running());
}

void CMonitorWnd::SetStatus(const std::string& text) { status_->setText(Q(text)); }

void CMonitorWnd::OnStartStop() {
    if (monitor_.Running()) monitor_.Stop();
    else monitor_.StartFromButton();
    Refresh();
}

bool CMonitorWnd::HandleKey(QKeyEvent* event) {
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool modified = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
    const int code = enter ? '\r' : (key >= Qt::Key_A && key <= Qt::Key_Z ? 'A' + (key - Qt::Key_A) : 0);
    switch (MonitorWindowKey(code, modified)) {
    case MonitorKeyAction::kFocusMainWindow:
        if (mainWindow_) {
            mainWindow_->activateWindow();
            mainWindow_->setFocus();
        }
        return true;
    case MonitorKeyAction::kSwallow:
        return true;
    case MonitorKeyAction::kPass:
        break;
    }
    return false;
}

bool CMonitorWnd::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

void CMonitorWnd::reject() {
    // Escape closes the window as its close box does.
    close();
}

void CMonitorWnd::closeEvent(QCloseEvent* event) {
    refresh_->stop();
    monitor_.CloseWindow();
    QDialog::closeEvent(event);
    hide();
    if (onClosed) onClosed();
}

void CMonitorWnd::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (isVisible()) position_ = pos();
}
