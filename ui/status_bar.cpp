#include "ui/status_bar.h"

#include "ui/pane_widths.h"

namespace kavrin {
namespace {

// A text's pane is asked for in steps, so that a count or a time that ticks on does not move
// the panes' borders at every tick.
constexpr int kWidthStep = 16;
// Room for the pane's frame and a little air around the text.
constexpr int kTextPadding = 12;
// A pane narrower than its frame's borders gives the toolkit a rectangle of negative width to
// draw ("Invalid rectangle passed" on standard error).
constexpr int kCollapsedWidth = 6;

}  // namespace

CStatusBar::CStatusBar(wxWindow* parent, wxWindowID id, long style)
    : wxStatusBar(parent, id, style & ~wxSTB_SHOW_TIPS) {
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        FitPanes();
        event.Skip();
    });
    // The toolkit's own tips (wxSTB_SHOW_TIPS) left the tooltip unset here: the bar sets it
    // itself as the pointer moves.
    Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
        ShowTip(event.GetPosition());
        event.Skip();
    });
}

bool CStatusBar::IsShortened(int pane) const {
    wxRect rect;
    if (!GetFieldRect(pane, rect)) return false;
    const wxString text = GetStatusText(pane);
    return !text.empty() && GetTextExtent(text).x > rect.width - 2 * GetBorderX();
}

void CStatusBar::ShowTip(const wxPoint& point) {
    wxString tip;
    for (int pane = 0; pane < GetFieldsCount(); ++pane) {
        wxRect rect;
        if (GetFieldRect(pane, rect) && rect.Contains(point) && IsShortened(pane))
            tip = GetStatusText(pane);
    }
    if (tip.empty())
        UnsetToolTip();
    else if (GetToolTipText() != tip)
        SetToolTip(tip);
}

void CStatusBar::SetPaneRule(int pane, const PaneRule& rule) {
    if (pane < 0) return;
    if (static_cast<std::size_t>(pane) >= m_rules.size()) {
        m_rules.resize(pane + 1);
        m_ruled.resize(pane + 1, false);
    }
    m_rules[pane] = rule;
    m_ruled[pane] = true;
    FitPanes();
}

int CStatusBar::WantedWidth(int pane, const PaneRule& rule) const {
    const wxString text = GetStatusText(pane);
    if (text.empty() && rule.collapsesWhenEmpty) return kCollapsedWidth;
    if (rule.fixedWidth > 0) return rule.fixedWidth;
    if (text.empty()) return rule.least;
    const int width = GetTextExtent(text).x + kTextPadding;
    return (width + kWidthStep - 1) / kWidthStep * kWidthStep;
}

void CStatusBar::FitPanes() {
    const int count = GetFieldsCount();
    if (count <= 0) return;
    // The size grip takes a square at the right end.
    const int total = GetClientSize().x - (HasFlag(wxSTB_SIZEGRIP) ? GetClientSize().y : 0);
    std::vector<PaneWish> wishes(count);
    for (int i = 0; i < count; ++i) {
        const bool ruled = static_cast<std::size_t>(i) < m_ruled.size() && m_ruled[i];
        if (!ruled) {
            // Kept as set: a fixed width is taken from the total first.
            const int width = std::max(GetStatusWidth(i), 1);
            wishes[i] = {width, width, 0};
            continue;
        }
        const PaneRule& rule = m_rules[i];
        const bool collapsed = rule.collapsesWhenEmpty && GetStatusText(i).empty();
        wishes[i] = {WantedWidth(i, rule), collapsed ? kCollapsedWidth : rule.least, rule.share};
    }
    std::vector<int> widths = FitPaneWidths(wishes, std::max(total, 0));
    // The last pane with a share takes what rounding left, as the toolkit reckons it.
    for (int i = count - 1; i >= 0; --i) {
        if (wishes[i].share > 0) {
            widths[i] = -1;
            break;
        }
    }
    bool same = true;
    for (int i = 0; i < count && same; ++i) same = GetStatusWidth(i) == widths[i];
    if (!same) SetStatusWidths(count, widths.data());
}

void CStatusBar::DoUpdateStatusText(int number) {
    FitPanes();
    wxStatusBar::DoUpdateStatusText(number);
}

}  // namespace kavrin
