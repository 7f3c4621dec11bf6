#include "ui/win32/MainDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "devices/win32/LPlayerPort.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "ui/LMainCommands.h"
#include "ui/LMainMenu.h"
#include "ui/LMainModel.h"
#include "ui/win32/LMeterControls.h"
#include "ui/win32/LPlayerBaseDlg.h"
#include "ui/win32/LSplashScreen.h"
#include "ui/win32/LTransportBitmaps.h"

namespace sondrel {


namespace {

// The editor's window carries this property, so that a second start finds
// it and not some other program's "Sondrel" window.
constexpr char kEditorMark[] = "Sondrel.Editor";

bool IsEditorTitle(const char* t) {
    return std::strcmp(t, "Sondrel") == 0 || std::strncmp(t, "Sondrel [", 9) == 0;
}

BOOL CALLBACK FindEditor(HWND w, LPARAM lParam) {
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    if (IsEditorTitle(title) && GetPropA(w, kEditorMark)) {
        *reinterpret_cast<HWND*>(lParam) = w;
        return FALSE;
    }
    return TRUE;
}

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    w.resize(w.size() - 1);
    return w;
}

std::string Narrow(const wchar_t* w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n : 1), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(s.size() - 1);
    return s;
}

// The long form of a path when it fits 259 characters; the path itself otherwise.
std::string LongPath(const std::string& path) {
    std::wstring w = Wide(path);
    wchar_t buf[MAX_PATH];
    DWORD n = GetLongPathNameW(w.c_str(), buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return path;
    return Narrow(buf);
}

// The menu ids of the main menu's popups that hold the recent files and the open windows.
constexpr int kFilePopup = 0, kWindowPopup = 5;

// Paths handed over as data wait for this message.
constexpr UINT kLoadPendingMessage = WM_APP + 1;

void BuildMenu(HMENU menu, const std::vector<LMenuNode>& items) {
    for (const LMenuNode& n : items) {
        if (n.IsSeparator()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else if (n.IsPopup()) {
            HMENU sub = CreatePopupMenu();
            BuildMenu(sub, n.items);
            AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), n.szText.c_str());
        } else {
            AppendMenuA(menu, MF_STRING, UINT_PTR(n.nId), n.szText.c_str());
        }
    }
}

// The view buttons and their images in the view image list.
const struct {
    int control, image;
} kViewButtons[] = {{IDC_ZOOM_OUT, 4}, {IDC_ZOOM_IN, 6}, {IDC_ZOOM_SELECTION, 5}, {IDC_ZOOM_FULL, 8},
                    {IDC_VERTICAL_ZOOM, 2}};

// Transport pictures: 0..6 the transport set, then the main window's own.
enum {
    kPicPlay,
    kPicScrub,
    kPicStop,
    kPicStart,
    kPicRewind,
    kPicForward,
    kPicEnd,
    kPicPlayActive,
    kPicStopActive,
    kPicRecord,
    kPicCount
};

}  // namespace

// ------------------------------------------------------------------ single instance

UINT WaveViewsDrawnMessage() {
    static const UINT msg = RegisterWindowMessageA("Sondrel.WaveViewsDrawn");
    return msg;
}

HWND FindRunningEditor() {
    HWND found = nullptr;
    EnumWindows(FindEditor, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool HandOver(HWND editor, const std::string& path) {
    if (!editor) return false;
    if (IsIconic(editor)) ShowWindow(editor, SW_RESTORE);  // back to maximised or normal, as it was
    SetForegroundWindow(editor);
    if (path.empty()) return true;
    std::wstring w = Wide(path);
    // An atom holds at most 255 characters; a longer path goes as data.
    ATOM atom = w.size() <= 255 ? GlobalAddAtomW(w.c_str()) : 0;
    if (atom) {
        if (PostMessageA(editor, kHandOverMessage, WPARAM(0), LPARAM(atom))) return true;
        GlobalDeleteAtom(atom);
    }
    COPYDATASTRUCT cd{kHandOverData, DWORD(path.size() + 1), const_cast<char*>(path.c_str())};
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(editor, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd), SMTO_ABORTIFHUNG, 10000,
                               &result) != 0;
}

std::string CommandLinePath(const char* commandLine) {
    if (!commandLine) return std::string();
    const char* p = commandLine;
    while (*p == ' ' || *p == '\t') ++p;
    std::string path;
    if (*p == '"') {
        const char* end = std::strchr(p + 1, '"');
        path.assign(p + 1, end ? size_t(end - p - 1) : std::strlen(p + 1));
    } else {
        path = p;
        while (!path.empty() && (path.back() == ' ' || path.back() == '\t' || path.back() == '\r' || path.back() == '\n'))
            path.pop_back();
    }
    if (path.empty()) return path;
    return LongPath(path);
}

// ------------------------------------------------------------------ life

MainDialog::MainDialog(HINSTANCE instance, LMainServices& services)
    : LKeyDialogBox(instance, MAKEINTRESOURCEA(IDD_MAIN)), rServices(services), pPlayer(CreatePlayer()) {
    pPlayer->SetDevice(int8_t(ReadInt("Player", "Device", 0)));
    LMainView& view = *this;
    pController = std::make_unique<LMainController>(dialogs, view, rServices, *pPlayer);
}

MainDialog::~MainDialog() {
    overviewScan.Stop();
    waveScan.Stop();
    if (Window()) DestroyWindow(Window());
    pController.reset();  // the documents and the clipboard
    pPlayer.reset();
    for (HBITMAP b : hTransport)
        if (b) DeleteObject(b);
    for (HICON i : hViewIcons)
        if (i) DestroyIcon(i);
    if (hToolbarImages) ImageList_Destroy(hToolbarImages);
    if (hViewImages) ImageList_Destroy(hViewImages);
    if (hEditPopup) DestroyMenu(hEditPopup);
    if (hWebPopup) DestroyMenu(hWebPopup);
}

bool MainDialog::Create(const char* commandLine) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    RegisterTransportClasses(hInstance);
    RegisterSplashScreenClass(hInstance);
    szCommandLinePath = CommandLinePath(commandLine);
    if (!Open(nullptr)) return false;
    return true;
}

