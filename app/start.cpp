#include "app/start.h"

#include "app/AppText.h"

std::string ExpandNewLine(std::string text)
{
    const size_t n = text.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        if (text[i] == '\\' && text[i + 1] == 'n') {
            text[i] = '\r';
            text[i + 1] = '\n';
        }
    }
    return text;
}

int MsgBoxError(platform::MessageBox& box, const std::string& text, const std::string& detail)
{
    return box.show(ExpandNewLine(text), kAppTitle, platform::MsgIcon::Critical, detail);
}

std::string AlreadyRunningText()
{
    return std::string("Cannot execute ") + kAppTitle + " repeatedly.\r\n" + kAppTitle + " is already executing.";
}
