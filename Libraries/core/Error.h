#pragma once

#include <cerrno>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

class QObject;

// The outcome of a function. A status above fsWarning is a failure.
enum FunStatus : int32_t {
    fsPerfect = 0,
    fsWarning = 1,
    fsError = 2,
    fsBeginFunctionError = 3,
    fsPanic = 4,
    fsCatastrophe = 5,
};

// Where and why a function failed (the raise context), where the failure was shown (the show
// context), and free information for the user. Every function hands its outcome to its caller
// through the global FunStatContext; see StatusScope.h for the protocol.
class TFunStatContext {
public:
    FunStatus Status = fsPerfect;
    std::string File;
    std::string Function;
    int32_t Line = 0;
    std::string Description;
    std::string Parameter1;
    std::string Parameter2;
    int32_t SystemErrorCode = 0;

    std::string ShowFile;
    std::string ShowFunction;
    int32_t ShowLine = 0;

    int32_t UserCode = 0;
    std::string UserText;
    int32_t UserInt = 0;
    double UserReal = 0.0;

    TFunStatContext();
    // Copies leave the show context behind: it belongs to the function that shows.
    TFunStatContext(const TFunStatContext& other);
    TFunStatContext& operator=(const TFunStatContext& other);

    void Reset(FunStatus status);
    void ResetUserInfo();
    void BeginFunction(std::string_view file, std::string_view function, int32_t line);
    void Raise(std::string_view file, std::string_view function, int32_t line, FunStatus status,
               std::string_view description, std::string_view parameter1,
               std::string_view parameter2, int32_t systemErrorCode);
    void SetShowContext(std::string_view file, std::string_view function, int32_t line);

    bool Failed() const { return Status > fsWarning; }
    // Work given up on purpose (the program is asked to end): a failure nobody needs to see.
    bool GivenUp() const { return Failed() && SystemErrorCode == ECANCELED; }

    static std::string GetStatusText(FunStatus status);
    std::string GetReport() const;

    // Shows the report through the installed viewer (StatusViewer.h). noErrors, when given, tells
    // whether the user chose "Okay (no errors)".
    bool Show(std::string_view description, bool* noErrors = nullptr) const;

    // For exceptions that reach the application's event loop.
    void OnApplicationException(QObject* sender, std::exception_ptr exception);

private:
    void CopyOutcomeAndUserInfo(const TFunStatContext& other);
};

// Each thread has its own, so that pictures can be loaded side by side; the user sees the one of
// the thread that runs the windows.
extern thread_local TFunStatContext FunStatContext;

// The message of an exception as a report shows it: what() of a standard exception, or nothing
// for anything else.
bool ExceptionMessage(std::exception_ptr exception, std::string& message);

// Checks of errno after a system call; the caller sets errno to 0 before the call.
bool IsSystemError();
// As IsSystemError, but a file or directory that already existed is no error.
bool IsSystemErrorAfterCreate();
// After reading a directory: an empty or vanished directory is no error.
bool IsFindSuccess(int code);
