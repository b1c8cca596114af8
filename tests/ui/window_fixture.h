// The main window opened against a temporary program folder, shared by the window tests:
// the recording platform, the window's behaviour (TFormPreview) and its Qt view, created in
// the order the program creates them and torn down in reverse.
#pragma once

#include <QObject>
#include <QSize>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "form/recording_platform.h"
#include "main_window.h"
#include "window/form_preview.h"

class WindowFixture : public QObject {
 protected:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<voltaris::RecordingPlatform> platform_;
  std::unique_ptr<voltaris::TFormPreview> form_;
  std::unique_ptr<voltaris::ui::MainWindow> window_;

  // Creates and shows the window; an empty size keeps the one the window picks for the screen.
  void OpenWindow(QSize size = {}) {
    dir_ = std::make_unique<QTemporaryDir>();
    platform_ = std::make_unique<voltaris::RecordingPlatform>();
    platform_->programDir = dir_->path().toStdString();
    form_ = std::make_unique<voltaris::TFormPreview>(*platform_);
    window_ = std::make_unique<voltaris::ui::MainWindow>(*form_);
    form_->FormCreate();
    if (size.isValid()) window_->resize(size);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  void CloseWindow() {
    window_.reset();
    form_.reset();
    platform_.reset();
    dir_.reset();
  }

  template <typename T>
  T* W(const char* name) {
    T* w = window_->findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr) qFatal("missing widget %s", name);
    return w;
  }
};
