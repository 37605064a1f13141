#include "tools/qpack/cli/HelpText.h"

#include <algorithm>
#include <sstream>

namespace quibel::qpack {

namespace {

constexpr std::size_t kWidth = 79;
constexpr std::size_t kWidestTerm = 24;  // a longer option's description starts on the line below

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// text wrapped into lines of at most width columns: the first from firstColumn, where the caller has put the
// cursor, the others after indent spaces. No line below the first starts with "-" (help2man and the bash
// completion would take it for an option's line) unless a single word fills it.
std::string Wrapped(const std::string& text, std::size_t indent, std::size_t firstColumn, std::size_t width) {
    const std::vector<std::string> words = Words(text);
    std::vector<std::vector<std::string>> lines(1);
    std::size_t length = firstColumn;
    for (const std::string& word : words) {
        if (!lines.back().empty() && length + 1 + word.size() > width) {
            lines.emplace_back();
            // A word that starts with "-" takes the one before it down along.
            if (word[0] == '-' && lines[lines.size() - 2].size() > 1) {
                lines.back().push_back(lines[lines.size() - 2].back());
                lines[lines.size() - 2].pop_back();
            }
            length = indent + (lines.back().empty() ? 0 : lines.back().front().size());
        }
        length += (lines.back().empty() ? 0 : 1) + word.size();
        lines.back().push_back(word);
    }
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += std::string(i == 0 ? 0 : indent, ' ');
        for (std::size_t w = 0; w < lines[i].size(); ++w) {
            out += (w == 0 ? "" : " ") + lines[i][w];
        }
        out += "\n";
    }
    return out;
}

std::string Forms(const OptionEntry& option) {
    std::string forms = option.shortName != 0 ? std::string("-") + option.shortName + ", " : "";
    forms += std::string("--") + option.longName;
    return option.valueName != nullptr ? forms + " " + option.valueName : forms;
}

// Terms and their descriptions in two columns, the second where the widest term (up to kWidestTerm) ends.
std::string Columns(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::size_t widest = 0;
    for (const auto& [term, description] : rows) {
        widest = std::max(widest, term.size() <= kWidestTerm ? term.size() : 0);
    }
    const std::size_t column = 2 + widest + 2;
    std::string text;
    for (const auto& [term, description] : rows) {
        text += "  " + term;
        if (term.size() > widest) {
            text += "\n" + std::string(column, ' ') + Wrapped(description, column, column, kWidth);
        } else {
            text += std::string(column - 2 - term.size(), ' ') + Wrapped(description, column, column, kWidth);
        }
    }
    return text;
}

std::string Paragraphs(const std::string& text) {
    std::string wrapped;
    std::istringstream in(text);
    for (std::string paragraph; std::getline(in, paragraph);) {
        wrapped += (wrapped.empty() ? "" : "\n") + Wrapped(paragraph, 0, 0, kWidth);
    }
    return wrapped;
}

}  // namespace

std::string CommandUsage(const CommandEntry& command) {
    std::string usage;
    for (const auto& form : command.forms) {
        std::string line = std::string("qpack ") + command.name;
        if (command.options.size() > 0) {
            line += " [OPTIONS]";
        }
        for (const ArgumentEntry& argument : form) {
            const std::string name = std::string(argument.name) + (argument.several ? "..." : "");
            line += " " + (argument.optional ? "[" + name + "]" : name);
        }
        for (const OptionEntry& option : command.options) {
            if (option.required) {
                line += std::string(" -") + option.shortName + " " + option.valueName;
            }
        }
        usage += (usage.empty() ? "usage: " : "       ") + line + "\n";
    }
    return usage;
}

std::string CommandHelp(const CommandEntry& command) {
    std::string help = CommandUsage(command) + "\n" + Paragraphs(command.description);
    std::vector<std::pair<std::string, std::string>> arguments;
    for (const auto& form : command.forms) {
        for (const ArgumentEntry& argument : form) {
            const bool listed = std::any_of(arguments.begin(), arguments.end(),
                                            [&](const auto& row) { return row.first == argument.name; });
            if (!listed) {
                arguments.emplace_back(argument.name, argument.help);
            }
        }
    }
    if (!arguments.empty()) {
        help += "\nArguments:\n" + Columns(arguments);
    }
    std::vector<std::pair<std::string, std::string>> options;
    for (const OptionEntry& option : command.options) {
        options.emplace_back(Forms(option), option.help);
    }
    options.emplace_back("-h, --help", "this help");
    return help + "\nOptions:\n" + Columns(options);
}

std::string ToolUsage() {
    return "usage: qpack COMMAND [OPTIONS] [ARGUMENTS]\n"
           "       qpack help [COMMAND]\n";
}

std::string ToolHelp(const std::vector<CommandEntry>& commands) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const CommandEntry& command : commands) {
        rows.emplace_back(command.name, command.summary);
    }
    return ToolUsage() + "\n" +
           Paragraphs(
               "qpack makes the Quibel installer and the speech engine's archive from directory trees, "
               "and lists, verifies and extracts them. Each command has its options after its name; "
               "qpack help COMMAND describes one.") +
           "\nCommands:\n" + Columns(rows) + "\nOptions:\n" +
           Columns({{"-h, --help", "this help (qpack help)"}, {"-V, --version", "qpack's version (qpack version)"}});
}

}  // namespace quibel::qpack
