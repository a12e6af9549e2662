#include "platform/Sandbox.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

// The sanitizers' runtime calls this back when it reports an error; the
// fuzzing engine uses it to save the input that crashed. A child must not.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace qor::platform {

namespace {

// The process's address space in bytes, from /proc; 0 when unknown.
uint64_t addressSpaceNow() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  unsigned long pages = 0;
  const bool read = std::fscanf(statm, "%lu", &pages) == 1;
  std::fclose(statm);
  return read ? uint64_t{pages} * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

using Clock = std::chrono::steady_clock;

// Waits until `fd` has input or has ended, or poll fails (the read that
// follows tells which); false at `deadline`.
bool waitForInput(int fd, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd wait{fd, POLLIN, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(std::min<long long>(left, 1 << 30)));
    if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
  }
}

void closeBoth(const int ends[2]) {
  ::close(ends[0]);
  ::close(ends[1]);
}

// How long past a request's time limit the parent waits for the helper.
constexpr unsigned kHelperGraceMs = 2000;

// Closes every descriptor from 3 on but `keep`: with close_range where the
// kernel has it (5.9 on), else one by one up to the descriptor limit.
void closeDescriptorsExcept(int keep) {
  const bool below = keep <= 3 || ::close_range(3, static_cast<unsigned>(keep) - 1, 0) == 0;
  if (below && ::close_range(static_cast<unsigned>(keep) + 1, ~0u, 0) == 0) return;
  const long limit = std::min(::sysconf(_SC_OPEN_MAX), 1L << 20);
  for (int fd = 3; fd < limit; ++fd)
    if (fd != keep) ::close(fd);
}

// In the helper, before any request: crash handlers back to the default
// action, no core files, the address space capped at `addressLimit` (0:
// none), no descriptor of the parent's but the standard three and `keep`,
// and a process group of its own. The children inherit all of it.
void enterHelper(uint64_t addressLimit, int keep) {
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGXCPU, SIGXFSZ, SIGALRM, SIGINT,
                     SIGTERM, SIGUSR1, SIGUSR2, SIGCHLD})
    ::sigaction(signal, &standard, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  if (addressLimit) {
    const rlimit space{addressLimit, addressLimit};
    ::setrlimit(RLIMIT_AS, &space);
  }
  closeDescriptorsExcept(keep);
  ::setpgid(0, 0);
}

// A request on the socket: its time limit and its work as the data, the
// block's descriptor beside it.
struct RequestData {
  uint32_t timeoutMs = 0;
  SandboxWork work = nullptr;
};

struct RequestMessage {
  RequestMessage() {
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
  }
  RequestMessage(const RequestMessage&) = delete;
  RequestMessage& operator=(const RequestMessage&) = delete;

  RequestData data;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  iovec part{&data, sizeof data};
  msghdr message{};
};

// What a request's child did, as the helper tells the parent.
constexpr char kFinished = 'y', kFailed = 'n', kCrashed = 'c', kTimedOut = 't';

// One request in a fresh child of the helper (`socket` is the helper's end
// towards the parent): the child maps the block, runs the work and says
// through a pipe whether the work returned true; the helper reads the rest
// from how the child ended.
char runChild(int socket, int fd, SandboxWork work, unsigned timeoutMs) {
  int answer[2];
  if (::pipe2(answer, O_CLOEXEC) != 0) return kFailed;
  const pid_t child = ::fork();
  if (child < 0) {
    closeBoth(answer);
    return kFailed;
  }
  if (child == 0) {
    // The parent must see the helper's end close when the helper dies.
    ::close(socket);
    ::close(answer[0]);
    char said = kFailed;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
      const auto size = static_cast<std::size_t>(info.st_size);
      void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (block != MAP_FAILED && work(static_cast<unsigned char*>(block), size)) said = kFinished;
    }
    while (::write(answer[1], &said, 1) < 0 && errno == EINTR) {
    }
    ::_exit(0);
  }
  ::close(answer[1]);
  // The pipe ends with the child.
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char said = kFailed;
  bool ended = false;
  while (!ended && waitForInput(answer[0], deadline)) {
    char got = 0;
    const ssize_t n = ::read(answer[0], &got, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    if (n == 1) said = got;
    else ended = true;
  }
  ::close(answer[0]);
  if (!ended) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ended) return kTimedOut;
  // A sanitizer that finds an error ends the child with status 1 rather
  // than a signal: both are a crash.
  if (WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0)) return kCrashed;
  return said == kFinished ? kFinished : kFailed;
}

