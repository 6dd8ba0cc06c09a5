#include "store/Autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vostrelle {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool IsTrue(const std::string& value) { return value == "true" || value == "1"; }
bool IsFalse(const std::string& value) { return value == "false" || value == "0"; }

std::string SystemError(int error) { return std::strerror(error); }

}  // namespace

AutostartEntry::AutostartEntry(const std::string& configHome, const std::string& appId)
    : folder_(configHome + "/autostart"), path_(folder_ + "/" + appId + ".desktop") {}

AutostartEntry AutostartEntry::ForUser(const std::string& appId) {
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return AutostartEntry(config, appId);
  const char* home = std::getenv("HOME");
  return AutostartEntry(std::string(home ? home : "") + "/.config", appId);
}

bool AutostartEntry::IsEnabled() const {
  std::ifstream in(path_);
  if (!in) return false;
  std::string line;
  bool inEntry = false;
  bool enabled = true;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = Trim(line.substr(eq + 1));
    if (key == "Hidden" && IsTrue(value)) enabled = false;
    if (key == "X-GNOME-Autostart-enabled" && IsFalse(value)) enabled = false;
  }
  return enabled;
}

std::string AutostartEntry::ExecArgument(const std::string& argument) {
  static const char* const kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string arg;
  if (argument.find_first_of(kReserved) == std::string::npos && !argument.empty()) {
    arg = argument;
  } else {
    arg = "\"";
    for (char c : argument) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') arg += '\\';
      arg += c;
    }
    arg += '"';
  }
  // Then the rules of every value: a backslash doubled, and % is a field code.
  std::string value;
  for (char c : arg) {
    if (c == '\\') value += '\\';
    if (c == '%') value += '%';
    value += c;
  }
  return value;
}

bool AutostartEntry::Enable(const std::string& program) {
  lastError_.clear();
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  // Written beside and renamed over, so a full disk never leaves half an entry.
  const std::string temporary = path_ + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      lastError_ = path_ + ": " + SystemError(errno);
      return false;
    }
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=Vostrelle\n"
         << "Name[ja]=ヴォストレル\n"
         << "Comment=Chat with people on your local network, no server needed\n"
         << "Comment[ja]=サーバーなしで LAN 内の相手とチャットします\n"
         << "Exec=" << ExecArgument(program) << " --minimized\n"
         << "Icon=vostrelle\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    out << text.str();
    out.flush();
    if (!out) {
      const int error = errno;
      out.close();
      std::filesystem::remove(temporary, ec);
      lastError_ = path_ + ": " + SystemError(error);
      return false;
    }
  }
  std::filesystem::rename(temporary, path_, ec);
  if (ec) {
    lastError_ = path_ + ": " + ec.message();
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

bool AutostartEntry::Disable() {
  lastError_.clear();
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  if (ec) {
    lastError_ = path_ + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace vostrelle
