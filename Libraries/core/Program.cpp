#include "Program.h"

#include "Error.h"
#include "SpecialFolders.h"
#include "Text.h"

#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <system_error>

TProgram Program;

TProgram::TProgram() {
    std::set_terminate(TerminateProgramFun);
    errno = 0;
}

TProgram::~TProgram() {
    errno = 0;
}

void TProgram::SetCommandLine(int argc, char** argv) {
    m_arguments.assign(argv, argv + argc);
}

std::string GetProgramPath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error && !Program.Arguments().empty())
        path = std::filesystem::absolute(Program.Arguments().front(), error).lexically_normal();
    return path.string();
}

std::string GetProgramDirectory() {
    return std::filesystem::path(GetProgramPath()).parent_path().string();
}

std::string GetProgramDataDirectory() {
    const std::string directory = GetProgramDirectory();
    if (!IsSystemProgramDirectory(directory) && access(directory.c_str(), W_OK) == 0)
        return directory;
    return UserConfigDirectory(ProductName);
}

namespace {

bool IsWithinAny(std::string_view directory, std::initializer_list<std::string_view> trees) {
    for (const std::string_view tree : trees)
        if (directory.starts_with(tree) &&
            (directory.size() == tree.size() || directory[tree.size()] == '/'))
            return true;
    return false;
}

}  // namespace

bool IsSystemProgramDirectory(std::string_view directory) {
    return IsWithinAny(directory, {"/usr", "/bin", "/sbin", "/opt"});
}

bool IsPackageProgramDirectory(std::string_view directory) {
    return IsWithinAny(directory, {"/usr", "/bin", "/sbin"});
}

namespace {

std::string BesideProgramElse(std::string_view name, std::string_view packageDirectory) {
    const std::string beside = GetProgramDirectory() + "/" + std::string(name);
    std::error_code error;
    if (std::filesystem::exists(beside, error)) return beside;
    return std::string(packageDirectory) + std::string(name);
}

}  // namespace

std::string GetSharedFilePath(std::string_view name) {
    return BesideProgramElse(name, "/usr/share/tapestrel/");
}

std::string GetDocumentFilePath(std::string_view name) {
    return BesideProgramElse(name, "/usr/share/doc/tapestrel/");
}

std::string GetProgramFileName() {
    return std::filesystem::path(GetProgramPath()).filename().string();
}

std::string GetParameter(size_t index) {
    const auto& arguments = Program.Arguments();
    return index < arguments.size() ? arguments[index] : std::string();
}

std::string GetStartedAsFileName() {
    const std::string startedAs = std::filesystem::path(GetParameter(0)).filename().string();
    return startedAs.empty() ? GetProgramFileName() : startedAs;
}

bool IsStartedAsInstaller() {
    // The program file behind a symbolic link named Install is the ordinary program.
    return SameText(GetStartedAsFileName(), "Install");
}

bool IsInstallerMode() {
    return IsStartedAsInstaller() || SameText(GetParameter(1), "/Uninstall");
}

void TerminateProgramFun() {
    static bool terminating = false;
    if (!terminating) {
        terminating = true;
        const std::string description = "Abort intercepted.\r\nProgram must be terminated.";
        constexpr int32_t line = __LINE__;
        FunStatContext.Raise(__FILE__, "TerminateProgramFun", line, fsError, description, {}, {},
                             0);
        FunStatContext.SetShowContext(__FILE__, "TerminateProgramFun", line);
        FunStatContext.Show(description);
        FunStatContext.Reset(fsPerfect);
    }
    std::_Exit(1);
}
