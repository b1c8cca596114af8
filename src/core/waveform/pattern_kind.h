// The pattern kinds offered as tabs of the page control PcParams: which tab selects
// which kind, the type name written into a pattern document and the tab's
// "Average Current" label.
#pragma once

#include <span>
#include <string_view>

namespace voltaris {

enum class TPatternKind {
  Sine,
  Superpulse,
  Tangential,
  Parabola,
  Bezier,
  Triangle,
  Trapezoid,
  Sigmoid,
  Gaussian,
  DampedSine,
  Exponential,
  CustomLut,
  CcCv,
  None,  // no known tab is active
};

struct TPatternTab {
  TPatternKind kind = TPatternKind::None;
  std::string_view page;      // tab (page) name
  std::string_view typeName;  // type name in the pattern document
  std::string_view avgLabel;  // label carrying the tab's level summary
};

// The thirteen tabs in tab order.
std::span<const TPatternTab> PatternTabs();

// Page names are compared ignoring case (ASCII).
bool SamePageName(std::string_view a, std::string_view b);

// The tab of a page name, compared ignoring case; nullptr for any other page.
const TPatternTab* FindPatternTab(std::string_view pageName);

// The tab of a kind (TPatternKind::None gives nullptr).
const TPatternTab* PatternTabOf(TPatternKind kind);

}  // namespace voltaris
