#include "RoomSession.h"

#include <cctype>
#include <cstdlib>
#include <limits>

#include "platform/UserInterface.h"
#include "platform/Version.h"
#include "store/AddressList.h"

namespace vostrelle {

namespace {

// Base-10 unsigned conversion: leading blanks skipped, stops at the first non-digit, no
// digits gives 0. Values beyond 32 bits saturate instead of wrapping, so an oversized
// size is never mistaken for a small one.
std::uint32_t ToUint32(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (value > std::numeric_limits<std::uint32_t>::max())
      return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(value);
}

std::string VersionText() {
  std::string version;
  GetVersionStrings(&version, nullptr);
  return version;
}

const std::string* Find(const FieldMap& fields, const char* name) {
  auto it = fields.find(name);
  return it == fields.end() ? nullptr : &it->second;
}

}  // namespace

RoomSession::RoomSession(const ConnectSetting& setting, ChatSocket* socket, UserInterface* ui)
    : connectTo_(InetAddr(setting.ConnectTo)),
      netMask_(InetAddr(setting.NetMask)),
      alsoTo_(AddressesIn(setting.ConnectAlso)),
      name_(setting.Name),
      realName_(setting.RealName),
      roomName_(setting.RoomName),
      autoConnect_(setting.AutoConnect),
      socket_(socket),
      ui_(ui) {}

RoomSession::~RoomSession() {
  // Every observer hears of it, even when this runs inside another notification.
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    observers_[i]->SetSession(this);
    observers_[i]->OnSessionDestroyed(this);
  }
  *alive_ = false;
  members_.clear();
  observers_.clear();
}

template <typename F>
void RoomSession::Notify(F&& call) {
  const Liveness alive = alive_;
  // By index: an observer may attach another one while being notified.
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    RoomObserver* observer = observers_[i];
    observer->SetSession(this);
    call(observer);
    if (!*alive) return;
  }
}

void RoomSession::Attach(RoomObserver* observer) {
  if (!observer) return;
  observers_.push_back(observer);
  observer->SetSession(this);
  observer->OnAttached(this);
}

