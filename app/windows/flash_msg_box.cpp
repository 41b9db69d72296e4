#include "app/windows/flash_msg_box.h"

#include <algorithm>
#include <utility>

#include "app/texts/fill_in.h"
#include "platform/text/ascii_case.h"

namespace app {

using platform::text::to_upper;

namespace {

enum class Effect { Close, SetFlag, ExitNow };

struct AnswerRow {
    const char* title_key;
    const char* button_key;
    Effect effect;
    bool value = false;
    const char* also_flag = nullptr;  // a second flag the button sets, named by its own label
};

// Tested in this order; the first row whose title and label match acts. Two titles translated
// to the same text therefore answer the earlier row.
constexpr AnswerRow kAnswerTable[] = {
    {"msg4", "msg18", Effect::Close},
    {"msg31", "msg18", Effect::Close},
    {"msg29", "msg18", Effect::Close},
    {"msg91", "msg18", Effect::Close},
    {"msg94", "msg18", Effect::Close},
    {"msg30", "msg20", Effect::SetFlag, true},   {"msg30", "msg21", Effect::SetFlag, false},
    {"msg33", "msg20", Effect::SetFlag, true},   {"msg33", "msg21", Effect::SetFlag, false},
    {"msg32", "msg20", Effect::SetFlag, true},   {"msg32", "msg21", Effect::SetFlag, false},
    {"msg27", "msg20", Effect::SetFlag, true},   {"msg27", "msg21", Effect::SetFlag, false},
    {"msg28", "msg20", Effect::SetFlag, true},   {"msg28", "msg21", Effect::SetFlag, false},
    {"msg29", "msg20", Effect::SetFlag, true},   {"msg29", "msg21", Effect::SetFlag, false},
    {"msg26", "msg741", Effect::SetFlag, true},  {"msg26", "msg742", Effect::SetFlag, true},
    {"msg26", "msg743", Effect::ExitNow},        {"msg26", "msg19", Effect::Close},
    {"msg36", "msg20", Effect::SetFlag, true},   {"msg36", "msg21", Effect::SetFlag, false},
    {"msg36", "msg18", Effect::Close},
    {"msg38", "msg21", Effect::SetFlag, false},  {"msg38", "msg20", Effect::SetFlag, true},
    {"msg729", "msg20", Effect::SetFlag, true},  {"msg729", "msg21", Effect::SetFlag, false},
    {"msg836", "msg837", Effect::SetFlag, true}, {"msg836", "msg838", Effect::SetFlag, true, "msg838"},
    {"msg836", "msg19", Effect::SetFlag, false},
};

struct ButtonLabels {
    int frame;
    const char* left;
    const char* middle;
    const char* right;
};

ButtonLabels labels_for(int buttons) {
    switch (buttons) {
        case buttons::One: return ButtonLabels{0, nullptr, "msg18", nullptr};
        case buttons::YesNo: return ButtonLabels{1, "msg20", nullptr, "msg21"};
        case buttons::YesNoOther: return ButtonLabels{2, "msg20", "msg21", "msg19"};
        case buttons::SaveDontSaveCancel: return ButtonLabels{2, "msg741", "msg743", "msg19"};
        case buttons::SaveAsDontSaveCancel: return ButtonLabels{2, "msg742", "msg743", "msg19"};
        case buttons::CleanAlwaysCancel: return ButtonLabels{2, "msg837", "msg838", "msg19"};
        // A set the box does not know shows the single button, so that it can still be closed.
        default: return ButtonLabels{0, nullptr, "msg18", nullptr};
    }
}

// The message text with its "%1" filled with the question's subject.
std::string message_of(const Language& language, const Question& question) {
    const std::string text = language.text(question.message_key);
    return question.subject.empty() ? text : fill_in(text, {question.subject});
}

}  // namespace

bool AnswerFlags::get(const std::string& title_key) const {
    auto flag = flags_.find(title_key);
    return flag != flags_.end() && flag->second;
}

FlashMsgBox::FlashMsgBox(Stage& stage, const Language& language) : stage_(stage), language_(language) {}

void FlashMsgBox::set_buttons(int buttons) {
    const ButtonLabels labels = labels_for(buttons);
    stage_.goto_frame(kMsgBoxMovie, "NumberOfButtons", labels.frame);
    shown_labels_.clear();
    auto label = [this](const char* variable, const char* key) {
        if (!key) return;
        const std::string text = language_.text(key);
        stage_.set_variable(kMsgBoxMovie, variable, text);
        shown_labels_.push_back(to_upper(text));
    };
    label("_root.Left", labels.left);
    label("_root.Middle", labels.middle);
    label("_root.Right", labels.right);
}

bool FlashMsgBox::is_open_button(const std::string& pressed) const {
    return std::ranges::any_of(shown_labels_, [&](const std::string& label) { return pressed == shown_title_ + label; });
}

bool FlashMsgBox::ShowMsg(const std::string& message, const std::string& title, int sign, int buttons) {
    // The outer box's buttons count again once this one is closed.
    std::string outer_title = std::move(shown_title_);
    std::vector<std::string> outer_labels = std::move(shown_labels_);
    stage_.goto_frame(kMsgBoxMovie, "sign", sign);
    set_buttons(buttons);
    shown_title_ = to_upper(title);
    stage_.set_variable(kMsgBoxMovie, "_root.title1", title);
    stage_.set_variable(kMsgBoxMovie, "_root.message", message);
    // A box inside a box (a notice raised while a question is open) must not answer the outer one.
    bool outer_answered = std::exchange(answered_, false);
    ++open_boxes_;
    bool shown = stage_.show_modal(kMsgBoxMovie, [this] { return answered_; });
    --open_boxes_;
    answered_ = outer_answered;
    shown_title_ = std::move(outer_title);
    shown_labels_ = std::move(outer_labels);
    return shown;
}

void FlashMsgBox::handle_press(const std::string& command, const std::string& args) {
    // A press from a page that still shows a box we closed answers nothing.
    if (open_boxes_ == 0) return;
    auto pressed = to_upper(command + args);
    for (const auto& row : kAnswerTable) {
        if (pressed != to_upper(language_.text(row.title_key) + language_.text(row.button_key))) continue;
        answered_ = true;
        if (row.effect == Effect::SetFlag) answers_.set(row.title_key, row.value);
        if (row.also_flag) answers_.set(row.also_flag, true);
        if (row.effect == Effect::ExitNow && exit_now_) exit_now_();
        return;
    }
    if (is_open_button(pressed)) answered_ = true;
}

bool confirm(FlashMsgBox& box, const Language& language, const Question& question) {
    box.answers().set(question.title_key, false);
    if (!box.ShowMsg(message_of(language, question), language.text(question.title_key), question.sign, buttons::YesNo))
        return false;
    return box.answers().get(question.title_key);
}

void notify(FlashMsgBox& box, const Language& language, const Question& notice) {
    box.ShowMsg(message_of(language, notice), language.text(notice.title_key), notice.sign, buttons::One);
}

void notify_completion(Stage& stage, FlashMsgBox& box, const Language& language) {
    stage.hide_window(kMsgBoxMovie);
    notify(box, language, {"msg4", "msg4", sign::Completion});
}

}  // namespace app
