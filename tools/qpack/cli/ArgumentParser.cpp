#include "tools/qpack/cli/ArgumentParser.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <deque>

#include "tools/qpack/cli/NearestName.h"

namespace quibel::qpack {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Why "-" cannot stand for what a value names; each host path is a file's name, never a standard stream.
std::string DashRefusal(ValueKind kind) {
    const char* why = "";
    switch (kind) {
        case ValueKind::Directory:
            why = "\"-\" would be standard input, and qpack packs a directory; ./- names one called -";
            break;
        case ValueKind::Input:
            why =
                "\"-\" would be standard input, and qpack reads a file at offsets, from disk only; ./- names "
                "a file called -";
            break;
        case ValueKind::Output:
            why =
                "\"-\" would be standard output, where nothing appears whole or not at all as qpack's outputs "
                "do; ./- names a file called -";
            break;
        case ValueKind::OutputDirectory:
            why = "\"-\" would be standard output, and qpack extracts into a directory; ./- names one called -";
            break;
        default:
            return "";
    }
    return why;
}

// What stands for an empty value written with "=" while CLI11 reads the words: given "--opt=", CLI11 would take
// the next word as the value. No argument can hold a NUL.
const std::string kEmptyValue(1, '\0');

// Kinds whose value names something: an empty one names nothing.
bool NamesSomething(ValueKind kind) {
    return kind != ValueKind::Text && kind != ValueKind::Number && kind != ValueKind::Flag;
}

bool IsNumberIn(const std::string& text, std::int64_t low, std::int64_t high) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const std::int64_t value = std::stoll(text);
    return value >= low && value <= high;
}

// Where an option stands on the command line: the form typed first (for the messages) and its values in order.
struct Given {
    std::string form;
    std::vector<std::string> values;  // a flag: one "" per use
};

// CLI11 reads the command line: the forms -j 2, -j2, --jobs 2, --jobs=2, flags bundled as -vq, "--" ending the
// options. Every value reaches qpack as text and every check is qpack's own, so that each problem is said in
// qpack's words; options CLI11 does not know are left over and named here.
class Parser {
  public:
    Parser(const CommandEntry& command, const std::vector<std::string>& arguments)
        : command_(command), arguments_(arguments), given_(command.options.size()) {}

    ParsedCommand Parse() {
        ParsedCommand parsed;
        RefuseFlagValues();
        RefuseMissingLastValue();
        CLI::App app;
        app.allow_windows_style_options(false);  // a path given as /dir is an argument
        app.set_help_flag();
        app.allow_extras(true);
        bool help = false;
        app.add_flag("-h,--help", help);
        for (std::size_t i = 0; i < command_.options.size(); ++i) {
            const OptionEntry& option = command_.options[i];
            if (option.valueName == nullptr) {
                app.add_flag(Names(option), flagUses_.emplace_back(0));
            } else {
                app.add_option(Names(option), given_[i].values)
                    ->expected(1)
                    ->allow_extra_args(false)  // each use takes one value, never the argument after it
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
            }
        }
        std::vector<std::string> positional;
        app.add_option("arguments", positional);
        std::vector<std::string> reversed = ExactWords();
        std::reverse(reversed.begin(), reversed.end());  // CLI11 takes them last first
        try {
            app.parse(reversed);
        } catch (const CLI::ParseError&) {
            throw UsageError("the command line cannot be read; qpack help " + std::string(command_.name) +
                             " shows its forms");
        }
        if (help) {
            parsed.help = true;
            return parsed;
        }
        for (const std::string& extra : app.remaining()) {
            if (extra != "--") {
                throw UsageError(UnknownOption(extra.substr(0, extra.find('='))));
            }
        }
        ApplyOptions(parsed.options);
        CheckOptions();
        parsed.options.arguments = Arguments(positional);
        return parsed;
    }

  private:
    // The arguments before "--": those that may be options.
    std::vector<std::string> OptionWords() const {
        const auto end = std::find(arguments_.begin(), arguments_.end(), "--");
        return {arguments_.begin(), end};
    }

    // The words as CLI11 is to read them: "--opt=" with its empty value marked, so that the value is never taken
    // from the word after it.
    std::vector<std::string> ExactWords() const {
        std::vector<std::string> words = arguments_;
        const std::size_t options = OptionWords().size();
        for (std::size_t i = 0; i < options; ++i) {
            const std::string& word = words[i];
            if (word.size() > 3 && word.rfind("--", 0) == 0 && word.back() == '=' &&
                word.find('=') == word.size() - 1) {
                words[i] += kEmptyValue;
            }
        }
        return words;
    }

