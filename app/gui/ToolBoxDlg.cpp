#include "app/gui/ToolBoxDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/CommandIds.h"
#include "app/gui/ToolIcons.h"

// The names as the legend has always spelt them.
const ToolBoxEntry kToolBoxLegend[11] = {
    {cmd::kOpen, "Open"},
    {cmd::kSave, "Save"},
    {cmd::kMenu, "Menu"},
    {cmd::kCopy, "Copy"},
    {cmd::kPaste, "Paste"},
    {cmd::kUndo, "Undo"},
    {cmd::kMultiMapEdit, "Muitl Map Edit"},
    {cmd::kMonitor, "Monitor"},
    {cmd::kItemSet, "Set Item"},
    {cmd::kDataExchange, "Data Exchange"},
    {cmd::kConstantsList, "Constants list"},
};

CToolBoxDlg::CToolBoxDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About ToolBox");
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    for (int i = 0; i < 11; ++i) {
        icons_[i] = new QLabel(this);
        icons_[i]->setPixmap(ToolIcon(kToolBoxLegend[i].command).pixmap(24, 24));
        names_[i] = new QLabel(kToolBoxLegend[i].name, this);
        // Two columns: the first six entries left, the other five right.
        const int row = i % 6;
        const int column = (i / 6) * 2;
        grid->addWidget(icons_[i], row, column);
        grid->addWidget(names_[i], row, column + 1);
    }
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    close_ = new QPushButton("Close", this);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}
