#include "ui/Panel.h"

#include "ui/ControlIds.h"

namespace quibel {

namespace {

void PaintBevel(HWND panel) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(panel, &paint);
    RECT client;
    GetClientRect(panel, &client);
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
    EndPaint(panel, &paint);
}

LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsChildNotification(message)) {
        return SendMessageA(GetParent(panel), message, wParam, lParam);
    }
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(panel, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, PanelBrush(panel));
            return 1;
        }
        case WM_PAINT:
            PaintBevel(panel);
            return 0;
        case WM_SIZE:
            // The bevel follows the edges.
            InvalidateRect(panel, nullptr, TRUE);
            break;
    }
    return DefWindowProcA(panel, message, wParam, lParam);
}

}  // namespace

void RegisterPanelClass(HINSTANCE instance) {
    WNDCLASSA panelClass{};
    panelClass.lpfnWndProc = PanelProcedure;
    panelClass.hInstance = instance;
    panelClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panelClass.lpszClassName = PanelClassName;
    RegisterClassA(&panelClass);
}

HWND CreatePanel(HINSTANCE instance, HWND parent, int id, const RECT& bounds, HBRUSH background, bool visible) {
    const HWND panel = CreateWindowExA(WS_EX_CONTROLPARENT, PanelClassName, "",
                                       WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0),
                                       bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                       parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SetWindowLongPtrA(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(background));
    return panel;
}

bool IsChildNotification(UINT message) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_COMPAREITEM:
        case WM_DELETEITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return true;
        default:
            return false;
    }
}

HBRUSH PanelBrush(HWND panel) {
    return reinterpret_cast<HBRUSH>(GetWindowLongPtrA(panel, GWLP_USERDATA));
}

}  // namespace quibel
