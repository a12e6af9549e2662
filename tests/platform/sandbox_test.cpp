// Work run in a child process: what it hands back, and what becomes of a
// child that crashes, hangs or allocates without end.

#include "platform/Sandbox.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

using qor::platform::SandboxOutcome;
using qor::platform::SandboxWorker;
using qor::platform::SharedMemory;

// Work that ends by itself gets a limit it never meets, however long a
// sanitizer takes to symbolize and print its report or a busy machine takes
// to schedule the child; only work that hangs meets its (short) limit.
constexpr unsigned kTimeoutMs = 120000;
constexpr unsigned kHangLimitMs = 300;

// Requests served by the child this runs in.
unsigned servedHere = 0;

// The block's first byte says what to do; an answer goes after it.
bool act(unsigned char* block, std::size_t size) {
  volatile int* nowhere = nullptr;
  const unsigned served = servedHere++;  // in the child's memory
  int number = 0;
  std::memcpy(&number, block + 8, sizeof number);
  switch (block[0]) {
    case 'y': std::strcpy(reinterpret_cast<char*>(block + 1), "done"); return true;
    case 'n': return false;
    case 'x': ::_exit(0);
    case 'e': ::_exit(1);
    case 'a': std::abort();
    case 't': __builtin_trap();
    case 's': *nowhere = 1; return true;
    case 'k': std::raise(SIGKILL); return true;
    case 'h': for (;;) ::pause();
    case 'c': std::memcpy(block + 4, &served, sizeof served); return true;
    case 'p': ::kill(::getppid(), SIGKILL); ::pause(); return true;  // ends the helper
    case 'd': return ::fcntl(number, F_GETFD) == -1;  // the descriptor is not open here
    case 'o': {
      std::FILE* file = nullptr;
      std::memcpy(&file, block + 16, sizeof file);
      return std::fputs(" twice", file) >= 0;
    }
    case 'm':
      try {
        std::vector<char> memory(static_cast<std::size_t>(number) << 20, 1);
        return memory[memory.size() / 2] == 1;
      } catch (const std::bad_alloc&) {
        return false;
      }
    default: return size == 0;
  }
}

SharedMemory request(char what, int number = 0) {
  SharedMemory block(4096);
  block.data()[0] = static_cast<unsigned char>(what);
  std::memcpy(block.data() + 8, &number, sizeof number);
  return block;
}

TEST(SandboxTest, OutcomesOfTheWork) {
  // Each case with a helper of its own, then all with one: whatever a child
  // did, the next request finds a working one.
  const std::pair<char, SandboxOutcome> cases[] = {
      {'y', SandboxOutcome::Finished}, {'n', SandboxOutcome::Failed},  {'x', SandboxOutcome::Failed},
      {'e', SandboxOutcome::Crashed},  {'a', SandboxOutcome::Crashed}, {'t', SandboxOutcome::Crashed},
      {'s', SandboxOutcome::Crashed},  {'k', SandboxOutcome::Crashed}, {'h', SandboxOutcome::TimedOut},
  };
  SandboxWorker shared(act, 0);
  for (const auto& [what, expected] : cases) {
    const unsigned limit = expected == SandboxOutcome::TimedOut ? kHangLimitMs : kTimeoutMs;
    SandboxWorker own(act, 0);
    EXPECT_EQ(own.run(request(what), limit), expected) << what;
    EXPECT_EQ(shared.run(request(what), limit), expected) << what;
    const SharedMemory after = request('y');
    EXPECT_EQ(shared.run(after, kTimeoutMs), SandboxOutcome::Finished) << "after " << what;
    EXPECT_STREQ(reinterpret_cast<const char*>(after.data() + 1), "done");
  }
  // One helper served them all; only the requests that finished wrote to
  // their blocks.
  EXPECT_EQ(shared.helpersStarted(), 1u);
  const SharedMemory failed = request('n');
  EXPECT_EQ(shared.run(failed, kTimeoutMs), SandboxOutcome::Failed);
  EXPECT_EQ(failed.data()[1], 0);
}

TEST(SandboxTest, EveryRequestStartsFromTheSameMemory) {
  // A count kept in the children's memory: each request sees it as the
  // helper was made, never as an earlier request left it.
  SandboxWorker worker(act, 0);
  for (unsigned i = 0; i < 3; ++i) {
    const SharedMemory block = request('c');
    ASSERT_EQ(worker.run(block, kTimeoutMs), SandboxOutcome::Finished);
    unsigned served = ~0u;
    std::memcpy(&served, block.data() + 4, sizeof served);
    EXPECT_EQ(served, 0u) << i;
  }
  EXPECT_EQ(servedHere, 0u);  // nor does this process see it
  // A helper that dies takes its request with it; the next one starts
  // another helper.
  EXPECT_EQ(worker.run(request('p'), kTimeoutMs), SandboxOutcome::Crashed);
  EXPECT_EQ(worker.run(request('y'), kTimeoutMs), SandboxOutcome::Finished);
  EXPECT_EQ(worker.helpersStarted(), 2u);
}

TEST(SandboxTest, TheChildLeavesThisProcessAsItWas) {
  // Output buffered here before the child was made is written once, by this
  // process: the child leaves without flushing its copy.
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fputs("once", file);
  {
    SandboxWorker worker(act, 0);
    SharedMemory block = request('o');
    std::memcpy(block.data() + 16, &file, sizeof file);  // the child's copy is at the same address
    EXPECT_EQ(worker.run(block, kTimeoutMs), SandboxOutcome::Finished);
  }  // the child leaves as the worker goes
  std::fflush(file);
  std::rewind(file);
  char text[32] = {};
  EXPECT_EQ(std::string(text, std::fread(text, 1, sizeof text - 1, file)), "once");
  std::fclose(file);
  // The child has none of this process's descriptors but the standard ones.
  // (A high number: the child's own descriptors take the lowest free ones.)
  const int open = ::fcntl(1, F_DUPFD_CLOEXEC, 200);
  ASSERT_GE(open, 200);
  SandboxWorker another(act, 0);
  EXPECT_EQ(another.run(request('d', open), kTimeoutMs), SandboxOutcome::Finished);
  EXPECT_EQ(another.run(request('d', 1), kTimeoutMs), SandboxOutcome::Failed);
  ::close(open);
}

TEST(SandboxTest, AnAllocationPastTheLimitEndsOnlyTheRequest) {
  if (!SandboxWorker::kLimitsAddressSpace) GTEST_SKIP() << "no address-space limit under the sanitizers";
  SandboxWorker worker(act, uint64_t{64} << 20);
  EXPECT_EQ(worker.run(request('m', 8), kTimeoutMs), SandboxOutcome::Finished);
  EXPECT_EQ(worker.run(request('m', 1024), kTimeoutMs), SandboxOutcome::Failed);
  EXPECT_EQ(worker.run(request('m', 8), kTimeoutMs), SandboxOutcome::Finished);
}

}  // namespace
