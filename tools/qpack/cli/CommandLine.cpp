#include "tools/qpack/cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/StandardOutput.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

// One command: its parser and what runs once the parse has filled the options.
struct CommandParser {
    std::string name;
    std::string summary;
    std::string usage;
    std::unique_ptr<CLI::App> app;
    std::function<int()> run;
};

// Help shows the command's own usage line instead of CLI11's generic one.
class UsageFormatter : public CLI::Formatter {
  public:
    explicit UsageFormatter(std::string usage) : usage_(std::move(usage)) {}
    std::string make_usage(const CLI::App*, std::string) const override { return "usage: " + usage_ + "\n"; }

  private:
    std::string usage_;
};

CommandParser NewParser(const char* name, const char* summary, const char* usage, const char* details) {
    CommandParser parser{name, summary, usage, std::make_unique<CLI::App>(summary, std::string("qpack ") + name),
                         nullptr};
    // Options are -x and --xx everywhere: a path that starts with / (a Unix path given to qpack.exe under Wine, a
    // drive-relative one) is an argument, not a Windows-style option.
    parser.app->allow_windows_style_options(false);
    parser.app->formatter(std::make_shared<UsageFormatter>(usage));
    parser.app->footer(details);
    return parser;
}

CLI::Option* AddOffset(CLI::App& app, std::optional<std::int32_t>& from) {
    return app
        .add_option_function<std::int32_t>(
            "--from", [&from](const std::int32_t& value) { from = value; },
            "scan for the marker from OFFSET (default: 400000 for FILE.exe, 0 for FILE.maj; see help)")
        ->type_name("OFFSET")
        ->check(CLI::Range(0, 0x7FFFFFFF));
}

void AddInspectOptions(CLI::App& app, InspectOptions& options, const char* quietMeaning) {
    app.add_option("FILE", options.file, "a package or an installer")->type_name("")->required();
    AddOffset(app, options.from);
    app.add_flag("-q,--quiet", options.quiet, quietMeaning);
}

void AddPackOptions(CLI::App& app, PackOptions& options, bool installer) {
    if (installer) {
        app.add_option("--stub", options.stub,
                       "the installer program, a PE executable (default: <prefix>/share/qpack/quibel-setup-stub.exe "
                       "for qpack in <prefix>/bin, the one installed with it)")
            ->type_name("STUB.exe");
    }
    app.add_option("DIR", options.directory, "the product tree")->type_name("")->required();
    app.add_option("-o,--output", options.output, "the file to write (written whole or not at all)")
        ->type_name(installer ? "SETUP.exe" : "FILE")
        ->required();
    app.add_option("--banner", options.bannerLines, "a banner line; repeat for more lines")
        ->type_name("TEXT")
        ->expected(1)
        ->allow_extra_args(false)  // each --banner takes one line, never the DIR after it
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("-j,--jobs", options.jobs, "compress on N threads (default: all cores); the output is the same")
        ->type_name("N")
        ->check(CLI::Range(1, 256));
    app.add_flag("--best", options.best, "the smallest output, at several times the time");
    app.add_flag("--follow-links", options.followLinks,
                 "pack what symbolic links name (as tar -h does; loops are refused) instead of refusing them");
    app.add_flag("-q,--quiet", options.quiet, "no progress nor summary; warnings and errors only");
    app.add_flag("-v,--verbose", options.verbose, "one line per file: its size, stored size and ratio");
}

struct AllOptions {
    PackOptions pack;
    InspectOptions inspect;
    ExtractOptions extract;
    DecodeOptions decode;
};

