#pragma once
// Message box procedures that every operator-visible error goes through.
#include <string>

#include "platform/Controls.h"

// Replaces each backslash-n pair by CR LF; the text keeps its length.
std::string ExpandNewLine(std::string text);
// A modal box with the critical icon, an OK button and the program title;
// detail is the system's reason behind the failure, when there is one.
int MsgBoxError(platform::MessageBox& box, const std::string& text, const std::string& detail = {});
// The refusal shown when another copy of the program is running.
std::string AlreadyRunningText();
