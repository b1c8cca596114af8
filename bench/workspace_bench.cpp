// Session export and import as the window does them: snapshot of the controls, session
// built and written as text; and text read back into the controls.
#include <benchmark/benchmark.h>

#include <string>

#include "documents/json_mapper.h"
#include "documents/sim_document.h"
#include "documents/sim_validation.h"
#include "form/form_model.h"
#include "workspace/ui_snapshot.h"

namespace {

using namespace voltaris;

void BM_SnapshotToSessionText(benchmark::State& state) {
  FormModel form;
  for (auto _ : state) {
    const TUiSnapshot snap = GetUiSnapshot(form, "");
    const TSimRoot sim = BuildSimFromSnapshot(snap);
    benchmark::DoNotOptimize(TJsonBase::ToJsonText(sim));
  }
}
BENCHMARK(BM_SnapshotToSessionText);

std::string SessionText() {
  FormModel form;
  return TJsonBase::ToJsonText(BuildSimFromSnapshot(GetUiSnapshot(form, "")));
}

void BM_SessionTextSimToUI(benchmark::State& state) {
  const std::string text = SessionText();
  FormModel form;
  double totalSecs = 0;
  for (auto _ : state) {
    const auto sim = TJsonBase::FromJsonText<TSimRoot>(text);
    SimToUI(form, sim.get(), totalSecs);
    benchmark::DoNotOptimize(totalSecs);
  }
}
BENCHMARK(BM_SessionTextSimToUI);

// The import path without the disk: read, validate, snapshot, apply.
void BM_SessionTextApplySnapshot(benchmark::State& state) {
  const std::string text = SessionText();
  FormModel form;
  for (auto _ : state) {
    auto sim = TJsonBase::FromJsonText<TSimRoot>(text);
    ValidateSimOrRaise(sim.get());
    ApplyUiSnapshot(form, MakeSnapshotFromSim(sim.get()));
  }
}
BENCHMARK(BM_SessionTextApplySnapshot);

}  // namespace
