#pragma once

#include "MessageBoxService.h"

#include <string>
#include <string_view>

// Shows a modal message box and answers 1 for OK or Yes, 7 for No and 2 for anything else. A box
// that cannot be shown sounds the warning beep and answers 2.
int ShowMessageBox(std::string_view caption, std::string_view text, unsigned flags);

void ShowInfo(std::string_view text);
void ShowWarning(std::string_view text);
void ShowError(std::string_view text);
// True exactly when the user answers Yes.
bool AskQuestion(std::string_view text);

// Asks for one line of text; a cancelled box answers the text it started with.
std::string InputBox(std::string_view caption, std::string_view prompt, std::string_view text);

void BeepDefault();
void BeepWarning();
