// New, Open, Save, Save As, Close and the question before losing changes, through a scripted host.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "model/listing_text.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;

namespace {

struct FileCommands : ::testing::Test {
    test::ScopedIni ini;
    test::TempDir dir;
    test::ScriptedHost host;
    kivoMDIClient doc{&host};

    // A named, saved project with one point, then changed.
    std::string OpenChanged() {
        doc.CmFileNew();
        doc.NewPoint("P1", "", 1, 2, 3, 0);
        host.dialogPaths = {dir.file("net1")};
        doc.CmSaveAsFile();
        EXPECT_FALSE(doc.bFileDirty);
        doc.NewPoint("P2", "", 1, 2, 3, 0);
        doc.bFileDirty = true;
        return doc.OpenName;
    }
};

TEST_F(FileCommands, NewRunsBothFormsAndStartsAnUnnamedChangedProject) {
    doc.CmFileNew();
    EXPECT_EQ(host.forms, (std::vector<FormId>{FormId::Project, FormId::Parameter}));
    EXPECT_TRUE(doc.bFileOpen);
    EXPECT_FALSE(doc.bFileNamed);
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_EQ(doc.OpenName, "UNTITLED.SIM");
    EXPECT_EQ(doc.magic, SIM_MAGIC_CURRENT);
    EXPECT_EQ(doc.globalPos, 1);
    EXPECT_EQ(doc.nMaxTheos, 1);
    EXPECT_DOUBLE_EQ(doc.SDTheoLocFix, 12700.0);
    EXPECT_DOUBLE_EQ(doc.SDHeight, 0.001);
    EXPECT_EQ(doc.mdiX[2], 36);
    EXPECT_EQ(doc.mdiFlags[1], 1);
    EXPECT_EQ(host.viewsCreated, 1);
}

TEST_F(FileCommands, NewCancelledInAFormOpensNothing) {
    host.formAnswers = {false};
    doc.CmFileNew();
    EXPECT_FALSE(doc.bFileOpen);
    EXPECT_EQ(host.forms.size(), 1u) << "the Parameter form is not run after Cancel";
    EXPECT_EQ(host.viewsCreated, 0);
}

TEST_F(FileCommands, SaveAsAddsTheExtensionAndShowsTheNameUpperCaseInTheTitleOnly) {
    std::string path = OpenChanged();
    EXPECT_EQ(path, dir.file("net1.SIM")) << "the file is written under the name as given";
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(host.frameTitle, "KIVO - " + dir.file("NET1.SIM"));
    EXPECT_EQ(host.LastStatus(), "Saved net1.SIM");
    EXPECT_TRUE(doc.bFileNamed);
}

// A project opened under a lower-case name is saved back into that file (Save, and the autosave
// before Calculate), not into an upper-case twin beside it that the next Open would not read.
TEST_F(FileCommands, SaveWritesTheFileThatWasOpenedWhateverItsCase) {
    std::string path = OpenChanged();
    host.answers = {IDNO};
    doc.CmFileClose();
    doc.OpenSIMFile(path);
    doc.NewPoint("P3", "", 1, 2, 3, 0);
    doc.bFileDirty = true;
    doc.CmSaveFile();
    EXPECT_FALSE(doc.bFileDirty);
    EXPECT_EQ(doc.OpenName, path);
    EXPECT_FALSE(std::filesystem::exists(dir.file("NET1.SIM")));
    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    EXPECT_EQ(back.nNumPoints, 2) << "P1 as saved, P3 added after opening";
}

TEST_F(FileCommands, SaveOfAnUnnamedProjectAddsNoExtension) {
    doc.CmFileNew();
    host.dialogPaths = {dir.file("net1")};
    doc.CmSaveFile();
    EXPECT_EQ(doc.OpenName, dir.file("net1"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("net1")));
    // Named now: Save writes without asking.
    doc.bFileDirty = true;
    doc.CmSaveFile();
    EXPECT_FALSE(doc.bFileDirty);
    EXPECT_TRUE(host.dialogPaths.empty());
}

TEST_F(FileCommands, SaveAsWithADotInAFolderStillGetsItsExtension) {
    std::filesystem::create_directory(dir.path() / "plant.v2");
    doc.CmFileNew();
    host.dialogPaths = {dir.file("plant.v2/net1")};
    doc.CmSaveAsFile();
    EXPECT_EQ(doc.OpenName, dir.file("plant.v2/net1.SIM"));
}

// Save refuses a write-protected file (the temporary file and the rename would get around the
// protection), and a save that fails on a full disk leaves the file on disk and no half file.
TEST_F(FileCommands, WriteProtectedFileAndFullDiskKeepTheFileOnDisk) {
    namespace fs = std::filesystem;
    std::string path = OpenChanged();
    const auto before = test::readBytes(path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    host.messages.clear();
    doc.CmSaveFile();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, path + " is write-protected.\nThe project was not saved.");
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_EQ(test::readBytes(path), before);

    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    host.messages.clear();
    {
        test::FileSizeLimit full(before.size() / 2);
        doc.CmSaveFile();
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("The project could not be saved as " + path + ":\n", 0), 0u)
        << host.messages[0].text;
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "no temporary file is left";
}

// A save killed half way leaves its temporary file; the next successful save of the same project
// removes it, and only what matches its own name pattern.
TEST_F(FileCommands, ASaveRemovesTheTemporaryFilesOfKilledSavesOfTheSameProject) {
    std::string path = OpenChanged();
    const std::vector<std::string> left = {"net1.SIM.kivo-save-a1B2c3", "net1.SIM.kivo-save-ZZZZZZ"};
    const std::vector<std::string> others = {"net1.SIM.kivo-save-a1B2", "net2.SIM.kivo-save-a1B2c3",
                                             "net1.SIM.kivo-save-a1B2c3.keep", "NET1.SIM.kivo-save-a1B2c3"};
    for (const auto& name : left)
        test::writeText(dir.file(name), "half a project");
    for (const auto& name : others)
        test::writeText(dir.file(name), "not ours");
    doc.CmSaveFile();
    EXPECT_FALSE(doc.bFileDirty);
    for (const auto& name : left)
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    for (const auto& name : others)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
}

// A project opened through a symbolic link is saved into the file the link points to; the link
// stays a link (replacing it would leave the real file with the old data).
TEST_F(FileCommands, SaveThroughASymbolicLinkWritesTheLinkedFile) {
    std::string real = OpenChanged();
    doc.CmSaveFile();
    const std::string link = dir.file("link.SIM");
    std::filesystem::create_symlink(real, link);
    host.dialogPaths = {link};
    doc.CmFileOpen();
    ASSERT_TRUE(doc.bFileOpen);
    const auto before = test::readBytes(real);
    doc.NewPoint("P3", "", 4, 5, 6, 0);
    doc.bFileDirty = true;
    doc.CmSaveFile();
    EXPECT_FALSE(doc.bFileDirty);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(test::readBytes(real), before);
    EXPECT_EQ(test::readBytes(link), test::readBytes(real));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
        2);
}

