// A data folder may come from anyone: what it holds (journals, links, FIFOs, files in the
// place of the lock) must never make a write, a rename or a removal reach outside the files
// the program itself writes, nor make it wait.

#include "store/safe_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/process_support.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Absolute(const std::string& path) {
  return (fs::current_path() / path).string();
}

std::string Ours(const std::string& folder, const std::string& name, long owner) {
  return folder + "/." + name + ".quilmorante-" + std::to_string(owner) + ".tmp";
}

std::string JournalText(const std::vector<std::pair<std::string, std::string>>& pairs,
                        bool whole = true) {
  std::string text = "QUILMORANTE journal 1\n";
  for (const auto& [temp, target] : pairs) text += Absolute(temp) + '\0' + Absolute(target) + '\0';
  if (whole) text += std::string("end") + '\0';
  return text;
}

// A batch finishes every journal it finds before it takes any temporary for stale: the
// journal in result/ rolls forward the temporaries of its output in alpha/, which the batch
// also writes into (and whose folder comes first in any order).
TEST(WriteFileSet, FinishesEveryJournalBeforeCleaning) {
  TempFolder folder;
  const EndedProcess ended;
  const long dead = ended.id();
  WriteText("alpha/x.gif", "old x");
  WriteText("result/AA.bmp", "old A");
  WriteText(Ours("alpha", "x.gif", dead), "new x");
  WriteText(Ours("result", "AA.bmp", dead), "new A");
  WriteText("result/.quilmorante-journal-" + std::to_string(dead),
            JournalText({{Ours("result", "AA.bmp", dead), "result/AA.bmp"},
                         {Ours("alpha", "x.gif", dead), "alpha/x.gif"}}));
  ASSERT_TRUE(WriteFileSet({}, {{"alpha/y.gif", {'y'}}, {"result/AB.bmp", {'B'}}}));
  EXPECT_EQ(ReadText("alpha/x.gif"), "new x");
  EXPECT_EQ(ReadText("result/AA.bmp"), "new A");
}

struct AsideCase {
  const char* name;
  const char* journal;  // nullptr: the writer died before writing it
  bool whole;
  bool removed;  // AQ.bmp is gone after recovery, rather than back
};

class MovedAside : public ::testing::TestWithParam<AsideCase> {
 protected:
  TempFolder folder;
};

// A frame a set removes is moved aside first: it comes back unless the set's journal was
// written whole, and then it goes.
TEST_P(MovedAside, ComesBackUnlessTheJournalWasWhole) {
  const AsideCase& c = GetParam();
  const EndedProcess ended;
  const std::string aside = "result/.AQ.bmp.quilmorante-" + std::to_string(ended.id()) + ".gone";
  WriteText(aside, "old frame");
  if (c.journal != nullptr)
    WriteText("result/.quilmorante-journal-" + std::to_string(ended.id()),
              JournalText({{aside, "result/AQ.bmp"}}, c.whole));
  RecoverFolder("result");
  EXPECT_FALSE(fs::exists(aside));
  EXPECT_EQ(fs::exists("result/AQ.bmp"), !c.removed);
}

