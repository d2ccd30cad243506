// The windowing runtime: event-driven forms with controls, timers and message boxes.
//
// A form is a single instance that exists at most once. Using a form that does not
// exist yet creates it (and runs its load handler); setting a text or property of a
// control of an uncreated form creates the form hidden. Unloading destroys it: its
// controls and timers return to their design state and its next use creates it afresh.
//
// Everything runs on one thread. A backend gives the forms their native peers (Win32
// windows, or nothing at all in the headless backend used by the unit tests) and
// provides timers, message boxes and the end of the program.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    // The system colour for inactive window borders (light grey in the usual themes).
    bool systemInactiveBorder = false;
    // The system's default window text colour.
    bool systemWindowText = false;

    static constexpr Color rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {r, g, b, false, false}; }
    static constexpr Color inactiveBorder() { return {0, 0, 0, true, false}; }
    static constexpr Color windowText() { return {0, 0, 0, false, true}; }
};

inline constexpr Color kBlack = Color::rgb(0, 0, 0);
inline constexpr Color kWhite = Color::rgb(255, 255, 255);
inline constexpr Color kLightGrey = Color::rgb(192, 192, 192);

struct Font {
    std::wstring face = L"Delicious";  // the backend substitutes a bold face when missing
    double points = 8.25;
    bool bold = true;
    bool italic = false;
};

enum class Align { Left, Center, Right };

// The product's own pictures, drawn by the backend at run time.
enum class Art {
    None,
    Background,      // sky-blue window background, 574 x 600
    Logo,            // product logo, 250 x 73
    Flags,           // four flag icons in a row, the language button
    ButtonFace,      // blue gradient button bar
    LinkFace,        // darker bar under the web link and Program Support
    ModeSimple,      // mode panel, Simple selected (left part bright)
    ModeAdvanced,    // mode panel, Advanced selected (right part bright)
    TabFace,         // help window tab
};

enum class ControlKind { Label, Picture, Image, ListBox };

enum class Frame {
    FixedSingle,         // fixed single-line frame, not resizable
    FixedDialog,         // fixed dialog frame, not resizable
    Sizable,             // resizable frame
    None,                // no frame and no title
    FixedDialogNoTitle,  // fixed dialog frame, not resizable, without a title bar (the splash window)
};

// One row of a form's layout table.
struct ControlSpec {
    const wchar_t* name = L"";
    ControlKind kind = ControlKind::Label;
    Rect rect;                      // in the parent's client coordinates, 96 dpi
    bool visible = true;
    std::wstring text;              // caption of a label
    Font font;
    Color color = kBlack;           // text colour
    Align align = Align::Center;
    Art art = Art::None;            // picture of a picture box or image
    bool pressable = false;         // reachable with Tab, pressed with Enter or Space
    // The control whose text names this one for screen readers (a list box has no text
    // of its own); its name in the same form's layout table.
    const wchar_t* labelledBy = nullptr;
};

struct FormSpec {
    const wchar_t* name = L"";  // the form's name; its window class is "Lockbay_" + name
    std::wstring title;
    int clientWidth = 0;
    int clientHeight = 0;
    Frame frame = Frame::FixedSingle;
    Art background = Art::Background;
    Color backColor = Color::rgb(135, 206, 250);  // where the background picture does not reach
};

class Form;
class Control;
class Timer;
class Runtime;

// The system's word that volumes (drive letters) arrived or went away: a USB stick
// plugged in or pulled out, a card put into a reader. Every form that exists hears it.
struct DriveChange {
    enum class Kind { Arrived, Removed };
    Kind kind = Kind::Arrived;
    std::vector<wchar_t> drives;  // upper-case letters, ascending
};

// What a backend attaches to a created form. The form tells it every change.
class FormPeer {
public:
    virtual ~FormPeer() = default;
    virtual void formChanged() = 0;                   // title, visibility or back colour
    virtual void controlChanged(Control& control) = 0;  // text, visibility, border, list items, selection
    // Makes ahead what the form's first paint needs (pictures, fitted label fonts), hidden.
    virtual void prepare() {}
};

class Backend {
public:
    virtual ~Backend() = default;
    // Called when a form is created (hidden); the peer lives until the form unloads.
    virtual std::unique_ptr<FormPeer> createPeer(Form& form) = 0;
    // Starts or restarts a timer's countdown; `fire` is called every `intervalMs`.
    virtual void startTimer(const Timer* key, int intervalMs, std::function<void()> fire) = 0;
    virtual void stopTimer(const Timer* key) = 0;

    enum class Buttons { Ok, RetryCancel, YesNo };
    enum class Answer { Ok, Retry, Cancel, Yes, No };
    // A modal message box titled `title`. Other forms' timers keep running while it is open.
    virtual Answer messageBox(const std::wstring& text, const std::wstring& title, Buttons buttons) = 0;
    // Shows `form` and runs the event loop until `finished` gives true (the form has its
    // answer, or it was closed). Meanwhile the other forms take no input, and timers keep
    // running, as under a message box.
    virtual void runModal(Form& form, const std::function<bool()>& finished) = 0;
    // Processes pending window events, then returns.
    virtual void pumpEvents() = 0;
    // Ends the process at once: no further handler runs.
    virtual void endProgram() = 0;
    // Runs the event loop until the program ends; returns the exit code.
    virtual int run() = 0;
};

