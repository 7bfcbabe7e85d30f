// The rename run over real files in a temporary folder.
#include <gtest/gtest.h>

#include <stdexcept>

#include <algorithm>
#include <set>

#include <sys/stat.h>
#include <sys/time.h>

#include "TestSupport.h"
#include "rename/RenameRun.h"

namespace {

using namespace testsupport;
using options::CaseRule;
using renaming::NameRule;
using renaming::RenameResult;

struct Recorder : renaming::RenameObserver {
    int range = -1;
    std::vector<int> positions;
    std::vector<int> fileProgress;
    int messages = 0;
    std::vector<std::string> added;
    void OverallRange(int maximum) override { range = maximum; }
    void OverallPosition(int position) override { positions.push_back(position); }
    void FileProgress(int percent) override { fileProgress.push_back(percent); }
    void ProcessMessages() override { ++messages; }
    void DestinationAdded(const std::string& path) override { added.push_back(path); }
};

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The names in a folder, sorted (temporary files would show here).
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RenameRunTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir / "in"); }
    std::string In(const std::string& name, const std::string& content) {
        WriteBytes(dir / "in" / name, Bytes(content));
        return (dir / "in" / name).string();
    }
    RenameResult Run(const std::vector<std::string>& list, NameRule rule) {
        renaming::RenameRun run(std::move(rule), recorder);
        return run.Run(list);
    }
    NameRule Rule(std::string prefix, std::int32_t start, std::int32_t digits, const fs::path& folder,
                  CaseRule caseRule = CaseRule::Keep) {
        return {std::move(prefix), "", start, digits, caseRule, folder.string(), true};
    }

    TempDir dir;
    Recorder recorder;
};

TEST_F(RenameRunTest, CopiesUnderTheGeneratedNameAndKeepsTheSource) {
    const std::string source = In("a.JPG", "first picture");
    const RenameResult result = Run({source}, Rule("P", 7, 3, dir / "out", CaseRule::Lower));
    const std::string copy = (dir / "out" / "p007.JPG").string();
    EXPECT_EQ(result.destNames, std::vector<std::string>{copy});
    EXPECT_EQ(result.copied, std::vector<std::string>{copy});
    EXPECT_EQ(recorder.added, std::vector<std::string>{copy});
    EXPECT_EQ(ReadBytes(copy), Bytes("first picture"));
    EXPECT_EQ(ReadBytes(source), Bytes("first picture"));
    EXPECT_EQ(Names(dir / "out"), std::vector<std::string>{"p007.JPG"});
    EXPECT_EQ(renaming::DestinationCountCaption(12), " 変換先ファイル：12files");
}

// A prefix or suffix holding "/" would put copies outside the folder the user chose: the run is refused first.
TEST_F(RenameRunTest, NamesThatWouldLeaveTheFolderAreRefusedBeforeAnyCopy) {
    const std::string source = In("a.jpg", "picture");
    for (NameRule rule : {Rule("../escaped-", 1, 4, dir / "out"), Rule("IMG_", 1, 4, dir / "out")}) {
        if (rule.prefix == "IMG_") rule.suffix = "/x";
        EXPECT_THROW(Run({source}, rule), std::invalid_argument) << rule.prefix << rule.suffix;
    }
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"in"}));
}

TEST_F(RenameRunTest, AnEmptyListStillCreatesTheFolder) {
    const RenameResult result = Run({}, Rule("IMG_", 1, 4, dir / "out"));
    EXPECT_TRUE(fs::is_directory(dir / "out"));
    EXPECT_TRUE(result.destNames.empty());
    EXPECT_TRUE(result.copied.empty());
    EXPECT_TRUE(recorder.added.empty());
    EXPECT_EQ(recorder.range, 0);
    EXPECT_EQ(recorder.positions, std::vector<int>{0});
}

TEST_F(RenameRunTest, RunningTwiceCopiesAndListsAgain) {
    const std::string source = In("a.png", "version 1");
    Run({source}, Rule("r", 1, 2, dir / "out"));
    WriteBytes(source, Bytes("version 2, longer"));
    Run({source}, Rule("r", 1, 2, dir / "out"));
    const std::string copy = (dir / "out" / "r01.png").string();
    EXPECT_EQ(recorder.added, (std::vector<std::string>{copy, copy}));
    EXPECT_EQ(ReadBytes(copy), Bytes("version 2, longer"));
    EXPECT_EQ(Names(dir / "out"), std::vector<std::string>{"r01.png"});
}

TEST_F(RenameRunTest, EntriesThatAreNoFileKeepTheirNumbers) {
    fs::create_directories(dir / "in" / "folder.d");
    ASSERT_EQ(::mkfifo((dir / "in" / "pipe.jpg").c_str(), 0600), 0); // must not block the run
    const std::vector<std::string> list = {In("a.jpg", "A"),
                                           (dir / "in" / "folder.d").string(),
                                           In("b.bmp", "B"),
                                           (dir / "in" / "missing.jpg").string(),
                                           (dir / "in" / "pipe.jpg").string(),
                                           In("c", "C")};
    const RenameResult result = Run(list, Rule("", 1, 1, dir / "out"));
    EXPECT_EQ(result.destNames.size(), 6u);
    EXPECT_EQ(Names(dir / "out"), (std::vector<std::string>{"1.jpg", "3.bmp", "6"}));
    EXPECT_EQ(ReadBytes(dir / "out" / "3.bmp"), Bytes("B"));
    EXPECT_EQ(recorder.added.size(), 3u);
    EXPECT_EQ(recorder.range, 6);
    EXPECT_EQ(recorder.positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 0}));
}

