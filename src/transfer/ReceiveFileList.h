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

class ReceiveFileList : public FileTransferList {
 public:
  // Offers that wait for the user's answer, at most, from one member in one room and in
  // one room altogether. A new offer beyond either pushes out the oldest waiting offer
  // of that member (for the room: of the member with the most waiting), so a flood of
  // offers cannot grow the window without end.
  static constexpr int kMaxWaitingPerMember = 16;
  static constexpr int kMaxWaitingPerRoom = 64;

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
  // Makes room for one more waiting offer from address in room.
  void LimitWaiting(Ipv4 address, const std::string& room);
};

}  // namespace vostrelle
