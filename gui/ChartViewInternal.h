#pragma once
// Shared by the chart pieces only: the mark of a frozen series.

namespace gui {

// Set on a series while a TChartView's picture draws it (it is hidden then,
// but still one of the chart's curves).
inline constexpr char FrozenProperty[] = "velorFrozen";

}  // namespace gui
