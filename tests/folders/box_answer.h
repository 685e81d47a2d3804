#pragma once
// Finding Uninstall's message box in any process and pressing its OK button.
#include <string>

// True when a box was found and answered; its text goes to *text.
bool answer_uninstall_box(std::string* text);
