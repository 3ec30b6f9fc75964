// The main window: a dialog from template 102 that owns almost all of the program's state.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/PacketWatcher.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "stats/HistogramCtrl.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/TipButton.h"
#include "widgets/TrayIcon.h"

class CNimbrelDlg : public fw::CDialog {
public:
    static constexpr int kHistorySize = 110;
    static constexpr int kMaxListedAdapters = 256;
    // Period of timer 20 and of the graph's scrolling while the load display runs.
    static constexpr UINT kSamplerPeriodMs = 1000;
    static constexpr UINT kGraphScrollMs = 1000;

    CNimbrelDlg();
    ~CNimbrelDlg() override;

    BEGIN_MSG_MAP(CNimbrelDlg, fw::CDialog)
        MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
        MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopupMessage)
        MESSAGE_HANDLER(WM_TRAY_NOTIFY, OnTrayNotify)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
        COMMAND_ID_HANDLER(IDCANCEL, OnHideToTray)
        COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAbout)
        COMMAND_ID_HANDLER(ID_RUN_AT_STARTUP, OnRunAtStartup)
        COMMAND_ID_HANDLER(ID_APP_EXIT, OnExit)
        COMMAND_HANDLER(IDC_ACCELERATE, BN_CLICKED, ToggleAcceleration)
        COMMAND_HANDLER(IDC_QUIT, BN_CLICKED, OnQuit)
        COMMAND_HANDLER(IDC_ADAPTERS, CBN_SELCHANGE, SelectAdapter)
        COMMAND_HANDLER(IDC_RUN, BN_CLICKED, OnRun)
        COMMAND_HANDLER(IDC_LAUNCHER, CBN_SELCHANGE, OnLauncherSelChange)
        COMMAND_ID_HANDLER(ID_WEB_SAFETY, OnWebSafety)
        COMMAND_ID_HANDLER(ID_WEB_FILE_SHARING, OnWebFileSharing)
        COMMAND_ID_HANDLER(ID_WEB_EMUSIC, OnWebEmusic)
        COMMAND_ID_HANDLER(ID_WEB_TORRENTS, OnWebTorrents)
        COMMAND_ID_HANDLER(ID_WEB_MEDIA, OnWebMedia)
        COMMAND_ID_HANDLER(ID_WEB_HELP, OnWebHelp)
        COMMAND_HANDLER(IDC_BANNER, STN_CLICKED, OnWebHelp)
        UPDATE_COMMAND_UI(ID_RUN_AT_STARTUP, OnUpdateRunAtStartup)
    END_MSG_MAP()

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange& dx) override;
    // Runs the menu update pass before a popup menu opens.
    virtual void OnInitMenuPopup(HMENU popup, UINT index, BOOL systemMenu);

private:
    // Window messages and commands of the window itself.
    LRESULT OnSysCommand(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnInitMenuPopupMessage(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnTrayNotify(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCtlColorStatic(UINT, WPARAM, LPARAM, bool&);
    void OnHideToTray();
    void OnAbout();
    void OnExit();
    void OnQuit();
    void OnWebSafety();
    void OnWebFileSharing();
    void OnWebEmusic();
    void OnWebTorrents();
    void OnWebMedia();
    void OnWebHelp();
    void ShowPicture(UINT resourceId);

    // Stored preferences and the start-with-Windows entry (app/Preferences.cpp).
    void ReadStoredValues();
    void StoreKeptValues();
    void OnRunAtStartup();
    void OnUpdateRunAtStartup(fw::CCmdUI& ui);

    // Acceleration and the packet watcher (app/Acceleration.cpp).
    void ToggleAcceleration();
    // Timer 20, the graph's scrolling and the level picture, running or stopped together.
    void ShowLoadDisplay(bool running);

    // Adapter table (stats/AdapterTable.cpp).
    void LoadAdapterTable();
    void RefreshAdapterTable();
    void TakeBaseline();
    void SelectAdapter();

    // Throughput sampler and level display (stats/ThroughputSampler.cpp).
    void SampleThroughput();
    void ShowLoadLevel(int peak);

    // Client launcher (p2p/Launcher.cpp).
    void FillLauncher();
    void OnLauncherSelChange();
    void OnRun();
    void ClearLauncherChoice();
    void ApplyAccelerationState(bool on);

    // Members in the order the window is built.
    HICON appIcon_ = nullptr;
    bool RunAtStartup = false;
    CTrayIcon trayIcon_;
    CTipButton quitButton_;
    CTipButton accelerateButton_;
    std::string keptCheckPeriodNum_;
    std::string keptAccelerateN_;
    std::vector<BYTE> AdapterTable;  // MIB_IFTABLE as the system writes it; size() is its capacity
    UINT LastOutOctets = 0;
    UINT LastInOctets = 0;
    CHistogramCtrl histogram_;
    INT InRate = 1;
    INT OutRate = 1;
    INT PeakHold = 0;
    INT PeakLevel = 10;
    std::string TopLabel;
    std::string MiddleLabel;
    std::string BottomLabel;
    UINT LinkSpeedDivisor = 0;
    INT ThroughputHistory[kHistorySize] = {};
    INT HistoryWriteIndex = 0;
    fw::CComboBox adapterCombo_;
    INT SelectedAdapter = 0;
    CTipButton runButton_;
    fw::CComboBox launcherCombo_;
    std::vector<std::string> LauncherPaths;
    INT launcherChosenPosition_ = 0;
    INT AdapterRowMap[kMaxListedAdapters] = {};
    INT listedAdapterCount_ = 0;
    CAnimatedPicture levelPicture_;
    INT LoadLevel = 1;
    // Last, so that the watcher is stopped first when the window goes.
    PacketWatcher packetWatcher_;
};
