#pragma once
// The main frame: the MDI window with the menus, the accelerators and the
// dialog bar. Every command arrives here first; the frame either handles it
// or passes it to the active view's window as a key command code. It owns
// the document of the open calibration and offers the dialog bar's
// operations to the document, the views and the Menu dialog.
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/MenuDlg.h"
#include "app/QtEventPump.h"
#include "edit/QelDoc.h"
#include "platform/UserPrompt.h"

class CProgressWnd;
class EcuProtocol;
class PosixSerialPort;
class SerialLink;

class CQelApp;
class CQelView;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;

// How the update rule leaves a command.
struct CommandUi {
    bool enabled = true;
    bool checked = false;
    bool checkable = false;
    std::string text;          // empty: the text stays as it is
};

// A file dialog request; the answer is the chosen path, empty for Cancel.
struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string folder;        // DIRECTORY PATH1
    std::string proposedName;
    std::string defaultExtension;
    std::vector<std::string> filters;
};

class CMainFrame : public QMainWindow, public DocumentFrame, public MenuDlgHost {
    Q_OBJECT
public:
    CMainFrame(CQelApp& app, UserPrompt& prompt, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The dialog bar's machine name (control 1206).
    void SetMachineName(const QString& name);
    QString MachineName() const;
    QMdiArea* mdiArea() const { return mdi_; }

    // Commands, as the menus, accelerators and buttons send them. A command
    // whose update rule disables it does nothing.
    void OnCommand(int id);
    CommandUi QueryCommand(int id);
    // Applies every update rule to the menu items and tool buttons.
    void UpdateCommandUi();
    QAction* action(int id) const;
    QToolButton* toolButton(int id) const;
    // The menu bar's menus as installed now: 2 (no calibration), 3 or 4.
    int MenuResource() const { return menuResource_; }

    CQelDoc* Document() const { return doc_.get(); }
    CQelView* ActiveView() const;
    std::vector<CQelView*> Views() const;
    // A new child frame with a view of the kind on the current map; nullptr
    // when the kind has no window or there is no map.
    CQelView* OpenWindow(int kind);
    // The map the map selector names (a link group by its first map), or none.
    MapRecord* SelectorMap() const;
    // Tiles the child windows one above the other, each the full width.
    void TileHorizontally();

    // Dialog bar controls.
    QComboBox* mapSelector() const { return mapSelector_; }
    QComboBox* lineSelector() const { return lineSelector_; }
    QCheckBox* allBox() const { return allBox_; }
    QLineEdit* dataField() const { return dataField_; }
    QLineEdit* pointField() const { return pointField_; }
    QPushButton* okButton() const { return okButton_; }

    // Algorithms of the frame, also for the Menu dialog.
    void SelectMapByName(const std::string& name);
    void StepLine(int index);
    void CommitTyped(bool okButton);
    bool CloseCalibration();

    // MenuDlgHost
    void ConstantsList() override;
    void DataExchange() override;
    void RefillMapSelector() override;
    bool MultiMapEdit() override;
    void RequestClose() override;

    // DocumentFrame
    void RefreshDialogBar() override;
    void SetMainCaption(const QString& caption) override;
    void UpdateLineEntry(int column, const QString& text) override;
    bool AllLines() const override;
    int WriteToEcu(const std::vector<EcuByteWrite>& bytes) override;
    void ViewActivated(CQelView* view) override;

    // The serial link to the ECU, owned here for the whole run: the port
    // ("COM<n>" through RV_TUNE_COM<n> or the registry), the Qt event pump
    // its waits dispatch, timer 1 (the 100 ms link timer) and the protocol
    // with its progress window.
    SerialLink& Link() { return *link_; }
    EcuProtocol& Protocol() { return *protocol_; }
    CProgressWnd& ProgressWindow() { return *progress_; }
    QtEventPump& Pump() { return pump_; }
    QtLinkTimer& Timer() { return linkTimer_; }
    // Port: open (with or without the link timer) and close, for the rest
    // of the program. OpenPort returns whether the port is open.
    bool OpenPort(bool startTimer);
    // Loads the data file at path as the Open command does after its file
    // dialog: the open calibration is closed first (asking when changed),
    // then the Menu dialog chooses the map.
    void OpenDataFile(const std::string& path);
    void ClosePort();
    // The single-address writes of Shift+Enter: the port is opened with the
    // link timer for the time of the writes when it is closed; each byte
    // goes with the protocol's WriteByte. 0, or the code of the first
    // failure (its message has been shown; the bytes after it are not
    // sent); -1 when a write is already running.
    int WriteBytesToEcu(const std::vector<EcuByteWrite>& bytes);
    // A single-value ECU write is running (its waits dispatch events).
    bool EcuWriteRunning() const { return ecuWriteRunning_; }

    // Replaceable for the tests: the file dialogs, the running of the Menu
    // dialog, the constants list editor (true for OK, the buffer edited),
    // the data exchange (true when data were taken over) and the ECU's
    // single-address writes (WriteBytesToEcu unless replaced).
    std::function<std::string(const FileDialogRequest&)> fileDialog;
    std::function<int(CMenuDlg&)> runMenuDialog;
    std::function<bool(Image&)> constantsEditor;
    std::function<bool()> dataExchange;
    std::function<int(const std::vector<EcuByteWrite>&)> ecuWriter;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateDialogBar();
    void InstallMenu(int resource);
    QAction* AddAction(int id, const QString& text, const QList<QKeySequence>& keys = {});
    void ForwardKey(int code);
    bool CalibrationOpen() const;
    bool HasDocumentWindow() const;
    CChildWnd* ActiveChild() const;
    void ShowMissingDialog(const char* name);

    void OnOpen();
    void OnSave();
    void OnMenu();
    void OnUndo();
    void OnAllLines();
    void OnToggleDataRpm();
    void OnIndividualEdit();
    void OnMachineSelect();
    void OnAbout();
    void OnMapSelected(int index);
    void OnLineSelected(int index);
    void OnFocusSwap();
    // The keyboard back to the widget that had it before a menu took it.
    void RestoreWorkFocus();
    // Ends every drag running in a map window of the document; true when one ran.
    bool EndDrags();
    // The Data field's refusal or range message: at once for OK and Enter,
    // after the focus change when the field lost the focus.
    void ShowTypedMessage(const std::string& text, const std::string& caption, PromptIcon icon, bool now);
    // Runs the Menu dialog; true when a map was chosen.
    bool RunMenu(int& mapIndex);
    // The document's windows for the chosen map after OK in the Menu dialog.
    void ShowChosenMap(int mapIndex, bool fromOpen);
    void CloseDocument();
    void ResetToDataLoaded();
    void FillLineList();
    void ClearDialogBar();
    void ChildFrameClosed();
    std::string AskFile(const FileDialogRequest& request);

    CQelApp& app_;
    UserPrompt& prompt_;
    QMdiArea* mdi_;
    QLabel* machineLabel_;
    QComboBox* mapSelector_;
    QComboBox* lineSelector_;
    QCheckBox* allBox_;
    QLineEdit* dataField_;
    QLineEdit* pointField_;
    QPushButton* okButton_;
    std::vector<QWidget*> documentControls_;   // shown while a document is open
    std::map<int, QAction*> actions_;
    std::map<int, QToolButton*> buttons_;
    std::vector<QMenu*> menus_;
    QTimer* idleTimer_;
    int menuResource_ = 0;
    std::unique_ptr<CQelDoc> doc_;
    std::map<std::string, bool> allLines_;      // per map name
    QPointer<QWidget> workFocus_;               // the last focus widget outside the menus
    bool closingDocument_ = false;
    bool fillingSelectors_ = false;

    // The serial link, in the order it is built; the protocol goes first.
    QtEventPump pump_;
    QtLinkTimer linkTimer_;
    std::unique_ptr<PosixSerialPort> port_;
    std::unique_ptr<SerialLink> link_;
    CProgressWnd* progress_;
    std::unique_ptr<EcuProtocol> protocol_;
    bool ecuWriteRunning_ = false;
    bool closeAfterEcuWrite_ = false;
};