TEST_F(FileCommands, AFailedSaveSaysSoAndKeepsTheChanges) {
    std::string path = OpenChanged();
    auto before = test::readBytes(path);
    host.dialogPaths = {dir.file("missing-folder/net2.sim")};
    doc.CmSaveAsFile();
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_EQ(doc.OpenName, path) << "the project keeps its name";
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().caption, "KIVO");
    EXPECT_EQ(test::readBytes(path), before);
}

TEST_F(FileCommands, CancelToSaveChangesKeepsTheProjectInEveryCommand) {
    std::string path = OpenChanged();
    for (auto command :
         {&kivoMDIClient::CmFileNew, &kivoMDIClient::CmFileOpen, &kivoMDIClient::CmFileClose}) {
        host.answers = {IDCANCEL};
        host.messages.clear();
        (doc.*command)();
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, "Save changes to " + path + " ?");
        EXPECT_EQ(host.messages[0].caption, "KIVO");
        EXPECT_TRUE(doc.bFileOpen);
        EXPECT_TRUE(doc.bFileDirty);
        EXPECT_EQ(doc.nNumPoints, 2);
    }
    host.answers = {IDCANCEL};
    EXPECT_FALSE(doc.CanClose());
}

TEST_F(FileCommands, YesSavesBeforeClosingAndNoDiscards) {
    std::string path = OpenChanged();
    host.answers = {IDYES};
    doc.CmFileClose();
    EXPECT_FALSE(doc.bFileOpen);
    kivoMDIClient back(&host);
    back.OpenSIMFile(path);
    EXPECT_EQ(back.nNumPoints, 2);

    OpenChanged();
    host.answers = {IDNO};
    EXPECT_TRUE(doc.CanClose());
    back.OpenSIMFile(path);
    EXPECT_EQ(back.nNumPoints, 1);
}

// Yes on an unnamed project whose Save dialog is then cancelled must not close it.
TEST_F(FileCommands, YesWithTheSaveDialogCancelledKeepsTheProject) {
    doc.CmFileNew();
    host.answers = {IDYES};
    host.dialogPaths = {""};
    doc.CmFileClose();
    EXPECT_TRUE(doc.bFileOpen);
    EXPECT_TRUE(doc.bFileDirty);
}

TEST_F(FileCommands, OpenReadsTheFileAndLoadsNoListingWithoutOne) {
    std::string path = OpenChanged();
    host.answers = {IDYES};
    host.dialogPaths = {path};
    doc.CmFileOpen();
    EXPECT_TRUE(doc.bFileOpen);
    EXPECT_TRUE(doc.bFileNamed);
    EXPECT_FALSE(doc.bFileDirty);
    EXPECT_FALSE(doc.bValFile);
    EXPECT_EQ(doc.nNumPoints, 2);
    EXPECT_EQ(doc.pointList[1].hcoord[0], doc.pointList[0].hcoord[0]) << "pixel positions are recomputed";
}

