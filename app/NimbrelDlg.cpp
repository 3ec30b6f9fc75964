#include "app/NimbrelDlg.h"

#include <shellapi.h>
#include <winsock2.h>

#include "app/AboutDlg.h"
#include "app/Acceleration.h"
#include "app/Updater.h"
#include "app/Version.h"
#include "app/WebLinks.h"
#include "framework/App.h"
#include "framework/Handles.h"
#include "stats/LocalAddressList.h"

namespace {

constexpr int kGraphRangeLow = 1;
constexpr int kGraphRangeHigh = 10;

const char* const kTipAccelerate = "Accelerate P2P Application";
const char* const kTipQuit = "Exit";
const char* const kTipRun = "Run P2P Application";

void OpenAddress(const char* address) {
    if (address) ::ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

CNimbrelDlg::CNimbrelDlg() : fw::CDialog(IDD_KELVARA_DIALOG) {
    appIcon_ = ::LoadIconA(fw::AppInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CNimbrelDlg::~CNimbrelDlg() = default;

void CNimbrelDlg::DoDataExchange(fw::CDataExchange& dx) {
    fw::DDX_Control(dx, IDC_ACCELERATE, accelerateButton_);
    fw::DDX_Control(dx, IDC_QUIT, quitButton_);
    fw::DDX_Text(dx, IDC_LABEL_TOP, TopLabel);
    fw::DDX_Text(dx, IDC_LABEL_MIDDLE, MiddleLabel);
    fw::DDX_Text(dx, IDC_LABEL_BOTTOM, BottomLabel);
    fw::DDX_Control(dx, IDC_ADAPTERS, adapterCombo_);
    fw::DDX_Control(dx, IDC_RUN, runButton_);
    fw::DDX_Control(dx, IDC_LAUNCHER, launcherCombo_);
    fw::DDX_Control(dx, IDC_LEVEL_PICTURE, levelPicture_);
}

BOOL CNimbrelDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();

    if (HMENU systemMenu = ::GetSystemMenu(hwnd(), FALSE)) {
        char about[128] = "";
        if (::LoadStringA(fw::AppInstance(), IDS_ABOUTBOX, about, sizeof about) > 0 && about[0] != '\0') {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    ReadStoredValues();
    LoadAdapterTable();
    TakeBaseline();
    ShowPicture(IDR_GIF_LEVEL1);

    RECT graph{};
    if (HWND host = GetDlgItem(IDC_GRAPH_HOST)) {
        ::GetWindowRect(host, &graph);
        ::MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&graph), 2);
    }
    histogram_.CreateControl(WS_CHILD | WS_VISIBLE | WS_TABSTOP, graph, this, IDC_HISTOGRAM);
    histogram_.SetValueRange(kGraphRangeLow, kGraphRangeHigh);

    ::SetTimer(hwnd(), ID_TIMER_SAMPLER, kSamplerPeriodMs, nullptr);
    histogram_.SetScrollInterval(kGraphScrollMs);

    // The first labels keep the decimal comma they have always shown; the sampler's own
    // texts use a decimal point.
    TopLabel = "1,0%";
    MiddleLabel = "0,5%";
    BottomLabel = "0%";
    UpdateData(false);

    StartUpdater();

    // DS_CENTER has centred the window already; centring again keeps it so after the
    // controls above may have changed the window's size.
    RECT window{};
    RECT desktop{};
    ::GetWindowRect(hwnd(), &window);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
    int x = desktop.left + ((desktop.right - desktop.left) - (window.right - window.left)) / 2;
    int y = desktop.top + ((desktop.bottom - desktop.top) - (window.bottom - window.top)) / 2;
    ::SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    trayIcon_.CreateTrayIcon(this, WM_TRAY_NOTIFY, kProductName, appIcon_, IDR_TRAYMENU);

    accelerateButton_.SetTipText(kTipAccelerate, TRUE);
    quitButton_.SetTipText(kTipQuit, TRUE);
    runButton_.SetTipText(kTipRun, TRUE);

    WSADATA wsa{};
    ::WSAStartup(MAKEWORD(1, 1), &wsa);

    LocalAddressCount = BuildLocalAddressList(LocalAddressList, kLocalAddressCapacity);

    ToggleAcceleration();
    accelerateButton_.SetCheck(BST_CHECKED);

    FillLauncher();
    return TRUE;
}

void CNimbrelDlg::ShowPicture(UINT resourceId) {
    levelPicture_.LoadFromResource(MAKEINTRESOURCEA(resourceId), "GIF");
    levelPicture_.Display();
}

LRESULT CNimbrelDlg::OnSysCommand(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CNimbrelDlg::OnPaint(UINT, WPARAM, LPARAM, bool& handled) {
    if (!::IsIconic(hwnd())) {
        handled = false;
        return 0;
    }
    fw::PaintDC dc(hwnd());
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.get(), x, y, appIcon_);
    return 0;
}

LRESULT CNimbrelDlg::OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&) {
    return reinterpret_cast<LRESULT>(appIcon_);
}

LRESULT CNimbrelDlg::OnInitMenuPopupMessage(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
    OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam));
    handled = false;  // the dialog's own processing of the message follows
    return 0;
}

void CNimbrelDlg::OnInitMenuPopup(HMENU popup, UINT, BOOL) { UpdateMenuCommands(popup); }

LRESULT CNimbrelDlg::OnTrayNotify(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    if (lParam == WM_LBUTTONDBLCLK) {
        if (AccelerationActive.load() != 0) {
            histogram_.SetScrollInterval(kGraphScrollMs);
            ShowPicture(IDR_GIF_LEVEL1);
        }
        RestoreFromTray(hwnd());
    }
    return trayIcon_.HandleTrayMessage(wParam, lParam);
}

LRESULT CNimbrelDlg::OnTimer(UINT, WPARAM wParam, LPARAM, bool&) {
    if (wParam == ID_TIMER_SAMPLER) SampleThroughput();
    return 0;
}

LRESULT CNimbrelDlg::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, bool&) {
    ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

void CNimbrelDlg::OnHideToTray() {
    StoreKeptValues();
    histogram_.SetScrollInterval(0);
    ShowPicture(IDR_GIF_STOPPED);
    HideToTray(hwnd());
}

void CNimbrelDlg::OnAbout() {
    CAboutDlg about(this);
    about.DoModal();
}

void CNimbrelDlg::OnExit() { EndDialog(0); }

void CNimbrelDlg::OnQuit() {
    ::KillTimer(hwnd(), ID_TIMER_SAMPLER);
    EndDialog(IDCANCEL);
}

void CNimbrelDlg::OnWebSafety() { OpenAddress(WebAddressFor(ID_WEB_SAFETY)); }
void CNimbrelDlg::OnWebFileSharing() { OpenAddress(WebAddressFor(ID_WEB_FILE_SHARING)); }
void CNimbrelDlg::OnWebEmusic() { OpenAddress(WebAddressFor(ID_WEB_EMUSIC)); }
void CNimbrelDlg::OnWebTorrents() { OpenAddress(WebAddressFor(ID_WEB_TORRENTS)); }
void CNimbrelDlg::OnWebMedia() { OpenAddress(WebAddressFor(ID_WEB_MEDIA)); }
void CNimbrelDlg::OnWebHelp() { OpenAddress(kMakerHomePage); }
