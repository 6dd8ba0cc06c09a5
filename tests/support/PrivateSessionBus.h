#pragma once
// A session bus of the test's own, so that nothing reaches the desktop's bus (or fails
// for want of one on a build machine). Start it before the first use of the session
// bus: the address goes into DBUS_SESSION_BUS_ADDRESS.

#include <QApplication>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/types.h>

namespace vostrelle::test {

class PrivateSessionBus {
 public:
  PrivateSessionBus() {
    // The daemon forks away; its address and process id come back on one pipe.
    FILE* out = popen("dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1",
                      "r");
    if (!out) return;
    char line[512];
    if (std::fgets(line, sizeof line, out)) address_ = Trim(line);
    if (std::fgets(line, sizeof line, out)) pid_ = static_cast<pid_t>(std::atoi(line));
    pclose(out);
    if (!address_.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
  }
  ~PrivateSessionBus() {
    if (pid_ > 0) kill(pid_, SIGTERM);
  }
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  bool Running() const { return !address_.empty() && pid_ > 0; }
  const std::string& Address() const { return address_; }

 private:
  static std::string Trim(const char* s) {
    std::string t(s);
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    return t;
  }
  std::string address_;
  pid_t pid_ = 0;
};

// A Qt test's main: the bus before the application, since Qt reads the session bus
// address once. The address goes to *address for tests that connect a second time.
template <class Test>
int RunOnPrivateSessionBus(int argc, char* argv[], std::string* address) {
  PrivateSessionBus bus;
  *address = bus.Address();
  QApplication app(argc, argv);
  Test test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace vostrelle::test
