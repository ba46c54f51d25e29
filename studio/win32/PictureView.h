// A child window that shows pictures drawn through the canvas: one, or
// several stacked with a caption over each (the details of a recording, the
// merge strips), each as wide as the window and scrolled when they are
// taller than it. Painted through a memory bitmap, so it does not flicker.
// The mouse over a shape with a title shows the title as a tooltip.
#pragma once

#include <string>
#include <vector>

#include "CanvasRecording.h"
#include "WinApi.h"
#include "WindowObject.h"

// Answered by the window: how many shapes its pictures have (for tests).
inline constexpr UINT kPictureShapesMessage = WM_APP + 21;

struct SPicturePart {
    std::string m_strCaption;  // UTF-8, none when empty
    CCanvasRecording m_picture;
};

class CPictureView {
public:
    CPictureView() = default;
    ~CPictureView();
    CPictureView(const CPictureView&) = delete;
    CPictureView& operator=(const CPictureView&) = delete;

    bool Create(HWND hParent, int nId, HFONT hCaptionFont);
    HWND Window() const { return m_hWnd; }
    void SetParts(std::vector<SPicturePart> parts);
    void SetPicture(CCanvasRecording picture);
    // The height the pictures take at the window's width, captions included.
    int ContentHeight(int nWidth) const;

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam,
                                             LPARAM lParam);
    LRESULT Handle(UINT nMessage, WPARAM wParam, LPARAM lParam);
    void Paint();
    void UpdateScroll();
    void ScrollTo(int nPosition);
    void ShowTitleAt(int nX, int nY);
    int CaptionHeight() const;

    HWND m_hWnd = nullptr;
    HFONT m_hCaptionFont = nullptr;
    std::vector<SPicturePart> m_parts;
    int m_nScroll = 0;      // pixels scrolled down
    HWND m_hTip = nullptr;  // the tooltip, its one tool the whole window
    std::wstring m_strTitle;
};
