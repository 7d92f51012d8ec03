#include "ecu/gui/LogbookDlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ecu/gui/BlockWriteStop.h"

CLogbookDlg::CLogbookDlg(Logbook& book, QWidget* parent) : QDialog(parent), book_(book) {
    setWindowTitle("Logbook");
    setObjectName("logbookDlg");
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(0, 6, this);
    table_->setHorizontalHeaderLabels({"Id", "Time", "Operation", "Result", "File", "Note"});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);

    auto* noteRow = new QHBoxLayout;
    noteRow->addWidget(new QLabel("Note:", this));
    note_ = new QLineEdit(this);
    note_->setObjectName("logbookNote");
    noteRow->addWidget(note_);
    saveNote_ = new QPushButton("&Save Note", this);
    noteRow->addWidget(saveNote_);
    layout->addLayout(noteRow);

    auto* buttons = new QHBoxLayout;
    restore_ = new QPushButton("&Restore", this);
    open_ = new QPushButton("&Open", this);
    auto* close = new QPushButton("Close", this);
    buttons->addWidget(restore_);
    buttons->addWidget(open_);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(720, 360);

    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        const LogEntry* entry = Selected();
        note_->setText(entry ? QString::fromStdString(entry->note) : QString());
        UpdateButtons();
    });
    connect(saveNote_, &QPushButton::clicked, this, [this] {
        const LogEntry* entry = Selected();
        std::string error;
        if (entry && book_.SetNote(entry->id, note_->text().toStdString(), error)) Reload();
    });
    connect(restore_, &QPushButton::clicked, this, [this] {
        const LogEntry* entry = Selected();
        if (entry && restore) {
            const LogEntry chosen = *entry;
            restore(chosen);
            if (writeStop && writeStop->Closing() != 0) {
                QDialog::reject();
                return;
            }
            Reload();
        }
    });
    connect(open_, &QPushButton::clicked, this, [this] {
        const LogEntry* entry = Selected();
        if (entry && open && open(*entry)) accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    Reload();
}

bool CLogbookDlg::HoldClose() {
    if (!writeStop || !writeStop->WriteRunning()) return false;
    writeStop->HoldClose(BlockWriteStop::kWindow);
    return true;
}

void CLogbookDlg::reject() {
    if (!HoldClose()) QDialog::reject();
}

void CLogbookDlg::closeEvent(QCloseEvent* event) {
    if (HoldClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

const LogEntry* CLogbookDlg::Selected() const {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(entries_.size()) || table_->selectedItems().isEmpty()) return nullptr;
    return &entries_[static_cast<std::size_t>(row)];
}

int CLogbookDlg::SelectedId() const {
    const LogEntry* entry = Selected();
    return entry ? entry->id : 0;
}

void CLogbookDlg::Reload() {
    const int selected = SelectedId();
    entries_ = book_.List();
    table_->clearSelection();
    table_->setRowCount(static_cast<int>(entries_.size()));
    int keep = -1;
    for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
        const LogEntry& entry = entries_[static_cast<std::size_t>(row)];
        const std::string cells[6] = {std::to_string(entry.id), entry.time, entry.operation,
                                      entry.result, entry.file, entry.note};
        for (int column = 0; column < 6; ++column)
            table_->setItem(row, column, new QTableWidgetItem(QString::fromStdString(cells[column])));
        if (entry.id == selected) keep = row;
    }
    if (keep >= 0) table_->selectRow(keep);
    UpdateButtons();
}

void CLogbookDlg::UpdateButtons() {
    const LogEntry* entry = Selected();
    const bool data = entry && entry->hasData;
    restore_->setEnabled(data && restore != nullptr);
    open_->setEnabled(data && open != nullptr);
    saveNote_->setEnabled(entry != nullptr);
    note_->setEnabled(entry != nullptr);
}
