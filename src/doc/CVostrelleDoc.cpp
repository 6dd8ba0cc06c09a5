#include "doc/CVostrelleDoc.h"

#include <utility>

#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "platform/Ipv4.h"
#include "platform/UserInterface.h"
#include "store/AppSettings.h"

namespace vostrelle {

CVostrelleDoc::CVostrelleDoc(AppSettings& settings, UserInterface& ui, SocketNotifier& notifier)
    : settings_(settings), ui_(ui), notifier_(notifier) {}

CVostrelleDoc::~CVostrelleDoc() {
  DeleteContents();
}

bool CVostrelleDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return false;

  auto notify = [this]() -> std::shared_ptr<NotifyTarget> {
    if (transferSetup_.MakeNotify) return transferSetup_.MakeNotify();
    return std::make_shared<QueueNotifyTarget>();
  };
  sendList_ = std::make_unique<SendFileList>(notify(), &ui_, transferSetup_.Send);
  receiveList_ = std::make_unique<ReceiveFileList>(notify());
  if (transferSetup_.ListMade) {
    transferSetup_.ListMade(*sendList_);
    transferSetup_.ListMade(*receiveList_);
  }
  socket_ = std::make_unique<ChatSocket>(this, chatPort_);
  if (!socket_->Create(&notifier_, bindAddress_)) {
    socket_.reset();
    ui_.MessageBox("ソケットを初期化できませんでした。"_sjis);
    return false;
  }
  logs_ = std::make_unique<ChatLogRegistry>();

  if (settings_.Connects.empty()) {
    ConnectSetting setting;
    if (ui_.EditConnectSetting(setting)) {
      settings_.Connects.push_back(setting);
      SaveConnectsOrSay();
    }
  }

  std::vector<InterfaceInfo> interfaces;
  std::vector<int> usable;
  QueryInterfaces(interfaces, usable);
  // CreateRoomSession may select an existing room; a copy keeps the loop independent of
  // anything that changes the stored list meanwhile.
  const std::vector<ConnectSetting> stored = settings_.Connects;
  for (const ConnectSetting& setting : stored) {
    if (!setting.AutoConnect) continue;
    // Started before the network came up: the room joins as soon as it does.
    if (ChooseInterface(setting, interfaces, usable) < 0) {
      waiting_.push_back(setting);
      continue;
    }
    CreateRoomSession(setting, interfaces, usable);
  }
  currentRoom_ = sessions_.empty() ? -1 : 0;
  return true;
}

void CVostrelleDoc::DeleteContents() {
  // Leaving may make a view react; work on the list as it is now.
  for (std::size_t i = 0; i < sessions_.size(); ++i) {
    RoomSession* session = sessions_[i].get();
    if (!session) continue;
    if (session->IsJoined()) {
      session->Leave();
    } else {
      SessionHint hint(session);
      UpdateAllViews(nullptr, kHintSessionLeaving, &hint);
    }
  }
  logs_.reset();
  sessions_.clear();
  retired_.clear();
  pendingViews_.clear();
  waiting_.clear();
  socket_.reset();
  currentRoom_ = -1;
  // Their workers are aborted and waited for.
  sendList_.reset();
  receiveList_.reset();
  SetTitle("未接続"_sjis);
}

bool CVostrelleDoc::SaveModified() {
  if (!settings_.ConfirmExit) return true;
  return ui_.MessageBox("終了します。よろしいですか？"_sjis, "終了確認"_sjis,
                        MsgButtons::OkCancel, MsgIcon::Information) != MsgAnswer::Cancel;
}

RoomSession* CVostrelleDoc::CurrentSession() const {
  return Session(currentRoom_);
}

RoomSession* CVostrelleDoc::Session(int index) const {
  if (index < 0 || index >= static_cast<int>(sessions_.size())) return nullptr;
  return sessions_[static_cast<std::size_t>(index)].get();
}

int CVostrelleDoc::IndexOf(const RoomSession* session) const {
  for (std::size_t i = 0; i < sessions_.size(); ++i) {
    if (sessions_[i].get() == session) return static_cast<int>(i);
  }
  return -1;
}

std::vector<int> CVostrelleDoc::TakePendingViews() {
  return std::exchange(pendingViews_, {});
}

bool CVostrelleDoc::IsCurrent(const RoomSession* session) const {
  return session != nullptr && CurrentSession() == session;
}

