#include <gtest/gtest.h>

#include "common/numbers.h"
#include "form/form_model.h"

namespace voltaris {
namespace {

TEST(FormModel, SeededFromTheLayoutTable) {
  FormModel form;
  for (const LayoutRow& entry : LayoutTable()) {
    const Control& c = form.Get(entry.name);
    EXPECT_EQ(c.Text(), entry.text) << entry.name;
    EXPECT_EQ(c.Caption(), entry.caption) << entry.name;
    EXPECT_EQ(c.Hint(), entry.hint) << entry.name;
  }
  EXPECT_EQ(form.Get("PcParams").ActivePage(), "tsCC_CV");
  EXPECT_EQ(form.Get("sgCalib").Cells().size(), 4u);
  EXPECT_EQ(form.Get("sgCalib").Cells()[0].size(), 4u);
  EXPECT_EQ(form.Chart("chSim").title, "Simulation I(t) + V(t) + SEI");
  EXPECT_EQ(form.Find("noSuchControl"), nullptr);
  EXPECT_THROW(form.Get("noSuchControl"), FormError);
}

TEST(FormModel, NumberReadIsCachedUntilTheTextChanges) {
  FormModel form;
  EXPECT_DOUBLE_EQ(form.Number("EdSineMax", 0), 2.0);
  form.SetText("EdSineMax", "3.5");
  EXPECT_DOUBLE_EQ(form.Number("EdSineMax", 0), 3.5);
  form.SetText("EdSineMax", "x");
  EXPECT_DOUBLE_EQ(form.Number("EdSineMax", 7), 7);  // each read brings its own fallback
  EXPECT_DOUBLE_EQ(form.Number("EdSineMax", 8), 8);
  const char saved = UserDecimalSeparator();
  form.SetText("EdSineMax", "1,25");
  SetUserDecimalSeparator(',');
  EXPECT_DOUBLE_EQ(form.Number("EdSineMax", 0), 1.25);  // separator change re-reads
  SetUserDecimalSeparator('.');
  EXPECT_DOUBLE_EQ(form.Number("EdSineMax", 0), 0);
  SetUserDecimalSeparator(saved);
}

TEST(FormModel, WritesFireHandlersLikeTheDesktopToolkit) {
  FormModel form;
  int edits = 0, clicks = 0, pages = 0, combos = 0;
  form.OnChange("edtFs", [&](const std::string& sender) {
    EXPECT_EQ(sender, "edtFs");
    ++edits;
  });
  form.OnClick("chkInterp", [&](const std::string&) { ++clicks; });
  form.OnChange("PcParams", [&](const std::string&) { ++pages; });
  form.OnChange("cbSEI", [&](const std::string&) { ++combos; });

  form.SetText("edtFs", "500");
  form.SetText("edtFs", "500");  // unchanged text: no change event
  form.SetChecked("chkInterp", true);
  form.SetChecked("chkInterp", true);
  form.SetActivePage("PcParams", "TsSine");  // programmatic page switch: silent
  form.SetItemIndex("cbSEI", 2);             // programmatic selection: silent
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(pages, 0);
  EXPECT_EQ(combos, 0);

  form.UserSetPage("PcParams", "TsSuper");
  form.UserSelect("cbSEI", 1);
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(combos, 1);
  EXPECT_EQ(form.Text("cbSEI"), "model-A");
  EXPECT_THROW(form.SetActivePage("PcParams", "tsChemistry"), FormError);
}

TEST(FormModel, DropDownListTextFollowsItsItems) {
  FormModel form;
  form.SetText("cbSEI", "model-B");
  EXPECT_EQ(form.Get("cbSEI").ItemIndex(), 2);
  form.SetItems("cbSEI", {"LFP – LFP_21700"});
  EXPECT_EQ(form.Get("cbSEI").ItemIndex(), -1);
  EXPECT_EQ(form.Text("cbSEI"), "");
  // An editable box keeps its own text.
  form.SetText("cbJsonType", "anything");
  EXPECT_EQ(form.Get("cbJsonType").ItemIndex(), -1);
  form.SetItemIndex("cbJsonType", 3);
  EXPECT_EQ(form.Text("cbJsonType"), "Cal (.hxcal)");
}

TEST(FormModel, AFailingHandlerIsReportedOnceByTheOutermostEvent) {
  FormModel form;
  std::vector<std::string> reported;
  form.onError = [&](const std::string& m) { reported.push_back(m); };
  bool restRan = false;
  form.OnChange("edtV0", [&](const std::string&) { throw FormError("bad voltage"); });
  form.OnClick("btnStart", [&](const std::string&) {
    form.SetText("edtV0", "9");  // fires the failing change handler
    restRan = true;              // skipped: the failure ends the click
  });
  form.UserClick("btnStart");
  EXPECT_EQ(reported, std::vector<std::string>{"bad voltage"});
  EXPECT_FALSE(restRan);
  // The next event starts fresh.
  form.UserSetText("edtV0", "10");
  EXPECT_EQ(reported.size(), 2u);
}

TEST(FormModel, TrackbarPositionIsClampedToItsRange) {
  FormModel form;
  int changes = 0;
  form.OnChange("tbSpeed", [&](const std::string&) { ++changes; });
  form.UserSetPosition("tbSpeed", 500);
  EXPECT_EQ(form.Get("tbSpeed").Position(), 150);
  form.UserSetPosition("tbSpeed", 150);
  EXPECT_EQ(changes, 1);
  form.SetRange("tbSpeed", 0, 100);
  EXPECT_EQ(form.Get("tbSpeed").Position(), 100);
}

TEST(ChartModel, SignatureRisesOnEveryChange) {
  ChartModel chart("chI", "Current I(t)");
  auto sig = chart.Signature();
  auto expectRise = [&](const char* what) {
    EXPECT_GT(chart.Signature(), sig) << what;
    sig = chart.Signature();
  };
  SeriesModel& s = chart.AddSeries("FSerI", SeriesKind::FastLine);
  expectRise("add series");
  s.Add(0, 1);
  expectRise("add point");
  s.Clear();
  expectRise("clear");
  chart.Invalidate();
  expectRise("invalidate");
  auto taken = chart.TakeSeries("FSerI");
  ASSERT_TRUE(taken);
  expectRise("take series");
  chart.SetZoom({0, 1, 0, 1});
  expectRise("zoom");
  chart.UndoZoom();
  expectRise("undo zoom");
  EXPECT_FALSE(chart.Zoom().has_value());
}

}  // namespace
}  // namespace voltaris
