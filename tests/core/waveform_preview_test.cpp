// The pattern layer read from the window, and the reference preview on chWave: what
// the window shows after pattern edits, tab switches and the ZOH/Linear check box.
#include <gtest/gtest.h>

#include "layout_values.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "automation/script_runner.h"
#include "common/numbers.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

class WaveformWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    RestoreLayoutValues(form());  // the layout's inputs, whatever session was restored
    wave().preview.EnsureWaveSeries();  // the window's chart set-up does this at creation
  }
  TWaveform& wave() { return form_.waveform; }
  FormModel& form() { return form_.Form(); }
  ChartModel& chart() { return form().Chart("chWave"); }
  const SeriesModel& ref() { return *chart().FindSeries("FSerWaveRef"); }
  const std::string& caption(const char* name) { return form().Get(name).Caption(); }
  void Page(const char* page) { form().UserSetPage("PcParams", page); }
  // The preview value at t (s): the series holds one point per millisecond.
  double At(double t) { return ref().Y(static_cast<size_t>(std::lround(t * 1000))); }

  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(WaveformWindowTest, ActivePatternFollowsTheTabAndTheEdits) {
  // CC_CV: the window's CC-CV law charges at the first current step (1.2 A).
  EXPECT_DOUBLE_EQ(wave().shapes.ActivePatternRaw(0.1), 1.2);
  wave().shapes.ccCvSetPoint = [](double t) { return 10 * t; };
  EXPECT_DOUBLE_EQ(wave().shapes.ActivePatternRaw(0.25), 2.5);

  Page("TsSuper");
  EXPECT_TRUE(wave().shapes.ActiveIs("tssuper"));
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.135), 4.0, 1e-6);
  form().UserSetText("edSprTopA", "6");  // an edit takes effect at the next evaluation
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.135), 6.0, 1e-6);
  form().UserCheck("chkSuperSoft", false);
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.100), 3.0, 1e-6);

  // Unreadable entries take the fallback of their control, which may differ from the initial text.
  Page("TsTang");
  form().UserSetText("EdTanHold", "x");  // 5 ms: rise 0-40, hold to 45, fall to 85
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.044), 3.0, 1e-9);
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.085), 1.0, 1e-9);
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.020), 1.0 + 2.0 * std::pow(0.5, 1.5), 1e-9);  // empty K: 1.5
  form().UserSetText("CbTanK", "2.0");
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.020), 1.5, 1e-9);  // x^2 at x = 0.5
  form().UserSelect("CbTanProfile", 1);                           // smoothstep
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.020), 1.5, 1e-9);
  Page("TsTrap");
  form().UserSetText("EdTrapTopA", "");  // fallback 60 A
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.1), 60.0, 1e-9);
  Page("TsBezier");
  form().UserSetText("EdBezPoints", "[[0,0],[1,1]]");
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.05), 2.75, 1e-9);
  form().UserSetText("EdBezPoints", "1,2,3");
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.05), 2.0, 1e-9);

  for (const char* page : {"TsSine", "TsCustom"}) {  // formed by the caller
    Page(page);
    EXPECT_EQ(wave().shapes.ActivePatternRaw(0.03), 0.0) << page;
  }
}

TEST_F(WaveformWindowTest, PatternFrequencyAndTemplateTable) {
  struct Case {
    const char* page;
    const char* edit;
    const char* text;
    double hz;
  };
  const Case cases[] = {{"TsSine", "EdSineF", "7", 7},
                        {"TsSine", "EdSineF", "x", 5},
                        {"TsDamped", "EdDampF", "2", 2},
                        {"TsDamped", "EdDampF", "", 3},
                        {"TsTri", "EdSineF", "9", 1}};
  for (const auto& c : cases) {
    Page(c.page);
    form().SetText(c.edit, c.text);
    EXPECT_EQ(wave().shapes.GetPatternFreqHzFromUI(), c.hz) << c.page << " " << c.text;
  }

  TPatternShapes& s = wave().shapes;
  EXPECT_EQ(s.ChemLutAtTime(0.1), 0.0);  // no template loaded
  s.SetChemTable({0, 0.5, 1, 0.25}, 400, 1, 3);
  ASSERT_TRUE(s.FChemValid);
  EXPECT_NEAR(s.ChemLutAtTime(0.051), 2 + 0.5 * 3, 1e-12);  // EdLUTDur 200 ms, EdLUTMin 2, EdLUTMax 5
  form().SetText("EdLUTDur", "0");                          // not above 0: the template's 400 ms
  form().SetText("EdLUTMin", "x");                          // unreadable: the template's 1 A
  EXPECT_NEAR(s.ChemLutAtTime(0.051), 1.0, 1e-12);
  EXPECT_NEAR(s.ChemLutAtTime(0.101), 1 + 0.5 * 4, 1e-12);
  s.SetChemTable({0.5}, 400, 1, 3);  // one value is no usable table
  EXPECT_FALSE(s.FChemValid);
  EXPECT_EQ(s.ChemLutAtTime(0.1), 0.0);
}

