#include "ui/win32/LSplashScreen.h"

#include <commctrl.h>

#include "support/LResourceIds.h"

namespace sondrel {

const char kSplashScreenClass[] = "LSplashScreen";

namespace {

constexpr UINT_PTR kCloseTimer = 1;

struct Splash {
    HIMAGELIST hImages = nullptr;  // bitmap 1, its key colour transparent
    HFONT hBold = nullptr, hNormal = nullptr;
    int nWidth = 0, nHeight = 0;
};

HFONT Font(int weight) {
    return CreateFontA(-16, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
}

void Paint(HWND w, Splash& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT rc;
    GetClientRect(w, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (s.hImages) {
        int n = ImageList_GetImageCount(s.hImages);
        for (int i = 0; i < n; ++i) ImageList_Draw(s.hImages, i, dc, 2 + i * s.nHeight, 2, ILD_TRANSPARENT);
    }
    // The band below the picture: 2 pixels in from the left, 4 from the right, 82 high.
    RECT band{2, s.nHeight + 4, rc.right - 4, s.nHeight + 4 + 82};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ oldFont = SelectObject(dc, s.hBold);
    RECT name = band;
    DrawTextA(dc, "Sondrel", -1, &name, DT_LEFT | DT_WORDBREAK);
    SelectObject(dc, s.hNormal);
    RECT version = band;
    version.top += 20;
    DrawTextA(dc, "Sondrel v 1.00", -1, &version, DT_LEFT | DT_WORDBREAK);
    RECT maker = band;
    maker.top += 42;
    DrawTextA(dc, "Distributed by Ketterly", -1, &maker, DT_RIGHT | DT_WORDBREAK);
    SelectObject(dc, oldFont);
    FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(w, &ps);
}

LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<Splash*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    switch (msg) {
        case WM_CREATE:
            SetWindowLongPtrA(w, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
            SetTimer(w, kCloseTimer, kSplashScreenMs, nullptr);
            return 0;
        case WM_PAINT:
            if (s) Paint(w, *s);
            return 0;
        case WM_TIMER:
        case WM_LBUTTONDOWN:
            DestroyWindow(w);
            return 0;
        case WM_NCDESTROY:
            if (s) {
                if (s->hImages) ImageList_Destroy(s->hImages);
                if (s->hBold) DeleteObject(s->hBold);
                if (s->hNormal) DeleteObject(s->hNormal);
                delete s;
                SetWindowLongPtrA(w, GWLP_USERDATA, 0);
            }
            break;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

}  // namespace

bool RegisterSplashScreenClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    if (GetClassInfoA(instance, kSplashScreenClass, &wc)) return true;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kSplashScreenClass;
    return RegisterClassA(&wc) != 0;
}

HWND ShowSplashScreen(HINSTANCE instance, HWND owner) {
    auto* s = new Splash;
    if (HBITMAP b = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, 0))) {
        BITMAP bm{};
        GetObjectA(b, sizeof bm, &bm);
        s->nWidth = bm.bmWidth;
        s->nHeight = bm.bmHeight;
        s->hImages = ImageList_Create(bm.bmHeight, bm.bmHeight, ILC_COLOR24 | ILC_MASK, 9, 0);
        ImageList_AddMasked(s->hImages, b, RGB(255, 0, 255));
        DeleteObject(b);
    }
    s->hBold = Font(FW_BOLD);
    s->hNormal = Font(FW_NORMAL);
    const int width = s->nWidth + 4, height = s->nHeight + 88;
    RECT desk{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &desk, 0);
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, kSplashScreenClass, "", WS_POPUP | WS_VISIBLE,
                             desk.left + (desk.right - desk.left - width) / 2,
                             desk.top + (desk.bottom - desk.top - height) / 2, width, height, owner, nullptr,
                             instance, s);
    if (!w) {
        if (s->hImages) ImageList_Destroy(s->hImages);
        DeleteObject(s->hBold);
        DeleteObject(s->hNormal);
        delete s;
        return nullptr;
    }
    UpdateWindow(w);
    return w;
}

}  // namespace sondrel
