#pragma once
#include <string>

// A message box or listing text (lines joined by CR LF) as terminal lines.
std::string TerminalText(const std::string& crlfText);