TEST_F(RenameRunTest, AMissingParentCopiesNothing) {
    const RenameResult result = Run({In("a.jpg", "A")}, Rule("", 1, 1, dir / "no" / "out"));
    EXPECT_TRUE(result.copied.empty());
    EXPECT_TRUE(recorder.added.empty());
    EXPECT_FALSE(fs::exists(dir / "no"));
    EXPECT_EQ(Names(dir / "in"), std::vector<std::string>{"a.jpg"});
}

TEST_F(RenameRunTest, ACopyThatCannotTakeItsNameLeavesNothingAndTheOthersGoOn) {
    fs::create_directories(dir / "out" / "2.jpg"); // a folder where the second copy should go
    const RenameResult result =
        Run({In("a.jpg", "A"), In("b.jpg", "B"), In("c.jpg", "C")}, Rule("", 1, 1, dir / "out"));
    EXPECT_EQ(result.copied,
              (std::vector<std::string>{(dir / "out" / "1.jpg").string(), (dir / "out" / "3.jpg").string()}));
    EXPECT_EQ(Names(dir / "out"), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_TRUE(fs::is_directory(dir / "out" / "2.jpg"));
    EXPECT_EQ(ReadBytes(dir / "out" / "3.jpg"), Bytes("C"));
}

// The output folder is the source folder, and the names rotate: every copy replaces a source of the same run.
// A copy made in list order would overwrite a source before reading it.
TEST_F(RenameRunTest, NoSourceIsOverwrittenBeforeItIsRead) {
    const std::string p1 = In("p1.jpg", "content of p1"), p2 = In("p2.jpg", "content of p2");
    // p1 becomes p2.jpg, p2 becomes p3.jpg.
    Run({p1, p2}, Rule("p", 2, 1, dir / "in"));
    EXPECT_EQ(ReadBytes(dir / "in" / "p2.jpg"), Bytes("content of p1"));
    EXPECT_EQ(ReadBytes(dir / "in" / "p3.jpg"), Bytes("content of p2"));
    EXPECT_EQ(ReadBytes(dir / "in" / "p1.jpg"), Bytes("content of p1"));

    // 3 → 1, 1 → 2, 2 → 3.
    const std::string a = In("1.jpg", "A"), b = In("2.jpg", "B"), c = In("3.jpg", "C");
    fs::remove(dir / "in" / "p1.jpg");
    fs::remove(dir / "in" / "p2.jpg");
    fs::remove(dir / "in" / "p3.jpg");
    recorder = Recorder();
    Run({c, a, b}, Rule("", 1, 1, dir / "in"));
    EXPECT_EQ(ReadBytes(a), Bytes("C"));
    EXPECT_EQ(ReadBytes(b), Bytes("A"));
    EXPECT_EQ(ReadBytes(c), Bytes("B"));
    EXPECT_EQ(recorder.added, (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(Names(dir / "in"), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
}

TEST_F(RenameRunTest, BigFilesReportProgressWhileTheyAreCopied) {
    std::vector<std::uint8_t> big(3 * 1024 * 1024 + 12345);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = std::uint8_t(i * 7 + i / 4096);
    WriteBytes(dir / "in" / "big.bmp", big);
    const std::string small = In("small.jpg", "s");
    Run({(dir / "in" / "big.bmp").string(), small}, Rule("", 1, 1, dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out" / "1.bmp"), big);
    // Four chunks of the big file, back to 0, one chunk of the small one, back to 0.
    ASSERT_EQ(recorder.fileProgress.size(), 7u);
    EXPECT_TRUE(std::is_sorted(recorder.fileProgress.begin(), recorder.fileProgress.begin() + 4));
    EXPECT_LT(recorder.fileProgress[0], 50);
    EXPECT_EQ(recorder.fileProgress[3], 100);
    EXPECT_EQ(recorder.fileProgress[4], 0);
    EXPECT_EQ(recorder.fileProgress[5], 100);
    EXPECT_EQ(recorder.fileProgress[6], 0);
    EXPECT_GE(recorder.messages, 6); // per chunk and per file
}

TEST_F(RenameRunTest, TheCopyKeepsPermissionsAndModificationTime) {
    const std::string source = In("a.jpg", "A");
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    const struct timeval times[2] = {{1000000000, 0}, {1100000000, 500000}};
    ASSERT_EQ(::utimes(source.c_str(), times), 0);
    Run({source}, Rule("", 1, 1, dir / "out"));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "out" / "1.jpg").c_str(), &info), 0);
    EXPECT_EQ(
        info.st_mode & 0777, 0640u & ~[] {
            mode_t m = ::umask(0);
            ::umask(m);
            return m;
        }());
    EXPECT_EQ(info.st_mtim.tv_sec, 1100000000);
    EXPECT_EQ(info.st_mtim.tv_nsec, 500000000);
}

} // namespace
