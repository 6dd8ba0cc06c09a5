#pragma once
// The program's message box: CP932 texts, the caption "Vostrelle" unless given, and
// for a box without an icon of its own the one a Windows program's box gets (the
// question mark for yes/no questions, the warning sign otherwise).

#include <string>

#include "platform/UserInterface.h"

class QWidget;

namespace vostrelle {

MsgAnswer ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                         MsgButtons buttons, MsgIcon icon);

}  // namespace vostrelle
