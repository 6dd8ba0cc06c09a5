#pragma once
// The options' font page: the fonts of the chat text, the member list and the room
// list, each with its sample, and one change for all three.

#include <array>
#include <functional>

#include "dialogs/COptionsPage.h"
#include "store/LOGFONTA.h"

namespace vostrelle {

class CFontSample;

class CFontPage : public COptionsPage {
  Q_OBJECT

 public:
  static constexpr int kMessageChangeId = 1038;
  static constexpr int kMessageSampleId = 1044;
  static constexpr int kMemberChangeId = 1046;
  static constexpr int kMemberSampleId = 1047;
  static constexpr int kRoomSampleId = 1048;
  static constexpr int kRoomChangeId = 1049;
  static constexpr int kChangeAllId = 1050;

  // Asks for a font starting from initial (null: from no font at all); true with the
  // choice in chosen, false when cancelled.
  using FontChooser = std::function<bool(const LOGFONTA* initial, LOGFONTA& chosen)>;

  explicit CFontPage(QWidget* parent = nullptr);

  // Message, MemberView, RoomView: the order of the settings' font block.
  std::array<LOGFONTA, 3> Fonts{};
  FontChooser ChooseFont;  // the platform's font dialog unless replaced

  CFontSample* Sample(int index) const { return samples_[static_cast<std::size_t>(index)]; }

 protected:
  void OnOpen() override;
  void OnConfirm() override {}

 private:
  void OnChange(int index);
  void OnChangeAll();

  std::array<CFontSample*, 3> samples_{};
};

}  // namespace vostrelle
