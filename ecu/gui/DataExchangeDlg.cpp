#include "ecu/gui/DataExchangeDlg.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <optional>

#include "ecu/gui/BlockWriteStop.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// "Text(*.qsd)|*.qsd|All Files(*.*)|*.*||" as the name filters of a file
// dialog: the text of each pair, up to the empty one.
QStringList NameFilters(const std::string& tableFilter) {
    const QStringList parts = Q(tableFilter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        filters << parts[i];
    }
    return filters;
}

constexpr int kViewRows = DataPane::kVisibleRows + 1;   // the header row, then ten rows
constexpr int kFontPixels = 14;
// The address column's background; the byte area is white.
const QColor kAddressBackground(0xD3, 0xD3, 0xD3);
const QColor kGridLine(0xA0, 0xA0, 0xA0);

}  // namespace

// --- choice dialogs ----------------------------------------------------------

CExchangeChoiceDlg::CExchangeChoiceDlg(const ExchangeChoice& choice, QWidget* parent) : QDialog(parent) {
    setObjectName("exchangeChoice");
    setWindowTitle(Q(choice.caption));
    auto* layout = new QVBoxLayout(this);
    for (std::size_t i = 0; i < choice.labels.size(); ++i) {
        auto* button = new QRadioButton(Q(choice.labels[i]), this);
        button->setObjectName(QString("choice%1").arg(i));
        button->setEnabled(choice.enabled[i]);
        button->setChecked(static_cast<int>(i) == choice.preselected);
        layout->addWidget(button);
        choices_.push_back(button);
    }
    auto* buttons = new QHBoxLayout;
    ok_ = new QPushButton("OK", this);
    cancel_ = new QPushButton("Cancel", this);
    ok_->setDefault(true);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

int CExchangeChoiceDlg::Chosen() const {
    for (std::size_t i = 0; i < choices_.size(); ++i)
        if (choices_[i]->isChecked() && choices_[i]->isEnabled()) return static_cast<int>(i);
    return -1;
}

QRadioButton* CExchangeChoiceDlg::choiceButton(int code) const {
    return code >= 0 && static_cast<std::size_t>(code) < choices_.size() ? choices_[static_cast<std::size_t>(code)]
                                                                         : nullptr;
}

// --- hex view ----------------------------------------------------------------

CExchangeHexView::CExchangeHexView(DataPane& pane, QWidget* parent) : QAbstractScrollArea(parent), pane_(pane) {
    setObjectName("exchangeHexView");
    // A serif face where "Century" is not installed.
    font_ = QFont(QStringLiteral("Century"));
    font_.setFamilies({QStringLiteral("Century"), QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif"),
                       QStringLiteral("serif")});
    font_.setStyleHint(QFont::Serif, QFont::PreferQuality);
    font_.setPixelSize(kFontPixels);
    viewport()->setFont(font_);
    const QFontMetrics metrics(font_);
    rowHeight_ = metrics.height() + 4;
    addressWidth_ = std::max(metrics.horizontalAdvance(hexview::kAddressHeader), metrics.horizontalAdvance("0000")) + 12;
    byteWidth_ = std::max(metrics.horizontalAdvance("00"), metrics.horizontalAdvance("+F")) + 10;
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(DataPane::kVisibleRows);
    setFixedSize(sizeHint());
    Reset();
}

QSize CExchangeHexView::sizeHint() const {
    const int frame = 2 * frameWidth();
    return QSize(addressWidth_ + hexview::kColumns * byteWidth_ + 1 + frame + verticalScrollBar()->sizeHint().width(),
                 kViewRows * rowHeight_ + 1 + frame);
}

void CExchangeHexView::Reset() {
    verticalScrollBar()->setRange(0, hexview::LastFirstRow(pane_));
    verticalScrollBar()->setValue(pane_.firstVisibleRow);
    viewport()->update();
}

bool CExchangeHexView::event(QEvent* event) {
    // The scroll keys are the view's own, whatever shortcut elsewhere has them.
    if (event->type() == QEvent::ShortcutOverride) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Up: case Qt::Key_Down:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QAbstractScrollArea::event(event);
}

QColor CExchangeHexView::ByteColor() const { return pane_.partial ? QColor(Qt::red) : QColor(Qt::black); }

void CExchangeHexView::scrollContentsBy(int, int) {
    pane_.ScrollRows(verticalScrollBar()->value() - pane_.firstVisibleRow);
    viewport()->update();
}

void CExchangeHexView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font_);
    const int width = addressWidth_ + hexview::kColumns * byteWidth_;
    const int height = kViewRows * rowHeight_;
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.fillRect(QRect(0, 0, addressWidth_, height), kAddressBackground);

    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, addressWidth_, rowHeight_), Qt::AlignCenter, hexview::kAddressHeader);
    for (int column = 0; column < hexview::kColumns; ++column)
        painter.drawText(QRect(addressWidth_ + column * byteWidth_, 0, byteWidth_, rowHeight_), Qt::AlignCenter,
                         Q(hexview::ColumnHeader(column)));
    for (int line = 0; line < DataPane::kVisibleRows; ++line) {
        const HexRow row = PaneRow(pane_, pane_.firstVisibleRow + line);
        const int y = (line + 1) * rowHeight_;
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, y, addressWidth_, rowHeight_), Qt::AlignCenter, Q(row.address));
        painter.setPen(ByteColor());
        for (int column = 0; column < hexview::kColumns; ++column)
            painter.drawText(QRect(addressWidth_ + column * byteWidth_, y, byteWidth_, rowHeight_), Qt::AlignCenter,
                             Q(row.cells[column]));
    }

    painter.setPen(kGridLine);
    for (int column = 0; column <= hexview::kColumns; ++column) {
        const int x = addressWidth_ + column * byteWidth_;
        painter.drawLine(x, 0, x, height);
    }
    for (int line = 1; line <= kViewRows; ++line) painter.drawLine(0, line * rowHeight_, width, line * rowHeight_);
}

