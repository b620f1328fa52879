#include "ErrorForm.h"
#include "TestSupport.h"

#include <fstream>

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

class ErrorLogTest : public ::testing::Test {
protected:
    SandBox sandbox;
    std::filesystem::path log = sandbox.Root() / "Errors.log";
};

TEST_F(ErrorLogTest, EntriesAreFramedAndAppended) {
    ASSERT_TRUE(AppendToErrorLog(log, "DESCRIPTION\r\nFirst"));
    ASSERT_TRUE(AppendToErrorLog(log, "DESCRIPTION\r\nSecond"));
    EXPECT_EQ(ReadWholeFile(log),
              "**********DESCRIPTION\r\nFirst\r\n**********\r\n"
              "**********DESCRIPTION\r\nSecond\r\n**********\r\n");
}

TEST_F(ErrorLogTest, ALogAbove10000BytesIsEmptiedFirst) {
    const std::string entryFraming = "**********new\r\n**********\r\n";

    WriteFile(log, std::string(10000, 'x'));
    ASSERT_TRUE(AppendToErrorLog(log, "new"));
    EXPECT_EQ(ReadWholeFile(log), std::string(10000, 'x') + entryFraming);

    WriteFile(log, std::string(10001, 'x'));
    ASSERT_TRUE(AppendToErrorLog(log, "new"));
    EXPECT_EQ(ReadWholeFile(log), entryFraming);
}

TEST_F(ErrorLogTest, AnUnwritableLogAnswersFalse) {
    EXPECT_FALSE(AppendToErrorLog(sandbox.Root() / "missing-folder" / "Errors.log", "x"));
    std::filesystem::create_directory(log);
    EXPECT_FALSE(AppendToErrorLog(log, "x"));
}

}  // namespace