bool CVostrelleDoc::QueryInterfaces(std::vector<InterfaceInfo>& interfaces,
                                    std::vector<int>& usable) const {
  if (queryInterfaces_) return queryInterfaces_(interfaces, usable);
  return QueryLocalInterfaces(interfaces, usable);
}

void CVostrelleDoc::JoinWaitingRooms(const std::vector<InterfaceInfo>& interfaces,
                                     const std::vector<int>& usable) {
  if (!socket_) return;
  bool made = false;
  std::vector<ConnectSetting> still;
  for (const ConnectSetting& setting : std::exchange(waiting_, {})) {
    if (ChooseInterface(setting, interfaces, usable) < 0)
      still.push_back(setting);
    else if (CreateRoomSession(setting, interfaces, usable))
      made = true;
  }
  waiting_ = std::move(still);
  if (made) UpdateAllViews(nullptr, kHintSessionCreated);
}

void CVostrelleDoc::TellRoom(RoomSession* session, const std::string& text) {
  if (!session || IndexOf(session) < 0) return;
  InSession guard(*this);
  EventBatch batch = MakeBatch(session);
  batch.Add(kEventSystem, 0, text);
  Deliver(batch);
}

void CVostrelleDoc::SelectRoom(int index) {
  if (index < -1 || index >= static_cast<int>(sessions_.size())) index = -1;
  currentRoom_ = index;
  RoomSession* session = CurrentSession();
  RoomSelectHint show(true, session, ui_.FocusIsMessageView());
  UpdateAllViews(nullptr, kHintSelectRoom, &show);
  // A view may have changed the selection during the first pass; the second pass goes
  // with the same session, as the first did.
  RoomSelectHint hide(false, session, false);
  UpdateAllViews(nullptr, kHintSelectRoom, &hide);
}

void CVostrelleDoc::StepRoom(int direction) {
  if (direction == 0) return;
  const int step = direction < 0 ? -1 : 1;
  const int n = static_cast<int>(sessions_.size());
  int k = currentRoom_;
  do {
    k += step;
    if (k >= n) k -= n + 1;
    if (k < -1) k += n + 1;
  } while (k != -1 && !sessions_[static_cast<std::size_t>(k)]->IsJoined());
  SelectRoom(k);
}

bool CVostrelleDoc::CreateRoomSession(const ConnectSetting& setting,
                                      const std::vector<InterfaceInfo>& interfaces,
                                      const std::vector<int>& usable) {
  const int chosen = ChooseInterface(setting, interfaces, usable);
  if (chosen < 0 || !socket_) return false;
  auto session = std::make_unique<RoomSession>(setting, socket_.get(), &ui_);
  // The document first, then the send list, then the receive list.
  session->Attach(this);
  session->Attach(sendList_.get());
  session->Attach(receiveList_.get());
  session->SetLocalAddress(interfaces[static_cast<std::size_t>(chosen)].address);
  for (std::size_t i = 0; i < sessions_.size(); ++i) {
    if (sessions_[i]->SameRoom(*session)) {
      session.reset();
      SelectRoom(static_cast<int>(i));
      return false;
    }
  }
  sessions_.push_back(std::move(session));
  pendingViews_.push_back(static_cast<int>(sessions_.size()) - 1);
  return true;
}

bool CVostrelleDoc::OnCommand(int id) {
  switch (id) {
    case cmd::kRename:
      OnRename();
      return true;
    case cmd::kEditConnects:
      OnEditConnects();
      return true;
    case cmd::kOptions:
      OnOptions();
      return true;
    case cmd::kNewConnection:
      OnNewConnection();
      return true;
    case cmd::kLeaveRoom:
      OnLeaveRoom();
      return true;
    default:
      return false;
  }
}

bool CVostrelleDoc::IsCommandEnabled(int id) const {
  if (id == cmd::kRename) return CurrentSession() != nullptr;
  return true;
}

void CVostrelleDoc::OnRename() {
  if (RoomSession* session = CurrentSession()) session->RenameByDialog();
  if (sessionCalls_ == 0) DestroyRetired();
}

void CVostrelleDoc::OnEditConnects() {
  const int result = ui_.EditConnectList(settings_.Connects);
  SaveConnectsOrSay();
  if (result == cmd::kReconnectResult) ui_.SendCommand(cmd::kFileNew);
}

