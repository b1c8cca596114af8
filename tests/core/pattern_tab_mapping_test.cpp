// Copying the active pattern tab into a pattern document: the type name of each tab, the
// levels and frequency read from its edits (with their fallbacks), and the order of the
// caption tests where captions overlap.
#include <gtest/gtest.h>

#include <string>

#include "form/form_model.h"
#include "waveform/pattern_tab_mapping.h"

namespace voltaris {
namespace {

// A document whose levels and frequency show whether they were written.
TPatternRoot Marked() {
  TPatternRoot p;
  p.FPattern->FType = "none";
  *p.FPattern->FLevels = {11, 22};
  p.FPattern->FPulse->FFreqHz = 33;
  return p;
}

struct Written {
  double lo, hi, freqHz;
};

struct TabCase {
  const char* page;
  const char* typeFromUI;   // ApplyPatternTypeFromUI
  const char* typeForWave;  // ApplyUIToPatternType
  Written initial;          // from the initial texts of the tab's edits
  Written fallback;         // every edit of the tab unreadable
};

// 11, 22, 33: left as they were.
const TabCase kTabs[] = {
    {"TsSine", "sinusoidal", "sinusoidal", {0.4, 2, 5}, {0, 2, 1}},
    {"TsSuper", "superpulse", "superpulse", {1, 3, 5}, {0.1, 0.9, 5}},  // 1000 / (base + top + gap)
    {"TsTang", "tangential", "tangential", {1, 3, 1}, {0, 5, 1}},
    {"TsParab", "parabola", "parabola", {2, 3, 33}, {0, 5, 33}},
    {"TsBezier", "bezier", "bezier", {2, 5, 5}, {0, 5, 1}},
    {"TsTri", "triangle", "triangle", {2, 5, 5}, {0, 5, 1}},  // 1000 / (rise + fall)
    {"TsTrap", "trapezoid", "ramped_square", {11, 22, 33}, {11, 22, 33}},
    {"TsSigmoid", "sigmoid", "sigmoid", {2, 5, 5}, {0, 5, 1}},
    {"TsGaussian", "gaussian", "gaussian", {11, 22, 33}, {11, 22, 33}},
    {"TsDamped", "damped_sine", "damped_sine", {2, 5, 5}, {0, 5, 1}},  // "Damped Sine" holds "sin"
    {"TsExp", "exponential", "exponential", {2, 5, 5}, {0, 5, 1}},
    {"TsCustom", "lut", "lut", {11, 22, 33}, {11, 22, 33}},
    {"tsCC_CV", "CC_CV", "cc_cv", {0, 2.5, 33}, {0, 2.5, 33}},
};

void ExpectWritten(const TPatternRoot& p, const Written& w) {
  EXPECT_DOUBLE_EQ(p.FPattern->FLevels->FILowA, w.lo);
  EXPECT_DOUBLE_EQ(p.FPattern->FLevels->FIHighA, w.hi);
  EXPECT_DOUBLE_EQ(p.FPattern->FPulse->FFreqHz, w.freqHz);
}

TEST(PatternTabMapping, EachTabToItsTypeLevelsAndFrequency) {
  FormModel form;
  for (const auto& tab : kTabs) {
    SCOPED_TRACE(tab.page);
    form.SetActivePage("PcParams", tab.page);

    TPatternRoot typeOnly = Marked();
    ApplyPatternTypeFromUI(form, typeOnly);
    EXPECT_EQ(typeOnly.FPattern->FType, tab.typeFromUI);
    ExpectWritten(typeOnly, {11, 22, 33});

    TPatternRoot p = Marked();
    ApplyUIToPatternType(form, p);
    EXPECT_EQ(p.FPattern->FType, tab.typeForWave);
    ExpectWritten(p, tab.initial);
  }

  // Every edit on the pattern tabs unreadable: each read takes its own fallback.
  for (const auto& c : form.Controls()) {
    const Control* page = form.Find(c->Layout().parent);
    if (c->Kind() == ControlKind::Edit && page != nullptr && page->Layout().parent == "PcParams")
      form.SetText(c->Name(), "?");
  }
  for (const auto& tab : kTabs) {
    SCOPED_TRACE(std::string(tab.page) + " fallbacks");
    form.SetActivePage("PcParams", tab.page);
    TPatternRoot p = Marked();
    ApplyUIToPatternType(form, p);
    ExpectWritten(p, tab.fallback);
  }
}

TEST(PatternTabMapping, CaptionTestsInOrder) {
  struct Case {
    const char* caption;
    const char* type;
  };
  const Case cases[] = {
      {"Sine", "sinusoidal"},
      {"Damped Sine", "damped_sine"},
      {"Trapezoid Triangle", "ramped_square"},  // "trap" before "tri"
      {"Super Triangle", "triangle"},           // "tri" before "super"
      {"Super Tangential", "superpulse"},       // "super" before "tang"
      {"Exp Tangential", "tangential"},         // "tang" before "exp"
      {"Gauss Bezier", "bezier"},               // "bezier" before "gauss"
      {"Damped Exp", "damped_sine"},            // "damped" before "exp"
      {"Custom Exp", "exponential"},            // "exp" before "custom"
      {"CC_CV LUT", "lut"},                     // "lut" before "cc_cv"
      {"  cc_cv  ", "cc_cv"},
      {"Pulse", "sinusoidal"},  // anything else
      {"", "sinusoidal"},
  };
  FormModel form;
  form.SetActivePage("PcParams", "TsGaussian");
  for (const auto& c : cases) {
    form.SetControlCaption("TsGaussian", c.caption);
    TPatternRoot p = Marked();
    ApplyUIToPatternType(form, p);
    EXPECT_EQ(p.FPattern->FType, c.type) << '"' << c.caption << '"';
  }

  // A sine caption on another page names the type but writes no levels or frequency:
  // those belong to the sine page itself.
  form.SetControlCaption("TsGaussian", "Sine");
  TPatternRoot p = Marked();
  ApplyUIToPatternType(form, p);
  ExpectWritten(p, {11, 22, 33});
}

TEST(PatternTabMapping, MissingBlocks) {
  FormModel form;

  // The Superpulse tab creates a missing pulse block for its frequency; the other tabs
  // write only into blocks the document has.
  form.SetActivePage("PcParams", "TsSuper");
  TPatternRoot p = Marked();
  p.FPattern->FPulse = nullptr;
  ApplyUIToPatternType(form, p);
  ASSERT_TRUE(p.FPattern->FPulse);
  EXPECT_DOUBLE_EQ(p.FPattern->FPulse->FFreqHz, 5.0);
  EXPECT_DOUBLE_EQ(p.FPattern->FPulse->FDutyPct, 50.0);  // the rest as constructed

  form.SetActivePage("PcParams", "TsSigmoid");
  TPatternRoot q = Marked();
  q.FPattern->FPulse = nullptr;
  q.FPattern->FLevels = nullptr;
  ApplyUIToPatternType(form, q);
  EXPECT_EQ(q.FPattern->FType, "sigmoid");
  EXPECT_FALSE(q.FPattern->FPulse);
  EXPECT_FALSE(q.FPattern->FLevels);

  // Without a body neither operation changes anything.
  TPatternRoot noBody = Marked();
  noBody.FPattern = nullptr;
  const TPatternRoot before = noBody;
  ApplyPatternTypeFromUI(form, noBody);
  ApplyUIToPatternType(form, noBody);
  EXPECT_EQ(noBody, before);
}

}  // namespace
}  // namespace voltaris
