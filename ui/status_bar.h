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
    // With no text the pane asks for `least` only; here, for the narrowest width the toolkit
    // draws without complaint (a pane that shows only while it has something to say).
    bool collapsesWhenEmpty = false;
};

class CStatusBar : public wxStatusBar {
public:
    CStatusBar(wxWindow* parent, wxWindowID id);

    // The rule of pane `pane` (a pane without one keeps its width as set).
    void SetPaneRule(int pane, const PaneRule& rule);
    // Shares the width anew; called on every size change and every changed text.
    void Fit();

protected:
    void DoUpdateStatusText(int number) override;

private:
    int WantedWidth(int pane, const PaneRule& rule) const;

    std::vector<PaneRule> m_rules;
    std::vector<bool> m_ruled;
};

}  // namespace kavrin
