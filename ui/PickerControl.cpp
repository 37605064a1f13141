#include "ui/PickerControl.h"

#include <commctrl.h>

#include "payload/Errors.h"

namespace quibel {

namespace {

// The subclass ids of the parent and the control hook; one control can hook a parent only once.
UINT_PTR HookId(const PickerControl* control) {
    return reinterpret_cast<UINT_PTR>(control);
}

}  // namespace

PickerControl::~PickerControl() {
    Unhook();
}

void PickerControl::Unhook() {
    if (parent_ != nullptr) {
        RemoveWindowSubclass(parent_, &ParentProc, HookId(this));
        parent_ = nullptr;
    }
    if (handle_ != nullptr) {
        RemoveWindowSubclass(handle_, &ControlProc, HookId(this));
        handle_ = nullptr;
    }
}

void PickerControl::CreateControl(HWND parent,
                                  int id,
                                  const char* className,
                                  DWORD style,
                                  const RECT& bounds,
                                  HFONT font) {
    parent_ = parent;
    id_ = id;
    // Hooked before the control exists: an owner-drawn control asks its parent for the item height while it is
    // being created.
    SetWindowSubclass(parent_, &ParentProc, HookId(this), reinterpret_cast<DWORD_PTR>(this));
    handle_ = CreateWindowExA(WS_EX_CLIENTEDGE, className, "", style | WS_CHILD | WS_VISIBLE | WS_TABSTOP, bounds.left,
                              bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (handle_ != nullptr) {
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowSubclass(handle_, &ControlProc, HookId(this), reinterpret_cast<DWORD_PTR>(this));
    }
}

void PickerControl::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& failure) {
        if (onFailure_) {
            onFailure_(failure);
        } else {
            MessageBoxA(GetAncestor(parent_, GA_ROOT), FailureDisplayText(failure.what()).c_str(), nullptr,
                        MB_OK | MB_ICONSTOP);
        }
    }
}

int PickerControl::FontHeight() const {
    HDC dc = GetDC(handle_);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(handle_, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(handle_, dc);
    return metrics.tmHeight;
}

bool PickerControl::OnControlMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CALLBACK
PickerControl::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* control = reinterpret_cast<PickerControl*>(self);
    switch (message) {
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->hwndItem == control->handle_ && control->handle_ != nullptr) {
                control->OnDrawItem(*item);
                return TRUE;
            }
            break;
        }
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (static_cast<int>(item->CtlID) == control->id_ && wParam == static_cast<WPARAM>(control->id_)) {
                control->OnMeasureItem(*item);
                return TRUE;
            }
            break;
        }
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(lParam) == control->handle_ && control->handle_ != nullptr) {
                control->OnCommand(HIWORD(wParam));
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, &ParentProc, HookId(control));
            control->parent_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK
PickerControl::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* control = reinterpret_cast<PickerControl*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &ControlProc, HookId(control));
        control->handle_ = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (control->OnControlMessage(message, wParam, lParam, result)) {
        return result;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace quibel
