#include "ReceiveFileList.h"

#include <algorithm>
#include <climits>
#include <map>

#include "CReceiveFileWorker.h"
#include "TransferTexts.h"
#include "net/RoomSession.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace vostrelle {

namespace text = transfer_text;

bool IsSafeReceivedName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(c) && i + 1 < name.size()) {
      ++i;  // the trail byte belongs to the character, even when it is 0x5C
      continue;
    }
    if (c == '/' || c == '\\' || c == '\0') return false;
  }
  std::string native;
  return ToNativePath(name, native) && native.size() <= NAME_MAX;
}

ReceiveFileList::ReceiveFileList(std::shared_ptr<NotifyTarget> notify,
                                 TransferThread::Spawner spawner)
    : FileTransferList(std::move(notify), std::move(spawner)) {}

ReceiveFileList::~ReceiveFileList() {
  notify_->Close();
}

void ReceiveFileList::OnFileOffered(RoomSession* session, int member, const std::string& id,
                                    const std::string& fileName, std::uint32_t size,
                                    std::uint32_t port) {
  const RoomMember* record = session ? session->Member(member) : nullptr;
  if (!record) return;
  int index = FindEntry(record->Address, id, session->RoomName());
  if (index < 0) {
    LimitWaiting(record->Address, session->RoomName());
    auto item = std::make_unique<TransferItem>();
    item->Room = session->RoomName();
    item->MemberName = record->Name;
    item->MemberAddress = record->Address;
    item->ID = id;
    item->FileName = fileName;
    item->Size = size;
    item->Session = session;
    item->Port = static_cast<std::int32_t>(port);
    index = Append(std::move(item));
  } else if (Entry(index).State != TransferState::Failed) {
    return;  // the same offer again while it waits, runs or is done
  }
  Entry(index).State = TransferState::Waiting;
  Entry(index).BytesDone = 0;
  UpdateRow(index);
  if (TransferDialog* dialog = Dialog()) dialog->Activate();
}

void ReceiveFileList::LimitWaiting(Ipv4 address, const std::string& room) {
  std::map<Ipv4, int> perMember;
  int inRoom = 0;
  for (int i = 0; i < Count(); ++i) {
    const TransferItem& item = Item(i);
    if (item.State != TransferState::Waiting || item.Room != room) continue;
    ++perMember[item.MemberAddress];
    ++inRoom;
  }
  ++perMember[address];  // the offer about to be added
  Ipv4 yielding = address;
  if (perMember[address] <= kMaxWaitingPerMember) {
    if (inRoom + 1 <= kMaxWaitingPerRoom) return;
    for (const auto& [member, count] : perMember)
      if (count > perMember[yielding]) yielding = member;
  }
  // The oldest of that member; when it has none yet (a tie), the oldest in the room.
  int oldest = -1;
  for (int i = 0; i < Count(); ++i) {
    const TransferItem& item = Item(i);
    if (item.State != TransferState::Waiting || item.Room != room) continue;
    if (item.MemberAddress == yielding) {
      oldest = i;
      break;
    }
    if (oldest < 0) oldest = i;
  }
  if (oldest >= 0) Remove(oldest);
}

bool ReceiveFileList::Start(int index, const std::string& folder) {
  if (!HasEntry(index)) return false;
  TransferItem& item = Entry(index);
  if (FindWorker(item.MemberAddress, item.ID, item.Room)) return false;
  if (item.State != TransferState::Waiting) return false;
  if (!IsSafeReceivedName(item.FileName)) return false;
  const std::string path = JoinPath(folder, item.FileName);
  std::string native;
  if (!ToNativePath(path, native) || native.size() >= PATH_MAX) return false;
  item.LocalPath = path;
  if (PathExists(path)) {
    TransferDialog* dialog = Dialog();
    if (!dialog || dialog->MessageBox(text::kAskOverwrite, text::kAskOverwriteCaption,
                                      MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
      return false;
  }
  auto worker = std::make_unique<CReceiveFileWorker>();
  item.State = TransferState::Transferring;
  UpdateRow(index);
  worker->Assign(notify_, item);
  if (!AddWorker(std::move(worker))) {
    // No thread to be had right now: the entry waits again and can be started later.
    Entry(index).State = TransferState::Waiting;
    UpdateRow(index);
    return false;
  }
  return true;
}

void ReceiveFileList::StartRows(const std::vector<int>& selected, const std::string& folder) {
  std::vector<int> rows = selected;
  std::sort(rows.begin(), rows.end());
  for (int row : rows) {
    const bool started = Start(row, folder);
    TransferDialog* dialog = Dialog();
    if (!dialog) continue;
    if (!started) dialog->SetRowStatus(row, text::kReceiveFailed);
    dialog->DeselectRow(row);
  }
}

void ReceiveFileList::StartAll(const std::string& folder) {
  for (int row = 0; row < Count(); ++row)
    if (!Start(row, folder))
      if (TransferDialog* dialog = Dialog()) dialog->SetRowStatus(row, text::kReceiveFailed);
}

bool ReceiveFileList::HandleMessage(unsigned message, std::uintptr_t wParam) {
  if (message < kReceiveDone || message > kReceiveEnded) return false;
  if (message == kReceiveEnded) {
    Reap(wParam);
    return true;
  }
  CFileThread* worker = WorkerById(wParam);
  if (!worker) return true;
  if (message == kReceiveProgress) worker->ProgressHandled();
  const int index = IndexOfWorker(*worker);
  if (index < 0) return true;
  TransferItem& item = Entry(index);
  switch (message) {
    case kReceiveDone:
      item.BytesDone = worker->BytesDone();
      item.State = TransferState::Done;
      UpdateRow(index);
      break;
    case kReceiveProgress:
      item.State = TransferState::Transferring;
      item.BytesDone = worker->BytesDone();
      UpdateRow(index);
      break;
    case kReceiveFailed:
      item.State = TransferState::Failed;
      UpdateRow(index, worker->ErrorText());
      break;
  }
  return true;
}

RowUpdate ReceiveFileList::RowFor(const TransferItem& item,
                                  const std::optional<std::string>& given) const {
  RowUpdate row = CommonRowFor(item, given, text::kReceiving);
  if (item.State == TransferState::Waiting || item.State == TransferState::AwaitingResponse) {
    row.Image = 0;
    row.Status = text::kAwaitingResponse;
  }
  return row;
}

}  // namespace vostrelle