std::vector<CommandParser> MakeParsers(AllOptions& all) {
    std::vector<CommandParser> parsers;

    CommandParser pack = NewParser(
        "pack", "write a directory tree as a package (side archive)", "qpack pack [OPTIONS] DIR -o FILE",
        "Writes the tree under DIR as a package whose marker stands at offset 0 (a side archive).\n"
        "Directories come in pre-order, each followed by its files; names are stored in Windows-1252 and sorted\n"
        "by their upper-case form, so the same tree always gives the same bytes. The tree ends with one closing\n"
        "tag per directory, then a digest record (the SHA-256 of every byte before it) that verify checks.\n"
        "The whole tree is checked first: names Windows cannot hold, names that differ only in letter case,\n"
        "symbolic links (unless --follow-links), files of 2 GiB or more and unreadable files are all reported,\n"
        "and nothing is written (exit code 1).");
    AddPackOptions(*pack.app, all.pack, false);
    pack.run = [&all] { return RunPack(all.pack); };
    parsers.push_back(std::move(pack));

    CommandParser installer = NewParser(
        "installer", "write an installer: stub executable followed by a package",
        "qpack installer [OPTIONS] [--stub STUB.exe] DIR -o SETUP.exe",
        "Writes the installer: the stub executable, padded with zero bytes to an even length of at least\n"
        "400000, then the package of the tree under DIR as qpack pack writes it: its closing tags keep the\n"
        "installer from reading on into the record and what signing appends. The record's digest counts the\n"
        "PE checksum and security directory as zeros, so that signing keeps it valid.\n"
        "The installer puts the tree under <chosen directory>\\Quibel and a desktop shortcut \"Quibel 4.1\" to\n"
        "quibel.exe at the tree's root: a warning says so when the tree has none.\n"
        "The stub must be the installer program (a 32-bit Windows GUI executable whose manifest names\n"
        "Quibel.Installer, every section within the file) and must not hold four \"ET\" words in a row at an\n"
        "even distance from offset 400000: the installer would find them before the payload. It must not be\n"
        "signed either: the payload would go after the signature; sign the installer that qpack writes.\n"
        "Warns (and still writes the installer) when installing one of the files would need more memory at\n"
        "once than the 32-bit installer can hold: the installer file, the file's block and its content.");
    AddPackOptions(*installer.app, all.pack, true);
    installer.run = [&all] { return RunInstaller(all.pack); };
    parsers.push_back(std::move(installer));

    CommandParser list =
        NewParser("list", "print a package's banner and tree", "qpack list [OPTIONS] FILE",
                  "Prints the banner and the tree of the package in FILE: each directory, then its files with the\n"
                  "stored size (block length), the decoded size and their ratio. Writes nothing.\n"
                  "FILE is read in the role its name gives it, letter case aside: FILE.exe an installer (from\n"
                  "offset 400000), FILE.maj a side archive (from 0). Another name is a side archive, unless\n"
                  "Windows would run the file: it is then read both ways and refused when they disagree.");
    AddInspectOptions(*list.app, all.inspect, "the totals only, no line per entry");
    list.run = [&all] { return RunList(all.inspect); };
    parsers.push_back(std::move(list));

    CommandParser verify = NewParser(
        "verify", "decode and check every entry of a package", "qpack verify [OPTIONS] FILE",
        "Checks the digest record first (a file without one: its structure only), then reads FILE in its role\n"
        "(see qpack help list), decodes every block and checks the form qpack writes: the root entry first,\n"
        "directories in pre-order each followed by its files, names Windows can hold in sorted order and\n"
        "none equal but for letter case in one directory, block lengths, bit streams that hold all their\n"
        "symbols and no more. After the tree only one closing tag per directory may follow, then the record,\n"
        "then in a program 0 to 7 zero bytes and in a signed one the certificate table that its security\n"
        "directory names (the signature itself is osslsigncode verify's to check). Prints every fault and\n"
        "exits with 1 when there is one.");
    AddInspectOptions(*verify.app, all.inspect, "print nothing when the package is sound");
    verify.run = [&all] { return RunVerify(all.inspect); };
    parsers.push_back(std::move(verify));

    CommandParser decode =
        NewParser("decode", "decode one compressed block file", "qpack decode BLOCK OUT",
                  "Decodes one compressed block (a 4-byte little-endian decoded size followed by an lh5 bit\n"
                  "stream) into OUT, written whole or not at all: on failure OUT is left as it was.");
    decode.app->add_option("BLOCK", all.decode.block, "the block file")->type_name("")->required();
    decode.app->add_option("OUT", all.decode.output, "the file to write")->type_name("")->required();
    decode.run = [&all] { return RunDecode(all.decode); };
    parsers.push_back(std::move(decode));

    CommandParser extract = NewParser(
        "extract", "extract a package's tree into a directory", "qpack extract [OPTIONS] PACKAGE DIR",
        "Finds the payload of PACKAGE, creates DIR with any missing parents and extracts the tree into it as\n"
        "the installer does, printing one line per directory and file as the installer logs them. Nothing is\n"
        "written through a symbolic link: a link standing for a directory is refused, a link or another name at a\n"
        "file's name is replaced (what it names is left alone). Nothing is created outside DIR: a directory entry\n"
        "whose name lacks its leading \"\\\" lands beside DIR in the installer (\"-old\" under C:\\w makes\n"
        "C:\\w-old); such entries are all named and nothing is extracted, unless --as-installer writes them there.");
    extract.app->add_option("PACKAGE", all.extract.package, "a package or an installer")->type_name("")->required();
    extract.app->add_option("DIR", all.extract.directory, "where the tree goes")->type_name("")->required();
    AddOffset(*extract.app, all.extract.from);
    extract.app->add_flag("-q,--quiet", all.extract.quiet, "no line per entry; warnings and errors only");
    extract.app->add_flag("--as-installer", all.extract.asInstaller,
                          "write entries that land beside DIR where the installer writes them, naming each");
    extract.run = [&all] { return RunExtract(all.extract); };
    parsers.push_back(std::move(extract));

    return parsers;
}

