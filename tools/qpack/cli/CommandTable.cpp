// qpack's commands, their arguments and options, with the texts of their help.

#include <algorithm>
#include <string>

#include "tools/qpack/cli/ArgumentParser.h"
#include "tools/qpack/cli/CommandTable.h"
#include "tools/qpack/cli/HelpText.h"
#include "tools/qpack/common/StandardOutput.h"

namespace quibel::qpack {

namespace {

using Setter = std::function<void(CommandOptions&, const std::string&)>;

OptionEntry Flag(char shortName, const char* longName, const char* help, bool CommandOptions::*field) {
    OptionEntry option;
    option.shortName = shortName;
    option.longName = longName;
    option.help = help;
    option.set = [field](CommandOptions& options, const std::string&) { options.*field = true; };
    return option;
}

OptionEntry Valued(char shortName,
                   const char* longName,
                   const char* valueName,
                   ValueKind kind,
                   const char* help,
                   Setter set) {
    OptionEntry option;
    option.shortName = shortName;
    option.longName = longName;
    option.valueName = valueName;
    option.kind = kind;
    option.help = help;
    option.set = std::move(set);
    return option;
}

OptionEntry Quiet(const char* help) {
    OptionEntry option = Flag('q', "quiet", help, &CommandOptions::quiet);
    option.contradicts = "verbose";
    return option;
}

OptionEntry Verbose(const char* help) {
    return Flag('v', "verbose", help, &CommandOptions::verbose);
}

OptionEntry From() {
    OptionEntry option = Valued(0, "from", "OFFSET", ValueKind::Number,
                                "look for the marker from OFFSET (0 to 2147483647) instead of the scan start of the "
                                "file's role",
                                [](CommandOptions& options, const std::string& value) {
                                    options.from = static_cast<std::int32_t>(std::stoll(value));
                                });
    option.high = 0x7FFFFFFF;
    return option;
}

OptionEntry Names() {
    OptionEntry option =
        Flag(0, "names", "for programs: the paths only, one a line, a directory's ending in /", &CommandOptions::names);
    option.contradicts = "tabs";
    return option;
}

OptionEntry WarningsAsErrors(const char* help) {
    return Flag(0, "warnings-as-errors", help, &CommandOptions::warningsAsErrors);
}

std::vector<OptionEntry> PackOptions(bool installer) {
    std::vector<OptionEntry> options;
    OptionEntry output =
        Valued('o', "output", installer ? "SETUP.exe" : "FILE", ValueKind::Output,
               installer ? "the installer to write, whole or not at all" : "the package to write, whole or not at all",
               [](CommandOptions& o, const std::string& value) { o.output = value; });
    output.required = true;
    options.push_back(output);
    if (installer) {
        options.push_back(Valued(0, "stub", "STUB.exe", ValueKind::Input,
                                 "the installer program to put first (default: share/qpack/quibel-setup-stub.exe "
                                 "beside qpack's bin/, the one installed with it)",
                                 [](CommandOptions& o, const std::string& value) { o.stub = value; }));
    }
    OptionEntry banner = Valued(0, "banner", "TEXT", ValueKind::Text,
                                "a banner line; repeat it for more lines (the installer keeps them unseen, qpack "
                                "list prints them)",
                                [](CommandOptions& o, const std::string& value) {
                                    if (!value.empty()) {  // --banner= gives no line
                                        o.bannerLines.push_back(value);
                                    }
                                });
    banner.repeatable = true;
    options.push_back(banner);
    OptionEntry jobs = Valued('j', "jobs", "N", ValueKind::Number,
                              "compress on N threads, 1 to 256 (default: all cores); the output is the same bytes "
                              "for every N",
                              [](CommandOptions& o, const std::string& value) { o.jobs = std::stoi(value); });
    jobs.low = 1;
    jobs.high = 256;
    options.push_back(jobs);
    options.push_back(Flag(0, "best", "the smallest output, at several times the time", &CommandOptions::best));
    options.push_back(Flag(0, "follow-links",
                           "pack what symbolic links name, as tar -h does (loops are refused), instead of refusing "
                           "them",
                           &CommandOptions::followLinks));
    options.push_back(WarningsAsErrors("a warning ends the run with exit code 1, nothing written"));
    options.push_back(Quiet("errors and warnings only: no progress line, no summary"));
    options.push_back(Verbose("also one line per file on stdout: its size, stored size and ratio"));
    return options;
}

const char* const kRoles =
    "FILE is read in the role its name gives it, letter case aside: FILE.exe an installer (from offset 400000), "
    "FILE.maj a side archive (from 0). Another name is a side archive, unless Windows would run the file: it is "
    "then read both ways and refused, naming both offsets, when the two readings find different payloads. The "
    "file is read as the walk reaches it, never whole.";

int RunHelp(const CommandOptions& options);

std::vector<CommandEntry> MakeCommands() {
    std::vector<CommandEntry> commands;
    const ArgumentEntry tree{"DIR", ValueKind::Directory, "the product tree"};

    commands.push_back(
        {"pack",
         "write a directory tree as a package (a side archive)",
         {{tree}},
         PackOptions(false),
         "Writes the tree under DIR as a package whose marker stands at offset 0 (a side archive such as "
         "spengFR.maj). Directories come in pre-order, each followed by its files; names are composed (NFC), "
         "stored in Windows-1252 and sorted by their upper-case form, so that the same tree always gives the same "
         "bytes. The tree ends with one closing tag per directory, then a digest record (the SHA-256 of every byte "
         "before it) that verify checks.\n"
         "The whole tree is checked first: names Windows cannot hold, names that differ only in letter case or "
         "composition, symbolic links (unless --follow-links), files of 2 GiB or more and unreadable files are "
         "all reported, and nothing is written (exit code 1).\n"
         "On a terminal a progress line shows the bytes compressed, the files done, the rate and the time left. "
         "The summary goes to stderr, on a terminal or not.",
         RunPack});

    commands.push_back(
        {"installer",
         "write an installer: the stub, then the tree's package",
         {{tree}},
         PackOptions(true),
         "Writes the installer: the stub, padded with zero bytes to an even length of at least 400000, then the "
         "package of the tree under DIR as qpack pack writes it. The record's digest counts the PE checksum and "
         "security directory as zeros, so that signing keeps it valid.\n"
         "The installer puts the tree under <chosen directory>\\Quibel and a desktop shortcut \"Quibel 4.1\" to "
         "quibel.exe at the tree's root: a warning says so when the tree has none.\n"
         "The stub must be the installer program (a 32-bit Windows GUI executable whose manifest names "
         "Quibel.Installer, every section within the file), must not hold the marker at an even distance from "
         "offset 400000, and must not be signed: sign the installer that qpack writes.\n"
         "Warns (and still writes the installer) when installing one of the files would need more memory at once "
         "than the 32-bit installer can hold: the installer file, the file's block and its content. The summary "
         "gives the installer's size.",
         RunInstaller});

    commands.push_back(
        {"list",
         "print the banner and tree of packages",
         {{{"FILE", ValueKind::Input, "a package or an installer", true}}},
         {From(), Quiet("the totals only, no line per entry"),
          Verbose("also each file's offset, and where the payload was found"),
          Flag(0, "tabs",
               "for programs: one line per entry, its path, kind (file or directory), stored size, decoded size "
               "and offset, separated by tabs; nothing else",
               &CommandOptions::tabs),
          Names()},
         std::string("Prints the banner and the tree of each package: each directory, then its files with "
                     "the stored size (block length), the decoded size and their ratio, then the totals. "
                     "With -v each file's line starts with its offset: where the stored bytes begin, "
                     "with the block length, as qpack decode takes it. Several files are listed one after "
                     "the other, each under its name. Writes nothing.\n"
                     "--tabs and --names print the entries alone, for programs and for diff between releases: paths as "
                     "/data/a.txt; in a name a tab, line feed, backslash, slash or character a terminal hides is an "
                     "escape (\\t, \\n, \\\\, \\/, \\u202E), so that two names never print alike.\n") +
             kRoles,
         RunList});

    commands.push_back(
        {"verify",
         "check packages, decoding every block",
         {{{"FILE", ValueKind::Input, "a package or an installer", true}}},
         {From(), WarningsAsErrors("a warning fails the package: a path no install can create"),
          Quiet("nothing for a sound package: its exit code says it"),
          Verbose("also each entry as it is checked, and where the payload was found")},
         std::string(
             "Checks the digest record first (a file without one: its structure only), then reads "
             "FILE in its role, decodes every block and checks the form qpack writes: the root "
             "entry first, directories in pre-order each followed by its files, names Windows can "
             "hold in sorted order, none equal but for letter case in one directory and none the short (8.3) name "
             "Windows may give a sibling, block "
             "lengths, bit streams that hold all their symbols and no more. After the tree only "
             "one closing tag per directory may follow, then the record, then in a program 0 to 7 "
             "zero bytes and in a signed one the certificate table that its security directory "
             "names (the signature itself is osslsigncode verify's to check).\n"
             "A path past 247 characters for a directory or 259 for a file under the shortest base "
             "(C:\\Quibel, c:\\speng) gets a warning. Each fault is an error on stderr; each package "
             "gets its line on stdout, \"FILE: "
             "sound, ...\" or \"FILE: FAILED\". Exits with 1 when any package failed.\n") +
             kRoles,
         RunVerify});

    commands.push_back(
        {"extract",
         "extract a package's tree into a directory, as the installer does",
         {{{"PACKAGE", ValueKind::Input, "a package or an installer"},
           {"DIR", ValueKind::OutputDirectory, "where the tree goes"}}},
         {From(),
          Flag(0, "as-installer", "write entries that land beside DIR where the installer writes them, naming each",
               &CommandOptions::asInstaller),
          Quiet("no log, no summary: errors and warnings only"), Verbose("also where the payload was found")},
         "Finds the payload of PACKAGE (read in its role, as list reads FILE), creates DIR with any missing parents "
         "and extracts the tree into it as the installer does, printing its log on stdout, one line per directory "
         "and file, then a summary on stderr. Nothing is written through a symbolic link: a link standing for a "
         "directory is refused, a link or another name at a file's name is replaced (what it names is left "
         "alone). Nothing is created outside DIR: a directory entry whose name lacks its leading \"\\\" lands "
         "beside DIR in the installer (\"-old\" under C:\\w makes C:\\w-old); such entries are all named and nothing "
         "is extracted, unless --as-installer writes them there.\n"
         "A directory or file that the system does not create or write stops it with an error naming the path and "
         "the system's reason, and the text the installer would stop with.",
         RunExtract});

    OptionEntry decodeWarnings = WarningsAsErrors("a warning ends the run with exit code 1, OUT left as it was");
    commands.push_back(
        {"decode",
         "decode one file of a package, or a raw block",
         {{{"BLOCK", ValueKind::Input, "a file that holds one compressed block"},
           {"OUT", ValueKind::Output, "the file to write, whole or not at all"}},
          {{"PACKAGE", ValueKind::Input, "a package or an installer"},
           {"ENTRY", ValueKind::Name,
            "a file of the package: its path as qpack list shows it (\\data\\a.txt; / for \\ and letter case "
            "aside), or its offset as qpack list -v shows it"},
           {"OUT", ValueKind::Output, ""}}},
         {From(), decodeWarnings, Quiet("no summary: errors and warnings only")},
         "Decodes one compressed block (a 4-byte little-endian decoded size, then an lh5 bit stream) into OUT, "
         "written whole or not at all: on failure OUT is left as it was. The block is the whole of the file "
         "BLOCK, or the one that a file of PACKAGE holds (PACKAGE checked against its digest and read in its role, "
         "as list reads FILE); an ENTRY that names several files is refused.",
         RunDecode});

    commands.push_back({"help",
                        "describe qpack, or one of its commands",
                        {{{"COMMAND", ValueKind::Name, "the command to describe", false, true}}},
                        {},
                        "Describes qpack, or the command named. qpack COMMAND --help does the same.",
                        RunHelp});

    commands.push_back({"version",
                        "print qpack's version and the stub it takes by default",
                        {{}},
                        {},
                        "Prints qpack's version, then the stub that qpack installer takes without --stub and the "
                        "version its resource gives (or where it was looked for). qpack --version and qpack -V do "
                        "the same.",
                        RunVersion});
    return commands;
}

// qpack help [COMMAND]: the help on stdout.
int RunHelp(const CommandOptions& options) {
    if (options.arguments.empty()) {
        WriteStandardOutput(ToolHelp(QpackCommands()));
        return 0;
    }
    const CommandEntry* command = FindCommand(options.arguments.front());
    if (command == nullptr) {
        throw UsageError(UnknownCommand(options.arguments.front()));
    }
    WriteStandardOutput(CommandHelp(*command));
    return 0;
}

}  // namespace

const std::vector<CommandEntry>& QpackCommands() {
    static const std::vector<CommandEntry> commands = MakeCommands();
    return commands;
}

const CommandEntry* FindCommand(const std::string& name) {
    const auto& commands = QpackCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const CommandEntry& command) { return name == command.name; });
    return found == commands.end() ? nullptr : &*found;
}

std::string UnknownCommand(const std::string& name) {
    std::string names;
    for (const CommandEntry& command : QpackCommands()) {
        names += (names.empty() ? "" : ", ") + std::string(command.name);
    }
    return "unknown command \"" + name + "\"; the commands: " + names;
}

}  // namespace quibel::qpack
