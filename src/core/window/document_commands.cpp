#include "window/document_commands.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "chemistry/chem_engine.h"
#include "config/ini_file.h"
#include "documents/json_mapper.h"
#include "documents/sim_validation.h"
#include "documents/text_file.h"
#include "window/chemistry_panel.h"
#include "window/form_preview.h"
#include "workspace/hx_facade.h"
#include "workspace/ui_snapshot.h"

namespace voltaris {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAllHxFiles = "|All HX files|*.hxsim;*.hxpat;*.hxchem;*.hxcal|All files (*.*)|*.*";

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The extension of a file name ("" when it has none), either separator.
std::string ExtensionOf(const std::string& fileName) {
  const std::string name = FileNameOnly(fileName);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

FileDialogRequest DialogFor(const std::string& filter, const std::string& ext) {
  FileDialogRequest r;
  r.filter = filter;
  r.defaultExt = ext.empty() ? ext : ext.substr(1);  // the dialogs want it without the dot
  return r;
}

void WriteDocument(const std::string& fileName, const TJsonDocument& doc) {
  std::visit([&](const auto& d) { TJsonBase::SaveToFile(fileName, d); }, doc);
}

// The template table the template reader empties before it looks at a file.
struct TemplateState {
  std::vector<double> lut;
  bool valid;
  double cycleMs, iMin, iMax;
};

TemplateState SaveTemplateState(const TPatternShapes& s) {
  return {s.FChemLUT, s.FChemValid, s.FChemCycleMs, s.FChemImin, s.FChemImax};
}

void RestoreTemplateState(TPatternShapes& s, TemplateState saved) {
  s.FChemLUT = std::move(saved.lut);
  s.FChemValid = saved.valid;
  s.FChemCycleMs = saved.cycleMs;
  s.FChemImin = saved.iMin;
  s.FChemImax = saved.iMax;
}

bool FileExists(const std::string& path) { return !path.empty() && TextFileExists(path); }

// A dialog's answer as a full path: a relative name (a script's answer) is taken from the
// current folder, as every kind is written and remembered there.
std::string FullPath(const std::string& chosen) {
  std::error_code ec;
  const fs::path full = fs::absolute(chosen, ec);
  return ec ? chosen : full.lexically_normal().string();
}

}  // namespace

void TDocumentCommands::AttachHandlers() {
  FormModel& form = window_.Form();
  form.OnClick("btnJsonNew", [this](const std::string& s) { btnJsonNewClick(s); });
  form.OnClick("btnJsonLoad", [this](const std::string& s) { btnJsonLoadClick(s); });
  form.OnClick("btnJsonSave", [this](const std::string& s) { btnJsonSaveClick(s); });
}

TJsonKind TDocumentCommands::CurrentJsonKind() const {
  const Control* list = window_.Form().Find("cbJsonType");
  switch (list != nullptr ? list->ItemIndex() : -1) {
    case 0: return jkSess;
    case 1: return jkPat;
    case 2: return jkChem;
    default: return jkCal;
  }
}

void TDocumentCommands::SetupFilterForKind(TJsonKind kind, std::string& filter, std::string& ext) {
  switch (kind) {
    case jkSess:
      ext = ".hxsim";
      filter = std::string("Session (*.hxsim)|*.hxsim") + kAllHxFiles;
      break;
    case jkPat:
      ext = ".hxpat";
      filter = std::string("Pattern (*.hxpat)|*.hxpat") + kAllHxFiles;
      break;
    case jkChem:
      ext = ".hxchem";
      filter = std::string("Chemistry (*.hxchem)|*.hxchem") + kAllHxFiles;
      break;
    case jkCal:
      ext = ".hxcal";
      filter = std::string("Calibration (*.hxcal)|*.hxcal") + kAllHxFiles;
      break;
  }
}

bool TDocumentCommands::KindFromExtension(const std::string& fileName, TJsonKind& kind) {
  const std::string ext = LowerAscii(ExtensionOf(fileName));
  if (ext == ".hxsim") kind = jkSess;
  else if (ext == ".hxpat") kind = jkPat;
  else if (ext == ".hxchem") kind = jkChem;
  else if (ext == ".hxcal") kind = jkCal;
  else return false;
  return true;
}

TJsonDocument TDocumentCommands::CreateDefaultObjectForKind(TJsonKind kind) {
  switch (kind) {
    case jkSess: {
      // The seed files by name; no defaults file, and not normalised (no current steps).
      TSimRoot sim = TSimRoot::CreateV11();
      sim.FRefs->FPatternFile = std::string(kSeedPatternFile);
      sim.FRefs->FChemFile = std::string(kSeedChemFile);
      sim.FRefs->FCalFile = std::string(kSeedCalFile);
      return sim;
    }
    case jkPat: return TPatternRoot::CreateDefaultSinus();
    case jkChem: return TChemRoot::CreateDefaultLFP();
    case jkCal: break;
  }
  return TCalRoot::CreateLabRigV1();
}

std::string TDocumentCommands::AskSaveName(const std::string& filter, const std::string& ext) {
  const auto chosen = window_.Platform().SaveFileDialog(DialogFor(filter, ext));
  if (!chosen || chosen->empty()) return {};
  std::string name = FullPath(*chosen);
  if (ExtensionOf(name).empty()) name += ext;
  return name;
}

void TDocumentCommands::btnJsonNewClick(const std::string&) {
  K = CurrentJsonKind();
  SetupFilterForKind(K, Flt, Ext);
  const std::string name = AskSaveName(Flt, Ext);
  if (name.empty()) return;
  if (K == jkChem) {
    ChemInitDefault();
    window_.UpdateChemUIFromModel();
    TJsonBase::SaveToFile(name, TChemRoot::CreateDefaultLFP());
    return;
  }
  WriteDocument(name, CreateDefaultObjectForKind(K));
}

void TDocumentCommands::btnJsonSaveClick(const std::string&) {
  const TJsonKind kind = CurrentJsonKind();
  std::string filter, ext;
  SetupFilterForKind(kind, filter, ext);
  const std::string name = AskSaveName(filter, ext);
  if (name.empty()) return;
  switch (kind) {
    case jkSess: {
      // Built from the window, written safely, and remembered as the recent session.
      const TSimRoot sim = THxFacade::BuildSimFromUI();
      TJsonBase::SaveToFile(name, sim);
      THxFacade::SaveRecentSession(name);
      break;
    }
    case jkChem: {
      ChemApplySummary(window_.CollectChemFromUI());
      Owned<TChemRoot> chem{TChemRoot::CreateDefaultLFP()};
      window_.UIToChem(chem);
      TJsonBase::SaveToFile(name, chem.get());
      break;
    }
    case jkPat:
    case jkCal:
      // The window's own pattern settings are not what this command saves.
      WriteDocument(name, CreateDefaultObjectForKind(kind));
      break;
  }
}

void TDocumentCommands::LoadByKind(TJsonKind kind, const std::string& fileName) {
  switch (kind) {
    case jkSess:
      THxFacade::ImportSessionFromFile(fileName);
      break;
    case jkPat:
      (void)THxFacade::LoadPattern(fileName);  // only the check has an effect
      break;
    case jkChem:
      // The window's chemistry; its run parameters are derived afresh before the next run.
      window_.UseChemDocument(fileName);
      break;
    case jkCal:
      (void)THxFacade::LoadCal(fileName);  // only the check has an effect
      break;
  }
}

void TDocumentCommands::ShowLoadedTemplate(const std::string& fileName) {
  FormModel& form = window_.Form();
  const TPatternShapes& shapes = window_.waveform.shapes;
  form.SetText("edChemFile", FileNameOnly(fileName));
  if (window_.GChem) window_.UpdateChemUIFromModel();
  window_.ApplyChemTemplateToUI();
  form.SetItemIndex("cbJsonType", jkChem);
  form.SetText("EdLUTMin", FormatGeneral(shapes.FChemImin));
  form.SetText("EdLUTMax", FormatGeneral(shapes.FChemImax));
  form.SetText("EdLUTDur", FormatGeneral(shapes.FChemCycleMs));
  form.SetEnabled("EdLUTPoints", false);
  char points[64];
  std::snprintf(points, sizeof points, "(ZaruVed LUT loaded: %d pts)", static_cast<int>(shapes.FChemLUT.size()));
  form.SetText("EdLUTPoints", points);
  form.SetActivePage("PcParams", "TsCustom");
  window_.InvalidateCharts();
}

void TDocumentCommands::btnJsonLoadClick(const std::string&) {
  FormModel& form = window_.Form();
  TJsonKind kind = CurrentJsonKind();
  std::string filter, ext;
  SetupFilterForKind(kind, filter, ext);
  const auto chosen = window_.Platform().OpenFileDialog(DialogFor(filter, ext));
  if (!chosen || chosen->empty()) return;
  const std::string file = FullPath(*chosen);

  // What a failed load puts back: the list's selection, and the template table that the
  // template reader empties before it looks at a file.
  const Control& list = form.Get("cbJsonType");
  const int oldIndex = list.ItemIndex();
  const std::string oldText = list.Text();
  TPatternShapes& shapes = window_.waveform.shapes;
  TemplateState savedTemplate = SaveTemplateState(shapes);

  if (KindFromExtension(file, kind)) form.SetItemIndex("cbJsonType", kind);
  if (window_.TryLoadChemTemplate(file)) {
    ShowLoadedTemplate(file);
    return;
  }
  // Not a template: a pattern or calibration file is only checked and a failed load
  // changes nothing, so the loaded template stays as it was.
  RestoreTemplateState(shapes, std::move(savedTemplate));
  try {
    LoadByKind(kind, file);
  } catch (...) {
    form.SetItemIndex("cbJsonType", oldIndex);
    form.SetText("cbJsonType", oldText);
    throw;
  }
  if (kind == jkPat) FLastPatPath = file;
  if (kind == jkChem) window_.FLastZaruVedh = file;

  if (kind == jkSess) {
    // The response time, limits and duration of the session as stored.
    const std::unique_ptr<TSimRoot> sim = TJsonBase::LoadFromFile<TSimRoot>(file);
    SimToUI(form, sim.get(), window_.FTotalSecs);
    window_.InvalidateCharts();
  } else if (kind == jkChem) {
    form.SetText("edChemFile", FileNameOnly(file));
    if (window_.GChem) window_.UpdateChemUIFromModel();
  }
}

void TDocumentCommands::UseLastChemistry(const std::string& path) {
  LoadByKind(jkChem, path);
  window_.FLastZaruVedh = path;
  window_.Form().SetText("edChemFile", FileNameOnly(path));
  if (window_.GChem) window_.UpdateChemUIFromModel();
}

void TDocumentCommands::ReloadLastFiles(const TIniFile& ini) {
  FormModel& form = window_.Form();
  const std::string chem = ini.ReadString(kLastFilesSection, kLastChemKey);
  const std::string pattern = ini.ReadString(kLastFilesSection, kLastPatternKey);
  // Each file on its own: one that fails to load is reported and the next still loads.
  if (FileExists(chem)) {
    form.RunEvent([&] { UseLastChemistry(chem); });
  } else if (!chem.empty()) {
    const std::string moved = (fs::path(GetChemDir()) / FileNameOnly(chem)).string();
    if (FileExists(moved)) form.RunEvent([&] { UseLastChemistry(moved); });
  }
  if (FileExists(pattern)) {
    form.RunEvent([&] {
      LoadByKind(jkPat, pattern);
      FLastPatPath = pattern;
    });
  }
}

void TDocumentCommands::StoreLastFiles(TIniFile& ini) const {
  ini.WriteString(kLastFilesSection, kLastChemKey, window_.FLastZaruVedh);
  ini.WriteString(kLastFilesSection, kLastPatternKey, FLastPatPath);
}

}  // namespace voltaris
