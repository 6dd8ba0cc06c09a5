#include "ReceiveFileList.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>

#include "CReceiveFileWorker.h"
#include "TransferTexts.h"
#include "net/RoomSession.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace vostrelle {

namespace text = transfer_text;

namespace {
// The name's own bytes: no separator and no "." or "..". A 0x5C trail byte belongs to
// its character.
bool IsPlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(c) && i + 1 < name.size()) {
      ++i;  // the trail byte belongs to the character, even when it is 0x5C
      continue;
    }
    if (c == '/' || c == '\\' || c == '\0') return false;
  }
  return true;
}

// The last part of a native path fits the system's limit for a name.
bool NameFits(const std::string& native) {
  const std::size_t slash = native.rfind('/');
  return native.size() - (slash == std::string::npos ? 0 : slash + 1) <= NAME_MAX;
}
}  // namespace

bool IsSafeReceivedName(const std::string& name) {
  std::string native;
  return IsPlainName(name) && ToNativePath(name, native) && NameFits(native);
}

bool ReceivedFileTarget(const std::string& folder, const std::string& name, std::string& path,
                        std::string& native) {
  if (!IsPlainName(name)) return false;
  path = JoinPath(folder, name);
  return ToNativePath(path, native) && native.size() < PATH_MAX && NameFits(native);
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
  const Key key{record->Address, id, session->RoomName()};
  int index = Find(key);
  if (index >= 0 && Entry(index).State != TransferState::Failed)
    return;  // the same offer again while it waits, runs or is done
  if (!MakeRoom(key.Address, key.Room, index >= 0)) return;
  index = Find(key);  // giving way may have moved it
  if (index < 0) {
    auto item = std::make_unique<TransferItem>();
    item->Room = key.Room;
    item->MemberName = record->Name;
    item->MemberAddress = key.Address;
    item->ID = id;
    item->FileName = fileName;
    item->Size = size;
    item->Session = session;
    item->Port = static_cast<std::int32_t>(port);
    index = Append(std::move(item));
  }
  Entry(index).State = TransferState::Waiting;
  Entry(index).BytesDone = 0;
  UpdateRow(index);
  if (TransferDialog* dialog = Dialog()) dialog->Activate();
}

ReceiveFileList::Key ReceiveFileList::KeyOf(int index) const {
  const TransferItem& item = Item(index);
  return Key{item.MemberAddress, item.ID, item.Room};
}

bool ReceiveFileList::Busy(int index) const {
  const TransferItem& item = Item(index);
  if (FindWorker(item.MemberAddress, item.ID, item.Room)) return true;
  return std::find(starting_.begin(), starting_.end(), KeyOf(index)) != starting_.end();
}

bool ReceiveFileList::MakeRoom(Ipv4 address, const std::string& room, bool reoffered) {
  int ofMember = 0, inRoom = 0, oldestOfMember = -1, oldestFinished = -1;
  for (int i = 0; i < Count(); ++i) {
    const TransferItem& item = Item(i);
    const bool waiting = item.State == TransferState::Waiting;
    if (waiting && item.Room == room) {
      ++inRoom;
      if (item.MemberAddress == address) {
        ++ofMember;
        if (oldestOfMember < 0 && !Busy(i)) oldestOfMember = i;
      }
    }
    const bool finished = item.State == TransferState::Failed || item.State == TransferState::Done;
    if (finished && oldestFinished < 0 && !Busy(i)) oldestFinished = i;
  }
  if (ofMember >= kMaxWaitingPerMember) {
    if (oldestOfMember < 0) return false;
    Remove(oldestOfMember);
    return true;  // the list and the room hold no more than before
  }
  if (inRoom >= kMaxWaitingPerRoom) return false;
  if (reoffered || Count() < kMaxEntries) return true;
  if (oldestFinished < 0) return false;
  Remove(oldestFinished);
  return true;
}

bool ReceiveFileList::Start(int index, const std::string& folder) {
  if (!HasEntry(index)) return false;
  const Key key = KeyOf(index);
  auto startable = [&](int i) {
    return HasEntry(i) && !FindWorker(key.Address, key.ID, key.Room) &&
           Entry(i).State == TransferState::Waiting;
  };
  if (!startable(index)) return false;
  const std::string fileName = Entry(index).FileName;
  std::string path, native;
  if (!ReceivedFileTarget(folder, fileName, path, native)) return false;
  struct stat st;
  if (::stat(native.c_str(), &st) == 0) {
    TransferDialog* dialog = Dialog();
    if (!dialog) return false;
    // The question's event loop goes on delivering offers and worker messages: the
    // entry must not give way meanwhile, and is looked up again afterwards.
    starting_.push_back(key);
    const MsgAnswer answer =
        dialog->MessageBox(fileName + "\n" + text::kAskOverwrite, text::kAskOverwriteCaption,
                           MsgButtons::YesNo, MsgIcon::Question);
    starting_.erase(std::find(starting_.begin(), starting_.end(), key));
    if (answer != MsgAnswer::Yes) return false;
    index = Find(key);
    if (!startable(index)) return false;
  }
  TransferItem& item = Entry(index);
  item.LocalPath = path;
  item.NativePath = native;
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

void ReceiveFileList::StartKeys(const std::vector<Key>& keys, const std::string& folder,
                                bool deselect) {
  for (const Key& key : keys) {
    int row = Find(key);
    if (row < 0) continue;  // gone while an earlier row asked
    const TransferState state = Entry(row).State;
    const bool leave = state == TransferState::Done || state == TransferState::Transferring ||
                       FindWorker(key.Address, key.ID, key.Room);
    const bool started = !leave && Start(row, folder);
    row = Find(key);
    TransferDialog* dialog = CurrentDialog();
    if (row < 0 || !dialog) continue;
    if (!leave && !started) dialog->SetRowStatus(row, text::kReceiveFailed);
    if (deselect) dialog->DeselectRow(row);
  }
}

void ReceiveFileList::StartRows(const std::vector<int>& selected, const std::string& folder) {
  std::vector<int> rows = selected;
  std::sort(rows.begin(), rows.end());
  std::vector<Key> keys;
  for (int row : rows)
    if (HasEntry(row)) keys.push_back(KeyOf(row));
  StartKeys(keys, folder, true);
}

void ReceiveFileList::StartAll(const std::string& folder) {
  std::vector<Key> keys;
  for (int row = 0; row < Count(); ++row) keys.push_back(KeyOf(row));
  StartKeys(keys, folder, false);
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
