// The frame's status bar, whose panes share its width by rule (see pane_widths.h) instead of the
// toolkit's fixed and variable widths, which leave a variable pane no width at all once the fixed
// ones fill the bar. A text longer than its pane is shortened in the middle, its full text shown
// as the pane's tooltip.
//
// User-interface thread only.
#pragma once

#include <wx/statusbr.h>

#include <vector>

namespace kavrin {

struct PaneRule {
    // The width asked for; 0: the pane's text's.
    int fixedWidth = 0;
    int least = 60;
    int share = 0;
    // With no text the pane asks for `least` only (or its fixed width); here, for the narrowest
    // width the toolkit draws without complaint (a pane that shows only while it has something
    // to say).
    bool collapsesWhenEmpty = false;
};

// Texts shortened in the middle; no toolkit tips (the bar shows its own, see ShowTip).
inline constexpr long kStatusBarStyle =
    wxSTB_SIZEGRIP | wxSTB_ELLIPSIZE_MIDDLE | wxFULL_REPAINT_ON_RESIZE;

class CStatusBar : public wxStatusBar {
public:
    CStatusBar(wxWindow* parent, wxWindowID id, long style = kStatusBarStyle);

    // The rule of pane `pane` (a pane without one keeps its width as set).
    void SetPaneRule(int pane, const PaneRule& rule);
    // Shares the width anew; called on every size change and every changed text.
    void FitPanes();
    // Whether the pane's text is longer than the pane shows (it is drawn shortened).
    bool IsShortened(int pane) const;

protected:
    void DoUpdateStatusText(int number) override;

private:
    int WantedWidth(int pane, const PaneRule& rule) const;
    // The full text of a shortened pane under the pointer as the bar's tooltip, else none.
    void ShowTip(const wxPoint& point);

    std::vector<PaneRule> m_rules;
    std::vector<bool> m_ruled;
};

}  // namespace kavrin
