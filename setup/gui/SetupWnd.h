#pragma once
// The Setup window: the Welcome page, then the install page with the
// destination folder, Browse, the machine choice, Install, Cancel and the
// progress bar. The steps themselves are the core's (setup/Installer.h).
#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "setup/Installer.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;

class CSetupWnd : public QDialog {
    Q_OBJECT

public:
    // The folder browser: the chosen folder, nothing on Cancel. Tests answer it.
    using FolderChooser = std::function<std::optional<std::string>(QWidget* parent, const std::string& start)>;

    CSetupWnd(SetupHost& host, std::string sourceFolder, const std::string& destination, QWidget* parent = nullptr);

    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    // The install's result once it ran: kSetupOk or kSetupFailed; -1 before.
    int installResult() const { return result_; }

    QPushButton* nextButton() const { return next_; }
    QPushButton* welcomeCancelButton() const { return welcomeCancel_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* installButton() const { return install_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLineEdit* folderEdit() const { return folder_; }
    QCheckBox* machineBox(std::size_t index) const { return machines_[index]; }
    QProgressBar* progressBar() const { return progress_; }
    bool onInstallPage() const;

    // The browser shown by Browse: titled "Choose Folder", with the prompt.
    static std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& start);

private:
    void onBrowse();
    void onInstall();

    SetupHost& host_;
    std::string source_;
    FolderChooser chooser_ = &CSetupWnd::ChooseFolder;
    int result_ = -1;
    QStackedWidget* pages_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* welcomeCancel_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* install_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLineEdit* folder_ = nullptr;
    std::array<QCheckBox*, kShippedMachineCount> machines_{};
    QProgressBar* progress_ = nullptr;
};
