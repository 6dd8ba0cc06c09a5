// Any bytes as the two settings files: loading never crashes, a file without its
// top element leaves every default in place, and what was loaded, once saved and
// loaded again, stays the same through a second save.
// Input: connects.xml up to the first 0xFF byte, options.xml after it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Ipv4.h"
#include "store/AppSettings.h"
#include "store/CMiniDOMIO.h"
#include "store/CMiniDOMNode.h"
#include "store/MyDocuments.h"

using namespace vostrelle;

namespace {

struct Reader : CMiniDOMIO {
  using CMiniDOMIO::LoadFromBuffer;
};

void RemoveFolder();

// Made once per process; kept on the heap so that it outlives the exit handler.
const std::string& Folder() {
  static const std::string* folder = [] {
    // tmpfs where there is one: every run writes and syncs both files.
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/vostrelle-fuzz-XXXXXX"
                                                        : "/tmp/vostrelle-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return new std::string(pattern);
  }();
  static const bool cleanup = std::atexit(RemoveFolder) == 0;
  (void)cleanup;
  return *folder;
}

void RemoveFolder() {
  for (const char* name : {"connects.xml", "options.xml"}) unlink((Folder() + "/" + name).c_str());
  rmdir(Folder().c_str());
}

void Put(const char* name, std::string_view bytes) {
  std::ofstream(Folder() + "/" + name, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Get(const char* name) {
  std::ifstream in(Folder() + "/" + name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool HasTop(std::string_view bytes, const char* name) {
  CMiniDOMNode root;
  Reader().LoadFromBuffer(bytes, root);
  return CMiniDOMNode::FindChild(&root, name) != nullptr;
}

bool SameFont(const LOGFONTA& a, const LOGFONTA& b) {
  return a.ToBytes() == b.ToBytes();
}

bool SameConnect(const ConnectSetting& a, const ConnectSetting& b) {
  return a.ConnectTo == b.ConnectTo && a.NetMask == b.NetMask && a.Name == b.Name &&
         a.RealName == b.RealName && a.RoomName == b.RoomName && a.AutoConnect == b.AutoConnect;
}

bool Same(const AppSettings& a, const AppSettings& b) {
  if (a.Connects.size() != b.Connects.size()) return false;
  for (std::size_t i = 0; i < a.Connects.size(); ++i)
    if (!SameConnect(a.Connects[i], b.Connects[i])) return false;
  for (int i = 0; i < 3; ++i)
    if (!SameFont(a.Fonts[i], b.Fonts[i])) return false;
  return a.ConfirmExit == b.ConfirmExit && a.MinimumStart == b.MinimumStart &&
         a.MinimumTray == b.MinimumTray && a.TrayAnime == b.TrayAnime &&
         a.RestoreSize == b.RestoreSize && a.UseHotkey == b.UseHotkey && a.KeyCode == b.KeyCode &&
         a.Modifiers == b.Modifiers && a.Number == b.Number && a.ReceiveFolder == b.ReceiveFolder &&
         a.Log.Save == b.Log.Save && a.Log.SaveFolder == b.Log.SaveFolder;
}

void CheckDefaults(const AppSettings& s) {
  const AppSettings fresh;
  bool ok = !s.ConfirmExit && !s.MinimumStart && s.MinimumTray && s.TrayAnime && !s.RestoreSize &&
            !s.UseHotkey && s.KeyCode == 0x4F && s.Modifiers == 6 && s.Number == 0 &&
            s.ReceiveFolder == GetMyDocumentsPath() && s.Log.Save &&
            s.Log.SaveFolder == JoinPath(s.SettingFolder, "log");
  for (int i = 0; i < 3; ++i) ok = ok && SameFont(s.Fonts[i], fresh.GetStockFont());
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\xFF');
  const std::string_view connects = input.substr(0, cut);
  const std::string_view options =
      cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  Put("connects.xml", connects);
  Put("options.xml", options);

  AppSettings loaded;
  loaded.SettingFolder = Folder();
  if (!loaded.LoadSettings()) std::abort();
  if (!HasTop(options, "Options")) CheckDefaults(loaded);
  if (!HasTop(connects, "Connects") && !loaded.Connects.empty()) std::abort();
  for (const ConnectSetting& c : loaded.Connects) {
    // Stored addresses come out canonical, whatever form the file held.
    if (InetNtoa(InetAddr(c.ConnectTo)) != c.ConnectTo ||
        InetNtoa(InetAddr(c.NetMask)) != c.NetMask)
      std::abort();
  }

  // The first save normalises (a NUL ends a written value); from then on nothing changes.
  loaded.SaveConnects();
  loaded.SaveOptions();
  AppSettings once;
  once.SettingFolder = Folder();
  once.LoadSettings();
  const std::string connectsOnce = Get("connects.xml"), optionsOnce = Get("options.xml");
  once.SaveConnects();
  once.SaveOptions();
  AppSettings twice;
  twice.SettingFolder = Folder();
  twice.LoadSettings();
  if (!Same(once, twice) || Get("connects.xml") != connectsOnce ||
      Get("options.xml") != optionsOnce)
    std::abort();
  return 0;
}
