// The main window: real widgets built from the layout table, bound both ways to the
// core's form model. It holds no behaviour of its own: user actions are forwarded to the
// form model (which runs the core's handlers) and the model's changes are shown.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "chart_view.h"
#include "web_view.h"
#include "window/form_preview.h"

class QGridLayout;
class QTabWidget;
class QSplitter;

namespace voltaris::ui {

class PageSelector;

class MainWindow : public QMainWindow, public FormListener {
  Q_OBJECT
 public:
  // `scripted`: an automation script drives the play timer (virtual clock), so the
  // window's own 30 ms timer only keeps the charts drawn.
  explicit MainWindow(TFormPreview& form, bool scripted = false, QWidget* parent = nullptr);
  ~MainWindow() override;

  QWidget* Widget(const std::string& name) const;
  ChartView* Chart(const std::string& name) const;
  // The browser of the 3D SEI page (a platform service the core asks the platform for).
  SEI3DWebView* EmbeddedBrowser() const { return webView_; }
  // Brings every chart drawing up to date with the chart model.
  void SyncCharts(bool force = false);

  void ControlChanged(const Control& control) override;
  void ChartChanged(ChartModel& chart) override;
  void CaptionChanged(const std::string& caption) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Closing the window stops the play timer and runs the window's shutdown (once).
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* BuildLeftPanel();
  QWidget* BuildTopPanel();
  QWidget* BuildMidPanel();
  QWidget* BuildRightPanel();
  // The Simulation tab (the four live charts stacked) and the 3D SEI tab (labels, the
  // browser filling the rest, the profile chart at the bottom).
  void BuildSimPage(QWidget* page);
  void BuildSEI3DPage(QWidget* page);
  // Lays out the children of `containerName` inside `host`: label/field pairs
  // `pairsPerRow` to a row, wide controls on rows of their own, buttons side by side.
  void Populate(QWidget* host, const std::string& containerName, int pairsPerRow);
  QWidget* MakeControl(const Control& control, QWidget* parent);
  QWidget* MakeGroup(const std::string& name, int pairsPerRow, QWidget* parent);
  void Register(const Control& control, QWidget* widget);
  void Show(const Control& control);
  void OnPlayTimer();
  const Control* HintedControlAt(QObject* object) const;

  TFormPreview& form_;
  FormModel& model_;
  bool scripted_;
  std::unordered_map<std::string, std::vector<const Control*>> children_;
  std::unordered_map<std::string, QWidget*> widgets_;
  std::unordered_map<std::string, QLabel*> captionLabels_;
  std::map<std::string, ChartView*> charts_;
  std::unordered_map<std::string, PageSelector*> pageSelectors_;  // page controls shown with a kind selector
  QLabel* statusText_ = nullptr;
  QTimer playTimer_;
  QSplitter* splitL_ = nullptr;
  QSplitter* splitR_ = nullptr;
  bool splitterSized_ = false;
  SEI3DWebView* webView_ = nullptr;
  QElapsedTimer edge3DClock_;  // drives the 3D view's one-shot timer
};

}  // namespace voltaris::ui
