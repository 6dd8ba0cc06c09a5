#pragma once
// One room the user is in, or is about to enter: its member table, its liveness
// polling and the protocol of its packets.

#include <memory>
#include <string>
#include <vector>

#include "ChatSocket.h"
#include "RoomMember.h"
#include "RoomObserver.h"
#include "platform/NetInterfaces.h"
#include "store/ConnectSetting.h"

namespace vostrelle {

class UserInterface;

class RoomSession {
 public:
  // Make: copies Name, RoomName, RealName and AutoConnect, the destination from
  // ConnectTo, the mask from NetMask and the extra destinations from ConnectAlso (words
  // that are not addresses are skipped). socket and ui are not owned.
  RoomSession(const ConnectSetting& setting, ChatSocket* socket, UserInterface* ui);
  // Raises OnSessionDestroyed to each observer. An observer may destroy the session from
  // inside any notification: the call that raised it then returns at once.
  ~RoomSession();
  RoomSession(const RoomSession&) = delete;
  RoomSession& operator=(const RoomSession&) = delete;

  void Attach(RoomObserver* observer);

  bool Join();
  void Leave();
  bool SendMessage(const std::string& text);
  // What became of a packet for the other members: a user alone in the room sends to
  // nobody, which is not a failure; a refused packet fails even then.
  enum class Delivery { kSent, kNobody, kFailed };
  Delivery SendLine(const std::string& text);
  // The user's line goes out the long way round: the document hears OnLineEntered,
  // shows and logs the line first, then calls SendLine, so that a failure is told
  // after the line it concerns.
  void EnterLine(const std::string& text);
  bool Rename(const std::string& newName);
  void RenameByDialog();
  void RequestInformation(int member);
  bool OfferFile(int member, const std::string& id, const std::string& fileName, std::uint32_t size,
                 std::uint32_t port);
  void RequestFileSend(int member, const std::string& path);
  void Tick();  // LivenessTick
  // Says "Join" to ConnectTo (and each extra destination) again while joined, so that members who
  // dropped us add us back. At most once per tick: a later call waits for the next tick. False when
  // nothing more goes out for it: not joined, the send failed, or a "Join" waits
  // for the next tick already.
  bool Announce();
  // "Notice" to every member: resets their count of our silence without the leave-and-
  // join lines a "Join" shows them. Nobody to tell is no failure. At most once per
  // tick: a later call sends nothing and is no failure either.
  bool Reassure();
  // The room's local interface now has another address: the own record follows it and
  // the room announces itself from there. False when nothing changed.
  bool MoveTo(Ipv4 address);
  void Receive(const FieldMap& fields, Ipv4 source);

  int FindMember(Ipv4 address) const;
  int AddMember(const std::string& name, Ipv4 address);
  void RemoveMember(int member, int reason);
  const std::string& HostName(int member);
  bool SameRoom(const RoomSession& other) const;
  std::string RoomDisplayName() const;

  bool SendToAddress(const std::string& command, FieldMap& fields, Ipv4 address);
  bool SendToMembers(const std::string& command, FieldMap& fields);
  Delivery DeliverToMembers(const std::string& command, FieldMap& fields);

  bool IsJoined() const { return joined_; }
  Ipv4 LocalAddress() const { return localAddress_; }
  void SetLocalAddress(Ipv4 address) { localAddress_ = address; }
  Ipv4 ConnectTo() const { return connectTo_; }
  Ipv4 NetMask() const { return netMask_; }
  const std::string& Name() const { return name_; }
  const std::string& RealName() const { return realName_; }
  const std::string& RoomName() const { return roomName_; }
  bool AutoConnect() const { return autoConnect_; }
  int MemberCount() const { return static_cast<int>(members_.size()); }
  // nullptr for an index outside the table.
  const RoomMember* Member(int index) const;
  const std::vector<Ipv4>& ExtraDestinations() const { return alsoTo_; }
  // True when (sender AND NetMask) = (ConnectTo AND NetMask), or when an extra
  // destination covers the sender (ExtraAddressCovers): members behind a router answer
  // from their own network.
  bool ContainsAddress(Ipv4 sender) const;
  // The first half alone: the sender is on the room's own network.
  bool OnOwnNetwork(Ipv4 sender) const;

 private:
  bool Prepare(const std::string& command, FieldMap& fields) const;
  // Stops after the observer that destroyed the session, if one did.
  template <typename F>
  void Notify(F&& call);

  // Shared with every call in progress, which keeps a copy and checks it after each
  // notification: false once the destructor has run.
  using Liveness = std::shared_ptr<bool>;
  Liveness alive_ = std::make_shared<bool>(true);
  static bool Stopped(const Liveness& alive, const RoomSession* session);

  // Receive, by the command's class.
  void ReceiveMembership(const std::string& command, const FieldMap& fields, Ipv4 source,
                         int index);
  void ReceiveChat(const std::string& command, const FieldMap& fields, Ipv4 source, int index);
  void ReceiveRequest(const std::string& command, const FieldMap& fields, Ipv4 source, int index);
  void ReceiveFileOffer(const FieldMap& fields, int index);
  void AnswerPollFromStranger(Ipv4 source);
  // "Join" to ConnectTo, then to each extra destination; the result is ConnectTo's.
  bool SendJoin();

  std::vector<RoomObserver*> observers_;
  Ipv4 localAddress_ = 0;
  bool joined_ = false;
  Ipv4 connectTo_ = 0;
  Ipv4 netMask_ = 0;
  std::vector<Ipv4> alsoTo_;
  std::string name_;
  std::string realName_;
  std::string roomName_;
  bool autoConnect_ = false;
  std::vector<std::unique_ptr<RoomMember>> members_;
  // Senders of polls answered with "Join" since the last tick.
  std::vector<Ipv4> answeredPolls_;
  bool announcedThisTick_ = false;
  bool announcePending_ = false;
  bool reassuredThisTick_ = false;
  ChatSocket* socket_;
  UserInterface* ui_;
};

// The display form of a room name: the name, or "(Default)" when it is empty.
std::string RoomDisplayName(const std::string& roomName);

// The usability rule alone: up, broadcast, not loopback, a real address and a mask
// that is neither 0.0.0.0 nor 255.255.255.255.
bool IsUsableInterface(const InterfaceInfo& info);

// The local interfaces usable for rooms: up, broadcast, not loopback, a real address
// and a mask that is neither 0.0.0.0 nor 255.255.255.255, in query order.
bool QueryLocalInterfaces(std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable);

// The first usable interface whose network equals (ConnectTo AND NetMask) of the
// setting; -1 when none.
int ChooseInterface(const ConnectSetting& setting, const std::vector<InterfaceInfo>& interfaces,
                    const std::vector<int>& usable);

// The receive-path choice: nullptr for the user's own datagram (the sender is the local
// address of a joined session) and when no joined session matches network and room. A
// room on the sender's own network goes before one that reaches it through an extra
// destination.
RoomSession* ChooseSession(const std::vector<std::unique_ptr<RoomSession>>& sessions,
                           const FieldMap& fields, Ipv4 sender);

}  // namespace vostrelle