// --- the window ----------------------------------------------------------------

CDataExchangeDlg::CDataExchangeDlg(DataExchange& exchange, QWidget* parent) : QDialog(parent), exchange_(exchange) {
    setObjectName("dataExchangeDlg");
    setWindowTitle("Data Exchange");
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    read_ = new QPushButton("&Read", this);
    write_ = new QPushButton("&Write", this);
    verify_ = new QPushButton("&Verify", this);
    clear_ = new QPushButton("&Clear", this);
    close_ = new QPushButton("Close", this);
    const std::pair<QPushButton*, int> ids[] = {{read_, 3}, {write_, 6}, {verify_, 7}, {clear_, 8}, {close_, 9}};
    for (const auto& [button, id] : ids) {
        button->setObjectName(QString("control%1").arg(id));
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    status_ = new QLabel(this);
    status_->setObjectName("control1165");
    status_->setMinimumWidth(140);
    buttons->addSpacing(12);
    buttons->addWidget(status_, 1);
    layout->addLayout(buttons);

    title_ = new QLabel(this);
    title_->setObjectName("paneTitle");
    layout->addWidget(title_);
    hex_ = new CExchangeHexView(exchange_.ExchangeBuffer(), this);
    layout->addWidget(hex_);
    report_ = new QPlainTextEdit(this);
    report_->setObjectName("report");
    report_->setReadOnly(true);
    report_->setFixedWidth(hex_->width());
    report_->setFixedHeight(report_->fontMetrics().lineSpacing() * 8 + 2 * report_->frameWidth() + 8);
    layout->addWidget(report_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(read_, &QPushButton::clicked, this, &CDataExchangeDlg::OnRead);
    connect(write_, &QPushButton::clicked, this, &CDataExchangeDlg::OnWrite);
    connect(verify_, &QPushButton::clicked, this, &CDataExchangeDlg::OnVerify);
    connect(clear_, &QPushButton::clicked, this, &CDataExchangeDlg::OnClear);
    connect(close_, &QPushButton::clicked, this, &CDataExchangeDlg::reject);
    // A transfer disables the buttons until it is over; the protocol's
    // waits repaint them.
    exchange_.onBusyChanged = [this] { Refresh(false); };
    Refresh(true);
    read_->setFocus();
}

CDataExchangeDlg::~CDataExchangeDlg() { exchange_.onBusyChanged = nullptr; }

bool CDataExchangeDlg::HoldClose() {
    if (writeStop && writeStop->WriteRunning()) {
        writeStop->HoldClose(BlockWriteStop::kWindow);
        return true;
    }
    return exchange_.Busy();
}

void CDataExchangeDlg::reject() {
    if (HoldClose()) return;
    QDialog::reject();
}

void CDataExchangeDlg::closeEvent(QCloseEvent* event) {
    if (HoldClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

int CDataExchangeDlg::Choose(ExchangeAction action) {
    CExchangeChoiceDlg dialog(ExchangeChoiceOf(action, noEcu), this);
    const int result = runChoice ? runChoice(dialog) : dialog.exec();
    return result == QDialog::Accepted ? dialog.Chosen() : -1;
}

FileChooser CDataExchangeDlg::MakeFileChooser() {
    return [this](std::string& path) {
        const FileDialogSpec spec = exchange_.FileDialog();
        if (fileDialog) {
            path = fileDialog(spec);
        } else {
            QFileDialog dialog(this, Q(spec.title), Q(spec.folder));
            dialog.setNameFilters(NameFilters(spec.filter));
            dialog.setDefaultSuffix(Q(spec.defaultExtension));
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
            path.clear();
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                path = dialog.selectedFiles().front().toStdString();
        }
        return !path.empty();
    };
}

void CDataExchangeDlg::OnRead() {
    ExchangeSource source = ExchangeSource::kEcu;
    if (!ChosenSource(Choose(ExchangeAction::kRead), source)) return;
    exchange_.Read(source, MakeFileChooser());
    Refresh(true);
}

void CDataExchangeDlg::OnWrite() {
    ExchangeTarget target = ExchangeTarget::kEcu;
    if (!ChosenTarget(Choose(ExchangeAction::kWrite), target)) return;
    std::optional<BlockWriteStop::Running> running;
    if (target == ExchangeTarget::kEcu && writeStop) running.emplace(*writeStop);
    const ExchangeOutcome outcome = exchange_.Write(target);
    running.reset();
    if (writeStop && writeStop->Closing() != 0) {
        // A close agreed to during the write, of this window or the frame.
        Refresh(false);
        QDialog::reject();
        return;
    }
    if (target == ExchangeTarget::kEdit && outcome == ExchangeOutcome::kComplete && exchange_.DataTakenOver() &&
        onDataTakenOver)
        onDataTakenOver();
    Refresh(false);
}

void CDataExchangeDlg::OnVerify() {
    ExchangeSource source = ExchangeSource::kEcu;
    if (!ChosenSource(Choose(ExchangeAction::kVerify), source)) return;
    exchange_.Verify(source, MakeFileChooser());
    Refresh(false);
}

void CDataExchangeDlg::OnClear() {
    exchange_.Clear();
    Refresh(true);
    read_->setFocus();
}

void CDataExchangeDlg::Refresh(bool paneChanged) {
    const ExchangeButtons enabled = exchange_.Buttons();
    read_->setEnabled(enabled.read);
    write_->setEnabled(enabled.write);
    verify_->setEnabled(enabled.verify);
    clear_->setEnabled(enabled.clear);
    close_->setEnabled(!exchange_.Busy());
    status_->setText(Q(exchange_.StatusText()));
    title_->setText(Q(exchange_.ExchangeBuffer().title));
    QString report = Q(exchange_.Report());
    report.replace("\r\n", "\n");
    if (report_->toPlainText() != report) {
        report_->setPlainText(report);
        report_->moveCursor(QTextCursor::End);
        report_->ensureCursorVisible();
        report_->verticalScrollBar()->setValue(report_->verticalScrollBar()->maximum());
    }
    if (paneChanged) hex_->Reset();
    hex_->viewport()->update();
}
