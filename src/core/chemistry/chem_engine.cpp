#include "chemistry/chem_engine.h"

#include <memory>

#include "documents/chem_document.h"

namespace voltaris {

namespace {

// The engine chemistry belongs to the window of the calling thread (batch runs on worker
// threads each have their own).
std::unique_ptr<TChemRoot>& GChem() {
  thread_local std::unique_ptr<TChemRoot> chem;
  return chem;
}

std::string& GLastFile() {
  thread_local std::string file;
  return file;
}

TChemRoot& EnsureChem() {
  if (!GChem()) GChem() = std::make_unique<TChemRoot>(TChemRoot::CreateDefaultLFP());
  return *GChem();
}

}  // namespace

void ChemInitDefault() {
  GChem() = std::make_unique<TChemRoot>(TChemRoot::CreateDefaultLFP());
  GLastFile().clear();
}

TChemSummary ChemGetSummary() {
  const TChemRoot& c = EnsureChem();
  TChemSummary s;
  s.Name = c.FChemistry;
  if (c.FCell) {
    s.NominalV = c.FCell->FNominalV;
    s.CapacityAh = c.FCell->FCapacityAh;
  }
  if (c.FThermal) {
    s.AmbientC = c.FThermal->FAmbient_C;
    s.MaxTempC = c.FThermal->FMaxTemp_C;
  }
  if (c.FSeiModel) s.SeiScale_NmPerAh = c.FSeiModel->FScaleToNm;
  return s;
}

void ChemApplySummary(const TChemSummary& s) {
  TChemRoot& c = EnsureChem();
  c.FChemistry = s.Name;
  if (!c.FCell) c.FCell.Recreate();
  c.FCell->FNominalV = s.NominalV;
  c.FCell->FCapacityAh = s.CapacityAh;
  if (!c.FThermal) c.FThermal.Recreate();
  c.FThermal->FAmbient_C = s.AmbientC;
  c.FThermal->FMaxTemp_C = s.MaxTempC;
  if (!c.FSeiModel) c.FSeiModel.Recreate();
  c.FSeiModel->FScaleToNm = s.SeiScale_NmPerAh;
}

const std::string& ChemLastFile() { return GLastFile(); }

void SetChemLastFile(const std::string& fileName) { GLastFile() = fileName; }

void FreeChem() {
  GChem().reset();
  GLastFile().clear();
}

}  // namespace voltaris
