#include "edit/gui/ConstantsDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "edit/EditContext.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A cell of the table: white on the black of the grid behind it, so the
// one-pixel gaps between the cells draw the rules.
template <typename W>
W* Cell(W* widget) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Text, Qt::black);
    widget->setPalette(palette);
    return widget;
}

}  // namespace

CConstantsDlg::CConstantsDlg(const LineStore& definition, Image& buffer, UserPrompt& prompt, LiveWrite liveWrite,
                             std::optional<DataSpan> kept, QWidget* parent)
    : QDialog(parent), list_(ListConstants(definition)), buffer_(buffer), prompt_(prompt),
      liveWrite_(std::move(liveWrite)), kept_(kept) {
    setWindowTitle("Edit Constants list");

    auto* grid = new QWidget(this);
    grid->setAutoFillBackground(true);
    QPalette black = grid->palette();
    black.setColor(QPalette::Window, Qt::black);
    grid->setPalette(black);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    const char* headers[] = {"Contents", "VALUE", "Unit"};
    for (int c = 0; c < 3; ++c) {
        auto* header = Cell(new QLabel(headers[c], grid));
        header->setAlignment(Qt::AlignCenter);
        layout->addWidget(header, 0, c);
    }
    for (int r = 0; r < kRows; ++r) {
        const auto i = static_cast<std::size_t>(r);
        contents_[i] = Cell(new QLabel(grid));
        contents_[i]->setMinimumWidth(200);
        contents_[i]->setIndent(3);
        values_[i] = Cell(new QLineEdit(grid));
        values_[i]->setFrame(false);
        values_[i]->setFixedWidth(110);
        values_[i]->setAlignment(Qt::AlignRight);
        values_[i]->installEventFilter(this);
        connect(values_[i], &QLineEdit::textEdited, this, [this, r] { lastFocused_ = r; });
        units_[i] = Cell(new QLabel(grid));
        units_[i]->setMinimumWidth(60);
        units_[i]->setIndent(3);
        layout->addWidget(contents_[i], r + 1, 0);
        layout->addWidget(values_[i], r + 1, 1);
        layout->addWidget(units_[i], r + 1, 2);
    }

    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setFocusPolicy(Qt::NoFocus);   // the focus stays in the last field
    scroll_->setSingleStep(1);
    scroll_->setPageStep(kRows);
    const int n = ConstantCount();
    scroll_->setRange(0, std::max(0, n - kRows));
    scroll_->setEnabled(n > kRows);
    connect(scroll_, &QScrollBar::valueChanged, this, &CConstantsDlg::ScrollTo);

    ok_ = new QPushButton("&OK", this);
    cancel_ = new QPushButton("&Cancel", this);
    for (QPushButton* b : {ok_, cancel_}) {
        b->setAutoDefault(false);
        b->installEventFilter(this);
    }
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* table = new QHBoxLayout;
    table->setSpacing(0);
    table->addWidget(grid);
    table->addWidget(scroll_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* main = new QVBoxLayout(this);
    main->addLayout(table);
    main->addLayout(buttons);

    FillRows();
    if (n > 0) valueField(0)->setFocus();
}

const ConstantEntry* CConstantsDlg::EntryAt(int row) const {
    const int i = top_ + row;
    if (row < 0 || row >= kRows || i < 0 || i >= ConstantCount()) return nullptr;
    return &list_[static_cast<std::size_t>(i)];
}

void CConstantsDlg::FillRows() {
    for (int r = 0; r < kRows; ++r) FillRow(r);
}

void CConstantsDlg::FillRow(int row) {
    const auto i = static_cast<std::size_t>(row);
    const ConstantEntry* entry = EntryAt(row);
    if (!entry) {
        contents_[i]->clear();
        values_[i]->clear();
        units_[i]->clear();
        contents_[i]->setEnabled(false);
        values_[i]->setEnabled(false);
        units_[i]->setEnabled(false);
        return;
    }
    contents_[i]->setEnabled(true);
    units_[i]->setEnabled(true);
    contents_[i]->setText(Q(entry->contents));
    units_[i]->setText(Q(entry->unit));
    values_[i]->setText(Q(ConstantValueText(*entry, buffer_)));
    values_[i]->setEnabled(!entry->readOnly);
    values_[i]->setToolTip(Q(ConstantHexText(*entry, ReadConstantRaw(buffer_, *entry))));
}

int CConstantsDlg::RowOf(QObject* field) const {
    for (int r = 0; r < kRows; ++r)
        if (values_[static_cast<std::size_t>(r)] == field) return r;
    return -1;
}

void CConstantsDlg::Show(const ConstantCommit& commit) {
    prompt_.Message(commit.text, Str(str::kCaptionConstants), PromptIcon::kExclamation);
}

bool CConstantsDlg::RefusedOutsideData(int row, const ConstantEntry& entry) {
    std::vector<std::uint16_t> bytes{entry.address};
    if (entry.byteCount == 2) bytes.push_back(static_cast<std::uint16_t>(entry.address + 1));
    const std::string refusal = OutsideDataRefusal(kept_, bytes);
    if (refusal.empty()) return false;
    FillRow(row);
    prompt_.Show(OutsideDataMessage(refusal, Str(str::kCaptionConstants)));
    return true;
}

bool CConstantsDlg::CommitValue(int row) {
    const ConstantEntry* entry = EntryAt(row);
    QLineEdit* field = valueField(row);
    // Only an edited text is taken: the shown text is rounded, and reading it
    // back could move a value nobody touched.
    if (!entry || entry->readOnly || committing_ || !field->isModified()) return true;
    const ConstantCommit commit = CommitConstantValue(*entry, field->text().toStdString());
    committing_ = true;
    bool refused = commit.Refused();
    if (refused) {
        FillRow(row);
        Show(commit);
    } else if (RefusedOutsideData(row, *entry)) {
        refused = true;
    } else {
        WriteConstantRaw(buffer_, *entry, commit.raw);
        FillRow(row);
        if (commit.message != 0) Show(commit);
    }
    committing_ = false;
    return !refused;
}

void CConstantsDlg::StepRaw(int row, bool up) {
    const ConstantEntry* entry = EntryAt(row);
    if (!entry || entry->readOnly || committing_) return;
    CommitValue(row);
    const std::uint32_t raw = StepConstantRaw(*entry, ReadConstantRaw(buffer_, *entry), up);
    const ConstantCommit commit = CommitConstantRaw(*entry, ConstantHexText(*entry, raw));
    committing_ = true;
    if (commit.Refused()) {
        FillRow(row);
        Show(commit);
    } else if (!RefusedOutsideData(row, *entry)) {
        WriteConstantRaw(buffer_, *entry, commit.raw);
        FillRow(row);
    }
    committing_ = false;
    valueField(row)->selectAll();
}

void CConstantsDlg::WriteLive(int row) {
    const ConstantEntry* entry = EntryAt(row);
    if (!entry || !liveWrite_) return;
    std::vector<std::uint8_t> bytes{buffer_[entry->address]};
    if (entry->byteCount == 2) bytes.push_back(buffer_[static_cast<std::uint16_t>(entry->address + 1)]);
    liveWrite_(entry->address, bytes);
}

void CConstantsDlg::CommitPending() {
    if (lastFocused_ >= 0 && lastFocused_ < kRows) CommitValue(lastFocused_);
}

void CConstantsDlg::ScrollTo(int top) {
    top = std::clamp(top, 0, std::max(0, ConstantCount() - kRows));
    if (top == top_) return;
    CommitPending();
    top_ = top;
    if (scroll_->value() != top) scroll_->setValue(top);
    FillRows();
    if (QLineEdit* field = valueField(lastFocused_); field->isEnabled()) {
        field->setFocus();
        field->selectAll();
    }
}

void CConstantsDlg::MoveRow(int row, int direction) {
    CommitValue(row);
    int r = row;
    for (;;) {
        const int next = r + direction;
        if (next >= 0 && next < kRows) {
            if (!EntryAt(next)) return;   // past the last constant
            r = next;
            if (valueField(r)->isEnabled()) break;
            continue;
        }
        // At the edge: the list moves by one under the focus.
        const int top = top_ + direction;
        if (ConstantCount() <= kRows || top < 0 || top > ConstantCount() - kRows) return;
        lastFocused_ = r;
        ScrollTo(top);
        if (valueField(r)->isEnabled()) break;
    }
    lastFocused_ = r;
    valueField(r)->setFocus();
    valueField(r)->selectAll();
}

bool CConstantsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ok_ || watched == cancel_) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                static_cast<QPushButton*>(watched)->click();
                return true;
            }
        }
        return QDialog::eventFilter(watched, event);
    }
    const int row = RowOf(watched);
    if (row < 0) return QDialog::eventFilter(watched, event);
    QLineEdit* field = valueField(row);
    switch (event->type()) {
        case QEvent::FocusIn:
            lastFocused_ = row;
            QMetaObject::invokeMethod(field, &QLineEdit::selectAll, Qt::QueuedConnection);
            break;
        case QEvent::FocusOut:
            CommitValue(row);
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool shift = key->modifiers() & Qt::ShiftModifier;
            switch (key->key()) {
                case Qt::Key_Return:
                case Qt::Key_Enter:
                    if (CommitValue(row) && shift) WriteLive(row);
                    field->selectAll();
                    return true;
                case Qt::Key_PageUp: StepRaw(row, true); return true;
                case Qt::Key_PageDown: StepRaw(row, false); return true;
                case Qt::Key_Up:
                    if (shift) {
                        MoveRow(row, -1);
                        return true;
                    }
                    break;
                case Qt::Key_Down:
                    if (shift) {
                        MoveRow(row, 1);
                        return true;
                    }
                    break;
                default: break;
            }
            break;
        }
        default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void CConstantsDlg::accept() {
    CommitPending();
    QDialog::accept();
}

void CConstantsDlg::keyPressEvent(QKeyEvent* event) {
    // Enter with no field or button focused does not end the dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(event);
}
