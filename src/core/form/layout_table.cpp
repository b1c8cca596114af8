// The main window declared as data: panels, groups, pages and every control with
// its caption label, initial text, state, size and hint. Rows are in creation order.

#include "form/layout.h"


namespace voltaris {

const std::vector<LayoutRow>& LayoutTable() {
  using K = ControlKind;
  static const std::vector<LayoutRow> table{
      // ---- Window regions ----
      {.name = "LeftPanel", .kind = K::Panel, .parent = "", .width = 433},
      {.name = "TopPanel", .kind = K::Panel, .parent = "", .height = 120},
      {.name = "MidPanel", .kind = K::Panel, .parent = ""},
      {.name = "RightPanel", .kind = K::Panel, .parent = "", .width = 382},
      {.name = "pnlChem", .kind = K::Panel, .parent = "RightPanel", .height = 724},
      {.name = "pnOCV", .kind = K::Panel, .parent = "RightPanel", .height = 167},
      {.name = "pnTemp", .kind = K::Panel, .parent = "RightPanel", .height = 151},

      // ---- Left panel: Formation Parameters ----
      {.name = "GroupBox3", .kind = K::Group, .parent = "LeftPanel",
       .caption = "Formation Parameters", .height = 80},
      {.name = "EdTotalMs", .kind = K::Edit, .parent = "GroupBox3",
       .label = "Max Formation time;(min)", .text = "60", .numeric = true,
       .hint = "Formation Time (min)|Total formation duration in minutes. Simulation stops early "
               "if SEI stabilizes before this limit."},
      {.name = "edtFs", .kind = K::Edit, .parent = "GroupBox3",
       .label = "Power Surce Responce time (ms)", .text = "1000", .numeric = true,
       .labelAlert = true,
       .hint = "Power Source Response (ms)|Power supply response time to set-point changes. "
               "Lower = faster response, higher = smoother transitions."},
      {.name = "EdClampMin", .kind = K::Edit, .parent = "GroupBox3",
       .label = "I Limit Min (A)", .text = "0", .numeric = true,
       .hint = "I Clamp Min (A)|Hard minimum current limit applied to all patterns."},
      {.name = "EdClampMax", .kind = K::Edit, .parent = "GroupBox3",
       .label = "I Limit Max (A)", .text = "10", .numeric = true,
       .hint = "I Clamp Max (A)|Hard maximum current limit applied to all patterns."},

      // ---- Left panel: Voltage Parameters ----
      {.name = "GroupBox1", .kind = K::Group, .parent = "LeftPanel",
       .caption = "Voltage Parameters", .height = 168},
      {.name = "edtVsteps", .kind = K::Edit, .parent = "GroupBox1",
       .label = "V Step (min,A;....)", .text = "5,1.2; 15,2; 25,2.6; 30,3.2; 40,3.6;",
       .fullWidth = true,
       .hint = "V-Step Profile (min,V; ...)|Time-voltage step profile. Example: "
               "\"0,2.8; 30,3.2; 60,3.6\" — format: minute,volt separated by semicolons."},
      {.name = "chkVRamp", .kind = K::Check, .parent = "GroupBox1",
       .caption = "Use Gloabal Voltage Ramp", .checked = true},
      {.name = "cbVShape", .kind = K::Combo, .parent = "GroupBox1", .label = "Ramp Type",
       .text = "S-curve", .items = {"Linear", "S-curve", "Parapolik", "Logaritmic"},
       .itemIndex = 1},
      {.name = "edtV0", .kind = K::Edit, .parent = "GroupBox1", .label = "Begining Voltage",
       .text = "1.0", .numeric = true,
       .hint = "Begin Voltage (V)|Start level of the global voltage ramp; the reference rises "
               "from here to the scheduled target over the ramp-up time."},
      {.name = "edtVt", .kind = K::Edit, .parent = "GroupBox1", .label = "Target Voltage",
       .text = "3.0", .numeric = true,
       .hint = "Target Voltage (V)|Target voltage — CC/CV transition point and upper ceiling "
               "for the V-Step profile."},
      {.name = "edtVRU", .kind = K::Edit, .parent = "GroupBox1", .label = "V Ramp up (s)",
       .text = "240", .numeric = true,
       .hint = "V Ramp Up (s)|Voltage ramp-up duration at the start of the run, shaped by the "
               "selected Ramp Type."},
      {.name = "edtVRD", .kind = K::Edit, .parent = "GroupBox1", .label = "V ramp down (s)",
       .text = "120", .numeric = true,
       .hint = "V Ramp Down (s)|Voltage ramp-down duration before the end of the run, shaped by "
               "the selected Ramp Type."},

      // ---- Left panel: Pattern Type ----
      {.name = "GroupBox2", .kind = K::Group, .parent = "LeftPanel", .caption = "Pattern Type",
       .height = 345},
      {.name = "PcParams", .kind = K::Pages, .parent = "GroupBox2", .text = "tsCC_CV"},

      // Sinusoidal
      {.name = "TsSine", .kind = K::Page, .parent = "PcParams", .caption = "Sinisoidal"},
      {.name = "EdSineMin", .kind = K::Edit, .parent = "TsSine", .label = "Min (A)",
       .text = "0.4", .numeric = true,
       .hint = "Sine Min Current (A)|Trough of the sine wave. The midpoint of Min and Max is also "
               "the reference level the I-Step profile scales against."},
      {.name = "EdSineMax", .kind = K::Edit, .parent = "TsSine", .label = "Max (A)",
       .text = "2.0", .numeric = true,
       .hint = "Sine Max Current (A)|Crest of the sine wave."},
      {.name = "EdSineF", .kind = K::Edit, .parent = "TsSine", .label = "Freq (Hz)", .text = "5",
       .numeric = true,
       .hint = "Sine Frequency (Hz)|Number of sine cycles per second."},
      {.name = "EdSinePhase", .kind = K::Edit, .parent = "TsSine", .label = "Phase (deg)",
       .text = "0", .visible = false},
      {.name = "lblsineavg", .kind = K::Label, .parent = "TsSine",
       .caption = "Avarage Current: 1.2"},

      // Superpulse
      {.name = "TsSuper", .kind = K::Page, .parent = "PcParams", .caption = "Superpulse"},
      {.name = "EdBaseA", .kind = K::Edit, .parent = "TsSuper", .label = "Base A", .text = "1",
       .hint = "Base Current (A)|Current of the base and gap segments between pulses."},
      {.name = "EdTopA", .kind = K::Edit, .parent = "TsSuper", .label = "Top A", .text = "3",
       .hint = "Top Current (A)|Current of the pulse top plateau."},
      {.name = "EdRise", .kind = K::Edit, .parent = "TsSuper", .label = "Rise (ms)", .text = "10",
       .hint = "Rise Time (ms)|Edge from base to top current; cosine-eased when Soft edges is "
               "checked, linear otherwise."},
      {.name = "EdTop", .kind = K::Edit, .parent = "TsSuper", .label = "Top (ms)", .text = "150",
       .hint = "Top Time (ms)|Duration of the top plateau; the super-top sits in its middle."},
      {.name = "EdFall", .kind = K::Edit, .parent = "TsSuper", .label = "Fall (ms)", .text = "10",
       .hint = "Fall Time (ms)|Edge from top back to base current; cosine-eased when Soft edges "
               "is checked."},
      {.name = "EdBase", .kind = K::Edit, .parent = "TsSuper", .label = "Base (ms)", .text = "50",
       .hint = "Base Time (ms)|Dwell at base current that opens each pulse period."},
      {.name = "EdRepeat", .kind = K::Edit, .parent = "TsSuper", .label = "Repeat", .text = "1"},
      {.name = "EdGap", .kind = K::Edit, .parent = "TsSuper", .label = "Gap (ms)", .text = "0"},
      {.name = "edSprTopA", .kind = K::Edit, .parent = "TsSuper", .label = "Super Top A",
       .text = "4"},
      {.name = "edSprTop", .kind = K::Edit, .parent = "TsSuper", .label = "Spr Top (ms)",
       .text = "20"},
      {.name = "chkSuperSoft", .kind = K::Check, .parent = "TsSuper", .caption = "Soft edges",
       .checked = true},
      {.name = "lblSuperAvgI", .kind = K::Label, .parent = "TsSuper",
       .caption = "Average Current:"},

      // Tangential
      {.name = "TsTang", .kind = K::Page, .parent = "PcParams", .caption = "Tangential"},
      {.name = "EdTanBase", .kind = K::Edit, .parent = "TsTang", .label = "Base A", .text = "1",
       .hint = "Base Current (A)|Current at the start of the rise and the end of the fall of each "
               "pulse."},
      {.name = "EdTanPeak", .kind = K::Edit, .parent = "TsTang", .label = "Peak A", .text = "3",
       .hint = "Peak Current (A)|Current reached at the end of the rise and held through the hold "
               "segment."},
      {.name = "EdTanRise", .kind = K::Edit, .parent = "TsTang", .label = "Rise (ms)",
       .text = "40",
       .hint = "Rise Time (ms)|Rise from base to peak, shaped by the selected profile and K."},
      {.name = "EdTanHold", .kind = K::Edit, .parent = "TsTang", .label = "Hold (ms)",
       .text = "60",
       .hint = "Hold Time (ms)|Time at peak current between rise and fall."},
      {.name = "EdTanFall", .kind = K::Edit, .parent = "TsTang", .label = "Fall (ms)",
       .text = "40",
       .hint = "Fall Time (ms)|Fall from peak back to base, mirroring the rise profile."},
      {.name = "CbTanProfile", .kind = K::Combo, .parent = "TsTang", .label = "Profile/K",
       .text = "linear", .items = {"linear", "smoothstep", "exp(K)", "sigmoid(K)"},
       .itemIndex = 0, .dropDownList = true},
      {.name = "CbTanK", .kind = K::Combo, .parent = "TsTang",
       .items = {"1.5", "2.0", "3.0", "5.0"}},
      {.name = "lblTangAvgI", .kind = K::Label, .parent = "TsTang",
       .caption = "Average Current:"},

      // Parabola
      {.name = "TsParab", .kind = K::Page, .parent = "PcParams", .caption = "Parabola"},
      {.name = "EdParaI0", .kind = K::Edit, .parent = "TsParab", .label = "I0 (A)", .text = "2",
       .numeric = true,
       .hint = "Start Current (A)|Current at the start and end of each parabola cycle."},
      {.name = "EdParaI1", .kind = K::Edit, .parent = "TsParab", .label = "I1 (A)", .text = "3",
       .numeric = true,
       .hint = "Mid-Cycle Current (A)|Current reached at mid-cycle, the apex of the parabola."},
      {.name = "EdParaDur", .kind = K::Edit, .parent = "TsParab", .label = "Duration (ms)",
       .text = "200", .numeric = true,
       .hint = "Cycle Duration (ms)|One cycle: I0 to I1 in the first half, back to I0 in the "
               "second."},
      {.name = "EdParaCurv", .kind = K::Edit, .parent = "TsParab", .label = "Curvature (K)",
       .text = "0.7", .numeric = true,
       .hint = "Curvature K|Exponent of each half: 1 = straight triangle, below 1 = dwells near "
               "I1, above 1 = dwells near I0."},
      {.name = "lblParapAvgI", .kind = K::Label, .parent = "TsParab",
       .caption = "Average Current:"},

      // Bezier
      {.name = "TsBezier", .kind = K::Page, .parent = "PcParams", .caption = "Bezier"},
      {.name = "EdBezDur", .kind = K::Edit, .parent = "TsBezier", .label = "Duration (ms)",
       .text = "200"},
      {.name = "EdBezScaleMin", .kind = K::Edit, .parent = "TsBezier", .label = "Scale Min (A)",
       .text = "2"},
      {.name = "EdBezScaleMax", .kind = K::Edit, .parent = "TsBezier", .label = "Scale Max (A)",
       .text = "5"},
      {.name = "EdBezPoints", .kind = K::Edit, .parent = "TsBezier",
       .label = "Points [[x,y],...]",
       .text = "[[0,0],[0.3,0.1],[0.7,0.9],[1,1],[0.7,0.9],[0.3,0.1],[0.0,0.0]]",
       .fullWidth = true},
      {.name = "lblBezierAvgI", .kind = K::Label, .parent = "TsBezier",
       .caption = "Average Current:"},

      // Triangle
      {.name = "TsTri", .kind = K::Page, .parent = "PcParams", .caption = "Triangle"},
      {.name = "CbTriMode", .kind = K::Combo, .parent = "TsTri", .label = "Mode", .text = "up",
       .items = {"up", "down", "updown", "downup"}, .itemIndex = 0,
       .dropDownList = true},
      {.name = "EdTriMin", .kind = K::Edit, .parent = "TsTri", .label = "Min (A)", .text = "2",
       .numeric = true,
       .hint = "Min Current (A)|Lowest current of the triangle wave."},
      {.name = "EdTriMax", .kind = K::Edit, .parent = "TsTri", .label = "Max (A)", .text = "5",
       .numeric = true,
       .hint = "Max Current (A)|Highest current of the triangle wave."},
      {.name = "EdTriRiseMs", .kind = K::Edit, .parent = "TsTri", .label = "Rise (ms)",
       .text = "100", .numeric = true,
       .hint = "Rise Time (ms)|Rise segment of the period; rise + fall make one triangle period."},
      {.name = "EdTriFallMs", .kind = K::Edit, .parent = "TsTri", .label = "Fall (ms)",
       .text = "100", .numeric = true,
       .hint = "Fall Time (ms)|Fall segment of the period; rise + fall make one triangle period."},
      {.name = "lblTriangleAvgI", .kind = K::Label, .parent = "TsTri",
       .caption = "Average Current:"},

      // Trapezoid
      {.name = "TsTrap", .kind = K::Page, .parent = "PcParams", .caption = "Trapezoid"},
      {.name = "EdTrapBaseA", .kind = K::Edit, .parent = "TsTrap", .label = "Base A",
       .text = "3", .numeric = true,
       .hint = "Base Current (A)|Current of the bottom segment of the trapezoid."},
      {.name = "EdTrapTopA", .kind = K::Edit, .parent = "TsTrap", .label = "Top A", .text = "5",
       .numeric = true,
       .hint = "Top Current (A)|Current of the trapezoid plateau."},
      {.name = "EdTrapRise", .kind = K::Edit, .parent = "TsTrap", .label = "Rise (ms)",
       .text = "10", .numeric = true,
       .hint = "Rise Time (ms)|Linear ramp from base to top current that opens each period."},
      {.name = "EdTrapTopMs", .kind = K::Edit, .parent = "TsTrap", .label = "Top (ms)",
       .text = "150", .numeric = true,
       .hint = "Top Time (ms)|Plateau duration at top current."},
      {.name = "EdTrapFall", .kind = K::Edit, .parent = "TsTrap", .label = "Fall (ms)",
       .text = "10", .numeric = true,
       .hint = "Fall Time (ms)|Linear ramp from top back to base current."},
      {.name = "EdTrapBottomMs", .kind = K::Edit, .parent = "TsTrap", .label = "Bottom (ms)",
       .text = "50", .numeric = true,
       .hint = "Bottom Time (ms)|Dwell at base current before the next period starts."},
      {.name = "EdTrapCorner", .kind = K::Edit, .parent = "TsTrap", .label = "Corner (ms)",
       .text = "0"},
      {.name = "lblTrapAvgI", .kind = K::Label, .parent = "TsTrap",
       .caption = "Average Current:"},

      // Sigmoid
      {.name = "TsSigmoid", .kind = K::Page, .parent = "PcParams", .caption = "Sigmoid"},
      {.name = "EdSigDur", .kind = K::Edit, .parent = "TsSigmoid", .label = "Duration (ms)",
       .text = "200", .numeric = true,
       .hint = "Cycle Duration (ms)|Length of one S-curve transition; each cycle restarts at the "
               "start current."},
      {.name = "EdSigI0", .kind = K::Edit, .parent = "TsSigmoid", .label = "I0 (A)", .text = "2",
       .numeric = true,
       .hint = "Start Current (A)|Current at the beginning of each sigmoid cycle."},
      {.name = "EdSigI1", .kind = K::Edit, .parent = "TsSigmoid", .label = "I1 (A)", .text = "5",
       .numeric = true,
       .hint = "End Current (A)|Current approached at the end of each sigmoid cycle."},
      {.name = "EdSigK", .kind = K::Edit, .parent = "TsSigmoid", .label = "K (steepness)",
       .text = "8", .numeric = true,
       .hint = "Steepness K|Slope of the S-curve at mid-cycle: higher = sharper step."},
      {.name = "lblSigmoidAvgI", .kind = K::Label, .parent = "TsSigmoid",
       .caption = "Average Current:"},

      // Gaussian
      {.name = "TsGaussian", .kind = K::Page, .parent = "PcParams", .caption = "Gaussian"},
      {.name = "EdGauDur", .kind = K::Edit, .parent = "TsGaussian", .label = "Duration (ms)",
       .text = "200", .numeric = true,
       .hint = "Cycle Duration (ms)|Length of one cycle; one Gaussian pulse per cycle."},
      {.name = "EdGauMin", .kind = K::Edit, .parent = "TsGaussian", .label = "Scale Min (A)",
       .text = "2", .numeric = true,
       .hint = "Min Current (A)|Baseline current of the Gaussian pulse, reached far from its center."},
      {.name = "EdGauMax", .kind = K::Edit, .parent = "TsGaussian", .label = "Scale Max (A)",
       .text = "5", .numeric = true,
       .hint = "Max Current (A)|Current at the center of the Gaussian pulse."},
      {.name = "EdGauMu", .kind = K::Edit, .parent = "TsGaussian", .label = "Center (0..1)",
       .text = "0.5", .numeric = true,
       .hint = "Center/Mu (0..1)|Pulse center: 0.5 = mid-cycle, 0.3 = front-loaded, "
               "0.7 = back-loaded."},
      {.name = "EdGauSigma", .kind = K::Edit, .parent = "TsGaussian", .label = "Sigma (0..0.5)",
       .text = "0.18", .numeric = true,
       .hint = "Pulse Width Sigma (0..0.5)|Pulse width as a fraction of the cycle: 0.1 = narrow "
               "spike, 0.3 = broad hump."},
      {.name = "lblGaussianAvgI", .kind = K::Label, .parent = "TsGaussian",
       .caption = "Average Current:"},

      // Damped Sine
      {.name = "TsDamped", .kind = K::Page, .parent = "PcParams", .caption = "Damped Sine"},
      {.name = "EdDampMin", .kind = K::Edit, .parent = "TsDamped", .label = "Imin (A)",
       .text = "2", .numeric = true,
       .hint = "Min Current (A)|Lower bound of the damped sine; the output never goes below it."},
      {.name = "EdDampMax", .kind = K::Edit, .parent = "TsDamped", .label = "Imax (A)",
       .text = "5", .numeric = true,
       .hint = "Max Current (A)|Upper bound of the damped sine; the output never exceeds it."},
      {.name = "EdDampF", .kind = K::Edit, .parent = "TsDamped", .label = "Freq (Hz)",
       .text = "5", .numeric = true,
       .hint = "Frequency (Hz)|Oscillation frequency; the decay envelope restarts every cycle."},
      {.name = "EdDampPhase", .kind = K::Edit, .parent = "TsDamped", .label = "Phase (deg)",
       .text = "0",
       .hint = "Phase (deg)|Start phase of the oscillation at the beginning of each cycle."},
      {.name = "EdDampTau", .kind = K::Edit, .parent = "TsDamped", .label = "Tau (ms)",
       .text = "300", .numeric = true,
       .hint = "Decay Tau (ms)|Envelope time constant: the swing falls to 37% after Tau within "
               "each cycle."},
      {.name = "lblDampedAvgI", .kind = K::Label, .parent = "TsDamped",
       .caption = "Average Current:"},

      // Exponential
      {.name = "TsExp", .kind = K::Page, .parent = "PcParams", .caption = "Exponential"},
      {.name = "EdExpDur", .kind = K::Edit, .parent = "TsExp", .label = "Duration (ms)",
       .text = "200", .numeric = true,
       .hint = "Cycle Duration (ms)|Length of one exponential rise; the curve restarts every "
               "cycle."},
      {.name = "EdExpI0", .kind = K::Edit, .parent = "TsExp", .label = "I0 (A)", .text = "2",
       .numeric = true,
       .hint = "Start Current (A)|Current at the start of each exponential cycle."},
      {.name = "EdExpI1", .kind = K::Edit, .parent = "TsExp", .label = "I1 (A)", .text = "5",
       .numeric = true,
       .hint = "End Current (A)|Current reached at the end of each exponential cycle."},
      {.name = "EdExpK", .kind = K::Edit, .parent = "TsExp", .label = "K (power)", .text = "2",
       .numeric = true,
       .hint = "Curve Power K|Positive = fast start (concave), negative = slow start (convex); "
               "0 acts as 1."},
      {.name = "lblExpAvgI", .kind = K::Label, .parent = "TsExp", .caption = "Average Current:"},

      // Custom LUT
      {.name = "TsCustom", .kind = K::Page, .parent = "PcParams", .caption = "Custom LUT"},
      {.name = "EdLUTDur", .kind = K::Edit, .parent = "TsCustom", .label = "Duration (ms)",
       .text = "200", .numeric = true,
       .hint = "Cycle Duration (ms)|Time for one pass through the LUT; overrides the template's "
               "cycle period."},
      {.name = "EdLUTMin", .kind = K::Edit, .parent = "TsCustom", .label = "Scale Min (A)",
       .text = "2", .numeric = true,
       .hint = "I-min Scale (A)|Minimum current scale — LUT 0.0 maps to this value."},
      {.name = "EdLUTMax", .kind = K::Edit, .parent = "TsCustom", .label = "Scale Max (A)",
       .text = "5", .numeric = true,
       .hint = "I-max Scale (A)|Maximum current scale — LUT 1.0 maps to this value."},
      {.name = "EdLUTPoints", .kind = K::Edit, .parent = "TsCustom",
       .label = "Points [0..1] (comma)", .text = "0;0.15;0.5;0.85;1", .fullWidth = true},
      {.name = "chkInterp", .kind = K::Check, .parent = "TsCustom", .caption = "ZOH"},
      {.name = "lblCustomAvgI", .kind = K::Label, .parent = "TsCustom",
       .caption = "Average Current:"},

      // CC_CV
      {.name = "tsCC_CV", .kind = K::Page, .parent = "PcParams", .caption = "CC_CV"},
      {.name = "edtCC_A", .kind = K::Edit, .parent = "tsCC_CV", .label = "Current Set Point",
       .text = "2.5", .numeric = true,
       .hint = "CC Current (A)|Constant current phase target. If I-Step is set, this is the "
               "initial value."},
      {.name = "chkDischargeEnable", .kind = K::Check, .parent = "tsCC_CV",
       .caption = "Discharge Enable"},
      {.name = "edDisC", .kind = K::Edit, .parent = "tsCC_CV", .label = "Discharge C (C)",
       .text = "0.5", .numeric = true,
       .hint = "Discharge Rate (C)|Discharge current as a C-rate of the cell capacity."},
      {.name = "edtDisVCut", .kind = K::Edit, .parent = "tsCC_CV", .label = "Cut Off Volt (V)",
       .text = "2.8", .numeric = true,
       .hint = "Discharge Cut-off (V)|Discharge ends when the cell voltage falls to this value."},
      {.name = "edtRestAfterCV", .kind = K::Edit, .parent = "tsCC_CV",
       .label = "Rest After CV (min)", .text = "5.0", .numeric = true,
       .hint = "Rest After CV (min)|Rest period after the CV phase before discharge."},
      {.name = "edtRestAfterDis", .kind = K::Edit, .parent = "tsCC_CV",
       .label = "Rest After DisCharge (min)", .text = "5.0", .numeric = true,
       .hint = "Rest After Dis (min)|Rest period after discharge before next cycle."},
      {.name = "edtVmax", .kind = K::Edit, .parent = "tsCC_CV", .label = "Maximum Voltage",
       .text = "3.6", .numeric = true,
       .hint = "CV Voltage (V)|CV phase target voltage. Keep 50mV below chemistry Vmax for "
               "safety."},
      {.name = "edtICC", .kind = K::Edit, .parent = "tsCC_CV", .label = "I cc", .text = "3.6",
       .numeric = true,
       .hint = "I-CC Set (A)|CC phase current set-point — mirrors edtCC_A, used by runtime "
               "engine."},
      {.name = "edtIcut", .kind = K::Edit, .parent = "tsCC_CV", .label = "I cut", .text = "3.6",
       .numeric = true,
       .hint = "I-Cut (A)|Formation ends when CV phase current drops below this cutoff value."},

      {.name = "chWave", .kind = K::Chart, .parent = "GroupBox2",
       .caption = "Reference Wave (short preview)", .height = 152},

      // ---- Left panel: Currrent Parameter ----
      {.name = "GroupBox4", .kind = K::Group, .parent = "LeftPanel",
       .caption = "Currrent Parameter", .height = 143},
      {.name = "edtIStep", .kind = K::Edit, .parent = "GroupBox4",
       .label = "I Step (min,A;....)", .text = "0,1.2; 5,2; 15,2.6; 30,3.2;", .fullWidth = true,
       .hint = "I-Step Profile (min,A; ...)|Time-current step profile. Example: "
               "\"0,0.5; 10,1.0; 30,2.0\" — modifies CC/CV set-point over time."},
      {.name = "chkIRamp", .kind = K::Check, .parent = "GroupBox4",
       .caption = "Use Global Current Ramp", .checked = true},
      // A drop-down list always shows its selected item.
      {.name = "cbIShape", .kind = K::Combo, .parent = "GroupBox4", .label = "Ramp Profile",
       .text = "S-curve", .items = {"Linear", "S-curve", "Parapolik", "Logaritmic"},
       .itemIndex = 0},
      {.name = "edtRU", .kind = K::Edit, .parent = "GroupBox4", .label = "Ramp Up (s)",
       .text = "240", .numeric = true,
       .hint = "I Ramp Up (s)|Current ramp-up duration. Larger cells require longer ramps "
               "(rule: Qn_Ah * 12 seconds)."},
      {.name = "edtRD", .kind = K::Edit, .parent = "GroupBox4", .label = "RampDown (s)",
       .text = "120", .numeric = true,
       .hint = "I Ramp Down (s)|Current ramp-down duration before the end of the run; also "
               "paces falling I-Step transitions."},

      // ---- Left panel: run controls ----
      {.name = "GroupBox5", .kind = K::Group, .parent = "LeftPanel", .height = 96},
      {.name = "lblSpeed", .kind = K::Label, .parent = "GroupBox5", .caption = "Speed: 10x"},
      {.name = "tbSpeed", .kind = K::Trackbar, .parent = "GroupBox5", .minimum = 0,
       .maximum = 150, .position = 100, .frequency = 5},
      {.name = "btnStart", .kind = K::Button, .parent = "GroupBox5", .caption = "Start"},
      {.name = "btnReset", .kind = K::Button, .parent = "GroupBox5", .caption = "Reset Memory"},
      {.name = "btnStop", .kind = K::Button, .parent = "GroupBox5", .caption = "Stop"},

      // ---- Left panel: AI assistant ----
      {.name = "grpAI", .kind = K::Group, .parent = "LeftPanel",
       .caption = "AI Analysis (Claude)", .height = 208},
      {.name = "memoAIResponse", .kind = K::Memo, .parent = "grpAI", .readOnly = true},
      {.name = "edAIQuery", .kind = K::Edit, .parent = "grpAI",
       .placeholder = "Ask a question..."},
      {.name = "btnAIAsk", .kind = K::Button, .parent = "grpAI", .caption = "Ask"},
      {.name = "btnAIAnalyze", .kind = K::Button, .parent = "grpAI",
       .caption = "Analyze Results"},
      {.name = "btnAICopy", .kind = K::Button, .parent = "grpAI", .caption = "Copy"},
      {.name = "btnAIFillParams", .kind = K::Button, .parent = "grpAI",
       .caption = "AI: Suggest Protocol"},
      {.name = "lblAIStatus", .kind = K::Label, .parent = "grpAI", .caption = "Ready"},

      // ---- Top panel: documents and run statistics ----
      {.name = "btnJsonLoad", .kind = K::Button, .parent = "TopPanel", .caption = "Load Json"},
      {.name = "btnJsonNew", .kind = K::Button, .parent = "TopPanel", .caption = "New Json"},
      {.name = "btnJsonSave", .kind = K::Button, .parent = "TopPanel", .caption = "Save Json"},
      // Item index = document kind (0 session, 1 pattern, 2 chemistry, 3 calibration).
      {.name = "cbJsonType", .kind = K::Combo, .parent = "TopPanel", .text = "Pattern (.hxpat)",
       .items = {"Session (.hxsim)", "Pattern (.hxpat)", "Chem (.hxchem)", "Cal (.hxcal)"},
       .itemIndex = -1},
      {.name = "MemoSimStats1", .kind = K::Memo, .parent = "TopPanel", .readOnly = true,
       .width = 330, .height = 110},
      {.name = "MemoSimStats2", .kind = K::Memo, .parent = "TopPanel", .readOnly = true,
       .width = 330, .height = 110},
      {.name = "btnPdfExport", .kind = K::Button, .parent = "TopPanel", .caption = "PDF Export"},

      // ---- Middle panel: live charts on the Simulation tab, the 3D SEI view on its own ----
      {.name = "FMidPageCtrl", .kind = K::Pages, .parent = "MidPanel", .text = "FTsSim"},
      {.name = "FTsSim", .kind = K::Page, .parent = "FMidPageCtrl", .caption = "  Simulation  "},
      {.name = "chSim", .kind = K::Chart, .parent = "FTsSim",
       .caption = "Simulation I(t) + V(t) + SEI", .height = 240},
      {.name = "chI", .kind = K::Chart, .parent = "FTsSim", .caption = "Current I(t)",
       .height = 240},
      {.name = "chV", .kind = K::Chart, .parent = "FTsSim", .caption = "Voltage V(t)",
       .height = 180},
      {.name = "chSEI", .kind = K::Chart, .parent = "FTsSim", .caption = "SEI Growth",
       .height = 240},
      {.name = "FTsSEI3D", .kind = K::Page, .parent = "FMidPageCtrl", .caption = "  SEI 3D Surface  "},
      {.name = "lblSEI3DInfo", .kind = K::Label, .parent = "FTsSEI3D",
       .caption = "Run simulation to populate SEI 3D Surface view", .height = 22},
      {.name = "lblSEI3DHint", .kind = K::Label, .parent = "FTsSEI3D",
       .caption = "  Left-drag: rotate  |  Right-drag: zoom  |  Ctrl+drag: pan", .height = 18},
      {.name = "FchSEI3DProf", .kind = K::Chart, .parent = "FTsSEI3D",
       .caption = "SEI(x) Final Profile — pattern comparison (each run adds a line)", .height = 160},

      // ---- Right panel: chemistry and calibration pages ----
      {.name = "GroupBoxChem", .kind = K::Pages, .parent = "pnlChem", .text = "tsChemistry"},
      {.name = "tsChemistry", .kind = K::Page, .parent = "GroupBoxChem", .caption = "Chemistry"},

      {.name = "gbSEIModel", .kind = K::Group, .parent = "tsChemistry"},
      {.name = "cbSEI", .kind = K::Combo, .parent = "gbSEIModel", .label = "SEI model:",
       .text = "default", .items = {"default", "model-A", "model-B"}, .itemIndex = 0,
       .dropDownList = true},
      {.name = "edTempC", .kind = K::Edit, .parent = "gbSEIModel", .label = "Ambient Temp (C):",
       .text = "25", .numeric = true,
       .hint = "Ambient Temp (°C)|Ambient temperature; start temperature of the thermal and "
               "SEI models."},
      {.name = "edtR0", .kind = K::Edit, .parent = "gbSEIModel",
       .label = "External Series Resistance R0 (Ω):", .text = "0.01", .numeric = true,
       .hint = "External R0 (Ohm)|External series resistance (wiring, connectors). Added to cell "
               "R-int for voltage drop."},
      {.name = "btnRunSmoke", .kind = K::Button, .parent = "gbSEIModel",
       .caption = "Run Smoke Test"},

      {.name = "gbChem", .kind = K::Group, .parent = "tsChemistry", .caption = "Chemistry"},
      {.name = "edChemFile", .kind = K::Edit, .parent = "gbChem", .label = "SEI model:",
       .text = "LFP_21700"},
      {.name = "edAlpha", .kind = K::Edit, .parent = "gbChem", .label = "SEI scale [nm/Ah]",
       .text = "1946.44"},
      {.name = "edSeiScale", .kind = K::Edit, .parent = "gbChem", .enabled = false,
       .hint = "Auto SEI Scale (nm/Ah)|SEI growth per Ah fitted by Auto Scale to the last run; "
               "copied into SEI scale."},
      {.name = "btnAutoSEIScale", .kind = K::Button, .parent = "gbChem", .caption = "Auto Scale"},
      {.name = "edSeiRateBase", .kind = K::Edit, .parent = "gbChem", .label = "Rate base [m/s]",
       .text = "1e-9",
       .hint = "SEI Rate Base (m/s)|Base SEI growth rate; replaces the chemistry value when above "
               "0. Accepts exponent notation (1e-9)."},
      {.name = "edSeiEa", .kind = K::Edit, .parent = "gbChem", .label = "Activation Energy [eV]",
       .text = "0.45", .numeric = true,
       .hint = "Activation Energy (eV)|Arrhenius activation energy of SEI growth; higher = "
               "stronger temperature sensitivity."},
      {.name = "edSeiPlateV", .kind = K::Edit, .parent = "gbChem",
       .label = "Plating threshold [V]", .text = "3.0", .numeric = true,
       .hint = "Plating Threshold (V)|Lithium plating threshold; below it the SEI estimate grows "
               "at one tenth of its rate."},
      {.name = "edAlphaOver", .kind = K::Edit, .parent = "gbChem", .label = "Alpha Over",
       .text = "0.1", .numeric = true,
       .hint = "Alpha Over (1/V)|Gain of SEI growth on positive overpotential."},
      {.name = "edGammaJ", .kind = K::Edit, .parent = "gbChem", .label = "Gamma Current",
       .text = "1.0", .numeric = true,
       .hint = "Gamma Current|Current exponent of SEI growth (dimensionless)."},
      {.name = "edRefArea", .kind = K::Edit, .parent = "gbChem", .label = "Ref Area (cm2)",
       .text = "5.0", .numeric = true,
       .hint = "Ref Area (cm2)|Reference electrode area of the SEI model."},
      {.name = "MemoChemMetrics", .kind = K::Memo, .parent = "gbChem", .readOnly = true},

      {.name = "gbsem", .kind = K::Group, .parent = "tsChemistry", .caption = "Cell Parameters"},
      {.name = "edCellNomV", .kind = K::Edit, .parent = "gbsem", .label = "Nominal Voltage [V]",
       .text = "3.2", .numeric = true,
       .hint = "Nominal Voltage (V)|Nominal cell voltage of the chemistry, carried into the "
               "report."},
      {.name = "edCellCapAh", .kind = K::Edit, .parent = "gbsem", .label = "Capacity [Ah]",
       .text = "5.0", .numeric = true,
       .hint = "Capacity (Ah)|Nominal cell capacity; converts the C-rates of the calibration "
               "grid to amperes."},
      {.name = "edCellRint", .kind = K::Edit, .parent = "gbsem", .label = "Internal R [mΩ]",
       .text = "5.0", .numeric = true,
       .hint = "Internal Resistance (mΩ)|Cell internal resistance; added to R0 for the "
               "resistive voltage rise I*R."},
      {.name = "edCellMass", .kind = K::Edit, .parent = "gbsem", .label = "Mass [g]",
       .text = "70.0", .numeric = true,
       .hint = "Cell Mass (g)|Cell mass of the chemistry, carried into the report."},
      {.name = "edCellCp", .kind = K::Edit, .parent = "gbsem", .label = "Heat Capacity [J/gK]",
       .text = "0.9", .numeric = true,
       .hint = "Heat Capacity (J/gK)|Specific heat capacity of the cell, carried into the "
               "report."},

      {.name = "tsCalibration", .kind = K::Page, .parent = "GroupBoxChem",
       .caption = "Calibration"},
      {.name = "chkUseCalibration", .kind = K::Check, .parent = "tsCalibration",
       .caption = "Use Calibration"},
      {.name = "btnCalibDefaults", .kind = K::Button, .parent = "tsCalibration",
       .caption = "Defaults"},
      {.name = "btnRunCalibration", .kind = K::Button, .parent = "tsCalibration",
       .caption = "Run Calibration"},
      {.name = "pbCalib", .kind = K::Progress, .parent = "tsCalibration", .minimum = 0,
       .maximum = 3},
      {.name = "lblCalibStatus", .kind = K::Label, .parent = "tsCalibration", .caption = "Idle",
       .visible = false},
      {.name = "sgCalib", .kind = K::Grid, .parent = "tsCalibration", .columns = 4, .rows = 4,
       .fixedRows = 1, .columnWidth = 88},
      {.name = "lblCalibHint", .kind = K::Label, .parent = "tsCalibration",
       .caption = "Enter 3 CC/CV anchor points (Low/Med/High), Targets: CE1 (%) and "
                  "ΔR (mΩ)."},

      // ---- Right panel: OCV and temperature ----
      {.name = "chOCV", .kind = K::Chart, .parent = "pnOCV", .caption = "OCV vs SOC"},
      {.name = "chT", .kind = K::Chart, .parent = "pnTemp", .caption = "Temperature (°C)"},
      {.name = "edtTemp", .kind = K::Edit, .parent = "pnTemp", .label = "h_conv [W/K]",
       .text = "1.8"},
      {.name = "edTempmax", .kind = K::Edit, .parent = "pnTemp", .label = "Max Temp (C):",
       .text = "55", .numeric = true,
       .hint = "Max Temp (°C)|Maximum allowed cell temperature; stored as the temperature limit of the "
               "chemistry and the session."},

      // ---- Status bar: one text panel with the long part of the current hint ----
      {.name = "FStatusBar", .kind = K::StatusBar, .parent = "", .width = 900, .height = 22},
  };
  return table;
}

}  // namespace voltaris