int MainDialog::RunMessageLoop() {
    RunLoop();
    return 0;
}

int MainDialog::Dpi() const {
    HWND w = Window();
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto fn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (fn && w) {
        UINT d = fn(w);
        if (d) return int(d);
    }
    HDC dc = GetDC(w);
    int d = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(w, dc);
    return d > 0 ? d : 96;
}

void MainDialog::InitDialog() {
    HWND w = Window();
    SetPropA(w, kEditorMark, reinterpret_cast<HANDLE>(1));
    dialogs.SetOwner(w);
    hSplash = ShowSplashScreen(hInstance, w);

    hIconBig = static_cast<HICON>(LoadImageA(hInstance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    hIconSmall = static_cast<HICON>(LoadImageA(hInstance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (hIconBig) SendMessageA(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIconBig));
    if (hIconSmall) SendMessageA(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIconSmall));

    CreateMenus();
    CreateToolbar();
    hStatus = GetDlgItem(w, IDC_STATUS);

    // Volume, wave windows, meter, scroll bar, the press-and-hold buttons.
    int8_t volume = int8_t(std::clamp(ReadInt("Settings", "PlayVolume", 0), -127, 127));
    SendDlgItemMessageA(w, IDC_VOLUME, kDBEditSetValue, 0, volume);
    overview.Attach(GetDlgItem(w, IDC_OVERVIEW));
    wave.Attach(GetDlgItem(w, IDC_WAVE));
    hMeter = GetDlgItem(w, IDC_METER);
    if (hMeter) DBDisplaySetLevel(hMeter, -127);
    ::SetScrollRange(GetDlgItem(w, IDC_POSITION), SB_CTL, 0, 200, FALSE);
    ReportPressAndRelease(GetDlgItem(w, IDC_REWIND));
    ReportPressAndRelease(GetDlgItem(w, IDC_FORWARD));
    LoadPictures();

    hTooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w, nullptr, hInstance,
                               nullptr);
    for (int c = IDC_METER; c <= IDC_VERTICAL_ZOOM; ++c)
        if (const char* tip = ControlTooltip(c)) AddControlTooltip(hTooltip, w, c, tip);
    ApplyPlaybackVolume(int8_t(ReadInt("Player", "Device", 0)), volume);

    // Placement: maximised, or the stored rectangle fitted to the desktop.
    bool maximized = true;
    LPlacement p = ReadPlacement(maximized);
    RECT desk{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &desk, 0);
    LPlacement fitted = FitPlacement(p, {desk.left, desk.top, desk.right - desk.left, desk.bottom - desk.top});
    SetWindowPos(w, nullptr, fitted.x, fitted.y, fitted.width, fitted.height, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutControls();
    ShowWindow(w, maximized ? SW_SHOWMAXIMIZED : SW_SHOW);

    pController->Init(szCommandLinePath);
}

void MainDialog::DestroyDialog() {
    HWND w = Window();
    pController->Destroy();
    overviewScan.Stop();
    waveScan.Stop();
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (GetWindowPlacement(w, &wp)) {
        const RECT& r = wp.rcNormalPosition;
        StorePlacement({r.left, r.top, r.right - r.left, r.bottom - r.top}, wp.showCmd == SW_SHOWMAXIMIZED ||
                                                                                IsZoomed(w),
                       GetSystemMetrics(SM_CXSCREEN));
    }
    if (hSplash && IsWindow(hSplash)) DestroyWindow(hSplash);
    for (int c = IDC_SELECTION_START; c <= IDC_CURRENT_TIME; ++c) SendDlgItemMessageA(w, c, WM_SETFONT, 0, FALSE);
    if (hTimeFont) DeleteObject(hTimeFont);
    if (hSelectionFont) DeleteObject(hSelectionFont);
    hTimeFont = hSelectionFont = nullptr;
    SendDlgItemMessageA(w, IDC_VOLUME, WM_SETFONT, 0, FALSE);
    if (hVolumeFont) DeleteObject(hVolumeFont);
    hVolumeFont = nullptr;
    nVolumeFontDpi = 0;
    if (hIconBig) DestroyIcon(hIconBig);
    if (hIconSmall) DestroyIcon(hIconSmall);
    hIconBig = hIconSmall = nullptr;
    RemovePropA(w, kEditorMark);
}

void MainDialog::CreateMenus() {
    hMenu = CreateMenu();
    BuildMenu(hMenu, MainMenuBar());
    // The channel count and the play speed show as radio marks.
    for (int id : {IDM_MONO, IDM_STEREO, IDM_PLAY_SLOW, IDM_PLAY_NORMAL, IDM_PLAY_FAST}) {
        MENUITEMINFOA mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE;
        if (GetMenuItemInfoA(hMenu, UINT(id), FALSE, &mi)) {
            mi.fType |= MFT_RADIOCHECK;
            SetMenuItemInfoA(hMenu, UINT(id), FALSE, &mi);
        }
    }
    SetMenu(Window(), hMenu);
    HMENU edit = CreatePopupMenu();
    BuildMenu(edit, EditPopupMenu().items);
    hEditPopup = edit;
    HMENU web = CreatePopupMenu();
    BuildMenu(web, InternetResourcesMenu().items);
    hWebPopup = web;
}

void MainDialog::CreateToolbar() {
    HWND w = Window();
    hToolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP | CCS_NODIVIDER, 0, 0,
                               0, 0, w, nullptr, hInstance, nullptr);
    SendMessageA(hToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const bool big = Dpi() >= 144;
    const int size = big ? 48 : 24;
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageA(hInstance, big ? IDB_TOOLBAR_2X : MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, 0));
    hToolbarImages = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 9, 0);
    if (strip) {
        ImageList_AddMasked(hToolbarImages, strip, RGB(255, 0, 255));
        DeleteObject(strip);
    }
    SendMessageA(hToolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(hToolbarImages));
    // The commands with a toolbar button, in the table's order; their tips
    // are kept for TTN_GETDISPINFO (a labelled command's follows its text).
    std::vector<TBBUTTON> buttons;
    for (const LMainCommand& c : MainCommands()) {
        if (c.nToolbarImage < 0) continue;
        TBBUTTON b = {};
        b.iBitmap = c.nToolbarImage;
        b.idCommand = c.nId;
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON;
        buttons.push_back(b);
        if (c.szTip) toolbarTips[c.nId] = c.szTip;
    }
    SendMessageA(hToolbar, TB_ADDBUTTONSA, WPARAM(buttons.size()), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(hToolbar, TB_AUTOSIZE, 0, 0);
}

void MainDialog::LoadPictures() {
    HWND w = Window();
    const bool big = Dpi() >= 144;
    for (int i = 0; i < kPicCount; ++i) {
        if (hTransport[i]) DeleteObject(hTransport[i]);
        hTransport[i] = nullptr;
    }
    for (int i = 0; i <= kPicEnd; ++i) hTransport[i] = LoadTransportBitmap(hInstance, LTransportBitmap(i), w);
    const char* own[3] = {IDB_PLAY_ACTIVE, IDB_STOP_ACTIVE, IDB_RECORD};
    for (int i = 0; i < 3; ++i) {
        std::string name = own[i];
        HANDLE h = big ? LoadImageA(hInstance, (name + "_2x").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS) : nullptr;
        if (!h) h = LoadImageA(hInstance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
        hTransport[kPicPlayActive + i] = static_cast<HBITMAP>(h);
    }
    const struct {
        int control, picture;
    } pictures[] = {{IDC_PLAY, kPicPlay},     {IDC_SCRUB, kPicScrub},     {IDC_STOP, kPicStopActive},
                    {IDC_GO_TO_START, kPicStart},   {IDC_REWIND, kPicRewind},   {IDC_FORWARD, kPicForward},
                    {IDC_GO_TO_END, kPicEnd},       {IDC_RECORD, kPicRecord}};
    for (const auto& p : pictures)
        SendDlgItemMessageA(w, p.control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hTransport[p.picture]));

    // The view buttons take icons of the view image list.
    const int size = big ? 32 : 16;
    if (hViewImages) ImageList_Destroy(hViewImages);
    hViewImages = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 9, 0);
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageA(hInstance, big ? IDB_VIEW_IMAGES_2X : IDB_VIEW_IMAGES, IMAGE_BITMAP, 0, 0, 0));
    if (strip) {
        ImageList_AddMasked(hViewImages, strip, RGB(255, 0, 255));
        DeleteObject(strip);
    }
    for (int i = 0; i < 5; ++i) {
        if (hViewIcons[i]) DestroyIcon(hViewIcons[i]);
        hViewIcons[i] = ImageList_GetIcon(hViewImages, kViewButtons[i].image, ILD_NORMAL);
        SendDlgItemMessageA(w, kViewButtons[i].control, BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(hViewIcons[i]));
    }
    ShowPlayerState(nPlayerState);
}

