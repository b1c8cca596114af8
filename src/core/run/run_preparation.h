// Pieces of the batch half of a run start that depend only on their inputs: the
// formation factor of a pattern and the scaling of the chemistry wave by the current and
// voltage step schedules.
#pragma once

#include <string_view>
#include <vector>

#include "documents/pattern_document.h"
#include "waveform/reference_wave.h"
#include "waveform/step_schedules.h"

namespace voltaris {

// Crest factor of a pattern type (trimmed, lower-cased, underscores ignored): sine 1.41,
// triangle 1.73, superpulse 2.0, gaussian 2.5, damped sine 1.6, I-step 2.2, V-step 1.8,
// any other shape 1.2.
double PatternCrestFactor(std::string_view patternType);

// Formation factor HxFactor of a pattern: 0 for a CC-CV charge; otherwise
// ((1 - r)(1 - e^(-f/2)) + p) * 0.9, at most 0.9, with f the pulse frequency (at most
// 5 Hz, 0 without a pulse block), r = ILowA / max(IHighA, 0.001) of the levels rounded
// to 4 decimals (0 without a levels block) and p = min((crest - 1) * 0.15, 0.3).
// 0 without a pattern body.
double PatternHxFactor(const TPatternRoot& pattern);

// Scales the chemistry wave (sampled at fs Hz) towards the current schedule: every
// sample is multiplied by the schedule target at its time divided by the wave's mean
// absolute current (accumulated in units of 1e-4 A). A mean of 1 mA or less leaves the
// wave as it is. Ramp time constants upS and downS in seconds.
void ScaleByCurrentSteps(std::vector<double>& wave, double fs, const std::vector<TStepPt>& steps, double upS,
                         double downS);

// Scales the chemistry wave by the voltage schedule: the step in force at each sample
// (the first step's voltage before any step has started) over vRef, limited to 0.1..1.5.
void ScaleByVoltageSchedule(std::vector<double>& wave, double fs, const std::vector<TVStep>& sched, double vRef);

// The chemistry wave of a reference wave sampled at waveFsHz, for a live run stepping at
// simFsHz: at most 10 Hz (the simulation rate when slower, never below minChemFs), every
// k-th sample with k = round(max(waveFsHz, 1) / chemFs). A wave slower than 1 Hz (response
// time above 1 s) is interpolated to 1 Hz, the finest step the SEI simulation
// distinguishes, so the chemistry wave still spans the run. chemFs receives the rate.
std::vector<double> DecimateChemWave(const TReferenceWave& wave, double waveFsHz, double simFsHz,
                                     double minChemFs, double& chemFs);
std::vector<double> DecimateChemWave(const std::vector<double>& wave, double waveFsHz, double simFsHz,
                                     double minChemFs, double& chemFs);

}  // namespace voltaris
