#include "payload/TreeExtractor.h"

#include <gtest/gtest.h>

#include "payload/Errors.h"
#include "payload/PackageReader.h"
#include "tests/support/MemoryFileSystem.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RecordedLines.h"

namespace quibel {
namespace {

using testing::BytesOf;
using testing::MemoryFileSystem;
using testing::PackageBytes;
using testing::RecordedLines;

const std::string Base = "C:\\Apps\\Quibel";

// Decoded size 1; a segment of one symbol whose length-code list gives one symbol the length 1 (an incomplete code).
const std::vector<std::uint8_t> kOneSymbolOfLengthOne = {1, 0, 0, 0, 0x00, 0x01, 0x09};

// A walk over a package laid out by a test, on an in-memory file system with C:\Apps\Quibel existing.
struct Walk {
    explicit Walk(const PackageBytes& package) : fileSystem({"C:", "C:\\Apps", Base}) { stream.Replace(package.bytes); }
    // Positions the stream after the header and walks the tree into the base directory.
    void Run() {
        RecordedLines banner;
        FindPayload(stream, 0, banner);
        Continue();
    }
    void Continue() {
        TreeExtractor extractor(stream, fileSystem, log);
        extractor.ExtractTree(Base);
    }
    std::vector<std::uint8_t> File(const std::string& path) const {
        const auto found = fileSystem.Files().find(path);
        return found == fileSystem.Files().end() ? std::vector<std::uint8_t>{1, 2, 3, 4, 5} : found->second;
    }