void CVostrelleDoc::OnOptions() {
  AppSettings copy = settings_;
  if (!ui_.EditOptions(copy)) return;
  settings_ = copy;
  if (!settings_.SaveOptions()) {
    ui_.MessageBox(settings_.LastSaveError(), {}, MsgButtons::Ok, MsgIcon::Warning);
  }
  UpdateAllViews(nullptr, kHintSettingsChanged);
  if (logs_) logs_->TakeUpSettings(settings_.Log.Save);
  ui_.SendCommand(cmd::kSettingsChanged);
}

void CVostrelleDoc::OnNewConnection() {
  ConnectSetting setting;
  if (!settings_.Connects.empty()) setting.PrefillFrom(settings_.Connects.back());
  if (!ui_.EditConnectSetting(setting)) return;

  ConnectSetting chosen = setting;
  bool stored = false;
  for (const ConnectSetting& existing : settings_.Connects) {
    if (existing == setting) {
      // The stored setting wins, so a name or mask just typed is not used.
      chosen = existing;
      stored = true;
      break;
    }
  }
  if (!stored) {
    settings_.Connects.push_back(setting);
    SaveConnectsOrSay();
  }

  std::vector<InterfaceInfo> interfaces;
  std::vector<int> usable;
  QueryInterfaces(interfaces, usable);
  if (CreateRoomSession(chosen, interfaces, usable)) {
    UpdateAllViews(nullptr, kHintSessionCreated);
  }
}

void CVostrelleDoc::OnLeaveRoom() {
  if (currentRoom_ == -1) return;
  const int i = currentRoom_;
  StepRoom(+1);
  if (currentRoom_ == i) {
    ui_.MessageBox("消去できません。"_sjis);
    return;
  }
  RemoveSessionAt(i);
}

void CVostrelleDoc::RemoveSessionAt(int index) {
  if (index < 0 || index >= static_cast<int>(sessions_.size())) return;
  RoomSession* session = sessions_[static_cast<std::size_t>(index)].get();
  if (session->IsJoined()) {
    session->Leave();
  } else {
    SessionHint hint(session);
    UpdateAllViews(nullptr, kHintSessionLeaving, &hint);
  }
  // Leaving may have run views that changed the list; find the session again.
  const int at = IndexOf(session);
  if (at < 0) return;
  retired_.push_back(std::move(sessions_[static_cast<std::size_t>(at)]));
  sessions_.erase(sessions_.begin() + at);
  if (currentRoom_ > at) --currentRoom_;
  if (currentRoom_ >= static_cast<int>(sessions_.size())) currentRoom_ = -1;
  // Pending indices above the removed one move down with their sessions.
  std::vector<int> pending;
  for (int p : pendingViews_) {
    if (p < at) pending.push_back(p);
    if (p > at) pending.push_back(p - 1);
  }
  pendingViews_ = std::move(pending);
  if (sessionCalls_ == 0) DestroyRetired();
}

void CVostrelleDoc::DestroyRetired() {
  // Destroying a session notifies its observers; nothing here may retire another.
  std::vector<std::unique_ptr<RoomSession>> retired = std::move(retired_);
  retired_.clear();
  retired.clear();
}

void CVostrelleDoc::SaveConnectsOrSay() {
  if (!settings_.SaveConnects()) {
    ui_.MessageBox(settings_.LastSaveError(), {}, MsgButtons::Ok, MsgIcon::Warning);
  }
}

void CVostrelleDoc::Receive(const FieldMap& fields, Ipv4 sender) {
  if (RoomSession* session = ChooseSession(sessions_, fields, sender)) {
    InSession guard(*this);
    session->Receive(fields, sender);
  }
  if (sessionCalls_ == 0) DestroyRetired();
}

bool CVostrelleDoc::NameCalled(const RoomSession& session, const std::string& text) {
  // An empty name would be found in every text; nobody is called by it.
  if (session.Name().empty()) return false;
  return FindMultibyte(text, session.Name()) != std::string::npos;
}

EventBatch CVostrelleDoc::MakeBatch(RoomSession* session) const {
  const std::time_t now = clock_ ? clock_() : std::time(nullptr);
  return EventBatch(session, static_cast<std::int64_t>(now), IsCurrent(session));
}

