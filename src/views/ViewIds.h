#pragma once
// Command and child identifiers the views use besides those of platform/CommandIds.h.

namespace vostrelle::cmd {

constexpr int kRoomMessageView = 32777;  // child id of every room message view
constexpr int kSystemView = 32778;       // child id of the system view
constexpr int kWindowShown = 32779;      // a message view became visible
constexpr int kSendFile = 32783;         // ファイル送信 in the member list's menu
constexpr int kMemberMenu = 141;         // the member list's context menu

}  // namespace vostrelle::cmd
