#include "Error.h"
#include "ProgramStarter.h"
#include "TestSupport.h"
#include "Utilities.h"

#include <sys/stat.h>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class RecordingProgramStarter : public ProgramStarter {
public:
    int Start(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& directory) override {
        started.push_back({program, arguments, directory});
        return answer;
    }
    struct Call {
        std::string program;
        std::vector<std::string> arguments;
        std::string directory;
    };
    std::vector<Call> started;
    int answer = 0;
};

class RunFileTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }

    fs::path Make(const std::string& name, const std::string& content, bool executable) {
        const fs::path path = sandbox.Root() / name;
        std::ofstream(path) << content;
        chmod(path.c_str(), executable ? 0755 : 0644);
        return path;
    }

    SandBox sandbox;
    ScopedMessageBoxes boxes;
    ScopedUrlOpener opener;
    ScopedService<ProgramStarter, RecordingProgramStarter> starter;
};

TEST_F(RunFileTest, AnEmptyNameIsOnlyToldToTheUser) {
    RunFile("", "", "", true, false);
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Error");
    EXPECT_EQ(boxes->shown[0].text, "The name of the file is empty.");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_TRUE(opener->opened.empty());
}

TEST_F(RunFileTest, FilesAndPagesGoToTheUsersPrograms) {
    // A picture marked executable, as on disks that mark every file so, is still a picture.
    const fs::path picture = Make("sea \xff.jpg", "\xff\xd8\xff", true);
    RunFile(picture.string(), "", "", true, false);
    ASSERT_EQ(opener->opened.size(), 1u);
    EXPECT_EQ(opener->opened[0].toEncoded().toStdString(),
              "file://" + sandbox.Root().string() + "/sea%20%FF.jpg");
    EXPECT_TRUE(starter->started.empty());

    RunFile("https://example.org/a?b=c", "", "", true, false);
    EXPECT_EQ(opener->opened.back().toString(), "https://example.org/a?b=c");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(RunFileTest, ProgramsAreStartedWithTheirParameters) {
    const fs::path program = Make("Install", "#!/bin/sh\n", true);
    RunFile(program.string(), "", "", true, false);
    RunFile(program.string(), "/Uninstall now", "/tmp", true, false);
    RunFile(program.string(), "/Uninstall \"two words\"", "", false, false);
    ASSERT_EQ(starter->started.size(), 3u);
    EXPECT_TRUE(starter->started[0].arguments.empty());
    EXPECT_EQ(starter->started[1].arguments, (std::vector<std::string>{"/Uninstall now"}));
    EXPECT_EQ(starter->started[1].directory, "/tmp");
    EXPECT_EQ(starter->started[2].arguments, (std::vector<std::string>{"/Uninstall", "two words"}));
    EXPECT_TRUE(opener->opened.empty());
}

TEST_F(RunFileTest, RefusalsFailWithTheFileAndACode) {
    struct Case {
        std::string file;
        int code;
    };
    const fs::path program = Make("Install", "#!/bin/sh\n", true);
    const fs::path text = Make("Readme.txt", "hello", false);
    starter->answer = EACCES;
    opener->succeed = false;
    for (const Case& c :
         {Case{(sandbox.Root() / "missing.jpg").string(), ENOENT}, Case{program.string(), EACCES},
          Case{text.string(), ENOEXEC}, Case{"https://example.org", ENOEXEC}}) {
        SCOPED_TRACE(c.file);
        RunFile(c.file, "", "", true, false);
        EXPECT_EQ(FunStatContext.Status, fsError);
        EXPECT_EQ(FunStatContext.Function, "RunFile");
        EXPECT_EQ(FunStatContext.Description, "Failed to run file.");
        EXPECT_EQ(FunStatContext.Parameter1, c.file);
        EXPECT_EQ(FunStatContext.SystemErrorCode, c.code);
    }
}

}  // namespace
