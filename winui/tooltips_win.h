// The hints a window shows when the mouse rests on one of its controls: one
// tooltip window per form, with a tool for each control that has a hint.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

class Tooltips {
public:
    // Creates the tooltip window of `owner`, which destroys it with itself.
    // Loads the common controls first.
    void Create(HWND owner);
    // Gives `tool` the hint `text` (an empty text shows nothing).
    void Add(HWND tool, const std::string& text);
    // Replaces the hint of a tool added before.
    void SetText(HWND tool, const std::string& text);
    // The hint of `tool`, empty for none.
    std::string Text(HWND tool) const;

private:
    HWND owner_ = nullptr;
    HWND tips_ = nullptr;
};

}  // namespace vantrel
