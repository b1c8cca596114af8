#include "main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "chart_data_menu.h"
#include "panel_arrangers.h"
#include "common/utf8.h"

namespace voltaris::ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString JoinLines(const std::vector<std::string>& lines) {
  QStringList l;
  l.reserve(static_cast<qsizetype>(lines.size()));
  for (const auto& s : lines) l << Q(s);
  return l.join(QLatin1Char('\n'));
}

// Qt key code -> the form's key name ("F1", "A", ...); empty for keys the form ignores.
std::string KeyName(int key) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return "F" + std::to_string(key - Qt::Key_F1 + 1);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::string(1, static_cast<char>('A' + (key - Qt::Key_A)));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return std::string(1, static_cast<char>('0' + (key - Qt::Key_0)));
  switch (key) {
    case Qt::Key_Escape: return "ESCAPE";
    case Qt::Key_Return:
    case Qt::Key_Enter: return "ENTER";
    default: return {};
  }
}

// A label's text with the spaces inside "(...)" and "[...]" made non-breaking, so a
// wrapped label keeps its unit on one line.
QString KeepUnitsTogether(QString text) {
  int depth = 0;
  for (QChar& ch : text) {
    if (ch == QLatin1Char('(') || ch == QLatin1Char('[')) ++depth;
    else if ((ch == QLatin1Char(')') || ch == QLatin1Char(']')) && depth > 0) --depth;
    else if (depth > 0 && ch == QLatin1Char(' ')) ch = QChar(0x00A0);
  }
  return text;
}

bool IsPair(const Control& c) {
  const LayoutRow& s = c.Layout();
  return (s.kind == ControlKind::Edit || s.kind == ControlKind::Combo) && !s.label.empty() && !s.fullWidth;
}

}  // namespace

MainWindow::MainWindow(TFormPreview& form, bool scripted, QWidget* parent)
    : QMainWindow(parent), form_(form), model_(form.Form()), scripted_(scripted) {
  setObjectName(QStringLiteral("FrmPreview"));
  for (const auto& c : model_.Controls()) children_[c->Layout().parent].push_back(c.get());

  auto* splitL = new QSplitter(Qt::Horizontal, this);
  splitL->setObjectName(QStringLiteral("SplitL"));
  splitL->setChildrenCollapsible(false);
  auto* splitR = new QSplitter(Qt::Horizontal, splitL);
  splitR->setObjectName(QStringLiteral("SplitR"));
  splitR->setChildrenCollapsible(false);
  splitR->setHandleWidth(6);

  QWidget* left = BuildLeftPanel();
  auto* middle = new QWidget(splitR);
  auto* midLayout = new QVBoxLayout(middle);
  midLayout->setContentsMargins(0, 0, 0, 0);
  midLayout->setSpacing(2);
  midLayout->addWidget(BuildTopPanel());
  midLayout->addWidget(BuildMidPanel(), 1);
  QWidget* right = BuildRightPanel();

  splitL->addWidget(left);
  splitL->addWidget(splitR);
  splitR->addWidget(middle);
  splitR->addWidget(right);
  splitL->setStretchFactor(0, 0);
  splitL->setStretchFactor(1, 1);
  splitR->setStretchFactor(0, 1);
  splitR->setStretchFactor(1, 0);
  setCentralWidget(splitL);
  splitL_ = splitL;
  splitR_ = splitR;

  // Status bar: one text panel with the long part of the current hint.
  const Control& sb = model_.Get("FStatusBar");
  statusText_ = new QLabel(this);
  statusText_->setMinimumWidth(sb.Layout().width > 0 ? sb.Layout().width : 900);
  statusBar()->setObjectName(QStringLiteral("FStatusBarWidget"));
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(statusText_, 1);
  Register(sb, statusText_);

  for (const auto& c : model_.Controls()) Show(*c);
  CaptionChanged(model_.Caption());
  model_.SetListener(this);
  qApp->installEventFilter(this);

  // Client area 1909 x 1041 at design time; smaller screens get what they have.
  QSize size(1909, 1041 + statusBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) size = size.boundedTo(screen->availableSize());
  resize(size);

  playTimer_.setObjectName(QStringLiteral("tmPlay"));
  playTimer_.setInterval(TFormPreview::kPlayIntervalMs);
  connect(&playTimer_, &QTimer::timeout, this, &MainWindow::OnPlayTimer);
  playTimer_.start();
  SyncCharts(true);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  model_.SetListener(nullptr);
}

