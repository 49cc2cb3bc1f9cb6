// TForm2: the About window with the product's name, version and date.
#pragma once

#include "winui/form_win.h"

namespace vantrel {

class AboutWindow : public Form {
public:
    static constexpr int kButton1Id = 1;
    static constexpr int kLabel1Id = 11;
    static constexpr int kLabel2Id = 12;
    static constexpr int kLabel5Id = 15;
    bool Create();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    Font font_;
    Font labelFont_;
};

// Every call opens a new About window; earlier ones stay as they are.
AboutWindow* ShowAboutWindow();

}  // namespace vantrel
