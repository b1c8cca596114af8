// The window's geometry at the screen sizes it meets: the run controls in sight without
// scrolling, no control cut by the group that holds it, run statistics readable, every
// pattern page one click away. With VOLTARIS_LAYOUT_SHOTS=DIR it also saves a picture
// of the window per size and pattern page, for a person to look at.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <memory>

#include "form/recording_platform.h"
#include "main_window.h"
#include "panel_arrangers.h"
#include "window_fixture.h"

using namespace voltaris;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The first ancestor (up to the window) that does not show all of `w`, or nullptr when
// every ancestor shows it whole. A scroll area's viewport counts like any other parent.
QWidget* ClippingAncestor(const QWidget* w) {
  for (QWidget* a = w->parentWidget(); a != nullptr; a = a->parentWidget()) {
    const QRect r(w->mapTo(a, QPoint(0, 0)), w->size());
    if (!a->rect().contains(r)) return a;
    if (a->isWindow()) break;
  }
  return nullptr;
}

QString Describe(const QWidget* w) {
  const QWidget* a = ClippingAncestor(w);
  return QStringLiteral("%1 at %2,%3 %4x%5 cut by %6 (%7x%8)")
      .arg(w->objectName())
      .arg(w->mapTo(w->window(), QPoint(0, 0)).x())
      .arg(w->mapTo(w->window(), QPoint(0, 0)).y())
      .arg(w->width())
      .arg(w->height())
      .arg(a != nullptr ? a->objectName() + QLatin1Char('/') + QLatin1String(a->metaObject()->className()) : QString())
      .arg(a != nullptr ? a->width() : 0)
      .arg(a != nullptr ? a->height() : 0);
}

// The nearest group box, page or scrolled content that holds `w`.
const QWidget* Holder(const QWidget* w) {
  for (const QWidget* a = w->parentWidget(); a != nullptr; a = a->parentWidget())
    if (qobject_cast<const QGroupBox*>(a) != nullptr ||
        (a->parentWidget() != nullptr && qobject_cast<const QScrollArea*>(a->parentWidget()->parentWidget()) != nullptr) ||
        (a->parentWidget() != nullptr && qobject_cast<const QTabWidget*>(a->parentWidget()->parentWidget()) != nullptr))
      return a;
  return nullptr;
}

}  // namespace

class WindowLayoutTest : public WindowFixture {
  Q_OBJECT

 private:

  void Open(QSize size) {
    OpenWindow(size);
    QTest::qWait(50);
    QCOMPARE(window_->size(), size);
  }

  void Settle() {
    QApplication::processEvents();
    QTest::qWait(20);
  }

  void SelectPage(const char* page) {
    auto* tabs = W<QTabWidget>("PcParams");
    auto* selector = window_->findChild<ui::PageSelector*>();
    QVERIFY(selector != nullptr);
    const int index = tabs->indexOf(W<QWidget>(page));
    QVERIFY(index >= 0);
    selector->Button(index)->click();
    Settle();
  }

  void Shot(const QString& tag) {
    const QString dir = qEnvironmentVariable("VOLTARIS_LAYOUT_SHOTS");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    const QString file = QStringLiteral("%1/%2x%3_%4.png").arg(dir).arg(window_->width()).arg(window_->height()).arg(tag);
    QVERIFY2(window_->grab().save(file, "PNG"), qPrintable(file));
  }

  // Every visible control of the layout lies whole inside the group or page that holds
  // it, and is not squeezed below the size its content needs.
  void CheckNoControlCutByItsHolder(const QString& where) {
    for (const LayoutRow& row : LayoutTable()) {
      if (row.kind == ControlKind::Panel || row.kind == ControlKind::Page || row.kind == ControlKind::StatusBar) continue;
      QWidget* w = window_->findChild<QWidget*>(Q(row.name));
      if (w == nullptr || !w->isVisible()) continue;
      const QWidget* holder = Holder(w);
      if (holder == nullptr) continue;
      const QRect r(w->mapTo(holder, QPoint(0, 0)), w->size());
      QVERIFY2(holder->rect().contains(r), qPrintable(where + QStringLiteral(": ") + Describe(w)));
      const bool rigid = row.kind == ControlKind::Button || row.kind == ControlKind::Edit ||
                         row.kind == ControlKind::Combo || row.kind == ControlKind::Check;
      if (rigid)
        QVERIFY2(w->height() >= w->minimumSizeHint().height() && w->width() >= w->minimumSizeHint().width(),
                 qPrintable(where + QStringLiteral(": squeezed ") + Describe(w) + QStringLiteral(" needs %1x%2")
                                                                       .arg(w->minimumSizeHint().width())
                                                                       .arg(w->minimumSizeHint().height())));
    }
  }

