// Whole files in and out: reads that survive a file shrinking under them,
// text streams that need no temporary file, and writes that never go through
// what is already at the name.

#include "util/MappedFile.h"
#include "util/TextFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using kelvo::test::readFile;
using kelvo::test::TempDir;

std::size_t entriesIn(const std::string& folder) {
  std::size_t n = 0;
  for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it) ++n;
  return n;
}

TEST(FilesTest, AFileThatShrinksAfterItWasOpenedIsReadAsFarAsItLasted) {
  TempDir dir;
  const std::string path = dir.write("model.obj", std::string(1 << 16, 'v'));
  const qor::MappedFile file(path);
  ASSERT_TRUE(file.opened());
  // Another program truncates the file while a reader still works on it:
  // a mapping would raise SIGBUS at the next touch of its pages.
  ASSERT_EQ(::truncate(path.c_str(), 0), 0);
  std::size_t vs = 0;
  for (char c : file.bytes()) vs += c == 'v';
  EXPECT_EQ(vs, std::size_t{1} << 16);

  std::string text;
  EXPECT_TRUE(qor::readRegularFile(path, text));
  EXPECT_EQ(text, "");
}

TEST(FilesTest, ReadsRefuseWhatIsNotARegularFileOrIsTooLarge) {
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string out = "stale";
  EXPECT_FALSE(qor::MappedFile(fifo).opened());       // never blocks on the FIFO
  EXPECT_FALSE(qor::MappedFile(dir.path()).opened());  // a folder
  EXPECT_FALSE(qor::readRegularFile(fifo, out));
  EXPECT_EQ(out, "");

  const std::string big = dir.file("sparse");
  const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t{1} << 31), 0);  // 2 GiB of nothing: never read
  ::close(fd);
  std::size_t size = 0;
  EXPECT_FALSE(qor::readRegularFile(big, out, 64u << 20, &size));
  EXPECT_EQ(size, std::size_t{1} << 31);
}

TEST(FilesTest, TextStreamsNeedNoTemporaryFile) {
  TempDir dir;
  const std::string mtl = dir.write("red.mtl", "newmtl red\r\nKd 1 0 0\r\n");
  const std::string empty = dir.write("empty.txt", "");
  // A child that may not write a single byte to any file, as when /tmp is
  // full: the streams must read all the same.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &none);
    qor::TextFilePtr f = qor::openTextFile(mtl);
    char line[64] = "";
    std::string got;
    while (f && std::fgets(line, sizeof line, f.get())) got += line;
    qor::TextFilePtr e = qor::openTextFile(empty);
    const bool emptyReads = e && std::fgetc(e.get()) == EOF;
    ::_exit(got == "newmtl red\nKd 1 0 0\n" && emptyReads ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(qor::openTextFile(dir.file("missing.mtl")));
}

TEST(FilesTest, WritesMakeANewRegularFileAndNeverFollowALink) {
  TempDir dir;
  const std::string victim = dir.write("passwd", "root:x:0:0\n");
  const std::string cache = dir.file("tmp.aabb");
  ASSERT_EQ(::symlink(victim.c_str(), cache.c_str()), 0);
  const std::string dangling = dir.file("dangling.vshadow");
  const std::string target = dir.file("created-through-link");
  ASSERT_EQ(::symlink(target.c_str(), dangling.c_str()), 0);
  const std::string fifo = dir.file("stdin");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string existing = dir.write("newTablero.txt", "a much longer old board than the new one\n");

  struct Case {
    std::string path;
    bool ok;
    const char* after;  // what the name then holds; null: left as it was
  } cases[] = {
      {cache, true, "cache"},          // the link is replaced; its target keeps its bytes
      {dangling, true, "cache"},       // nothing is made where the link pointed
      {existing, true, "cache"},       // no tail of the old contents stays
      {dir.file("new.txt"), true, "cache"},
      {fifo, false, nullptr},          // never blocks, never replaces the FIFO
      {dir.path(), false, nullptr},    // a folder
      {dir.file("no/such/folder/f"), false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(qor::writeRegularFile(c.path, "cache"), c.ok);
    if (c.after) {
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(c.path)));
      EXPECT_EQ(readFile(c.path), c.after);
    }
  }
  EXPECT_EQ(readFile(victim), "root:x:0:0\n");
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
  // passwd, the two former links, newTablero, new.txt, the FIFO: no temporary file is left.
  EXPECT_EQ(entriesIn(dir.path()), 6u);
}

TEST(FilesTest, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.write("a.vshadow", "old cache");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Room for four bytes only: the write cannot finish.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit four{4, 4};
    ::setrlimit(RLIMIT_FSIZE, &four);
    ::_exit(qor::writeRegularFile(path, "new cache, longer") ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(readFile(path), "old cache");
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(FilesTest, NumberedFilesTakeTheNumberAfterTheHighestAndNeverReplaceAnything) {
  // What is in the folder first: "f" a file, "d" a folder, "l" a link to a
  // missing file; then the name the new file gets ("" when none).
  struct Case {
    std::vector<std::pair<const char*, char>> there;
    const char* expected;
  } cases[] = {
      {{}, "kelvo-0001.png"},
      {{{"kelvo-0001.png", 'f'}}, "kelvo-0002.png"},
      {{{"kelvo-0001.png", 'f'}, {"kelvo-0003.png", 'f'}}, "kelvo-0004.png"},  // a gap is not filled
      {{{"kelvo-0002.png", 'l'}, {"kelvo-0003.png", 'd'}}, "kelvo-0004.png"},  // taken, whatever they are
      {{{"kelvo-9999.png", 'f'}}, "kelvo-10000.png"},
      {{{"kelvo-7.png", 'f'}}, "kelvo-0008.png"},
      // Names of another shape do not count.
      {{{"kelvo-12a.png", 'f'}, {"kelvo-.png", 'f'}, {"shot-0007.png", 'f'}, {"kelvo-0009.jpg", 'f'},
        {"kelvo-0005.png.1.0.new", 'f'}, {"kelvo-1234567890.png", 'f'}},
       "kelvo-0001.png"},
      {{{"kelvo-999999999.png", 'f'}}, ""},  // no number left
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (auto [name, kind] : c.there) {
      if (kind == 'f') dir.write(name, "old");
      if (kind == 'd') fs::create_directory(dir.file(name));
      if (kind == 'l') {
        ASSERT_EQ(::symlink(dir.file("target").c_str(), dir.file(name).c_str()), 0);
      }
    }
    SCOPED_TRACE(c.expected);
    std::string name = "unchanged";
    EXPECT_EQ(qor::writeNumberedFile(dir.path(), "kelvo-", ".png", "picture", name), *c.expected != '\0');
    if (*c.expected) {
      EXPECT_EQ(name, c.expected);
      EXPECT_EQ(readFile(dir.file(name)), "picture");
    }
    for (auto [old, kind] : c.there)
      if (kind == 'f') {
        EXPECT_EQ(readFile(dir.file(old)), "old") << old;
      }
    EXPECT_FALSE(fs::exists(dir.file("target")));  // nothing written through the link
    // The new file and nothing else: no temporary file is left.
    EXPECT_EQ(entriesIn(dir.path()), c.there.size() + (*c.expected ? 1 : 0));
  }
  std::string name;
  EXPECT_FALSE(qor::writeNumberedFile("/nonexistent/folder", "kelvo-", ".png", "picture", name));
}

}  // namespace
