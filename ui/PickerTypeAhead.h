#pragma once
// Typing in the directory list: letters typed less than 500 ms apart form one prefix, a longer pause starts a
// new one, Backspace removes the last letter; the highlight goes to the first entry that begins with the prefix.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quibel {

class TypeAhead {
  public:
    static constexpr std::uint32_t kPauseMs = 500;
    static constexpr char kBackspace = '\b';

    // The prefix after one more key, typed at nowMs (a tick count that may wrap around).
    const std::string& Key(char key, std::uint32_t nowMs);

  private:
    std::string prefix_;
    std::uint32_t lastKeyMs_ = 0;
};

// The first text that begins with the prefix when both are folded to one case by fold (the picker's own case
// rules); -1 when none does or the prefix is empty.
using CaseFold = std::function<std::string(std::string)>;
int FindByPrefix(const std::vector<std::string>& texts, const std::string& prefix, const CaseFold& fold);

}  // namespace quibel
