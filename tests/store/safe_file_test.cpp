// What a killed batch leaves is finished or undone. And a data folder may come from anyone:
// what it holds (journals, links, FIFOs, files in the place of the lock) must never make a
// write, a rename or a removal reach outside the files the program itself writes, nor make it
// wait.

#include "store/safe_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/process_support.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Ours(const std::string& folder, const std::string& name, long owner) {
  return folder + "/." + name + ".quilmorante-" + std::to_string(owner) + ".tmp";
}

std::string JournalOf(const std::string& folder, long owner) {
  return folder + "/.quilmorante-journal-" + std::to_string(owner);
}

// A journal of (temporary, file) pairs, each named by its whole path as the writer names them.
std::string JournalText(const std::vector<std::pair<std::string, std::string>>& pairs,
                        bool whole = true) {
  std::string text = "QUILMORANTE journal 1\n";
  for (const auto& [temp, target] : pairs) text += temp + '\0' + target + '\0';
  if (whole) text += std::string("end") + '\0';
  return text;
}

// A batch finishes every journal it finds before it takes any temporary for stale: the
// journal in result/ rolls forward the temporaries of its output in alpha/, which the batch
// also writes into (and whose folder comes first in any order).
TEST(WriteFileSet, FinishesEveryJournalBeforeCleaning) {
  const TempFolder folder;
  const EndedProcess ended;
  const long dead = ended.id();
  const std::string alpha = folder.File("alpha"), result = folder.File("result");
  WriteText(alpha + "/x.gif", "old x");
  WriteText(result + "/AA.bmp", "old A");
  WriteText(Ours(alpha, "x.gif", dead), "new x");
  WriteText(Ours(result, "AA.bmp", dead), "new A");
  WriteText(JournalOf(result, dead),
            JournalText({{Ours(result, "AA.bmp", dead), result + "/AA.bmp"},
                         {Ours(alpha, "x.gif", dead), alpha + "/x.gif"}}));
  ASSERT_TRUE(WriteFileSet({}, {{alpha + "/y.gif", {'y'}}, {result + "/AB.bmp", {'B'}}}));
  EXPECT_EQ(ReadText(alpha + "/x.gif"), "new x");
  EXPECT_EQ(ReadText(result + "/AA.bmp"), "new A");
}

enum class Journal { kNone, kTorn, kWhole };

struct KillCase {
  const char* name;
  Journal journal;    // as much of its journal as the batch wrote before it died
  bool firstRenamed;  // the batch died after its first rename
  bool finished;      // recovery finishes the set, rather than undoing it
  bool deep = false;  // in a folder whose absolute path is longer than the system takes
};

// Makes and enters nested folders until the working folder's absolute path is longer than
// PATH_MAX (4096 on Linux): such a folder is reached only relative to the working folder.
void EnterFolderPastPathMax() {
  const std::string step(200, 'd');
  for (int depth = 0; depth < 22; ++depth) {
    fs::create_directory(step);
    fs::current_path(step);
  }
}

class KilledBatch : public ::testing::TestWithParam<KillCase> {};

