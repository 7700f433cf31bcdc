// Command line, the built-in image and image files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "sim/SimImage.h"
#include "sim/SimOptions.h"
#include "sim/SimServer.h"

using namespace dsim;

namespace {

bool parse(std::vector<const char*> args, Options& opt, std::string& err)
{
    return parseOptions(static_cast<int>(args.size()), args.data(), opt, err);
}

int runMain(std::vector<const char*> args)
{
    args.insert(args.begin(), "dorvel-sim");
    return simMain(static_cast<int>(args.size()), args.data());
}

// A file in the temporary directory, removed afterwards.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& name)
        : path(::testing::TempDir() + "dorvel-sim-" + std::to_string(getpid()) + "-" + name)
    {
    }
    ~TempFile() { std::remove(path.c_str()); }
    void fill(size_t size) const { std::ofstream(path, std::ios::binary) << std::string(size, '\0'); }
    Bytes read() const
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

uint32_t be32(const Bytes& image, int at)
{
    return uint32_t(image[at]) << 24 | uint32_t(image[at + 1]) << 16 | uint32_t(image[at + 2]) << 8 | image[at + 3];
}

}  // namespace

TEST(SimOptions, EveryOptionIsTaken)
{
    Options opt;
    std::string err;
    ASSERT_TRUE(parse({"--fast", "--baud", "19200", "--log", "l", "--link", "k", "--image", "i", "--write-image", "w",
                       "--mid", "--main-code", "1234", "--sub-code", "0099", "--model-byte", "02", "--signal", "40",
                       "--noise", "--fault", "pull", "--fault", "bad-ad"},
                      opt, err))
        << err;
    EXPECT_TRUE(opt.fast && opt.mid && opt.noise);
    EXPECT_EQ(opt.baud, 19200);
    EXPECT_EQ(opt.logPath + opt.linkPath + opt.imagePath + opt.writeImagePath, "lkiw");
    EXPECT_EQ(Bytes(opt.identity.mainCode, opt.identity.mainCode + 2), Bytes({0x12, 0x34}));
    EXPECT_EQ(Bytes(opt.identity.subCode, opt.identity.subCode + 2), Bytes({0x00, 0x99}));
    EXPECT_EQ(opt.identity.modelByte, 0x02);
    EXPECT_EQ(opt.signal, 40);
    EXPECT_EQ(opt.faults, kFaultPull | kFaultBadAd);
    const std::string help = usageText();
    for (const char* name : {"--help", "--fast", "--baud", "--link", "--log", "--image", "--write-image", "--mid",
                             "--main-code", "--sub-code", "--model-byte", "--signal", "--noise", "--fault", "no-echo",
                             "no-answer", "bad-checksum", "block-beyond", "wrong-count", "bad-ad", "pull"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST(SimOptions, BadArgumentsGiveOneLineReasonsAndStatus2)
{
    const std::vector<std::vector<const char*>> cases = {
        {"--bogus"},           {"--baud"},          {"--baud", "0"},        {"--baud", "fast"},
        {"--main-code", "531"}, {"--main-code", "53145"}, {"--sub-code", "FE00"}, {"--sub-code", "01G0"},
        {"--model-byte", "FD"}, {"--model-byte", "1"}, {"--fault", "melt"},   {"--signal", "300"},
        {"--image"},
    };
    for (const auto& args : cases) {
        Options opt;
        std::string err;
        EXPECT_FALSE(parse(args, opt, err)) << args[0];
        EXPECT_TRUE(!err.empty() && err.find('\n') == std::string::npos) << args[0];
        EXPECT_EQ(runMain(args), 2) << args[0];
    }
}

TEST(SimImage, BuiltInImageIsPlausible)
{
    const Bytes image = builtInImage(false);
    ASSERT_EQ(image.size(), 8160u);
    EXPECT_EQ(image[0x030] * 256 + image[0x031], 1360);  // 136 MHz
    EXPECT_FALSE(isMid(image));
    EXPECT_TRUE(isMid(builtInImage(true)));
    int programmed = 0, split = 0, narrow = 0, inhibited = 0, powerCodes = 0;
    for (int n = 0; n < 32; ++n) {
        const int at = 0x160 + 18 * n;
        if ((image[at] & 0x80) == 0 && be32(image, at) == 0) {
            EXPECT_EQ(Bytes(image.begin() + at, image.begin() + at + 18), Bytes(18, 0)) << "channel " << n;
            continue;
        }
        ++programmed;
        split += be32(image, at) != be32(image, at + 4);
        narrow += (image[at + 13] & 0x80) != 0;
        inhibited += (image[at + 12] & 0xC0) != 0;
        powerCodes |= 1 << ((image[at + 12] & 2) ? 2 : (image[at + 12] & 1));
    }
    EXPECT_GE(programmed, 4);
    EXPECT_TRUE(split >= 1 && split < programmed);
    EXPECT_GE(narrow, 1);
    EXPECT_GE(inhibited, 1);
    EXPECT_EQ(powerCodes, 7);  // High, Low2 and Low1 all present
    for (int a : {0x033, 0x034, 0x035, 0x03C, 0x03D, 0x042, 0x043, 0x049, 0x04A, 0x050, 0x051, 0x080, 0x081, 0x082,
                  0x083, 0x084, 0x087, 0x113})
        EXPECT_TRUE(image[a] > 0x10 && image[a] < 0xF0) << std::hex << a;  // mid-range
    int negative = 0;
    for (int a = 0x055; a < 0x055 + 42; ++a) negative += (image[a] & 0x80) != 0;
    EXPECT_GE(negative, 5);
}

TEST(SimImage, ImageFileMustHoldExactly8160Bytes)
{
    for (size_t size : {size_t(0), size_t(8159), size_t(8161)}) {
        TempFile f("wrong.bin");
        f.fill(size);
        Options opt;
        opt.imagePath = f.path;
        Bytes image;
        std::string err;
        EXPECT_FALSE(startImage(opt, image, err)) << size;
        EXPECT_NE(err.find("8160"), std::string::npos) << err;
        EXPECT_EQ(runMain({"--image", f.path.c_str()}), 2) << size;
    }
    EXPECT_EQ(runMain({"--image", "/nonexistent/dir/image.bin"}), 2);

    TempFile good("good.bin");
    good.fill(8160);
    Options opt;
    opt.imagePath = good.path;
    opt.mid = true;
    Bytes image;
    std::string err;
    ASSERT_TRUE(startImage(opt, image, err)) << err;
    Bytes expected(8160, 0x00);
    expected[0x140] = 0x80;
    EXPECT_EQ(image, expected);
}

TEST(SimImage, WriteImageWritesTheBuiltInImage)
{
    TempFile plain("plain.bin"), mid("mid.bin");
    EXPECT_EQ(runMain({"--write-image", plain.path.c_str()}), 0);
    EXPECT_EQ(runMain({"--mid", "--write-image", mid.path.c_str()}), 0);
    EXPECT_EQ(plain.read(), builtInImage(false));
    EXPECT_EQ(mid.read(), builtInImage(true));
}
