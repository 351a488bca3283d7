// The real Qt dialogs behind the dialog seam, answered by a timer that acts
// as the user on the dialog once it is up.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <functional>

#include "toolkit/dialogs.h"
#include "toolkit/toolkit.h"

using namespace pixmold;

namespace {

// Runs `act` on the modal dialog of type D as soon as it shows.
template <typename D>
void when_shown(std::function<void(D*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            act(dialog);
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(10, *poll);
}

TEST(FileDialogs, PatternsBecomeNameFiltersAndTheChosenOneIsReported) {
    ASSERT_TRUE(init_toolkit());
    QStringList filters;
    when_shown<QFileDialog>([&filters](QFileDialog* d) {
        filters = d->nameFilters();
        d->selectNameFilter(filters.value(1));
        d->selectFile("/tmp/picked");
        static_cast<QDialog*>(d)->accept();
    });
    int chosen = -1;
    const std::string path =
        save_file_dialog("Save picture", "FX_beach", "Images (*.jpg)|*.jpg|Images (*.png)|*.png", chosen);
    EXPECT_EQ(filters, (QStringList{"Images (*.jpg)", "Images (*.png)"}));
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(path, "/tmp/picked");
}

TEST(FileDialogs, OpenDialogListsEveryPatternOfALabel) {
    ASSERT_TRUE(init_toolkit());
    QStringList filters;
    when_shown<QFileDialog>([&filters](QFileDialog* d) {
        filters = d->nameFilters();
        d->reject();
    });
    EXPECT_EQ(open_file_dialog("Charger une image", "", "Fichier Image|*.jpg;*.png;*.bmp;*.tiff"), "");
    EXPECT_EQ(filters, (QStringList{"Fichier Image (*.jpg *.png *.bmp *.tiff)"}));
}

TEST(ColourDialog, ChosenColourComesBackRedInTheLowByte) {
    ASSERT_TRUE(init_toolkit());
    when_shown<QColorDialog>([](QColorDialog* d) {
        d->setCurrentColor(QColor(10, 20, 30));
        d->accept();
    });
    EXPECT_EQ(colour_dialog(0), 10 | 20 << 8 | 30 << 16);
    when_shown<QColorDialog>([](QColorDialog* d) { d->reject(); });
    EXPECT_EQ(colour_dialog(0), -1);
}

}  // namespace

// The toolkit's own button words follow the program's language, not the
// system's: a French window asks Oui/Non.
TEST(MessageBoxes, ButtonsSpeakTheProgramsLanguage) {
    ASSERT_TRUE(init_toolkit());
    const auto buttons_of_a_question = [] {
        QStringList words;
        when_shown<QMessageBox>([&words](QMessageBox* box) {
            words = {box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text()};
            box->button(QMessageBox::No)->click();
        });
        EXPECT_EQ(message_box("Pixmold", "?", MB_YES_NO | MB_ICON_QUESTION), ANSWER_NO);
        return words;
    };
    ASSERT_TRUE(use_dialog_language("fr"));
    EXPECT_EQ(buttons_of_a_question(), (QStringList{"&Oui", "&Non"}));
    ASSERT_TRUE(use_dialog_language("en"));
    EXPECT_EQ(buttons_of_a_question(), (QStringList{"&Yes", "&No"}));
    EXPECT_FALSE(use_dialog_language("xx"));
}

namespace {

QWidget* top_level_titled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title) return w;
    return nullptr;
}

// Whichever window is active when a dialog opens (none, in the moment after
// another dialog closed; another program's), every kind of dialog belongs to
// the program's window, which stays on top: the window manager then keeps
// the dialog above it rather than behind.
TEST(Dialogs, EveryKindBelongsToTheProgramsWindow) {
    ASSERT_TRUE(init_toolkit());
    ASSERT_TRUE(open_window(0, 10, 10, 280, 580, "Owner", WINDOW_SYSTEM_MENU));
    set_topmost(0, true);
    QWidget* owner = top_level_titled("Owner");
    ASSERT_NE(owner, nullptr);
    QWidget stranger;  // another program's window
    stranger.setWindowTitle("Stranger");

    struct Kind {
        const char* name;
        std::function<void()> open;
    };
    const Kind kinds[] = {
        {"input", [] { input_dialog("Choice of Prefix", "Type the prefixe", "prefix_"); }},
        {"question", [] { message_box("No prefix", "Overwrite?", MB_YES_NO | MB_ICON_WARNING); }},
        {"notice", [] { notice("Info", "You have to restart Pixmold"); }},
        {"open file", [] { open_file_dialog("Load picture", "", "Pictures|*.jpg;*.png"); }},
        {"save file", [] {
             int pattern = 0;
             save_file_dialog("Save picture", "FX_a", "JPEG|*.jpg|PNG|*.png", pattern);
         }},
        {"colour", [] { colour_dialog(0xFFFFFF); }},
    };
    for (const bool stranger_active : {false, true}) {
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(std::string(kind.name) + (stranger_active ? ", another window active" : ", none active"));
            QApplication::processEvents();
            if (stranger_active) {
                stranger.show();
                QApplication::setActiveWindow(&stranger);
            } else {
                stranger.hide();
                QApplication::setActiveWindow(nullptr);
            }
            QWidget* parent = nullptr;
            QWindow* transient_parent = nullptr;
            when_shown<QDialog>([&](QDialog* d) {
                parent = d->parentWidget();
                transient_parent = d->windowHandle() ? d->windowHandle()->transientParent() : nullptr;
                d->done(QDialog::Rejected);
            });
            kind.open();
            EXPECT_EQ(parent, owner);
            EXPECT_NE(transient_parent, nullptr);
            EXPECT_EQ(transient_parent, owner->windowHandle());
        }
    }
    close_window(0);
}

}  // namespace
