#pragma once
// Runs work in a child process, so that whatever the work does to its memory
// (a crash, a corrupted heap, a runaway allocation, an endless loop) ends
// only the child. Used for decoding files with libraries that trust their
// input. On first use a helper process is forked and kept; for each request
// it forks a fresh child, so every request starts from the memory this
// process had when the helper was made, whatever earlier requests did to
// theirs. The request and the answer travel in a SharedMemory block that
// both processes map.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace qor::platform {

// Zero-filled memory that this process and a sandbox child both map. Pages
// are taken on first touch, so a large block costs what is written to it.
class SharedMemory {
public:
  SharedMemory() = default;
  // Empty when the system refuses the memory. A moved-from block is empty.
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

// Runs `work` on one block at a time, each in a fresh child of the helper.
//
// The children leave by _exit, so this process's buffered output and exit
// handlers never run twice; their crash handlers are reset, a signal that
// ends one takes the system's default action, without a core file; they keep
// only standard input, output and error of this process's descriptors. The
// helper runs in a process group of its own, so that the terminal's Ctrl-C
// reaches only this process, and it ends when this process closes its end
// (at exit at the latest).
class SandboxWorker {
public:
  // `extraAddressSpace` is what a child may take beyond what the helper was
  // forked with; 0 for no limit (see kLimitsAddressSpace). `setup`, when
  // given, runs once in each helper before its first request (loading a
  // library there, say): every child inherits what it did, and this process
  // never pays for it.
  SandboxWorker(SandboxWork work, uint64_t extraAddressSpace, void (*setup)() = nullptr);

  // Whether the address-space limit is applied in this build: not under the
  // sanitizers whose shadow memory reserves terabytes of address space.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  static constexpr bool kLimitsAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
  static constexpr bool kLimitsAddressSpace = false;
#else
  static constexpr bool kLimitsAddressSpace = true;
#endif
#else
  static constexpr bool kLimitsAddressSpace = true;
#endif

  // Ends the helper, if there is one.
  ~SandboxWorker();
  SandboxWorker(const SandboxWorker&) = delete;
  SandboxWorker& operator=(const SandboxWorker&) = delete;

  // Starts the helper now unless it runs already; false when it cannot be
  // started. Each child is a copy of the helper, and copying a process costs
  // by the memory it has written: a helper started while this process is
  // still small makes every request cheaper. Otherwise the first request
  // starts it.
  bool prepare() { return helper_ >= 0 || start(); }

  // Runs the work on `block` in a fresh child and waits at most `timeoutMs`
  // for it; a child still running then is killed.
  SandboxOutcome run(const SharedMemory& block, unsigned timeoutMs) { return run(block, timeoutMs, work_); }
  // The same with other work, so that one helper serves several kinds of
  // request. The helper is a copy of this process, so a function of the
  // program is found at the same address there.
  SandboxOutcome run(const SharedMemory& block, unsigned timeoutMs, SandboxWork work);

  // Helpers started so far: one, unless a helper died (it is then replaced).
  unsigned helpersStarted() const { return started_; }

private:
  bool start();
  void stop();

  SandboxWork work_;
  uint64_t extraAddressSpace_;
  void (*setup_)();
  pid_t helper_ = -1;
  int socket_ = -1;
  unsigned started_ = 0;
};

}  // namespace qor::platform
