#pragma once
// The completion message: a modal dialog of its own, laid out in dialog units of the system's message font, with
// one "OK" button that is both the default and the cancel button. Ctrl+C copies the whole box as text.

#include <windows.h>

#include <string>
#include <vector>

namespace quibel {

// Shows the dialog centred on the screen and returns once it is closed. The program's other windows are disabled
// meanwhile; afterwards the window that was active is activated again.
void ShowCompletionMessage(HINSTANCE instance, const std::string& caption, const std::string& text);

// What Ctrl+C puts on the clipboard: caption, text and the button captions (each followed by three spaces),
// between lines of 27 "-", every line ended by CR LF.
std::string MessageClipboardText(const std::string& caption,
                                 const std::string& text,
                                 const std::vector<std::string>& buttons);

}  // namespace quibel