// ------------------------------------------------------------------ layout

void MainDialog::Place(int id, int x, int y, int cx, int cy) {
    if (HWND c = GetDlgItem(Window(), id)) MoveWindow(c, x, y, std::max(cx, 0), std::max(cy, 0), TRUE);
}

int MainDialog::PlaceBars(int width, int& statusHeight) {
    int top = 0;
    if (hToolbar) {
        SendMessageA(hToolbar, TB_AUTOSIZE, 0, 0);
        RECT t;
        GetWindowRect(hToolbar, &t);
        top = t.bottom - t.top;
    }
    statusHeight = 0;
    if (hStatus) {
        SendMessageA(hStatus, WM_SIZE, 0, 0);
        RECT s;
        GetWindowRect(hStatus, &s);
        statusHeight = s.bottom - s.top;
        int parts[2] = {std::max(width - 10 * statusHeight, 0), -1};
        SendMessageA(hStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    }
    return top;
}

void MainDialog::PlaceTransportRow(int width, int y, int height) {
    // Eight equal buttons from the left, one pixel apart, then the volume
    // control and the meter.
    const int order[8] = {IDC_PLAY,        IDC_RECORD, IDC_SCRUB,   IDC_STOP,
                          IDC_GO_TO_START, IDC_REWIND, IDC_FORWARD, IDC_GO_TO_END};
    const int bw = std::min(height, std::max((width - Scaled(200)) / 8 - 1, Scaled(16)));
    for (int i = 0; i < 8; ++i) Place(order[i], i * (bw + 1), y, bw, height);
    const int xRight = 8 * (bw + 1);
    const int rest = std::max(width - xRight, 0);
    Place(IDC_VOLUME, xRight, y, rest / 3, height);
    // The volume's text in the dialog's font at this DPI.
    if (nVolumeFontDpi != Dpi()) {
        HFONT f = CreateFontA(-Scaled(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                              "MS Shell Dlg");
        SendDlgItemMessageA(Window(), IDC_VOLUME, WM_SETFONT, WPARAM(f), TRUE);
        if (hVolumeFont) DeleteObject(hVolumeFont);
        hVolumeFont = f;
        nVolumeFontDpi = Dpi();
    }
    Place(IDC_METER, xRight + rest / 3 + 1, y, rest - rest / 3 - 1, height);
}

int MainDialog::PlaceTimeFields(int width, int height, int yBelow) {
    // The selection's three in the left third, the current time in the rest
    // in a bold font 0.18 of its width high (within a fifth of the window's
    // height).
    const int third = width / 3;
    const int timeW = width - third;
    int fontH = std::max(int(0.18 * timeW), Scaled(12));
    fontH = std::min(fontH, std::max(height / 5, Scaled(12)));
    const int timeH = fontH + fontH / 5 + Scaled(6);
    const int yTime = yBelow - timeH;
    Place(IDC_FRAME, 0, yTime, width, timeH);
    for (int i = 0; i < 3; ++i)
        Place(IDC_SELECTION_START + i, Scaled(2), yTime + i * timeH / 3 + 1, third - Scaled(4), timeH / 3 - 2);
    Place(IDC_CURRENT_TIME, third, yTime + 1, timeW - Scaled(2), timeH - 2);
    SetTimeFonts(timeW, timeH, fontH);
    return yTime;
}

void MainDialog::SetTimeFonts(int timeWidth, int timeHeight, int fontHeight) {
    HWND w = Window();
    // The selection's fields in a plain font half their height.
    HFONT selFont = CreateFontA(-std::max(timeHeight / 6, Scaled(11)), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                VARIABLE_PITCH | FF_SWISS, "Arial");
    for (int i = 0; i < 3; ++i) SendDlgItemMessageA(w, IDC_SELECTION_START + i, WM_SETFONT, WPARAM(selFont), TRUE);
    if (hSelectionFont) DeleteObject(hSelectionFont);
    hSelectionFont = selFont;
    auto makeFont = [](int height) {
        return CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
    };
    HFONT font = makeFont(fontHeight);
    // Whatever face the system gives, the time fits its field.
    if (HDC dc = GetDC(w)) {
        HGDIOBJ old = SelectObject(dc, font);
        SIZE ext{};
        const char sample[] = "0:00:00.00";
        GetTextExtentPoint32A(dc, sample, int(sizeof sample - 1), &ext);
        SelectObject(dc, old);
        ReleaseDC(w, dc);
        const int room = timeWidth * 9 / 10;
        if (ext.cx > room && ext.cx > 0) {
            DeleteObject(font);
            font = makeFont(std::max(int(int64_t(fontHeight) * room / ext.cx), Scaled(12)));
        }
    }
    SendDlgItemMessageA(w, IDC_CURRENT_TIME, WM_SETFONT, WPARAM(font), TRUE);
    if (hTimeFont) DeleteObject(hTimeFont);
    hTimeFont = font;
}

int MainDialog::PlaceViewRow(int width, int yBelow) {
    // The scroll bar and the five view buttons.
    const int scrollH = Scaled(24);
    const int yScroll = yBelow - scrollH;
    const int scrollW = width / 2;
    Place(IDC_POSITION, 0, yScroll, scrollW, scrollH);
    const int zw = (width - scrollW) / 5;
    const int views[5] = {IDC_ZOOM_OUT, IDC_ZOOM_IN, IDC_ZOOM_SELECTION, IDC_ZOOM_FULL, IDC_VERTICAL_ZOOM};
    for (int i = 0; i < 5; ++i)
        Place(views[i], scrollW + i * zw, yScroll, i == 4 ? width - scrollW - 4 * zw : zw, scrollH);
    return yScroll;
}

void MainDialog::LayoutControls() {
    RECT rc;
    GetClientRect(Window(), &rc);
    const int W = rc.right, H = rc.bottom;
    if (W <= 0 || H <= 0) return;
    // From the bottom: the status bar, the transport row, the time fields,
    // the scroll bar with the view buttons; from the top the toolbar, then
    // the overview twice the status bar's height and the main view the rest.
    int statusH = 0;
    const int top = PlaceBars(W, statusH);
    const int rowH = Scaled(50);
    const int yRow = H - statusH - rowH;
    PlaceTransportRow(W, yRow, rowH);
    const int yScroll = PlaceViewRow(W, PlaceTimeFields(W, H, yRow));
    const int overviewH = 2 * std::max(statusH, Scaled(20));
    Place(IDC_OVERVIEW, 0, top, W, overviewH);
    Place(IDC_WAVE, 0, top + overviewH, W, std::max(yScroll - top - overviewH, 0));
    InvalidateRect(Window(), nullptr, TRUE);
}

// ------------------------------------------------------------------ messages

INT_PTR MainDialog::DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND w = Window();
    switch (msg) {
        case WM_INITDIALOG:
            InitDialog();
            return FALSE;  // the focus stays where the dialog manager put none
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_NOTIFY:
            return Notify(reinterpret_cast<const NMHDR*>(lParam));
        case WM_TIMER:
            if (wParam == IDT_LOAD_OVERVIEW)
                DrawLoading();
            else
                pController->Timer(int(wParam));
            return TRUE;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(w, IDC_POSITION))
                pController->Scroll(LOWORD(wParam), int16_t(HIWORD(wParam)));
            return TRUE;
        case WM_SIZE:
            LayoutControls();
            return TRUE;
        case WM_GETMINMAXINFO: {
            auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
            mm->ptMinTrackSize.x = Scaled(kMinWindowWidth);
            mm->ptMinTrackSize.y = Scaled(kMinWindowHeight);
            return TRUE;
        }
        case WM_MENUSELECT:
        case WM_EXITMENULOOP:
        case WM_CONTEXTMENU:
        case WM_MOUSEWHEEL:
            MouseAndMenuMessage(msg, wParam, lParam);
            return TRUE;
        case WM_DROPFILES:
        case kHandOverMessage:
        case WM_COPYDATA:
        case kLoadPendingMessage:
            return FileMessage(msg, wParam, lParam);
        case WM_DPICHANGED: {
            const RECT* r = reinterpret_cast<const RECT*>(lParam);
            LoadPictures();
            SetWindowPos(w, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            LayoutControls();
            return TRUE;
        }
        case WM_QUERYENDSESSION:
            // The session may end only when every changed document was
            // saved or let go by the user; a failed or cancelled save keeps
            // the session (and the document, journaled) alive.
            SetWindowLongPtrA(w, DWLP_MSGRESULT, pController->CmCancel() ? TRUE : FALSE);
            return TRUE;
        case WM_DESTROY:
            DestroyDialog();
            return TRUE;
    }
    if (msg == WaveViewsDrawnMessage()) {
        bool drawn = pController->Current() && overviewScan.IsRunning() && waveScan.IsRunning() &&
                     overviewScan.IsIdle() && waveScan.IsIdle();
        // What the columns hold is on the screen before the answer.
        if (drawn) RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SetWindowLongPtrA(w, DWLP_MSGRESULT, drawn ? 1 : 0);
        return TRUE;
    }
    return FALSE;
}

void MainDialog::MouseAndMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_MENUSELECT: {
            UINT flags = HIWORD(wParam);
            if (flags == 0xFFFF && lParam == 0)
                pController->MenuClosed();
            else
                pController->MenuSelect((flags & MF_POPUP) ? 0 : LOWORD(wParam));
            break;
        }
        case WM_EXITMENULOOP:
            pController->MenuClosed();
            break;
        case WM_CONTEXTMENU:
            ContextMenu(reinterpret_cast<HWND>(wParam), int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam)));
            break;
        case WM_MOUSEWHEEL: {
            nWheel += GET_WHEEL_DELTA_WPARAM(wParam);
            int notches = nWheel / WHEEL_DELTA;
            nWheel -= notches * WHEEL_DELTA;
            if (notches) pController->Wheel(notches, (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0);
            break;
        }
    }
}

