#include "panel_arrangers.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>

namespace voltaris::ui {

PageSelector::PageSelector(QTabWidget& pages, int columns, QWidget* parent)
    : QWidget(parent), pages_(pages), group_(new QButtonGroup(this)) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(2);
  group_->setExclusive(true);
  columns = std::max(columns, 1);
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.0));
  for (int i = 0; i < pages.count(); ++i) {
    auto* b = new QToolButton(this);
    b->setObjectName(pages.widget(i) != nullptr ? pages.widget(i)->objectName() + QStringLiteral("_select")
                                                : QString());
    b->setCheckable(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setFocusPolicy(Qt::TabFocus);
    b->setFont(small);
    group_->addButton(b, i);
    grid->addWidget(b, i / columns, i % columns);
    buttons_.push_back(b);
  }
  for (int c = 0; c < columns; ++c) grid->setColumnStretch(c, 1);
  // The page control's own tab row would show only a few of the pages at a time.
  pages.tabBar()->hide();
  connect(group_, &QButtonGroup::idClicked, this, [this](int index) {
    if (pages_.currentIndex() != index) pages_.setCurrentIndex(index);  // emits the page change
    Sync();
  });
  connect(&pages, &QTabWidget::currentChanged, this, [this](int) { Sync(); });
  Sync();
}

void PageSelector::Sync() {
  for (int i = 0; i < Count(); ++i) {
    QToolButton* b = buttons_[static_cast<std::size_t>(i)];
    const QString text = pages_.tabText(i);
    if (b->text() != text) b->setText(text);
    b->setChecked(i == pages_.currentIndex());
  }
}

QToolButton* PageSelector::Button(int index) const {
  return index >= 0 && index < Count() ? buttons_[static_cast<std::size_t>(index)] : nullptr;
}

QSize FitScrollArea::sizeHint() const {
  const int frame = 2 * frameWidth();
  if (widget() == nullptr) return QScrollArea::sizeHint();
  const QSize content = widget()->sizeHint();
  return {content.width() + frame + verticalScrollBar()->sizeHint().width(), content.height() + frame};
}

TopPanelArranger::TopPanelArranger(QWidget& panel, QBoxLayout& outer, QBoxLayout& docs,
                                   std::vector<QPlainTextEdit*> memos)
    : QObject(&panel), panel_(panel), outer_(outer), docs_(docs), memos_(std::move(memos)) {
  docsColumnWidth_ = docs.sizeHint().width();
  baseHeight_ = panel.minimumHeight() > 0 ? panel.minimumHeight() : panel.sizeHint().height();
  for (int i = 0; i < docs.count(); ++i)
    if (QLayoutItem* item = docs.itemAt(i); item->widget() != nullptr || item->layout() != nullptr)
      docsRowHeight_ = std::max(docsRowHeight_, item->sizeHint().height());
  docsRowHeight_ += outer.spacing();
  panel.installEventFilter(this);
}

int TopPanelArranger::MemoLineWidth(const QPlainTextEdit& memo, int chars) {
  const QFontMetrics fm(memo.font());
  const int text = fm.horizontalAdvance(QString(chars, QLatin1Char('0')));
  const int margins = static_cast<int>(2 * memo.document()->documentMargin()) + 2 * memo.frameWidth();
  return text + margins + memo.verticalScrollBar()->sizeHint().width();
}

void TopPanelArranger::Arrange(int width) {
  int memosWidth = 0;
  for (const QPlainTextEdit* m : memos_) memosWidth += MemoLineWidth(*m, 50) + outer_.spacing();
  const QMargins margins = panel_.contentsMargins() + outer_.contentsMargins();
  const bool beside = width >= docsColumnWidth_ + memosWidth + margins.left() + margins.right() + outer_.spacing();
  const auto outerDir = beside ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
  const auto docsDir = beside ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
  if (outer_.direction() != outerDir) outer_.setDirection(outerDir);
  if (docs_.direction() != docsDir) docs_.setDirection(docsDir);
  // In a row the document kind box takes the spare width; in a column the space below.
  const int last = docs_.count() - 1;
  for (int i = 0; i <= last; ++i) {
    const bool kindBox = qobject_cast<QComboBox*>(docs_.itemAt(i)->widget()) != nullptr;
    docs_.setStretch(i, (beside ? i == last : kindBox) ? 1 : 0);
  }
  // A row of buttons above the memos costs its height, not the memos' lines.
  const int height = beside ? baseHeight_ : baseHeight_ + docsRowHeight_;
  if (panel_.height() != height || panel_.minimumHeight() != height) panel_.setFixedHeight(height);
}

bool TopPanelArranger::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &panel_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
    Arrange(panel_.width());
  return false;
}

RightPanelArranger::RightPanelArranger(QWidget& panel, QWidget& chemistry, std::vector<QWidget*> chartRegions,
                                       int chartMinHeight)
    : QObject(&panel), panel_(panel), chemistry_(chemistry), charts_(std::move(chartRegions)), chartMin_(chartMinHeight) {
  for (QWidget* w : charts_) w->setMinimumHeight(chartMin_);
  panel.installEventFilter(this);
}

void RightPanelArranger::Arrange(int height) {
  const QLayout* layout = panel_.layout();
  int reserved = 0;
  if (layout != nullptr) {
    const QMargins m = layout->contentsMargins();
    reserved += m.top() + m.bottom() + layout->spacing() * static_cast<int>(charts_.size());
  }
  for (const QWidget* w : charts_) reserved += std::max(w->minimumHeight(), w->minimumSizeHint().height());
  const int need = chemistry_.sizeHint().height();
  const int room = height - reserved;
  // Never less than a strip that still shows the page tabs and a few rows.
  const int chem = std::max(std::min(need, room), 160);
  if (chemistry_.height() != chem || chemistry_.minimumHeight() != chem) chemistry_.setFixedHeight(chem);
}

bool RightPanelArranger::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &panel_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
    Arrange(panel_.height());
  return false;
}

}  // namespace voltaris::ui
