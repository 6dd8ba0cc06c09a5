#include "FileTransferList.h"

#include <chrono>
#include <cstdio>
#include <iterator>

#include "TransferTexts.h"
#include "net/RoomSession.h"

namespace vostrelle {

namespace text = transfer_text;

FileTransferList::FileTransferList(std::shared_ptr<NotifyTarget> notify,
                                   TransferThread::Spawner spawner)
    : notify_(std::move(notify)), spawner_(std::move(spawner)) {
  notify_->SetHandler(
      [this](unsigned message, std::uintptr_t wParam) { return HandleMessage(message, wParam); });
}

FileTransferList::~FileTransferList() {
  // Workers may outlive the list; from now on their messages go nowhere.
  notify_->Close();
  entries_.clear();
  StopAll();
  CloseDialog();
}

void FileTransferList::OnLeaving(RoomSession* session) {
  for (int i = Count() - 1; i >= 0; --i)
    if (HasEntry(i) && Entry(i).Room == session->RoomName()) Cancel(i, std::string(text::kLeft));
  SetSession(nullptr);
}

void FileTransferList::OnMemberRemoved(RoomSession* session, int member, int) {
  const RoomMember* record = session->Member(member);
  if (!record) return;
  const Ipv4 address = record->Address;
  for (int i = Count() - 1; i >= 0; --i) {
    if (!HasEntry(i)) continue;
    const TransferItem& item = Entry(i);
    if (item.MemberAddress == address && item.Room == session->RoomName())
      Cancel(i, std::string(text::kLeft));
  }
}

void FileTransferList::OnSessionDestroyed(RoomSession* session) {
  for (auto& entry : entries_)
    if (entry->Session == session) entry->Session = nullptr;
  RoomObserver::OnSessionDestroyed(session);
}

int FileTransferList::Cancel(int index, const std::optional<std::string>& given) {
  if (!HasEntry(index)) return 0;
  const std::string cancelText = given ? *given : std::string(text::kCancelled);
  TransferItem& item = Entry(index);
  if (CFileThread* worker = FindWorker(item.MemberAddress, item.ID, item.Room)) {
    worker->Abort();
    item.State = TransferState::Failed;
    // A receive keeps what arrived under a name of its own: the row says where.
    const bool ended = worker->WaitFinished(kReapWaitMs);
    UpdateRow(index, ended ? cancelText + worker->FailureNote() : cancelText);
    Reap(worker->Id());
    return 1;
  }
  if (item.State == TransferState::Done) return 0;
  item.State = TransferState::Failed;
  UpdateRow(index, cancelText);
  return 1;
}

void FileTransferList::Remove(int index) {
  if (!HasEntry(index)) return;
  Cancel(index);
  if (dialog_) dialog_->DeleteRow(index);
  entries_.erase(entries_.begin() + index);
}

void FileTransferList::CancelRows(const std::vector<int>& rows) {
  for (int row : rows) Cancel(row);
}

bool FileTransferList::RequestClose() {
  bool allDone = true;
  for (const auto& entry : entries_)
    if (entry->State != TransferState::Done) allDone = false;
  if (!entries_.empty() && !allDone) {
    TransferDialog* dialog = Dialog();
    if (dialog && dialog->MessageBox(text::kAskStopAll, text::kAskStopAllCaption,
                                     MsgButtons::OkCancel, MsgIcon::Question) != MsgAnswer::Ok)
      return false;
  }
  for (int i = Count() - 1; i >= 0; --i) Remove(i);
  CloseDialog();
  return true;
}

TransferDialog* FileTransferList::Dialog() {
  if (!dialog_ && factory_) dialog_ = factory_(*this);
  return dialog_.get();
}

void FileTransferList::CloseDialog() {
  dialog_.reset();
}

int FileTransferList::FindEntry(Ipv4 address, const std::string& id,
                                const std::string& room) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]->Matches(address, id, room)) return static_cast<int>(i);
  return -1;
}

CFileThread* FileTransferList::FindWorker(Ipv4 address, const std::string& id,
                                          const std::string& room) const {
  for (const auto& [workerId, worker] : workers_)
    if (const TransferItem* item = worker->Item(); item && item->Matches(address, id, room))
      return worker.get();
  return nullptr;
}

