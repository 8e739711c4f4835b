// The message box and its headless default.
#include "platform/ui/message_box.h"

#include <iostream>
#include <mutex>

namespace zarix {
namespace {

struct MessageBoxState {
    std::mutex Lock;
    TMessageBoxHandler Handler;
    std::vector<TMessageBoxRequest> Shown;
};

MessageBoxState& State() {
    static MessageBoxState state;
    return state;
}

int HeadlessMessageBox(const TMessageBoxRequest& request) {
    std::cerr << (request.Caption.empty() ? std::string() : "[" + request.Caption + "] ") << request.Text << '\n';
    return request.Buttons == MB_YESNO ? mrYes : mrOk;
}

}  // namespace

int MessageBox(const std::string& Text, const std::string& Caption, int Buttons) {
    TMessageBoxRequest request{Text, Caption, Buttons};
    TMessageBoxHandler handler;
    {
        MessageBoxState& s = State();
        std::lock_guard guard(s.Lock);
        s.Shown.push_back(request);
        handler = s.Handler;
    }
    return handler ? handler(request) : HeadlessMessageBox(request);
}

void ShowMessage(const std::string& Text) { MessageBox(Text); }

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler Handler) {
    MessageBoxState& s = State();
    std::lock_guard guard(s.Lock);
    std::swap(s.Handler, Handler);
    return Handler;
}

std::vector<TMessageBoxRequest> ShownMessages() {
    MessageBoxState& s = State();
    std::lock_guard guard(s.Lock);
    return s.Shown;
}

void ClearShownMessages() {
    MessageBoxState& s = State();
    std::lock_guard guard(s.Lock);
    s.Shown.clear();
}

}  // namespace zarix
