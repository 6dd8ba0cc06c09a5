#pragma once
// The main window's one log search window, opened from the menu and Ctrl+F.

#include <string>

class QWidget;

namespace vostrelle {

// Shows the search window of frame (making it on first use) with its words selected.
void ShowLogSearch(QWidget* frame, const std::string& logFolder);

}  // namespace vostrelle
