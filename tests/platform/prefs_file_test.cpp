#include "platform/prefs_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "no_permission_override.h"
#include "platform/temporary_files.h"
#include "temp_dir.h"

using namespace pixmold;
using pixmold::test::read_bytes;
using pixmold::test::write_bytes;

namespace {

const std::string BOM = "\xEF\xBB\xBF";

class PrefsFile : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("pref.vrn");

    // Opens `text` as a file, runs `edit`, closes, returns the new bytes.
    template <typename Edit>
    std::string rewrite(const std::string& text, Edit edit) {
        write_bytes(path, text);
        EXPECT_TRUE(prefs_open(path));
        edit();
        prefs_close();
        return read_bytes(path);
    }

    int files_in_folder() const {
        int n = 0;
        for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++n;
        return n;
    }
};

TEST_F(PrefsFile, NewFileIsWrittenByteForByte) {
    ASSERT_TRUE(prefs_create(path));
    prefs_select_group("DEFAUT");
    prefs_write_text("MODE", "REL");
    prefs_write_number("QUALITE", 8);
    prefs_select_group("USER");
    prefs_write_text("PREFIX", "prefix_");
    EXPECT_TRUE(prefs_close());
    EXPECT_EQ(read_bytes(path), BOM + "\r\n[DEFAUT]\r\nMODE = REL\r\nQUALITE = 8\r\n[USER]\r\nPREFIX = prefix_\r\n");
}

TEST_F(PrefsFile, EmptyCreatedFileHoldsMarkAndEmptyLine) {
    ASSERT_TRUE(prefs_create(path));
    EXPECT_TRUE(prefs_close());
    EXPECT_EQ(read_bytes(path), BOM + "\r\n");
}

TEST_F(PrefsFile, CreateReplacesAnExistingFile) {
    write_bytes(path, "[OLD]\nA=1\n");
    ASSERT_TRUE(prefs_create(path));
    prefs_select_group("NEW");
    prefs_write_number("B", 2);
    prefs_close();
    EXPECT_EQ(read_bytes(path), BOM + "\r\n[NEW]\r\nB = 2\r\n");
}

TEST_F(PrefsFile, Latin1FileReadsAccentAndIsRewrittenAsUtf8) {
    std::string out = rewrite("[G]\r\nname=caf\xE9\r\n", [] {
        prefs_select_group("G");
        EXPECT_EQ(prefs_read_text("name", ""), "caf\xC3\xA9");
        prefs_write_number("n", 1);
    });
    EXPECT_EQ(out, BOM + "\r\n[G]\r\nname = caf\xC3\xA9\r\nn = 1\r\n");
}

TEST_F(PrefsFile, ShortFilesAreLatin1) {
    write_bytes(path, "\xE9");
    ASSERT_TRUE(prefs_open(path));
    EXPECT_EQ(prefs_read_text("\xC3\xA9", "missing"), "");
    prefs_close();
}

TEST_F(PrefsFile, Utf8WithMarkIsReadAsIs) {
    write_bytes(path, BOM + "[G]\nname = caf\xC3\xA9\n");
    ASSERT_TRUE(prefs_open(path));
    prefs_select_group("g");
    EXPECT_EQ(prefs_read_text("NAME", ""), "caf\xC3\xA9");
    prefs_close();
}

TEST_F(PrefsFile, KeysMatchWhateverTheCaseAndBlanks) {
    std::string out = rewrite("[user]\r\n   quaLITE\t =\t 7  \r\n", [] {
        EXPECT_TRUE(prefs_select_group("USER"));
        EXPECT_EQ(prefs_read_text("QUALITE", "x"), "7");
        EXPECT_EQ(prefs_read_number("Qualite", 0), 7);
        prefs_write_number("QUALITE", 9);
    });
    EXPECT_EQ(out, BOM + "\r\n[user]\r\nQUALITE = 9\r\n");
}

TEST_F(PrefsFile, ValueKeepsTrailingBlanksOnDiskButReadsTrimmed) {
    std::string out = rewrite("[G]\nA = x  \nB=1\n", [] {
        prefs_select_group("G");
        EXPECT_EQ(prefs_read_text("A", ""), "x");
        prefs_write_number("B", 2);
    });
    EXPECT_EQ(out, BOM + "\r\n[G]\r\nA = x  \r\nB = 2\r\n");
}

