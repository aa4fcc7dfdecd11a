// New, Open, Save, Save As, Close and the question before losing changes, through a scripted host.

#include <gtest/gtest.h>

#include <filesystem>

#include "model/kivoMDIClient.h"
#include "support/fake_host.h"
#include "support/scoped_ini.h"
#include "support/test_support.h"

using namespace kivo;

namespace {

struct FileCommands : ::testing::Test {
    test::ScopedIni ini;
    test::TempDir dir;
    test::FakeHost host;
    kivoMDIClient doc{&host};

    // A named, saved project with one point, then changed.
    std::string OpenChanged() {
        doc.CmFileNew();
        doc.NewPoint("P1", "", 1, 2, 3, 0);
        host.dialogs = {dir.file("net1")};
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
    host.formAnswer = false;
    doc.CmFileNew();
    EXPECT_FALSE(doc.bFileOpen);
    EXPECT_EQ(host.forms.size(), 1u) << "the Parameter form is not run after Cancel";
    EXPECT_EQ(host.viewsCreated, 0);
}

TEST_F(FileCommands, SaveAsAddsTheExtensionAndUpperCasesTheFileNameOnly) {
    std::string path = OpenChanged();
    EXPECT_EQ(path, dir.file("NET1.SIM"));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(host.title, "KIVO - " + path);
    EXPECT_TRUE(doc.bFileNamed);
}

TEST_F(FileCommands, SaveOfAnUnnamedProjectAddsNoExtension) {
    doc.CmFileNew();
    host.dialogs = {dir.file("net1")};
    doc.CmSaveFile();
    EXPECT_EQ(doc.OpenName, dir.file("NET1"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("NET1")));
    // Named now: Save writes without asking.
    doc.bFileDirty = true;
    doc.CmSaveFile();
    EXPECT_FALSE(doc.bFileDirty);
    EXPECT_TRUE(host.dialogs.empty());
}

TEST_F(FileCommands, SaveAsWithADotInAFolderStillGetsItsExtension) {
    std::filesystem::create_directory(dir.path() / "plant.v2");
    doc.CmFileNew();
    host.dialogs = {dir.file("plant.v2/net1")};
    doc.CmSaveAsFile();
    EXPECT_EQ(doc.OpenName, dir.file("plant.v2/NET1.SIM"));
}

TEST_F(FileCommands, AFailedSaveSaysSoAndKeepsTheChanges) {
    std::string path = OpenChanged();
    auto before = test::readBytes(path);
    host.dialogs = {dir.file("missing-folder/net2.sim")};
    doc.CmSaveAsFile();
    EXPECT_TRUE(doc.bFileDirty);
    EXPECT_EQ(doc.OpenName, path) << "the project keeps its name";
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().caption, "KIVO");
    EXPECT_EQ(test::readBytes(path), before);
}

TEST_F(FileCommands, CancelToSaveChangesKeepsTheProjectInEveryCommand) {
    std::string path = OpenChanged();
    for (auto command : {&kivoMDIClient::CmFileNew, &kivoMDIClient::CmFileOpen, &kivoMDIClient::CmFileClose}) {
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
    host.dialogs = {""};
    doc.CmFileClose();
    EXPECT_TRUE(doc.bFileOpen);
    EXPECT_TRUE(doc.bFileDirty);
}

TEST_F(FileCommands, OpenReadsTheFileAndLoadsNoListingWithoutOne) {
    std::string path = OpenChanged();
    host.answers = {IDYES};
    host.dialogs = {path};
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
    doc.DiscardOutput();
    EXPECT_FALSE(doc.bValFile);
    EXPECT_EQ(doc.maxLines, 0);
}

TEST(ChangeFileExtTest, ReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(ChangeFileExt("NET1.SIM", ".INP"), "NET1.INP");
    EXPECT_EQ(ChangeFileExt("/data/plant.v2/NET1.SIM", ".OUT"), "/data/plant.v2/NET1.OUT");
    EXPECT_EQ(ChangeFileExt("/data/plant.v2/NET1", ".OUT"), "/data/plant.v2/NET1.OUT");
    EXPECT_EQ(ChangeFileExt("A.B.SIM", ".OUT"), "A.OUT");
}

} // namespace
