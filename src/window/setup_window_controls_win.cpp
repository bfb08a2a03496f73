#include "common/text_win.hpp"
#include "window/setup_window_state_win.hpp"

#include <map>

namespace velmora {
namespace {

struct SetupFonts {
    HFONT title = nullptr;
    HFONT body = nullptr;
};

HFONT create_font(const FontStyle& style, unsigned dpi) {
    return ::CreateFontW(scale_for_dpi(style.height, dpi), 0, 0, 0, style.weight, FALSE, FALSE,
                         FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                         CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, widen(font_face).c_str());
}

// The fonts live as long as the process and are never deleted: one pair per
// DPI the window has been shown at, so moving between monitors back and
// forth creates nothing new. Only the window's thread calls this.
const SetupFonts& fonts_for_dpi(unsigned dpi) {
    static std::map<unsigned, SetupFonts> fonts;
    SetupFonts& pair = fonts[dpi];
    if (!pair.title)
        pair = {create_font(title_font_style, dpi), create_font(body_font_style, dpi)};
    return pair;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction get_dpi_for_window() {
    static const GetDpiForWindowFunction function = [] {
        const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
        const FARPROC address = user32 ? ::GetProcAddress(user32, "GetDpiForWindow") : nullptr;
        // Through void* so that the function-type cast does not warn.
        return reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(address));
    }();
    return function;
}

HFONT font_for(ControlFont font, const SetupFonts& fonts) {
    switch (font) {
    case ControlFont::title:
        return fonts.title;
    case ControlFont::body:
        return fonts.body;
    case ControlFont::none:
        break;
    }
    return nullptr;
}

void set_fonts(SetupWindowState& state) {
    const SetupFonts& fonts = fonts_for_dpi(state.dpi);
    const auto& controls = setup_controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (const HFONT font = font_for(controls[i].font, fonts))
            ::SendMessageW(state.controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

} // namespace

void create_setup_controls(SetupWindowState& state) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const auto& controls = setup_controls();
    // Create the fonts before the controls, as the window's own start-up.
    fonts_for_dpi(state.dpi);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlLayout& control = controls[i];
        const ControlRect rect = scale_for_dpi(control.rect, state.dpi);
        const std::wstring text = widen(control.text);
        // The text is null for the progress bar, which has none.
        state.controls[i] = ::CreateWindowExW(
            0, widen(control.class_name).c_str(), text.empty() ? nullptr : text.c_str(),
            control.style, rect.x, rect.y, rect.width, rect.height, state.window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
    }
    set_fonts(state);
}

void lay_out_setup_controls(SetupWindowState& state) {
    const auto& controls = setup_controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlRect rect = scale_for_dpi(controls[i].rect, state.dpi);
        ::MoveWindow(state.controls[i], rect.x, rect.y, rect.width, rect.height, TRUE);
    }
    set_fonts(state);
}

unsigned window_dpi(HWND window) {
    if (const auto function = get_dpi_for_window()) {
        if (const UINT dpi = function(window))
            return dpi;
    }
    return base_dpi;
}

} // namespace velmora
