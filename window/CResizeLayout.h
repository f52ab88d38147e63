#pragma once

// Keeps a dialog's controls anchored to its edges while the dialog is resized, from a
// declared table of (control id, anchoring), and adds a size grip in the corner.
//
// Notes: Init during WM_INITDIALOG, after the dialog has its initial size; then hand
// WM_SIZE to OnSize and WM_GETMINMAXINFO to OnGetMinMaxInfo. Positions are kept
// relative to the client size at Init, so the table is applied, not accumulated.

#include <cstddef>
#include <vector>

#include "platform/Kernel32.h"

// The control id of the size grip that the layout adds in the bottom-right corner; no
// dialog may use it for a control of its own.
constexpr int ID_SIZE_GRIP = 0xE801;

// Anchoring flags of a layout entry.
enum RESIZE_ANCHOR : DWORD
{
    RESIZE_GROW_X = 0x01,  // right edge follows the client's right edge
    RESIZE_GROW_Y = 0x02,  // bottom edge follows the client's bottom edge
    RESIZE_MOVE_X = 0x04,  // both horizontal edges follow the client's right edge
    RESIZE_MOVE_Y = 0x08,  // both vertical edges follow the client's bottom edge
    RESIZE_REPAINT = 0x10, // invalidated (with erasing) before each move
};

struct RESIZE_ENTRY
{
    int nId;
    DWORD dwAnchor;
};

class CResizeLayout
{
public:
    template <size_t N> void Init(HWND hWnd, const RESIZE_ENTRY (&entries)[N]) { Init(hWnd, entries, N); }
    void Init(HWND hWnd, const RESIZE_ENTRY* pEntries, size_t nEntries);

    // WM_SIZE with its size type and new client size.
    void OnSize(WPARAM nType, int cx, int cy);

    // WM_GETMINMAXINFO: the window cannot be made smaller than it was at Init.
    void OnGetMinMaxInfo(MINMAXINFO* pInfo) const;

private:
    struct LAYOUT_ITEM
    {
        int nId;
        DWORD dwAnchor;
        RECT rcInitial; // client coordinates at Init
    };

    void Relayout(int cx, int cy);
    RECT ClientRectOf(HWND hWndControl) const;

    HWND m_hWnd = nullptr;
    SIZE m_sizeReference = {0, 0};
    POINT m_ptMinTrack = {-1, -1};
    bool m_bGripAdded = false;
    std::vector<LAYOUT_ITEM> m_items;
};