void PrintToolUsage(std::FILE* out, const std::vector<CommandParser>& parsers) {
    std::fprintf(out, "usage: qpack COMMAND [OPTIONS] [ARGUMENTS]\n       qpack --version\n\ncommands:\n");
    for (const CommandParser& parser : parsers) {
        std::fprintf(out, "  %-10s %s\n", parser.name.c_str(), parser.summary.c_str());
    }
    std::fprintf(out, "\n'qpack help COMMAND' or 'qpack COMMAND --help' describes a command.\n");
}

const CommandParser* Find(const std::vector<CommandParser>& parsers, const std::string& name) {
    for (const CommandParser& parser : parsers) {
        if (parser.name == name) {
            return &parser;
        }
    }
    return nullptr;
}

int UsageError(const std::string& command, const std::string& usage, const std::string& problem) {
    PrintError(command, problem);
    std::fprintf(stderr, "usage: %s\n", usage.c_str());
    return 2;
}

// CLI11 reports a missing argument before an unknown option; the unknown option is the better clue.
std::optional<std::string> UnknownOption(const CLI::App& app, const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            break;
        }
        if (argument.size() < 2 || argument[0] != '-') {
            continue;
        }
        const std::string name = argument[1] == '-' ? argument.substr(0, argument.find('=')) : argument.substr(0, 2);
        if (app.get_option_no_throw(name) == nullptr) {
            return name;
        }
    }
    return std::nullopt;
}

int RunParsed(const CommandParser& parser, std::vector<std::string> arguments) {
    if (const auto unknown = UnknownOption(*parser.app, arguments)) {
        return UsageError(parser.name, parser.usage, "unknown option " + *unknown);
    }
    std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
    try {
        parser.app->parse(arguments);
    } catch (const CLI::CallForHelp&) {
        std::fputs(parser.app->help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& problem) {
        return UsageError(parser.name, parser.usage, problem.what());
    }
    return parser.run();
}

// A command whose listing or log did not all reach stdout has failed, whatever it did besides (as tar's "write
// error"); a failure it already reported stands as it is.
int WithStandardOutputChecked(const std::string& command, int exitCode) {
    const auto failure = StandardOutputFailure();
    if (exitCode != 0 || !failure) {
        return exitCode;
    }
    if (command.empty()) {
        std::fprintf(stderr, "qpack: error: standard output: %s\n", failure->c_str());
    } else {
        PrintError(command, "standard output: " + *failure);
    }
    return 1;
}

// Runs the command line; command receives the name of the command run, if any.
int RunTool(const std::vector<std::string>& arguments, std::string& command) {
    AllOptions options;
    const std::vector<CommandParser> parsers = MakeParsers(options);
    if (arguments.empty()) {
        PrintToolUsage(stderr, parsers);
        return 2;
    }
    const std::string& first = arguments[0];
    if (first == "--version") {
        return RunVersion();
    }
    if (first == "--help" || first == "-h" || (first == "help" && arguments.size() == 1)) {
        PrintToolUsage(stdout, parsers);
        return 0;
    }
    if (first == "help") {
        const CommandParser* parser = Find(parsers, arguments[1]);
        if (parser == nullptr || arguments.size() > 2) {
            std::fprintf(stderr, "qpack: error: 'help' takes one command's name\n");
            PrintToolUsage(stderr, parsers);
            return 2;
        }
        std::fputs(parser->app->help().c_str(), stdout);
        return 0;
    }
    const CommandParser* parser = Find(parsers, first);
    if (parser == nullptr) {
        std::fprintf(stderr, "qpack: error: unknown command '%s'\n", ShownText(first).c_str());
        PrintToolUsage(stderr, parsers);
        return 2;
    }
    command = parser->name;
    return RunParsed(*parser, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments) {
    std::string command;
    const int exitCode = RunTool(arguments, command);
    return WithStandardOutputChecked(command, exitCode);
}

}  // namespace quibel::qpack
