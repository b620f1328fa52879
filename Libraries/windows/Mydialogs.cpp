#include "Mydialogs.h"

#include "InputDialog.h"

int ShowMessageBox(std::string_view caption, std::string_view text, unsigned flags) {
    const int answer = MessageBoxService::Instance().Show(caption, text, flags | MB_TASKMODAL);
    if (answer == 0) BeepWarning();
    switch (answer) {
        case IDOK:
        case IDYES:
            return 1;
        case IDNO:
            return IDNO;
        default:
            return 2;
    }
}

void ShowInfo(std::string_view text) {
    ShowMessageBox("Message", text, MB_ICONINFORMATION);
}

void ShowWarning(std::string_view text) {
    ShowMessageBox("Warning", text, MB_ICONEXCLAMATION);
}

void ShowError(std::string_view text) {
    ShowMessageBox("Error", text, MB_ICONHAND);
}

bool AskQuestion(std::string_view text) {
    return ShowMessageBox("Query", text, MB_YESNO | MB_ICONQUESTION) == 1;
}

std::string InputBox(std::string_view caption, std::string_view prompt, std::string_view text) {
    std::string initial(text);
    return InputDialog::Instance()
        .Ask(std::string(caption), std::string(prompt), initial)
        .value_or(initial);
}

void BeepDefault() {
    MessageBoxService::Instance().Beep(BeepSound::Default);
}

void BeepWarning() {
    MessageBoxService::Instance().Beep(BeepSound::Warning);
}
