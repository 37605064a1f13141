#include "ui/PickerTypeAhead.h"

namespace quibel {

const std::string& TypeAhead::Key(char key, std::uint32_t nowMs) {
    if (nowMs - lastKeyMs_ >= kPauseMs) {
        prefix_.clear();
    }
    lastKeyMs_ = nowMs;
    if (key == kBackspace) {
        if (!prefix_.empty()) {
            prefix_.pop_back();
        }
    } else {
        prefix_ += key;
    }
    return prefix_;
}

int FindByPrefix(const std::vector<std::string>& texts, const std::string& prefix, const CaseFold& fold) {
    if (prefix.empty()) {
        return -1;
    }
    const std::string folded = fold(prefix);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].size() >= prefix.size() && fold(texts[i].substr(0, prefix.size())) == folded) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace quibel
