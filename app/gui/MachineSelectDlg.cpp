#include "app/gui/MachineSelectDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/QelApp.h"
#include "model/Strings.h"
#include "platform/PathSearch.h"

namespace {
// Control ids of the dialog's resource, kept as object names for tests.
constexpr const char* kListName = "control1205";
}

CMachineSelectDlg::CMachineSelectDlg(CQelApp& app, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), app_(app), prompt_(prompt) {
    setWindowTitle(text::kProgramTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(text::kMachineSelectPrompt, this));
    list_ = new QListWidget(this);
    list_->setObjectName(kListName);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setMinimumSize(320, 160);
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ok_ = new QPushButton(tr("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(tr("Cancel"), this);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &CMachineSelectDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CMachineSelectDlg::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    // The list is read when the dialog opens; a list that cannot be read
    // leaves it empty and the caption as it was.
    const std::string folder = app_.registry.installDirectory;
    std::string path = FindFileNoCase(folder, "MCN_LIST", ".DAT");
    if (path.empty()) path = JoinPath(folder, text::kMachineListFile);
    if (FileExists(path)) {
        entries_ = ReadMachineList(path);
        setWindowTitle(text::kMachineSelectCaption);
    }
    for (const MachineEntry& entry : entries_) list_->addItem(QString::fromStdString(entry.title));
    if (!entries_.empty()) list_->setCurrentRow(0);
}

void CMachineSelectDlg::accept() {
    int selected = list_->currentRow();
    if (list_->currentItem() == nullptr || !list_->currentItem()->isSelected()) selected = -1;
    Apply(MachineSelectOk(entries_, selected, app_.registry, app_.registryStore(), prompt_));
}

void CMachineSelectDlg::reject() { Apply(MachineSelectCancel(app_.registry, prompt_)); }

void CMachineSelectDlg::Apply(MachineSelectStep step) {
    switch (step) {
    case MachineSelectStep::kStayOpen: break;
    case MachineSelectStep::kCloseOk: QDialog::accept(); break;
    case MachineSelectStep::kCloseCancel: QDialog::reject(); break;
    case MachineSelectStep::kExitProcess: done(kExitProgram); break;
    }
}