TEST_F(PrefsFile, GroupHeaderIgnoresWordsAfterBracket) {
    write_bytes(path, "[USER] my settings\nA=1\n[Open\nB=2\n");
    ASSERT_TRUE(prefs_open(path));
    EXPECT_TRUE(prefs_select_group("USER"));
    EXPECT_EQ(prefs_read_number("A", 0), 1);
    EXPECT_TRUE(prefs_select_group("open"));  // no closing bracket: the rest of the line
    EXPECT_EQ(prefs_read_number("B", 0), 2);
    prefs_close();
}

TEST_F(PrefsFile, CommentsComeBackWithOneBlank) {
    std::string out = rewrite(";first\r\n; second\r\n;  third\r\n[G]\r\n", [] { prefs_write_text("k", "v"); });
    EXPECT_EQ(out, BOM + "\r\n; first\r\n; second\r\n;  third\r\nk = v\r\n[G]\r\n");
}

TEST_F(PrefsFile, DuplicateGroupsUseTheFirst) {
    std::string out = rewrite("[USER]\nA=1\n[USER]\nA=2\n", [] {
        prefs_select_group("USER");
        EXPECT_EQ(prefs_read_number("A", 0), 1);
        prefs_write_number("A", 5);
    });
    EXPECT_EQ(out, BOM + "\r\n[USER]\r\nA = 5\r\n[USER]\r\nA = 2\r\n");
}

TEST_F(PrefsFile, MissingGroupIsAddedAtTheEndWithItsKey) {
    std::string out = rewrite("[DEFAUT]\nA=1\n", [] {
        EXPECT_FALSE(prefs_select_group("USER"));
        EXPECT_EQ(prefs_read_number("A", 42), 42);  // a pending group has no keys
        prefs_write_number("A", 3);
        prefs_write_text("B", "b");
    });
    EXPECT_EQ(out, BOM + "\r\n[DEFAUT]\r\nA = 1\r\n[USER]\r\nA = 3\r\nB = b\r\n");
}

TEST_F(PrefsFile, NewKeysGoAtTheEndOfTheirGroup) {
    std::string out = rewrite("top=1\n[A]\nx=1\n; note\n[B]\ny=2\n", [] {
        prefs_select_group("A");
        prefs_write_text("z", "3");
        prefs_select_group("");
        prefs_write_text("top2", "4");
    });
    EXPECT_EQ(out, BOM + "\r\ntop = 1\r\ntop2 = 4\r\n[A]\r\nx = 1\r\n; note\r\nz = 3\r\n[B]\r\ny = 2\r\n");
}

TEST_F(PrefsFile, KeyBeforeFirstGroupGoesToTheVeryStart) {
    std::string out = rewrite("[A]\nx=1\n", [] {
        prefs_select_group("");
        prefs_write_text("k", "v");
    });
    EXPECT_EQ(out, BOM + "\r\nk = v\r\n[A]\r\nx = 1\r\n");
}

TEST_F(PrefsFile, NumbersReadAsLeadingDecimal) {
    write_bytes(path, "[G]\na=12abc\nb=abc\nc=-7\nd=+5\ne=\nf=99999999999999999999999\ng=-99999999999999999999999\n");
    ASSERT_TRUE(prefs_open(path));
    prefs_select_group("G");
    EXPECT_EQ(prefs_read_number("a", 1), 12);
    EXPECT_EQ(prefs_read_number("b", 1), 0);
    EXPECT_EQ(prefs_read_number("c", 1), -7);
    EXPECT_EQ(prefs_read_number("d", 1), 5);
    EXPECT_EQ(prefs_read_number("e", 1), 0);
    EXPECT_EQ(prefs_read_number("f", 1), INT64_MAX);
    EXPECT_EQ(prefs_read_number("g", 1), INT64_MIN);
    EXPECT_EQ(prefs_read_number("missing", 77), 77);
    prefs_close();
}

TEST_F(PrefsFile, NumbersAreWrittenAsTheirLow32Bits) {
    std::string out = rewrite("", [] {
        prefs_write_number("a", 4294967297LL);
        prefs_write_number("b", 2147483648LL);
        prefs_write_number("c", -1);
    });
    EXPECT_EQ(out, BOM + "\r\na = 1\r\nb = -2147483648\r\nc = -1\r\n");
}

