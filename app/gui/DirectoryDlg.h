#pragma once
// The "Directory" dialog: the folder data files are opened from and saved
// to, chosen from the last eight folders used (DIRECTORY PATH1..PATH8 of the
// settings file) or with the folder browser. OK puts the folder first in
// the list and makes it the folder of the file dialogs.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class CQelApp;
class QComboBox;
class QPushButton;
class UserPrompt;

class CDirectoryDlg : public QDialog {
    Q_OBJECT
public:
    CDirectoryDlg(CQelApp& app, UserPrompt& prompt, QWidget* parent = nullptr);

    // The folder browser: the folder chosen, empty when the user cancels.
    // Starts at the folder given; a test puts its own here.
    std::function<QString(QWidget* parent, const QString& start)> chooseFolder;

    QComboBox* pathBox() const { return path_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    void accept() override;

private:
    void OnBrowse();

    CQelApp& app_;
    UserPrompt& prompt_;
    std::vector<std::string> folders_;
    QComboBox* path_;
    QPushButton* browse_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
