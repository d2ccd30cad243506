// The backend-independent half of the windowing runtime: lazy creation, unloading,
// property changes and timer countdown rules.
#include "platform/ui.h"

#include <algorithm>

namespace platform::ui {

// ---- Control ---------------------------------------------------------------

Control::Control(Form& owner, ControlSpec design, Control* parent)
    : owner_(owner), design_(std::move(design)), parent_(parent) {
    id_ = owner_.registerControl(*this);
    Control::reset();
}

void Control::reset() {
    text_ = design_.text;
    visible_ = design_.visible;
    border_ = 0;
    backColor_ = Color::rgb(255, 255, 255);
}

void Control::changed() {
    owner_.load();
    owner_.controlChanged(*this);
}

void Control::setText(std::wstring text) {
    owner_.load();
    text_ = std::move(text);
    owner_.controlChanged(*this);
}

void Control::setVisible(bool visible) {
    owner_.load();
    visible_ = visible;
    owner_.controlChanged(*this);
}

void Control::setBorder(int border) {
    owner_.load();
    border_ = border;
    owner_.controlChanged(*this);
}

void Control::setBackColor(Color color) {
    owner_.load();
    backColor_ = color;
    owner_.controlChanged(*this);
}

void Control::raiseMouseDown() {
    if (onMouseDown) onMouseDown();
}

void Control::raiseMouseUp() {
    if (onMouseUp) onMouseUp();
}

void Control::raiseClick() {
    if (onClick) onClick();
}

void Control::click() {
    raiseMouseDown();
    raiseMouseUp();
    raiseClick();
}

// ---- ListBox ---------------------------------------------------------------

void ListBox::clear() {
    owner().load();
    items_.clear();
    ++revision_;
    selected_ = -1;
    changed();
}

void ListBox::addItem(std::wstring item) {
    owner().load();
    items_.push_back(std::move(item));
    changed();
}

void ListBox::select(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    selected_ = index;
    changed();
    raiseClick();
}

void ListBox::raiseSelected(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    selected_ = index;
    raiseClick();
}

void ListBox::reset() {
    Control::reset();
    items_.clear();
    ++revision_;
    selected_ = -1;
}

// ---- Timer -----------------------------------------------------------------

Timer::Timer(Form& owner, const wchar_t* name, int intervalMs)
    : owner_(owner), name_(name), designInterval_(intervalMs), interval_(intervalMs) {
    owner_.registerTimer(*this);
}

Timer::~Timer() {
    if (enabled_) owner_.runtime().backend().stopTimer(this);
    owner_.unregisterTimer(*this);
}

void Timer::setEnabled(bool enabled) {
    owner_.load();
    enabled_ = enabled;
    if (enabled_) {
        restart();
    } else {
        owner_.runtime().backend().stopTimer(this);
    }
}

void Timer::setInterval(int intervalMs) {
    owner_.load();
    interval_ = intervalMs;
    if (enabled_) restart();
}

void Timer::restart() {
    // A zero interval leaves a timer switched on but silent, as the classic forms did.
    if (interval_ <= 0) {
        owner_.runtime().backend().stopTimer(this);
        return;
    }
    owner_.runtime().backend().startTimer(this, interval_, [this] {
        if (enabled_ && onTick) onTick();
    });
}

void Timer::reset() {
    if (enabled_) owner_.runtime().backend().stopTimer(this);
    enabled_ = false;
    interval_ = designInterval_;
}

// ---- Form ------------------------------------------------------------------

Form::Form(Runtime& runtime, FormSpec design)
    : runtime_(runtime), design_(std::move(design)), title_(design_.title), backColor_(design_.backColor) {}

Form::~Form() {
    for (Timer* timer : timers_) {
        if (timer->enabled()) runtime_.backend().stopTimer(timer);
    }
}

int Form::registerControl(Control& control) {
    controls_.push_back(&control);
    return 100 + static_cast<int>(controls_.size()) - 1;
}

void Form::unregisterTimer(Timer& timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), &timer), timers_.end());
}

Control* Form::findControl(int id) const {
    for (Control* control : controls_) {
        if (control->id() == id) return control;
    }
    return nullptr;
}

void Form::load() {
    if (loaded_ || unloading_) return;
    // Marked loaded before the load handler runs, so that the handler may use the
    // form's own controls without creating it a second time.
    loaded_ = true;
    visible_ = false;
    peer_ = runtime_.backend().createPeer(*this);
    onLoad();
}

void Form::prepare() {
    load();
    if (peer_) peer_->prepare();
}

void Form::show() {
    load();
    if (!loaded_) return;
    visible_ = true;
    if (peer_) peer_->formChanged();
}

void Form::hide() {
    load();
    if (!loaded_) return;
    visible_ = false;
    if (peer_) peer_->formChanged();
}

void Form::unload() {
    if (!loaded_ || unloading_) return;
    unloading_ = true;
    onUnload();
    visible_ = false;
    peer_.reset();
    for (Timer* timer : timers_) timer->reset();
    for (Control* control : controls_) control->reset();
    title_ = design_.title;
    backColor_ = design_.backColor;
    loaded_ = false;
    unloading_ = false;
}

void Form::setTitle(std::wstring title) {
    load();
    title_ = std::move(title);
    if (peer_) peer_->formChanged();
}

void Form::setBackColor(Color color) {
    load();
    backColor_ = color;
    if (peer_) peer_->formChanged();
}

void Form::controlChanged(Control& control) {
    if (peer_) peer_->controlChanged(control);
}

}  // namespace platform::ui
