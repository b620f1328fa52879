#pragma once

#include <string>
#include <string_view>
#include <vector>

// The name under which the program keeps its files, its lock and its per-user settings.
constexpr const char* ProductName = "Tapestrel";
// What the windows say of the version: its number is the project's (CMakeLists.txt), which the
// package carries too.
constexpr const char* VersionText = "Version " TAPESTREL_VERSION ", released on 18.09.2007";

// The process: its command line and the handler for exceptions that cannot be handled. The
// single-instance rule is in ProgramInstance.h.
class TProgram {
public:
    TProgram();
    ~TProgram();

    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    void SetCommandLine(int argc, char** argv);
    const std::vector<std::string>& Arguments() const { return m_arguments; }

private:
    std::vector<std::string> m_arguments;
};

extern TProgram Program;

// The program file's full path, its directory (no trailing separator) and its file name.
std::string GetProgramPath();
std::string GetProgramDirectory();
std::string GetProgramFileName();
// Where the options file, CalendarSkins/ and Errors.log live (no trailing separator): the
// program's own directory when the user may write to it and it is not a system program directory,
// otherwise (a system-wide install, a package) the user's configuration directory for the program,
// so the options are still saved, and saved per user.
std::string GetProgramDataDirectory();
// Within /usr, /bin, /sbin or /opt: the trees that hold the installed system's programs and no
// user's data, even where the user (root) may write to them.
bool IsSystemProgramDirectory(std::string_view directory);
// Within /usr, /bin or /sbin: where the system's package manager puts a program, beside many
// others; /opt gives each its own folder.
bool IsPackageProgramDirectory(std::string_view directory);
// A file the program only reads (the shipped skins): beside the program when it is there, else
// where a package puts it, /usr/share/tapestrel/.
std::string GetSharedFilePath(std::string_view name);
// The read-me or the help page: beside the program when it is there, else where a package puts
// documentation, /usr/share/doc/tapestrel/.
std::string GetDocumentFilePath(std::string_view name);
// Command-line element i: 0 is the program as started, 1 the first parameter. Empty when absent.
std::string GetParameter(size_t index);

// The file name the program was started under, a symbolic link's own name included; the program
// file's when the command line does not tell.
std::string GetStartedAsFileName();
// Started under the name "Install" (a copy or a symbolic link); letter case ignored.
bool IsStartedAsInstaller();
// Started as the installer, or with "/Uninstall"; letter case ignored.
bool IsInstallerMode();

// Runs when an exception cannot be handled: shows what happened and ends the process at once with
// exit code 1.
[[noreturn]] void TerminateProgramFun();