TEST_F(FileCommands, TheListingIsSplitAtCarriageReturns) {
    std::string path = OpenChanged();
    test::writeText(ChangeFileExt(path, ".OUT"), "first\r\nsecond\r\nno end");
    ASSERT_TRUE(doc.LoadOutput());
    ASSERT_EQ(doc.maxLines, 2);
    EXPECT_EQ(doc.fileBuffer[0], "first ");
    EXPECT_EQ(doc.fileBuffer[1], "second ");
    test::writeText(ChangeFileExt(path, ".OUT"), "cut\r");
    ASSERT_TRUE(doc.LoadOutput());
    EXPECT_EQ(doc.maxLines, 1);
    // A listing larger than the reader's block: lines across the block's end, a carriage return
    // as its last byte (the line feed comes with the next block), a NUL cutting a line short.
    std::string big(1 << 20, 'a');
    big[(1 << 20) - 1] = '\r';
    big[(1 << 20) - 11] = '\r';
    big[(1 << 20) - 10] = '\n';
    big[100] = '\0';
    big += "\nnext\r\nlong" + std::string(3 << 20, 'b') + "\r\n";
    test::writeText(ChangeFileExt(path, ".OUT"), big);
    ASSERT_TRUE(doc.LoadOutput());
    ASSERT_EQ(doc.maxLines, 4);
    EXPECT_EQ(doc.fileBuffer[0], std::string(100, 'a') + " ");
    EXPECT_EQ(doc.fileBuffer[1], std::string(8, 'a') + " ");
    EXPECT_EQ(doc.fileBuffer[2], "next ");
    EXPECT_EQ(doc.fileBuffer[3], "long" + std::string(3 << 20, 'b') + " ");
    // A listing large enough to be read and split in parts: every line where it was written.
    std::string huge;
    huge.reserve(40 << 20);
    for (int i = 0; huge.size() < (40u << 20); ++i)
        huge += "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x') + "\r\n";
    test::writeText(ChangeFileExt(path, ".OUT"), huge);
    ASSERT_TRUE(doc.LoadOutput());
    std::size_t at = 0, line = 0;
    for (; at < huge.size(); ++line) {
        const std::size_t cr = huge.find('\r', at);
        ASSERT_LT(line, doc.fileBuffer.size());
        ASSERT_EQ(doc.fileBuffer[line], huge.substr(at, cr - at) + " ") << line;
        at = cr + 2;
    }
    EXPECT_EQ(doc.fileBuffer.size(), line);
    doc.DiscardOutput();
    EXPECT_FALSE(doc.bValFile);
    EXPECT_EQ(doc.maxLines, 0);
}

// A listing split in parts over the cores gives the lines the rule gives for the whole, wherever
// the parts begin: carriage returns in a row, one at the very end, line feeds alone, NUL bytes.
TEST(SplitListingTest, AnyNumberOfPartsGivesTheLinesOfTheWhole) {
    auto rule = [](const std::string& s) {
        std::vector<std::string> lines;
        for (std::size_t p = 0;;) {
            const std::size_t c = s.find('\r', p);
            if (c == std::string::npos) break;
            const std::string line = s.substr(p, c - p);
            lines.push_back(line.substr(0, line.find('\0')) + " ");
            p = c + 2;
        }
        return lines;
    };
    std::mt19937 random(7);
    const char alphabet[] = {'a', 'b', '\r', '\r', '\n', ' '};
    for (int round = 0; round < 1000; ++round) {
        std::string s(random() % 120, 'a');
        for (char& c : s)
            c = alphabet[random() % sizeof alphabet];
        if (round % 10 == 0 && !s.empty()) s[random() % s.size()] = '\0';
        const std::vector<std::string> expected = rule(s);
        for (std::size_t parts = 1; parts <= 6; ++parts) {
            std::unique_ptr<char[]> text(new char[s.size() + 1]);
            std::memcpy(text.get(), s.data(), s.size());
            ListingLines lines;
            ASSERT_TRUE(SplitListing(std::move(text), s.size(), parts, lines));
            ASSERT_EQ(lines.size(), expected.size()) << round << " in " << parts;
            for (std::size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(lines[i], expected[i]) << round << " in " << parts << ", line " << i;
        }
    }
}

TEST(ChangeFileExtTest, ReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(ChangeFileExt("NET1.SIM", ".INP"), "NET1.INP");
    EXPECT_EQ(ChangeFileExt("/data/plant.v2/NET1.SIM", ".OUT"), "/data/plant.v2/NET1.OUT");
    EXPECT_EQ(ChangeFileExt("/data/plant.v2/NET1", ".OUT"), "/data/plant.v2/NET1.OUT");
    EXPECT_EQ(ChangeFileExt("A.B.SIM", ".OUT"), "A.OUT");
}

} // namespace
