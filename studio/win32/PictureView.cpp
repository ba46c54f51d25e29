#include "PictureView.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "GdiCanvas.h"
#include "win32/TextConvert.h"

namespace {

constexpr const wchar_t* kClassName = L"TavroStudioPicture";
constexpr int kGap = 6;  // pixels between two parts

void RegisterClassOnce() {
    static const bool bRegistered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.lpszClassName = kClassName;
        return ::RegisterClassExW(&windowClass) != 0;
    }();
    (void)bRegistered;
}

// The tool as every version of the common controls reads it.
TOOLINFOW WholeWindowTool(HWND hWnd) {
    TOOLINFOW tool{};
    tool.cbSize = static_cast<UINT>(offsetof(TOOLINFOW, lpReserved));
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(hWnd);
    return tool;
}

}  // namespace

CPictureView::~CPictureView() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(::DefWindowProcW));
    }
}

bool CPictureView::Create(HWND hParent, int nId, HFONT hCaptionFont) {
    RegisterClassOnce();
    m_hCaptionFont = hCaptionFont;
    m_hWnd = ::CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPSIBLINGS, 0, 0, 10, 10,
                               hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)),
                               ::GetModuleHandleW(nullptr), nullptr);
    if (m_hWnd == nullptr) {
        return false;
    }
    AttachWindowObject(m_hWnd, this);
    m_hTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (m_hTip != nullptr) {
        TOOLINFOW tool = WholeWindowTool(m_hWnd);
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(m_hTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageW(m_hTip, TTM_SETMAXTIPWIDTH, 0, 480);
        ::SendMessageW(m_hTip, TTM_ACTIVATE, FALSE, 0);
    }
    UpdateScroll();
    return true;
}

void CPictureView::SetParts(std::vector<SPicturePart> parts) {
    m_parts = std::move(parts);
    m_nScroll = 0;
    UpdateScroll();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPictureView::SetPicture(CCanvasRecording picture) {
    std::vector<SPicturePart> parts;
    if (!picture.Empty()) {
        parts.push_back({{}, std::move(picture)});
    }
    SetParts(std::move(parts));
}

int CPictureView::CaptionHeight() const {
    TEXTMETRICW metrics{};
    const HDC hDC = ::GetDC(m_hWnd);
    const HGDIOBJ hOld = ::SelectObject(hDC, m_hCaptionFont);
    ::GetTextMetricsW(hDC, &metrics);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_hWnd, hDC);
    return metrics.tmHeight + 4;
}

int CPictureView::ContentHeight(int nWidth) const {
    int nHeight = 0;
    const int nCaption = CaptionHeight();
    for (const SPicturePart& part : m_parts) {
        nHeight += (part.m_strCaption.empty() ? 0 : nCaption) +
                   CanvasHeightAt(part.m_picture.View(), nWidth) + kGap;
    }
    return nHeight;
}

void CPictureView::UpdateScroll() {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, ContentHeight(client.right) - 1);
    info.nPage = static_cast<UINT>(std::max(LONG{0}, client.bottom));
    m_nScroll =
        std::clamp(m_nScroll, 0, std::max(0, info.nMax + 1 - static_cast<int>(client.bottom)));
    info.nPos = m_nScroll;
    ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
}

void CPictureView::ScrollTo(int nPosition) {
    m_nScroll = nPosition;
    UpdateScroll();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

LRESULT CPictureView::Handle(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            UpdateScroll();
            return 0;
        case WM_VSCROLL: {
            RECT client{};
            ::GetClientRect(m_hWnd, &client);
            const int nLine = CaptionHeight();
            switch (LOWORD(wParam)) {
                case SB_LINEUP:
                    ScrollTo(m_nScroll - nLine);
                    break;
                case SB_LINEDOWN:
                    ScrollTo(m_nScroll + nLine);
                    break;
                case SB_PAGEUP:
                    ScrollTo(m_nScroll - client.bottom);
                    break;
                case SB_PAGEDOWN:
                    ScrollTo(m_nScroll + client.bottom);
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    ScrollTo(HIWORD(wParam));
                    break;
                default:
                    break;
            }
            return 0;
        }
        case WM_MOUSEWHEEL:
            ScrollTo(m_nScroll -
                     static_cast<short>(HIWORD(wParam)) * CaptionHeight() * 3 / WHEEL_DELTA);
            return 0;
        case WM_MOUSEMOVE:
            ShowTitleAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case kPictureShapesMessage: {
            size_t nShapes = 0;
            for (const SPicturePart& part : m_parts) {
                nShapes += part.m_picture.Shapes().size();
            }
            return static_cast<LRESULT>(nShapes);
        }
        default:
            return ::DefWindowProcW(m_hWnd, nMessage, wParam, lParam);
    }
}

