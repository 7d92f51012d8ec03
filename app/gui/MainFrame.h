#pragma once
// The main frame: the MDI window with the menus, the accelerators and the
// dialog bar. Every command arrives here first; the frame either passes it
// to the controller of its family or to the active view's window as a key
// command code. The child windows are FrameWindows', the line to the ECU is
// EcuLine's; the frame offers the dialog bar's operations to the document,
// the views and the Menu dialog.
#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRules.h"
#include "app/gui/CalibrationController.h"
#include "app/gui/DialogBar.h"
#include "app/gui/DialogCommands.h"
#include "app/gui/EcuFileCommands.h"
#include "app/gui/FrameDialogs.h"
#include "app/gui/FrameWindows.h"
#include "app/gui/MapSelection.h"
#include "app/gui/MenuDlg.h"
#include "ecu/gui/EcuController.h"
#include "ecu/gui/EcuLine.h"
#include "edit/gui/CompareController.h"
#include "edit/gui/EditCommands.h"
#include "edit/gui/EditWindows.h"
#include "edit/gui/PictureController.h"
#include "edit/gui/QelDoc.h"
#include "edit/gui/TableMathsController.h"
#include "platform/UserPrompt.h"
#include "app/gui/OperatingController.h"
#include "app/gui/PlaybackController.h"
#include "app/gui/DisplayOptionsController.h"

class CDifferencesDlg;
class CMonitorWnd;
class CProgressWnd;
class EcuSession;
class FrameLogbook;
class Monitor;
struct FrameCommand;
struct LogEntry;
class CQelApp;
class CQelView;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMdiArea;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;

class CMainFrame : public QMainWindow, public DocumentFrame, public MenuDlgHost, public EditWindows,
                   public EcuWindows, public CalibrationWindows, public SelectorWindows,
                   public OperatingWindows, private FrameWindowsHost {
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

    // The command families.
    TableMathsController& Maths() { return *maths_; }
    CompareController& Compare() { return *compare_; }
    CDifferencesDlg* DifferencesWindow() const { return compare_->DifferencesWindow(); }
    EditCommands& Edit() { return *edit_; }
    EcuController& Ecu() { return *ecu_; }
    CalibrationController& Life() { return *life_; }
    MapSelectionController& Selection() { return *selection_; }
    DialogCommands& Dialogs() { return *dialogCommands_; }
    FrameWindows& Windows() { return *windows_; }
    EcuFileCommands& EcuFiles() { return *ecuFiles_; }
    // The File menu's numbered recent calibrations, made afresh from the
    // settings each time the menu opens.
    void FillRecentFiles();
    QMenu* FileMenu() const;
    const std::vector<QAction*>& RecentFileActions() const { return recentActions_; }
    PictureController& Pictures() { return *pictures_; }

    // The child windows (FrameWindows) as the controllers, the document
    // and the command table ask for them.
    CQelDoc* Document() const override { return windows_->Document(); }
    CQelView* ActiveView() const override { return windows_->ActiveView(); }
    std::vector<CQelView*> Views() const { return windows_->Views(); }
    bool HasDocumentWindow() const override { return windows_->HasDocumentWindow(); }
    CQelView* OpenWindow(int kind) override { return windows_->OpenWindow(kind); }
    void TileHorizontally() override { windows_->TileHorizontally(); }
    void ShowChosenMap(int mapIndex, bool fromOpen) override { windows_->ShowChosenMap(mapIndex, fromOpen); }
    void CloseDocument() override { windows_->CloseDocument(); }
    CQelView* OpenMapAt(const std::string& name, int row, int column) override {
        return windows_->OpenMapAt(name, row, column);
    }
    void RefreshViews() override { windows_->RefreshViews(); }
    void ShareFrameKeys(QWidget* window) override;
    bool EndDrags() override { return windows_->EndDrags(); }

    // EcuWindows
    void SetPhase(const std::string& phase) override;
    bool RestoreEntry(Logbook& book, const LogEntry& entry) override;
    bool OpenEntry(const LogEntry& entry) override;

    // OperatingWindows
    std::vector<CChildWnd*> MapWindows() const override;
    OperatingController& Operating() { return *operating_; }
    PlaybackController& Playback() { return *playback_; }
    DisplayOptionsController& Display() { return *display_; }

    // CalibrationWindows
    void ShowNoCalibration() override;
    void ShowLoaded(const std::string& path) override;
    void ShowSaved(const std::string& fileName) override;
    void ShowStatus(const std::string& text) override;
    QString StatusText() const;
    void SaveLayout() override { windows_->SaveLayout(); }
    void ResetToDataLoaded() override;
    bool RunMenu(int& mapIndex) override;

    // Dialog bar controls.
    QComboBox* mapSelector() const { return bar_->mapSelector(); }
    QComboBox* lineSelector() const { return bar_->lineSelector(); }
    QCheckBox* allBox() const { return bar_->allBox(); }
    QLineEdit* dataField() const { return bar_->dataField(); }
    QLineEdit* pointField() const { return bar_->pointField(); }
    QPushButton* okButton() const { return bar_->okButton(); }

    // Algorithms of the frame, also for the Menu dialog.
    // The map the map selector names (a link group by its first map), or none.
    MapRecord* SelectorMap() const;
    void SelectMapByName(const std::string& name);
    void StepLine(int index);
    void CommitTyped(bool okButton);
    bool CloseCalibration();

    // MenuDlgHost
    void ConstantsList() override { dialogCommands_->ConstantsList(); }
    void DataExchange() override { ecu_->Exchange(); }
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

    // The line to the ECU (EcuLine), owned here for the whole run and shared
    // with the windows; the monitor's window is nullptr until first opened.
    EcuSession& Session() { return line_->Session(); }
    CProgressWnd& ProgressWindow() { return line_->ProgressWindow(); }
    Monitor& LiveMonitor() { return line_->LiveMonitor(); }
    CMonitorWnd* MonitorWindow() const { return ecu_->MonitorWindow(); }
    QtLinkTimer& Timer() { return line_->Timer(); }
    BlockWriteStop& WriteStop() { return line_->WriteStop(); }
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
    CChildWnd* ActiveChild() const { return windows_->ActiveChild(); }
    FrameState CurrentState();
    // FrameWindowsHost
    void DocumentOpened() override;
    void LastWindowClosed() override;
    // The keyboard back to the widget that had it before a menu took it.
    void RestoreWorkFocus();

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
    QPointer<QWidget> workFocus_;               // the last focus widget outside the menus

    // The line goes last, after every controller that uses it.
    std::unique_ptr<EcuLine> line_;
    std::unique_ptr<TableMathsController> maths_;
    std::unique_ptr<CompareController> compare_;
    std::unique_ptr<EditCommands> edit_;
    std::unique_ptr<FrameLogbook> logbook_;
    std::unique_ptr<EcuController> ecu_;
    std::unique_ptr<OperatingController> operating_;
    std::unique_ptr<PlaybackController> playback_;
    std::unique_ptr<DisplayOptionsController> display_;
    std::unique_ptr<CalibrationController> life_;
    std::unique_ptr<MapSelectionController> selection_;
    std::unique_ptr<FrameWindows> windows_;
    std::unique_ptr<DialogCommands> dialogCommands_;
    std::unique_ptr<EcuFileCommands> ecuFiles_;
    std::vector<QAction*> recentActions_;        // the recent entries and their separator
    std::unique_ptr<PictureController> pictures_;
};
