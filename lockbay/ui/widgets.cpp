// Layout table builders: see widgets.h.
#include "lockbay/ui/widgets.h"

#include <cstdlib>
#include <cwchar>

namespace lockbay {

using namespace platform::ui;

ControlSpec label(const wchar_t* name, Rect rect, std::wstring text, double points, Color color, Visible visible,
                  Align align) {
    ControlSpec spec;
    spec.name = name;
    spec.kind = ControlKind::Label;
    spec.rect = rect;
    spec.visible = visible == Visible::Yes;
    spec.text = std::move(text);
    spec.font = Font{L"Delicious", points, true, false};
    spec.color = color;
    spec.align = align;
    return spec;
}

ControlSpec button(const wchar_t* name, Rect rect, std::wstring text, double points, Color color, Visible visible) {
    ControlSpec spec = label(name, rect, std::move(text), points, color, visible);
    spec.pressable = true;
    return spec;
}

ControlSpec picture(const wchar_t* name, Rect rect, Art art, Visible visible) {
    ControlSpec spec;
    spec.name = name;
    spec.kind = ControlKind::Picture;
    spec.rect = rect;
    spec.visible = visible == Visible::Yes;
    spec.art = art;
    return spec;
}

ControlSpec image(const wchar_t* name, Rect rect, Art art, Pressable pressable) {
    ControlSpec spec;
    spec.name = name;
    spec.kind = ControlKind::Image;
    spec.rect = rect;
    spec.art = art;
    spec.pressable = pressable == Pressable::Yes;
    return spec;
}

ControlSpec listBox(const wchar_t* name, Rect rect, Font font) {
    ControlSpec spec;
    spec.name = name;
    spec.kind = ControlKind::ListBox;
    spec.rect = rect;
    spec.font = std::move(font);
    spec.pressable = true;
    return spec;
}

void bindPressFeedback(Control& pressed, Control& bordered) {
    pressed.onMouseDown = [&bordered] { bordered.setBorder(1); };
    pressed.onMouseUp = [&bordered] { bordered.setBorder(0); };
}

const ControlSpec& findSpec(const std::vector<ControlSpec>& table, const wchar_t* name) {
    for (const ControlSpec& spec : table) {
        if (std::wcscmp(spec.name, name) == 0) return spec;
    }
    std::abort();  // a control without a row in its layout table
}

}  // namespace lockbay
