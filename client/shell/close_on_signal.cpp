#include "shell/close_on_signal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace kelvara {
namespace {

int g_signal_fds[2] = {-1, -1};

// Only async-signal-safe work: one byte into the socket.
void OnSignal(int) {
  const char byte = 1;
  if (write(g_signal_fds[0], &byte, 1) < 0) {
  }
}

}  // namespace

CloseOnSignal::CloseOnSignal(QWidget* window) : window_(window) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signal_fds) != 0) return;
  notifier_ = new QSocketNotifier(g_signal_fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (read(g_signal_fds[1], buffer, sizeof buffer) > 0) {
    }
    if (window_) window_->close();
  });
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);
}

CloseOnSignal::~CloseOnSignal() {
  for (int s : {SIGTERM, SIGINT, SIGHUP}) std::signal(s, SIG_DFL);
  delete notifier_;
  for (int& fd : g_signal_fds) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

}  // namespace kelvara