// A batch that writes AA.bmp and AB.bmp and removes AQ.bmp (moved aside first) is killed. What
// it leaves is finished (a whole journal: both new, AQ.bmp gone) or undone (none or a torn
// one: both old, AQ.bmp back): the set is never left mixed, and nothing of the batch stays.
TEST_P(KilledBatch, SetIsWhollyOldOrWhollyNew) {
  const KillCase& c = GetParam();
#ifdef _WIN32
  if (c.deep) GTEST_SKIP() << "PATH_MAX is a POSIX limit; Windows paths have limits of their own";
#endif
  // Only the deep case enters its folder: a path past PATH_MAX is reached relative to the
  // working directory alone, and that reach is what it tests.
  const TempFolder folder({.enter = c.deep});
  if (c.deep) EnterFolderPastPathMax();
  const EndedProcess ended;
  const long dead = ended.id();
  // result/ as the journal names it (whole) and as the test and the recovery reach it.
  const std::string whole =
                        (c.deep ? fs::current_path() : folder.path()).generic_string() + "/result",
                    result = c.deep ? "result" : whole;
  const std::string aside = "/.AQ.bmp.quilmorante-" + std::to_string(dead) + ".gone";
  WriteText(result + "/AA.bmp", "old A");
  WriteText(result + "/AB.bmp", "old B");
  WriteText(Ours(result, "AA.bmp", dead), "new A");
  WriteText(Ours(result, "AB.bmp", dead), "new B");
  WriteText(result + aside, "old Q");
  const std::vector<std::pair<std::string, std::string>> listed = {
      {Ours(whole, "AA.bmp", dead), whole + "/AA.bmp"},
      {Ours(whole, "AB.bmp", dead), whole + "/AB.bmp"},
      {whole + aside, whole + "/AQ.bmp"}};
  if (c.journal != Journal::kNone)
    WriteText(JournalOf(result, dead), JournalText(listed, c.journal == Journal::kWhole));
  if (c.firstRenamed) fs::rename(Ours(result, "AA.bmp", dead), result + "/AA.bmp");
  EXPECT_GE(RecoverFolder(result), 1);
  EXPECT_EQ(ReadText(result + "/AA.bmp"), c.finished ? "new A" : "old A");
  EXPECT_EQ(ReadText(result + "/AB.bmp"), c.finished ? "new B" : "old B");
  if (!c.finished) {
    EXPECT_EQ(ReadText(result + "/AQ.bmp"), "old Q");
  }
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(result))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = {"AA.bmp", "AB.bmp"};
  if (!c.finished) expected.push_back("AQ.bmp");
  EXPECT_EQ(left, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kills, KilledBatch,
    ::testing::Values(KillCase{"BeforeTheJournal", Journal::kNone, false, false},
                      KillCase{"WhileWritingTheJournal", Journal::kTorn, false, false},
                      KillCase{"AfterTheJournal", Journal::kWhole, false, true},
                      KillCase{"AfterTheFirstRename", Journal::kWhole, true, true},
                      KillCase{"PastPathMax", Journal::kWhole, true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32
// A link a killed set moved aside to make a folder of its own in its place comes back while
// that folder holds nothing but the set's temporaries; once the set went through it goes.
TEST(MovedAsideLink, ComesBackUnlessTheSetWentThrough) {
  for (const bool committed : {false, true}) {
    const TempFolder folder;
    const EndedProcess ended;
    const std::string out = folder.File("out");
    const std::string aside = out + "/.A-tiled.quilmorante-" + std::to_string(ended.id()) + ".gone";
    fs::create_directories(out + "/A-tiled");
    fs::create_symlink("../elsewhere", aside);
    WriteText(committed ? out + "/A-tiled/A.tmx" : Ours(out + "/A-tiled", "A.tmx", ended.id()),
              "new");
    RecoverFolder(out);
    EXPECT_FALSE(fs::is_symlink(aside));
    EXPECT_EQ(fs::is_symlink(out + "/A-tiled"), !committed) << committed;
  }
}
#endif

TEST(AtomicWriteBatch, RemovesWithTheSetAndKeepsWhenItFails) {
  const TempFolder folder;
  const std::string result = folder.File("result");
  WriteText(result + "/A-0040.bmp", "old");
  {
    AtomicWriteBatch failing;
    ASSERT_TRUE(failing.Remove(result + "/A-0040.bmp"));
    ASSERT_TRUE(failing.Add(result + "/A-0000.bmp", "new", 3));
    fs::create_directories(result + "/A-0000.bmp/in the way");
    EXPECT_FALSE(failing.Commit());
  }
  EXPECT_EQ(ReadText(result + "/A-0040.bmp"), "old");
  fs::remove_all(result + "/A-0000.bmp");
  AtomicWriteBatch batch;
  ASSERT_TRUE(batch.Remove(result + "/A-0040.bmp"));
  ASSERT_TRUE(batch.Add(result + "/A-0000.bmp", "new", 3));
  ASSERT_TRUE(batch.Commit());
  EXPECT_FALSE(fs::exists(result + "/A-0040.bmp"));
  EXPECT_EQ(fs::directory_iterator(result)->path().filename(), "A-0000.bmp");
}

#ifndef _WIN32  // links and FIFOs as a received zip unpacks them: POSIX only

// A journal in result/ of a writer that has ended (dead), listing one temporary (holding
// "new") for one file; whole paths.
struct Crafted {
  const TempFolder& folder;
  long dead;
  std::string temp, journal;
};

// The temporary and the file a journal lists, named in the folder; "{pid}" is the writer's
// process id.
struct Listing {
  std::string temp, target;
  bool whole = true;
};

struct JournalCase {
  const char* name;
  Listing listed;
  // Every file that must hold exactly this afterwards ("" : must not exist).
  std::vector<std::pair<std::string, std::string>> expect;
  std::function<void(const Crafted&)> plant = nullptr;  // what else stands in the folder
};

class CraftedJournal : public ::testing::TestWithParam<JournalCase> {
 protected:
  TempFolder folder;
};

TEST_P(CraftedJournal, RenamesOrRemovesNothingButTheWritersOwnTemporaries) {
  const JournalCase& c = GetParam();
  const EndedProcess ended;
  std::string temp = c.listed.temp;
  temp.replace(temp.find("{pid}"), 5, std::to_string(ended.id()));
  const Crafted crafted{folder, ended.id(), folder.File(temp),
                        JournalOf(folder.File("result"), ended.id())};
  WriteText(folder.File("home/thesis.odt"), "thesis");
  WriteText(folder.File("alpha/x.gif"), "old");
  WriteText(crafted.temp, "new");
  WriteText(crafted.journal,
            JournalText({{crafted.temp, folder.File(c.listed.target)}}, c.listed.whole));
  if (c.plant) c.plant(crafted);
  ::testing::internal::CaptureStderr();
  RecoverFolder(folder.File("result"));
  // What a received folder holds is said once, and plainly.
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.find("not read;"), std::string::npos) << said;
  for (const auto& [path, text] : c.expect) {
    if (text.empty())
      EXPECT_FALSE(fs::exists(fs::symlink_status(folder.File(path)))) << path;
    else
      EXPECT_EQ(ReadText(folder.File(path)), text) << path;
  }
}

// The writer's own temporary of alpha/x.gif.
const Listing kOwnGif = {"alpha/.x.gif.quilmorante-{pid}.tmp", "alpha/x.gif"};

INSTANTIATE_TEST_SUITE_P(
    Received, CraftedJournal,
    ::testing::Values(
        // Another program's autosave next to the user's file, named as temporaries once were.
        JournalCase{"ForeignTemporaryRolledForward",
                    {"home/thesis.odt.tmp{pid}", "home/thesis.odt"},
                    {{"home/thesis.odt", "thesis"}}},
        JournalCase{"ForeignTemporaryUndone",
                    {"home/thesis.odt.tmp{pid}", "home/thesis.odt", false},
                    {{"home/thesis.odt", "thesis"}}},
        JournalCase{"TemporaryInAnotherFolder",
                    {"result/.thesis.odt.quilmorante-{pid}.tmp", "home/thesis.odt"},
                    {{"home/thesis.odt", "thesis"}}},
        JournalCase{"TemporaryIsALink",
                    {"home/.thesis.odt.quilmorante-{pid}.tmp", "home/thesis.odt"},
                    {{"home/thesis.odt", "thesis"}, {"home/other", "other"}},
                    [](const Crafted& c) {
                      WriteText(c.folder.File("home/other"), "other");
                      fs::remove(c.temp);
                      fs::create_symlink(c.folder.File("home/other"), c.temp);
                    }},
        JournalCase{"TargetIsALink",
                    {"result/.AA.bmp.quilmorante-{pid}.tmp", "result/AA.bmp"},
                    {{"home/thesis.odt", "thesis"}},
                    [](const Crafted& c) {
                      fs::create_symlink(c.folder.File("home/thesis.odt"),
                                         c.folder.File("result/AA.bmp"));
                    }},
        // What a killed export really leaves: its own temporary beside an output elsewhere.
        JournalCase{"OwnTemporaryBesideAnOutput", kOwnGif, {{"alpha/x.gif", "new"}}},
        JournalCase{"JournalIsALink",
                    kOwnGif,
                    {{"alpha/x.gif", "old"}},
                    [](const Crafted& c) {
                      fs::rename(c.journal, c.folder.File("home/journal"));
                      fs::create_symlink(c.folder.File("home/journal"), c.journal);
                    }},
        JournalCase{"JournalOverOneMiB",
                    kOwnGif,
                    {{"alpha/x.gif", "old"}},
                    [](const Crafted& c) {
                      std::vector<std::pair<std::string, std::string>> pairs(
                          6000, {c.folder.File(std::string(100, 'p')),
                                 c.folder.File(std::string(100, 'q'))});
                      pairs.emplace_back(c.temp, c.folder.File("alpha/x.gif"));
                      WriteText(c.journal, JournalText(pairs));
                    }},
        // Neither is opened: a FIFO would block the read for good.
        JournalCase{"JournalIsAFifoOrAFolder",
                    kOwnGif,
                    {{"home/thesis.odt", "thesis"}},
                    [](const Crafted& c) {
                      fs::remove(c.journal);
                      ASSERT_EQ(::mkfifo(c.journal.c_str(), 0600), 0);
                      fs::create_directories(JournalOf(c.folder.File("result"), c.dead + 1) + "/x");
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlantCase {
  const char* name;
  // What stands in the data folder before two slot files are written as one batch.
  std::function<void(const TempFolder& folder)> plant;
  bool refused;
};

class PlantedName : public ::testing::TestWithParam<PlantCase> {
 protected:
  TempFolder folder;
};

// Inside the data folder a write replaces the name itself: no link leads it to the victim,
// and a FIFO is refused at once rather than waited on.
TEST_P(PlantedName, NeverReachesTheVictim) {
  WriteText(folder.File("victim"), "the user's");
  fs::create_directories(folder.File("savedata"));
  GetParam().plant(folder);
  const std::string slot = folder.File("savedata/pat0.txt");
  AtomicWriteBatch batch;
  Result written = batch.Add(slot, "pattern", 7);
  if (written) written = batch.Add(folder.File("savedata/pal0.txt"), "palette", 7);
  if (written) written = batch.Commit();
  EXPECT_EQ(ReadText(folder.File("victim")), "the user's");
  if (GetParam().refused) {
    EXPECT_FALSE(written);
    EXPECT_NE(written.message.find("savedata/pat0.txt"), std::string::npos) << written.message;
    return;
  }
  ASSERT_TRUE(written) << written.message;
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(slot)));
  EXPECT_EQ(ReadText(slot), "pattern");
}

INSTANTIATE_TEST_SUITE_P(
    Received, PlantedName,
    ::testing::Values(
        PlantCase{"SlotIsALink",
                  [](const TempFolder& folder) {
                    fs::create_symlink(folder.File("victim"), folder.File("savedata/pat0.txt"));
                  },
                  false},
        PlantCase{"TemporaryNameIsALink",
                  [](const TempFolder& folder) {
                    fs::create_symlink(folder.File("victim"),
                                       Ours(folder.File("savedata"), "pat0.txt", ::getpid()));
                  },
                  false},
        PlantCase{"JournalNameIsALink",
                  [](const TempFolder& folder) {
                    fs::create_symlink(folder.File("victim"),
                                       JournalOf(folder.File("savedata"), ::getpid()));
                  },
                  false},
        PlantCase{"SlotIsAFifo",
                  [](const TempFolder& folder) {
                    ASSERT_EQ(::mkfifo(folder.File("savedata/pat0.txt").c_str(), 0600), 0);
                  },
                  true}),
    [](const auto& info) { return std::string(info.param.name); });

struct LockCase {
  const char* name;
  std::function<void(const std::string& lock, const TempFolder& folder)> plant;  // at the lock
};

class PlantedLock : public ::testing::TestWithParam<LockCase> {
 protected:
  TempFolder folder;
};

// Whatever stands at the lock's name, one holder at a time, and nothing reached through it.
TEST_P(PlantedLock, StillLocksAndTouchesNothingElse) {
  const std::string lock = folder.File("editor.lock");
  WriteText(folder.File("victim"), "the user's");
  GetParam().plant(lock, folder);
  FileLock first, second;
  ASSERT_TRUE(FileLock::OnFile(lock, 0, first));
  const Result busy = FileLock::OnFile(lock, 0, second);
  EXPECT_FALSE(busy);
  EXPECT_EQ(busy.error, EWOULDBLOCK);
  EXPECT_EQ(ReadText(folder.File("victim")), "the user's");
  EXPECT_FALSE(fs::exists(folder.File("missing")));
}

INSTANTIATE_TEST_SUITE_P(
    Received, PlantedLock,
    ::testing::Values(
        LockCase{"LinkToAFile",
                 [](const std::string& lock, const TempFolder& folder) {
                   fs::create_symlink(folder.File("victim"), lock);
                 }},
        LockCase{"LinkToNothing",
                 [](const std::string& lock, const TempFolder& folder) {
                   fs::create_symlink(folder.File("missing"), lock);
                 }},
        LockCase{"Fifo", [](const std::string& lock,
                            const TempFolder&) { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); }},
        LockCase{"ReadOnlyFile",
                 [](const std::string& lock, const TempFolder&) {
                   WriteText(lock, "");
                   fs::permissions(lock, fs::perms::owner_read);
                 }},
        LockCase{"FolderWithAFile", [](const std::string& lock,
                                       const TempFolder&) { WriteText(lock + "/kept", "kept"); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlantedLockFolder, IsMovedAsideWithWhatItHolds) {
  const TempFolder folder;
  const std::string lock = folder.File("editor.lock");
  WriteText(lock + "/kept", "kept");
  FileLock held;
  ASSERT_TRUE(FileLock::OnFile(lock, 0, held));
  EXPECT_EQ(ReadText(lock + ".moved-" + std::to_string(::getpid()) + "/kept"), "kept");
}

#endif

}  // namespace
