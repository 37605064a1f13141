#pragma once
// The speech engine's settings file templates: one line each, "%rep" standing for the speech-engine directory.
// Section names, keys, voice names and data file names are the engine's own and are kept letter for letter.

#include <cstdint>
#include <string>
#include <vector>

namespace quibel {

using SpeechTemplate = std::vector<std::string>;

// The two-voice template (used with spengFR.maj), 18 lines, and the fourteen-voice one (spengTTL.maj), 54 lines,
// both as the program carries them, placeholder not yet filled in.
SpeechTemplate TwoVoiceSpeechTemplate();
SpeechTemplate FourteenVoiceSpeechTemplate();

// The line with every "%rep" (letters in any case) replaced by directory. Occurrences are found left to right in
// the line as it was, so a directory that itself contains the placeholder is inserted as it stands.
std::string FillInPlaceholder(const std::string& line, const std::string& directory);
// FillInPlaceholder on every line, in place.
void FillInSpeechTemplate(SpeechTemplate& lines, const std::string& directory);

// The settings file's bytes: each line followed by CR LF, the last one included; the 8-bit text as it stands.
std::vector<std::uint8_t> SettingsFileContent(const SpeechTemplate& lines);

}  // namespace quibel