INT_PTR MainDialog::FileMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND w = Window();
    switch (msg) {
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wParam);
            UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < n; ++i) {
                wchar_t path[MAX_PATH];
                if (DragQueryFileW(drop, i, path, MAX_PATH)) pController->Load(Narrow(path));
            }
            DragFinish(drop);
            return TRUE;
        }
        case kHandOverMessage:
            EvLoad(ATOM(lParam));
            return TRUE;
        case WM_COPYDATA: {
            auto* cd = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (!cd || cd->dwData != kHandOverData || !cd->lpData || cd->cbData == 0) return FALSE;
            std::string path(static_cast<const char*>(cd->lpData), cd->cbData);
            path.resize(std::strlen(path.c_str()));
            // Opened once this call has returned, so that the sender is not held up by a load.
            vPendingLoads.push_back(path);
            PostMessageA(w, kLoadPendingMessage, 0, 0);
            SetWindowLongPtrA(w, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        case kLoadPendingMessage: {
            std::vector<std::string> paths;
            paths.swap(vPendingLoads);
            for (const std::string& p : paths) pController->Load(LongPath(p));
            return TRUE;
        }
    }
    return FALSE;
}

void MainDialog::EvLoad(ATOM atom) {
    std::string path;
    if (atom) {
        wchar_t name[261] = {};
        if (GlobalGetAtomNameW(atom, name, 261)) path = Narrow(name);
        GlobalDeleteAtom(atom);
    }
    if (!path.empty()) pController->Load(LongPath(path));
}

