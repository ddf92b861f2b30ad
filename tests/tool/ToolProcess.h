// Running the built p03 from tests: spawn with pipes, bounded waits, and a
// guard that never leaves a child behind.
#pragma once

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tooltest {

using Clock = std::chrono::steady_clock;

inline int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// A running p03 with its stdout and stderr on pipes.
class Child {
public:
  explicit Child(std::vector<std::string> args) {
    args.insert(args.begin(), P03_TOOL_PATH);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
      return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Child() {
    if (pid_ > 0 && status_ == -1) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ != -1)
      close(out_);
    if (err_ != -1)
      close(err_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running() const { return pid_ > 0 && status_ == -1; }

  // One line of stdout, without its newline; empty on time-out.
  std::string ReadLine(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const auto nl = out.find('\n');
      if (nl != std::string::npos) {
        std::string line = out.substr(0, nl);
        out.erase(0, nl + 1);
        return line;
      }
      if (!Pump(MsLeft(deadline)) && Clock::now() >= deadline)
        return {};
    }
  }

  // Waits for the exit, reading the pipes meanwhile; kills it after the time-out.
  // The exit status, or -1 when it had to be killed or died from a signal.
  int Wait(int timeoutMs) {
    if (pid_ <= 0)
      return -1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (status_ == -1) {
      int raw = 0;
      const pid_t r = waitpid(pid_, &raw, WNOHANG);
      if (r == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
        break;
      }
      if (Clock::now() >= deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        status_ = -1;
        pid_ = -1;
        return -1;
      }
      Pump(20);
    }
    while (Pump(0)) {
    }
    return status_ >= 1000 ? -1 : status_;
  }

  // True once it has exited (reaped); never kills.
  bool Exited() {
    if (status_ != -1 || pid_ <= 0)
      return true;
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) != pid_)
      return false;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
    return true;
  }

  void Signal(int sig) {
    if (Running())
      kill(pid_, sig);
  }

  std::string out, err;

private:
  // Reads what the pipes hold, waiting up to timeoutMs. False when nothing came.
  bool Pump(int timeoutMs) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0)
      return false;
    bool got = false;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP)))
        continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? out : err).append(buffer, static_cast<std::size_t>(n));
        got = true;
      }
    }
    return got;
  }

  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  int status_ = -1;
};

struct Result {
  int status;
  std::string out, err;
};

inline Result RunP03(std::vector<std::string> args, int timeoutMs = 10000) {
  Child child(std::move(args));
  const int status = child.Wait(timeoutMs);
  return {status, child.out, child.err};
}

// Reads up to `want` bytes from fd, for at most timeoutMs.
inline std::string ReadBytes(int fd, std::size_t want, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string got;
  while (got.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, MsLeft(deadline)) <= 0)
      break;
    char buffer[256];
    const ssize_t n = read(fd, buffer, std::min(sizeof buffer, want - got.size()));
    if (n <= 0)
      break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

// Opens a serial-like device the way a scale reader does: raw, non-blocking.
inline int OpenReader(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  return fd;
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0)
      close(fd);
  }
};

} // namespace tooltest
