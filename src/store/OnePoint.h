#pragma once
// One-point tips: one short tip per start, below the system view's welcome line.

#include <string>
#include <string_view>

namespace vostrelle {

class AppSettings;

// Where the tip block goes (the system view).
class TipSink {
 public:
  virtual ~TipSink() = default;
  virtual void AppendText(const std::string& cp932) = 0;
};

// The tips document compiled into the program, as its exact Shift_JIS bytes.
std::string_view OnePointResource();

// Shows the tip at settings.Number (the first one when there is none there), stores
// Number = shown index + 1 and saves the options at once. Nothing is shown or saved
// when the document holds no tip. resource defaults to the compiled-in document.
void ShowOnePoint(AppSettings& settings, TipSink& sink,
                  std::string_view resource = OnePointResource());

}  // namespace vostrelle
