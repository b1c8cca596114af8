#include "form/chart_model.h"

#include <algorithm>
#include <utility>

namespace voltaris {

void AxisModel::SetFixed(double min, double max) {
  automatic = automaticMin = automaticMax = false;
  minimum = min;
  maximum = max;
}

void AxisModel::SetAutomatic() { automatic = automaticMin = automaticMax = true; }

void SeriesModel::Clear() {
  x_.clear();
  y_.clear();
  ++revision;
}

void SeriesModel::Reserve(size_t n) {
  x_.reserve(n);
  y_.reserve(n);
}

ChartModel::ChartModel(std::string name, std::string title) : title(std::move(title)), name_(std::move(name)) {}

AxisModel* ChartModel::FindAxis(const std::string& axisName) {
  if (axisName == "bottom") return &bottom;
  if (axisName == "left") return &left;
  if (axisName == "right") return &right;
  for (auto& a : customAxes)
    if (a.name == axisName) return &a;
  return nullptr;
}

AxisModel& ChartModel::AddCustomAxis(const std::string& axisName) {
  if (AxisModel* existing = FindAxis(axisName)) return *existing;
  customAxes.push_back(AxisModel{axisName});
  ++revision_;
  return customAxes.back();
}

SeriesModel& ChartModel::AddSeries(const std::string& seriesName, SeriesKind kind) {
  auto s = std::make_unique<SeriesModel>();
  s->name = seriesName;
  s->kind = kind;
  series_.push_back(std::move(s));
  ++revision_;
  return *series_.back();
}

SeriesModel* ChartModel::FindSeries(const std::string& seriesName) {
  for (auto& s : series_)
    if (s->name == seriesName) return s.get();
  return nullptr;
}

std::unique_ptr<SeriesModel> ChartModel::TakeSeries(const std::string& seriesName) {
  auto it = std::find_if(series_.begin(), series_.end(), [&](auto& s) { return s->name == seriesName; });
  if (it == series_.end()) return nullptr;
  auto taken = std::move(*it);
  retiredRevisions_ += taken->revision;
  series_.erase(it);
  ++revision_;
  return taken;
}

void ChartModel::AdoptSeries(std::unique_ptr<SeriesModel> series) {
  if (!series) return;
  series_.push_back(std::move(series));
  ++revision_;
}

void ChartModel::RemoveAllSeries() {
  for (const auto& s : series_) retiredRevisions_ += s->revision;
  series_.clear();
  ++revision_;
}

void ChartModel::SetZoom(const ZoomRange& range) {
  zoom_ = range;
  ++revision_;
}

void ChartModel::UndoZoom() {
  zoom_.reset();
  Invalidate();
}

void ChartModel::Invalidate() {
  ++revision_;
  if (onInvalidate && lockDepth_ == 0) onInvalidate(*this);
}

void ChartModel::Unlock() {
  if (lockDepth_ > 0 && --lockDepth_ == 0) Invalidate();
}

uint64_t ChartModel::Signature() const {
  uint64_t sig = revision_ + retiredRevisions_;
  for (const auto& s : series_) sig += s->revision;
  return sig;
}

}  // namespace voltaris