class Control {
public:
    Control(Form& owner, ControlSpec design, Control* parent = nullptr);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    Form& owner() const { return owner_; }
    Control* parent() const { return parent_; }
    const ControlSpec& design() const { return design_; }
    const wchar_t* name() const { return design_.name; }
    int id() const { return id_; }  // stable control id, 100 + position in the form

    // Reading never creates the form; every setter does.
    const std::wstring& text() const { return text_; }
    bool visible() const { return visible_; }
    int border() const { return border_; }  // 0 none, 1 single line
    Color backColor() const { return backColor_; }
    void setText(std::wstring text);
    void setVisible(bool visible);
    void setBorder(int border);
    void setBackColor(Color color);

    std::function<void()> onClick;
    std::function<void()> onMouseDown;
    std::function<void()> onMouseUp;

    // Raised by the backend (or by a test standing in for the user).
    void raiseMouseDown();
    void raiseMouseUp();
    void raiseClick();
    // Mouse down, up and click in that order, as a real click gives them.
    void click();

    // Back to the design state of the layout table (on unload).
    virtual void reset();

protected:
    void changed();

private:
    friend class Form;
    Form& owner_;
    ControlSpec design_;
    Control* parent_;
    int id_ = 0;
    std::wstring text_;
    bool visible_ = true;
    int border_ = 0;
    Color backColor_;
};

class ListBox : public Control {
public:
    using Control::Control;
    const std::vector<std::wstring>& items() const { return items_; }
    // Counts the times the lines were taken away (clear, reset); between two, lines are
    // only added at the end, so a window shows a change by adding the new lines alone.
    std::uint64_t revision() const { return revision_; }
    int selectedIndex() const { return selected_; }  // -1 when no line is selected
    void clear();
    void addItem(std::wstring item);
    // Selects a line as the user would; runs the click handler.
    void select(int index);
    // Called by the backend when the user's selection changed; runs the click handler.
    void raiseSelected(int index);
    void reset() override;

private:
    std::vector<std::wstring> items_;
    std::uint64_t revision_ = 0;
    int selected_ = -1;
};

class Timer {
public:
    Timer(Form& owner, const wchar_t* name, int intervalMs);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

    const wchar_t* name() const { return name_; }
    bool enabled() const { return enabled_; }
    int interval() const { return interval_; }
    // Enabling (even when on already) or changing the interval of an enabled timer
    // starts its countdown afresh. Both create the owning form.
    void setEnabled(bool enabled);
    void setInterval(int intervalMs);

    std::function<void()> onTick;

    void reset();  // off, interval of the design state

private:
    void restart();
    Form& owner_;
    const wchar_t* name_;
    int designInterval_;
    int interval_;
    bool enabled_ = false;
};

class Runtime {
public:
    explicit Runtime(Backend& backend) : backend_(backend) {}
    Backend& backend() { return backend_; }
    Backend::Answer messageBox(const std::wstring& text, const std::wstring& title,
                               Backend::Buttons buttons = Backend::Buttons::Ok) {
        return backend_.messageBox(text, title, buttons);
    }
    void runModal(Form& form, const std::function<bool()>& finished) { backend_.runModal(form, finished); }
    void pumpEvents() { backend_.pumpEvents(); }
    void endProgram() { backend_.endProgram(); }
    int run() { return backend_.run(); }

private:
    Backend& backend_;
};

class Form {
public:
    Form(Runtime& runtime, FormSpec design);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    Runtime& runtime() const { return runtime_; }
    const FormSpec& design() const { return design_; }
    bool loaded() const { return loaded_; }
    bool visible() const { return visible_; }
    const std::wstring& title() const { return title_; }
    Color backColor() const { return backColor_; }

    // Creates the form hidden (running its load handler) when it does not exist.
    void load();
    // Creates the form hidden if needed and makes ahead what its first paint needs, so
    // that a later show() paints at once; for idle time before the form is due.
    void prepare();
    // Creates the form if needed, then shows it modeless.
    void show();
    // Creates the form if needed, then hides it.
    void hide();
    // Runs the unload handler and destroys the form; nothing when it does not exist.
    void unload();
    void setTitle(std::wstring title);
    void setBackColor(Color color);

    // The user closed the form through its frame. By default that unloads it.
    virtual void closeRequested() { unload(); }
    // The user pressed Escape; nothing by default.
    virtual void cancelRequested() {}
    // Called by the backend when the system announces a drive change; nothing by default.
    virtual void drivesChanged(const DriveChange& /*change*/) {}

    const std::vector<Control*>& controls() const { return controls_; }
    Control* findControl(int id) const;
    FormPeer* peer() const { return peer_.get(); }

protected:
    virtual void onLoad() {}
    virtual void onUnload() {}

private:
    friend class Control;
    friend class Timer;
    void controlChanged(Control& control);
    int registerControl(Control& control);
    void registerTimer(Timer& timer) { timers_.push_back(&timer); }
    void unregisterTimer(Timer& timer);

    Runtime& runtime_;
    FormSpec design_;
    bool loaded_ = false;
    bool visible_ = false;
    bool unloading_ = false;
    std::wstring title_;
    Color backColor_;
    std::vector<Control*> controls_;
    std::vector<Timer*> timers_;
    std::unique_ptr<FormPeer> peer_;
};

}  // namespace platform::ui
