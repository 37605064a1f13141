#pragma once
// Plumbing shared by the drive list and the directory list: both are owner-drawn system controls whose
// notifications (WM_DRAWITEM, WM_MEASUREITEM, WM_COMMAND) go to their parent. Each control hooks its parent (one
// hook per parent, shared by the controls on it) and takes only the messages that concern it, so the window that
// holds them need not forward anything. The hooks replace the window procedures themselves: the subclass helpers
// of comctl32 would make the program import a DLL outside the system's KnownDLLs. A failure raised while a
// control handles the user's action goes to the failure handler: an exception must not unwind through the
// system's window procedures.

#include <windows.h>

#include <exception>
#include <functional>

namespace quibel {

using FailureHandler = std::function<void(const std::exception&)>;

class PickerControl {
  public:
    virtual ~PickerControl();
    PickerControl(const PickerControl&) = delete;
    PickerControl& operator=(const PickerControl&) = delete;

    HWND Handle() const { return handle_; }
    int Id() const { return id_; }
    void SetFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }

  protected:
    PickerControl() = default;

    // Hooks the parent, creates the control window and hooks it too.
    void CreateControl(HWND parent, int id, const char* className, DWORD style, const RECT& bounds, HFONT font);
    // Runs a user action; a failure goes to the failure handler.
    void Guarded(const std::function<void()>& action);
    int FontHeight() const;

    virtual void OnDrawItem(const DRAWITEMSTRUCT& item) = 0;
    virtual void OnMeasureItem(MEASUREITEMSTRUCT& item) = 0;
    virtual void OnCommand(int code) = 0;
    // Messages to the control itself; true when handled, with the result.
    virtual bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  private:
    struct ParentHook;
    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool OnParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void HookParent(HWND parent);
    void UnhookParent();
    void UnhookControl();

    HWND parent_ = nullptr;
    HWND handle_ = nullptr;
    WNDPROC controlProc_ = nullptr;  // the control class's own procedure
    int id_ = 0;
    FailureHandler onFailure_;
};

}  // namespace quibel