QWidget* MainWindow::BuildLeftPanel() {
  const Control& panel = model_.Get("LeftPanel");
  // The run group (speed, Start, Reset Memory, Stop) stays pinned below the scrolling
  // groups, so a run can be started and stopped on any screen without scrolling.
  auto* outer = new QWidget();
  Register(panel, outer);
  auto* outerLayout = new QVBoxLayout(outer);
  outerLayout->setContentsMargins(0, 0, 0, 0);
  outerLayout->setSpacing(0);
  auto* scroll = new QScrollArea(outer);
  scroll->setObjectName(QStringLiteral("LeftPanelScroll"));
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* host = new QWidget();
  host->setObjectName(QStringLiteral("LeftPanelGroups"));
  auto* layout = new QVBoxLayout(host);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  QWidget* runGroup = nullptr;
  for (const Control* g : children_["LeftPanel"]) {
    if (g->Name() == "GroupBox5") {
      runGroup = MakeGroup(g->Name(), 2, outer);
      continue;
    }
    QWidget* group = MakeGroup(g->Name(), 2, host);
    layout->addWidget(group, g->Name() == "GroupBox2" ? 1 : 0);
  }
  scroll->setWidget(host);
  outerLayout->addWidget(scroll, 1);
  if (runGroup != nullptr) {
    auto* pin = new QVBoxLayout();
    pin->setContentsMargins(4, 2, 4, 4);
    pin->addWidget(runGroup);
    outerLayout->addLayout(pin);
  }
  // Wide enough for the groups' content: the panel scrolls vertically only.
  const int contentWidth = std::max(host->minimumSizeHint().width(),
                                    runGroup != nullptr ? runGroup->minimumSizeHint().width() + 8 : 0);
  scroll->setMinimumWidth(contentWidth + scroll->verticalScrollBar()->sizeHint().width());
  outer->resize(panel.Layout().width, outer->height());
  return outer;
}

QWidget* MainWindow::BuildTopPanel() {
  const Control& panel = model_.Get("TopPanel");
  auto* host = new QWidget();
  Register(panel, host);
  host->setFixedHeight(panel.Layout().height > 0 ? panel.Layout().height : 120);
  auto* row = new QBoxLayout(QBoxLayout::LeftToRight, host);
  row->setContentsMargins(4, 4, 4, 4);
  row->setSpacing(8);

  auto* docs = new QBoxLayout(QBoxLayout::TopToBottom);
  docs->setSpacing(4);
  auto* buttons = new QHBoxLayout();
  buttons->setSpacing(4);
  for (const char* name : {"btnJsonLoad", "btnJsonNew", "btnJsonSave"})
    buttons->addWidget(MakeControl(model_.Get(name), host));
  docs->addLayout(buttons);
  docs->addWidget(MakeControl(model_.Get("cbJsonType"), host));
  docs->addWidget(MakeControl(model_.Get("btnPdfExport"), host), 0, Qt::AlignLeft);
  docs->addStretch(1);
  row->addLayout(docs);

  // The run statistics wrap their lines at the memo's width instead of cutting them.
  auto* memoRow = new QHBoxLayout();
  memoRow->setSpacing(8);
  std::vector<QPlainTextEdit*> memos;
  for (const char* name : {"MemoSimStats1", "MemoSimStats2"}) {
    const Control& memo = model_.Get(name);
    auto* w = static_cast<QPlainTextEdit*>(MakeControl(memo, host));
    w->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    w->setMinimumWidth(120);  // 330 px at design size; narrower on small screens
    memoRow->addWidget(w, 1);
    memos.push_back(w);
  }
  row->addLayout(memoRow, 1);
  new TopPanelArranger(*host, *row, *docs, std::move(memos));
  return host;
}

