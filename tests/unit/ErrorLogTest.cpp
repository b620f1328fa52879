#include "ErrorForm.h"
#include "TestSupport.h"

#include <sys/stat.h>
#include <fstream>

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

class ErrorLogTest : public ::testing::Test {
protected:
    SandBox sandbox;
    std::filesystem::path log = sandbox.Root() / "Errors.log";
    int error = -1;
};

TEST_F(ErrorLogTest, EntriesAreFramedAndAppended) {
    ASSERT_TRUE(AppendToErrorLog(log, "DESCRIPTION\r\nFirst", error));
    ASSERT_TRUE(AppendToErrorLog(log, "DESCRIPTION\r\nSecond", error));
    EXPECT_EQ(ReadWholeFile(log),
              "**********DESCRIPTION\r\nFirst\r\n**********\r\n"
              "**********DESCRIPTION\r\nSecond\r\n**********\r\n");
}

TEST_F(ErrorLogTest, ALogAbove10000BytesIsEmptiedFirst) {
    const std::string entryFraming = "**********new\r\n**********\r\n";

    WriteFile(log, std::string(10000, 'x'));
    ASSERT_TRUE(AppendToErrorLog(log, "new", error));
    EXPECT_EQ(ReadWholeFile(log), std::string(10000, 'x') + entryFraming);

    WriteFile(log, std::string(10001, 'x'));
    ASSERT_TRUE(AppendToErrorLog(log, "new", error));
    EXPECT_EQ(ReadWholeFile(log), entryFraming);
}

TEST_F(ErrorLogTest, AnUnwritableLogAnswersFalseWithTheReason) {
    EXPECT_FALSE(AppendToErrorLog(sandbox.Root() / "missing-folder" / "Errors.log", "x", error));
    EXPECT_EQ(error, ENOENT);

    // A link planted at the log's place is not followed to the file it names.
    WriteFile(sandbox.Root() / "victim", "kept");
    std::filesystem::create_symlink(sandbox.Root() / "victim", log);
    EXPECT_FALSE(AppendToErrorLog(log, "x", error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(ReadWholeFile(sandbox.Root() / "victim"), "kept");

    // Nor does a named pipe without a reader keep the error window waiting.
    std::filesystem::remove(log);
    ASSERT_EQ(mkfifo(log.c_str(), 0600), 0);
    EXPECT_FALSE(AppendToErrorLog(log, "x", error));
    EXPECT_EQ(error, ENXIO);

    std::filesystem::remove(log);
    std::filesystem::create_directory(log);
    EXPECT_FALSE(AppendToErrorLog(log, "x", error));
    EXPECT_EQ(error, EISDIR);
}

}  // namespace
