#pragma once
// Names and descriptions for screen readers: every edit, list and button of a dialog
// says what it is and what it does, in Japanese, so that Orca can tell the user where
// the focus is.

class QWidget;

namespace vostrelle {

// Gives the controls of window (a dialog, the options sheet or a transfer window)
// their accessible names and descriptions. Call it once the controls exist.
void DescribeControls(QWidget* window);

}  // namespace vostrelle
