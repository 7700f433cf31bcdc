#include "cli/TerminalText.h"

std::string TerminalText(const std::string& crlfText)
{
    std::string out;
    for (size_t i = 0; i < crlfText.size(); ++i) {
        if (crlfText[i] == '\r' && i + 1 < crlfText.size() && crlfText[i + 1] == '\n')
            continue;
        out += crlfText[i];
    }
    return out;
}
