#include "waveform/pattern_tab_mapping.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "waveform/kind_text.h"
#include "waveform/pattern_kind.h"
#include "waveform/pattern_shapes.h"

namespace voltaris {

namespace {

// A number typed in an edit, read with its fallback `value`; without a control name it
// is the constant `value`.
struct TEntry {
  std::string_view control{};
  double value = 0;
};

enum class TFreqRule {
  Unchanged,
  Entry,     // the first entry, in Hz
  PeriodMs,  // 1000 / max(sum of the entries in ms, 1)
};

// One row of the caption classification: the first row whose test the caption passes
// decides what is written.
struct TCaptionRule {
  std::array<std::string_view, 2> anyOf{};  // caption contains one of these (no test: any caption)
  std::string_view noneOf{};                // ... and not this
  std::string_view type{};
  bool levels = false;
  TEntry low{};
  TEntry high{};
  TFreqRule freqRule = TFreqRule::Unchanged;
  std::array<TEntry, 3> freq{};
  bool createsPulse = false;      // a missing pulse block is created for the frequency
  std::string_view onlyOnPage{};  // levels and frequency only when this very page is active
};

// The order matters where captions overlap: "Damped Sine" holds "sin", so the sine row
// excludes "damped"; "trap" is tested before "tri".
constexpr std::array<TCaptionRule, 14> kCaptionRules{{
    {.anyOf = {"sin"}, .noneOf = "damped", .type = "sinusoidal", .levels = true, .low = {"EdSineMin", 0},
     .high = {"EdSineMax", 2}, .freqRule = TFreqRule::Entry, .freq = {{{"EdSineF", 1}}}, .onlyOnPage = "TsSine"},
    {.anyOf = {"trap", "trapez"}, .type = "ramped_square"},
    {.anyOf = {"triang", "tri"}, .type = "triangle", .levels = true, .low = {"EdTriMin", 0},
     .high = {"EdTriMax", 5}, .freqRule = TFreqRule::PeriodMs,
     .freq = {{{"EdTriRiseMs", 500}, {"EdTriFallMs", 500}}}},
    // Base + top + gap: the rise and fall times are not counted.
    {.anyOf = {"super"}, .type = "superpulse", .levels = true, .low = {"EdBaseA", 0.1}, .high = {"EdTopA", 0.9},
     .freqRule = TFreqRule::PeriodMs, .freq = {{{"EdBase", 50}, {"EdTop", 150}, {"EdGap", 0}}},
     .createsPulse = true},
    {.anyOf = {"tang"}, .type = "tangential", .levels = true, .low = {"EdTanBase", 0}, .high = {"EdTanPeak", 5},
     .freqRule = TFreqRule::Entry, .freq = {{{"", 1}}}},
    {.anyOf = {"parab"}, .type = "parabola", .levels = true, .low = {"EdParaI0", 0}, .high = {"EdParaI1", 5}},
    {.anyOf = {"bezier"}, .type = "bezier", .levels = true, .low = {"EdBezScaleMin", 0},
     .high = {"EdBezScaleMax", 5}, .freqRule = TFreqRule::PeriodMs, .freq = {{{"EdBezDur", 1000}}}},
    {.anyOf = {"sigm"}, .type = "sigmoid", .levels = true, .low = {"EdSigI0", 0}, .high = {"EdSigI1", 5},
     .freqRule = TFreqRule::PeriodMs, .freq = {{{"EdSigDur", 1000}}}},
    {.anyOf = {"gauss"}, .type = "gaussian"},
    {.anyOf = {"damped"}, .type = "damped_sine", .levels = true, .low = {"EdDampMin", 0},
     .high = {"EdDampMax", 5}, .freqRule = TFreqRule::Entry, .freq = {{{"EdDampF", 1}}}},
    {.anyOf = {"exp"}, .type = "exponential", .levels = true, .low = {"EdExpI0", 0}, .high = {"EdExpI1", 5},
     .freqRule = TFreqRule::PeriodMs, .freq = {{{"EdExpDur", 1000}}}},
    {.anyOf = {"lut", "custom"}, .type = "lut"},
    {.anyOf = {"cc_cv"}, .type = "cc_cv", .levels = true, .low = {"", 0}, .high = {"edtCC_A", 2.5}},
    {.type = "sinusoidal"},
}};

bool Passes(const TCaptionRule& rule, const std::string& caption) {
  const auto has = [&caption](std::string_view part) {
    return !part.empty() && caption.find(part) != std::string::npos;
  };
  const bool anyTest = std::any_of(rule.anyOf.begin(), rule.anyOf.end(), [](auto s) { return !s.empty(); });
  if (anyTest && !std::any_of(rule.anyOf.begin(), rule.anyOf.end(), has)) return false;
  return !has(rule.noneOf);
}

double Read(FormModel& form, const TEntry& entry) {
  if (entry.control.empty()) return entry.value;
  return ControlNumber(form.Find(entry.control), entry.value);
}

double Frequency(FormModel& form, const TCaptionRule& rule) {
  if (rule.freqRule == TFreqRule::Entry) return Read(form, rule.freq[0]);
  double periodMs = 0.0;
  for (const TEntry& e : rule.freq) periodMs += Read(form, e);
  return 1000.0 / std::max(periodMs, 1.0);
}

// Name of the active page of PcParams (empty without the page control).
std::string ActivePageName(FormModel& form) {
  const Control* pages = form.Find("PcParams");
  return pages ? pages->ActivePage() : std::string();
}

}  // namespace

void ApplyPatternTypeFromUI(FormModel& form, TPatternRoot& pattern) {
  if (!pattern.FPattern) return;
  if (const TPatternTab* tab = FindPatternTab(ActivePageName(form))) pattern.FPattern->FType = tab->typeName;
}

void ApplyUIToPatternType(FormModel& form, TPatternRoot& pattern) {
  if (!pattern.FPattern) return;
  TPatternBody& body = *pattern.FPattern;
  const std::string pageName = ActivePageName(form);
  const Control* page = pageName.empty() ? nullptr : form.Find(pageName);
  const std::string caption = TrimLowerAscii(page ? page->Caption() : std::string());

  const TCaptionRule& rule =
      *std::find_if(kCaptionRules.begin(), kCaptionRules.end(), [&](const auto& r) { return Passes(r, caption); });
  body.FType = rule.type;
  if (!rule.onlyOnPage.empty() && !SamePageName(pageName, rule.onlyOnPage)) return;

  if (rule.levels && body.FLevels) {
    body.FLevels->FILowA = Read(form, rule.low);
    body.FLevels->FIHighA = Read(form, rule.high);
  }
  if (rule.freqRule != TFreqRule::Unchanged) {
    if (!body.FPulse && rule.createsPulse) body.FPulse.Recreate();
    if (body.FPulse) body.FPulse->FFreqHz = Frequency(form, rule);
  }
}

}  // namespace voltaris
