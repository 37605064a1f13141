#pragma once
// What the window robot does to the installer, which runs in a process of its own: find its windows, read their
// texts and places, press keys as the user would, look at the screen.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quibel::robot {

// A failed check is printed and counted; the robot's exit code is the count.
bool Check(bool condition, const std::string& what);
int Failures();

// Waits until the condition holds, polling every 20 ms; false after the timeout.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// A visible top-level window of the class (and caption, when given) in any process.
HWND FindTopLevel(const char* className, const std::string& caption = std::string());
HWND ChildById(HWND parent, int id);

// A window's text as Windows-1252, read through the message so that edit controls of other processes answer.
std::string Text(HWND window);
std::string ClassName(HWND window);
// Items of another process's list box (texts come back as UTF-16 across processes).
std::vector<std::string> ListItems(HWND listBox);

// A child's rectangle in its parent's client coordinates, and a window's client rectangle on the screen.
RECT PlaceInParent(HWND child);
RECT ClientOnScreen(HWND window);

HWND FocusOf(HWND window);  // the focus window of the thread that owns the window
// Makes the window the foreground window (the one that takes the keys) and waits until it is.
bool BringToFront(HWND window);

// Key presses through the system's input queue, as a keyboard would give them (they go to the foreground window).
void PressKey(WORD key, bool shift = false, bool control = false);

// The size of a one-line text in a font made like the window's (character height in pixels).
SIZE TextSize(const char* face, int height, bool bold, BYTE charSet, const std::string& text);

// A picture of the screen, kept in memory for pixel checks and written as a bitmap file.
class ScreenShot {
  public:
    ScreenShot();
    COLORREF Pixel(int x, int y) const;
    bool Save(const std::string& path) const;
    bool Save(const std::string& path, RECT area) const;  // only the area (screen coordinates) of the picture
    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    int width_;
    int height_;
    std::vector<unsigned char> bits_;  // bottom-up rows of BGR, 4-byte aligned
};

}  // namespace quibel::robot