QWidget* MainWindow::BuildMidPanel() {
  const Control& panel = model_.Get("MidPanel");
  auto* host = new QWidget();
  Register(panel, host);
  auto* layout = new QVBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (const Control* c : children_["MidPanel"]) {
    QWidget* w = MakeControl(*c, host);
    const int h = c->Layout().height > 0 ? c->Layout().height : 200;
    w->setMinimumHeight(h / 3);
    layout->addWidget(w, h);
  }
  return host;
}

void MainWindow::BuildSimPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (const Control* c : children_[page->objectName().toStdString()]) {
    QWidget* w = MakeControl(*c, page);
    const int h = c->Layout().height > 0 ? c->Layout().height : 200;
    w->setMinimumHeight(h / 3);
    layout->addWidget(w, h);
  }
}

void MainWindow::BuildSEI3DPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  page->setStyleSheet(QStringLiteral("QWidget#FTsSEI3D { background: #111111; }"));
  page->setAttribute(Qt::WA_StyledBackground, true);
  // Labels: grey, centred, of their design height and size.
  struct LabelLook {
    const char* name;
    const char* color;
    int pointSize;
  };
  for (const LabelLook& look : {LabelLook{"lblSEI3DInfo", "#808080", 10}, LabelLook{"lblSEI3DHint", "#888888", 8}}) {
    const Control& c = model_.Get(look.name);
    auto* label = static_cast<QLabel*>(MakeControl(c, page));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(false);
    label->setFixedHeight(c.Layout().height);
    label->setStyleSheet(QStringLiteral("color: %1; background: #111111;").arg(QLatin1String(look.color)));
    QFont f = label->font();
    f.setPointSize(look.pointSize);
    label->setFont(f);
    layout->addWidget(label);
  }
  webView_ = new SEI3DWebView(page);
  layout->addWidget(webView_, 1);
  const Control& chart = model_.Get("FchSEI3DProf");
  QWidget* w = MakeControl(chart, page);
  w->setFixedHeight(chart.Layout().height > 0 ? chart.Layout().height : 160);
  layout->addWidget(w);
}

QWidget* MainWindow::BuildRightPanel() {
  const Control& panel = model_.Get("RightPanel");
  auto* host = new QWidget();
  Register(panel, host);
  host->setMinimumWidth(300);
  auto* layout = new QVBoxLayout(host);
  layout->setContentsMargins(2, 4, 4, 2);
  layout->setSpacing(4);
  QWidget* chemistry = nullptr;
  std::vector<QWidget*> chartRegions;
  for (const Control* c : children_["RightPanel"]) {
    auto* sub = new QWidget(host);
    Register(*c, sub);
    // The temperature edits share one row below their chart.
    Populate(sub, c->Name(), c->Name() == "pnTemp" ? 2 : 1);
    const int h = c->Layout().height > 0 ? c->Layout().height : 150;
    if (c->Name() == "pnlChem") {
      chemistry = sub;
      layout->addWidget(sub, 0);
    } else {
      chartRegions.push_back(sub);
      // The temperature region also holds its edits: it gets their height on top.
      layout->addWidget(sub, c->Name() == "pnTemp" ? h + 60 : h);
    }
  }
  // The chemistry page scrolls inside its own area on small screens, so the OCV and
  // temperature charts below it keep a readable height.
  if (chemistry != nullptr) new RightPanelArranger(*host, *chemistry, chartRegions, 170);
  host->setMinimumWidth(std::max(300, host->minimumSizeHint().width()));
  return host;
}

QWidget* MainWindow::MakeGroup(const std::string& name, int pairsPerRow, QWidget* parent) {
  const Control& g = model_.Get(name);
  auto* box = new QGroupBox(Q(g.Caption()), parent);
  Register(g, box);
  Populate(box, name, pairsPerRow);
  return box;
}

