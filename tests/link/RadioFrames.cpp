#include "tests/link/RadioFrames.h"

#include "link/Common.h"

ByteStr bytes(const std::string& hex)
{
    return HexStrToByteStr(hex);
}

ByteStr cat(ByteStr a, const ByteStr& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ByteStr pcFrame(const ByteStr& payload)
{
    ByteStr f{0xFE, 0xFE, 0xEE, 0xEF};
    f = cat(f, payload);
    f.push_back(0xFD);
    return f;
}