void MainDialog::Command(WORD id, WORD code, HWND control) {
    if (!control || control == hToolbar) {
        pController->Command(id);
        return;
    }
    switch (id) {
        case IDC_VOLUME:
            if (code == EN_CHANGE) {
                int8_t dB = int8_t(SendMessageA(control, kDBEditGetValue, 0, 0));
                WriteInt("Settings", "PlayVolume", dB);
                ApplyPlaybackVolume(int8_t(ReadInt("Player", "Device", 0)), dB);
            }
            return;
        case IDC_OVERVIEW:
        case IDC_WAVE: {
            LWaveWindow& ww = id == IDC_WAVE ? wave : overview;
            pController->WaveNotify(id, code, ww.MarkStart(), ww.MarkEnd(), ww.Cursor());
            return;
        }
        default:
            pController->ControlNotify(id, code);
    }
}

bool MainDialog::Notify(const NMHDR* nm) {
    if (!nm) return false;
    if (nm->hwndFrom == hStatus && (nm->code == NM_CLICK || nm->code == NM_RCLICK)) {
        POINT p;
        GetCursorPos(&p);
        Popup(hWebPopup, p.x, p.y);
        return true;
    }
    if (nm->code == TTN_GETDISPINFOA) {
        auto* di = const_cast<NMTTDISPINFOA*>(reinterpret_cast<const NMTTDISPINFOA*>(nm));
        if (di->uFlags & TTF_IDISHWND) return false;
        auto tip = toolbarTips.find(int(nm->idFrom));
        if (tip != toolbarTips.end()) di->lpszText = const_cast<char*>(tip->second.c_str());
        return true;
    }
    return false;
}

