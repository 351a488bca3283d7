#include "runtime/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <memory>

#include "runtime/toolkit_internal.h"

namespace pixmold {
namespace {

DialogResponder& responder() {
    static DialogResponder r;
    return r;
}

// The window a dialog belongs to, which the window manager keeps it above.
// Not simply the active window: there is none in the moment after another
// dialog closed (the focus has not come back yet) or while another program
// has the focus, and a dialog of nobody's opens behind a window that stays
// on top, so the program looks frozen. The modal dialog on screen, else the
// program's active window, else its first visible one.
QWidget* dialog_parent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    QWidget* active = QApplication::activeWindow();
    if (active && detail::window_number_of(active) >= 0) return active;
    for (const auto& entry : detail::state().windows)
        if (entry.second.window && entry.second.window->isVisible()) return entry.second.window;
    return active;
}

// "Name|*.a;*.b|Other|*.c" -> {"Name (*.a *.b)", "Other (*.c)"}; a name that
// already ends with its patterns in brackets ("Images (*.jpg)|*.jpg") is kept.
QStringList qt_filters(const std::string& patterns) {
    QStringList parts = QString::fromStdString(patterns).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString globs = parts[i + 1];
        globs.replace(';', ' ');
        const QString shown = " (" + globs + ")";
        filters << (parts[i].endsWith(shown) ? parts[i] : parts[i] + shown);
    }
    return filters;
}

std::string file_dialog(bool save, const std::string& title, const std::string& default_path,
                        const std::string& patterns, int& chosen) {
    QStringList filters = qt_filters(patterns);
    QString selected = filters.value(0);
    QString caption = QString::fromStdString(title);
    QString start = QString::fromStdString(default_path);
    QString filter = filters.join(";;");
    // Qt's own dialog: a desktop's native one may ignore its owner (and
    // speaks the system's language, not the program's).
    const auto options = QFileDialog::DontUseNativeDialog;
    QString path = save ? QFileDialog::getSaveFileName(dialog_parent(), caption, start, filter, &selected, options)
                        : QFileDialog::getOpenFileName(dialog_parent(), caption, start, filter, &selected, options);
    chosen = std::max<qsizetype>(0, filters.indexOf(selected));
    return path.toStdString();
}

}  // namespace

bool use_dialog_language(const std::string& language) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language == "en") return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString::fromStdString("qtbase_" + language),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

void set_dialog_responder(DialogResponder r) { responder() = std::move(r); }

std::string input_dialog(const std::string& title, const std::string& prompt, const std::string& default_answer) {
    if (responder()) return responder()({DialogKind::Input, title, prompt, default_answer, {}, 0, 0}).text;
    bool ok = false;
    QString answer = QInputDialog::getText(dialog_parent(), QString::fromStdString(title),
                                           QString::fromStdString(prompt), QLineEdit::Normal,
                                           QString::fromStdString(default_answer), &ok);
    return ok ? answer.toStdString() : std::string();
}

int message_box(const std::string& title, const std::string& text, int flags) {
    const bool yes_no = (flags & 0xF) == MB_YES_NO;
    if (responder()) {
        int code = responder()({DialogKind::MessageBox, title, text, {}, {}, flags, 0}).code;
        if (yes_no) return code == ANSWER_YES ? ANSWER_YES : ANSWER_NO;
        return ANSWER_OK;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
    case MB_ICON_ERROR: icon = QMessageBox::Critical; break;
    case MB_ICON_QUESTION: icon = QMessageBox::Question; break;
    case MB_ICON_WARNING: icon = QMessageBox::Warning; break;
    case MB_ICON_INFORMATION: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                    yes_no ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, dialog_parent());
    int result = box.exec();
    if (yes_no) return result == QMessageBox::Yes ? ANSWER_YES : ANSWER_NO;
    return ANSWER_OK;
}

void notice(const std::string& title, const std::string& text) {
    if (responder()) {
        responder()({DialogKind::Notice, title, text, {}, {}, 0, 0});
        return;
    }
    QMessageBox::information(dialog_parent(), QString::fromStdString(title), QString::fromStdString(text));
}

std::string open_file_dialog(const std::string& title, const std::string& default_path, const std::string& patterns) {
    if (responder()) return responder()({DialogKind::OpenFile, title, {}, default_path, patterns, 0, 0}).text;
    int chosen = 0;
    return file_dialog(false, title, default_path, patterns, chosen);
}

std::string save_file_dialog(const std::string& title, const std::string& default_path, const std::string& patterns,
                             int& chosen_pattern) {
    if (responder()) {
        DialogAnswer answer = responder()({DialogKind::SaveFile, title, {}, default_path, patterns, 0, 0});
        chosen_pattern = answer.pattern;
        return answer.text;
    }
    return file_dialog(true, title, default_path, patterns, chosen_pattern);
}

std::string folder_dialog(const std::string& title, const std::string& default_path) {
    if (responder()) return responder()({DialogKind::Folder, title, {}, default_path, {}, 0, 0}).text;
    const auto options = QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog;
    return QFileDialog::getExistingDirectory(dialog_parent(), QString::fromStdString(title),
                                             QString::fromStdString(default_path), options)
        .toStdString();
}

std::int32_t colour_dialog(std::int32_t initial) {
    if (responder()) return responder()({DialogKind::Colour, {}, {}, {}, {}, 0, initial}).colour;
    auto c = std::uint32_t(initial);
    QColor chosen = QColorDialog::getColor(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)),
                                           dialog_parent(), QString(), QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return -1;
    return std::int32_t(std::uint32_t(chosen.red()) | (std::uint32_t(chosen.green()) << 8) |
                        (std::uint32_t(chosen.blue()) << 16));
}

ScriptedDialogs::ScriptedDialogs() {
    set_dialog_responder([this](const DialogRequest& request) {
        requests_.push_back(request);
        if (answers_.empty()) return DialogAnswer{};
        DialogAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

ScriptedDialogs::~ScriptedDialogs() { set_dialog_responder({}); }

void ScriptedDialogs::answer_text(const std::string& text) { answers_.push_back({text, 0, 0, -1}); }
void ScriptedDialogs::answer_code(int code) { answers_.push_back({{}, code, 0, -1}); }
void ScriptedDialogs::answer_file(const std::string& path, int pattern) { answers_.push_back({path, 0, pattern, -1}); }
void ScriptedDialogs::answer_colour(std::int32_t colour) { answers_.push_back({{}, 0, 0, colour}); }

}  // namespace pixmold
