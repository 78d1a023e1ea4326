#pragma once

#include "platform/Controls.h"

#include <windows.h>

#include <string>

namespace platform::win32 {

// What an unfilled place of a shaped box shows.
inline constexpr char kUnfilledPlace = '_';

// Makes the edit box `edit` keep the shape `shape` ('#' a digit's place,
// anything else fixed): typed digits overwrite places, erased ones show as
// unfilled, and a text set is fitted field by field, right-aligned. `shape`
// lives as long as the box.
void keepShape(HWND edit, const char* shape);

// A shaped box's text as the rules read it: fixed positions, the separators
// kept, and an unfilled place as a blank before the digits (" 2:30").
class Win32MaskedText final : public Label {
public:
    explicit Win32MaskedText(HWND w = nullptr, const char* shape = "") : w_(w), shape_(shape) {}
    void setText(const std::string& text) override;
    std::string text() const override;

private:
    HWND w_;
    const char* shape_;
};

}  // namespace platform::win32