void CVostrelleDoc::Deliver(EventBatch& batch) {
  UpdateAllViews(nullptr, kHintEvents, &batch);
  if (!logs_ || !batch.Session) return;
  ChatLog* log = logs_->GetLog(batch.Session->RoomDisplayName(), settings_.Log.Save,
                               settings_.LogFolderInUse());
  if (!log) return;
  const std::time_t time = static_cast<std::time_t>(batch.Time);
  log->CheckDate(time);
  const std::string timeText = LogTimeText(time);
  for (const EventEntry& entry : batch.Entries) {
    std::string name;
    if (entry.Kind != kEventSystem) {
      const RoomMember* member = batch.Session->Member(entry.Member);
      name = member ? member->Name : entry.Name;
    }
    log->Write(FormatLogLine(entry.Kind, timeText, name, entry.Text));
  }
}

void CVostrelleDoc::OnLeaving(RoomSession* session) {
  InSession guard(*this);
  SessionHint hint(session);
  UpdateAllViews(nullptr, kHintSessionLeaving, &hint);
  if (logs_) logs_->Remove(session->RoomDisplayName());
}

void CVostrelleDoc::OnInformation(RoomSession* session, const std::string& name,
                                  const std::string& realName, const std::string& version) {
  InSession guard(*this);
  EventBatch batch = MakeBatch(session);
  batch.Add(kEventSystem, 0, event_text::InfoName(name));
  batch.Add(kEventSystem, 0, event_text::InfoRealName(realName));
  batch.Add(kEventSystem, 0, event_text::InfoVersion(version));
  Deliver(batch);
}

void CVostrelleDoc::OnMemberAdded(RoomSession* session, int member) {
  InSession guard(*this);
  RoomEventHint hint(session, IsCurrent(session), member);
  UpdateAllViews(nullptr, kHintMemberAdded, &hint);
  const RoomMember* record = session->Member(member);
  EventBatch batch = MakeBatch(session);
  batch.Add(kEventSystem, 0, event_text::Joined(record ? record->Name : std::string()));
  Deliver(batch);
}

void CVostrelleDoc::OnMemberRemoved(RoomSession* session, int member, int reason) {
  InSession guard(*this);
  const RoomMember* record = session->Member(member);
  const std::string name = record ? record->Name : std::string();
  RoomEventHint hint(session, IsCurrent(session), member);
  UpdateAllViews(nullptr, kHintMemberRemoving, &hint);
  EventBatch batch = MakeBatch(session);
  batch.Add(kEventSystem, 0, event_text::Removed(name, reason));
  Deliver(batch);
}

void CVostrelleDoc::OnJoined(RoomSession* session) {
  InSession guard(*this);
  RoomEventHint hint(session, IsCurrent(session), -1);
  UpdateAllViews(nullptr, kHintJoined, &hint);
  EventBatch batch = MakeBatch(session);
  batch.Add(kEventSystem, 0,
            event_text::Connected(session->RoomDisplayName(), InetNtoa(session->ConnectTo())));
  Deliver(batch);
}

void CVostrelleDoc::OnMessage(RoomSession* session, int member, const std::string& name,
                              const std::string& text) {
  InSession guard(*this);
  EventBatch batch = MakeBatch(session);
  const bool called = NameCalled(*session, text);
  if (called) ui_.SendCommand(cmd::kNameCalled);
  batch.Add(called ? kEventNameCalled : kEventMessage, member, text, name);
  Deliver(batch);
}

void CVostrelleDoc::OnLineEntered(RoomSession* session, int member, const std::string& name,
                                  const std::string& text) {
  InSession guard(*this);
  const bool joined = session->IsJoined();
  EventBatch batch = MakeBatch(session);
  batch.Add(kEventOwnLine, member, text, name);
  Deliver(batch);
  // A view may have made the session leave during the delivery; it is still alive
  // (retired sessions wait), but a session that left sends nothing and shows nothing.
  if (joined && !session->IsJoined()) return;
  // A line that went out to nobody who should have had it must not pass for said.
  if (!joined || session->SendLine(text) == RoomSession::Delivery::kFailed) {
    EventBatch failed = MakeBatch(session);
    failed.Add(kEventSystem, 0, event_text::SendFailed());
    Deliver(failed);
  }
}

void CVostrelleDoc::OnMemberRenamed(RoomSession* session, int member, const std::string& oldName,
                                    const std::string& newName) {
  InSession guard(*this);
  RoomEventHint hint(session, IsCurrent(session), member);
  UpdateAllViews(nullptr, kHintMemberRenamed, &hint);
  EventBatch batch = MakeBatch(session);
  batch.Add(kEventSystem, 0, event_text::Renamed(oldName, newName));
  Deliver(batch);
}

}  // namespace vostrelle
