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
    Font font_;
    HIMAGELIST glyphAct_ = nullptr, glyphCancel_ = nullptr;
};

}  // namespace vantrel
