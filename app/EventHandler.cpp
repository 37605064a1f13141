#include "app/EventHandler.h"

#include <exception>
#include <new>

#include "payload/Errors.h"
#include "payload/Texts.h"

namespace quibel {

bool RunEventHandler(const std::function<void()>& handler, const std::function<void(const std::string&)>& showFailure) {
    std::string message;
    try {
        handler();
        return true;
    } catch (const Exception& failure) {
        message = failure.what();
    } catch (const std::bad_alloc&) {
        message = Texts::StreamOutOfMemory;
    } catch (const std::exception& failure) {
        message = failure.what();
    }
    // Shown outside the catch block: the display runs a modal loop and must not hold the exception meanwhile.
    showFailure(FailureDisplayText(message));
    return false;
}

}  // namespace quibel
