#include "app/gui/DirectoryDlg.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/DirectoryList.h"
#include "app/QelApp.h"
#include "platform/ProfileFile.h"
#include "platform/UserPrompt.h"

namespace {
constexpr const char* kCaption = "Directory";
constexpr const char* kBrowseTitle = "Please select directory.";
constexpr const char* kWriteFailed = "The folder list could not be written to the settings file:\n%1";
}  // namespace

CDirectoryDlg::CDirectoryDlg(CQelApp& app, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), app_(app), prompt_(prompt) {
    setWindowTitle(kCaption);
    chooseFolder = [](QWidget* owner, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, kBrowseTitle, start, QFileDialog::ShowDirsOnly);
    };
    auto* label = new QLabel("&File Path", this);
    path_ = new QComboBox(this);
    path_->setObjectName("filePath");   // control 1091
    path_->setEditable(true);
    path_->setInsertPolicy(QComboBox::NoInsert);
    path_->setMinimumWidth(360);
    label->setBuddy(path_);
    browse_ = new QPushButton("&Browse...", this);
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(path_, 1, 0);
    layout->addWidget(browse_, 1, 1);
    layout->addWidget(ok_, 2, 1);
    layout->addWidget(cancel_, 3, 1);
    connect(browse_, &QPushButton::clicked, this, &CDirectoryDlg::OnBrowse);
    connect(ok_, &QPushButton::clicked, this, &CDirectoryDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDirectoryDlg::reject);

    folders_ = ReadDirectoryList(ProfileFile(app_.settingsFilePath));
    for (const std::string& folder : folders_) path_->addItem(QString::fromStdString(folder));
    if (!folders_.empty()) path_->setCurrentIndex(0);
}

void CDirectoryDlg::OnBrowse() {
    const QString chosen = chooseFolder(this, path_->currentText());
    if (!chosen.isEmpty()) path_->setEditText(chosen);
}

void CDirectoryDlg::accept() {
    const std::string folder = path_->currentText().toStdString();
    // An empty box names no folder: the list and the folder in force stay.
    if (!folder.empty()) {
        ProfileFile settings(app_.settingsFilePath);
        if (!WriteDirectoryList(settings, ChooseDirectory(folders_, folder))) {
            prompt_.Message(QString(kWriteFailed).arg(QString::fromStdString(app_.settingsFilePath)).toStdString(),
                            kCaption, PromptIcon::kStop);
            return;
        }
        app_.defaultFolder = folder;
    }
    QDialog::accept();
}
