// A forked child process with a pipe each way, for tests whose two sides
// must be two processes (record locks, crashes). Parent and child keep step
// by single bytes; no side waits for a fixed time.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

class Child {
public:
    // body(in, out) runs in the child; its answer is the child's exit status.
    explicit Child(std::function<int(int in, int out)> body) {
        std::signal(SIGPIPE, SIG_IGN);
        int down[2], up[2];
        if (::pipe(down) != 0 || ::pipe(up) != 0) throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            ::close(down[1]);
            ::close(up[0]);
            int status = 3;
            try {
                status = body(down[0], up[1]);
            } catch (...) {
            }
            ::_exit(status);
        }
        ::close(down[0]);
        ::close(up[1]);
        out_ = down[1];
        in_ = up[0];
    }
    ~Child() {
        if (pid_ > 0) Kill();
        if (out_ >= 0) ::close(out_);
        ::close(in_);
    }

    void Send(char c) {
        if (::write(out_, &c, 1) != 1) throw std::runtime_error("the child is gone");
    }
    // False at the end of the child's output.
    bool Read(void *buffer, size_t size) {
        auto *p = static_cast<char *>(buffer);
        while (size > 0) {
            ssize_t n = ::read(in_, p, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    char Receive() {
        char c = 0;
        return Read(&c, 1) ? c : '\0';
    }
    void Kill() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    // Closes the child's input and answers its exit status.
    int Finish() {
        ::close(out_);
        out_ = -1;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
};

// One byte to the other side; false when it is gone.
inline bool Tell(int fd, char c) {
    return ::write(fd, &c, 1) == 1;
}
// One byte from the other side; a zero byte when it is gone.
inline char Hear(int fd) {
    char c = 0;
    return ::read(fd, &c, 1) == 1 ? c : '\0';
}

}  // namespace testsupport