TEST_F(WaveformWindowTest, PreviewOfTheInitialSuperpulseTab) {
  Page("TsSuper");
  ASSERT_EQ(ref().Count(), 1000u);  // P = 0.22 s: a 1 s window at 1 kHz
  EXPECT_EQ(ref().X(999), 0.999);
  EXPECT_NEAR(At(0.135), 4.0, 1e-6);
  EXPECT_NEAR(At(0.025), 1.0, 1e-12);
  EXPECT_EQ(caption("lblSuperAvgI"), "Min 1.00 A  |  Avg 2.50 A  |  Max 4.00 A");
  EXPECT_EQ(chart().left.automatic, false);
  EXPECT_DOUBLE_EQ(chart().left.minimum, 0.0);
  EXPECT_DOUBLE_EQ(chart().left.maximum, 4.5);
  EXPECT_DOUBLE_EQ(chart().bottom.maximum, 1.0);
  EXPECT_DOUBLE_EQ(chart().bottom.increment, 0.1);
  EXPECT_EQ(chart().bottom.valueFormat, "0.0");
  EXPECT_EQ(ref().color, (Rgb{255, 0, 0}));
  EXPECT_EQ(ref().width, 2);
  EXPECT_TRUE(chart().style.dark);
  EXPECT_EQ(chart().style.backColor, (Rgb{24, 24, 24}));
}

TEST_F(WaveformWindowTest, PreviewWindowFollowsThePeriod) {
  struct Case {
    const char* page;
    const char* edit;
    const char* text;
    size_t points;
    double step;
  };
  const Case cases[] = {
      {"TsParab", "EdParaDur", "200", 1000, 0.1},   {"TsParab", "EdParaDur", "5000", 10000, 1},
      {"TsParab", "EdParaDur", "50000", 100000, 1}, {"TsParab", "EdParaDur", "150000", 199000, 1},
      {"TsSine", "EdSineF", "5", 1000, 0.1},        {"TsSine", "EdSineF", "1", 10000, 1},
      {"TsDamped", "EdDampF", "0.5", 10000, 1},     {"TsTrap", "EdTrapBottomMs", "1000", 10000, 1},
      {"tsCC_CV", "edtCC_A", "2.5", 10000, 1},
  };
  for (const auto& c : cases) {
    Page(c.page);
    form().UserSetText(c.edit, c.text);
    EXPECT_EQ(ref().Count(), c.points) << c.page << " " << c.text;
    EXPECT_DOUBLE_EQ(chart().bottom.maximum, static_cast<double>(c.points) / 1000) << c.page;
    EXPECT_DOUBLE_EQ(chart().bottom.increment, c.step) << c.page;
  }
}

TEST_F(WaveformWindowTest, PreviewLabelsAndLevels) {
  Page("tsCC_CV");
  form().UserSetText("edtCC_A", "-2");
  EXPECT_EQ(caption("lblsineavg"), "CC -2.00 A   |   Avg -2.00 A");
  EXPECT_DOUBLE_EQ(At(3.0), -2.0);
  EXPECT_DOUBLE_EQ(chart().left.minimum, -2.5);
  EXPECT_DOUBLE_EQ(chart().left.maximum, 0.5);

  Page("TsSigmoid");  // a falling sigmoid: the axis still spans both levels
  form().UserSetText("EdSigI0", "5");
  form().UserSetText("EdSigI1", "2");
  EXPECT_EQ(caption("lblSigmoidAvgI"), "Min 5.00 A   |   Avg 3.50 A   |   Max 2.00 A");
  EXPECT_DOUBLE_EQ(chart().left.minimum, 0.0);
  EXPECT_DOUBLE_EQ(chart().left.maximum, 5.5);

  Page("TsDamped");  // the preview's damped sine: one envelope, Tau taken as seconds
  form().UserSetText("EdDampPhase", "90");
  form().UserSetText("EdDampTau", "0.3");
  EXPECT_NEAR(At(0.4), 3.5 + 1.5 * std::exp(-0.4 / 0.3), 1e-9);
  EXPECT_EQ(caption("lblDampedAvgI"), "Min 2.00 A   |   Avg 3.50 A   |   Max 5.00 A");

  Page("TsBezier");  // the preview's own fallbacks: scale 0 and 60
  form().UserSetText("EdBezScaleMax", "?");
  EXPECT_EQ(caption("lblBezierAvgI"), "Min 2.00 A   |   Avg 31.00 A   |   Max 60.00 A");
  const uint64_t before = ref().revision;
  form().UserSetText("EdBezPoints", "[[0,0]]");  // too few points: the previous preview stays
  EXPECT_EQ(ref().revision, before);
  form().UserSetText("EdBezScaleMax", "5");
  EXPECT_EQ(ref().revision, before);
  form().UserSetText("EdBezPoints", "[[0,0],[x,1]]");  // "x" reads as 0: two points
  EXPECT_NEAR(At(0.05), 2.75, 1e-9);
}

