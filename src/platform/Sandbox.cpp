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

// The sanitizers' runtime calls this back when it reports an error; the
// fuzzing engine uses it to save the input that crashed. A child must not.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace qor::platform {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kShadowMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kShadowMemory = true;
#else
constexpr bool kShadowMemory = false;
#endif
#else
constexpr bool kShadowMemory = false;
#endif

// The process's address space in bytes, from /proc; 0 when unknown.
uint64_t addressSpaceNow() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  unsigned long pages = 0;
  const bool read = std::fscanf(statm, "%lu", &pages) == 1;
  std::fclose(statm);
  return read ? uint64_t{pages} * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

// In the child, before any request: crash handlers back to the default
// action, no core files, the address space capped at `addressLimit` (0:
// none), and no descriptor of the parent's but the standard three and
// `keep`.
void enterChild(uint64_t addressLimit, int keep) {
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGXCPU, SIGXFSZ, SIGALRM, SIGINT,
                     SIGTERM, SIGUSR1, SIGUSR2})
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
  if (keep > 3) ::close_range(3, static_cast<unsigned>(keep) - 1, 0);
  ::close_range(static_cast<unsigned>(keep) + 1, ~0u, 0);
}

// The child's loop: a block's descriptor in, one byte of verdict out, until
// the parent closes its end.
[[noreturn]] void serve(int socket, SandboxWork work) {
  for (;;) {
    char request = 0;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    iovec part{&request, 1};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) ::_exit(0);
    const cmsghdr* header = CMSG_FIRSTHDR(&message);
    int fd = -1;
    if (header && header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS)
      std::memcpy(&fd, CMSG_DATA(header), sizeof fd);
    char verdict = 'n';
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && info.st_size > 0) {
      const auto size = static_cast<std::size_t>(info.st_size);
      void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (block != MAP_FAILED) {
        if (work(static_cast<unsigned char*>(block), size)) verdict = 'y';
        ::munmap(block, size);
      }
    }
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
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(fd_, other.fd_);
  }
  return *this;
}

SandboxWorker::SandboxWorker(SandboxWork work, uint64_t extraAddressSpace)
    : work_(work), extraAddressSpace_(extraAddressSpace) {}

SandboxWorker::~SandboxWorker() { stop(false); }

bool SandboxWorker::start() {
  uint64_t addressLimit = 0;
  if (extraAddressSpace_ && !kShadowMemory)
    if (const uint64_t now = addressSpaceNow()) addressLimit = now + extraAddressSpace_;
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(ends[0]);
    ::close(ends[1]);
    return false;
  }
  if (child == 0) {
    enterChild(addressLimit, ends[1]);
    serve(ends[1], work_);
  }
  ::close(ends[1]);
  child_ = child;
  socket_ = ends[0];
  served_ = 0;
  ++started_;
  return true;
}

void SandboxWorker::stop(bool kill) {
  if (child_ < 0) return;
  ::close(socket_);  // an idle child leaves on end of file
  if (kill) ::kill(child_, SIGKILL);
  while (::waitpid(child_, nullptr, 0) < 0 && errno == EINTR) {
  }
  child_ = -1;
  socket_ = -1;
}

SandboxOutcome SandboxWorker::runOnce(const SharedMemory& block, unsigned timeoutMs) {
  if (block.descriptor() < 0) return SandboxOutcome::NotStarted;
  if (child_ < 0 && !start()) return SandboxOutcome::NotStarted;

  char request = 'r';
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  iovec part{&request, 1};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  cmsghdr* header = CMSG_FIRSTHDR(&message);
  header->cmsg_level = SOL_SOCKET;
  header->cmsg_type = SCM_RIGHTS;
  header->cmsg_len = CMSG_LEN(sizeof(int));
  const int fd = block.descriptor();
  std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
  ssize_t sent;
  do sent = ::sendmsg(socket_, &message, MSG_NOSIGNAL);
  while (sent < 0 && errno == EINTR);
  if (sent != 1) {  // the child is gone
    stop(true);
    return SandboxOutcome::Crashed;
  }

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      stop(true);
      return SandboxOutcome::TimedOut;
    }
    pollfd wait{socket_, POLLIN, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(std::min<long long>(left, 1 << 30)));
    if (ready < 0 && errno != EINTR) {
      stop(true);
      return SandboxOutcome::Crashed;
    }
    if (ready <= 0) continue;
    char verdict = 0;
    const ssize_t got = ::recv(socket_, &verdict, 1, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got != 1) break;  // end of file: the child is gone
    if (++served_ >= kRequestsPerChild) stop(false);
    return verdict == 'y' ? SandboxOutcome::Finished : SandboxOutcome::Failed;
  }
  // The child ended during the request: how? (Killing a child that has
  // ended changes nothing; one that closed its end without ending would
  // otherwise be waited for without end.)
  ::close(socket_);
  ::kill(child_, SIGKILL);
  int status = 0;
  pid_t reaped;
  do reaped = ::waitpid(child_, &status, 0);
  while (reaped < 0 && errno == EINTR);
  child_ = -1;
  socket_ = -1;
  // A sanitizer that finds an error ends the child with status 1 rather than
  // a signal: both are a crash.
  const bool crashed = reaped > 0 && (WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0));
  return crashed ? SandboxOutcome::Crashed : SandboxOutcome::Failed;
}

SandboxOutcome SandboxWorker::run(const SharedMemory& block, unsigned timeoutMs) {
  const bool used = child_ >= 0 && served_ > 0;
  const SandboxOutcome outcome = runOnce(block, timeoutMs);
  if (used && (outcome == SandboxOutcome::Crashed || outcome == SandboxOutcome::TimedOut))
    return runOnce(block, timeoutMs);
  return outcome;
}

}  // namespace qor::platform
