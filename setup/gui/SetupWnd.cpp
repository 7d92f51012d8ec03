#include "setup/gui/SetupWnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "setup/SetupTexts.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QLabel* WrappedLabel(const std::string& text) {
    auto* label = new QLabel(Q(text));
    label->setWordWrap(true);
    return label;
}

}  // namespace

CSetupWnd::CSetupWnd(SetupHost& host, std::string sourceFolder, const std::string& destination, QWidget* parent)
    : QDialog(parent), host_(host), source_(std::move(sourceFolder)) {
    setWindowTitle(setuptext::kCaption);
    pages_ = new QStackedWidget;

    // The Welcome page.
    auto* welcome = new QWidget;
    auto* welcomeLayout = new QVBoxLayout(welcome);
    auto* welcomeTitle = new QLabel(Q(setuptext::kWelcomeTitle));
    QFont titleFont = welcomeTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    welcomeTitle->setFont(titleFont);
    welcomeLayout->addWidget(welcomeTitle);
    welcomeLayout->addWidget(WrappedLabel(WithProduct(setuptext::kWelcome)));
    welcomeLayout->addStretch();
    auto* welcomeButtons = new QHBoxLayout;
    welcomeButtons->addStretch();
    next_ = new QPushButton(setuptext::kNext);
    next_->setDefault(true);
    welcomeCancel_ = new QPushButton(setuptext::kCancel);
    welcomeButtons->addWidget(next_);
    welcomeButtons->addWidget(welcomeCancel_);
    welcomeLayout->addLayout(welcomeButtons);
    pages_->addWidget(welcome);

    // The install page.
    auto* installPage = new QWidget;
    auto* layout = new QVBoxLayout(installPage);
    layout->addWidget(WrappedLabel(WithProduct(setuptext::kWillInstall)));
    layout->addWidget(WrappedLabel(WithProduct(setuptext::kCancelHint)));
    auto* folderGroup = new QGroupBox(setuptext::kDestinationFolder);
    auto* folderLayout = new QHBoxLayout(folderGroup);
    folder_ = new QLineEdit(Q(destination));
    browse_ = new QPushButton(setuptext::kBrowse);
    folderLayout->addWidget(folder_, 1);
    folderLayout->addWidget(browse_);
    layout->addWidget(folderGroup);
    auto* machineGroup = new QGroupBox(setuptext::kMachines);
    auto* machineLayout = new QGridLayout(machineGroup);
    const auto& machines = ShippedMachines();
    for (std::size_t i = 0; i < machines.size(); ++i) {
        const std::string& row = machines[i].listRow;
        machines_[i] = new QCheckBox(Q(row.substr(0, row.find(','))));
        machines_[i]->setChecked(machines[i].selected);
        machineLayout->addWidget(machines_[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
    }
    layout->addWidget(machineGroup);
    progress_ = new QProgressBar;
    progress_->setRange(0, kInstallStepCount);
    progress_->setValue(0);
    layout->addWidget(progress_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    install_ = new QPushButton(setuptext::kInstall);
    cancel_ = new QPushButton(setuptext::kCancel);
    buttons->addWidget(install_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    pages_->addWidget(installPage);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(pages_);
    resize(520, 380);

    connect(next_, &QPushButton::clicked, this, [this] {
        pages_->setCurrentIndex(1);
        next_->setDefault(false);
        install_->setDefault(true);
        folder_->setFocus();
    });
    connect(welcomeCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse_, &QPushButton::clicked, this, &CSetupWnd::onBrowse);
    connect(install_, &QPushButton::clicked, this, &CSetupWnd::onInstall);
}

bool CSetupWnd::onInstallPage() const { return pages_->currentIndex() == 1; }

std::optional<std::string> CSetupWnd::ChooseFolder(QWidget* parent, const std::string& start) {
    QFileDialog dialog(parent, setuptext::kChooseFolderTitle, Q(start));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::LookIn, setuptext::kChooseFolderPrompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void CSetupWnd::onBrowse() {
    if (const auto chosen = chooser_(this, folder_->text().toStdString())) folder_->setText(Q(*chosen));
}

void CSetupWnd::onInstall() {
    InstallPlan plan;
    plan.sourceFolder = source_;
    for (std::size_t i = 0; i < machines_.size(); ++i) plan.selected[i] = machines_[i]->isChecked();
    // Refused on the page, which stays for a machine to be ticked.
    if (!ConfirmMachineSelection(plan, host_.prompt)) {
        machines_[0]->setFocus();
        return;
    }
    std::string folder = folder_->text().toStdString();
    if (!ConfirmInstallFolder(folder, host_.prompt)) {
        folder_->setFocus();
        folder_->selectAll();
        return;
    }
    folder_->setText(Q(folder));
    plan.targetFolder = folder;
    for (QWidget* widget : std::initializer_list<QWidget*>{install_, cancel_, browse_, folder_})
        widget->setEnabled(false);
    for (QCheckBox* box : machines_) box->setEnabled(false);
    result_ = RunInstall(plan, host_, [this](int step) {
        progress_->setValue(step);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    // Failed or not, the install has ended: its message has been shown.
    if (result_ == kSetupOk) accept();
    else reject();
}
