#include "tests/ui/RobotSupport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace quibel::robot {

namespace {

int failures = 0;

std::string FromWide(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr, nullptr);
    return result;
}

struct Search {
    const char* className;
    std::string caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    if (IsWindowVisible(window) && ClassName(window) == search.className &&
        (search.caption.empty() || Text(window) == search.caption)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool Check(bool condition, const std::string& what) {
    if (!condition) {
        ++failures;
        std::printf("FAILED: %s\n", what.c_str());
    } else {
        std::printf("ok: %s\n", what.c_str());
    }
    std::fflush(stdout);
    return condition;
}

int Failures() {
    return failures;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        if (condition()) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

HWND FindTopLevel(const char* className, const std::string& caption) {
    Search search{className, caption};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ChildById(HWND parent, int id) {
    return parent != nullptr ? GetDlgItem(parent, id) : nullptr;
}

std::string Text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(copied);
    return FromWide(text);
}

std::string ClassName(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<std::string> ListItems(HWND listBox) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, i, 0);
        std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const LRESULT copied = SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
        items.push_back(FromWide(text));
    }
    return items;
}

RECT PlaceInParent(HWND child) {
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

RECT ClientOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

bool BringToFront(HWND window) {
    SetForegroundWindow(window);
    return WaitFor([window] { return GetForegroundWindow() == window; }, 3000);
}

void PressKey(WORD key, bool shift, bool control) {
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD virtualKey, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (control) {
        add(VK_CONTROL, false);
    }
    if (shift) {
        add(VK_SHIFT, false);
    }
    add(key, false);
    add(key, true);
    if (shift) {
        add(VK_SHIFT, true);
    }
    if (control) {
        add(VK_CONTROL, true);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

SIZE TextSize(const char* face, int height, bool bold, BYTE charSet, const std::string& text) {
    const HFONT font =
        CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, charSet, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(screen, font);
    SIZE size{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return size;
}

ScreenShot::ScreenShot()
    : width_(GetSystemMetrics(SM_CXSCREEN)),
      height_(GetSystemMetrics(SM_CYSCREEN)),
      bits_(static_cast<std::size_t>(((width_ * 3 + 3) & ~3) * height_)) {
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* pixels = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const unsigned char*>(pixels);
    bits_.assign(source, source + bits_.size());
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

COLORREF ScreenShot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return CLR_INVALID;
    }
    const std::size_t stride = static_cast<std::size_t>((width_ * 3 + 3) & ~3);
    const unsigned char* p =
        &bits_[static_cast<std::size_t>(height_ - 1 - y) * stride + static_cast<std::size_t>(x) * 3];
    return RGB(p[2], p[1], p[0]);
}

bool ScreenShot::Save(const std::string& path) const {
    return Save(path, RECT{0, 0, width_, height_});
}

bool ScreenShot::Save(const std::string& path, RECT area) const {
    area.left = std::clamp<LONG>(area.left, 0, width_);
    area.right = std::clamp<LONG>(area.right, area.left, width_);
    area.top = std::clamp<LONG>(area.top, 0, height_);
    area.bottom = std::clamp<LONG>(area.bottom, area.top, height_);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const std::size_t stride = static_cast<std::size_t>((width_ * 3 + 3) & ~3);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const std::size_t areaStride = (rowBytes + 3) & ~std::size_t{3};
    std::vector<unsigned char> bits(areaStride * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {  // both bottom-up: the area's last row comes first
        const unsigned char* row = &bits_[static_cast<std::size_t>(height_ - area.bottom + y) * stride +
                                          static_cast<std::size_t>(area.left) * 3];
        std::copy(row, row + rowBytes, &bits[static_cast<std::size_t>(y) * areaStride]);
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(bits.size());
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + info.biSizeImage;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&header), sizeof header);
    file.write(reinterpret_cast<const char*>(&info), sizeof info);
    file.write(reinterpret_cast<const char*>(bits.data()), static_cast<std::streamsize>(bits.size()));
    return static_cast<bool>(file);
}

}  // namespace quibel::robot
