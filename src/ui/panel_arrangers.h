// Geometry helpers of the main window's panels: they decide how the regions share the
// screen at the sizes the window meets (1280x800 up to 1920x1080). They hold no state
// of the form; every control stays bound to the form model through the window.
#pragma once

#include <QObject>
#include <QScrollArea>
#include <QWidget>
#include <vector>

class QBoxLayout;
class QButtonGroup;
class QPlainTextEdit;
class QTabWidget;
class QToolButton;

namespace voltaris::ui {

// A kind selector for a page control: one button per page, several rows, so every
// page is in sight at once. The page control's own tab row is hidden; a click selects
// the page on the page control, so the page change takes the control's usual path.
class PageSelector : public QWidget {
  Q_OBJECT
 public:
  PageSelector(QTabWidget& pages, int columns, QWidget* parent);
  // Re-reads the page captions and the active page (after the model changed them).
  void Sync();
  QToolButton* Button(int index) const;
  int Count() const { return static_cast<int>(buttons_.size()); }

 private:
  QTabWidget& pages_;
  QButtonGroup* group_;
  std::vector<QToolButton*> buttons_;
};

// A scroll area whose preferred size is that of its whole content, so a layout gives
// it room for everything when there is room, and it scrolls only when there is not.
class FitScrollArea : public QScrollArea {
  Q_OBJECT
 public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override;
};

// The top panel: the document buttons in a column beside the two run-statistics memos
// while the panel is wide enough for two memo lines of 50 characters side by side;
// on narrower windows the buttons go into one row above the memos, which then get the
// whole width.
class TopPanelArranger : public QObject {
  Q_OBJECT
 public:
  TopPanelArranger(QWidget& panel, QBoxLayout& outer, QBoxLayout& docs, std::vector<QPlainTextEdit*> memos);
  // Width of a line of `chars` characters in a memo's font, with its frame and margins.
  static int MemoLineWidth(const QPlainTextEdit& memo, int chars);
  void Arrange(int width);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& panel_;
  QBoxLayout& outer_;
  QBoxLayout& docs_;
  std::vector<QPlainTextEdit*> memos_;
  int docsColumnWidth_ = 0;
  int baseHeight_ = 0;     // the panel's height with the buttons in a column
  int docsRowHeight_ = 0;  // what a row of document buttons adds above the memos
};

// The right panel: the chemistry pages get the height of their content as long as the
// OCV and temperature charts keep a readable height; below that the chemistry page
// scrolls inside its own area and the charts keep their minimum.
class RightPanelArranger : public QObject {
  Q_OBJECT
 public:
  RightPanelArranger(QWidget& panel, QWidget& chemistry, std::vector<QWidget*> chartRegions, int chartMinHeight);
  void Arrange(int height);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& panel_;
  QWidget& chemistry_;
  std::vector<QWidget*> charts_;
  int chartMin_;
};

}  // namespace voltaris::ui