void MainDialog::Popup(HMENU menu, int x, int y) {
    SetForegroundWindow(Window());
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, Window(), nullptr);
    PostMessageA(Window(), WM_NULL, 0, 0);
}

void MainDialog::ContextMenu(HWND where, int x, int y) {
    if (where == wave.Window()) {
        if (x == -1 && y == -1) {  // the keyboard's context-menu key: the middle of the view
            RECT r;
            GetWindowRect(where, &r);
            x = (r.left + r.right) / 2;
            y = (r.top + r.bottom) / 2;
        }
        Popup(hEditPopup, x, y);
    } else if (where == hStatus) {
        Popup(hWebPopup, x, y);
    }
}

bool MainDialog::KeyDown(UINT vk, const LKeyState& keys) {
    // Typing a volume into the decibel field keeps its keys.
    HWND focus = GetFocus();
    HWND volume = GetDlgItem(Window(), IDC_VOLUME);
    bool typing = focus && volume && (focus == volume || IsChild(volume, focus));
    if (typing && !keys.bControl && (vk < VK_F1 || vk > VK_F24)) return false;
    return pController->KeyDown(vk, {keys.bControl, keys.bShift, keys.bAlt});
}

void MainDialog::MouseDown() {
    if (pController) pController->MouseDown();
}