int FileTransferList::IndexOfWorker(const CFileThread& worker) const {
  const CFileThread::Identity identity = worker.GetIdentity();
  return FindEntry(identity.Address, identity.ID, identity.Room);
}

void FileTransferList::Reap(WorkerId id) {
  auto it = workers_.find(id);
  if (it == workers_.end()) return;
  std::unique_ptr<CFileThread> worker = std::move(it->second);
  workers_.erase(it);
  // Nobody answers a reaped worker any more: whatever it still waits for must end.
  worker->Abort();
  if (worker->WaitFinished(kReapWaitMs)) return;  // deleted here
  worker.release()->SetAutoDelete();
}

void FileTransferList::StopAll() {
  for (auto& [id, worker] : workers_) worker->Abort();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopAllWaitMs);
  for (auto& [id, worker] : workers_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!worker->WaitFinished(static_cast<int>(std::max<long long>(0, left.count())))) break;
  }
  for (auto& [id, worker] : workers_) {
    if (worker->WaitFinished(0))
      worker.reset();
    else
      worker.release()->SetAutoDelete();
  }
  workers_.clear();
}

int FileTransferList::Percent(const TransferItem& item) {
  // An empty file is whole at once; a count past the size never shows more than 100.
  if (item.BytesDone >= item.Size) return 100;
  return static_cast<int>(static_cast<double>(item.BytesDone) * 100.0 / item.Size);
}

RowUpdate FileTransferList::CommonRowFor(const TransferItem& item,
                                         const std::optional<std::string>& given,
                                         const std::string& movingText) {
  RowUpdate row;
  switch (item.State) {
    case TransferState::Transferring:
      row.Image = 1;
      row.Percent = Percent(item);
      row.Progress = std::to_string(*row.Percent) + "%";
      row.Status = movingText;
      break;
    case TransferState::Failed:
      row.Image = 3;
      row.Status = given ? *given : std::string(text::kFailedShort);
      break;
    case TransferState::Done:
      row.Image = 2;
      row.Status = text::kDone;
      break;
    case TransferState::Waiting:
    case TransferState::AwaitingResponse:
      break;
  }
  return row;
}

std::string FileTransferList::ReadableSize(std::uint32_t bytes) {
  static const char* const kUnits[] = {"KB", "MB", "GB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = bytes / 1024.0;
  std::size_t unit = 0;
  // Rounded to one decimal, a value just under the next unit would read "1024.0 KB".
  while (unit + 1 < std::size(kUnits) && value >= 1023.95) {
    value /= 1024.0;
    ++unit;
  }
  char shown[32];
  std::snprintf(shown, sizeof shown, "%.1f %s", value, kUnits[unit]);
  return shown;
}

std::string FileTransferList::ExactSize(std::uint32_t bytes) {
  std::string digits = std::to_string(bytes);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<std::size_t>(at), ",");
  return digits + " " + text::kBytes;
}

RowCells FileTransferList::CellsFor(const TransferItem& item) {
  RowCells cells;
  cells.FileName = item.FileName;
  cells.Size = ReadableSize(item.Size);
  cells.SizeExact = ExactSize(item.Size);
  cells.Progress = "0%";
  cells.Member = item.MemberName;
  cells.Room = item.Room;
  return cells;
}

int FileTransferList::Append(std::unique_ptr<TransferItem> item) {
  entries_.push_back(std::move(item));
  const int index = Count() - 1;
  if (TransferDialog* dialog = Dialog()) dialog->AddRow(index, NewRow(Entry(index)));
  return index;
}

void FileTransferList::UpdateRow(int index, const std::optional<std::string>& text) {
  if (!HasEntry(index)) return;
  if (TransferDialog* dialog = Dialog()) dialog->UpdateRow(index, RowFor(Entry(index), text));
}

CFileThread* FileTransferList::AddWorker(std::unique_ptr<CFileThread> worker) {
  CFileThread* raw = worker.get();
  const WorkerId id = raw->Id();
  workers_[id] = std::move(worker);
  if (raw->Start(spawner_)) return raw;
  workers_.erase(id);  // never ran: deleted at once
  return nullptr;
}

CFileThread* FileTransferList::WorkerById(WorkerId id) const {
  auto it = workers_.find(id);
  return it == workers_.end() ? nullptr : it->second.get();
}

}  // namespace vostrelle