TEST_F(WaveformWindowTest, CustomLutPreviewWithZohAndLinear) {
  Page("TsCustom");
  EXPECT_EQ(caption("lblCustomAvgI"), "Min 2.00 A   |   Avg 3.50 A   |   Max 5.00 A");
  EXPECT_NEAR(At(0.06), 2.45, 1e-9);  // zero-order hold, r = 4 phi
  form().UserCheck("chkInterp", true);
  EXPECT_EQ(caption("chkInterp"), "Linear");
  EXPECT_NEAR(At(0.06), 2.66, 1e-9);
  form().UserCheck("chkInterp", false);
  EXPECT_EQ(caption("chkInterp"), "ZOH");
  EXPECT_NEAR(At(0.06), 2.45, 1e-9);

  const uint64_t before = ref().revision;
  form().UserSetText("EdLUTPoints", "0.5");  // one point and no template: nothing redrawn
  EXPECT_EQ(ref().revision, before);

  // A loaded template supplies the table when the typed list is too short, and its
  // levels and cycle whenever it is loaded.
  wave().shapes.SetChemTable({1, 0}, 1000, 1, 3);
  wave().preview.DrawReferenceWave();
  EXPECT_EQ(ref().Count(), 10000u);  // 1 s cycle: 10 s window
  EXPECT_NEAR(At(0.7), 3.0, 1e-12);  // index (M - 1) phase: the hold never reaches the last entry
  form().UserCheck("chkInterp", true);
  EXPECT_NEAR(At(0.75), 1.5, 1e-12);
  EXPECT_EQ(caption("lblCustomAvgI"), "Min 1.00 A   |   Avg 2.00 A   |   Max 3.00 A");
}

TEST_F(WaveformWindowTest, ChemistryTableModeReplacesTheRunWave) {
  std::vector<double> wave;
  double fs = 0;
  form_.waveform.preview.onChemPreviewWave = [&](const std::vector<double>& w, double f) {
    wave = w;
    fs = f;
  };
  form_.waveform.shapes.SetChemTable({0, 1}, 100, 1, 3);
  form().SetItemIndex("cbJsonType", 2);
  Page("TsSine");  // any tab: the template table decides
  ASSERT_EQ(ref().Count(), 1000u);
  EXPECT_DOUBLE_EQ(At(0.05), 2.0);  // EdLUTDur 200 ms and 2..5 A override the template
  EXPECT_DOUBLE_EQ(At(0.15), 5.0);
  EXPECT_EQ(wave, ref().Ys());
  EXPECT_EQ(fs, 1000.0);
  EXPECT_EQ(caption("lblsineavg"), "Min 2.00 A   |   Avg 3.50 A   |   Max 5.00 A");
  form().UserSetText("EdLUTDur", "150000");
  EXPECT_EQ(ref().Count(), 199000u);
  EXPECT_DOUBLE_EQ(chart().bottom.increment, 20.0);
}

TEST_F(WaveformWindowTest, EveryPatternControlRedrawsThePreview) {
  for (const char* name : TWaveform::PatternControlNames()) EXPECT_TRUE(form().HasChangeHandler(name)) << name;
  Page("TsSuper");
  form().UserSetText("edSprTopA", "7");
  EXPECT_EQ(caption("lblSuperAvgI"), "Min 1.00 A  |  Avg 4.00 A  |  Max 7.00 A");
  form().UserCheck("chkSuperSoft", false);
  EXPECT_NEAR(At(0.135), 7.0, 1e-9);
  EXPECT_NEAR(At(0.100), 3.0, 1e-9);  // outside the flat 20 ms super-top
}

