// Short builders for the rows of the windows' layout tables, so that each table
// reads like the window's control table: name, place, text, font size, colour.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace lockbay {

enum class Visible { No, Yes };
enum class Pressable { No, Yes };

// A transparent label in the bold "Delicious" face.
platform::ui::ControlSpec label(const wchar_t* name, platform::ui::Rect rect, std::wstring text, double points,
                                platform::ui::Color color, Visible visible = Visible::Yes,
                                platform::ui::Align align = platform::ui::Align::Center);
// A label that takes clicks like a button: reachable with Tab, pressed with Enter or Space.
platform::ui::ControlSpec button(const wchar_t* name, platform::ui::Rect rect, std::wstring text, double points,
                                 platform::ui::Color color, Visible visible = Visible::Yes);
// A picture box carrying one of the product's pictures (a button face, a mode panel).
platform::ui::ControlSpec picture(const wchar_t* name, platform::ui::Rect rect, platform::ui::Art art,
                                  Visible visible = Visible::Yes);
// An image control.
platform::ui::ControlSpec image(const wchar_t* name, platform::ui::Rect rect, platform::ui::Art art,
                                Pressable pressable = Pressable::No);

// A list box with the given font and a white background, named for screen readers by the
// text of the control `labelledBy` (the heading above it).
platform::ui::ControlSpec listBox(const wchar_t* name, platform::ui::Rect rect, platform::ui::Font font,
                                  const wchar_t* labelledBy = nullptr);

// Press feedback: while a mouse button is held on `pressed`, `bordered` (the box under
// it, or the control itself) shows a single-line border.
void bindPressFeedback(platform::ui::Control& pressed, platform::ui::Control& bordered);

// The row of a layout table by control name; a missing name is a programming error.
const platform::ui::ControlSpec& findSpec(const std::vector<platform::ui::ControlSpec>& table, const wchar_t* name);

}  // namespace lockbay
