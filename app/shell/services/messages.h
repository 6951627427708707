// The numbered standard messages, and the one message service through which
// every message box of the program goes. The window program shows a real box;
// tests give scripted answers and read what was shown.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace zv::services {

enum class Button { Ok, Cancel, Yes, No, Retry, Abort, Ignore };
enum class Icon { None, Information, Question, Exclamation, Hand };

// The buttons a box offers, in order; the first is the default.
using Buttons = std::vector<Button>;

struct Message {
    std::string title; // Windows-1250
    std::string text;  // Windows-1250; "\n" breaks a line
    Icon icon = Icon::Exclamation;
    Buttons buttons{Button::Ok};
};

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows the message and returns the button pressed.
    virtual Button show(const Message& message) = 0;
};

// The error that caused a message: saved at each failure so a later message shows
// it even after other calls.
struct SavedError {
    int code = 0;
    std::string text;
    int driverCode = 0;
    std::string driverText;
};

// "error" as messages show it: the saved text and its number in parentheses; for
// 90 the driver's own text and number.
std::string errorForMessage(const SavedError& error);

// The standard message number n (1-38) with up to two names (a file or key, an
// operation or cause); the saved error fills the "error" pieces. Message 29 takes
// "End" or "Beginning" as its first name.
Message standardMessage(int n, std::string_view name1, std::string_view name2,
                        const SavedError& error);

// A message service with scripted answers, for tests: each show() records the
// message and answers the next scripted button (or the message's default).
class ScriptedMessages : public MessageService {
public:
    void answer(Button b) { answers_.push_back(b); }
    Button show(const Message& message) override;
    const std::vector<Message>& shown() const { return shown_; }
    void clear() { shown_.clear(); }

private:
    std::deque<Button> answers_;
    std::vector<Message> shown_;
};

} // namespace zv::services