    std::string UnknownOption(const std::string& typed) const {
        std::vector<std::string> known;
        for (const OptionEntry& option : command_.options) {
            known.push_back(std::string("--") + option.longName);
        }
        known.push_back("--help");
        const auto nearest = typed.rfind("--", 0) == 0 ? NearestName(typed, known) : std::nullopt;
        return "unknown option " + typed + (nearest ? "; did you mean " + *nearest + "?" : "");
    }

    void RefuseFlagValues() const {
        for (const std::string& word : OptionWords()) {
            const std::size_t equals = word.find('=');
            const OptionEntry* option = word.rfind("--", 0) == 0 && equals != std::string::npos
                                            ? FindLong(word.substr(2, equals - 2))
                                            : nullptr;
            if (option != nullptr && option->valueName == nullptr) {
                throw UsageError(word.substr(0, equals) + ": takes no value, not " + Quoted(word.substr(equals + 1)));
            }
        }
    }

    // An option that wants a value as the last word: "-j" alone, or a bundle ending in it ("-vj").
    void RefuseMissingLastValue() const {
        const std::vector<std::string> words = OptionWords();
        if (words.empty() || words.size() < arguments_.size() || words.back().size() < 2 || words.back()[0] != '-') {
            return;
        }
        const std::string& last = words.back();
        const OptionEntry* option = nullptr;
        std::string form = last;
        if (last[1] == '-') {
            option = last.find('=') == std::string::npos ? FindLong(last.substr(2)) : nullptr;
        } else {
            for (std::size_t i = 1; i < last.size(); ++i) {
                option = FindShort(last[i]);
                if (option == nullptr || option->valueName != nullptr) {
                    form = std::string("-") + last[i];
                    option = i + 1 == last.size() ? option : nullptr;
                    break;
                }
            }
        }
        if (option != nullptr && option->valueName != nullptr) {
            const std::string expected = option->kind == ValueKind::Number ? " (" + NumberRange(*option) + ")" : "";
            throw UsageError(form + ": " + option->valueName + " is missing" + expected);
        }
    }

    void ApplyOptions(CommandOptions& options) {
        for (std::size_t i = 0; i < command_.options.size(); ++i) {
            const OptionEntry& option = command_.options[i];
            Given& given = given_[i];
            if (option.valueName == nullptr) {
                given.values.assign(static_cast<std::size_t>(flagUses_[FlagIndex(i)]), "");
            }
            if (given.values.empty()) {
                continue;
            }
            given.form = TypedForm(option);
            std::replace(given.values.begin(), given.values.end(), kEmptyValue, std::string());
            if (option.valueName != nullptr && !option.repeatable && given.values.size() > 1) {
                throw UsageError(given.form + ": given twice (" + Quoted(given.values[0]) + ", then " +
                                 Quoted(given.values[1]) + "); give it once");
            }
            for (const std::string& value : given.values) {
                if (value.empty() && NamesSomething(option.kind)) {
                    throw UsageError(given.form + ": " + option.valueName + " is empty");
                }
                if (option.kind == ValueKind::Number && !IsNumberIn(value, option.low, option.high)) {
                    throw UsageError(given.form + ": " + NumberRange(option) + ", not " + Quoted(value));
                }
                if (value == "-" && !DashRefusal(option.kind).empty()) {
                    throw UsageError(given.form + ": " + DashRefusal(option.kind));
                }
                option.set(options, value);
            }
        }
    }

    void CheckOptions() const {
        for (std::size_t i = 0; i < command_.options.size(); ++i) {
            const OptionEntry& option = command_.options[i];
            const bool seen = !given_[i].values.empty();
            if (option.required && !seen) {
                throw UsageError(Forms(option).front() + " " + option.valueName + " is missing");
            }
            if (option.contradicts == nullptr || !seen) {
                continue;
            }
            for (std::size_t j = 0; j < command_.options.size(); ++j) {
                if (command_.options[j].longName == std::string(option.contradicts) && !given_[j].values.empty()) {
                    throw UsageError(given_[j].form + " and " + given_[i].form +
                                     " contradict each other; give one of them");
                }
            }
        }
    }

