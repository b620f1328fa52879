#pragma once

#include "Error.h"

#include <cstddef>
#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// The program's own exception: it remembers where it was thrown, and the report shows that place.
class TException : public std::runtime_error {
public:
    explicit TException(const std::string& message,
                        std::source_location where = std::source_location::current())
        : std::runtime_error(message), m_where(where) {}

    const std::source_location& Where() const { return m_where; }

private:
    std::source_location m_where;
};

// The function protocol. A function that can fail opens a scope with its own qualified name,
// runs its body inside it, and leaves; the scope hands the outcome to the caller through
// FunStatContext on every way out:
//
//     void TMainForm::HelpLabelClick() {
//         TStatusScope scope("TMainForm::HelpLabelClick");
//         scope.Run([&] {
//             if (!Open(file)) scope.Raise("Failed to open file.", file, {}, errno);
//             LoadSomething();                // follows the protocol too
//             scope.AdoptCalleeFailure();     // its failure becomes ours, unchanged
//             ...
//         });
//         scope.ShowFailure("Failed to show help.");   // only for functions that end a user action
//     }
//
// Raise and AdoptCalleeFailure skip the rest of the body. Any exception that leaves the body is
// recorded as "Unhandled exception: " + message (or "Unhandled generic exception.").
// The name a scope reports and keeps for its whole life: only a string literal converts to it, so
// no name can be a temporary that is gone before the scope.
class TFunctionName {
public:
    template <size_t N>
    consteval TFunctionName(const char (&name)[N]) : m_name(name, N - 1) {}
    constexpr std::string_view View() const { return m_name; }

private:
    std::string_view m_name;
};

class TStatusScope {
public:
    explicit TStatusScope(TFunctionName function,
                          std::source_location where = std::source_location::current());
    ~TStatusScope();

    TStatusScope(const TStatusScope&) = delete;
    TStatusScope& operator=(const TStatusScope&) = delete;

    template <class Body>
    void Run(Body&& body, std::source_location boundary = std::source_location::current()) {
        try {
            std::forward<Body>(body)();
        } catch (const SkipRest&) {
        } catch (...) {
            RecordException(std::current_exception(), boundary);
        }
    }

    // Records a failure of this function and skips the rest of the body. Only inside Run.
    [[noreturn]] void Raise(std::string_view description, std::string_view parameter1 = {},
                            std::string_view parameter2 = {}, int32_t systemErrorCode = 0,
                            std::source_location where = std::source_location::current());

    // Records a warning: the caller learns of it, but it is no failure and the body goes on.
    void Warn(std::string_view description, std::string_view parameter1 = {},
              std::string_view parameter2 = {}, int32_t systemErrorCode = 0,
              std::source_location where = std::source_location::current());

    // After a call to a function that follows the protocol: when it failed, its raise context
    // becomes this function's outcome and the rest of the body is skipped. Only inside Run.
    void AdoptCalleeFailure();

    // After a call to a function whose failure does not end this one's work: the first such
    // failure becomes this function's outcome, and the body goes on.
    void KeepCalleeFailure();

    // Runs block when this function has failed, typically to put its outputs back to their
    // defaults. Whatever the block does, the failure stays.
    template <class Block>
    void OnFailure(Block&& block) {
        if (!Failed()) return;
        const TFunStatContext kept = m_local;
        Run(std::forward<Block>(block));
        if (m_local.Status < fsError) m_local = kept;
    }

    // For functions that end a user action: shows a failure in the error window with the
    // function's own description, then clears it so that no caller reports it again. Work that
    // was given up (ECANCELED) is cleared without a word.
    void ShowFailure(std::string_view description,
                     std::source_location where = std::source_location::current());

    bool Failed() const { return m_local.Failed(); }
    const TFunStatContext& Context() const { return m_local; }

private:
    struct SkipRest {};

    void RecordException(std::exception_ptr exception, const std::source_location& boundary);

    std::string_view m_function;
    std::string_view m_file;
    TFunStatContext m_local;
};
