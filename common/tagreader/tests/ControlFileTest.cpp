#include "common/tagreader/ControlFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/tagreader/DecimalText.h"

namespace ovix::tagreader {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLocalFile =
    "<upcontrol>\r\n  <patch version=\"12\"/>\r\n  <ovix>7</ovix>\r\n</upcontrol>\r\n";

class ControlFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ovix-cfg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_file = (m_dir / "conupdate.cfg").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string& text) const { std::ofstream(m_file, std::ios::binary) << text; }
    std::string Read() const {
        std::ifstream in(m_file, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    fs::path m_dir;
    std::string m_file;
};

TEST_F(ControlFileTest, ReadsPatchLevelAndLauncherVersion) {
    struct Case {
        const char* text;
        bool ok;
        int patch;
        int launcher;
    } cases[] = {
        {kLocalFile, true, 12, 7},
        {"<upcontrol><patch version=\"13\"/></upcontrol>", true, 13, 0},
        {"<upcontrol><patch version=\"13\"/><ovix>\r\n  8 \r\n</ovix></upcontrol>", true, 13, 8},
        {"<upcontrol><patch version=\" -4x\"/><ovix>9z</ovix></upcontrol>", true, -4, 9},
        {"<upcontrol><patch version=\"\"/><ovix></ovix></upcontrol>", true, 0, 0},
        {"<upcontrol><ovix>7</ovix></upcontrol>", false, -2, 0},
        {"<upcontrol><patch level=\"3\"/><ovix>7</ovix></upcontrol>", false, -2, 0},
        {"\xEF\xBB\xBF<upcontrol><patch version=\"3\"/></upcontrol>", false, -2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Write(c.text);
        int patch = -2;
        int launcher = 55;
        EXPECT_EQ(ReadControlFile(m_file, patch, launcher), c.ok);
        EXPECT_EQ(patch, c.patch);
        EXPECT_EQ(launcher, c.launcher);
    }
}

TEST_F(ControlFileTest, MissingFileLeavesPatchLevelAndZeroesLauncher) {
    int patch = -2;
    int launcher = 5;
    EXPECT_FALSE(ReadControlFile(m_file, patch, launcher));
    EXPECT_EQ(patch, -2);
    EXPECT_EQ(launcher, 0);
}

// Only the first 1000 bytes are looked at: when the root's closing tag lies beyond them, no
// element of the file is found at all.
TEST_F(ControlFileTest, OnlyTheFirstThousandBytesAreRead) {
    const std::string head = "<upcontrol><patch version=\"12\"/><ovix>7</ovix><content>";
    const std::string tail = "</content></upcontrol>";
    for (size_t size : {kControlFileReadLimit, kControlFileReadLimit + 1}) {
        SCOPED_TRACE(size);
        Write(head + std::string(size - head.size() - tail.size(), 'x') + tail);
        int patch = -2;
        int launcher = 0;
        const bool fits = size <= kControlFileReadLimit;
        EXPECT_EQ(ReadControlFile(m_file, patch, launcher), fits);
        EXPECT_EQ(patch, fits ? 12 : -2);
        EXPECT_EQ(launcher, fits ? 7 : 0);
    }
}

TEST_F(ControlFileTest, RecordingBlanksTheOldNumberAndInsertsTheNewOne) {
    Write(kLocalFile);
    RecordLauncherVersion(m_file, 8);
    EXPECT_EQ(Read(),
              "<upcontrol>\r\n  <patch version=\"12\"/>\r\n  <ovix> 8</ovix>\r\n</upcontrol>\r\n");
    RecordLauncherVersion(m_file, 10);
    EXPECT_EQ(Read(),
              "<upcontrol>\r\n  <patch version=\"12\"/>\r\n  <ovix>  10</ovix>\r\n"
              "</upcontrol>\r\n");
    int patch = -2;
    int launcher = 0;
    EXPECT_TRUE(ReadControlFile(m_file, patch, launcher));
    EXPECT_EQ(patch, 12);
    EXPECT_EQ(launcher, 10);
}

TEST_F(ControlFileTest, RecordingAddsTheElementBeforeTheRootsEnd) {
    Write("<upcontrol>\r\n  <patch version=\"12\"/>\r\n</upcontrol>\r\n");
    RecordLauncherVersion(m_file, 9);
    EXPECT_EQ(Read(),
              "<upcontrol>\r\n  <patch version=\"12\"/>\r\n<ovix> 9 </ovix>\r\n</upcontrol>\r\n");
}

TEST_F(ControlFileTest, RecordingLeavesOtherFilesAlone) {
    const char* untouched[] = {
        "<upcontrol>\r\n  <ovix>7</ovix>\r\n</upcontrol>\r\n",              // no patch element
        "\r\n<upcontrol><patch version=\"1\"/><ovix>7</ovix></upcontrol>",  // blank line first
        "<upcontrol><patch version=\"1\"/>",  // neither ovix nor the root's end
    };
    for (const char* text : untouched) {
        SCOPED_TRACE(text);
        Write(text);
        ::chmod(m_file.c_str(), 0640);
        RecordLauncherVersion(m_file, 8);
        EXPECT_EQ(Read(), text);
    }
    fs::remove(m_file);
    RecordLauncherVersion(m_file, 8);
    EXPECT_FALSE(fs::exists(m_file)) << "a missing file is not created";
}

// A rewrite edits the part that is read for lookups and keeps every byte beyond it, and the
// file keeps its mode.
TEST_F(ControlFileTest, RecordingKeepsTheWholeFileAndItsMode) {
    const std::string beyond(3 * kControlFileReadLimit, 'n');
    Write(kLocalFile + beyond);
    ::chmod(m_file.c_str(), 0640);
    RecordLauncherVersion(m_file, 8);
    EXPECT_EQ(Read(),
              "<upcontrol>\r\n  <patch version=\"12\"/>\r\n  <ovix> 8</ovix>\r\n</upcontrol>\r\n" +
                  beyond);
    struct stat st {};
    ASSERT_EQ(::stat(m_file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1)
        << "no temporary file left behind";
}

TEST(DecimalText, ReadsLikeTheCLibrary) {
    EXPECT_EQ(ParseDecimal("12"), 12);
    EXPECT_EQ(ParseDecimal(" \t\r\n+7x"), 7);
    EXPECT_EQ(ParseDecimal("-3"), -3);
    EXPECT_EQ(ParseDecimal("x1"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("- 1"), 0);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseDecimal("-99999999999999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace ovix::tagreader
