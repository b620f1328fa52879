#include "StatusScope.h"

#include <cerrno>

TStatusScope::TStatusScope(TFunctionName function, std::source_location where)
    : m_function(function.View()), m_file(where.file_name()) {
    FunStatContext.BeginFunction(m_file, m_function, static_cast<int32_t>(where.line()));
}

TStatusScope::~TStatusScope() {
    FunStatContext = m_local;
}

void TStatusScope::Raise(std::string_view description, std::string_view parameter1,
                         std::string_view parameter2, int32_t systemErrorCode,
                         std::source_location where) {
    m_local.Raise(m_file, m_function, static_cast<int32_t>(where.line()), fsError, description,
                  parameter1, parameter2, systemErrorCode);
    throw SkipRest{};
}

void TStatusScope::Warn(std::string_view description, std::string_view parameter1,
                        std::string_view parameter2, int32_t systemErrorCode,
                        std::source_location where) {
    m_local.Raise(m_file, m_function, static_cast<int32_t>(where.line()), fsWarning, description,
                  parameter1, parameter2, systemErrorCode);
}

void TStatusScope::AdoptCalleeFailure() {
    if (!FunStatContext.Failed()) return;
    m_local = FunStatContext;
    throw SkipRest{};
}

void TStatusScope::KeepCalleeFailure() {
    if (FunStatContext.Failed() && !m_local.Failed()) m_local = FunStatContext;
}

void TStatusScope::ShowFailure(std::string_view description, std::source_location where) {
    if (!Failed()) return;
    // Work given up on purpose (the program is asked to end) is nothing to tell the user.
    if (!m_local.GivenUp()) {
        m_local.SetShowContext(m_file, m_function, static_cast<int32_t>(where.line()));
        m_local.Show(description);
    }
    m_local.Reset(fsPerfect);
}

void TStatusScope::RecordException(std::exception_ptr exception,
                                   const std::source_location& boundary) {
    std::string description = "Unhandled generic exception.";
    std::string message;
    if (ExceptionMessage(exception, message)) description = "Unhandled exception: " + message;

    std::string thrownInFile;
    std::string thrownAtLine;
    try {
        std::rethrow_exception(exception);
    } catch (const TException& error) {
        thrownInFile = error.Where().file_name();
        thrownAtLine = std::to_string(error.Where().line());
    } catch (...) {
    }
    m_local.Raise(m_file, m_function, static_cast<int32_t>(boundary.line()), fsError, description,
                  thrownInFile, thrownAtLine, 0);
}