TEST_F(PrefsFile, ReadsOnlyLeaveTheFileUntouched) {
    const std::string original = "\n\n  [USER]  x\r\n;c\nA =  1 \r\r\n";
    write_bytes(path, original);
    ASSERT_TRUE(prefs_open(path));
    prefs_select_group("USER");
    EXPECT_EQ(prefs_read_number("A", 0), 1);
    EXPECT_FALSE(prefs_close());  // nothing was written
    EXPECT_EQ(read_bytes(path), original);
}

TEST_F(PrefsFile, LineWithoutEqualsIsAKeyWithEmptyValue) {
    for (const char* eol : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(testing::Message() << "line end " << int(eol[0]) << "," << int(eol[1]));
        std::string e = eol;
        write_bytes(path, "[G]" + e + "  LONELY  " + e + "NEXT = 5" + e);
        ASSERT_TRUE(prefs_open(path));
        prefs_select_group("G");
        EXPECT_EQ(prefs_read_text("LONELY", "default"), "");
        EXPECT_EQ(prefs_read_number("NEXT", 0), 5);
        prefs_write_number("NEXT", 6);
        prefs_close();
        EXPECT_EQ(read_bytes(path), BOM + "\r\n[G]\r\nLONELY = \r\nNEXT = 6\r\n");
    }
}