INSTANTIATE_TEST_SUITE_P(Kills, MovedAside,
                         ::testing::Values(AsideCase{"BeforeTheJournal", nullptr, false, false},
                                           AsideCase{"WhileWritingTheJournal", "", false, false},
                                           AsideCase{"AfterTheJournal", "", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32
// A link a killed set moved aside to make a folder of its own in its place comes back while
// that folder holds nothing but the set's temporaries; once the set went through it goes.
TEST(MovedAsideLink, ComesBackUnlessTheSetWentThrough) {
  for (const bool committed : {false, true}) {
    TempFolder folder;
    const EndedProcess ended;
    const std::string aside = "out/.A-tiled.quilmorante-" + std::to_string(ended.id()) + ".gone";
    fs::create_directories("out/A-tiled");
    fs::create_symlink("../elsewhere", aside);
    WriteText(committed ? "out/A-tiled/A.tmx" : Ours("out/A-tiled", "A.tmx", ended.id()), "new");
    RecoverFolder("out");
    EXPECT_FALSE(fs::is_symlink(aside));
    EXPECT_EQ(fs::is_symlink("out/A-tiled"), !committed) << committed;
  }
}
#endif

TEST(AtomicWriteBatch, RemovesWithTheSetAndKeepsWhenItFails) {
  TempFolder folder;
  WriteText("result/A-0040.bmp", "old");
  {
    AtomicWriteBatch failing;
    ASSERT_TRUE(failing.Remove("result/A-0040.bmp"));
    ASSERT_TRUE(failing.Add("result/A-0000.bmp", "new", 3));
    fs::create_directories("result/A-0000.bmp/in the way");
    EXPECT_FALSE(failing.Commit());
  }
  EXPECT_EQ(ReadText("result/A-0040.bmp"), "old");
  fs::remove_all("result/A-0000.bmp");
  AtomicWriteBatch batch;
  ASSERT_TRUE(batch.Remove("result/A-0040.bmp"));
  ASSERT_TRUE(batch.Add("result/A-0000.bmp", "new", 3));
  ASSERT_TRUE(batch.Commit());
  EXPECT_FALSE(fs::exists("result/A-0040.bmp"));
  EXPECT_EQ(fs::directory_iterator("result")->path().filename(), "A-0000.bmp");
}

#ifndef _WIN32  // links and FIFOs as a received zip unpacks them: POSIX only

struct JournalCase {
  const char* name;
  // Lays out the folder for a writer `dead` that has ended; the journal goes to `journal`.
  std::function<void(long dead, const std::string& journal)> lay;
  // Every file that must hold exactly this afterwards ("" : must not exist).
  std::vector<std::pair<std::string, std::string>> expect;
};

class CraftedJournal : public ::testing::TestWithParam<JournalCase> {
 protected:
  TempFolder folder;
};

TEST_P(CraftedJournal, RenamesOrRemovesNothingButTheWritersOwnTemporaries) {
  const EndedProcess ended;
  const long dead = ended.id();
  WriteText("home/thesis.odt", "thesis");
  WriteText("alpha/x.gif", "old");
  fs::create_directories("result");
  GetParam().lay(dead, "result/.quilmorante-journal-" + std::to_string(dead));
  ::testing::internal::CaptureStderr();
  RecoverFolder("result");
  // What a received folder holds is said once, and plainly.
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.find("not read;"), std::string::npos) << said;
  for (const auto& [path, text] : GetParam().expect) {
    if (text.empty())
      EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
    else
      EXPECT_EQ(ReadText(path), text) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Received, CraftedJournal,
    ::testing::Values(
        // Another program's autosave next to the user's file, named as temporaries once were.
        JournalCase{"ForeignTemporaryRolledForward",
                    [](long dead, const std::string& journal) {
                      const std::string temp = "home/thesis.odt.tmp" + std::to_string(dead);
                      WriteText(temp, "autosave");
                      WriteText(journal, JournalText({{temp, "home/thesis.odt"}}));
                    },
                    {{"home/thesis.odt", "thesis"}}},
        JournalCase{"ForeignTemporaryUndone",
                    [](long dead, const std::string& journal) {
                      const std::string temp = "home/thesis.odt.tmp" + std::to_string(dead);
                      WriteText(temp, "autosave");
                      WriteText(journal, JournalText({{temp, "home/thesis.odt"}}, false));
                    },
                    {{"home/thesis.odt", "thesis"}}},
        JournalCase{"TemporaryInAnotherFolder",
                    [](long dead, const std::string& journal) {
                      const std::string temp = Ours("result", "thesis.odt", dead);
                      WriteText(temp, "planted");
                      WriteText(journal, JournalText({{temp, "home/thesis.odt"}}));
                    },
                    {{"home/thesis.odt", "thesis"}}},
        JournalCase{"TemporaryIsALink",
                    [](long dead, const std::string& journal) {
                      WriteText("home/other", "other");
                      fs::create_symlink(Absolute("home/other"), Ours("home", "thesis.odt", dead));
                      WriteText(
                          journal,
                          JournalText({{Ours("home", "thesis.odt", dead), "home/thesis.odt"}}));
                    },
                    {{"home/thesis.odt", "thesis"}, {"home/other", "other"}}},
        JournalCase{
            "TargetIsALink",
            [](long dead, const std::string& journal) {
              fs::create_symlink(Absolute("home/thesis.odt"), "result/AA.bmp");
              WriteText(Ours("result", "AA.bmp", dead), "frame");
              WriteText(journal, JournalText({{Ours("result", "AA.bmp", dead), "result/AA.bmp"}}));
            },
            {{"home/thesis.odt", "thesis"}}},
        // What a killed export really leaves: its own temporary beside an output elsewhere.
        JournalCase{
            "OwnTemporaryBesideAnOutput",
            [](long dead, const std::string& journal) {
              WriteText(Ours("alpha", "x.gif", dead), "new");
              WriteText(journal, JournalText({{Ours("alpha", "x.gif", dead), "alpha/x.gif"}}));
            },
            {{"alpha/x.gif", "new"}}},
        JournalCase{"JournalIsALink",
                    [](long dead, const std::string& journal) {
                      WriteText(Ours("alpha", "x.gif", dead), "new");
                      WriteText("home/journal",
                                JournalText({{Ours("alpha", "x.gif", dead), "alpha/x.gif"}}));
                      fs::create_symlink(Absolute("home/journal"), journal);
                    },
                    {{"alpha/x.gif", "old"}}},
        JournalCase{"JournalOverOneMiB",
                    [](long dead, const std::string& journal) {
                      WriteText(Ours("alpha", "x.gif", dead), "new");
                      std::vector<std::pair<std::string, std::string>> pairs(
                          6000, {std::string(100, 'p'), std::string(100, 'q')});
                      pairs.emplace_back(Ours("alpha", "x.gif", dead), "alpha/x.gif");
                      WriteText(journal, JournalText(pairs));
                    },
                    {{"alpha/x.gif", "old"}}},
        // Neither is opened: a FIFO would block the read for good.
        JournalCase{"JournalIsAFifoOrAFolder",
                    [](long dead, const std::string& journal) {
                      ASSERT_EQ(::mkfifo(journal.c_str(), 0600), 0);
                      fs::create_directories("result/.quilmorante-journal-" +
                                             std::to_string(dead + 1) + "/x");
                    },
                    {{"home/thesis.odt", "thesis"}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlantCase {
  const char* name;
  // What stands in the data folder before two slot files are written as one batch.
  std::function<void()> plant;
  bool refused;
};

class PlantedName : public ::testing::TestWithParam<PlantCase> {
 protected:
  TempFolder folder;
};

// Inside the data folder a write replaces the name itself: no link leads it to the victim,
// and a FIFO is refused at once rather than waited on.
TEST_P(PlantedName, NeverReachesTheVictim) {
  WriteText("victim", "the user's");
  fs::create_directories("savedata");
  GetParam().plant();
  AtomicWriteBatch batch;
  Result written = batch.Add("savedata/pat0.txt", "pattern", 7);
  if (written) written = batch.Add("savedata/pal0.txt", "palette", 7);
  if (written) written = batch.Commit();
  EXPECT_EQ(ReadText("victim"), "the user's");
  if (GetParam().refused) {
    EXPECT_FALSE(written);
    EXPECT_NE(written.message.find("savedata/pat0.txt"), std::string::npos) << written.message;
    return;
  }
  ASSERT_TRUE(written) << written.message;
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("savedata/pat0.txt")));
  EXPECT_EQ(ReadText("savedata/pat0.txt"), "pattern");
}

INSTANTIATE_TEST_SUITE_P(
    Received, PlantedName,
    ::testing::Values(
        PlantCase{"SlotIsALink",
                  [] { fs::create_symlink(Absolute("victim"), "savedata/pat0.txt"); }, false},
        PlantCase{"TemporaryNameIsALink",
                  [] {
                    fs::create_symlink(Absolute("victim"),
                                       Ours("savedata", "pat0.txt", ::getpid()));
                  },
                  false},
        PlantCase{"JournalNameIsALink",
                  [] {
                    fs::create_symlink(Absolute("victim"), "savedata/.quilmorante-journal-" +
                                                               std::to_string(::getpid()));
                  },
                  false},
        PlantCase{"SlotIsAFifo", [] { ASSERT_EQ(::mkfifo("savedata/pat0.txt", 0600), 0); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct LockCase {
  const char* name;
  std::function<void()> plant;  // what stands at the lock file's name
};

class PlantedLock : public ::testing::TestWithParam<LockCase> {
 protected:
  TempFolder folder;
};

// Whatever stands at the lock's name, one holder at a time, and nothing reached through it.
TEST_P(PlantedLock, StillLocksAndTouchesNothingElse) {
  WriteText("victim", "the user's");
  GetParam().plant();
  FileLock first, second;
  ASSERT_TRUE(FileLock::OnFile("editor.lock", 0, first));
  const Result busy = FileLock::OnFile("editor.lock", 0, second);
  EXPECT_FALSE(busy);
  EXPECT_EQ(busy.error, EWOULDBLOCK);
  EXPECT_EQ(ReadText("victim"), "the user's");
  EXPECT_FALSE(fs::exists("missing"));
}

INSTANTIATE_TEST_SUITE_P(
    Received, PlantedLock,
    ::testing::Values(
        LockCase{"LinkToAFile", [] { fs::create_symlink(Absolute("victim"), "editor.lock"); }},
        LockCase{"LinkToNothing", [] { fs::create_symlink(Absolute("missing"), "editor.lock"); }},
        LockCase{"Fifo", [] { ASSERT_EQ(::mkfifo("editor.lock", 0600), 0); }},
        LockCase{"ReadOnlyFile",
                 [] {
                   WriteText("editor.lock", "");
                   fs::permissions("editor.lock", fs::perms::owner_read);
                 }},
        LockCase{"FolderWithAFile", [] { WriteText("editor.lock/kept", "kept"); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlantedLockFolder, IsMovedAsideWithWhatItHolds) {
  TempFolder folder;
  WriteText("editor.lock/kept", "kept");
  FileLock lock;
  ASSERT_TRUE(FileLock::OnFile("editor.lock", 0, lock));
  EXPECT_EQ(ReadText("editor.lock.moved-" + std::to_string(::getpid()) + "/kept"), "kept");
}

#endif

}  // namespace