// The helper's loop: a block's descriptor and a time limit in, one byte of
// verdict out, until the parent closes its end.
[[noreturn]] void serve(int socket) {
  for (;;) {
    RequestMessage request;
    const ssize_t got = ::recvmsg(socket, &request.message, MSG_CMSG_CLOEXEC);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) ::_exit(0);
    const cmsghdr* header = CMSG_FIRSTHDR(&request.message);
    int fd = -1;
    if (header && header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS)
      std::memcpy(&fd, CMSG_DATA(header), sizeof fd);
    const char verdict = fd >= 0 && got == sizeof request.data && request.data.work
                             ? runChild(socket, fd, request.data.work, request.data.timeoutMs)
                             : kFailed;
    if (fd >= 0) ::close(fd);
    while (::send(socket, &verdict, 1, MSG_NOSIGNAL) < 0)
      if (errno != EINTR) ::_exit(0);
  }
}

}  // namespace

SharedMemory::SharedMemory(std::size_t size) {
  if (size == 0) return;
  const int fd = ::memfd_create("kelvo-shared", MFD_CLOEXEC);
  if (fd < 0) return;
  void* block = MAP_FAILED;
  if (::ftruncate(fd, static_cast<off_t>(size)) == 0)
    block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (block == MAP_FAILED) {
    ::close(fd);
    return;
  }
  data_ = static_cast<unsigned char*>(block);
  size_ = size;
  fd_ = fd;
}

SharedMemory::~SharedMemory() {
  if (data_) ::munmap(data_, size_);
  if (fd_ >= 0) ::close(fd_);
}

SharedMemory::SharedMemory(SharedMemory&& other) noexcept : data_(other.data_), size_(other.size_), fd_(other.fd_) {
  other.data_ = nullptr;
  other.size_ = 0;
  other.fd_ = -1;
}

SharedMemory& SharedMemory::operator=(SharedMemory&& other) noexcept {
  if (this != &other) {
    SharedMemory old(std::move(*this));  // released at the end of this scope
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

SandboxWorker::SandboxWorker(SandboxWork work, uint64_t extraAddressSpace, void (*setup)())
    : work_(work), extraAddressSpace_(extraAddressSpace), setup_(setup) {}

SandboxWorker::~SandboxWorker() { stop(); }

bool SandboxWorker::start() {
  uint64_t addressLimit = 0;
  if (extraAddressSpace_ && kLimitsAddressSpace)
    if (const uint64_t now = addressSpaceNow()) addressLimit = now + extraAddressSpace_;
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return false;
  const pid_t helper = ::fork();
  if (helper < 0) {
    closeBoth(ends);
    return false;
  }
  if (helper == 0) {
    enterHelper(addressLimit, ends[1]);
    if (setup_) setup_();
    serve(ends[1]);
  }
  ::setpgid(helper, helper);  // as the helper does itself, whichever runs first
  ::close(ends[1]);
  helper_ = helper;
  socket_ = ends[0];
  ++started_;
  return true;
}

void SandboxWorker::stop() {
  if (helper_ < 0) return;
  ::close(socket_);
  // The helper and a child it may still wait for.
  ::kill(-helper_, SIGKILL);
  ::kill(helper_, SIGKILL);
  while (::waitpid(helper_, nullptr, 0) < 0 && errno == EINTR) {
  }
  helper_ = -1;
  socket_ = -1;
}

SandboxOutcome SandboxWorker::run(const SharedMemory& block, unsigned timeoutMs, SandboxWork work) {
  if (block.descriptor() < 0) return SandboxOutcome::NotStarted;
  if (helper_ < 0 && !start()) return SandboxOutcome::NotStarted;

  RequestMessage request;
  request.data.timeoutMs = timeoutMs;
  request.data.work = work;
  cmsghdr* header = CMSG_FIRSTHDR(&request.message);
  header->cmsg_level = SOL_SOCKET;
  header->cmsg_type = SCM_RIGHTS;
  header->cmsg_len = CMSG_LEN(sizeof(int));
  const int fd = block.descriptor();
  std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
  ssize_t sent;
  do sent = ::sendmsg(socket_, &request.message, MSG_NOSIGNAL);
  while (sent < 0 && errno == EINTR);
  if (sent != static_cast<ssize_t>(sizeof request.data)) {  // the helper is gone: the next request makes another
    stop();
    return SandboxOutcome::NotStarted;
  }

  // The helper keeps the time limit; this wait is the backstop should the
  // helper itself stop answering.
  const auto deadline = Clock::now() + std::chrono::milliseconds(uint64_t{timeoutMs} + kHelperGraceMs);
  while (waitForInput(socket_, deadline)) {
    char verdict = 0;
    const ssize_t got = ::recv(socket_, &verdict, 1, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got != 1) {  // the helper died, and the request with it
      stop();
      return SandboxOutcome::Crashed;
    }
    switch (verdict) {
      case kFinished: return SandboxOutcome::Finished;
      case kCrashed: return SandboxOutcome::Crashed;
      case kTimedOut: return SandboxOutcome::TimedOut;
      default: return SandboxOutcome::Failed;
    }
  }
  stop();
  return SandboxOutcome::TimedOut;
}

}  // namespace qor::platform