bool MainDialog::KeyUp(UINT vk, const LKeyState& keys) {
    return pController->KeyUp(vk, {keys.bControl, keys.bShift, keys.bAlt});
}

// ------------------------------------------------------------------ LMainView

void MainDialog::SetTitle(const std::string& text) { SetWindowTextA(Window(), text.c_str()); }

void MainDialog::EnableCommand(int id, bool enabled) {
    UINT flags = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
    if (id >= 1000) {
        if (hMenu) EnableMenuItem(hMenu, UINT(id), flags);
        if (hEditPopup) EnableMenuItem(hEditPopup, UINT(id), flags);
        if (hToolbar) SendMessageA(hToolbar, TB_ENABLEBUTTON, WPARAM(id), MAKELPARAM(enabled, 0));
    } else if (HWND c = GetDlgItem(Window(), id)) {
        EnableWindow(c, enabled);
    }
}

void MainDialog::CheckCommand(int id, bool checked) {
    if (id >= 1000) {
        if (hMenu) CheckMenuItem(hMenu, UINT(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    } else {
        CheckDlgButton(Window(), id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
}

void MainDialog::SetCommandText(int id, const std::string& text) {
    for (HMENU m : {hMenu, hEditPopup})
        if (m) ModifyMenuA(m, UINT(id), MF_BYCOMMAND | MF_STRING, UINT_PTR(id), text.c_str());
    toolbarTips[id] = text;
}

void MainDialog::SetStatusRate(const std::string& text) {
    if (hStatus) SendMessageA(hStatus, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainDialog::SetStatusMessage(const std::string& text) {
    if (hStatus) SendMessageA(hStatus, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainDialog::SetText(int control, const std::string& text) { SetDlgItemTextA(Window(), control, text.c_str()); }

void MainDialog::SetScrollPos(int32_t position) {
    ::SetScrollPos(GetDlgItem(Window(), IDC_POSITION), SB_CTL, position, TRUE);
}

void MainDialog::SetRecentMenu(const std::vector<LMenuEntry>& items) {
    HMENU file = GetSubMenu(hMenu, kFilePopup);
    if (!file) return;
    for (int id = IDM_RECENT_FIRST; id <= IDM_RECENT_SEPARATOR; ++id) DeleteMenu(file, UINT(id), MF_BYCOMMAND);
    // Each goes before Exit, in order; the separator after the last.
    for (const LMenuEntry& e : items)
        InsertMenuA(file, IDM_EXIT, MF_BYCOMMAND | MF_STRING, UINT_PTR(e.nId), e.szText.c_str());
    if (!items.empty()) InsertMenuA(file, IDM_EXIT, MF_BYCOMMAND | MF_SEPARATOR, IDM_RECENT_SEPARATOR, nullptr);
}

void MainDialog::SetWindowMenu(const std::vector<LMenuEntry>& items, int checkedId) {
    HMENU win = GetSubMenu(hMenu, kWindowPopup);
    if (!win) return;
    for (int id = IDM_WINDOW_FIRST; id <= IDM_WINDOW_SEPARATOR; ++id) DeleteMenu(win, UINT(id), MF_BYCOMMAND);
    for (const LMenuEntry& e : items)
        InsertMenuA(win, IDM_CLOSE_ALL, MF_BYCOMMAND | MF_STRING | (e.nId == checkedId ? MF_CHECKED : 0),
                    UINT_PTR(e.nId), e.szText.c_str());
    if (!items.empty()) InsertMenuA(win, IDM_CLOSE_ALL, MF_BYCOMMAND | MF_SEPARATOR, IDM_WINDOW_SEPARATOR, nullptr);
}

void MainDialog::SetTimer(int id, int32_t ms) { ::SetTimer(Window(), UINT_PTR(id), UINT(ms), nullptr); }
void MainDialog::KillTimer(int id) { ::KillTimer(Window(), UINT_PTR(id)); }

void MainDialog::ShowWaves(const LSoundSourcePtr& o, const LSoundSourcePtr& m) {
    overviewScan.Stop();
    waveScan.Stop();
    const int32_t length = o->GetLength();
    overview.SetLength(length);
    wave.SetLength(m->GetLength());
    overviewScan.Start(o, &overview);
    waveScan.Start(m, &wave);
    // The overview always shows the whole file (an empty one as a second).
    overviewScan.RequestView(0, length > 0 ? length : std::max(o->nSampleRate, 1));
}

void MainDialog::HideWaves() {
    overviewScan.Stop();
    waveScan.Stop();
    overview.SetMarkEnd(-1);
    wave.SetMarkEnd(-1);
}

void MainDialog::ShowLoading(const LLoadWatch* watch) {
    pLoading = watch;
    nLoadLength = -1;
    if (watch) {
        // Ten times a second: the strip moves smoothly without costing the load.
        ::SetTimer(Window(), IDT_LOAD_OVERVIEW, 100, nullptr);
    } else {
        ::KillTimer(Window(), IDT_LOAD_OVERVIEW);
    }
}

void MainDialog::DrawLoading() {
    if (!pLoading) return;
    std::shared_ptr<const LGrowingSummary> arrived = pLoading->Overview();
    if (!arrived) return;  // the copy has not started
    // The reader's length, or what has arrived when that is more (an estimate).
    const int32_t length =
        std::max({pLoading->Frames(), int32_t(std::min<int64_t>(arrived->Frames(), INT32_MAX)), int32_t(1)});
    if (nLoadLength < 0) {
        overviewScan.Stop();  // the scan of the document shown before lets go of the window
        overview.ScanStarted();
    }
    if (length != nLoadLength) {
        overview.SetLength(length);
        nLoadLength = length;
    }
    LWaveView map;
    if (overview.ScanSetView(0, length, map).kind != LViewChange::kNothing) loadOverview.Restart();
    struct Store : LWaveScanHost {
        LWaveWindow& window;
        explicit Store(LWaveWindow& w) : window(w) {}
        void StoreColumn(int32_t c, uint8_t height) override { window.ScanStoreColumn(c, height); }
    } store(overview);
    loadOverview.Advance(*arrived, map, store);
}

void MainDialog::SetWaveCursor(int32_t frame, int32_t mainSpan) {
    overview.SetCursor(frame, 0);
    wave.SetCursor(frame, mainSpan);
}

void MainDialog::SetWaveMarks(int32_t start, int32_t end) {
    for (LWaveWindow* ww : {&overview, &wave}) {
        ww->SetMarkStart(start);
        ww->SetMarkEnd(end);
    }
}

void MainDialog::SetMainView(int32_t start, int32_t length) { waveScan.RequestView(start, length); }

void MainDialog::ShowPlayerState(uint16_t state) {
    nPlayerState = state;
    HWND w = Window();
    if (!w) return;
    const bool open = (state & kPlayerOpen) != 0, cueing = (state & kPlayerCueing) != 0;
    SendDlgItemMessageA(w, IDC_PLAY, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(hTransport[open ? kPicPlayActive : kPicPlay]));
    SendDlgItemMessageA(w, IDC_STOP, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(hTransport[open ? kPicStop : kPicStopActive]));
    CheckDlgButton(w, IDC_PLAY, open && !cueing ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(w, IDC_SCRUB, cueing ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(w, IDC_STOP, open ? BST_UNCHECKED : BST_CHECKED);
}

void MainDialog::ShowLevels(const int8_t* levels, int32_t count) {
    if (!hMeter) return;
    if (count <= 0)
        DBDisplaySetLevel(hMeter, -127);
    else
        DBDisplaySetLevels(hMeter, levels, count);
}

void MainDialog::ShowButtonHeld(int control, bool held) {
    SendDlgItemMessageA(Window(), control, BM_SETSTATE, held, 0);
}

void MainDialog::Close() { DestroyWindow(Window()); }

}  // namespace sondrel
