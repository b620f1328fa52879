#include "Error.h"

#include "Clock.h"
#include "Mytime.h"
#include "Program.h"
#include "StatusViewer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

thread_local TFunStatContext FunStatContext;

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string_view FileNamePart(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

std::string RealText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

}  // namespace

TFunStatContext::TFunStatContext() {
    Reset(fsPerfect);
    ResetUserInfo();
}

TFunStatContext::TFunStatContext(const TFunStatContext& other) {
    CopyOutcomeAndUserInfo(other);
}

TFunStatContext& TFunStatContext::operator=(const TFunStatContext& other) {
    if (this != &other) CopyOutcomeAndUserInfo(other);
    return *this;
}

void TFunStatContext::CopyOutcomeAndUserInfo(const TFunStatContext& other) {
    Status = other.Status;
    File = other.File;
    Function = other.Function;
    Line = other.Line;
    Description = other.Description;
    Parameter1 = other.Parameter1;
    Parameter2 = other.Parameter2;
    SystemErrorCode = other.SystemErrorCode;
    UserCode = other.UserCode;
    UserText = other.UserText;
    UserInt = other.UserInt;
    UserReal = other.UserReal;
}

void TFunStatContext::Reset(FunStatus status) {
    Status = status;
    File.clear();
    Function.clear();
    Line = 0;
    Description.clear();
    Parameter1.clear();
    Parameter2.clear();
    SystemErrorCode = 0;
}

void TFunStatContext::ResetUserInfo() {
    UserCode = 0;
    UserText.clear();
    UserInt = 0;
    UserReal = 0.0;
}

void TFunStatContext::BeginFunction(std::string_view file, std::string_view function,
                                    int32_t line) {
    Raise(file, function, line, fsBeginFunctionError, {}, {}, {}, 0);
}

void TFunStatContext::Raise(std::string_view file, std::string_view function, int32_t line,
                            FunStatus status, std::string_view description,
                            std::string_view parameter1, std::string_view parameter2,
                            int32_t systemErrorCode) {
    Status = status;
    File = file;
    Function = function;
    Line = line;
    Description = description;
    Parameter1 = parameter1;
    Parameter2 = parameter2;
    SystemErrorCode = systemErrorCode;
}

void TFunStatContext::SetShowContext(std::string_view file, std::string_view function,
                                     int32_t line) {
    ShowFile = file;
    ShowFunction = function;
    ShowLine = line;
}

std::string TFunStatContext::GetStatusText(FunStatus status) {
    switch (status) {
        case fsPerfect:
            return "Perfect";
        case fsWarning:
            return "Warning";
        case fsError:
            return "Error";
        case fsBeginFunctionError:
            return "Begin function error";
        case fsPanic:
            return "Panic";
        case fsCatastrophe:
            return "Catastrophe";
    }
    return "Unknown function status";
}

std::string TFunStatContext::GetReport() const {
    std::string report;
    // The report is what the user sees when something went wrong; a failure while writing it
    // must not hide what has been written so far.
    try {
        report += "\r\nRAISE CONTEXT\r\n* Status: ";
        report += GetStatusText(Status);
        if (Status == fsCatastrophe)
            report +=
                ": CATASTROPHIC FAILURE!!! It is highly recommended to terminate the program "
                "immediately!";
        report += "\r\n* File: " + Quoted(FileNamePart(File));
        report += "\r\n* Function: " + Quoted(Function);
        report += "\r\n* Line: " + std::to_string(Line);
        report += "\r\n* Description: " + Quoted(Description);
        if (!Parameter1.empty()) report += "\r\n* Parameter 1: " + Quoted(Parameter1);
        if (!Parameter2.empty()) report += "\r\n* Parameter 2: " + Quoted(Parameter2);
        if (SystemErrorCode != 0) {
            report += "\r\n* System error code: " + std::to_string(SystemErrorCode);
            report += "\r\n* System error description: " + Quoted(std::strerror(SystemErrorCode));
        }
        report += "\r\n\r\nSHOW CONTEXT\r\n* File: " + Quoted(FileNamePart(ShowFile));
        report += "\r\n* Function: " + Quoted(ShowFunction);
        report += "\r\n* Line: " + std::to_string(ShowLine);
        report += "\r\n\r\nINFO\r\n* Time: ";
        report += DateTimeStamp(" | ", Clock::Instance().Now());
        report += "\r\n* Program: ";
        report += GetProgramPath();
        report += "\r\n* Recursive attempts: ";
        report += std::to_string(StatusViewer().RecursionCounter());
        report += "\r\n\r\nUSER INFO\r\n* UserCode: " + std::to_string(UserCode);
        report += "\r\n* UserText: " + UserText;
        report += "\r\n* UserInt: " + std::to_string(UserInt);
        report += "\r\n* UserReal: " + RealText(UserReal);
    } catch (...) {
    }
    return report;
}

bool TFunStatContext::Show(std::string_view description, bool* noErrors) const {
    try {
        return StatusViewer().ShowReport(GetStatusText(Status), description, GetReport(), noErrors);
    } catch (...) {
        return false;
    }
}

void TFunStatContext::OnApplicationException(QObject*, std::exception_ptr exception) {
    std::string message;
    if (!ExceptionMessage(exception, message)) message = "Unhandled generic exception.";
    const std::string description = "Unhandled error." + std::string(kCrLf) + message;
    const int32_t lastError = errno;
    constexpr int32_t line = __LINE__;
    Raise(__FILE__, "TFunStatContext::OnApplicationException", line, fsError, description, {}, {},
          lastError);
    SetShowContext(__FILE__, "TFunStatContext::OnApplicationException", line);
    Show(description);
    Reset(fsPerfect);
}

bool ExceptionMessage(std::exception_ptr exception, std::string& message) {
    try {
        if (exception) std::rethrow_exception(exception);
    } catch (const std::exception& error) {
        message = error.what();
        return true;
    } catch (...) {
    }
    return false;
}

bool IsSystemError() {
    return errno != 0 && errno != ECANCELED;
}

bool IsSystemErrorAfterCreate() {
    return IsSystemError() && errno != EEXIST;
}

bool IsFindSuccess(int code) {
    return code == 0 || code == ENOENT;
}
