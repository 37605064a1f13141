#pragma once
// A failure of the host's file system in the type and text the installer gives it (what its failure display would
// show), carrying beside it the host system's own words for the cause ("No space left on device"): qpack shows
// both, the system's reason first. The installer's file system throws the plain types.

#include <string>
#include <utility>

namespace quibel {

class SystemReason {
  public:
    explicit SystemReason(std::string text) : text_(std::move(text)) {}
    virtual ~SystemReason() = default;

    // In the host's encoding.
    const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

// Failure (an Exception type of payload/Errors.h) with the system's reason; caught as Failure.
template <typename Failure>
class WithSystemReason final : public Failure, public SystemReason {
  public:
    template <typename... Arguments>
    explicit WithSystemReason(std::string reason, Arguments&&... arguments)
        : Failure(std::forward<Arguments>(arguments)...), SystemReason(std::move(reason)) {}
};

}  // namespace quibel
