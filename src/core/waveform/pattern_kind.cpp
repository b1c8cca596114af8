#include "waveform/pattern_kind.h"

#include <array>

namespace voltaris {

namespace {

constexpr std::array<TPatternTab, 13> kTabs{{
    {TPatternKind::Sine, "TsSine", "sinusoidal", "lblsineavg"},
    {TPatternKind::Superpulse, "TsSuper", "superpulse", "lblSuperAvgI"},
    {TPatternKind::Tangential, "TsTang", "tangential", "lblTangAvgI"},
    {TPatternKind::Parabola, "TsParab", "parabola", "lblParapAvgI"},
    {TPatternKind::Bezier, "TsBezier", "bezier", "lblBezierAvgI"},
    {TPatternKind::Triangle, "TsTri", "triangle", "lblTriangleAvgI"},
    {TPatternKind::Trapezoid, "TsTrap", "trapezoid", "lblTrapAvgI"},
    {TPatternKind::Sigmoid, "TsSigmoid", "sigmoid", "lblSigmoidAvgI"},
    {TPatternKind::Gaussian, "TsGaussian", "gaussian", "lblGaussianAvgI"},
    {TPatternKind::DampedSine, "TsDamped", "damped_sine", "lblDampedAvgI"},
    {TPatternKind::Exponential, "TsExp", "exponential", "lblExpAvgI"},
    {TPatternKind::CustomLut, "TsCustom", "lut", "lblCustomAvgI"},
    // The CC_CV tab has no label of its own: it writes the sine tab's label.
    {TPatternKind::CcCv, "tsCC_CV", "CC_CV", "lblsineavg"},
}};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SamePageName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::span<const TPatternTab> PatternTabs() { return kTabs; }

const TPatternTab* FindPatternTab(std::string_view pageName) {
  for (const TPatternTab& tab : kTabs)
    if (SamePageName(tab.page, pageName)) return &tab;
  return nullptr;
}

const TPatternTab* PatternTabOf(TPatternKind kind) {
  for (const TPatternTab& tab : kTabs)
    if (tab.kind == kind) return &tab;
  return nullptr;
}

}  // namespace voltaris
