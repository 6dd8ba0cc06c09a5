#include "doc/EventBatch.h"

#include "net/RoomObserver.h"
#include "platform/Cp932.h"

namespace vostrelle::event_text {
namespace {

// Fills each "%s" of a CP932 pattern in turn. The pattern is ours, so a "%" can only
// begin a "%s"; the values are copied as they are, whatever bytes they hold.
std::string Fill(const std::string& pattern, std::initializer_list<const std::string*> values) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
        next != values.end()) {
      out += **next++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

const std::string& Text(int which) {
  static const std::string texts[] = {
      "%s(%s) に接続。"_sjis,
      "名前: %s"_sjis,
      "本名: %s"_sjis,
      "バージョン: %s"_sjis,
      "%sが参加しました。"_sjis,
      "%sが退出しました。"_sjis,
      "%sが落ちました。"_sjis,
      "%sが不明な理由で退出しました。"_sjis,
      "%sが%sに変更されました。"_sjis,
      "送信失敗"_sjis,
  };
  return texts[which];
}

}  // namespace

std::string Connected(const std::string& roomDisplayName, const std::string& connectTo) {
  return Fill(Text(0), {&roomDisplayName, &connectTo});
}
std::string InfoName(const std::string& name) {
  return Fill(Text(1), {&name});
}
std::string InfoRealName(const std::string& realName) {
  return Fill(Text(2), {&realName});
}
std::string InfoVersion(const std::string& version) {
  return Fill(Text(3), {&version});
}
std::string Joined(const std::string& name) {
  return Fill(Text(4), {&name});
}
std::string Removed(const std::string& name, int reason) {
  const int which = reason == kRemovalLeft ? 5 : reason == kRemovalDropped ? 6 : 7;
  return Fill(Text(which), {&name});
}
std::string Renamed(const std::string& oldName, const std::string& newName) {
  return Fill(Text(8), {&oldName, &newName});
}
std::string SendFailed() {
  return Text(9);
}

std::string WaitingForNetwork(const std::string& roomDisplayName, const std::string& connectTo) {
  return roomDisplayName + "(" + connectTo + ") はネットワークにつながるのを待っています。"_sjis;
}

}  // namespace vostrelle::event_text