    // The form of the option as the command line first has it: "-j" for -j2 or -vj 2, "--jobs" for --jobs=2.
    std::string TypedForm(const OptionEntry& option) const {
        for (const std::string& word : OptionWords()) {
            if (word == std::string("--") + option.longName ||
                word.rfind(std::string("--") + option.longName + "=", 0) == 0) {
                return std::string("--") + option.longName;
            }
            if (option.shortName != 0 && word.size() >= 2 && word[0] == '-' && word[1] != '-') {
                for (std::size_t i = 1; i < word.size(); ++i) {
                    const OptionEntry* bundled = FindShort(word[i]);
                    if (bundled == &option) {
                        return std::string("-") + option.shortName;
                    }
                    if (bundled == nullptr || bundled->valueName != nullptr) {
                        break;  // the rest of the word is that option's value
                    }
                }
            }
        }
        return Forms(option).back();
    }

    std::size_t FlagIndex(std::size_t option) const {
        std::size_t flags = 0;
        for (std::size_t i = 0; i < option; ++i) {
            flags += command_.options[i].valueName == nullptr ? 1 : 0;
        }
        return flags;
    }

    // The arguments of the one usage line they fit.
    std::vector<std::string> Arguments(const std::vector<std::string>& given) const {
        for (const auto& form : command_.forms) {
            if (Fits(form, given.size())) {
                for (std::size_t i = 0; i < given.size(); ++i) {
                    const ArgumentEntry& entry = form[std::min(i, form.size() - 1)];
                    if (given[i].empty() && NamesSomething(entry.kind)) {
                        throw UsageError(std::string(entry.name) + " is empty");
                    }
                    if (given[i] == "-" && !DashRefusal(entry.kind).empty()) {
                        throw UsageError(std::string(entry.name) + ": " + DashRefusal(entry.kind));
                    }
                }
                return given;
            }
        }
        if (command_.forms.size() > 1) {
            std::string takes;
            for (const auto& form : command_.forms) {
                takes += (takes.empty() ? "" : " or ") + Names(form);
            }
            throw UsageError(std::string(command_.name) + " takes " + takes + ", not " + std::to_string(given.size()) +
                             (given.size() == 1 ? " argument" : " arguments"));
        }
        const auto& form = command_.forms.front();
        if (given.size() < form.size()) {
            throw UsageError(std::string(form[given.size()].name) + " is missing");
        }
        const std::string takes = form.empty() ? "no argument" : Names(form);
        throw UsageError("unexpected argument " + Quoted(given[form.size()]) + " (qpack " + command_.name + " takes " +
                         takes + ")");
    }

    static bool Fits(const std::vector<ArgumentEntry>& form, std::size_t count) {
        std::size_t least = 0;
        for (const ArgumentEntry& argument : form) {
            least += argument.optional ? 0 : 1;
        }
        const bool several = !form.empty() && form.back().several;
        return count >= least && (several || count <= form.size());
    }

    static std::string Names(const std::vector<ArgumentEntry>& form) {
        std::string names;
        for (const ArgumentEntry& argument : form) {
            names += (names.empty() ? "" : " ") + std::string(argument.name);
        }
        return names;
    }

    static std::vector<std::string> Forms(const OptionEntry& option) {
        std::vector<std::string> forms;
        if (option.shortName != 0) {
            forms.push_back(std::string("-") + option.shortName);
        }
        forms.push_back(std::string("--") + option.longName);
        return forms;
    }

    static std::string Names(const OptionEntry& option) {
        std::string names;
        for (const std::string& form : Forms(option)) {
            names += (names.empty() ? "" : ",") + form;
        }
        return names;
    }

    const OptionEntry* FindLong(const std::string& name) const {
        const auto found = std::find_if(command_.options.begin(), command_.options.end(),
                                        [&](const OptionEntry& o) { return name == o.longName; });
        return found == command_.options.end() ? nullptr : &*found;
    }

    const OptionEntry* FindShort(char name) const {
        const auto found = std::find_if(command_.options.begin(), command_.options.end(),
                                        [&](const OptionEntry& o) { return o.shortName != 0 && o.shortName == name; });
        return found == command_.options.end() ? nullptr : &*found;
    }

    const CommandEntry& command_;
    const std::vector<std::string>& arguments_;
    std::vector<Given> given_;  // by the option's place in the command's entry
    std::deque<int> flagUses_;  // CLI11 counts each flag's uses here, in the table's order of flags
};

}  // namespace

ParsedCommand ParseArguments(const CommandEntry& command, const std::vector<std::string>& arguments) {
    return Parser(command, arguments).Parse();
}

std::string NumberRange(const OptionEntry& option) {
    return "a number from " + std::to_string(option.low) + " to " + std::to_string(option.high);
}

}  // namespace quibel::qpack
