// The widget toolkit as the program sees it: windows, widgets, menus, fonts
// and pictures addressed by small numbers the program chooses, and one
// blocking event queue read on the user-interface thread.
//
// Everything here must be called on the user-interface thread (the thread
// that called init_toolkit), except where a function says otherwise: texts,
// visibility and enabling may be changed from any thread; such calls are
// handed to the user-interface thread and take effect there shortly after.
//
// Texts are UTF-8. Colours are 0x00BBGGRR (red in the low byte). Positions
// are pixels. Numbers are chosen by the caller; creating something under a
// number that is in use replaces the old one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"

namespace pixmold {

// ---- start and end -------------------------------------------------------

// Starts the toolkit (idempotent). False when no display can be opened.
bool init_toolkit();
// The same with the program's command line: the toolkit takes out the
// options it knows (-platform, -display, -style ...), lowering argc, and
// leaves the program's own arguments in argv[1] to argv[argc - 1]. Both must
// live as long as the toolkit.
bool init_toolkit(int& argc, char** argv);
// Closes every window and releases every toolkit resource.
void shutdown_toolkit();
bool toolkit_running();

// ---- events --------------------------------------------------------------

// FilesHandedOver: a later start of the program handed over the files it was
// started with (event_dropped_files; empty when it was started without any).
enum class EventKind { None = 0, DropOnWindow, DropOnWidget, MenuCommand, WidgetEvent, CloseRequest, FilesHandedOver };

enum class SubKind {
    None = 0,
    PointerEnter,
    PointerLeave,
    PointerMove,
    LeftButtonDown,
    LeftButtonUp,
    RightButtonDown,
    FocusGained,
    Clicked,      // push button pressed
    TextChanged,  // field text changed (by the user or by set_text)
    Selected,     // drop-down list choice made by the user
};

// Runs the toolkit until an event for the program is queued and returns it.
// With a timeout (milliseconds >= 0) returns EventKind::None when nothing
// came in time.
EventKind wait_event(int timeout_ms = -1);
// Details of the event wait_event returned last.
int event_window();
int event_widget();
int event_command();
SubKind event_subkind();
// Pointer position within the canvas at the time of the event.
int event_x();
int event_y();
// After a drop: the local paths, joined by "\n", no separator after the last.
std::string event_dropped_files();

// Queues a CloseRequest for `window`. Async-signal-safe: may be called from
// a signal handler or any thread.
void post_close_request(int window);

// ---- windows -------------------------------------------------------------

inline constexpr int WINDOW_SYSTEM_MENU = 1;     // caption with a close box
inline constexpr int WINDOW_MINIMIZE_BOX = 2;
inline constexpr int WINDOW_SCREEN_CENTERED = 4; // x and y are ignored
inline constexpr int WINDOW_RESIZABLE = 8;
inline constexpr int WINDOW_HIDDEN = 16;         // created invisible; show_window shows it

// "Leave this coordinate as it is" for the move and resize functions.
inline constexpr int KEEP = INT32_MIN;

// Opens a top-level window whose inner area (below the menu bar, if any) is
// width x height. Files dropped on it arrive as DropOnWindow once
// enable_window_drops was called. Returns false on failure.
bool open_window(int number, int x, int y, int width, int height, const std::string& title, int flags);
void close_window(int number);
bool window_exists(int number);
void show_window(int number, bool visible);
void set_window_title(int number, const std::string& title);
void set_window_colour(int number, std::int32_t colour);
// The window's own icon (an engine picture; 0 removes it).
void set_window_icon(int number, ImageHandle picture);
void set_topmost(int number, bool on);
// Shows the window again if it was minimised, raises it above the others and
// asks for the keyboard focus for it (and for a modal dialog open over it).
// A window manager that refuses the focus is asked to mark it as wanting
// attention instead.
void bring_window_forward(int number);
bool window_topmost(int number);
bool window_visible(int number);
// Outer position, inner size; KEEP leaves a value unchanged.
void move_resize_window(int number, int x, int y, int inner_width, int inner_height);
int window_x(int number);
int window_y(int number);
int window_width(int number);   // inner width
int window_height(int number);  // inner height
int menu_bar_height(int number);
void enable_window_drops(int number, bool on);
// Fades the window's opacity from 1 to 0 over `milliseconds` where the
// platform can show it; the window is hidden at the end.
void fade_out_window(int number, int milliseconds);

// ---- widgets -------------------------------------------------------------

// Where a new widget goes: the inner area of a window, or a container widget.
struct Parent {
    bool container = false;
    int number = 0;
};
inline Parent in_window(int number) { return {false, number}; }
inline Parent in_container(int number) { return {true, number}; }

inline constexpr int FIELD_READ_ONLY = 1;
inline constexpr int FIELD_DIGITS_ONLY = 2;
inline constexpr int FIELD_CENTRED = 4;
inline constexpr int LABEL_CENTRED = 1;
inline constexpr int LABEL_RIGHT = 2;

// Canvas: a 24-bit picture the program draws into, with pointer events
// (PointerEnter/Leave/Move, Left/RightButton..., FocusGained).
bool create_canvas(Parent parent, int number, int x, int y, int width, int height);
bool create_button(Parent parent, int number, int x, int y, int width, int height, const std::string& text);
bool create_label(Parent parent, int number, int x, int y, int width, int height, const std::string& text,
                  int flags = 0);
// Single-line field; TextChanged on every change of its text.
bool create_field(Parent parent, int number, int x, int y, int width, int height, const std::string& text,
                  int flags = 0);
// Read-only multi-line text ("\n", "\r\n" and "\r" all break lines).
bool create_rich_text(Parent parent, int number, int x, int y, int width, int height);
// Drop-down list; Selected when the user picks a row.
bool create_list(Parent parent, int number, int x, int y, int width, int height);
bool create_frame(Parent parent, int number, int x, int y, int width, int height, const std::string& title = {});
// Shows an engine picture (0: nothing), at its own size.
bool create_picture(Parent parent, int number, int x, int y, int width, int height, ImageHandle picture);
// Holds other widgets (see in_container).
bool create_container(Parent parent, int number, int x, int y, int width, int height);

bool widget_exists(int number);
void free_widget(int number);

// May be called from any thread.
void set_text(int number, const std::string& text);
void show_widget(int number, bool visible);
void enable_widget(int number, bool enabled);

// User-interface thread only. For a list: the text of the chosen row.
std::string get_text(int number);
bool widget_visible(int number);
int widget_x(int number);
int widget_y(int number);
int widget_width(int number);
int widget_height(int number);
void resize_widget(int number, int x, int y, int width, int height);  // KEEP leaves a value
void set_widget_colours(int number, std::int32_t text_colour, std::int32_t background_colour);  // -1 leaves one
void set_picture(int number, ImageHandle picture);
void set_focus(int number);

// Balloon tooltip: bold title line, then the text, at most 180 pixels wide.
void set_tooltip(int number, const std::string& title, const std::string& text);
std::string tooltip_text(int number);  // as shown (rich text), for checks

// Drop-down lists.
void list_add_item(int number, const std::string& text);
void list_clear(int number);
int list_count(int number);
int list_get_selected(int number);  // -1 when nothing is chosen
void list_set_selected(int number, int position);

// Files dropped on this widget arrive as DropOnWidget.
void enable_widget_drops(int number, bool on);

// ---- canvas --------------------------------------------------------------

// Busy: the arrow with the sign of work under way, which the pointer still moves and clicks with.
enum class PointerShape { Arrow, Cross, Hand, Forbidden, Busy };
void set_pointer_shape(int canvas, PointerShape shape);
PointerShape pointer_shape(int canvas);
void set_widget_data(int number, std::intptr_t value);
std::intptr_t widget_data(int number);
// The canvas takes the keyboard focus (by click or Tab) and shows a focus
// rectangle while it has it. Every canvas keeps the pointer while a button
// is held: moves and the release outside it still come to it.
void set_canvas_focus_frame(int canvas, bool on);

// Direct access to the canvas picture in the engine layout (24-bit, rows
// bottom-up, stride a multiple of 4). Valid until the canvas is resized or
// freed; call canvas_changed after drawing so it is shown.
PixelView canvas_pixels(int canvas);
void canvas_changed(int canvas);

// ---- keyboard and screen readers -------------------------------------------

// What a canvas is as a control, for the keyboard and for screen readers.
enum class ControlKind {
    Button,        // each part is a button and a Tab stop of its own
    ToggleButton,  // one part, pressed in (value 1) or not (0)
    Expander,      // one part that shows (value 1) or hides (0) more of the window
    CheckBox,      // one part, checked (value 1) or not (0)
    Choice,        // one Tab stop; the parts are exclusive choices, the value the chosen one
    Slider,        // one Tab stop; the parts are the positions, the value the chosen one
    Picture,       // one Tab stop that shows something; no key acts on it
};

struct ControlPart {
    int x = 0, y = 0, width = 0, height = 0;  // where the part is: the focus mark frames it
    int press_x = 0, press_y = 0;             // where a key presses it
    std::string name;                          // a Button's or a Choice's part, read by a screen reader
};

// Makes a canvas a control that Tab stops at. While it has the focus and
// the keyboard has moved the focus in its window (as with Qt's own buttons;
// a pointer click alone shows nothing), a focus mark frames its focused
// part: a Button's part reached by Tab or the arrow keys, a Choice's or a
// Slider's chosen part, the only part of the others. The mark is drawn on
// the screen only; the canvas picture stays as the program drew it, and
// nothing changes while the canvas has no focus.
// A key presses a part as a left click at its press point does: the canvas
// reports LeftButtonDown, then LeftButtonUp, so the same handlers run.
//  - Space and Return press the focused part; on a Choice, the choice after
//    the chosen one (after the last, the first).
//  - The arrow keys press the part before or after the chosen one of a
//    Choice or a Slider (Right and Up raise a Slider), Home and End the first
//    and the last; on a Button of several parts they move the focus between
//    its parts, as Tab and Shift+Tab do.
// A screen reader reads the canvas as `kind` with `name` and `description`,
// and the parts of a Button or a Choice as buttons or choices of their own.
void set_canvas_control(int canvas, ControlKind kind, const std::string& name, std::vector<ControlPart> parts,
                        const std::string& description = {});
// The state a screen reader reads and the focus mark follows: the chosen
// part, or 1 / 0. Keys never change it; the program sets it as it redraws.
void set_control_value(int canvas, int value);
int control_value(int canvas);
// A part that does nothing now is read as unavailable (it keeps its Tab stop).
void set_control_part_enabled(int canvas, int part, bool enabled);

// The name and description a screen reader reads for any widget, in place
// of what it would take from its text or its tooltip.
void set_accessible_name(int number, const std::string& name, const std::string& description = {});
// A push button read as one of exclusive choices, chosen or not.
void set_button_chosen(int number, bool chosen);
// Tab visits these widgets in this order, Shift+Tab in the other; hidden
// and disabled ones are passed over.
void set_tab_order(const std::vector<int>& numbers);
// A row of a drop-down list that heads a group: the arrow keys pass over it.
void list_set_header(int number, int position);

// ---- fonts ---------------------------------------------------------------

inline constexpr int FONT_BOLD = 1;
inline constexpr int FONT_ITALIC = 2;
inline constexpr int FONT_HIGH_QUALITY = 4;
inline constexpr int DEFAULT_FONT = -1;

// Pixel height = points x logical dpi / 72, as the system converts points.
bool load_font(int number, const std::string& face, double points, int flags);
bool font_exists(int number);
// widget DEFAULT_FONT: the font of widgets created from now on. font
// DEFAULT_FONT: the toolkit's own default.
void set_font(int widget, int font);
// Width and height of `text` drawn in a font (DEFAULT_FONT: the default).
int text_width(int font, const std::string& text);
int text_height(int font);
// The face the system actually uses for a font number (for checks).
std::string font_face(int font);
int font_pixel_size(int font);

// ---- menus and keys --------------------------------------------------------

// Gives the window a menu bar (replacing any); following titles and items go
// into it. Item text after a tab is shown as the key hint.
bool create_menu_bar(int window);
void add_menu_title(const std::string& text);
// icon: an engine picture handle or 0.
void add_menu_item(int command, const std::string& text, ImageHandle icon = 0);
// An item with a check mark: choosing it flips the mark, then sends the command.
void add_menu_check_item(int command, const std::string& text, bool checked);
void add_menu_separator();
void set_menu_item_checked(int window, int command, bool checked);
bool menu_item_checked(int window, int command);
void set_menu_item_text(int window, int command, const std::string& text);
std::string menu_item_text(int window, int command);
// Runs a menu item as if the user chose it (MenuCommand is queued).
void trigger_menu_item(int window, int command);

// Keys are Windows-style virtual key codes: 'A'..'Z', '0'..'9', KEY_RETURN ...
inline constexpr int KEY_TAB = 9;
inline constexpr int KEY_RETURN = 13;
inline constexpr int KEY_ESCAPE = 27;
inline constexpr int KEY_SPACE = 32;
inline constexpr int KEY_END = 35;
inline constexpr int KEY_HOME = 36;
inline constexpr int KEY_LEFT = 37;
inline constexpr int KEY_UP = 38;
inline constexpr int KEY_RIGHT = 39;
inline constexpr int KEY_DOWN = 40;
inline constexpr int KEY_DELETE = 46;
// A plain key (no modifier) pressed anywhere in the window arrives as
// MenuCommand `command`; the focused widget never sees it.
void add_shortcut(int window, int key, int command);
void remove_shortcut(int window, int key);

// ---- desktop and system ----------------------------------------------------

int desktop_width();
int desktop_height();
// Usable area of the primary screen (without panels and task bars).
int desktop_available_x();
int desktop_available_y();
int desktop_available_width();
int desktop_available_height();
int screen_dpi_x();  // logical dots per inch
int screen_dpi_y();
// Operating-system version code (110 on this platform).
int os_version();
// Registers a font file for this process; false when it cannot be read.
bool register_font_file(const std::string& path);

}  // namespace pixmold