void MainWindow::Populate(QWidget* host, const std::string& containerName, int pairsPerRow) {
  auto* grid = new QGridLayout(host);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  const int cols = pairsPerRow * 2;
  int row = 0, col = 0;
  QHBoxLayout* buttonRow = nullptr;
  int buttonChars = 0;
  bool anyGrows = false;
  auto newRow = [&] {
    if (col > 0) ++row;
    col = 0;
  };
  for (const Control* c : children_[containerName]) {
    const LayoutRow& s = c->Layout();
    if (s.kind != ControlKind::Button) {
      buttonRow = nullptr;
      buttonChars = 0;
    }
    if (IsPair(*c)) {
      if (col >= cols) newRow();
      auto* label = new QLabel(Q(s.label), host);
      label->setObjectName(Q(s.name + "_label"));
      // Two pairs to a row leave little room: a long label wraps, but never inside a
      // bracketed unit. One pair to a row: the label column takes the longest label.
      label->setWordWrap(pairsPerRow > 1);
      if (pairsPerRow > 1) label->setText(KeepUnitsTogether(Q(s.label)));
      if (s.labelAlert) label->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
      captionLabels_[s.name] = label;
      grid->addWidget(label, row, col);
      grid->addWidget(MakeControl(*c, host), row, col + 1);
      col += 2;
      continue;
    }
    if (s.kind == ControlKind::Check && pairsPerRow > 1) {  // a check box takes one pair slot
      if (col >= cols) newRow();
      grid->addWidget(MakeControl(*c, host), row, col, 1, 2);
      col += 2;
      continue;
    }
    newRow();
    if (s.kind == ControlKind::Button) {
      // Buttons sit side by side; a long row wraps so the narrow panels keep their width.
      buttonChars += static_cast<int>(s.caption.size());
      if (buttonRow != nullptr && buttonChars > 44) {
        buttonRow = nullptr;
        buttonChars = static_cast<int>(s.caption.size());
      }
      if (buttonRow == nullptr) {
        buttonRow = new QHBoxLayout();
        buttonRow->setSpacing(4);
        grid->addLayout(buttonRow, row++, 0, 1, cols);
      }
      buttonRow->addWidget(MakeControl(*c, host));
      continue;
    }
    if (!s.label.empty()) {  // a wide control with its caption label above it
      auto* label = new QLabel(Q(s.label), host);
      label->setObjectName(Q(s.name + "_label"));
      if (s.labelAlert) label->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
      captionLabels_[s.name] = label;
      grid->addWidget(label, row++, 0, 1, cols);
    }
    QWidget* w = MakeControl(*c, host);
    if (auto sel = pageSelectors_.find(s.name); sel != pageSelectors_.end())
      grid->addWidget(sel->second, row++, 0, 1, cols);
    grid->addWidget(w, row, 0, 1, cols);
    const bool grows = s.kind == ControlKind::Chart || s.kind == ControlKind::Memo || s.kind == ControlKind::Pages ||
                       s.kind == ControlKind::Grid;
    if (grows) grid->setRowStretch(row, s.height > 0 ? s.height : 100);
    anyGrows = anyGrows || grows;
    ++row;
  }
  for (int c = 1; c < cols; c += 2) grid->setColumnStretch(c, 1);
  // Nothing that grows: the rows stay together at the top, the spare height below them.
  if (!anyGrows) grid->setRowStretch(row + (col > 0 ? 1 : 0), 1);
}

