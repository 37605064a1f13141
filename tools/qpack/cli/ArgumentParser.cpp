#include "tools/qpack/cli/ArgumentParser.h"

#include <algorithm>
#include <map>

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

bool IsNumberIn(const std::string& text, std::int64_t low, std::int64_t high) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const std::int64_t value = std::stoll(text);
    return value >= low && value <= high;
}

// What the parse has seen of each option: the form first typed, for the messages.
struct Seen {
    std::string form;
    std::string value;
};

class Parser {
  public:
    Parser(const CommandSpec& command, const std::vector<std::string>& arguments)
        : command_(command), arguments_(arguments) {}

    ParsedCommand Parse() {
        ParsedCommand parsed;
        std::vector<std::string> positional;
        bool optionsEnded = false;
        for (next_ = 0; next_ < arguments_.size();) {
            const std::string& argument = arguments_[next_++];
            if (!optionsEnded && argument == "--") {
                optionsEnded = true;
            } else if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                positional.push_back(argument);
            } else if (argument == "-h" || argument == "--help") {
                parsed.help = true;
                return parsed;
            } else if (argument[1] == '-') {
                LongOption(argument, parsed.options);
            } else {
                ShortOptions(argument, parsed.options);
            }
        }
        CheckOptions();
        parsed.options.arguments = Arguments(positional);
        return parsed;
    }

  private:
    void LongOption(const std::string& argument, CommandOptions& options) {
        const std::size_t equals = argument.find('=');
        const std::string form = argument.substr(0, equals);
        const OptionSpec* option = Find([&](const OptionSpec& o) { return form == std::string("--") + o.longName; });
        if (option == nullptr) {
            throw UsageError("unknown option " + form);
        }
        if (option->valueName == nullptr) {
            if (equals != std::string::npos) {
                throw UsageError(form + ": takes no value, not " + Quoted(argument.substr(equals + 1)));
            }
            Apply(*option, form, "", options);
            return;
        }
        Apply(*option, form, equals != std::string::npos ? argument.substr(equals + 1) : Value(*option, form), options);
    }

    // -v, -vq, -j2, -j 2.
    void ShortOptions(const std::string& argument, CommandOptions& options) {
        for (std::size_t i = 1; i < argument.size(); ++i) {
            const std::string form = std::string("-") + argument[i];
            const OptionSpec* option = Find([&](const OptionSpec& o) { return o.shortName == argument[i]; });
            if (option == nullptr) {
                throw UsageError("unknown option " + form);
            }
            if (option->valueName == nullptr) {
                Apply(*option, form, "", options);
                continue;
            }
            Apply(*option, form, i + 1 < argument.size() ? argument.substr(i + 1) : Value(*option, form), options);
            return;
        }
    }

    // The next argument, whatever it looks like: "--jobs -o" gives -o to --jobs, as getopt does.
    std::string Value(const OptionSpec& option, const std::string& form) {
        if (next_ < arguments_.size()) {
            return arguments_[next_++];
        }
        const std::string expected = option.kind == ValueKind::Number ? " (" + NumberRange(option) + ")" : "";
        throw UsageError(form + ": " + option.valueName + " is missing" + expected);
    }

    void Apply(const OptionSpec& option, const std::string& form, const std::string& value, CommandOptions& options) {
        if (option.kind == ValueKind::Number && !IsNumberIn(value, option.low, option.high)) {
            throw UsageError(form + ": " + NumberRange(option) + ", not " + Quoted(value));
        }
        if (value == "-" && !DashRefusal(option.kind).empty()) {
            throw UsageError(form + ": " + DashRefusal(option.kind));
        }
        const auto [seen, first] = seen_.emplace(option.longName, Seen{form, value});
        if (!first && option.valueName != nullptr && !option.repeatable) {
            throw UsageError(form + ": given twice (" + Quoted(seen->second.value) + ", then " + Quoted(value) +
                             "); give it once");
        }
        option.set(options, value);
    }

    void CheckOptions() const {
        for (const OptionSpec& option : command_.options) {
            const auto seen = seen_.find(option.longName);
            if (option.required && seen == seen_.end()) {
                throw UsageError(Forms(option).front() + " " + option.valueName + " is missing");
            }
            if (option.contradicts != nullptr && seen != seen_.end()) {
                const auto other = seen_.find(option.contradicts);
                if (other != seen_.end()) {
                    throw UsageError(other->second.form + " and " + seen->second.form +
                                     " contradict each other; give one of them");
                }
            }
        }
    }

    // The arguments of the one usage line they fit.
    std::vector<std::string> Arguments(const std::vector<std::string>& given) const {
        for (const auto& form : command_.forms) {
            if (Fits(form, given.size())) {
                for (std::size_t i = 0; i < given.size(); ++i) {
                    const ArgumentSpec& spec = form[std::min(i, form.size() - 1)];
                    if (given[i] == "-" && !DashRefusal(spec.kind).empty()) {
                        throw UsageError(std::string(spec.name) + ": " + DashRefusal(spec.kind));
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

    static bool Fits(const std::vector<ArgumentSpec>& form, std::size_t count) {
        std::size_t least = 0;
        for (const ArgumentSpec& argument : form) {
            least += argument.optional ? 0 : 1;
        }
        const bool several = !form.empty() && form.back().several;
        return count >= least && (several || count <= form.size());
    }

    static std::string Names(const std::vector<ArgumentSpec>& form) {
        std::string names;
        for (const ArgumentSpec& argument : form) {
            names += (names.empty() ? "" : " ") + std::string(argument.name);
        }
        return names;
    }

    static std::vector<std::string> Forms(const OptionSpec& option) {
        std::vector<std::string> forms;
        if (option.shortName != 0) {
            forms.push_back(std::string("-") + option.shortName);
        }
        forms.push_back(std::string("--") + option.longName);
        return forms;
    }

    template <typename Match>
    const OptionSpec* Find(const Match& match) const {
        const auto found = std::find_if(command_.options.begin(), command_.options.end(), match);
        return found == command_.options.end() ? nullptr : &*found;
    }

    const CommandSpec& command_;
    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
    std::map<std::string, Seen> seen_;
};

}  // namespace

ParsedCommand ParseArguments(const CommandSpec& command, const std::vector<std::string>& arguments) {
    return Parser(command, arguments).Parse();
}

std::string NumberRange(const OptionSpec& option) {
    return "a number from " + std::to_string(option.low) + " to " + std::to_string(option.high);
}

}  // namespace quibel::qpack
