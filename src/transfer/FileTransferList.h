#pragma once
// What the send and the receive list share: the entries, the running workers, the
// notify target the workers post to, and the dialog made on first need. User-interface
// thread only; workers reach it solely through posted messages.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CFileThread.h"
#include "TransferDialog.h"
#include "TransferItem.h"
#include "net/RoomObserver.h"
#include "platform/NotifyTarget.h"

namespace vostrelle {

class FileTransferList : public RoomObserver {
 public:
  using DialogFactory = std::function<std::unique_ptr<TransferDialog>(FileTransferList&)>;

  // How long a reaped worker and all workers at the end are waited for.
  static constexpr int kReapWaitMs = 500;
  static constexpr int kStopAllWaitMs = 1000;

  // notify must deliver on the user-interface thread; the list installs its handler.
  // spawner makes the list's threads (see TransferThread::Start).
  explicit FileTransferList(std::shared_ptr<NotifyTarget> notify,
                            TransferThread::Spawner spawner = {});
  ~FileTransferList() override;
  FileTransferList(const FileTransferList&) = delete;
  FileTransferList& operator=(const FileTransferList&) = delete;

  void OnLeaving(RoomSession* session) override;
  void OnMemberRemoved(RoomSession* session, int member, int reason) override;
  // Entries forget the session too, so a later start cannot reach a deleted one.
  void OnSessionDestroyed(RoomSession* session) override;

  // Fails the entry with text ("中断しました。" when none), aborting its worker. 0 when
  // there is no entry or it is done without a worker.
  virtual int Cancel(int index, const std::optional<std::string>& text = std::nullopt);
  // Cancels the entry, deletes its row and takes it out (later ones move down).
  virtual void Remove(int index);

  // The window's buttons that both dialogs share.
  // "中止": cancels each row given.
  void CancelRows(const std::vector<int>& rows);
  // "終了" and Esc: asks "全て中止しますか？" when something is not done; when the user
  // agrees (or nothing needed asking) removes every entry, closes the dialog and gives
  // true. The dialog object is gone when this returns true.
  bool RequestClose();

  // The window: made through the factory when there is none. nullptr without factory.
  void SetDialogFactory(DialogFactory factory) { factory_ = std::move(factory); }
  TransferDialog* Dialog();
  TransferDialog* CurrentDialog() const { return dialog_.get(); }
  void CloseDialog();

  int FindEntry(Ipv4 address, const std::string& id, const std::string& room) const;
  CFileThread* FindWorker(Ipv4 address, const std::string& id, const std::string& room) const;
  int IndexOfWorker(const CFileThread& worker) const;

  int Count() const { return static_cast<int>(entries_.size()); }
  const TransferItem& Item(int index) const { return *entries_[static_cast<std::size_t>(index)]; }
  std::size_t WorkerCount() const { return workers_.size(); }
  // Takes the worker out of the map; deletes it once ended (waiting up to 500 ms), else
  // lets it delete itself. Unknown ids are ignored.
  void Reap(WorkerId id);
  // Aborts every worker and waits up to 1000 ms for all of them together.
  void StopAll();

  // Row texts shared by both lists.
  static int Percent(const TransferItem& item);
  static RowCells CellsFor(const TransferItem& item);
  // "512 B", "28.6 MB"; and "30,000,000 バイト" (CP932).
  static std::string ReadableSize(std::uint32_t bytes);
  static std::string ExactSize(std::uint32_t bytes);
  // The row of an entry that is running (with movingText, "送信中" or "受信中"), failed
  // (with text, else the short failure text) or done; unset for the waiting states,
  // which each list shows its own way.
  static RowUpdate CommonRowFor(const TransferItem& item, const std::optional<std::string>& text,
                                const std::string& movingText);

 protected:
  virtual bool HandleMessage(unsigned message, std::uintptr_t wParam) = 0;
  // What the row of an entry in its state shows, with text for a failure.
  virtual RowUpdate RowFor(const TransferItem& item,
                           const std::optional<std::string>& text) const = 0;
  virtual RowCells NewRow(const TransferItem& item) const { return CellsFor(item); }

  TransferItem& Entry(int index) { return *entries_[static_cast<std::size_t>(index)]; }
  bool HasEntry(int index) const { return index >= 0 && index < Count(); }
  // Appends, adds its row; returns the index.
  int Append(std::unique_ptr<TransferItem> item);
  void UpdateRow(int index, const std::optional<std::string>& text = std::nullopt);
  // Enters the worker in the map under its id and starts it. When no thread can be
  // made the worker is deleted and nullptr returned.
  CFileThread* AddWorker(std::unique_ptr<CFileThread> worker);
  CFileThread* WorkerById(WorkerId id) const;

  std::shared_ptr<NotifyTarget> notify_;
  const TransferThread::Spawner spawner_;

 private:
  std::vector<std::unique_ptr<TransferItem>> entries_;
  std::map<WorkerId, std::unique_ptr<CFileThread>> workers_;
  std::unique_ptr<TransferDialog> dialog_;
  DialogFactory factory_;
};

}  // namespace vostrelle
