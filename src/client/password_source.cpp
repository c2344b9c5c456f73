#include "client/password_source.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace client {

namespace {

std::string without_line_end(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The controlling terminal, opened for the prompt; echo stays off while
// the object lives.
class QuietTerminal {
 public:
  QuietTerminal() : fd_(open("/dev/tty", O_RDWR | O_CLOEXEC)) {
    if (fd_ < 0) throw std::runtime_error("No terminal to ask for the password");
    if (tcgetattr(fd_, &saved_) == 0) {
      termios quiet = saved_;
      quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
      restore_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
  }
  ~QuietTerminal() {
    if (restore_) tcsetattr(fd_, TCSAFLUSH, &saved_);
    close(fd_);
  }
  QuietTerminal(const QuietTerminal&) = delete;
  QuietTerminal& operator=(const QuietTerminal&) = delete;

  void write_text(const std::string& text) const {
    if (::write(fd_, text.data(), text.size()) < 0) {
      // The prompt is a courtesy; reading goes on.
    }
  }

  std::string read_line() const {
    std::string line;
    char c = 0;
    while (::read(fd_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

 private:
  const int fd_;
  termios saved_{};
  bool restore_ = false;
};

}  // namespace

std::string read_password_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot read the password file " + path);
  std::string line;
  std::getline(in, line);
  return without_line_end(line);
}

std::string prompt_password(const std::string& prompt) {
  const QuietTerminal terminal;
  terminal.write_text(prompt);
  const std::string line = terminal.read_line();
  terminal.write_text("\n");
  return without_line_end(line);
}

}  // namespace client
