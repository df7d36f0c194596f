// What the voice code shows the user while it works: plain messages (a box
// with the application title and one OK button in the window, standard error
// in the command-line tool) and the progress window with its gauge.
#pragma once

#include <string>

#include "progress.h"

namespace voice {

class UserFeedback : public effects::Progress {
public:
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void ShowProgressWindow() = 0;
    virtual void HideProgressWindow() = 0;
};

}  // namespace voice