    PayloadStream stream;
    MemoryFileSystem fileSystem;
    RecordedLines log;
};

std::string FileLine(const std::string& path, std::size_t blockLength, std::size_t size) {
    return "Fichier " + path + " taille :" + std::to_string(blockLength) + "->" + std::to_string(size);
}

TEST(ExtractTree, WalksACanonicalPackageAndLogsEveryEntry) {
    const auto notes = BytesOf("notes de version\r\n");
    const auto sound = std::vector<std::uint8_t>(9000, 0x41);
    PackageBytes package;
    package.Header({"Quibel 4.1"})
        .Directory("")
        .File("lisezmoi.txt", notes)
        .File("vide.dat", {})
        .Directory("\\données")
        .Directory("\\données\\sons")
        .File("cloche.wav", sound)
        .Directory("\\vide");
    Walk walk(package);
    walk.Run();

    const std::size_t notesBlock = testing::LiteralBlock(notes).size() + 4;
    const std::size_t soundBlock = testing::LiteralBlock(sound).size() + 4;
    EXPECT_EQ(walk.log.lines, (std::vector<std::string>{
                                  "Répertoire " + Base,
                                  FileLine(Base + "\\lisezmoi.txt", notesBlock, notes.size()),
                                  FileLine(Base + "\\vide.dat", 8, 0),
                                  "Répertoire " + Base + "\\données",
                                  "Répertoire " + Base + "\\données\\sons",
                                  FileLine(Base + "\\données\\sons\\cloche.wav", soundBlock, sound.size()),
                                  "Répertoire " + Base + "\\vide",
                              }));
    EXPECT_EQ(walk.File(Base + "\\lisezmoi.txt"), notes);
    EXPECT_EQ(walk.File(Base + "\\vide.dat"), std::vector<std::uint8_t>{});
    EXPECT_EQ(walk.File(Base + "\\données\\sons\\cloche.wav"), sound);
    EXPECT_TRUE(walk.fileSystem.IsDirectory(Base + "\\vide"));
    EXPECT_EQ(walk.stream.Position(), walk.stream.Size());

    // A second walk without a new FindPayload finds no tag and extracts nothing.
    walk.log.lines.clear();
    walk.Continue();
    EXPECT_TRUE(walk.log.lines.empty());
}

TEST(ExtractTree, ListEndingRules) {
    struct Case {
        const char* what;
        PackageBytes tree;  // after the header
        std::vector<std::string> log;
        std::vector<std::string> files;
    };
    const auto a = BytesOf("a");
    const std::vector<Case> cases = {
        {"first tag a file tag: empty tree", PackageBytes().Word(FileTag).String("x").Int32(8).Int32(0), {}, {}},
        {"first tag unknown: empty tree", PackageBytes().Word(0x1234).Directory(""), {}, {}},
        {"no tag at all", PackageBytes(), {}, {}},
        {"a half tag", PackageBytes().Text("\x19"), {}, {}},
        {"a foreign tag closes only the innermost list",
         PackageBytes()
             .Directory("")
             .Directory("\\d")
             .File("in.txt", a)
             .Word(7)
             .File("out.txt", a)
             .Word(7)
             .File("never.txt", a),
         {"Répertoire " + Base, "Répertoire " + Base + "\\d", FileLine(Base + "\\d\\in.txt", 15, 1),
          FileLine(Base + "\\out.txt", 15, 1)},
         {Base + "\\d\\in.txt", Base + "\\out.txt"}},
        {"an empty file name takes six bytes and writes nothing",
         PackageBytes().Directory("").Word(FileTag).Int32(0).Word(FileTag).Int32(-4).File("b", a),
         {"Répertoire " + Base, FileLine(Base + "\\b", 15, 1)},
         {Base + "\\b"}},
        {"a package ending one byte after its last block",
         PackageBytes().Directory("").File("b", a).Text("\x19"),
         {"Répertoire " + Base, FileLine(Base + "\\b", 15, 1)},
         {Base + "\\b"}},
        {"closing tags, one per directory entry, end the walk before what signing appends",
         PackageBytes()
             .Directory("")
             .Directory("\\d")
             .File("in.txt", a)
             .Word(0)
             .Word(0)
             .Text(std::string("\0\0\0\0", 4))
             .Directory("\\signature")
             .File("signature.txt", a),
         {"Répertoire " + Base, "Répertoire " + Base + "\\d", FileLine(Base + "\\d\\in.txt", 15, 1)},
         {Base + "\\d\\in.txt"}},
        {"a directory name without its leading separator is glued to the base",
         PackageBytes().Directory("").Directory("data"),
         {"Répertoire " + Base, "Répertoire " + Base + "data"},
         {}},
    };
    for (const auto& c : cases) {
        PackageBytes package;
        package.Header().Raw(c.tree.bytes);
        Walk walk(package);
        walk.Run();
        EXPECT_EQ(walk.log.lines, c.log) << c.what;
        std::vector<std::string> files;
        for (const auto& [path, content] : walk.fileSystem.Files()) {
            files.push_back(path);
        }
        std::sort(files.begin(), files.end());
        auto expected = c.files;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files, expected) << c.what;
    }
}

TEST(ExtractTree, ExistingDirectoriesAreKeptAndFilesReplaced) {
    PackageBytes package;
    package.Header().Directory("").Directory("\\d").File("f", BytesOf("new"));
    Walk walk(package);
    walk.fileSystem.CreateDirectoryLevel(Base + "\\d");
    walk.fileSystem.PutFile(Base + "\\d\\f", BytesOf("old content"));
    walk.Run();
    EXPECT_EQ(walk.File(Base + "\\d\\f"), BytesOf("new"));
    EXPECT_EQ(walk.log.lines.size(), 3u);
    EXPECT_EQ(walk.fileSystem.Written(), (std::vector<std::string>{Base + "\\d", Base + "\\d\\f"}));
}

// Each failure ends the walk at once with its message, and leaves the log and the read position as stated.
TEST(ExtractTree, Failures) {
    const auto good = BytesOf("good");
    const auto goodBlock = testing::LiteralBlock(good);
    struct Case {
        const char* what;
        PackageBytes tree;
        void (*prepare)(MemoryFileSystem&);
        std::string message;
        std::size_t logLines;
        std::int64_t positionFromEnd;  // where the read position stands, counted back from the end of the data
    };
    const std::vector<Case> cases = {
        {"directory listed before its parent", PackageBytes().Directory("").Directory("\\a\\b").Word(7), nullptr,
         "Nom de fichier incorrect", 2, 2},
        {"a file where the directory should be", PackageBytes().Directory("").Directory("\\d").Word(7),
         [](MemoryFileSystem& fs) { fs.PutFile(Base + "\\d", {}); }, "Erreur E/S 183", 2, 2},
        {"access denied on a directory", PackageBytes().Directory("").Directory("\\d").Word(7),
         [](MemoryFileSystem& fs) { fs.FailCreateDirectory(Base + "\\d", 5); }, "Accès au fichier refusé", 2, 2},
        {"the block runs past the end", PackageBytes().Directory("").Word(FileTag).String("f").Int32(100).Zeros(10),
         nullptr, "Erreur de lecture du flux", 1, 0},
        {"block length below 4", PackageBytes().Directory("").Word(FileTag).String("f").Int32(3).Zeros(10), nullptr,
         "Erreur de lecture du flux", 1, 10},
        {"the block does not decode",
         PackageBytes().Directory("").FileWithBlock("f", kOneSymbolOfLengthOne).File("g", good), nullptr,
         "Compressed file is corrupt", 1, static_cast<std::int64_t>(2 + 5 + 4 + goodBlock.size())},
        {"the file cannot be created", PackageBytes().Directory("").File("f", good).File("g", good),
         [](MemoryFileSystem& fs) { fs.FailCreateFile(Base + "\\f", 5); }, "", 1,
         static_cast<std::int64_t>(2 + 5 + 4 + goodBlock.size())},
        {"writing the file fails", PackageBytes().Directory("").File("f", good).File("g", good),
         [](MemoryFileSystem& fs) { fs.FailWriteFile(Base + "\\f"); }, "Erreur d'écriture dans le flux", 1,
         static_cast<std::int64_t>(2 + 5 + 4 + goodBlock.size())},
        {"a directory name that climbs out", PackageBytes().Directory("").Directory("\\..\\..\\x"), nullptr,
         "Nom de fichier incorrect", 2, 0},
        {"a file name that climbs out", PackageBytes().Directory("").File("..", good), nullptr,
         "Nom de fichier incorrect", 1, static_cast<std::int64_t>(4 + goodBlock.size())},
        {"a device as file name", PackageBytes().Directory("").File("con.txt", good), nullptr,
         "Nom de fichier incorrect", 1, static_cast<std::int64_t>(4 + goodBlock.size())},
    };
    for (const auto& c : cases) {
        PackageBytes package;
        package.Header().Raw(c.tree.bytes);
        Walk walk(package);
        if (c.prepare != nullptr) {
            c.prepare(walk.fileSystem);
        }
        try {
            walk.Run();
            ADD_FAILURE() << c.what << ": no failure";
        } catch (const Exception& failure) {
            if (!c.message.empty()) {
                EXPECT_EQ(std::string(failure.what()), c.message) << c.what;
            } else {
                EXPECT_NE(dynamic_cast<const EFCreateError*>(&failure), nullptr) << c.what;
            }
        }
        EXPECT_EQ(walk.log.lines.size(), c.logLines) << c.what;
        EXPECT_EQ(walk.stream.Size() - walk.stream.Position(), c.positionFromEnd) << c.what;
    }
}

// The base or a directory below it that is a link (a junction planted as c:\speng, or in an existing install
// directory) is refused as the name rules refuse a name: its line is logged, then "Nom de fichier incorrect", and
// nothing goes into it.
TEST(ExtractTree, LinkedDirectoriesBelowTheBaseAreRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"", Base},  // the base itself, at the root entry