QWidget* MainWindow::MakeControl(const Control& c, QWidget* parent) {
  const LayoutRow& s = c.Layout();
  const std::string name = s.name;
  QWidget* w = nullptr;
  switch (s.kind) {
    case ControlKind::Edit: {
      auto* e = new QLineEdit(parent);
      e->setPlaceholderText(Q(s.placeholder));
      e->setMinimumWidth(56);
      connect(e, &QLineEdit::textEdited, this, [this, name](const QString& t) { model_.UserSetText(name, t.toStdString()); });
      w = e;
      break;
    }
    case ControlKind::Combo: {
      auto* cb = new QComboBox(parent);
      cb->setEditable(!s.dropDownList);
      cb->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
      cb->setMinimumContentsLength(4);
      connect(cb, &QComboBox::activated, this, [this, name](int index) { model_.UserSelect(name, index); });
      if (cb->isEditable())
        connect(cb->lineEdit(), &QLineEdit::textEdited, this,
                [this, name](const QString& t) { model_.UserSetText(name, t.toStdString()); });
      w = cb;
      break;
    }
    case ControlKind::Check: {
      auto* cb = new QCheckBox(parent);
      connect(cb, &QCheckBox::clicked, this, [this, name](bool on) { model_.UserCheck(name, on); });
      w = cb;
      break;
    }
    case ControlKind::Button: {
      auto* b = new QPushButton(parent);
      b->setAutoDefault(false);
      connect(b, &QPushButton::clicked, this, [this, name] { model_.UserClick(name); });
      w = b;
      break;
    }
    case ControlKind::Label: {
      auto* l = new QLabel(parent);
      l->setWordWrap(true);
      w = l;
      break;
    }
    case ControlKind::Memo: {
      auto* m = new QPlainTextEdit(parent);
      m->setReadOnly(s.readOnly);
      // Figures keep their columns; the chemistry metrics are prose lines and wrap.
      m->setLineWrapMode(s.name == "MemoChemMetrics" ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
      m->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
      f.setPointSize(8);
      m->setFont(f);
      m->setMinimumHeight(48);
      if (s.height > 0) m->setMaximumHeight(s.height);
      // The AI group is 208 px in all; its answer memo scrolls, so on a full-HD screen the
      // pattern preview above it keeps the height its labels need.
      else if (s.parent == "grpAI") m->setMaximumHeight(72);
      else if (s.name == "MemoChemMetrics") m->setMaximumHeight(80);  // leaves the charts below their room
      else m->setMaximumHeight(110);  // a memo of figures: eight lines
      if (s.name == "memoAIResponse") {  // the AI answers on pale blue
        QPalette pal = m->palette();
        pal.setColor(QPalette::Base, QColor(0xF0, 0xF8, 0xFF));
        m->setPalette(pal);
      }
      w = m;
      break;
    }
    case ControlKind::Grid: {
      auto* t = new QTableWidget(std::max(s.rows, 0), std::max(s.columns, 0), parent);
      t->horizontalHeader()->setVisible(false);
      t->verticalHeader()->setVisible(false);
      for (int col = 0; col < s.columns; ++col) t->setColumnWidth(col, s.columnWidth > 0 ? s.columnWidth : 80);
      t->setMinimumHeight(24 * std::max(s.rows, 1) + 6);
      connect(t, &QTableWidget::itemChanged, this, [this, name](QTableWidgetItem* item) {
        model_.RunEvent([&] { model_.SetCell(name, item->column(), item->row(), item->text().toStdString()); });
      });
      w = t;
      break;
    }
    case ControlKind::Trackbar: {
      auto* sl = new QSlider(Qt::Horizontal, parent);
      sl->setTickPosition(QSlider::TicksBelow);
      sl->setTickInterval(s.frequency > 0 ? s.frequency : 1);
      connect(sl, &QSlider::valueChanged, this, [this, name](int v) { model_.UserSetPosition(name, v); });
      w = sl;
      break;
    }
    case ControlKind::Progress: {
      auto* p = new QProgressBar(parent);
      p->setTextVisible(false);
      p->setMaximumHeight(14);
      w = p;
      break;
    }
    case ControlKind::Pages: {
      auto* tabs = new QTabWidget(parent);
      tabs->setUsesScrollButtons(true);
      tabs->setDocumentMode(false);
      for (const Control* page : children_[name]) {
        auto* pw = new QWidget(tabs);
        Register(*page, pw);
        if (name == "GroupBoxChem") {
          // The chemistry page stacks its groups; the calibration page lays out its controls.
          auto* v = new QVBoxLayout(pw);
          v->setContentsMargins(2, 2, 2, 2);
          v->setSpacing(4);
          bool hasGroups = false;
          for (const Control* child : children_[page->Name()])
            if (child->Kind() == ControlKind::Group) hasGroups = true;
          if (hasGroups) {
            // The groups scroll inside the page when the panel is short (see RightPanelArranger).
            v->setContentsMargins(0, 0, 0, 0);
            auto* scroll = new FitScrollArea(pw);
            scroll->setObjectName(Q(page->Name() + "_scroll"));
            scroll->setWidgetResizable(true);
            scroll->setFrameShape(QFrame::NoFrame);
            scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            auto* content = new QWidget();
            auto* groups = new QVBoxLayout(content);
            groups->setContentsMargins(2, 2, 2, 2);
            groups->setSpacing(4);
            for (const Control* child : children_[page->Name()])
              groups->addWidget(MakeGroup(child->Name(), 1, content), child->Name() == "gbChem" ? 1 : 0);
            scroll->setWidget(content);
            // Never narrower than the groups need: the page scrolls vertically only.
            scroll->setMinimumWidth(content->minimumSizeHint().width() + scroll->verticalScrollBar()->sizeHint().width());
            v->addWidget(scroll);
          } else {
            delete v;
            Populate(pw, page->Name(), 1);
          }
        } else if (page->Name() == "FTsSim") {
          BuildSimPage(pw);
        } else if (page->Name() == "FTsSEI3D") {
          BuildSEI3DPage(pw);
        } else {
          Populate(pw, page->Name(), 2);
        }
        tabs->addTab(pw, Q(page->Caption()));
      }
      connect(tabs, &QTabWidget::currentChanged, this, [this, name, tabs](int index) {
        QWidget* page = tabs->widget(index);
        if (page != nullptr) model_.UserSetPage(name, page->objectName().toStdString());
      });
      // The pattern pages are too many for one tab row: a selector shows them all.
      if (name == "PcParams") pageSelectors_[name] = new PageSelector(*tabs, 5, parent);
      w = tabs;
      break;
    }
    case ControlKind::Chart: {
      auto* view = new ChartView(model_.Chart(name), model_, parent);
      InstallChartDataMenu(*view, model_, form_.Platform());
      view->setMinimumHeight(s.height > 0 ? std::min(s.height, 120) : 100);
      charts_[name] = view;
      w = view;
      break;
    }
    case ControlKind::Group:
      return MakeGroup(name, 2, parent);
    case ControlKind::Panel:
    case ControlKind::Page:
    case ControlKind::StatusBar: {
      w = new QWidget(parent);
      Populate(w, name, 2);
      break;
    }
  }
  Register(c, w);
  return w;
}

void MainWindow::Register(const Control& c, QWidget* w) {
  w->setObjectName(Q(c.Name()));
  widgets_[c.Name()] = w;
}

QWidget* MainWindow::Widget(const std::string& name) const {
  auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

ChartView* MainWindow::Chart(const std::string& name) const {
  auto it = charts_.find(name);
  return it == charts_.end() ? nullptr : it->second;
}

// Shows the model's value of one control (no echo: widget signals are blocked).
void MainWindow::Show(const Control& c) {
  QWidget* w = Widget(c.Name());
  if (w == nullptr) return;
  const QSignalBlocker block(w);
  const QString tip = Q(HintTitle(c.Hint()));
  if (w->toolTip() != tip) w->setToolTip(tip);
  switch (c.Kind()) {
    case ControlKind::Edit: {
      auto* e = static_cast<QLineEdit*>(w);
      if (e->text() != Q(c.Text())) e->setText(Q(c.Text()));
      e->setEnabled(c.Enabled());
      break;
    }
    case ControlKind::Combo: {
      auto* cb = static_cast<QComboBox*>(w);
      QStringList items;
      for (const auto& i : c.Items()) items << Q(i);
      QStringList shown;
      for (int i = 0; i < cb->count(); ++i) shown << cb->itemText(i);
      if (shown != items) {
        cb->clear();
        cb->addItems(items);
      }
      cb->setCurrentIndex(c.ItemIndex());
      if (cb->isEditable()) {
        const QSignalBlocker blockEdit(cb->lineEdit());
        if (cb->currentText() != Q(c.Text())) cb->setEditText(Q(c.Text()));
      }
      cb->setEnabled(c.Enabled());
      break;
    }
    case ControlKind::Check: {
      auto* cb = static_cast<QCheckBox*>(w);
      cb->setText(Q(c.Caption()));
      cb->setChecked(c.Checked());
      cb->setEnabled(c.Enabled());
      break;
    }
    case ControlKind::Button: {
      auto* b = static_cast<QPushButton*>(w);
      b->setText(Q(c.Caption()));
      b->setEnabled(c.Enabled());
      break;
    }
    case ControlKind::Label:
      static_cast<QLabel*>(w)->setText(Q(c.Caption()));
      break;
    case ControlKind::StatusBar:
      static_cast<QLabel*>(w)->setText(Q(c.Text()));
      break;
    case ControlKind::Memo: {
      auto* m = static_cast<QPlainTextEdit*>(w);
      const QString text = JoinLines(c.Lines());
      if (m->toPlainText() != text) m->setPlainText(text);
      break;
    }
    case ControlKind::Grid: {
      auto* t = static_cast<QTableWidget*>(w);
      const auto& cells = c.Cells();
      t->setRowCount(static_cast<int>(cells.size()));
      if (!cells.empty()) t->setColumnCount(static_cast<int>(cells[0].size()));
      const int fixedRows = c.Layout().fixedRows;
      for (int r = 0; r < static_cast<int>(cells.size()); ++r)
        for (int col = 0; col < static_cast<int>(cells[static_cast<size_t>(r)].size()); ++col) {
          QTableWidgetItem* item = t->item(r, col);
          if (item == nullptr) {
            item = new QTableWidgetItem();
            if (r < fixedRows) {  // header row: shaded, not editable
              item->setFlags(Qt::ItemIsEnabled);
              item->setBackground(QColor(232, 232, 232));
              QFont f = item->font();
              f.setBold(true);
              item->setFont(f);
            }
            t->setItem(r, col, item);
          }
          const QString text = Q(cells[static_cast<size_t>(r)][static_cast<size_t>(col)]);
          if (item->text() != text) item->setText(text);
          if (r >= fixedRows) {  // cells below the header: editable while the grid allows it
            const Qt::ItemFlags flags = c.GridEditing()
                                            ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                            : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (item->flags() != flags) item->setFlags(flags);
          }
        }
      const auto& widths = c.ColumnWidths();
      for (int col = 0; col < static_cast<int>(widths.size()) && col < t->columnCount(); ++col)
        if (t->columnWidth(col) != widths[static_cast<size_t>(col)])
          t->setColumnWidth(col, widths[static_cast<size_t>(col)]);
      break;
    }
    case ControlKind::Trackbar:
    case ControlKind::Progress: {
      if (auto* sl = qobject_cast<QSlider*>(w)) {
        sl->setRange(c.Minimum(), c.Maximum());
        sl->setValue(c.Position());
      } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setRange(c.Minimum(), c.Maximum());
        p->setValue(c.Position());
      }
      break;
    }
    case ControlKind::Pages: {
      auto* tabs = static_cast<QTabWidget*>(w);
      if (QWidget* page = Widget(c.ActivePage())) tabs->setCurrentWidget(page);
      if (auto sel = pageSelectors_.find(c.Name()); sel != pageSelectors_.end()) sel->second->Sync();
      break;
    }
    case ControlKind::Page: {
      if (QWidget* pw = Widget(c.Name()))
        if (auto* tabs = qobject_cast<QTabWidget*>(Widget(c.Layout().parent))) {
          const int i = tabs->indexOf(pw);
          if (i >= 0) tabs->setTabText(i, Q(c.Caption()));
          if (auto sel = pageSelectors_.find(c.Layout().parent); sel != pageSelectors_.end()) sel->second->Sync();
        }
      return;  // a page's visibility is its tab's business
    }
    case ControlKind::Group:
      if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(Q(c.Caption()));
      break;
    case ControlKind::Panel:
    case ControlKind::Chart:
      break;
  }
  if (c.Kind() != ControlKind::StatusBar && w->isVisibleTo(w->parentWidget()) != c.Visible()) {
    if (w->parentWidget() != nullptr) w->setVisible(c.Visible());
  }
  if (auto it = captionLabels_.find(c.Name()); it != captionLabels_.end()) it->second->setVisible(c.Visible());
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (splitterSized_) return;
  splitterSized_ = true;
  // Design widths: left panel 433 px, right panel 382 px; a narrow screen gives the
  // middle charts what is left, but never less than a third of the window.
  // Below full HD the side panels give up some of their design width (down to what
  // their content needs), so the middle keeps room for the charts and the statistics.
  const int total = splitL_->width();
  const int leftMin = splitL_->widget(0)->minimumSizeHint().width();
  const int rightMin = splitR_->widget(1)->minimumSizeHint().width();
  const int left = std::min(433, std::max(leftMin, total * 31 / 100));
  const int right = std::min(382, std::max(rightMin, std::min(total * 26 / 100, (total - left) / 2)));
  splitL_->setSizes({left, total - left});
  splitR_->setSizes({total - left - right, right});
}

void MainWindow::closeEvent(QCloseEvent* event) {
  playTimer_.stop();
  form_.FormDestroy();
  QMainWindow::closeEvent(event);
}

void MainWindow::ControlChanged(const Control& control) { Show(control); }

void MainWindow::ChartChanged(ChartModel& chart) {
  // Drawn at the next timer tick; several invalidations in one tick draw once.
  (void)chart;
}

void MainWindow::CaptionChanged(const std::string& caption) { setWindowTitle(Q(caption)); }

void MainWindow::SyncCharts(bool force) {
  for (auto& [name, view] : charts_)
    if (!view->Model().Locked()) view->SyncFromModel(force);
}

void MainWindow::OnPlayTimer() {
  if (!scripted_ && form_.PlayTimerEnabled()) form_.PlayTimerTick();
  form_.advisor.PumpAnswers();  // AI answers that arrived are handed over on this thread
  if (!edge3DClock_.isValid()) edge3DClock_.start();
  form_.sei3d.AdvanceEdge3DTimer(edge3DClock_.restart());
  SyncCharts();
}

const Control* MainWindow::HintedControlAt(QObject* object) const {
  for (QObject* o = object; o != nullptr; o = o->parent()) {
    if (!o->isWidgetType()) continue;
    const std::string name = o->objectName().toStdString();
    auto it = widgets_.find(name);
    if (it != widgets_.end() && it->second == o) {
      const Control* c = model_.Find(name);
      return c;
    }
    if (name.size() > 6 && name.compare(name.size() - 6, 6, "_label") == 0) {
      const Control* c = model_.Find(name.substr(0, name.size() - 6));
      if (c != nullptr) return c;
    }
  }
  return nullptr;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::Enter) return false;
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this) return false;

  if (type == QEvent::Enter) {
    if (scripted_) return false;  // a script moves the hint with "hover", not the real pointer
    // The application's hint: the hint of the control under the mouse, or none.
    const Control* c = HintedControlAt(watched);
    const std::string hint = c != nullptr ? c->Hint() : std::string();
    model_.RunEvent([&] { form_.AppHint(hint); });
    return false;
  }

  auto* key = static_cast<QKeyEvent*>(event);
  // The window sees keys before its controls.
  const std::string keyName = KeyName(key->key());
  if (!keyName.empty()) {
    KeyStroke ks{keyName, (key->modifiers() & Qt::ControlModifier) != 0, (key->modifiers() & Qt::ShiftModifier) != 0,
                 (key->modifiers() & Qt::AltModifier) != 0};
    bool handled = false;
    model_.RunEvent([&] { handled = form_.FormKeyDown(ks); });
    if (handled) return true;
  }
  // Character filter of the edit that has the focus (the numeric edits).
  QObject* target = watched;
  if (auto* cb = qobject_cast<QComboBox*>(watched->parent()); cb != nullptr && cb->lineEdit() == watched) target = cb;
  const std::string name = target->objectName().toStdString();
  // A Ctrl chord (copy, paste, undo) is no typed character: it passes the filter.
  const bool chord = (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0;
  if (!chord && qobject_cast<QLineEdit*>(watched) != nullptr && model_.Find(name) != nullptr) {
    for (char32_t ch : DecodeUtf8(key->text().toStdString()))
      if (!form_.KeyPress(name, ch)) return true;  // swallowed
  }
  return false;
}

}  // namespace voltaris::ui
