// Layout table builders: see widgets.h.
#include "lockbay/ui/widgets.h"

#include <cstdlib>
#include <cwchar>

namespace lockbay {

using namespace platform::ui;

ControlSpec label(const wchar_t* name, Rect rect, std::wstring text, double points, Color color, Visible visible,
                  Align align) {
    ControlSpec design;
    design.name = name;
    design.kind = ControlKind::Label;
    design.rect = rect;
    design.visible = visible == Visible::Yes;
    design.text = std::move(text);
    design.font = Font{L"Delicious", points, true, false};
    design.color = color;
    design.align = align;
    return design;
}

ControlSpec button(const wchar_t* name, Rect rect, std::wstring text, double points, Color color, Visible visible) {
    ControlSpec design = label(name, rect, std::move(text), points, color, visible);
    design.pressable = true;
    return design;
}

ControlSpec picture(const wchar_t* name, Rect rect, Art art, Visible visible) {
    ControlSpec design;
    design.name = name;
    design.kind = ControlKind::Picture;
    design.rect = rect;
    design.visible = visible == Visible::Yes;
    design.art = art;
    return design;
}

ControlSpec image(const wchar_t* name, Rect rect, Art art, Pressable pressable) {
    ControlSpec design;
    design.name = name;
    design.kind = ControlKind::Image;
    design.rect = rect;
    design.art = art;
    design.pressable = pressable == Pressable::Yes;
    return design;
}

ControlSpec listBox(const wchar_t* name, Rect rect, Font font, const wchar_t* labelledBy) {
    ControlSpec design;
    design.labelledBy = labelledBy;
    design.name = name;
    design.kind = ControlKind::ListBox;
    design.rect = rect;
    design.font = std::move(font);
    design.pressable = true;
    return design;
}

void bindPressFeedback(Control& pressed, Control& bordered) {
    pressed.onMouseDown = [&bordered] { bordered.setBorder(1); };
    pressed.onMouseUp = [&bordered] { bordered.setBorder(0); };
}

const ControlSpec& findSpec(const std::vector<ControlSpec>& table, const wchar_t* name) {
    for (const ControlSpec& design : table) {
        if (std::wcscmp(design.name, name) == 0) return design;
    }
    std::abort();  // a control without a row in its layout table
}

}  // namespace lockbay
