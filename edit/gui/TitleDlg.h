#pragma once
// The Title Editor: the calibration's titles, one line per pair, the title
// in the first column and its data text in the second, with Add, Edit and
// Delete. The editor works on its own copy of the list; the caller takes it
// back only after OK. The entry dialog ("Add Title" or "Edit Title") edits
// one pair.
#include <QDialog>
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class UserPrompt;

class CTitleEntryDlg : public QDialog {
    Q_OBJECT
public:
    // title and data: the pair's bytes as the file holds them. modified: the
    // calibration's modified flag, set by OK. A field OK finds as it was
    // shown gives back these bytes unchanged, however long and in whatever
    // encoding they are.
    CTitleEntryDlg(const QString& caption, const std::string& title, const std::string& data, int& modified,
                   UserPrompt& prompt, QWidget* parent = nullptr);
    std::string Title() const { return title_; }
    std::string Data() const { return data_; }

    QLineEdit* titleEdit() const { return titleEdit_; }
    QLineEdit* dataEdit() const { return dataEdit_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    void accept() override;

private:
    int& modified_;
    UserPrompt& prompt_;
    std::string title_;
    std::string data_;
    QString shownTitle_;
    QString shownData_;
    QLineEdit* titleEdit_;
    QLineEdit* dataEdit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// The list box: two columns per line, rules between the lines over the
// whole box.
class CTitleListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kTitleColumn = 4;    // pixels from the line's left edge
    static constexpr int kDataColumn = 140;
    explicit CTitleListBox(QWidget* parent = nullptr);
    int LineHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class CTitleDlg : public QDialog {
    Q_OBJECT
public:
    // pairLines: the data file line of each pair (ReadTitles), kept in step
    // with the list so that StoreTitles changes only what was edited.
    // storable: whether the list can be kept at all. Without a calibration
    // there is no data file to keep titles in, so Add stays disabled.
    // Delete sets modified at once, as the entry dialog's OK does.
    CTitleDlg(std::vector<std::string> titles, std::vector<int> pairLines, int& modified, UserPrompt& prompt,
              bool storable = true, QWidget* parent = nullptr);

    // The list as edited and where its pairs came from; the caller keeps
    // them only after OK.
    const std::vector<std::string>& Titles() const { return titles_; }
    const std::vector<int>& PairLines() const { return pairLines_; }

    // Runs the entry dialog to its end; a test answers it here.
    std::function<int(CTitleEntryDlg&)> runEntry;

    CTitleListBox* listBox() const { return list_; }
    QPushButton* editButton() const { return edit_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    void Fill();
    void OnAdd();
    void OnEdit();
    void OnDelete();

    std::vector<std::string> titles_;
    std::vector<int> pairLines_;
    int& modified_;
    UserPrompt& prompt_;
    CTitleListBox* list_;
    QPushButton* edit_;
    QPushButton* delete_;
    QPushButton* add_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
