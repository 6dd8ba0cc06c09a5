#pragma once
// The program's single document: the chat socket, the rooms, the current room, the
// chat logs; it carries out the room commands and turns what the rooms report into
// hints and log lines.

#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "doc/EventBatch.h"
#include "doc/ViewHint.h"
#include "net/ChatSocket.h"
#include "net/RoomObserver.h"
#include "net/RoomSession.h"
#include "platform/Document.h"
#include "platform/NetInterfaces.h"
#include "store/ChatLogRegistry.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/SendFileList.h"

namespace vostrelle {

class AppSettings;
class SocketNotifier;
class UserInterface;

class CVostrelleDoc : public CDocument, public RoomObserver, public ChatReceiver {
 public:
  using InterfaceQuery =
      std::function<bool(std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable)>;

  CVostrelleDoc(AppSettings& settings, UserInterface& ui, SocketNotifier& notifier);
  ~CVostrelleDoc() override;
  CVostrelleDoc(const CVostrelleDoc&) = delete;
  CVostrelleDoc& operator=(const CVostrelleDoc&) = delete;

  // Where the chat socket binds; tests and the lab use their own port and address.
  void SetChatEndpoint(std::uint16_t port, Ipv4 bindAddress = 0) {
    chatPort_ = port;
    bindAddress_ = bindAddress;
  }
  // The local interface query (getifaddrs by default).
  void SetInterfaceQuery(InterfaceQuery query) { queryInterfaces_ = std::move(query); }
  // How the transfer lists are made: the notify target their workers post to (a queue
  // the owner drains by default), a hook for the list's window, and where the send
  // list listens.
  struct TransferSetup {
    std::function<std::shared_ptr<NotifyTarget>()> MakeNotify;
    std::function<void(FileTransferList&)> ListMade;
    SendFileList::Config Send;
  };
  void SetTransferSetup(TransferSetup setup) { transferSetup_ = std::move(setup); }
  // The clock that stamps event batches.
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }

  bool OnNewDocument() override;
  void DeleteContents() override;
  // The exit confirmation: asked only when the settings want it.
  bool SaveModified() override;

  // Queries used by the views.
  RoomSession* CurrentSession() const;
  int CurrentRoom() const { return currentRoom_; }
  int SessionCount() const { return static_cast<int>(sessions_.size()); }
  RoomSession* Session(int index) const;
  int IndexOf(const RoomSession* session) const;
  const std::vector<int>& PendingViews() const { return pendingViews_; }
  // Hands the pending-views list to the caller and empties it.
  std::vector<int> TakePendingViews();
  ChatSocket* Socket() const { return socket_.get(); }
  ChatLogRegistry* LogRegistry() const { return logs_.get(); }
  AppSettings& Settings() const { return settings_; }
  UserInterface& Ui() const { return ui_; }
  SendFileList* SendList() const { return sendList_.get(); }
  ReceiveFileList* ReceiveList() const { return receiveList_.get(); }

  void SelectRoom(int index);
  void StepRoom(int direction);
  bool CreateRoomSession(const ConnectSetting& setting,
                         const std::vector<InterfaceInfo>& interfaces,
                         const std::vector<int>& usable);

  bool QueryInterfaces(std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable) const;
  // Rooms to join at start whose network had no local address yet.
  const std::vector<ConnectSetting>& WaitingRooms() const { return waiting_; }
  // Makes the waiting rooms whose network now has an address; their views join them.
  void JoinWaitingRooms(const std::vector<InterfaceInfo>& interfaces,
                        const std::vector<int>& usable);
  // A system line in the room's view and log (CP932).
  void TellRoom(RoomSession* session, const std::string& text);

  // Menu commands; false for an id the document does not handle.
  bool OnCommand(int id);
  bool IsCommandEnabled(int id) const;
  void OnRename();
  void OnEditConnects();
  void OnOptions();
  void OnNewConnection();
  void OnLeaveRoom();

  // ChatReceiver: a parsed datagram from the chat socket.
  void Receive(const FieldMap& fields, Ipv4 sender) override;

  // RoomObserver part.
  void OnLeaving(RoomSession* session) override;
  void OnInformation(RoomSession* session, const std::string& name, const std::string& realName,
                     const std::string& version) override;
  void OnMemberAdded(RoomSession* session, int member) override;
  void OnMemberRemoved(RoomSession* session, int member, int reason) override;
  void OnJoined(RoomSession* session) override;
  void OnMessage(RoomSession* session, int member, const std::string& name,
                 const std::string& text) override;
  void OnLineEntered(RoomSession* session, int member, const std::string& name,
                     const std::string& text) override;
  void OnMemberRenamed(RoomSession* session, int member, const std::string& oldName,
                       const std::string& newName) override;

  // Whether the user's name in this session occurs in text.
  static bool NameCalled(const RoomSession& session, const std::string& text);

 private:
  EventBatch MakeBatch(RoomSession* session) const;
  void Deliver(EventBatch& batch);
  bool IsCurrent(const RoomSession* session) const;
  // Takes the session at index out of the list. Its destruction waits until no call
  // from a session into the document is on the stack, because that session may be the
  // one still running below us.
  void RemoveSessionAt(int index);
  void DestroyRetired();
  void SaveConnectsOrSay();

  // Counts the calls from sessions into the document that are on the stack.
  struct InSession {
    explicit InSession(CVostrelleDoc& doc) : doc_(doc) { ++doc_.sessionCalls_; }
    ~InSession() { --doc_.sessionCalls_; }
    CVostrelleDoc& doc_;
  };

  AppSettings& settings_;
  UserInterface& ui_;
  SocketNotifier& notifier_;
  std::uint16_t chatPort_ = kChatPort;
  Ipv4 bindAddress_ = 0;
  InterfaceQuery queryInterfaces_;
  std::function<std::time_t()> clock_;

  int currentRoom_ = -1;
  std::vector<std::unique_ptr<RoomSession>> sessions_;
  std::vector<int> pendingViews_;
  std::vector<ConnectSetting> waiting_;
  std::unique_ptr<ChatLogRegistry> logs_;
  std::unique_ptr<ChatSocket> socket_;
  TransferSetup transferSetup_;
  std::unique_ptr<SendFileList> sendList_;
  std::unique_ptr<ReceiveFileList> receiveList_;
  std::vector<std::unique_ptr<RoomSession>> retired_;
  int sessionCalls_ = 0;
};

}  // namespace vostrelle
