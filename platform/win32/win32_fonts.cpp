// Colours and fonts of the form windows. A layout names its faces; a face that is not
// installed is replaced once, by the closest kind that is, and the choice is kept.
#include "win32_fonts.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "art.h"
#include "win32_dpi.h"

namespace platform::win32::detail {

using ui::Color;

COLORREF toColorRef(const Color& color) {
    if (color.systemInactiveBorder) return GetSysColor(COLOR_INACTIVEBORDER);
    if (color.systemWindowText) return GetSysColor(COLOR_WINDOWTEXT);
    return RGB(color.r, color.g, color.b);
}

bool sameColor(const Color& a, const Color& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.systemInactiveBorder == b.systemInactiveBorder &&
           a.systemWindowText == b.systemWindowText;
}

namespace {

// The face to ask for, and the family the font mapper should fall back to.
struct ResolvedFace {
    std::wstring face;
    BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
};

// Layouts name faces that may be missing ("Delicious" usually is): a missing fixed-pitch
// face is replaced by another fixed-pitch one, any other by a plain bold-friendly sans.
ResolvedFace resolveFace(const std::wstring& wanted) {
    static std::map<std::wstring, ResolvedFace> resolved;
    if (auto found = resolved.find(wanted); found != resolved.end()) return found->second;

    static const std::vector<std::wstring> kFixedFaces{L"Courier New", L"Consolas", L"Lucida Console",
                                                       L"Courier"};
    static const std::vector<std::wstring> kSansFaces{L"Segoe UI", L"Tahoma", L"Arial"};
    const bool fixed = std::any_of(kFixedFaces.begin(), kFixedFaces.end(), [&](const std::wstring& face) {
        return lstrcmpiW(face.c_str(), wanted.c_str()) == 0;
    });
    ResolvedFace result;
    if (fontFamilyExists(wanted)) {
        result.face = wanted;
    } else {
        const auto& candidates = fixed ? kFixedFaces : kSansFaces;
        auto pick = std::find_if(candidates.begin(), candidates.end(),
                                 [](const std::wstring& face) { return fontFamilyExists(face); });
        // With none of them installed the face stays empty and the mapper picks by family.
        if (pick != candidates.end()) result.face = *pick;
        result.pitchAndFamily =
            fixed ? static_cast<BYTE>(FIXED_PITCH | FF_MODERN) : static_cast<BYTE>(VARIABLE_PITCH | FF_SWISS);
    }
    resolved.emplace(wanted, result);
    return result;
}

}  // namespace

HFONT FontSet::get(const ui::Font& font) {
    const auto key = std::make_tuple(font.face, font.points, font.bold, font.italic);
    if (auto found = fonts_.find(key); found != fonts_.end()) return found->second.get();
    const ResolvedFace face = resolveFace(font.face);
    LOGFONTW description{};
    description.lfHeight = fontHeightForDpi(font.points, dpi_);
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = font.italic ? TRUE : FALSE;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfOutPrecision = OUT_TT_PRECIS;
    description.lfQuality = CLEARTYPE_QUALITY;
    description.lfPitchAndFamily = face.pitchAndFamily;
    face.face.copy(description.lfFaceName, LF_FACESIZE - 1);
    ScopedFont created(CreateFontIndirectW(&description));
    const HFONT handle = created.get();
    fonts_.emplace(key, std::move(created));
    return handle;
}

void FontSet::setDpi(UINT dpi) {
    dpi_ = dpi;
    fonts_.clear();
}

}  // namespace platform::win32::detail
