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

#include "app/CommandRules.h"
#include "app/gui/CalibrationController.h"
#include "app/gui/DialogBar.h"
#include "app/gui/DialogCommands.h"
#include "app/gui/FrameDialogs.h"
#include "app/gui/MapSelection.h"
#include "app/gui/MenuDlg.h"
#include "app/gui/QtEventPump.h"
#include "ecu/gui/BlockWriteStop.h"
#include "ecu/gui/EcuController.h"
#include "edit/gui/CompareController.h"
#include "edit/gui/EditWindows.h"
#include "edit/gui/QelDoc.h"
#include "edit/gui/TableMathsController.h"
#include "edit/TableMaths.h"
#include "platform/UserPrompt.h"
#include "tune/gui/OperatingController.h"

class CDifferencesDlg;
struct Calibration;
class CMonitorWnd;
struct CompareCopy;
struct DifferenceRow;
struct LogEntry;
class CProgressWnd;
struct FrameCommand;
class DataExchange;
class Logbook;
class SafeWrite;
class EcuSession;
class FrameLogbook;
class Monitor;
class PosixSerialPort;

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

class CMainFrame : public QMainWindow, public DocumentFrame, public MenuDlgHost, public EditWindows,
                   public EcuWindows, public CalibrationWindows,
                   public SelectorWindows, public OperatingWindows {
    Q_OBJECT
public:
    // dialogs: the file, Menu, constants and exchange dialogs the frame runs;
    // nullptr for the real ones.
    CMainFrame(CQelApp& app, UserPrompt& prompt, FrameDialogs* dialogs = nullptr,
               QWidget* parent = nullptr);
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
    void UpdateCommandUi() override;
    QAction* action(int id) const;
    QToolButton* toolButton(int id) const;
    // The menu bar's menus as installed now: 2 (no calibration), 3 or 4.
    int MenuResource() const { return menuResource_; }

    CQelDoc* Document() const override { return doc_.get(); }
    CQelView* ActiveView() const override;
    std::vector<CQelView*> Views() const;
    // A new child frame with a view of the kind on the current map; nullptr
    // when the kind has no window or there is no map.
    CQelView* OpenWindow(int kind) override;
    // The map the map selector names (a link group by its first map), or none.
    MapRecord* SelectorMap() const;
    // Tiles the child windows one above the other, each the full width.
    void TileHorizontally() override;

    // The command families.
    TableMathsController& Maths() { return *maths_; }
    CompareController& Compare() { return *compare_; }
    CDifferencesDlg* DifferencesWindow() const { return compare_->DifferencesWindow(); }

    // EditWindows
    CQelView* OpenMapAt(const std::string& name, int row, int column) override;
    void RefreshViews() override;

    // EcuWindows
    void SetPhase(const std::string& phase) override;
    bool RestoreEntry(Logbook& book, const LogEntry& entry) override;
    bool OpenEntry(const LogEntry& entry) override;
    EcuController& Ecu() { return *ecu_; }

    // OperatingWindows
    std::vector<CChildWnd*> MapWindows() const override;
    OperatingController& Operating() { return *operating_; }

    // CalibrationWindows
    bool HasDocumentWindow() const override;
    void CloseDocument() override;
    void ShowNoCalibration() override;
    void ShowLoaded(const std::string& path) override;
    void ShowSaved(const std::string& fileName) override;
    void ResetToDataLoaded() override;
    bool RunMenu(int& mapIndex) override;
    void ShowChosenMap(int mapIndex, bool fromOpen) override;
    CalibrationController& Life() { return *life_; }
    MapSelectionController& Selection() { return *selection_; }
    DialogCommands& Dialogs() { return *dialogCommands_; }

    // SelectorWindows
    bool EndDrags() override;

    // Dialog bar controls.
    QComboBox* mapSelector() const { return bar_->mapSelector(); }
    QComboBox* lineSelector() const { return bar_->lineSelector(); }
    QCheckBox* allBox() const { return bar_->allBox(); }
    QLineEdit* dataField() const { return bar_->dataField(); }
    QLineEdit* pointField() const { return bar_->pointField(); }
    QPushButton* okButton() const { return bar_->okButton(); }

    // Algorithms of the frame, also for the Menu dialog.
    void SelectMapByName(const std::string& name);
    void StepLine(int index);
    void CommitTyped(bool okButton);
    bool CloseCalibration();

    // MenuDlgHost
    void ConstantsList() override { dialogCommands_->ConstantsList(); }
    void DataExchange() override { ecu_->Exchange(); }
    // The block write running in a window's command, for the closes during it.
    BlockWriteStop& WriteStop() { return writeStop_; }
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

    // The line to the ECU, owned here for the whole run and shared with the
    // windows: the port ("COM<n>" through RV_TUNE_COM<n> or the registry),
    // the Qt event pump its waits dispatch, timer 1 (the 100 ms link timer),
    // the protocol with its progress window, and the single writes.
    EcuSession& Session() { return *session_; }
    CProgressWnd& ProgressWindow() { return *progress_; }
    // The live monitor polled by the link timer, and its window (nullptr
    // until it was first opened).
    Monitor& LiveMonitor() { return *monitor_; }
    CMonitorWnd* MonitorWindow() const { return ecu_->MonitorWindow(); }
    QtEventPump& Pump() { return pump_; }
    QtLinkTimer& Timer() { return linkTimer_; }
    // Loads the data file at path as the Open command does after its file
    // dialog: the open calibration is closed first (asking when changed),
    // then the Menu dialog chooses the map.
    void OpenDataFile(const std::string& path);
    // The same load without the Menu dialog: the first map opens in the map
    // and table windows, and the HEX window opens beside them. false when
    // the file did not load or has no map.
    bool OpenDataFileOnFirstMap(const std::string& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The command table (app/FrameCommands.def) with its handlers.
    static const std::vector<FrameCommand>& Commands();
    void CreateActions();
    void CreateDialogBar();
    void InstallMenu(int resource);
    void ForwardKey(int code);
    bool CalibrationOpen() const;
    CChildWnd* ActiveChild() const;
    FrameState CurrentState();

    void OnUndo();
    void OnClipboard(int id);   // Cut, Copy or Paste in the active window
    void OnFocusSwap();
    // The keyboard back to the widget that had it before a menu took it.
    void RestoreWorkFocus();
    void ChildFrameClosed();
    std::string AskFile(const FileDialogRequest& request);

    CQelApp& app_;
    UserPrompt& prompt_;
    std::unique_ptr<FrameDialogs> ownDialogs_;   // when none were given
    FrameDialogs& dialogs_;
    QMdiArea* mdi_;
    CDialogBar* bar_;
    std::map<int, QAction*> actions_;
    std::vector<QMenu*> menus_;
    QTimer* idleTimer_;
    int menuResource_ = 0;
    std::unique_ptr<CQelDoc> doc_;
    QPointer<QWidget> workFocus_;               // the last focus widget outside the menus
    bool closingDocument_ = false;

    // The line to the ECU, in the order it is built; the session goes first.
    QtEventPump pump_;
    QtLinkTimer linkTimer_;
    std::unique_ptr<PosixSerialPort> port_;
    CProgressWnd* progress_;
    std::unique_ptr<EcuSession> session_;
    std::unique_ptr<Monitor> monitor_;
    std::unique_ptr<TableMathsController> maths_;
    std::unique_ptr<CompareController> compare_;
    bool inputHeldBeforeWrite_ = false;
    bool closeAfterEcuWrite_ = false;
    BlockWriteStop writeStop_{prompt_};
    std::unique_ptr<FrameLogbook> logbook_;
    std::unique_ptr<EcuController> ecu_;
    std::unique_ptr<OperatingController> operating_;
    std::unique_ptr<CalibrationController> life_;
    std::unique_ptr<MapSelectionController> selection_;
    std::unique_ptr<DialogCommands> dialogCommands_;
};
