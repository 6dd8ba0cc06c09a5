#pragma once
// What a transfer list asks of its window (the send or the receive dialog). The lists
// work out every text a row shows; the window only puts them in place, and rewrites a
// cell only when its text changes. Tests use a recording fake.

#include <optional>
#include <string>

#include "platform/UserInterface.h"

namespace vostrelle {

// A new row: shown with state image 0 and selected.
struct RowCells {
  std::string FileName;               // column 0
  std::string Size;                   // column 1, in readable units ("28.6 MB")
  std::string SizeExact;              // the byte count, for a tooltip
  std::string Progress;               // column 2
  std::string Member;                 // column 3
  std::string Room;                   // column 4
  std::optional<std::string> Status;  // column 5, when the list gives one
};

// A change of a row; what is unset stays as it is.
struct RowUpdate {
  std::optional<int> Image;             // state image index
  std::optional<std::string> Progress;  // column 2 text, as "42%"
  std::optional<int> Percent;           // the same number, for a progress bar
  std::optional<std::string> Status;    // column 5
};

class TransferDialog {
 public:
  // The list deletes its dialog when the user closes it, possibly from inside the
  // window's own button handler: a Qt window should schedule its destruction.
  virtual ~TransferDialog() = default;

  virtual void AddRow(int index, const RowCells& cells) = 0;
  virtual void UpdateRow(int index, const RowUpdate& update) = 0;
  virtual void DeleteRow(int index) = 0;
  // Column 5 alone ("送信失敗", "受信失敗"); the entry itself does not change.
  virtual void SetRowStatus(int index, const std::string& text) = 0;
  virtual void DeselectRow(int index) = 0;
  // Brings the window up and gives it the focus.
  virtual void Activate() = 0;
  // A message box owned by the window.
  virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption,
                               MsgButtons buttons, MsgIcon icon) = 0;
};

}  // namespace vostrelle