TEST_F(PrefsFile, OutputStyleFlags) {
    ASSERT_TRUE(prefs_create(path));
    prefs_set_flags(PREFS_NO_BLANKS_AROUND_EQUALS | PREFS_EMPTY_LINE_BEFORE_GROUPS);
    prefs_select_group("A");
    prefs_write_text("x", "1");
    prefs_select_group("B");
    prefs_write_text("y", "2");
    prefs_close();
    EXPECT_EQ(read_bytes(path), BOM + "\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
}

TEST_F(PrefsFile, GroupWalkCountsHeadersInOrder) {
    write_bytes(path, "a=1\n[ONE]\n[two]\nb=2\n[ONE]\n");
    ASSERT_TRUE(prefs_open(path));
    std::vector<std::string> names;
    for (bool more = prefs_first_group(); more; more = prefs_next_group()) names.push_back(prefs_group_name());
    EXPECT_EQ(names, (std::vector<std::string>{"ONE", "two", "ONE"}));
    prefs_close();
}

TEST_F(PrefsFile, OpenFailsForMissingFileAndFolders) {
    EXPECT_FALSE(prefs_open(dir.file("absent")));
    EXPECT_FALSE(prefs_open(dir.path()));
    prefs_close();
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent")));
}

TEST_F(PrefsFile, WritesAfterAFailedOpenCreateTheFile) {
    EXPECT_FALSE(prefs_open(path));
    prefs_select_group("USER");
    prefs_write_text("A", "1");
    EXPECT_TRUE(prefs_close());
    EXPECT_EQ(read_bytes(path), BOM + "\r\n[USER]\r\nA = 1\r\n");
}

TEST_F(PrefsFile, OpeningAnotherFileClosesAndWritesThePrevious) {
    ASSERT_TRUE(prefs_create(path));
    prefs_write_text("A", "1");
    write_bytes(dir.file("other"), "B=2\n");
    ASSERT_TRUE(prefs_open(dir.file("other")));
    EXPECT_EQ(read_bytes(path), BOM + "\r\nA = 1\r\n");
    EXPECT_EQ(prefs_read_number("B", 0), 2);
    prefs_close();
}

TEST_F(PrefsFile, EachThreadHasItsOwnFile) {
    std::string other = dir.file("other.vrn");
    ASSERT_TRUE(prefs_create(path));
    prefs_write_text("main", "1");
    std::thread worker([&] {
        ASSERT_TRUE(prefs_create(other));
        prefs_write_text("worker", "2");
        EXPECT_TRUE(prefs_close());
    });
    worker.join();
    prefs_write_text("main2", "3");
    EXPECT_TRUE(prefs_close());
    EXPECT_EQ(read_bytes(path), BOM + "\r\nmain = 1\r\nmain2 = 3\r\n");
    EXPECT_EQ(read_bytes(other), BOM + "\r\nworker = 2\r\n");
}

// The rewrite goes through a temporary file renamed over the original.
TEST_F(PrefsFile, RewriteLeavesNoTemporaryFileAndKeepsMode) {
    write_bytes(path, "A=1\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(prefs_open(path));
    prefs_write_text("A", "2");
    EXPECT_TRUE(prefs_close());
    EXPECT_EQ(files_in_folder(), 1);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(PrefsFile, RewriteThroughALinkKeepsTheLink) {
    std::string real = dir.file("real.vrn");
    write_bytes(real, "A=1\n");
    std::filesystem::create_symlink(real, path);
    ASSERT_TRUE(prefs_open(path));
    prefs_write_text("A", "2");
    EXPECT_TRUE(prefs_close());
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(read_bytes(real), BOM + "\r\nA = 2\r\n");
}

TEST_F(PrefsFile, FailedRewriteLeavesTheOldFileIntact) {
    test::NoPermissionOverride as_user;
    if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
    const std::string original = "[USER]\nA=1\n";
    write_bytes(path, original);
    ::chmod(dir.path().c_str(), 0555);  // the file stays writable; no temporary file can be made
    ASSERT_TRUE(prefs_open(path));
    prefs_select_group("USER");
    prefs_write_text("A", "2");
    EXPECT_FALSE(prefs_close());
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(read_bytes(path), original);
    EXPECT_EQ(files_in_folder(), 1);
}

TEST_F(PrefsFile, ReadOnlyFileIsReadButNeverRewritten) {
    test::NoPermissionOverride as_user;
    if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
    const std::string original = "[USER]\nA=1\n";
    write_bytes(path, original);
    ::chmod(path.c_str(), 0444);
    ASSERT_TRUE(prefs_open(path));
    prefs_select_group("USER");
    EXPECT_EQ(prefs_read_number("A", 0), 1);
    prefs_write_number("A", 2);
    EXPECT_FALSE(prefs_close());
    EXPECT_EQ(read_bytes(path), original);
}

// A kill before the close leaves no file at all, never an empty one that a
// later start would take for the settings.
TEST_F(PrefsFile, CreatedFileAppearsOnlyWhenClosed) {
    const pid_t child = ::fork();
    if (child == 0) {
        prefs_create(path);
        prefs_select_group("DEFAUT");
        prefs_write_text("MODE", "REL");
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(files_in_folder(), 0);

    ASSERT_TRUE(prefs_create(path));
    prefs_write_text("A", "1");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(prefs_close());
    EXPECT_EQ(read_bytes(path), BOM + "\r\nA = 1\r\n");
}

// Root may write anything; the file's owner said "keep" all the same.
TEST_F(PrefsFile, ReadOnlyFileIsKeptEvenForRoot) {
    const std::string original = "[USER]\nA=1\n";
    write_bytes(path, original);
    ::chmod(path.c_str(), 0444);
    ASSERT_TRUE(prefs_open(path));
    prefs_write_number("A", 2);
    EXPECT_FALSE(prefs_close());
    EXPECT_FALSE(prefs_create(path));
    prefs_write_number("A", 3);
    EXPECT_FALSE(prefs_close());
    EXPECT_EQ(read_bytes(path), original);
    EXPECT_EQ(files_in_folder(), 1);
}

TEST_F(PrefsFile, RewriteKeepsOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    write_bytes(path, "A=1\n");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(prefs_open(path));
    prefs_write_text("A", "2");
    EXPECT_TRUE(prefs_close());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(read_bytes(path), BOM + "\r\nA = 2\r\n");
}

// The settings file is written like the pictures: the writer clears the
// leftovers of killed writers from its folder.
TEST_F(PrefsFile, RewriteRemovesStaleTemporaryFiles) {
    const std::string leftover = dir.file(temporary_file_name(TemporaryName::Created));
    write_bytes(leftover, "half");
    struct timeval old_times[2] = {{std::time(nullptr) - 600, 0}, {std::time(nullptr) - 600, 0}};
    ::utimes(leftover.c_str(), old_times);
    ASSERT_TRUE(prefs_create(path));
    EXPECT_TRUE(prefs_close());
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_EQ(files_in_folder(), 1);
}

TEST_F(PrefsFile, CreateFailsInAFolderThatDoesNotExist) {
    EXPECT_FALSE(prefs_create(dir.file("no/such/folder/pref.vrn")));
    prefs_write_text("A", "1");
    EXPECT_FALSE(prefs_close());
}

}  // namespace