void CPictureView::Paint() {
    PAINTSTRUCT paint{};
    const HDC hDC = ::BeginPaint(m_hWnd, &paint);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const HDC hMemory = ::CreateCompatibleDC(hDC);
    const HBITMAP hBitmap = ::CreateCompatibleBitmap(hDC, std::max(LONG{1}, client.right),
                                                     std::max(LONG{1}, client.bottom));
    const HGDIOBJ hOldBitmap = ::SelectObject(hMemory, hBitmap);
    ::FillRect(hMemory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const int nCaption = CaptionHeight();
    int nY = -m_nScroll;
    for (const SPicturePart& part : m_parts) {
        if (!part.m_strCaption.empty()) {
            const std::wstring strCaption = Utf8ToWide(part.m_strCaption);
            const HGDIOBJ hOldFont = ::SelectObject(hMemory, m_hCaptionFont);
            ::SetTextAlign(hMemory, TA_LEFT | TA_TOP);
            ::SetTextColor(hMemory, RGB(0x1d, 0x27, 0x33));
            ::SetBkMode(hMemory, TRANSPARENT);
            ::TextOutW(hMemory, 4, nY + 2, strCaption.c_str(), static_cast<int>(strCaption.size()));
            ::SelectObject(hMemory, hOldFont);
            nY += nCaption;
        }
        const int nHeight = CanvasHeightAt(part.m_picture.View(), client.right);
        if (nY + nHeight > 0 && nY < client.bottom) {
            // What a picture draws above its view's top stays unseen.
            const int nSaved = ::SaveDC(hMemory);
            ::IntersectClipRect(hMemory, 0, nY, client.right, nY + nHeight);
            {
                CGdiCanvas canvas(hMemory, RECT{0, nY, client.right, nY + nHeight});
                part.m_picture.Replay(canvas);
            }
            ::RestoreDC(hMemory, nSaved);
        }
        nY += nHeight + kGap;
    }
    ::BitBlt(hDC, 0, 0, client.right, client.bottom, hMemory, 0, 0, SRCCOPY);
    ::SelectObject(hMemory, hOldBitmap);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMemory);
    ::EndPaint(m_hWnd, &paint);
}

void CPictureView::ShowTitleAt(int nX, int nY) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int nCaption = CaptionHeight();
    std::string strTitle;
    int nTop = -m_nScroll;
    for (const SPicturePart& part : m_parts) {
        nTop += part.m_strCaption.empty() ? 0 : nCaption;
        const int nHeight = CanvasHeightAt(part.m_picture.View(), client.right);
        if (nY >= nTop && nY < nTop + nHeight) {
            const SCanvasMapping mapping =
                MapCanvasView(part.m_picture.View(), RECT{0, nTop, client.right, nTop + nHeight});
            strTitle = part.m_picture.TitleAt(mapping.UnitX(nX), mapping.UnitY(nY),
                                              3.0 / mapping.m_dScale);
            break;
        }
        nTop += nHeight + kGap;
    }
    std::wstring strWide = Utf8ToWide(strTitle);
    if (strWide != m_strTitle && m_hTip != nullptr) {
        m_strTitle = std::move(strWide);
        TOOLINFOW tool = WholeWindowTool(m_hWnd);
        tool.lpszText = m_strTitle.data();
        ::SendMessageW(m_hTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageW(m_hTip, TTM_ACTIVATE, m_strTitle.empty() ? FALSE : TRUE, 0);
    }
}