TEST_F(WaveformWindowTest, CommaDecimalSeparatorInTheWindow) {
  const char saved = UserDecimalSeparator();
  SetUserDecimalSeparator(',');
  Page("TsSine");
  form().UserSetText("EdSineMax", "2,5");
  double lo = 0, hi = 0, f = 0;
  wave().shapes.GetSineParamsFromUI(lo, hi, f);
  EXPECT_DOUBLE_EQ(hi, 2.5);
  EXPECT_EQ(caption("lblsineavg"), "Min 0,40 A   |   Avg 1,45 A   |   Max 2,50 A");
  Page("TsTang");
  form().UserSetText("CbTanK", "3,0");  // the items read "3.0"; a typed "3,0" means the same
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.020), 1.0 + 2.0 * 0.125, 1e-9);
  form().UserSetText("CbTanK", "3.0");
  EXPECT_NEAR(wave().shapes.ActivePatternRaw(0.020), 1.0 + 2.0 * 0.125, 1e-9);
  Page("TsBezier");  // the preview reads "0.5" as 0.5, not as 0
  form().UserSetText("EdBezPoints", "[[0, 0], [1, 0.5]]");
  EXPECT_NEAR(At(0.1), 2.0 + 3.0 * 0.25, 1e-9);
  SetUserDecimalSeparator(saved);
}

// The automation script drives the same behaviour: probes and the preview series in the dump.
class WaveformScriptTest : public WaveformWindowTest {
 protected:
  HeadlessHost host_{form_, platform_};
  ScriptRunner runner_{form_, platform_, host_};
};

TEST_F(WaveformScriptTest, ProbesAndPreviewAfterAnEditAndATabSwitch) {
  ASSERT_EQ(runner_.RunText("page PcParams TsSuper\n"
                            "probe ActivePatternRaw 0.135\n"
                            "set EdTop 50\n"
                            "probe ActivePatternRaw 0.085\n"
                            "page PcParams TsTri\n"
                            "select CbTriMode 2\n"
                            "probe GetPatternFreqHzFromUI\n"
                            "probe VFromSchedule 600\n"
                            "probe StepTargetAvgWithRamp 310 10 10\n"
                            "probe VoltageRampEnv 120 3600 240 120\n"
                            "probe ApplyShape 0.5 3\n"
                            "probe ChemLutAtTime 0.1\n"),
            0);
  const Json d = runner_.Dump(false);
  const Json& p = d["probes"];
  ASSERT_EQ(p.size(), 8u);
  EXPECT_NEAR(p[0]["result"].get<double>(), 4.0, 1e-6);
  EXPECT_NEAR(p[1]["result"].get<double>(), 4.0, 1e-6);  // middle of the shortened top
  EXPECT_EQ(p[2]["result"], 1.0);
  EXPECT_NEAR(p[3]["result"].get<double>(), 1.6, 1e-12);
  EXPECT_NEAR(p[4]["result"].get<double>(), 2 - 0.8 * std::exp(-1.0), 1e-9);
  EXPECT_NEAR(p[5]["result"].get<double>(), 0.5, 1e-12);
  EXPECT_NEAR(p[6]["result"].get<double>(), std::log10(5.5), 1e-12);
  EXPECT_EQ(p[7]["result"], 0.0);

  const Json& series = d["charts"]["chWave"]["series"];
  const auto it = std::find_if(series.begin(), series.end(), [](const Json& s) { return s["name"] == "FSerWaveRef"; });
  ASSERT_NE(it, series.end());
  EXPECT_EQ((*it)["title"], "Ref (preview)");
  EXPECT_EQ((*it)["points"], 1000);  // triangle 100 + 100 ms
  EXPECT_EQ((*it)["minY"], 2.0);
  EXPECT_EQ((*it)["maxY"], 5.0);
  EXPECT_EQ((*it)["first"], Json::array({0.0, 2.0}));  // updown starts at Min
  EXPECT_EQ(d["controls"]["lblTriangleAvgI"]["caption"], "Min 2.00 A   |   Avg 3.50 A   |   Max 5.00 A");
  EXPECT_EQ(d["controls"]["lblSuperAvgI"]["caption"], "Min 1.00 A  |  Avg 2.50 A  |  Max 4.00 A");
  EXPECT_EQ(d["state"]["FVSched"], Json::array());  // the probe leaves the run's schedule alone
}

}  // namespace
}  // namespace voltaris
