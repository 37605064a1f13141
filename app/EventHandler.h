#pragma once
// How the window runs the controller's handlers: a failure that leaves a handler abandons the rest of it and goes
// to the failure display; the window stays open and goes on taking events.

#include <functional>
#include <string>

namespace quibel {

// Runs the handler; on a failure, calls showFailure with the failure display's text (see FailureDisplayText).
// Returns whether the handler ran to its end.
bool RunEventHandler(const std::function<void()>& handler, const std::function<void(const std::string&)>& showFailure);

}  // namespace quibel
