#include "platform/MemoryControls.h"

namespace platform {

void MemoryListBox::setLine(int index, const std::string& text)
{
    if (index < 0)
        return;
    if (index >= count())
        lines.resize(static_cast<size_t>(index) + 1);
    lines[static_cast<size_t>(index)] = text;
    ++writes;
}

std::string MemoryListBox::line(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return lines[static_cast<size_t>(index)];
}

int MemoryMessageBox::show(const std::string& text, const std::string& title, MsgIcon icon, const std::string& detail)
{
    shown.push_back({text, title, icon, detail});
    if (onShow)
        onShow(shown.back());
    return 1;   // OK
}

}  // namespace platform