 private slots:
  void cleanup() { CloseWindow(); }

  void geometryAtScreenSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("1280x800") << QSize(1280, 800);
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
  }

  void geometryAtScreenSize() {
    QFETCH(QSize, size);
    Open(size);
    FormModel& m = form_->Form();

    // The run controls are in sight without scrolling: whole inside every parent,
    // scroll viewports included, and inside the window.
    for (const char* name : {"lblSpeed", "tbSpeed", "btnStart", "btnReset", "btnStop"}) {
      QWidget* w = W<QWidget>(name);
      QVERIFY2(w->isVisible(), name);
      QVERIFY2(ClippingAncestor(w) == nullptr, qPrintable(Describe(w)));
      const QRect inWindow(w->mapTo(window_.get(), QPoint(0, 0)), w->size());
      QVERIFY2(window_->rect().contains(inWindow), qPrintable(Describe(w)));
    }

    // The OCV and temperature charts keep a readable height; their edits are in sight.
    for (const char* name : {"chOCV", "chT"}) {
      QWidget* w = W<QWidget>(name);
      QVERIFY2(w->height() >= 130, qPrintable(Describe(w)));
      QVERIFY2(ClippingAncestor(w) == nullptr, qPrintable(Describe(w)));
    }
    for (const char* name : {"edtTemp", "edTempmax"}) {
      QWidget* edit = W<QWidget>(name);
      QVERIFY2(ClippingAncestor(edit) == nullptr, name);
      // The edits sit below the chart, not over its time labels.
      QWidget* chart = W<QWidget>("chT");
      const QRect chartRect(chart->mapTo(window_.get(), QPoint(0, 0)), chart->size());
      const QRect editRect(edit->mapTo(window_.get(), QPoint(0, 0)), edit->size());
      QVERIFY2(!chartRect.intersects(editRect), qPrintable(Describe(chart) + QStringLiteral(" / ") + Describe(edit)));
    }

    // The run statistics: a line of the comparison table lays out on one line and no
    // line is cut at the right edge (wrapping on, or room for 50 characters).
    // The comparison table's rows are 32 characters wide.
    m.SetLines("MemoSimStats2", {"=== HX vs CC/CV Comparison ===", "",
                                 "Metric            CC/CV       HX", std::string(32, '-'),
                                 "SEI (nm)           12.3     10.1", "CE1 (%)            91.0     92.4",
                                 "Throughput     : 1.25x more cells/hr"});
    m.SetLines("MemoSimStats1", {"--- Energy / Power Summary ---",
                                 "Pattern: superpulse | I=[1.00..3.00]A | f=2.222Hz",
                                 "Ohmic Loss   = 0.123 Wh (mean 1.23 W)"});
    Settle();
    for (const char* name : {"MemoSimStats1", "MemoSimStats2", "MemoChemMetrics"}) {
      auto* memo = W<QPlainTextEdit>(name);
      const int line50 = ui::TopPanelArranger::MemoLineWidth(*memo, 50);
      QVERIFY2(memo->lineWrapMode() != QPlainTextEdit::NoWrap || memo->width() >= line50,
               qPrintable(Describe(memo)));
      QVERIFY2(ClippingAncestor(memo) == nullptr || QString::fromLatin1(name) == QLatin1String("MemoChemMetrics"),
               qPrintable(Describe(memo)));
    }
    for (const char* name : {"MemoSimStats1", "MemoSimStats2"}) {
      auto* memo = W<QPlainTextEdit>(name);
      QVERIFY2(memo->width() >= ui::TopPanelArranger::MemoLineWidth(*memo, 32), qPrintable(Describe(memo)));
      for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
        if (b.text().size() <= 32 && b.layout() != nullptr)
          QVERIFY2(b.layout()->lineCount() <= 1, qPrintable(QStringLiteral("%1 breaks \"%2\"").arg(QLatin1String(name), b.text())));
    }
    QVERIFY(W<QPlainTextEdit>("MemoChemMetrics")->lineWrapMode() != QPlainTextEdit::NoWrap);

    // A label keeps its unit on one line.
    auto* cp = W<QLabel>("edCellCp_label");
    QVERIFY2(cp->height() < 2 * cp->fontMetrics().lineSpacing(), qPrintable(Describe(cp)));
    QVERIFY2(cp->width() >= cp->fontMetrics().horizontalAdvance(cp->text()), qPrintable(Describe(cp)));

    // At full HD nothing scrolls: no scroll area of the window needs its scroll bar.
    if (size.width() >= 1920) {
      for (QScrollArea* area : window_->findChildren<QScrollArea*>()) {
        if (!area->isVisible()) continue;
        QVERIFY2(area->verticalScrollBar()->maximum() == 0,
                 qPrintable(QStringLiteral("%1 scrolls by %2").arg(area->objectName()).arg(area->verticalScrollBar()->maximum())));
      }
    }

    // Every pattern page is one click away: all selector buttons in sight at once, and
    // a click makes the page the model's active page through the page control.
    auto* tabs = W<QTabWidget>("PcParams");
    auto* selector = window_->findChild<ui::PageSelector*>();
    QVERIFY(selector != nullptr);
    QCOMPARE(selector->Count(), 13);
    QCOMPARE(tabs->count(), 13);
    for (int i = 0; i < selector->Count(); ++i) {
      QToolButton* b = selector->Button(i);
      QVERIFY2(b->isVisible() && ClippingAncestor(selector) == nullptr, qPrintable(Describe(b)));
      QVERIFY2(QRect(QPoint(0, 0), selector->size()).contains(QRect(b->mapTo(selector, QPoint(0, 0)), b->size())),
               qPrintable(Describe(b)));
      QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(b->text()), qPrintable(Describe(b)));
      QCOMPARE(b->text(), tabs->tabText(i));
    }
    for (int i = 0; i < tabs->count(); ++i) {
      const std::string page = tabs->widget(i)->objectName().toStdString();
      selector->Button(i)->click();
      Settle();
      QCOMPARE(m.Get("PcParams").ActivePage(), page);
      QVERIFY(tabs->widget(i)->isVisible());
      QVERIFY(selector->Button(i)->isChecked());
      CheckNoControlCutByItsHolder(QString::fromStdString(page));
      if (QTest::currentTestFailed()) return;
    }
    // A page set by the program shows on the selector too.
    m.SetActivePage("PcParams", "TsGaussian");
    Settle();
    QVERIFY(selector->Button(tabs->indexOf(W<QWidget>("TsGaussian")))->isChecked());

    // The point lists get the row's whole width.
    SelectPage("TsBezier");
    QVERIFY(W<QLineEdit>("EdBezPoints")->width() >= W<QWidget>("TsBezier")->width() * 8 / 10);
    SelectPage("TsCustom");
    QVERIFY(W<QLineEdit>("EdLUTPoints")->width() >= W<QWidget>("TsCustom")->width() * 8 / 10);

    // The chemistry and calibration pages, and what the user looks at first.
    auto* chem = W<QTabWidget>("GroupBoxChem");
    for (int i = chem->count() - 1; i >= 0; --i) {
      chem->setCurrentIndex(i);
      Settle();
      CheckNoControlCutByItsHolder(chem->tabText(i));
      if (QTest::currentTestFailed()) return;
    }
    for (const char* page : {"TsSine", "tsCC_CV", "TsSuper"}) {
      SelectPage(page);
      Shot(QString::fromLatin1(page));
    }
  }
};

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