bool RoomSession::Prepare(const std::string& command, FieldMap& fields) const {
  const int cls = ProtocolTable::Instance().ClassOf(command);
  if (cls == kClassNone) return false;
  fields["Command"] = command;
  fields["Room"] = roomName_;
  if ((cls == kClassMembership && command == "Join") || cls == kClassChat) {
    fields["Name"] = name_;
  } else if (cls == kClassRequest && command == "Information") {
    fields["Name"] = name_;
    fields["RealName"] = realName_;
    fields["Version"] = VersionText();
  }
  // A line break (or NUL) inside a field would end the block early or forge further
  // fields on the receiving side, so such a packet is not sent at all.
  for (const auto& [name, value] : fields) {
    if (name.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos ||
        value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
      return false;
  }
  return true;
}

bool RoomSession::SendToAddress(const std::string& command, FieldMap& fields, Ipv4 address) {
  if (!socket_ || !Prepare(command, fields)) return false;
  return socket_->SendPacket(fields, address, false);
}

bool RoomSession::SendToMembers(const std::string& command, FieldMap& fields) {
  return DeliverToMembers(command, fields) == Delivery::kSent;
}

RoomSession::Delivery RoomSession::DeliverToMembers(const std::string& command, FieldMap& fields) {
  if (!socket_ || !Prepare(command, fields)) return Delivery::kFailed;
  bool anyone = false, sent = false;
  for (const auto& member : members_) {
    if (member->Address == localAddress_) continue;
    anyone = true;
    // Built once; the same bytes go to every member.
    if (socket_->SendPacket(fields, member->Address, sent)) sent = true;
  }
  return sent ? Delivery::kSent : anyone ? Delivery::kFailed : Delivery::kNobody;
}

bool RoomSession::SendJoin() {
  FieldMap fields;
  if (!SendToAddress("Join", fields, connectTo_)) return false;
  // A host or network beyond a router may be unreachable for now (no route yet): the
  // room is still joined on its own network, and the next announcement tries again.
  for (Ipv4 address : alsoTo_)
    if (address != connectTo_ && address != localAddress_)
      socket_->SendPacket(fields, address, true);
  return true;
}

bool RoomSession::Join() {
  if (joined_) return true;
  if (!SendJoin()) return false;
  joined_ = true;
  auto self = std::make_unique<RoomMember>();
  self->Name = name_;
  self->Address = localAddress_;
  members_.push_back(std::move(self));
  Notify([this](RoomObserver* o) { o->OnJoined(this); });
  return true;
}

void RoomSession::Leave() {
  if (!joined_) return;
  const Liveness alive = alive_;
  Notify([this](RoomObserver* o) { o->OnLeaving(this); });
  if (!*alive) return;
  FieldMap fields;
  SendToMembers("Part", fields);
  members_.clear();
  joined_ = false;
}

bool RoomSession::SendMessage(const std::string& text) {
  return SendLine(text) == Delivery::kSent;
}

RoomSession::Delivery RoomSession::SendLine(const std::string& text) {
  FieldMap fields;
  fields["Message"] = text;
  return DeliverToMembers("Message", fields);
}

void RoomSession::EnterLine(const std::string& text) {
  const std::string name = name_;
  Notify([&](RoomObserver* o) { o->OnLineEntered(this, 0, name, text); });
}

bool RoomSession::Rename(const std::string& newName) {
  const std::string oldName = name_;
  name_ = newName;
  const int self = FindMember(localAddress_);
  if (self >= 0) {
    members_[static_cast<std::size_t>(self)]->Name = newName;
    const Liveness alive = alive_;
    Notify([&](RoomObserver* o) { o->OnMemberRenamed(this, self, oldName, newName); });
    if (!*alive) return false;
  }
  FieldMap fields;
  return SendToMembers("Notice", fields);
}

void RoomSession::RenameByDialog() {
  if (!ui_) return;
  std::string name = name_;
  if (ui_->AskName(name)) Rename(name);
}

void RoomSession::RequestInformation(int member) {
  const RoomMember* record = Member(member);
  if (!record) return;
  if (record->Address == localAddress_) {
    const std::string name = name_, realName = realName_, version = VersionText();
    Notify([&](RoomObserver* o) { o->OnInformation(this, name, realName, version); });
    return;
  }
  FieldMap fields;
  SendToAddress("ReqInformation", fields, record->Address);
}

bool RoomSession::OfferFile(int member, const std::string& id, const std::string& fileName,
                            std::uint32_t size, std::uint32_t port) {
  const RoomMember* record = Member(member);
  if (!record) return false;
  FieldMap fields;
  fields["FileName"] = fileName;
  fields["FileSize"] = std::to_string(size);
  fields["Port"] = std::to_string(port);
  fields["ID"] = id;
  return SendToAddress("File", fields, record->Address);
}

void RoomSession::RequestFileSend(int member, const std::string& path) {
  const RoomMember* record = Member(member);
  if (!record || record->Address == localAddress_) return;
  Notify([&](RoomObserver* o) { o->OnSendFileRequest(this, member, path); });
}

void RoomSession::Tick() {
  const Liveness alive = alive_;
  answeredPolls_.clear();
  announcedThisTick_ = false;
  reassuredThisTick_ = false;
  if (announcePending_) {
    announcePending_ = false;
    Announce();
  }
  for (int i = MemberCount() - 1; i >= 0; --i) {
    // An observer of a removal may have shrunk the table (by leaving, say).
    if (i >= MemberCount()) continue;
    RoomMember& member = *members_[static_cast<std::size_t>(i)];
    if (member.Address == localAddress_) continue;
    ++member.MissCount;
    if (member.MissCount == 4) {
      FieldMap fields;
      SendToAddress("ReqNotice", fields, member.Address);
    } else if (member.MissCount >= 6) {
      RemoveMember(i, kRemovalDropped);
      if (!*alive) return;
    }
  }
}

bool RoomSession::Announce() {
  if (!joined_) return false;
  if (announcedThisTick_) {
    if (announcePending_) return false;
    announcePending_ = true;
    return true;
  }
  announcedThisTick_ = true;
  return SendJoin();
}

bool RoomSession::Reassure() {
  if (!joined_) return false;
  if (reassuredThisTick_) return true;
  reassuredThisTick_ = true;
  FieldMap fields;
  return DeliverToMembers("Notice", fields) != Delivery::kFailed;
}

bool RoomSession::MoveTo(Ipv4 address) {
  if (address == localAddress_) return false;
  // A member already listed under the new address would stand for ourselves.
  const int clash = FindMember(address);
  if (joined_ && clash >= 0) {
    const Liveness alive = alive_;
    RemoveMember(clash, kRemovalLeft);
    if (Stopped(alive, this)) return false;
  }
  const int self = FindMember(localAddress_);
  localAddress_ = address;
  if (self >= 0) members_[static_cast<std::size_t>(self)]->Address = address;
  if (joined_) Announce();
  return true;
}

void RoomSession::Receive(const FieldMap& fields, Ipv4 source) {
  // The user's own record must never be removed or renamed by a packet, whoever
  // hands one in with the local address as its source.
  if (source == localAddress_) return;
  // Before Join there is no own record at index 0 to keep first in the table.
  if (!joined_) return;
  if (!ProtocolTable::Instance().WithinLimits(fields)) return;
  const std::string* command = Find(fields, "Command");
  if (!command) return;

  const int index = FindMember(source);
  if (index >= 0) {
    members_[static_cast<std::size_t>(index)]->MissCount = 0;
    members_[static_cast<std::size_t>(index)]->LastHeard = std::chrono::steady_clock::now();
  }

  switch (ProtocolTable::Instance().ClassOf(*command)) {
    case kClassMembership:
      ReceiveMembership(*command, fields, source, index);
      break;
    case kClassChat:
      ReceiveChat(*command, fields, source, index);
      break;
    case kClassRequest:
      if (index >= 0)
        ReceiveRequest(*command, fields, source, index);
      else if (*command == "ReqNotice")
        AnswerPollFromStranger(source);
      break;
    default:
      break;
  }
}

// After each notification: stop if an observer destroyed the session or left the room
// (a left session must not gain members ahead of its own record). The session is looked
// at only while it is alive.
bool RoomSession::Stopped(const Liveness& alive, const RoomSession* session) {
  return !*alive || !session->joined_;
}

void RoomSession::ReceiveMembership(const std::string& command, const FieldMap& fields, Ipv4 source,
                                    int index) {
  if (command != "Join") {
    if (index >= 0) RemoveMember(index, kRemovalLeft);
    return;
  }
  const std::string* name = Find(fields, "Name");
  if (!name) return;
  const Liveness alive = alive_;
  if (index >= 0) {
    RemoveMember(index, kRemovalLeft);
    if (Stopped(alive, this)) return;
  }
  AddMember(*name, source);
  if (Stopped(alive, this)) return;
  FieldMap reply;
  SendToAddress("Notice", reply, source);
}

void RoomSession::ReceiveChat(const std::string& command, const FieldMap& fields, Ipv4 source,
                              int index) {
  const std::string* name = Find(fields, "Name");
  if (!name) return;
  const Liveness alive = alive_;
  if (index < 0) {
    index = AddMember(*name, source);
    if (Stopped(alive, this)) return;
  } else if (members_[static_cast<std::size_t>(index)]->Name != *name) {
    const std::string oldName = members_[static_cast<std::size_t>(index)]->Name;
    members_[static_cast<std::size_t>(index)]->Name = *name;
    Notify([&](RoomObserver* o) { o->OnMemberRenamed(this, index, oldName, *name); });
    if (Stopped(alive, this)) return;
  }
  const std::string* message = Find(fields, "Message");
  if (command == "Message" && message) {
    Notify([&](RoomObserver* o) { o->OnMessage(this, index, *name, *message); });
  }
}

void RoomSession::ReceiveRequest(const std::string& command, const FieldMap& fields, Ipv4 source,
                                 int index) {
  FieldMap reply;
  if (command == "ReqNotice") {
    SendToAddress("Notice", reply, source);
  } else if (command == "ReqInformation") {
    SendToAddress("Information", reply, source);
  } else if (command == "Information") {
    const std::string* name = Find(fields, "Name");
    const std::string* realName = Find(fields, "RealName");
    const std::string* version = Find(fields, "Version");
    if (!name || !realName || !version) return;
    Notify([&](RoomObserver* o) { o->OnInformation(this, *name, *realName, *version); });
  } else if (command == "File") {
    ReceiveFileOffer(fields, index);
  }
}

// A poll from someone we do not list means it still counts us while we dropped it (it
// slept, or we did). A "Join" to it alone makes both sides add each other again; once per
// sender and tick, so that a flood of polls cannot turn into a flood of joins.
void RoomSession::AnswerPollFromStranger(Ipv4 source) {
  for (Ipv4 answered : answeredPolls_)
    if (answered == source) return;
  answeredPolls_.push_back(source);
  FieldMap fields;
  SendToAddress("Join", fields, source);
}

void RoomSession::ReceiveFileOffer(const FieldMap& fields, int index) {
  const std::string* fileName = Find(fields, "FileName");
  const std::string* fileSize = Find(fields, "FileSize");
  const std::string* port = Find(fields, "Port");
  const std::string* id = Find(fields, "ID");
  if (!fileName || !fileSize || !port || !id) return;
  const std::uint32_t size = ToUint32(*fileSize), portNumber = ToUint32(*port);
  Notify([&](RoomObserver* o) { o->OnFileOffered(this, index, *id, *fileName, size, portNumber); });
}

int RoomSession::FindMember(Ipv4 address) const {
  for (std::size_t i = 0; i < members_.size(); ++i)
    if (members_[i]->Address == address) return static_cast<int>(i);
  return -1;
}

int RoomSession::AddMember(const std::string& name, Ipv4 address) {
  auto record = std::make_unique<RoomMember>();
  record->Name = name;
  record->Address = address;
  record->LastHeard = std::chrono::steady_clock::now();
  members_.push_back(std::move(record));
  const int index = MemberCount() - 1;
  Notify([&](RoomObserver* o) { o->OnMemberAdded(this, index); });
  return index;
}

void RoomSession::RemoveMember(int member, int reason) {
  const RoomMember* record = Member(member);
  if (!record) return;
  const Liveness alive = alive_;
  Notify([&](RoomObserver* o) { o->OnMemberRemoved(this, member, reason); });
  if (!*alive) return;
  // An observer may have changed the table meanwhile (by leaving, say): the record
  // goes wherever it is now, and not at all if it is gone already.
  for (auto it = members_.begin(); it != members_.end(); ++it) {
    if (it->get() == record) {
      members_.erase(it);
      return;
    }
  }
}

const std::string& RoomSession::HostName(int member) {
  static const std::string kEmpty;
  if (!Member(member)) return kEmpty;
  RoomMember& record = *members_[static_cast<std::size_t>(member)];
  if (record.HostName.empty()) {
    std::string name;
    record.HostName =
        LookupHostName(record.Address, name) && !name.empty() ? name : InetNtoa(record.Address);
  }
  return record.HostName;
}

bool RoomSession::SameRoom(const RoomSession& other) const {
  return roomName_ == other.roomName_ && localAddress_ == other.localAddress_;
}

std::string RoomSession::RoomDisplayName() const {
  return vostrelle::RoomDisplayName(roomName_);
}

const RoomMember* RoomSession::Member(int index) const {
  if (index < 0 || index >= MemberCount()) return nullptr;
  return members_[static_cast<std::size_t>(index)].get();
}

bool RoomSession::OnOwnNetwork(Ipv4 sender) const {
  return (sender & netMask_) == (connectTo_ & netMask_);
}

bool RoomSession::ContainsAddress(Ipv4 sender) const {
  if (OnOwnNetwork(sender)) return true;
  for (Ipv4 extra : alsoTo_)
    if (ExtraAddressCovers(extra, sender)) return true;
  return false;
}

std::string RoomDisplayName(const std::string& roomName) {
  return roomName.empty() ? std::string("(Default)") : roomName;
}

bool IsUsableInterface(const InterfaceInfo& info) {
  const unsigned wanted = kIfUp | kIfBroadcast;
  return (info.flags & wanted) == wanted && !(info.flags & kIfLoopback) && info.address != 0 &&
         info.netmask != 0 && info.netmask != 0xFFFFFFFFu;
}

bool QueryLocalInterfaces(std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable) {
  // Both lists start afresh: indices left from an earlier query would name other entries.
  interfaces.clear();
  usable.clear();
  if (!QueryInterfaceList(interfaces, 20)) interfaces.clear();
  for (std::size_t i = 0; i < interfaces.size(); ++i)
    if (IsUsableInterface(interfaces[i])) usable.push_back(static_cast<int>(i));
  return true;
}

int ChooseInterface(const ConnectSetting& setting, const std::vector<InterfaceInfo>& interfaces,
                    const std::vector<int>& usable) {
  const Ipv4 network = InetAddr(setting.ConnectTo) & InetAddr(setting.NetMask);
  for (int index : usable) {
    if (index < 0 || static_cast<std::size_t>(index) >= interfaces.size()) continue;
    const InterfaceInfo& info = interfaces[static_cast<std::size_t>(index)];
    if ((info.address & info.netmask) == network) return index;
  }
  return -1;
}

RoomSession* ChooseSession(const std::vector<std::unique_ptr<RoomSession>>& sessions,
                           const FieldMap& fields, Ipv4 sender) {
  for (const auto& session : sessions)
    if (session->IsJoined() && session->LocalAddress() == sender) return nullptr;
  const std::string* room = Find(fields, "Room");
  const std::string roomName = room ? *room : std::string();
  for (const bool own : {true, false}) {
    for (const auto& session : sessions) {
      if (!session->IsJoined() || session->RoomName() != roomName) continue;
      if (own ? session->OnOwnNetwork(sender) : session->ContainsAddress(sender))
        return session.get();
    }
  }
  return nullptr;
}

}  // namespace vostrelle
