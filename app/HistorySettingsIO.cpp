#include "app/HistorySettingsIO.h"

namespace {

// A value as libpq's connection string takes it: quoted, with quotes and
// backslashes escaped, so that no value can add a parameter of its own.
std::string conninfoValue(const std::string& v)
{
    std::string out = "'";
    for (char c : v) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "'";
}

}  // namespace

HistorySettings ReadHistorySettings(platform::ProfileFile& profile, const std::string& fileName, std::string& warning)
{
    const auto read = [&](const char* key) {
        return profile.GetPrivateProfileString("HISTORY", key, "", 1024, fileName);
    };
    HistorySettings s;
    warning.clear();
    const std::string enabled = read("Enabled");
    s.enabled = enabled.empty() || (enabled != "0" && enabled != "no" && enabled != "off" && enabled != "false");
    std::string conninfo;
    const std::pair<const char*, const char*> keys[] = {
        {"Service", "service"}, {"Host", "host"}, {"Port", "port"}, {"Database", "dbname"}, {"User", "user"}};
    for (const auto& [key, name] : keys)
        if (const std::string v = read(key); !v.empty())
            conninfo += (conninfo.empty() ? "" : " ") + std::string(name) + "=" + conninfoValue(v);
    if (!conninfo.empty())
        s.server = conninfo + " application_name='Dorvel ADJ'";
    if (!read("Password").empty())
        warning = "the settings file's [HISTORY] Password is not used: put the password in ~/.pgpass "
                  "or in the service file";
    return s;
}
