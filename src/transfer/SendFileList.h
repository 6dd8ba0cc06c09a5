#pragma once
// The files the user has chosen to send: transfer IDs, the announcement, the listener
// started at the first send, one worker per accepted connection.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CSendFileThread.h"
#include "CSendFileWorker.h"
#include "FileTransferList.h"

namespace vostrelle {

class UserInterface;

class SendFileList : public FileTransferList {
 public:
  struct Config {
    std::uint16_t Port = kFilePort;  // announced, and listened on
    Ipv4 ListenAddress = 0;          // every local address
    // Of each sending worker; 0: none.
    int StallTimeoutMs = CSendFileWorker::kStallTimeoutMs;
    int RequestTimeoutMs = CSendFileWorker::kRequestTimeoutMs;
    // Makes the listener's and the workers' threads (see TransferThread::Start).
    TransferThread::Spawner Spawner = {};
    // Admits the accepted connections until they name an entry; a new one when empty.
    std::shared_ptr<RequestGate> Gate = {};
    // Counts what the listener had to wait out; none when empty.
    std::shared_ptr<ListenerCounters> Counters = {};
  };

  // ui shows the refusal of a file too large to announce; not owned, may be null.
  SendFileList(std::shared_ptr<NotifyTarget> notify, UserInterface* ui);
  SendFileList(std::shared_ptr<NotifyTarget> notify, UserInterface* ui, Config config);
  ~SendFileList() override;

  void OnSendFileRequest(RoomSession* session, int member, const std::string& path) override;
  // Announces the entry to its member; starts the listener the first time.
  bool Start(int index);

  // "送信": each selected row in ascending order; rows that cannot start say so.
  void StartRows(const std::vector<int>& rows);
  // "全て送信".
  void StartAll();

  // The next transfer ID, "%08x" of (tag << 16) | counter.
  std::string NextId();
  void Remove(int index) override;

 protected:
  bool HandleMessage(unsigned message, std::uintptr_t wParam) override;
  RowUpdate RowFor(const TransferItem& item, const std::optional<std::string>& text) const override;
  RowCells NewRow(const TransferItem& item) const override;

 private:
  void StopListener();
  // Tells the gate which addresses a request is expected from.
  void UpdateMembers();

  UserInterface* ui_;
  Config config_;
  std::uint16_t idTag_;
  std::uint16_t idCounter_ = 0;
  CSendFileThread* listener_ = nullptr;  // owned; may be left to delete itself
  const std::shared_ptr<RequestGate> gate_;
};

}  // namespace vostrelle
