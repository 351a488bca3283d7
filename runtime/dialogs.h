// Modal dialogs. They all pass through one seam: when a responder is
// installed (tests do this), it answers instead of a real dialog, so flows
// with dialogs run headless.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pixmold {

// message_box flags and results (the Windows values).
inline constexpr int MB_OK_ONLY = 0;
inline constexpr int MB_YES_NO = 4;
inline constexpr int MB_ICON_ERROR = 0x10;
inline constexpr int MB_ICON_QUESTION = 0x20;
inline constexpr int MB_ICON_WARNING = 0x30;
inline constexpr int MB_ICON_INFORMATION = 0x40;
inline constexpr int ANSWER_OK = 1;
inline constexpr int ANSWER_YES = 6;
inline constexpr int ANSWER_NO = 7;

// The text answer, or "" when cancelled.
std::string input_dialog(const std::string& title, const std::string& prompt, const std::string& default_answer);
// ANSWER_YES / ANSWER_NO with MB_YES_NO, else ANSWER_OK.
int message_box(const std::string& title, const std::string& text, int flags);
// A notice with one OK button.
void notice(const std::string& title, const std::string& text);
// `patterns`: "Name|*.jpg;*.jpeg|Other|*.png" (name and pattern list pairs).
// The chosen path, or "" when cancelled.
std::string open_file_dialog(const std::string& title, const std::string& default_path, const std::string& patterns);
// As open_file_dialog; `chosen_pattern` receives the index of the pattern
// pair the user chose (0 for the first).
std::string save_file_dialog(const std::string& title, const std::string& default_path, const std::string& patterns,
                             int& chosen_pattern);
// A folder (existing ones only, new ones may be made in the dialog), or ""
// when cancelled.
std::string folder_dialog(const std::string& title, const std::string& default_path);
// 0x00BBGGRR, or -1 when cancelled.
std::int32_t colour_dialog(std::int32_t initial);

// The toolkit's own words in these dialogs (Yes, No, Cancel, the file
// dialog's labels) in the program's language rather than the system's:
// `language` is "fr" or "en". False when no translation is installed for it;
// English needs none.
bool use_dialog_language(const std::string& language);

// ---- the seam ----------------------------------------------------------------

enum class DialogKind { Input, MessageBox, Notice, OpenFile, SaveFile, Colour, Folder };

struct DialogRequest {
    DialogKind kind;
    std::string title;
    std::string text;            // prompt or message
    std::string default_answer;  // input default or default path
    std::string patterns;
    int flags = 0;
    std::int32_t colour = 0;
};

struct DialogAnswer {
    std::string text;    // input text or chosen path ("" = cancelled)
    int code = 0;        // message box result
    int pattern = 0;     // chosen pattern index
    std::int32_t colour = -1;
};

using DialogResponder = std::function<DialogAnswer(const DialogRequest&)>;
// Installs (or, with an empty function, removes) the responder.
void set_dialog_responder(DialogResponder responder);

// Answers dialogs from a queue and records every request, for tests.
// An empty queue answers "cancelled" (and No for Yes/No boxes).
class ScriptedDialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs();
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    void answer_text(const std::string& text);
    void answer_code(int code);
    void answer_file(const std::string& path, int pattern = 0);  // also a folder dialog's answer
    void answer_colour(std::int32_t colour);
    const std::vector<DialogRequest>& requests() const { return requests_; }
    std::size_t unused_answers() const { return answers_.size(); }

private:
    std::deque<DialogAnswer> answers_;
    std::vector<DialogRequest> requests_;
};

}  // namespace pixmold
