// startup_probe PROGRAM: starts PROGRAM, waits for its first window to become viewable on the
// display, and prints how long that took and the process's resident memory once it has settled,
// as "shown_ms=12.3 rss_kib=45678". Then it ends PROGRAM. The display should have a window
// manager (with-desktop.sh), whose client list names the windows it manages.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<Window> ClientList(Display* display) {
  Atom list = XInternAtom(display, "_NET_CLIENT_LIST", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  std::vector<Window> windows;
  if (XGetWindowProperty(display, DefaultRootWindow(display), list, 0, 1024, False, XA_WINDOW,
                         &type, &format, &count, &left, &data) == Success &&
      data != nullptr) {
    const auto* ids = reinterpret_cast<const Window*>(data);
    windows.assign(ids, ids + count);
    XFree(data);
  }
  return windows;
}

long ResidentKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: startup_probe PROGRAM [ARGS...]\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("startup_probe: no display\n", stderr);
    return 1;
  }
  std::vector<Window> before_list = ClientList(display);
  std::set<Window> before(before_list.begin(), before_list.end());

  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execv(argv[1], argv + 1);
    _exit(127);
  }
  bool shown = false;
  auto deadline = start + std::chrono::seconds(10);
  while (!shown && std::chrono::steady_clock::now() < deadline) {
    for (Window window : ClientList(display)) {
      XWindowAttributes attributes;
      if (before.count(window) == 0 && XGetWindowAttributes(display, window, &attributes) &&
          attributes.map_state == IsViewable) {
        shown = true;
      }
    }
    if (!shown) {
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  }
  double shown_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  // Resident memory once the first frames are drawn and start-up work is done.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  long rss = ResidentKib(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  XCloseDisplay(display);
  if (!shown) {
    std::fputs("startup_probe: no window was shown within 10 seconds\n", stderr);
    return 1;
  }
  std::printf("shown_ms=%.1f rss_kib=%ld\n", shown_ms, rss);
  return 0;
}
