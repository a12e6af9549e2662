#pragma once
// Runs work in a child process, so that whatever the work does to its memory
// (a crash, a corrupted heap, a runaway allocation, an endless loop) ends
// only the child. Used for decoding files with libraries that trust their
// input. The child is a fork of this process, made on first use and kept for
// the requests that follow; the request and the answer travel in a
// SharedMemory block that both processes map.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace qor::platform {

// Zero-filled memory that this process and a sandbox child both map. Pages
// are taken on first touch, so a large block costs what is written to it.
class SharedMemory {
public:
  SharedMemory() = default;
  // Empty when the system refuses the memory.
  explicit SharedMemory(std::size_t size);
  ~SharedMemory();
  SharedMemory(SharedMemory&& other) noexcept;
  SharedMemory& operator=(SharedMemory&& other) noexcept;
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  explicit operator bool() const { return data_ != nullptr; }
  unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }
  // The descriptor a child maps the block through.
  int descriptor() const { return fd_; }

private:
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  int fd_ = -1;
};

enum class SandboxOutcome {
  Finished,    // the work ran to its end and returned true
  Failed,      // the work returned false, or the child exited early with status 0
  Crashed,     // the child ended on a signal (a crash, an abort) or a failure status
  TimedOut,    // killed at the time limit
  NotStarted,  // no child could be made, or the block could not be sent
};

// The work: reads its request from the block and writes its answer there.
using SandboxWork = bool (*)(unsigned char* block, std::size_t size);

// A child process that runs `work` on one block at a time.
//
// A child that crashed or ran out of time is replaced by a fresh one; if it
// had run earlier requests, the request is tried once more in the fresh
// child, so an earlier request's damage never fails a later one. A child is
// also replaced after a number of requests, so that whatever the work leaks
// does not add up.
//
// The child leaves by _exit, so this process's buffered output and exit
// handlers never run twice; its crash handlers are reset, a signal that ends
// it takes the system's default action, without a core file; it keeps only
// standard input, output and error of this process's descriptors; it ends
// when this process closes its end (at exit at the latest).
class SandboxWorker {
public:
  // `extraAddressSpace` is what the child may take beyond what it was forked
  // with; 0 for no limit. It is not applied in sanitizer builds, whose shadow
  // memory reserves terabytes of address space.
  SandboxWorker(SandboxWork work, uint64_t extraAddressSpace);
  // Ends the child, if there is one.
  ~SandboxWorker();
  SandboxWorker(const SandboxWorker&) = delete;
  SandboxWorker& operator=(const SandboxWorker&) = delete;

  // Runs the work on `block` in the child and waits at most `timeoutMs` for
  // it, twice that when the request is tried again.
  SandboxOutcome run(const SharedMemory& block, unsigned timeoutMs);

  // Children made so far: a new one each start and after each crash, time-out or turnover.
  unsigned childrenStarted() const { return started_; }

  // Requests one child runs before it is replaced.
  static constexpr unsigned kRequestsPerChild = 256;

private:
  bool start();
  void stop(bool kill);
  SandboxOutcome runOnce(const SharedMemory& block, unsigned timeoutMs);

  SandboxWork work_;
  uint64_t extraAddressSpace_;
  pid_t child_ = -1;
  int socket_ = -1;
  unsigned served_ = 0;
  unsigned started_ = 0;
};

}  // namespace qor::platform
