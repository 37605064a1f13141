#include "ui/PickerControl.h"

#include <algorithm>
#include <vector>

#include "payload/Errors.h"
#include "ui/Gdi.h"

namespace quibel {

namespace {

constexpr const char* kParentHookProperty = "QuibelPickerParentHook";
constexpr const char* kControlProperty = "QuibelPickerControl";

WNDPROC WindowProcOf(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

WNDPROC ReplaceWindowProc(HWND window, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

}  // namespace

struct PickerControl::ParentHook {
    WNDPROC previous = nullptr;
    std::vector<PickerControl*> controls;
};

PickerControl::~PickerControl() {
    UnhookControl();
    UnhookParent();
}

void PickerControl::HookParent(HWND parent) {
    parent_ = parent;
    auto* hook = static_cast<ParentHook*>(GetPropA(parent, kParentHookProperty));
    if (hook == nullptr) {
        hook = new ParentHook;
        SetPropA(parent, kParentHookProperty, hook);
        hook->previous = ReplaceWindowProc(parent, &ParentProc);
    }
    hook->controls.push_back(this);
}

void PickerControl::UnhookParent() {
    if (parent_ == nullptr) {
        return;
    }
    auto* hook = static_cast<ParentHook*>(GetPropA(parent_, kParentHookProperty));
    if (hook != nullptr) {
        std::erase(hook->controls, this);
        // Put the parent's procedure back unless someone hooked it after us; then the empty hook only passes
        // messages on until the parent is destroyed.
        if (hook->controls.empty() && WindowProcOf(parent_) == &ParentProc) {
            ReplaceWindowProc(parent_, hook->previous);
            RemovePropA(parent_, kParentHookProperty);
            delete hook;
        }
    }
    parent_ = nullptr;
}

void PickerControl::UnhookControl() {
    if (handle_ == nullptr) {
        return;
    }
    if (WindowProcOf(handle_) == &ControlProc) {
        ReplaceWindowProc(handle_, controlProc_);
    }
    RemovePropA(handle_, kControlProperty);
    handle_ = nullptr;
}

void PickerControl::CreateControl(HWND parent,
                                  int id,
                                  const char* className,
                                  DWORD style,
                                  const RECT& bounds,
                                  HFONT font) {
    id_ = id;
    // Hooked before the control exists: an owner-drawn control asks its parent for the item height while it is
    // being created.
    HookParent(parent);
    handle_ = CreateWindowExA(WS_EX_CLIENTEDGE, className, "", style | WS_CHILD | WS_VISIBLE | WS_TABSTOP, bounds.left,
                              bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (handle_ != nullptr) {
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetPropA(handle_, kControlProperty, this);
        controlProc_ = ReplaceWindowProc(handle_, &ControlProc);
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
    const WindowDC dc(handle_);
    const Selection font(dc.Get(), reinterpret_cast<HFONT>(SendMessageA(handle_, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.Get(), &metrics);
    return metrics.tmHeight;
}

bool PickerControl::OnControlMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool PickerControl::OnParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_DRAWITEM:
            if (handle_ != nullptr && reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem == handle_) {
                OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                result = TRUE;
                return true;
            }
            return false;
        case WM_MEASUREITEM:
            if (wParam == static_cast<WPARAM>(id_) &&
                static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID) == id_) {
                OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
                result = TRUE;
                return true;
            }
            return false;
        case WM_COMMAND:
            if (handle_ != nullptr && reinterpret_cast<HWND>(lParam) == handle_) {
                OnCommand(HIWORD(wParam));
                result = 0;
                return true;
            }
            return false;
        default:
            return false;
    }
}

LRESULT CALLBACK PickerControl::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* hook = static_cast<ParentHook*>(GetPropA(window, kParentHookProperty));
    if (hook == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const WNDPROC previous = hook->previous;
    if (message == WM_NCDESTROY) {
        ReplaceWindowProc(window, previous);
        RemovePropA(window, kParentHookProperty);
        for (PickerControl* control : hook->controls) {
            control->parent_ = nullptr;
        }
        delete hook;
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    for (PickerControl* control : hook->controls) {
        LRESULT result = 0;
        if (control->OnParentMessage(message, wParam, lParam, result)) {
            return result;
        }
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK PickerControl::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<PickerControl*>(GetPropA(window, kControlProperty));
    if (control == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const WNDPROC previous = control->controlProc_;
    if (message == WM_NCDESTROY) {
        control->UnhookControl();
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (control->OnControlMessage(message, wParam, lParam, result)) {
        return result;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

}  // namespace quibel
