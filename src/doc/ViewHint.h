#pragma once
// The update hints the document and the views pass through UpdateAllViews, and their
// small payload objects. A payload lives only for the one call.

#include <string>
#include <vector>

#include "platform/Document.h"

namespace vostrelle {

class RoomSession;

enum ViewHint : long {
  kHintInsertText = 1,       // TextHint: put a member's name at the input caret
  kHintSelectRoom = 2,       // RoomSelectHint: the selection changed
  kHintSessionCreated = 3,   // a session waits in the pending-views list
  kHintRoomViewCreated = 4,  // SessionHint: a room got its message view
  kHintSessionLeaving = 5,   // SessionHint: drop every reference to the session
  kHintLivenessTick = 6,     // the 30-second tick
  kHintMemberCommand = 7,    // MemberCommandHint: a member-list command for the room
  kHintSettingsChanged = 8,  // the options were changed and saved
  kHintEvents = 9,           // EventBatch: something to show and log
  kHintJoined = 10,          // RoomEventHint, member -1
  kHintMemberAdded = 11,     // RoomEventHint
  kHintMemberRemoving = 12,  // RoomEventHint; the record is still in the table
  kHintMemberRenamed = 13,   // RoomEventHint
  kHintOfferFiles = 14,      // OfferFilesHint: files to offer to a member of the room
};

struct RoomSelectHint : HintObject {
  RoomSelectHint(bool show, RoomSession* session, bool focus)
      : Show(show), Session(session), Focus(focus) {}
  bool Show;
  RoomSession* Session;  // nullptr when no room is selected
  bool Focus;
};

struct RoomEventHint : HintObject {
  RoomEventHint(RoomSession* session, bool isCurrent, int member)
      : Session(session), IsCurrent(isCurrent), Member(member) {}
  RoomSession* Session;
  bool IsCurrent;
  int Member;
};

struct SessionHint : HintObject {
  explicit SessionHint(RoomSession* session) : Session(session) {}
  RoomSession* Session;
};

struct TextHint : HintObject {
  explicit TextHint(std::string text) : Text(std::move(text)) {}
  std::string Text;  // CP932
};

struct MemberCommandHint : HintObject {
  MemberCommandHint(int command, int member) : Command(command), Member(member) {}
  int Command;
  int Member;
};

// Files dropped or pasted outside the member list; the member list picks the member.
struct OfferFilesHint : HintObject {
  explicit OfferFilesHint(std::vector<std::string> paths, bool image = false)
      : Paths(std::move(paths)), Image(image) {}
  std::vector<std::string> Paths;  // local file names in the system's spelling
  bool Image;                      // one pasted picture: shown and asked about first
  bool Offered = false;            // set when the files went to a member
};

}  // namespace vostrelle
