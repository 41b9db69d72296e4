#pragma once
// The message box: a modal movie with an icon frame, one to three buttons and a title. Its answer
// is not returned but lands in the answer flag of the question's title, because the box recognises
// a pressed button only by the title text and the button label it reports.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/stage/stage.h"
#include "app/texts/language.h"

namespace app {

// Icon frames of the box.
namespace sign {
constexpr int Notice = 0, Completion = 2, Warning = 3;
}

// Button sets: 1 = msg18; 2 = msg20 / msg21; 3 = msg20 / msg21 / msg19; the save question's
// 7 = msg741 / msg743 / msg19 ("Save", "Don't save", "Cancel") and 8 = msg742 / msg743 / msg19
// ("Save as...", for settings that have no profile yet); the question before a clean that removes
// what the user may want to keep, 9 = msg837 / msg838 / msg19 ("Clean", "Clean, don't ask
// again", "Cancel"), whose second button also sets the flag "msg838".
namespace buttons {
constexpr int One = 1, YesNo = 2, YesNoOther = 3, SaveDontSaveCancel = 7, SaveAsDontSaveCancel = 8,
              CleanAlwaysCancel = 9;
}

// One flag per question, named by the question's title key ("msg30").
class AnswerFlags {
public:
    bool get(const std::string& title_key) const;
    void set(const std::string& title_key, bool value) { flags_[title_key] = value; }

private:
    std::map<std::string, bool> flags_;
};

class FlashMsgBox {
public:
    FlashMsgBox(Stage& stage, const Language& language);

    // Shows the box modal until one of its buttons is pressed. `message` and `title` are texts
    // already looked up. False when the program ended while the box was open.
    bool ShowMsg(const std::string& message, const std::string& title, int sign, int buttons);

    // A button press reported by the box's movie: command = the shown title, args = the label.
    // A button of the open box that no answer row knows closes it with no answer ("closed"): a
    // box must never stay open for good. A press naming another title or label answers nothing.
    void handle_press(const std::string& command, const std::string& args);

    AnswerFlags& answers() { return answers_; }
    // What the exit-without-saving button ("Don't save" on the save question) does.
    void on_exit_now(std::function<void()> exit_now) { exit_now_ = std::move(exit_now); }

private:
    void set_buttons(int buttons);
    bool is_open_button(const std::string& pressed) const;

    Stage& stage_;
    const Language& language_;
    AnswerFlags answers_;
    std::function<void()> exit_now_;
    bool answered_ = false;
    int open_boxes_ = 0;
    // The innermost open box: its title and the labels of its buttons, upper-cased.
    std::string shown_title_;
    std::vector<std::string> shown_labels_;
};

// The questions and notices every screen asks, by message key.
struct Question {
    std::string message_key;
    std::string title_key;
    int sign = sign::Warning;
    // What the question acts on (a drive), put where the message text says "%1", so that the
    // user reads exactly what a yes will do.
    std::string subject = {};
};

// Asks a yes/no question and returns its answer. The question's flag is cleared first, so an
// earlier "yes" can never stand in for this one.
bool confirm(FlashMsgBox& box, const Language& language, const Question& question);
// A notice with the single button.
void notify(FlashMsgBox& box, const Language& language, const Question& notice);
// The completion notice (msg4 as title and text, completion icon, one button).
void notify_completion(Stage& stage, FlashMsgBox& box, const Language& language);

}  // namespace app
