#pragma once
// The files members have offered: nothing is received until the user starts an entry,
// which runs one receiving worker into the chosen folder.

#include <string>
#include <vector>

#include "FileTransferList.h"

namespace vostrelle {

// A name from the network that may be joined to a folder: not empty, not "." or "..",
// no '/' or '\' character (a 0x5C trail byte of a double-byte character is part of that
// character), a file-name form on this system and at most NAME_MAX bytes there.
bool IsSafeReceivedName(const std::string& cp932Name);
// Where a file offered as name is received into folder (both CP932): path, and native,
// the same as the system spells it, converted here once for the whole receive. False
// when the name is not safe or either is too long for the system.
bool ReceivedFileTarget(const std::string& folder, const std::string& name, std::string& path,
                        std::string& native);

class ReceiveFileList : public FileTransferList {
 public:
  // Offers that wait for the user's answer, at most, from one member in one room and in
  // one room altogether, and rows of any state in the whole list, so a flood of offers
  // (or of joins, offers and partings) cannot grow the window without end. A member over
  // its own bound gives way with its own oldest waiting offer; a full room lists no new
  // offer, so nobody can push out another member's offer; a full list first drops its
  // oldest failed or finished row and otherwise lists no new offer. A repeated offer of
  // a failed entry counts as a new waiting one.
  static constexpr int kMaxWaitingPerMember = 16;
  static constexpr int kMaxWaitingPerRoom = 64;
  static constexpr int kMaxEntries = 256;

  explicit ReceiveFileList(std::shared_ptr<NotifyTarget> notify,
                           TransferThread::Spawner spawner = {});
  ~ReceiveFileList() override;

  void OnFileOffered(RoomSession* session, int member, const std::string& id,
                     const std::string& fileName, std::uint32_t size, std::uint32_t port) override;
  // Receives the entry into folder (CP932; empty: the current folder). Fails for a
  // name that would lead elsewhere, and when the user declines to overwrite.
  bool Start(int index, const std::string& folder);

  // "受信": each selected row in ascending order; rows that cannot start say so.
  void StartRows(const std::vector<int>& rows, const std::string& folder);
  // "全て受信".
  void StartAll(const std::string& folder);

 protected:
  bool HandleMessage(unsigned message, std::uintptr_t wParam) override;
  RowUpdate RowFor(const TransferItem& item, const std::optional<std::string>& text) const override;

 private:
  struct Key {
    Ipv4 Address = 0;
    std::string ID;
    std::string Room;
    friend bool operator==(const Key&, const Key&) = default;
  };
  Key KeyOf(int index) const;
  int Find(const Key& key) const { return FindEntry(key.Address, key.ID, key.Room); }
  // A row with a worker or one whose start is asking the user: it never gives way.
  bool Busy(int index) const;
  // Makes room for one more waiting offer from address in room; false when the offer
  // is not to be listed. reoffered: the failed entry offered again (it takes no new row).
  bool MakeRoom(Ipv4 address, const std::string& room, bool reoffered);
  // Starts the rows, found again by who they are after every question, since a nested
  // event loop may add, drop or move entries. Done and running rows are left as they are.
  void StartKeys(const std::vector<Key>& keys, const std::string& folder, bool deselect);

  // Entries whose start waits for the user's answer.
  std::vector<Key> starting_;
};

}  // namespace vostrelle
