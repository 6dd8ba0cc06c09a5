#include "store/AppSettings.h"

#include <cstring>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/Ipv4.h"
#include "store/CMiniDOMIO.h"
#include "store/CMiniDOMNode.h"
#include "store/FolderSetting.h"
#include "store/MyDocuments.h"

namespace vostrelle {
namespace {

using Node = CMiniDOMNode;

const char* const kFontNames[3] = {"Message", "MemberView", "RoomView"};

bool ReadBool(const Node* node, bool fallback) {
  int value = 0;
  return Node::GetInt(node, value) ? value != 0 : fallback;
}

void AddInt(Node* parent, const char* name, int value) {
  parent->AddChild(name)->SetInt(value);
}

void AddText(Node* parent, const char* name, const std::string& value) {
  parent->AddChild(name)->SetValue(value);
}

// A Connect without Name or RealName, or with an address that does not convert, is
// rejected.
bool ReadConnect(const Node* node, ConnectSetting& setting) {
  const Node* name = Node::FindChild(node, "Name");
  if (!name) return false;
  setting.Name = name->GetValue();
  if (const Node* room = Node::FindChild(node, "RoomName")) setting.RoomName = room->GetValue();
  const Node* realName = Node::FindChild(node, "RealName");
  if (!realName) return false;
  setting.RealName = realName->GetValue();
  // A missing address reads as empty text, which does not convert.
  const Node* to = Node::FindChild(node, "ConnectTo");
  const Node* mask = Node::FindChild(node, "NetMask");
  Ipv4 toAddress = InetAddr(to ? to->GetValue() : std::string());
  Ipv4 maskAddress = InetAddr(mask ? mask->GetValue() : std::string());
  if (toAddress == kInaddrNone || maskAddress == kInaddrNone) return false;
  setting.AutoConnect = ReadBool(Node::FindChild(node, "AutoConnect"), false);
  // Kept as written, so that nothing the user typed is lost by a load and a save.
  if (const Node* also = Node::FindChild(node, "ConnectAlso"))
    setting.ConnectAlso = also->GetValue();
  setting.ConnectTo = InetNtoa(toAddress);
  setting.NetMask = InetNtoa(maskAddress);
  return true;
}

}  // namespace

AppSettings::AppSettings() : stockFont_(DefaultStockFont()) {}

AppSettings::~AppSettings() = default;

LOGFONTA AppSettings::DefaultStockFont() {
  LOGFONTA font;
  font.lfHeight = -16;
  font.lfWeight = 400;
  font.lfCharSet = 128;  // SHIFTJIS_CHARSET
  std::strcpy(font.lfFaceName, "IPAGothic");
  return font;
}

std::string AppSettings::ReceiveFolderInUse() const {
  return vostrelle::ReceiveFolderInUse(ReceiveFolder, SettingFolder);
}

std::string AppSettings::LogFolderInUse() const {
  return vostrelle::LogFolderInUse(Log.SaveFolder, SettingFolder);
}

std::string AppSettings::FilePath(const char* name) const {
  return JoinPath(SettingFolder, name);
}

bool AppSettings::LoadSettings() {
  LoadConnects();
  Node root;
  CMiniDOMIO io;
  io.LoadDocument(FilePath("options.xml"), root);
  const Node* options = Node::FindChild(&root, "Options");

  LoadBehaviour(options);
  LoadFilesAndLooks(options);
  return true;
}

void AppSettings::LoadConnects() {
  Connects.clear();
  Node root;
  CMiniDOMIO io;
  io.LoadDocument(FilePath("connects.xml"), root);  // a broken file yields fewer elements
  const Node* connects = Node::FindChild(&root, "Connects");
  for (int i = 0; i < Node::GetChildCount(connects); ++i) {
    const Node* child = Node::GetChild(connects, i);
    if (child->GetName() != "Connect") continue;
    ConnectSetting setting;
    if (!ReadConnect(child, setting)) break;  // the rest of the list is not read
    Connects.push_back(std::move(setting));
  }
}

// The system, event and hot-key options.
void AppSettings::LoadBehaviour(const CMiniDOMNode* options) {
  const Node* system = Node::FindChild(options, "System");
  ConfirmExit = ReadBool(Node::FindChild(system, "ConfirmExit"), false);
  MinimumStart = ReadBool(Node::FindChild(system, "MinimumStart"), false);
  MinimumTray = ReadBool(Node::FindChild(system, "MinimumTray"), true);

  const Node* event = Node::FindChild(options, "Event");
  TrayAnime = ReadBool(Node::FindChild(event, "TrayAnime"), true);
  RestoreSize = ReadBool(Node::FindChild(event, "RestoreSize"), false);

  const Node* hotkey = Node::FindChild(options, "Hotkey");
  UseHotkey = ReadBool(Node::FindChild(hotkey, "UseHotkey"), false);
  int value = 0x4F;
  Node::GetInt(Node::FindChild(hotkey, "KeyCode"), value);
  KeyCode = static_cast<std::uint16_t>(value);
  value = 6;
  Node::GetInt(Node::FindChild(hotkey, "Modifiers"), value);
  Modifiers = static_cast<std::uint16_t>(value);
}

// The tip counter, the receive folder, the fonts and the log options.
void AppSettings::LoadFilesAndLooks(const CMiniDOMNode* options) {
  Number = 0;
  Node::GetInt(Node::FindChild(Node::FindChild(options, "OnePoint"), "Number"), Number);

  if (const Node* folder = Node::FindChild(Node::FindChild(options, "FileTrans"), "ReceiveFolder"))
    ReceiveFolder = folder->GetValue();  // kept even when empty
  else
    ReceiveFolder = GetMyDocumentsPath();

  const Node* fonts = Node::FindChild(options, "Font");
  for (int i = 0; i < 3; ++i) {
    std::vector<unsigned char> bytes;
    if (Node::GetBinary(Node::FindChild(fonts, kFontNames[i]), bytes))
      Fonts[i].OverwriteFrom(bytes.data(), bytes.size());
    else
      Fonts[i] = stockFont_;
  }

  const Node* log = Node::FindChild(options, "Log");
  Log.Save = ReadBool(Node::FindChild(log, "Save"), true);
  if (const Node* folder = Node::FindChild(log, "SaveFolder"))
    Log.SaveFolder = folder->GetValue();
  else
    Log.SaveFolder = JoinPath(SettingFolder, "log");
}

bool AppSettings::SaveConnects() {
  Node root;
  Node* connects = root.AddChild("Connects");
  for (const ConnectSetting& setting : Connects) {
    Node* connect = connects->AddChild("Connect");
    AddText(connect, "Name", setting.Name);
    AddText(connect, "RoomName", setting.RoomName);
    AddText(connect, "RealName", setting.RealName);
    AddText(connect, "ConnectTo", setting.ConnectTo);
    AddText(connect, "NetMask", setting.NetMask);
    AddInt(connect, "AutoConnect", setting.AutoConnect ? 1 : 0);
    // Only when there is one: a file without extra destinations stays as it always was.
    if (!setting.ConnectAlso.empty()) AddText(connect, "ConnectAlso", setting.ConnectAlso);
  }
  return Save("connects.xml", root);
}

bool AppSettings::SaveOptions() {
  Node root;
  Node* options = root.AddChild("Options");
  Node* system = options->AddChild("System");
  AddInt(system, "ConfirmExit", ConfirmExit ? 1 : 0);
  AddInt(system, "MinimumStart", MinimumStart ? 1 : 0);
  AddInt(system, "MinimumTray", MinimumTray ? 1 : 0);
  Node* event = options->AddChild("Event");
  AddInt(event, "TrayAnime", TrayAnime ? 1 : 0);
  AddInt(event, "RestoreSize", RestoreSize ? 1 : 0);
  Node* hotkey = options->AddChild("Hotkey");
  AddInt(hotkey, "UseHotkey", UseHotkey ? 1 : 0);
  AddInt(hotkey, "KeyCode", KeyCode);
  AddInt(hotkey, "Modifiers", Modifiers);
  AddInt(options->AddChild("OnePoint"), "Number", Number);
  AddText(options->AddChild("FileTrans"), "ReceiveFolder", ReceiveFolder);
  Node* fonts = options->AddChild("Font");
  for (int i = 0; i < 3; ++i) {
    LOGFONTA::Bytes bytes = Fonts[i].ToBytes();
    fonts->AddChild(kFontNames[i])
        ->SetBinary(std::vector<unsigned char>(bytes.begin(), bytes.end()));
  }
  Node* log = options->AddChild("Log");
  AddInt(log, "Save", Log.Save ? 1 : 0);
  AddText(log, "SaveFolder", Log.SaveFolder);
  return Save("options.xml", root);
}

bool AppSettings::Save(const char* name, const CMiniDOMNode& root) {
  // A failed save keeps the old file whole; the caller tells the user.
  CMiniDOMIO io;
  const std::string path = FilePath(name);
  const bool saved = io.SaveDocument(path, root);
  lastSaveError_.clear();
  if (!saved) {
    // A file that could not even be made leaves the writer without a message; then
    // the path says which file it was.
    lastSaveError_ = io.GetErrorText().empty() ? "書込エラー: "_sjis + path : io.GetErrorText();
  }
  return saved;
}

}  // namespace vostrelle
