// The controls of the countdown window (the main window in its visible
// role): the two labels, the progress bar, the act-now and cancel buttons
// with their glyphs, and 推迟 between them.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "actions/countdown_model.h"
#include "winui/form_win.h"

namespace vantrel {

class CountdownView {
public:
    static constexpr int kActNowId = 101;  // BitBtn1
    static constexpr int kCancelId = 102;  // BitBtn2
    static constexpr int kLabel1Id = 103;
    static constexpr int kLabel2Id = 104;
    static constexpr int kBarId = 105;
    static constexpr int kPostponeId = 106;  // 推迟(&P): opens the postpone menu
    static constexpr int kPostponeMenuId = 120;  // its items, 120 + the choice

    CountdownView() = default;
    ~CountdownView();
    CountdownView(const CountdownView&) = delete;
    CountdownView& operator=(const CountdownView&) = delete;

    // Gives the view its window. The controls are built on the first caption
    // or remaining-time change, that is when a countdown first starts;
    // BitBtn2 comes first in the tab order.
    void Attach(HWND window);

    // MyChangeCaption: the four captions for a power word.
    void ChangeCaption(const std::string& word);
    void SetRemaining(const std::string& text);
    void SetBar(int maximum, int position);
    int BarPosition() const;
    int BarMaximum() const;

    // The window shown with `word`'s captions and `remaining`, the cancel
    // button focused, the looping sound (a wav path, or none) started and,
    // with `closeAll`, the other programs' windows asked to close.
    void Open(const std::string& word, const std::string& remaining, const std::string& sound, bool closeAll);
    // A second's step; at the end the looping sound stops, before the
    // action rather than with the next logon.
    void Step(int maximum, int position, const std::string& remaining);
    // The window hidden, the bar at 0 of `maximum`, the sound stopped.
    void Close(int maximum);
    // WM_ACTIVATE: the countdown keeps the button that had the focus when
    // the user switched away (the cancel button at first). True when it
    // gave the focus back.
    bool Activate(WPARAM state);

    HWND label1() const { return label1_; }
    HWND label2() const { return label2_; }
    HWND bar() const { return bar_; }
    HWND actNow() const { return actNow_; }
    HWND cancel() const { return cancel_; }
    HWND postpone() const { return postpone_; }

private:
    void EnsureControls();

    HWND window_ = nullptr;
    bool created_ = false;
    int maximum_ = 60, position_ = 0;
    HWND label1_ = nullptr, label2_ = nullptr, bar_ = nullptr, actNow_ = nullptr, cancel_ = nullptr;
    HWND postpone_ = nullptr;
    HWND focus_ = nullptr;  // the button that has, or last had, the focus
    Font font_;
    HIMAGELIST glyphAct_ = nullptr, glyphCancel_ = nullptr;
};

}  // namespace vantrel