        {"\\data", Base + "\\data"},
        {"\\data\\sons", Base + "\\data"},  // the link is met on the way
        {"\\data\\sons", Base + "\\data\\sons"},
        {"data", Base + "data"},  // glued beside the base
    };
    for (const auto& [name, link] : cases) {
        SCOPED_TRACE(name + " with " + link);
        PackageBytes package;
        package.Header().Directory("").Directory(name).File("pwn.dll", BytesOf("x"));
        Walk walk(package);
        walk.fileSystem.PlantLink(link);
        try {
            walk.Run();
            FAIL() << "the walk went through the link";
        } catch (const EInOutError& failure) {
            EXPECT_EQ(failure.ErrorCode(), SystemError::PathNotFound);
        }
        EXPECT_EQ(walk.log.lines.back(), "R\xE9pertoire " + Base + name);
        EXPECT_TRUE(walk.fileSystem.Files().empty());
    }
}

// Every directory entry opens one level, whatever its depth, and no more than 64 levels are held at once: a level
// let go is opened again, from the deepest held one above it, only when the walk comes back to it.
TEST(ExtractTree, EveryEntryOpensOneLevelAndAtMost64AreHeld) {
    const struct {
        std::size_t depth;
        std::size_t backTo;  // foreign tags close the lists back to this depth, where one more file goes
        std::size_t opened;
    } cases[] = {{10, 10, 11}, {300, 300, 301}, {300, 1, 301 + 1}, {300, 250, 301}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.depth) + " levels, back to " + std::to_string(c.backTo));
        PackageBytes package;
        package.Header().Directory("");
        std::string name;
        std::vector<std::string> names = {""};
        for (std::size_t level = 1; level <= c.depth; ++level) {
            name += "\\d";
            names.push_back(name);
            package.Directory(name);
        }
        package.File("deep.txt", BytesOf("x"));
        for (std::size_t level = c.depth; level > c.backTo; --level) {
            package.Word(7);
        }
        package.File("back.txt", BytesOf("y"));
        Walk walk(package);
        walk.Run();
        EXPECT_EQ(walk.fileSystem.opened, c.opened);
        EXPECT_LE(walk.fileSystem.mostHeld, 64u);
        EXPECT_EQ(walk.fileSystem.held, 0u);
        EXPECT_EQ(walk.File(Base + names[c.backTo] + "\\back.txt"), BytesOf("y"));
    }
}

TEST(ExtractTree, AFailedFileLeavesNoFileAndTheNextWalkGoesOnFromThere) {
    const auto good = BytesOf("good");
    PackageBytes package;
    package.Header().Directory("").File("f", good).File("g", good);
    Walk walk(package);
    walk.fileSystem.FailCreateFile(Base + "\\f", 5);
    EXPECT_THROW(walk.Run(), EFCreateError);
    EXPECT_EQ(walk.fileSystem.Files().count(Base + "\\f"), 0u);
    // The read position stands at the next entry, a file tag: a new walk finds no directory tag there.
    walk.Continue();
    EXPECT_EQ(walk.fileSystem.Files().count(Base + "\\g"), 0u);
}

TEST(ExtractTree, CreateFileMessageNamesThePathAndTheSystemText) {
    EFCreateError failure("C:\\Apps\\Quibel\\f", "Accès refusé");
    EXPECT_STREQ(failure.what(), "Impossible de créer le fichier \"C:\\Apps\\Quibel\\f\". Accès refusé");
    EXPECT_EQ(FailureDisplayText(failure.what()), std::string(failure.what()) + ".");
}

}  // namespace
}  // namespace quibel
